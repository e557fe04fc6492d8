#include "fuzz/fuzzcheck.h"
#include "stream/metaproc.h"

#include <QByteArrayView>
#include <QStringList>
#include <climits>
#include <cstdint>

namespace {

// The pump hands the tag reader at most its tag buffer.
constexpr qsizetype kTagRegion = 16384;

// A reader whose pane texts are collected; with a clock, it reads as while recording.
struct Reader {
    explicit Reader(std::optional<double> seconds)
        : meta([this](const QString& t) { out << t; }, [seconds] { return seconds; })
    {}
    QStringList out;
    CMetaProc meta;
};

void checkBlock(QByteArrayView block)
{
    const QString display = metadataDisplayText(block);
    if (!display.isEmpty()) {
        // A title without an artist shows as " - title".
        fuzzCheck(display.startsWith(u"\n- ") || display.startsWith(u" - "),
                  "a display text begins with a dash");
        fuzzCheck(display.size() >= 6, "a display text is not shorter than 6");
    }
    const int length = int(std::min<qsizetype>(block.size(), INT_MAX));

    static Reader plain(std::nullopt);
    plain.out.clear();
    plain.meta.reset();
    const bool shown = plain.meta.readMetadata(block.data(), length);
    fuzzCheck(shown == !display.isEmpty(), "a first block shows what its display text holds");
    if (shown) {
        fuzzCheck(plain.out.size() == 1, "one pane text a title");
        fuzzCheck(plain.out[0] == display.left(4094) + u'\n', "the pane shows the display text");
        fuzzCheck(plain.meta.currentTitle == display, "the shown title is the current one");
    } else {
        fuzzCheck(plain.out.isEmpty(), "nothing shown, nothing written");
    }
    fuzzCheck(!plain.meta.readMetadata(block.data(), length), "the same block is shown once");
    fuzzCheck(plain.meta.titleHistory.size() <= 5, "the history keeps at most five");

    static Reader recording(12.5);
    recording.out.clear();
    recording.meta.reset();
    if (recording.meta.readMetadata(block.data(), length)) {
        fuzzCheck(recording.out.size() == 1 &&
                      recording.out[0].startsWith(u"\n@ 12.5 sec. Recording Time\n"),
                  "while recording a title carries the recording time");
    }
}

void checkTags(QByteArrayView region)
{
    static Reader plain(std::nullopt);
    plain.out.clear();
    plain.meta.reset();
    const int length = int(std::min<qsizetype>(region.size(), kTagRegion));
    plain.meta.readTags(region.data(), length);
    fuzzCheck(plain.out.size() <= 4, "at most one line a tag");
    for (const QString& line : plain.out) {
        fuzzCheck(line.endsWith(u'\n'), "a tag line ends the line");
        fuzzCheck(line.startsWith(u"- Artist : ") || line.startsWith(u"- Album  : ") ||
                      line.startsWith(u"- Title  : ") || line.startsWith(u"- Genre  : "),
                  "a tag line begins with its label");
    }
    // The same tags again: nothing new to show, and the genre only on the first reading.
    plain.out.clear();
    plain.meta.readTags(region.data(), length);
    fuzzCheck(plain.out.isEmpty(), "unchanged tags are not shown again");

    for (QByteArrayView key : {"artist", "album", "title", "genre"}) {
        const QString value = oggCommentValue(region, key);
        fuzzCheck(value.size() <= region.size(), "a comment value is part of the region");
        fuzzCheck(value == value.trimmed(), "a comment value is trimmed");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    checkBlock(bytes);
    checkTags(bytes);
    return 0;
}
