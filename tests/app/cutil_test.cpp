#include "app/cutil.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include "tests/support/printers.h"

#include <gtest/gtest.h>
#include <ostream>

using namespace Qt::StringLiterals;

namespace {

TEST(CUtil, FileSizeTellsMissingEmptyAndSizedFilesApart)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    {
        QFile empty(dir.filePath(u"empty.bin"_s));
        ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
        QFile sized(dir.filePath(u"sized.bin"_s));
        ASSERT_TRUE(sized.open(QIODevice::WriteOnly));
        sized.write(QByteArray(1234, 'x'));
    }
    const struct {
        QString path;
        qint64 size;
        QString canonical;
    } rows[] = {
        {QString(), -2, QString()},
        {dir.filePath(u"missing.bin"_s), -1, dir.filePath(u"missing.bin"_s)},
        {dir.path(), -1, dir.path()},
        {dir.filePath(u"empty.bin"_s), 0, dir.filePath(u"empty.bin"_s)},
        {dir.filePath(u"sized.bin"_s), 1234, dir.filePath(u"sized.bin"_s)},
        // The caller's path comes back in canonical form.
        {dir.path() + u"/./x/../sized.bin"_s, 1234, dir.filePath(u"sized.bin"_s)},
        {dir.path() + u"\\sized.bin"_s, 1234, dir.filePath(u"sized.bin"_s)},
    };
    for (const auto& r : rows) {
        QString path = r.path;
        EXPECT_EQ(CUtil::FileSize(path), r.size) << r.path.toStdString();
        EXPECT_EQ(path, r.canonical);
    }
}

TEST(CUtil, IsDirectoryAndRemoveIfEmpty)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QString folder = dir.path() + u"/."_s;
    EXPECT_TRUE(CUtil::IsDirectory(folder));
    EXPECT_EQ(folder, dir.path());
    QString none;
    EXPECT_FALSE(CUtil::IsDirectory(none));

    const QString empty = dir.filePath(u"empty.info"_s), full = dir.filePath(u"full.info"_s);
    {
        QFile e(empty);
        ASSERT_TRUE(e.open(QIODevice::WriteOnly));
        QFile f(full);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    QString file = full;
    EXPECT_FALSE(CUtil::IsDirectory(file));
    CUtil::RemoveIfEmpty(empty);
    CUtil::RemoveIfEmpty(full);
    CUtil::RemoveIfEmpty(dir.filePath(u"missing"_s));
    CUtil::RemoveIfEmpty(dir.path());
    EXPECT_FALSE(QFile::exists(empty));
    EXPECT_TRUE(QFile::exists(full));
    EXPECT_TRUE(QDir(dir.path()).exists());
}

TEST(CUtil, FolderOfCutsAtTheLastSeparator)
{
    const struct {
        QString path;
        QString folder;
    } rows[] = {
        {u"/music/Kestrelwave/list.txt"_s, u"/music/Kestrelwave"_s},
        {u"C:\\Music\\Kestrelwave\\list.txt"_s, u"C:/Music/Kestrelwave"_s},
        {u"/music/sub/../list.txt"_s, u"/music"_s},
        {u"/a/b\\c.txt"_s, u"/a/b"_s},
        {u"folder/"_s, u"folder"_s},
        {u"list.txt"_s, QString()},
        {u"/list.txt"_s, QString()}, // the separator must come after the first character
        {QString(), QString()},
    };
    for (const auto& r : rows)
        EXPECT_EQ(CUtil::FolderOf(r.path), r.folder) << r.path.toStdString();
}

TEST(CUtil, DateTextAndDurationText)
{
    const struct {
        QDate date;
        QTime time;
        QString text;
    } dates[] = {
        {{2024, 5, 17}, {14, 5}, u"24-05-17@14h05"_s},
        {{2031, 12, 1}, {0, 0}, u"31-12-01@00h00"_s},
        {{2009, 1, 2}, {3, 4}, u" 9-01-02@03h04"_s}, // "%2d": the year is padded by a blank
        {{2000, 10, 31}, {23, 59}, u" 0-10-31@23h59"_s},
    };
    for (const auto& d : dates)
        EXPECT_EQ(CUtil::DateText(QDateTime(d.date, d.time)), d.text);
    EXPECT_TRUE(QRegularExpression(u"^[ \\d]\\d-\\d\\d-\\d\\d@\\d\\dh\\d\\d$"_s)
                    .match(CUtil::DateText())
                    .hasMatch());

    const struct {
        qint64 seconds;
        QString text;
    } durations[] = {
        {0, u"0 s"_s},
        {59, u"59 s"_s},
        {60, u"1 m 0 s"_s},
        {125, u"2 m 5 s"_s},
        {3599, u"59 m 59 s"_s},
        {3600, u"1 h 0 m 0 s"_s},
        {3661, u"1 h 1 m 1 s"_s},
        {86399, u"23 h 59 m 59 s"_s},
        {90061, u"25 h 1 m 1 s"_s},
    };
    for (const auto& d : durations)
        EXPECT_EQ(CUtil::DurationText(d.seconds), d.text) << d.seconds;
}

TEST(CUtil, CleanFileNameInBothForms)
{
    const struct {
        QString text;
        QString inPlace;
        QString trimmed;
    } rows[] = {
        {u"Radio: News..."_s, u"Radio_ News..."_s, u"Radio_ News"_s},
        {u"a\nb\rc\td\\e\"f<g>h:i/j|k?l*m"_s, u"a_b_c_d_e_f_g_h_i_j_k_l_m"_s,
         u"a_b_c_d_e_f_g_h_i_j_k_l_m"_s},
        {u"Jazz & Blues (live) #1 'best'"_s, u"Jazz & Blues (live) #1 'best'"_s,
         u"Jazz & Blues (live) #1 'best'"_s},
        {u"Café – Fréquence"_s, u"Café – Fréquence"_s, u"Café – Fréquence"_s},
        {u"Title. _ ."_s, u"Title. _ ."_s, u"Title"_s},
        {u"News?"_s, u"News_"_s, u"News"_s},
        {u"***"_s, u"___"_s, u"_"_s}, // the first character always stays
        {u"..."_s, u"..."_s, u"."_s},
        {u" "_s, u" "_s, u" "_s},
        {QString(), QString(), QString()},
    };
    for (const auto& r : rows) {
        QString text = r.text;
        CUtil::CleanFileName(text);
        EXPECT_EQ(text, r.inPlace) << r.text.toStdString();
        EXPECT_EQ(CUtil::CleanFileNameTrimmed(r.text), r.trimmed) << r.text.toStdString();
    }
}

TEST(CUtil, ReadNumberStartsAtTheFirstDigitOrDot)
{
    const struct {
        QString text;
        std::optional<double> value;
    } rows[] = {
        {u"128"_s, 128.0},        {u"  2"_s, 2.0},       {u"abc 12.5kbps"_s, 12.5},
        {u".5"_s, 0.5},           {u"007"_s, 7.0},       {u"-5"_s, 5.0},
        {u"1e3"_s, 1000.0},       {u"1.5.3"_s, 1.5},     {u"sel 16 of 16"_s, 16.0},
        {u"x."_s, std::nullopt},  {u""_s, std::nullopt}, {u"no digits"_s, std::nullopt},
        {u"..."_s, std::nullopt},
    };
    for (const auto& r : rows)
        EXPECT_EQ(CUtil::ReadNumber(r.text), r.value) << r.text.toStdString();
}

TEST(CUtil, ContainsNoCase)
{
    const struct {
        QString text;
        QString part;
        qsizetype at;
    } rows[] = {
        {u"Kestrelwave.TXT"_s, u"txt"_s, 12},
        {u"list.Txt2"_s, u"TXT"_s, 5},
        {u"list.doc"_s, u"txt"_s, -1},
        {u"CAFÉ"_s, u"é"_s, 3},
        {u"abc"_s, u"abcd"_s, -1},
        {u""_s, u"txt"_s, -1},
    };
    for (const auto& r : rows)
        EXPECT_EQ(CUtil::ContainsNoCase(r.text, r.part), r.at) << r.text.toStdString();
}

TEST(CUtil, ToWideFallsBackToWindows1252AfterTheFirstCharacter)
{
    const struct {
        QByteArray bytes;
        QString text;
    } rows[] = {
        {"Caf\xC3\xA9", u"Café"_s},
        {"Caf\xE9", u"Café"_s},
        {"\xE9t\xE9", u"été"_s},
        {"a\x80", u"a€"_s},
        {"Gr\xFC\xDF Gott \x93quoted\x94", u"Grüß Gott “quoted”"_s},
        // Only a bad byte after the first position counts.
        {"\xE9", u"\uFFFD"_s},
        {"\xE9t\xC3\xA9", u"\uFFFDté"_s},
        {"\xE2\x82\xAC 5", u"€ 5"_s},
        {"\xEF\xBF\xBD ok", u"\uFFFD ok"_s},
        {"", QString()},
    };
    for (const auto& r : rows)
        EXPECT_EQ(CUtil::ToWide(r.bytes), r.text) << r.bytes.toHex().constData();
    EXPECT_EQ(CUtil::ToUtf8(u"Café €"_s), QByteArray("Caf\xC3\xA9 \xE2\x82\xAC"));
    EXPECT_EQ(CUtil::ToWide(CUtil::ToUtf8(u"Классика 東京"_s)), u"Классика 東京"_s);
}

} // namespace
