#include "directory/directoryapi.h"
#include "fuzz/fuzzcheck.h"
#include "stations/listline.h"
#include "stations/stationlist.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <cstdint>

namespace {

bool trimmedText(const QString& s)
{
    return s == s.trimmed();
}

} // namespace

// A directory answer: the raw bytes as a search answer, its stations added to an empty list
// under a heading, and the bytes read as UTF-8 as every field of a search.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<std::vector<DirectoryStation>> stations = parseSearchAnswer(bytes);
    const QJsonDocument doc = QJsonDocument::fromJson(bytes);
    fuzzCheck(stations.has_value() == doc.isArray(),
              "an answer is read exactly when it is an array");
    if (stations) {
        fuzzCheck(qsizetype(stations->size()) <= doc.array().size(),
                  "at most a station per element");
        for (const DirectoryStation& s : *stations) {
            fuzzCheck(s.bitrate >= 0, "a bit rate is never negative");
            for (const QString* text :
                 {&s.uuid, &s.name, &s.url, &s.urlResolved, &s.codec, &s.tags})
                fuzzCheck(trimmedText(*text), "texts come without surrounding blanks");
        }
        const StationList empty;
        const DirectoryAddition added =
            directoryListEntries(QStringLiteral("Directory: fuzz"), *stations, empty);
        fuzzCheck(added.entries.empty() || added.entries.front().url.isEmpty(),
                  "a heading comes first");
        QSet<QString> urls;
        for (std::size_t i = 1; i < added.entries.size(); ++i) {
            const ListEntry& e = added.entries[i];
            fuzzCheck(!urls.contains(e.url), "no address twice");
            urls.insert(e.url);
            const std::optional<ListEntry> back = ParseListLine(FormatListLine(e));
            fuzzCheck(back && back->url == e.url, "an added station reads back from its list line");
            for (QChar c : e.name)
                fuzzCheck(c.unicode() >= 0x20, "a name is one line without tabs");
        }
        fuzzCheck(int(added.entries.size()) - (added.entries.empty() ? 0 : 1) + added.unfit <=
                      int(stations->size()),
                  "each station is added or left out at most once");
    }

    const QString text = QString::fromUtf8(bytes.left(512));
    DirectoryQuery query{text, text, text, text, text, int(size), size % 2 == 0};
    const QByteArray path = searchPath(query, int(size) - 100);
    fuzzCheck(path.startsWith("/json/stations/search?"), "a search path");
    for (char c : path)
        fuzzCheck(uchar(c) > 0x20 && uchar(c) < 0x7F && c != '#', "a path is plain URL text");
    fuzzCheck(path.endsWith(QByteArray(QByteArray("&offset=") +
                                       QByteArray::number(std::max(0, int(size) - 100)))),
              "the offset is never negative");
    return 0;
}
