#include "programme/programmetable.h"

#include "platform/codepage.h"

#include <QFile>

QByteArray programmeTableText()
{
    QFile file(QStringLiteral(":/programme/programmes.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

const ProgrammeTable& builtInProgrammeTable()
{
    static const ProgrammeTable table = loadProgrammeTable(programmeTableText());
    return table;
}

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

} // namespace

ProgrammeTable loadProgrammeTable(QByteArrayView text)
{
    static const QString leadingJunk = QStringLiteral(" \\\t\n\r.,':;|?+=^%*$&)\"");
    ProgrammeTable table;
    for (QByteArrayView raw : QByteArray::fromRawData(text.data(), text.size()).split('\n')) {
        if (raw.isEmpty())
            continue;
        QString line = platform::fromWindows1252(raw);
        qsizetype begin = 0;
        while (begin < line.size() && leadingJunk.contains(line.at(begin)))
            ++begin;
        qsizetype end = line.size();
        while (end > begin && line.at(end - 1).unicode() <= 0x20)
            --end;
        line = line.mid(begin, end - begin);

        qsizetype gap = 0;
        while (gap < line.size() && !isBlank(line.at(gap)))
            ++gap;
        if (gap == line.size())
            continue;
        const qsizetype pageStart = line.indexOf(u"http", gap);
        if (pageStart < 0)
            continue;
        qsizetype pageEnd = pageStart;
        while (pageEnd < line.size() && !isBlank(line.at(pageEnd)))
            ++pageEnd;
        qsizetype nameStart = pageEnd;
        while (nameStart < line.size() && isBlank(line.at(nameStart)))
            ++nameStart;

        table.keys.push_back(platform::toWindows1252(QStringView(line).left(gap)));
        table.pages.push_back(
            platform::toWindows1252(QStringView(line).mid(pageStart, pageEnd - pageStart)));
        table.names.push_back(platform::toWindows1252(QStringView(line).mid(nameStart)));
    }
    return table;
}

int findProgrammeRow(const ProgrammeTable& table, QByteArrayView address)
{
    const QByteArray lowered = address.toByteArray().toLower();
    int best = -1;
    for (int row = 0; row < table.rowCount(); ++row) {
        const QByteArray& key = table.keys[std::size_t(row)];
        if (key.isEmpty() || !lowered.contains(key.toLower()))
            continue;
        if (best < 0 || key.size() > table.keys[std::size_t(best)].size())
            best = row;
    }
    if (best >= 0 && table.pages[std::size_t(best)].isEmpty())
        return -1;
    return best;
}
