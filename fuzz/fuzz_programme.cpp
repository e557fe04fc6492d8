#include "fuzz/fuzzcheck.h"
#include "platform/codepage.h"
#include "programme/programmeparser.h"
#include "programme/programmetable.h"

#include <QByteArray>
#include <algorithm>
#include <cstdint>

namespace {

bool lineKept(const QString& line)
{
    if (line.isEmpty())
        return true;
    const qsizetype n = platform::toWindows1252(line).size();
    return n >= 3 && n <= 160 && !line.contains(u'"') && !line.contains(u'\\');
}

bool timeKept(qint64 t)
{
    // 3 to 19 digits; leading zeros may make a small value.
    return t >= 0;
}

} // namespace

// A programme page, read at the time of its leading number, as the page of the main channel
// (no channel name) and of a sub-channel; the same bytes as a programme table and as a
// response's header lines.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray body(reinterpret_cast<const char*>(data), qsizetype(size));
    const qint64 now = leadingNumber(body);
    const std::vector<QByteArray> names = {"jazz", "Concerts Radio France", "nouveautes"};
    for (const QByteArray& channel : {QByteArray(), QByteArray("jazz")}) {
        const ProgrammePage page = parseProgrammePage(body, channel, names, now);
        for (const auto* record :
             {page.current ? &*page.current : nullptr, page.next ? &*page.next : nullptr}) {
            if (!record)
                continue;
            for (const QString& line : record->lines)
                fuzzCheck(lineKept(line), "a line is 3-160 bytes without quotes or backslashes");
            fuzzCheck(timeKept(record->startTime) && timeKept(record->endTime),
                      "a time is a decimal number, never negative");
            fuzzCheck(!std::all_of(record->lines.begin(), record->lines.end(),
                                   [](const QString& l) { return l.isEmpty(); }),
                      "an accepted programme has a line");
        }
        fuzzCheck(!page.next || page.next->startTime == 0 || page.next->startTime > now + 5,
                  "a next programme has not started yet");
        fuzzCheck(page.stopNextTimer == (page.current || page.next),
                  "the one-shot is cancelled exactly when a block was accepted");
        const ProgrammeReport report = programmeReport(page, now, std::nullopt);
        for (const QString& text : report.texts)
            fuzzCheck(text.endsWith(u'\n'), "every pane text ends its line");
        fuzzCheck(!report.nextTimerMs || (report.nextShown && *report.nextTimerMs > 20),
                  "the one-shot is armed only for a shown next programme still to come");
    }

    const ProgrammeTable table = loadProgrammeTable(body);
    for (int row = 0; row < table.rowCount(); ++row) {
        const QByteArray& key = table.keys[std::size_t(row)];
        const QByteArray& page = table.pages[std::size_t(row)];
        fuzzCheck(!key.isEmpty() && !key.contains(' ') && !key.contains('\t'), "a key is one word");
        fuzzCheck(page.startsWith("http") && !page.contains(' ') && !page.contains('\t'),
                  "a page address is one word beginning with http");
    }
    const int row = findProgrammeRow(table, body);
    fuzzCheck(row < table.rowCount(), "the matched row exists");

    if (const std::optional<QByteArray> tag = entityTag(body))
        fuzzCheck(tag->startsWith('"') && tag->size() >= 2 && !tag->mid(2).contains('"'),
                  "a tag is a quote and what follows up to the next quote after the one beside it");

    const QString label = foldChannelLabel(platform::fromWindows1252(body.left(64)));
    fuzzCheck(label.size() == platform::fromWindows1252(body.left(64)).size(),
              "folding replaces letter by letter");
    return 0;
}
