#include "fuzz/fuzzcheck.h"
#include "stations/listfile.h"
#include "stations/playlistfile.h"
#include "stations/stationlist.h"

#include <QByteArrayView>
#include <QSet>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::vector<ListEntry> entries = decodeListFile(bytes);

    fuzzCheck(qsizetype(entries.size()) <= bytes.count('\n') + 1, "at most one entry a line");
    for (const ListEntry& e : entries) {
        fuzzCheck(!e.name.isEmpty() || !e.url.isEmpty(), "no entry is empty");
        fuzzCheck(e.url.isEmpty() || e.url.startsWith(u"http", Qt::CaseInsensitive),
                  "a URL begins with http");
        fuzzCheck(!e.name.contains(u'\n') && !e.url.contains(u'\n'), "lines end at LF");
    }

    // The rest of a load without a host: what is left holds every URL once. One list for
    // all inputs: assign replaces its entries, and its untouched undo ring then costs
    // nothing per input.
    static StationList list;
    list.assign(entries);
    list.RemoveEmptyEntries();
    const int removed = list.RemoveDuplicates();
    fuzzCheck(list.consistent(), "the sequences keep one length");
    fuzzCheck(list.count() + removed == qsizetype(entries.size()), "removed entries counted");
    QSet<QString> urls;
    for (qsizetype i = 0; i < list.count(); ++i) {
        if (list.url(i).isEmpty())
            continue;
        fuzzCheck(!urls.contains(list.url(i)), "no URL twice after duplicate removal");
        urls.insert(list.url(i));
    }

    // The same bytes as a playlist file: web stations and headings only, and the list they
    // make goes through an M3U unchanged.
    for (const QString& path : {QStringLiteral("/m/Radio.m3u"), QStringLiteral("/m/Radio.pls")}) {
        const PlaylistImport imported = decodePlaylistFile(bytes, path);
        for (const ListEntry& e : imported.entries) {
            fuzzCheck(!e.name.isEmpty(), "every playlist entry has a name");
            fuzzCheck(e.url.isEmpty() || e.url.startsWith(u"http://", Qt::CaseInsensitive) ||
                          e.url.startsWith(u"https://", Qt::CaseInsensitive),
                      "a playlist station is a web address");
        }
        fuzzCheck(!imported.hls || imported.entries.empty(), "an HLS playlist gives no list");
        list.assign(imported.entries);
        const PlaylistImport again = decodePlaylistFile(encodeM3u(list), path);
        fuzzCheck(again.entries == imported.entries, "a playlist's list goes through an M3U");
    }
    return 0;
}
