#include "app/cutil.h"

#include "platform/codepage.h"
#include "platform/connectivity.h"
#include "platform/folders.h"
#include "platform/urlcheck.h"

#include <QFile>
#include <QFileInfo>
#include <charconv>

qint64 CUtil::FileSize(QString& path)
{
    if (path.isEmpty())
        return -2;
    path = platform::canonicalPath(path);
    const QFileInfo info(path);
    if (info.isDir())
        return -1;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return file.size();
}

bool CUtil::IsDirectory(QString& path)
{
    if (path.isEmpty())
        return false;
    path = platform::canonicalPath(path);
    return platform::isDirectory(path);
}

void CUtil::RemoveIfEmpty(QString path)
{
    if (FileSize(path) == 0)
        QFile::remove(path);
}

bool CUtil::HasUtf16Bom(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(2);
    return head.size() == 2 && static_cast<unsigned char>(head[0]) == 0xFF &&
           static_cast<unsigned char>(head[1]) == 0xFE;
}

QString CUtil::ProgramFolder()
{
    return platform::programFolder();
}

QString CUtil::FolderOf(const QString& path)
{
    const qsizetype cut = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    if (cut < 1)
        return {};
    return platform::canonicalPath(path.left(cut));
}

QString CUtil::FileNameOf(const QString& path)
{
    return path.mid(std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\')) + 1);
}

QString CUtil::WithExtension(const QString& path, const QString& ext)
{
    return path.left(path.lastIndexOf(u'.') + 1) + ext;
}

QString CUtil::DateText()
{
    return DateText(QDateTime::currentDateTime());
}

QString CUtil::DateText(const QDateTime& local)
{
    const QDate d = local.date();
    const QTime t = local.time();
    return QStringLiteral("%1-%2-%3@%4h%5")
        .arg(d.year() - 2000, 2)
        .arg(d.month(), 2, 10, QLatin1Char('0'))
        .arg(d.day(), 2, 10, QLatin1Char('0'))
        .arg(t.hour(), 2, 10, QLatin1Char('0'))
        .arg(t.minute(), 2, 10, QLatin1Char('0'));
}

QString CUtil::DurationText(qint64 seconds)
{
    const qint64 h = seconds / 3600, m = (seconds / 60) % 60, s = seconds % 60;
    if (h > 0)
        return QStringLiteral("%1 h %2 m %3 s").arg(h).arg(m).arg(s);
    if (m > 0)
        return QStringLiteral("%1 m %2 s").arg(m).arg(s);
    return QStringLiteral("%1 s").arg(s);
}

void CUtil::CleanFileName(QString& text)
{
    for (QChar& c : text) {
        switch (c.unicode()) {
        case u'\n':
        case u'\r':
        case u'\t':
        case u'\\':
        case u'"':
        case u'<':
        case u'>':
        case u':':
        case u'/':
        case u'|':
        case u'?':
        case u'*':
            c = u'_';
            break;
        default:
            break;
        }
    }
}

QString CUtil::CleanFileNameTrimmed(QString text)
{
    CleanFileName(text);
    qsizetype end = text.size();
    while (end > 1 && QStringView(u" _.").contains(text[end - 1]))
        --end;
    text.truncate(end);
    return text;
}

bool CUtil::IsUrl(const QString& text)
{
    return platform::isValidUrl(text);
}

bool CUtil::IsOnline()
{
    return platform::isOnline();
}

qsizetype CUtil::ContainsNoCase(QStringView text, QStringView part)
{
    return text.indexOf(part, 0, Qt::CaseInsensitive);
}

std::optional<double> CUtil::ReadNumber(QStringView text)
{
    qsizetype start = 0;
    while (start < text.size() && !QStringView(u".0123456789").contains(text[start]))
        ++start;
    if (start == text.size())
        return std::nullopt;
    const QByteArray utf8 = text.mid(start).toUtf8();
    double value = 0;
    const auto [end, ec] = std::from_chars(utf8.constData(), utf8.constData() + utf8.size(), value,
                                           std::chars_format::general);
    if (ec != std::errc() || end == utf8.constData())
        return std::nullopt;
    return value;
}

QString CUtil::ToWide(QByteArrayView text)
{
    QString wide = QString::fromUtf8(text);
    if (wide.indexOf(QChar(QChar::ReplacementCharacter), 1) >= 1)
        return platform::fromWindows1252(text);
    return wide;
}

QByteArray CUtil::ToUtf8(QStringView text)
{
    return text.toUtf8();
}
