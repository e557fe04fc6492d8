#include "fuzz/fuzzcheck.h"
#include "fuzz/listwritable.h"
#include "stations/editing.h"

#include <QByteArrayView>
#include <QString>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte chooses whether the text carries the header the program writes, so
    // that the fuzzer need not find it before reaching the rows.
    QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    if (data[0] & 1)
        text.prepend(QString::fromUtf16(kClipboardHeader) + u'\n');
    const std::vector<ListEntry> rows = parseClipboardText(text);
    if (!text.contains(QStringView(kClipboardHeader))) {
        fuzzCheck(rows.empty(), "no rows without the header");
        return 0;
    }
    fuzzCheck(qsizetype(rows.size()) <= text.count(u'\n'), "at most one row per line");
    bool allWritable = true;
    for (const ListEntry& e : rows) {
        fuzzCheck(!e.url.isEmpty() || !e.name.isEmpty(), "a row is a station or a category");
        fuzzCheck(e.url.isEmpty() || e.url.startsWith(u"http", Qt::CaseInsensitive),
                  "a pasted station's URL begins with http");
        allWritable = allWritable && listWritable(e.url, true) && listWritable(e.name, false);
    }
    // Copying the pasted rows (when the grammar can hold them) and pasting them again gives the
    // same rows.
    if (!allWritable)
        return 0;
    const std::vector<ListEntry> again = parseClipboardText(clipboardText(rows));
    fuzzCheck(again.size() == rows.size(), "a copy pastes as many rows");
    for (std::size_t i = 0; i < rows.size(); ++i) {
        fuzzCheck(again[i].url == rows[i].url, "a copy keeps each URL");
        fuzzCheck(again[i].name == rows[i].name, "a copy keeps each name");
    }
    return 0;
}
