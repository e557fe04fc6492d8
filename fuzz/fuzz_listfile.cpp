#include "fuzz/fuzzcheck.h"
#include "stations/listfile.h"
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
    return 0;
}
