#include "programme/programmeparser.h"

#include "app/cutil.h"
#include "platform/codepage.h"

#include <algorithm>
#include <limits>

namespace {

constexpr qsizetype kLabelLength = 520;
constexpr qsizetype kNear = 256;
constexpr qint64 kFarSeconds = 1'000'000'000'000;
constexpr qint64 kMaxTimerSeconds = std::numeric_limits<int>::max() / 1000;

qsizetype find(QByteArrayView body, QByteArrayView what, qsizetype from)
{
    if (from < 0 || from > body.size())
        return -1;
    return body.indexOf(what, from);
}

bool passesTextTest(const QString& text)
{
    const QByteArray bytes = platform::toWindows1252(text).toUpper();
    const qsizetype n = bytes.size();
    if (n < 3 || n > 160)
        return false;
    qsizetype low = 0;
    for (char c : bytes)
        if (static_cast<unsigned char>(c) < 65)
            ++low;
    // Mostly digits, blanks and punctuation (a bare time of day, a date) is no title.
    return low - 4 < n / 2;
}

bool sameLabel(QStringView a, QStringView b)
{
    return a.left(kLabelLength).compare(b.left(kLabelLength), Qt::CaseInsensitive) == 0;
}

// Decimal digits only, 3 to 19 of them (fits a signed 64-bit value).
qint64 timeValue(QByteArrayView digits)
{
    if (digits.size() < 3 || digits.size() > 19)
        return 0;
    constexpr qint64 kMax = std::numeric_limits<qint64>::max();
    qint64 value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return 0;
        // 19 digits can pass the 64-bit range: such a time saturates, as strtoll's does.
        const int digit = c - '0';
        value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
    }
    return value;
}

struct Block {
    ProgrammeRecord record;
    std::array<qsizetype, 3> keys{-1, -1, -1};
};

// Finds one of the line keys from `from`, else "title:".
qsizetype findKey(QByteArrayView body, QByteArrayView key, qsizetype from, qsizetype* length)
{
    qsizetype at = find(body, key, from);
    *length = key.size();
    if (at < 0) {
        at = find(body, "title:", from);
        *length = 6;
    }
    return at;
}

std::optional<Block> parseBlock(QByteArrayView body, qsizetype p)
{
    static constexpr std::array<QByteArrayView, 3> lineKeys = {
        "firstLine:", "secondLine:", "thirdLine:"};
    Block block;
    qsizetype from = p + 16;
    for (int i = 0; i < 3; ++i) {
        qsizetype length = 0;
        const qsizetype key = findKey(body, lineKeys[std::size_t(i)], from, &length);
        if (key < 0) {
            if (i == 0)
                return std::nullopt;
            break;
        }
        block.keys[std::size_t(i)] = key;
        qsizetype end = key + length;
        block.record.lines[std::size_t(i)] = quotedString(body, key, &end);
        from = end;
    }

    // The times stand before the lines, near one of the first two keys.
    qsizetype start = -1;
    for (int i = 0; i < 2 && start < 0; ++i) {
        const qsizetype key = block.keys[std::size_t(i)];
        if (key < 0)
            continue;
        const qsizetype at = body.first(key).lastIndexOf(QByteArrayView(",startTime:"));
        if (at >= 0 && key - at < kNear)
            start = at;
    }
    if (start >= 0) {
        const qsizetype digits = start + 11;
        const qsizetype endKey = find(body, ",endTime:", digits);
        if (endKey >= 0) {
            block.record.startTime = timeValue(body.sliced(digits, endKey - digits));
            const qsizetype endDigits = endKey + 9;
            const qsizetype comma = find(body, ",", endDigits);
            if (comma >= 0)
                block.record.endTime = timeValue(body.sliced(endDigits, comma - endDigits));
        }
    }
    return block;
}

struct Walker {
    QByteArrayView body;
    QString rowName;
    QStringList otherNames;

    // The block at hit when it belongs to the row's channel and has a line close enough.
    std::optional<ProgrammeRecord> accept(qsizetype hit) const
    {
        const std::optional<Block> block = parseBlock(body, hit);
        if (!block)
            return std::nullopt;
        const QString label = foldChannelLabel(block->record.lines[2]);
        if (rowName.isEmpty()) {
            for (const QString& name : otherNames)
                if (sameLabel(label, name))
                    return std::nullopt;
        } else if (!sameLabel(label, rowName)) {
            return std::nullopt;
        }
        for (int i = 0; i < 3; ++i) {
            const qsizetype key = block->keys[std::size_t(i)];
            if (key >= 0 && key - hit < kNear && !block->record.lines[std::size_t(i)].isEmpty())
                return block->record;
        }
        return std::nullopt;
    }
};

} // namespace

QString quotedString(QByteArrayView body, qsizetype key, qsizetype* end)
{
    const qsizetype open = find(body, "\"", key);
    if (open < 0)
        return {};
    qsizetype close = find(body, "\"", open + 1);
    while (close > 0 && body[close - 1] == '\\')
        close = find(body, "\"", close + 1);
    if (close < 0)
        return {};
    *end = close + 1;
    const QByteArrayView inside = body.sliced(open + 1, close - open - 1);
    if (inside.size() < 2 || inside.size() > 160)
        return {};
    QByteArray kept;
    kept.reserve(inside.size());
    for (char c : inside)
        if (c != '\\' && c != '"')
            kept.append(c);
    QString text = QString::fromUtf8(kept);
    return passesTextTest(text) ? text : QString();
}

QString foldChannelLabel(const QString& text)
{
    // Æ and æ keep their first letter, Ð and ð read as d, Þ and þ as t, ß as s; × and ÷ are
    // no letters and stay.
    static constexpr char kFold[64 + 1] = "AAAAAAACEEEEIIIIDNOOOOO\xD7OUUUUYTs"
                                          "aaaaaaaceeeeiiiidnooooo\xF7ouuuuyty";
    QByteArray bytes = platform::toWindows1252(text);
    for (char& c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0xC0)
            c = kFold[b - 0xC0];
    }
    return platform::fromWindows1252(bytes);
}

ProgrammePage parseProgrammePage(QByteArrayView body, QByteArrayView channelName,
                                 const std::vector<QByteArray>& allNames, qint64 now)
{
    ProgrammePage page;
    if (body.isEmpty())
        return page;
    Walker walker{body, platform::fromWindows1252(channelName), {}};
    for (const QByteArray& name : allNames)
        if (!name.isEmpty())
            walker.otherNames << platform::fromWindows1252(name);

    bool currentComplete = false;
    for (qsizetype hit = find(body, ",next:", 10); hit >= 0; hit = find(body, ",next:", hit + 10)) {
        std::optional<ProgrammeRecord> record = walker.accept(hit);
        if (!record)
            continue;
        page.stopNextTimer = true;
        if (record->startTime != 0 && now + 5 >= record->startTime) {
            // Announced as next, but already on air.
            currentComplete = record->endTime != 0;
            page.current = std::move(record);
            continue;
        }
        page.next = std::move(record);
        break;
    }
    if (!currentComplete) {
        for (qsizetype hit = find(body, ",now:", 10); hit >= 0;
             hit = find(body, ",now:", hit + 10)) {
            if (std::optional<ProgrammeRecord> record = walker.accept(hit)) {
                page.stopNextTimer = true;
                page.current = std::move(record);
                break;
            }
        }
    }
    return page;
}

std::optional<QByteArray> entityTag(QByteArrayView headerText)
{
    // Header names are case-blind (HTTP/2 servers send them in lower case).
    const qsizetype at = headerText.toByteArray().toLower().indexOf(QByteArrayView("etag:"));
    if (at < 0)
        return std::nullopt;
    const qsizetype open = headerText.indexOf('"', at + 2);
    if (open < 0)
        return std::nullopt;
    const qsizetype close = headerText.indexOf('"', open + 2);
    if (close < 0)
        return std::nullopt;
    return headerText.sliced(open, close - open).toByteArray();
}

QString durationText(qint64 seconds)
{
    return CUtil::DurationText(seconds);
}

QString programmeLinesText(const std::array<QString, 3>& lines)
{
    QString text;
    const auto show = [&text](const QString& line) { text += u"- " + line + u'\n'; };
    if (!lines[0].isEmpty())
        show(lines[0]);
    if (!lines[1].isEmpty() && lines[1] != lines[0])
        show(lines[1]);
    if (!lines[2].isEmpty() && lines[2] != lines[0] && lines[2] != lines[1])
        show(lines[2]);
    return text;
}

QString separatorText(std::optional<double> recordingSeconds)
{
    if (!recordingSeconds)
        return QStringLiteral("\n");
    return QStringLiteral("\n@ %1 sec. Recording Time\n").arg(*recordingSeconds, 0, 'f', 1);
}

ProgrammeReport programmeReport(const ProgrammePage& page, qint64 now,
                                std::optional<double> recordingSeconds)
{
    ProgrammeReport report;
    const auto addLines = [&report](const std::array<QString, 3>& lines) {
        if (QString text = programmeLinesText(lines); !text.isEmpty())
            report.texts << text;
    };
    ProgrammeRecord current;
    if (page.current) {
        current = *page.current;
        report.texts << separatorText(recordingSeconds);
        const qint64 remaining = current.endTime - now;
        if (remaining >= 1 && remaining <= 9999)
            report.texts << QStringLiteral("Playing for %1\n").arg(durationText(remaining));
        else
            report.texts << QStringLiteral("Playing\n");
        addLines(current.lines);
    }
    if (page.next && page.next->lines != current.lines) {
        const ProgrammeRecord& next = *page.next;
        const qint64 wait = next.startTime - now;
        if (next.startTime != 0 && next.endTime != 0 && wait > 0) {
            // A start thousands of years ahead is shown as such and armed as far as a timer
            // reaches, without overflowing.
            const qint64 shown = std::min<qint64>(wait, kFarSeconds) + 15;
            report.texts << QStringLiteral("\nPlaying Next in %1\n").arg(durationText(shown));
            report.nextTimerMs = std::min<qint64>(wait, kMaxTimerSeconds) * 1000 + 20;
        } else {
            report.texts << QStringLiteral("Next to play\n");
        }
        addLines(next.lines);
        report.shownNext = next.lines;
        report.nextShown = true;
    }
    return report;
}

QStringList nextProgrammeAnnouncement(const std::array<QString, 3>& next,
                                      std::optional<double> recordingSeconds)
{
    if (next[0].isEmpty() && next[1].isEmpty())
        return {};
    QStringList texts = {separatorText(recordingSeconds), QStringLiteral("Playing Now\n")};
    if (QString lines = programmeLinesText(next); !lines.isEmpty())
        texts << lines;
    return texts;
}

qint64 leadingNumber(QByteArrayView text)
{
    qsizetype i = 0;
    while (i < text.size() &&
           (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n'))
        ++i;
    qint64 value = 0;
    for (int digits = 0; i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 18;
         ++i, ++digits)
        value = value * 10 + (text[i] - '0');
    return value;
}
