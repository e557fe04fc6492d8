#include "fuzz/fuzzcheck.h"
#include "fuzz/listwritable.h"
#include "stations/listline.h"

#include <QByteArrayView>
#include <QString>
#include <cstdint>

namespace {

void checkLine(QStringView line)
{
    const std::optional<ListEntry> e = ParseListLine(line);
    if (!e)
        return;
    fuzzCheck((e->flags & ~MARK_MODIFIED) == 0, "only the modified mark comes from a line");
    if (e->url.isEmpty()) {
        fuzzCheck(!e->name.isEmpty(), "a category has a title");
        fuzzCheck(e->format.isEmpty() && e->flags == 0, "a category has no tag and no mark");
        if (listWritable(e->name, false)) {
            const std::optional<ListEntry> again = ParseListLine(FormatListLine(*e));
            fuzzCheck(again && again->name == e->name && again->url.isEmpty(),
                      "a formatted category keeps its title");
        }
        return;
    }
    fuzzCheck(e->url.startsWith(u"http", Qt::CaseInsensitive), "a URL begins with http");
    fuzzCheck(!e->name.contains(u'\t'), "a station name holds no tab");

    // What SaveList writes for an entry the grammar can hold must load as the same station.
    // (A URL ending in a separator or an invisible character, or a name of junk only, cannot
    // be written back exactly; the fields the program fills are cleaned of those.)
    if (!listWritable(e->url, true) || !listWritable(e->name, false))
        return;
    const std::optional<ListEntry> again = ParseListLine(FormatListLine(*e));
    fuzzCheck(again.has_value(), "a formatted station parses again");
    fuzzCheck(again->url == e->url, "a formatted station keeps its URL");
    fuzzCheck(again->name == e->name, "a formatted station keeps its name");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    // A line of an 8-bit list file, a pasted text or a settings value.
    checkLine(QString::fromUtf8(bytes));
    // A line of a UTF-16LE list file.
    checkLine(fuzzUtf16(data, size));
    return 0;
}
