#include "stations/listfile.h"
#include "stations/stationlist.h"
#include "tests/support/scriptedmessageboxes.h"
#include "tests/support/testhost.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <ostream>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

std::vector<ListEntry> entriesOf(const StationList& list)
{
    std::vector<ListEntry> out;
    for (qsizetype i = 0; i < list.count(); ++i)
        out.push_back(list.entry(i));
    return out;
}

// A byte-order mark and the text in UTF-16 little-endian.
QByteArray utf16le(const QString& text, bool bom = true)
{
    QByteArray out = bom ? QByteArray("\xFF\xFE", 2) : QByteArray();
    for (QChar c : text) {
        out += char(c.unicode() & 0xFF);
        out += char(c.unicode() >> 8);
    }
    return out;
}

const QString u1 = u"http://192.0.2.1/a"_s;
const QString u2 = u"http://192.0.2.2:8000/b.mp3"_s;
const QString u3 = u"http://192.0.2.3/c"_s;

TEST(ListFile, LoadsEveryEncoding)
{
    const struct {
        const char* what;
        QByteArray bytes;
        std::vector<ListEntry> expected;
    } rows[] = {
        {"UTF-8, LF",
         "#Radio One \thttp://192.0.2.1/a \tmp3_128k\n\nJazz\nSmooth Jazz \t"
         "http://192.0.2.2:8000/b.mp3\n",
         {{u"Radio One"_s, u1, MARK_MODIFIED, u"mp3_128k"_s},
          {u"Jazz"_s, {}, 0, {}},
          {u"Smooth Jazz"_s, u2, 0, {}}}},
        {"UTF-8, CRLF, no final line end",
         "#Radio One \thttp://192.0.2.1/a \tmp3_128k\r\n\r\nJazz\r\nhttp://192.0.2.3/c",
         {{u"Radio One"_s, u1, MARK_MODIFIED, u"mp3_128k"_s},
          {u"Jazz"_s, {}, 0, {}},
          {{}, u3, 0, {}}}},
        {"UTF-8, non-ASCII names",
         "Fr\xC3\xA9quence Caf\xC3\xA9 \thttp://192.0.2.1/a\n"
         "\xD0\x9A\xD0\xBB\xD0\xB0\xD1\x81\xD1\x81\xD0\xB8\xD0\xBA\xD0\xB0 \t"
         "http://192.0.2.2:8000/b.mp3 \tmp3\n",
         {{u"Fréquence Café"_s, u1, 0, {}}, {u"Классика"_s, u2, 0, u"mp3"_s}}},
        {"Windows-1252 lines between UTF-8 ones",
         "Fr\xE9quence Caf\xE9 \thttp://192.0.2.1/a\n"
         "Caf\xC3\xA9 \thttp://192.0.2.2:8000/b.mp3\n"
         "Radio \x80uro \thttp://192.0.2.3/c\n",
         {{u"Fréquence Café"_s, u1, 0, {}}, {u"Café"_s, u2, 0, {}}, {u"Radio €uro"_s, u3, 0, {}}}},
        {"UTF-16LE with byte-order mark, first line a URL",
         utf16le(
             u"http://192.0.2.1/a \taac\r\nJazz\r\nRadio Ünï \thttp://192.0.2.2:8000/b.mp3\r\n"_s),
         {{{}, u1, 0, u"aac"_s}, {u"Jazz"_s, {}, 0, {}}, {u"Radio Ünï"_s, u2, 0, {}}}},
        {"UTF-16LE with byte-order mark, first line a category",
         utf16le(u"Jazz\n#Radio € \thttp://192.0.2.3/c\n"_s),
         {{u"Jazz"_s, {}, 0, {}}, {u"Radio €"_s, u3, MARK_MODIFIED, {}}}},
        {"INVALID names",
         "INVALID \thttp://192.0.2.1/a\nINVALID \thttp://192.0.2.3/c \togg\n",
         {{u"INVALID"_s, u1, 0, {}}, {u"INVALID"_s, u3, 0, u"ogg"_s}}},
        {"empty file", "", {}},
        {"only blank and junk lines", "\n\n\r\n...\n#\n", {}},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const auto& r : rows) {
        const QString path = dir.filePath(u"list.txt"_s);
        writeFile(path, r.bytes);
        TestHost host;
        StationList list(&host);
        ASSERT_TRUE(list.LoadList(path)) << r.what;
        EXPECT_EQ(entriesOf(list), r.expected) << r.what;
        EXPECT_TRUE(host.msgs.boxes().empty()) << r.what;
    }
}

TEST(ListFile, Utf16WithoutByteOrderMarkIsReadAsEightBitText)
{
    const std::vector<ListEntry> entries =
        decodeListFile(utf16le(u"Radio One \thttp://192.0.2.1/a\nJazz\n"_s, false));
    // The zero bytes between the letters keep "http" from being seen.
    ASSERT_FALSE(entries.empty());
    for (const ListEntry& e : entries)
        EXPECT_TRUE(e.url.isEmpty()) << e.name.toStdString();
    EXPECT_EQ(entries.front().name.left(3), QString(u"R\0a"_s));
}

TEST(ListFile, LoadResetsTheListStateAndCanonicalisesThePath)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"sub"_s));
    writeFile(dir.filePath(u"Radio List.txt"_s),
              "A \thttp://192.0.2.1/a\nB \thttp://192.0.2.3/c\n");
    TestHost host;
    StationList list(&host);
    list.selectedIndex = 5;
    ASSERT_TRUE(list.LoadList(dir.path() + u"/sub/./../Radio List.txt"_s));
    EXPECT_EQ(list.listPath, dir.path() + u"/Radio List.txt"_s);
    EXPECT_EQ(host.window.title, u"Radio List.txt"_s);
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(list.selectedIndex, -1);
    EXPECT_EQ(host.window.perListResets, 1);
    EXPECT_EQ(host.settingsWrites, 1);
    EXPECT_EQ(list.historyStored(), 1);
    EXPECT_FALSE(list.isModified());
}

TEST(ListFile, DuplicatesRemovedAtLoadAreReportedInTheLanguage)
{
    const struct {
        std::uint32_t lang;
        QByteArray bytes;
        qsizetype left;
        QString message; // empty: no box
    } rows[] = {
        {1033, "A \thttp://192.0.2.1/a\nB \thttp://192.0.2.1/a\n", 1,
         u" 1 duplicated URLs removed from the list"_s},
        {1033, "http://192.0.2.1/a\nJazz\nhttp://192.0.2.1/a\nJazz\nhttp://192.0.2.1/a\n", 2,
         u" 3 duplicated URLs removed from the list"_s},
        {1036, "A \thttp://192.0.2.1/a\nB \thttp://192.0.2.1/a\n", 1,
         u" 1 URLs dupliqués ont été retirés de la liste"_s},
        {1031, "A \thttp://192.0.2.1/a\nB \thttp://192.0.2.1/a\n", 1,
         u" 1 doppelte URLs wurden aus der Liste entfernt"_s},
        {1033, "A \thttp://192.0.2.1/a\nA \thttp://192.0.2.1/A\n", 2, {}},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(u"list.txt"_s);
    for (const auto& r : rows) {
        writeFile(path, r.bytes);
        TestHost host;
        host.lang = r.lang;
        StationList list(&host);
        ASSERT_TRUE(list.LoadList(path));
        EXPECT_EQ(list.count(), r.left) << r.bytes.constData();
        if (r.message.isEmpty()) {
            EXPECT_TRUE(host.msgs.boxes().empty()) << r.bytes.constData();
            continue;
        }
        ASSERT_EQ(host.msgs.boxes().size(), 1u) << r.bytes.constData();
        EXPECT_EQ(host.msgs.boxes()[0].text, r.message);
        EXPECT_EQ(host.msgs.boxes()[0].icon, BoxIcon::Information);
        // The list as cleaned is what counts as loaded.
        EXPECT_FALSE(list.isModified());
    }
}

TEST(ListFile, OversizedFileIsRefusedAndTheListStays)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString good = dir.filePath(u"good.txt"_s);
    writeFile(good, "A \thttp://192.0.2.1/a\n");
    const QString huge = dir.filePath(u"huge.txt"_s);
    QFile f(huge);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_TRUE(f.resize(StationList::kMaxListFileBytes + 1)); // sparse: no disk is used
    f.close();
    TestHost host;
    StationList list(&host);
    ASSERT_TRUE(list.LoadList(good));
    host.msgs.clear();
    EXPECT_FALSE(list.LoadList(huge));
    ASSERT_EQ(host.msgs.boxes().size(), 1u);
    EXPECT_TRUE(host.msgs.boxes()[0].text.contains(u"larger than 64 MiB"_s));
    EXPECT_EQ(list.listPath, good);
    ASSERT_EQ(list.count(), 1);
}

TEST(ListFile, LoadThatCannotOpenKeepsThePreviousListSilently)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString good = dir.filePath(u"good.txt"_s);
    writeFile(good, "A \thttp://192.0.2.1/a\n");
    for (const QString& bad : {dir.filePath(u"missing.txt"_s), QString(), dir.path()}) {
        TestHost host;
        StationList list(&host);
        ASSERT_TRUE(list.LoadList(good));
        host.msgs.clear();
        EXPECT_FALSE(list.LoadList(bad)) << bad.toStdString();
        EXPECT_TRUE(host.msgs.boxes().empty());
        EXPECT_EQ(list.listPath, good);
        ASSERT_EQ(list.count(), 1);
        EXPECT_EQ(list.url(0), u1);
        EXPECT_EQ(host.settingsWrites, 1);
    }
}

TEST(ListFile, SaveWritesTheExactBytesAndLoadsBack)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(u"saved.txt"_s);
    TestHost host;
    StationList list(&host);
    list.assign({{u"Rock"_s, {}, 0, {}},
                 {u"Radio One"_s, u1, MARK_MODIFIED, u"mp3_128k"_s},
                 {{}, u2, 0, u"aac"_s},
                 {u"INVALID"_s, u3, 0, {}},
                 {u"Kept"_s, u"http://192.0.2.4/"_s, MARK_MODIFIED | MARK_INVALID, {}},
                 {u"Lost"_s, u"http://192.0.2.5/"_s, MARK_INVALID, u"ogg"_s},
                 {u"Café Jazz"_s, {}, 0, {}},
                 {u"Fréquence"_s, u"http://192.0.2.6/ü"_s, 0, {}}});
    list.ResetHistory();
    list.PushHistory();
    ASSERT_EQ(list.historyStored(), 2);
    ASSERT_TRUE(list.isModified()); // against the empty snapshot of a new list

    ASSERT_TRUE(list.SaveList(path));
    const QByteArray expected = "\nRock\n"
                                "#Radio One \thttp://192.0.2.1/a \tmp3_128k\n"
                                "http://192.0.2.2:8000/b.mp3 \taac\n"
                                "INVALID \thttp://192.0.2.3/c\n"
                                "#Kept \thttp://192.0.2.4/\n"
                                "Lost \thttp://192.0.2.5/ \togg\n"
                                "\nCaf\xC3\xA9 Jazz\n"
                                "Fr\xC3\xA9quence \thttp://192.0.2.6/\xC3\xBC\n";
    EXPECT_EQ(readFile(path), expected);
    EXPECT_EQ(list.listPath, path);
    EXPECT_EQ(host.window.title, u"saved.txt"_s);
    EXPECT_EQ(host.settingsWrites, 1);
    EXPECT_EQ(list.historyStored(), 1);
    EXPECT_FALSE(list.isModified());
    EXPECT_TRUE(host.msgs.boxes().empty());

    TestHost host2;
    StationList back(&host2);
    ASSERT_TRUE(back.LoadList(path));
    const std::vector<ListEntry> want = {{u"Rock"_s, {}, 0, {}},
                                         {u"Radio One"_s, u1, MARK_MODIFIED, u"mp3_128k"_s},
                                         {{}, u2, 0, u"aac"_s},
                                         {u"INVALID"_s, u3, 0, {}},
                                         {u"Kept"_s, u"http://192.0.2.4/"_s, MARK_MODIFIED, {}},
                                         {u"Lost"_s, u"http://192.0.2.5/"_s, 0, u"ogg"_s},
                                         {u"Café Jazz"_s, {}, 0, {}},
                                         {u"Fréquence"_s, u"http://192.0.2.6/ü"_s, 0, {}}};
    EXPECT_EQ(entriesOf(back), want);

    // Saving what was loaded gives the same file again.
    const QString again = dir.filePath(u"again.txt"_s);
    ASSERT_TRUE(back.SaveList(again));
    EXPECT_EQ(readFile(again), expected);
}

TEST(ListFile, SaveIntoAMissingFolderReportsThePath)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(u"no such folder/list.txt"_s);
    const struct {
        std::uint32_t lang;
        QString text;
    } rows[] = {
        {1033, u"Sorry, could not open or create "_s + path},
        {1036, u"Désolé, impossible d'ouvrir ou de créer "_s + path},
        {1031, u"Die Datei "_s + path + u" kann nicht erstellt werden"_s},
    };
    for (const auto& r : rows) {
        TestHost host;
        host.lang = r.lang;
        StationList list(&host);
        list.listPath = u"/previous.txt"_s;
        list.append({u"A"_s, u1, 0, {}});
        EXPECT_FALSE(list.SaveList(path));
        ASSERT_EQ(host.msgs.boxes().size(), 1u);
        EXPECT_EQ(host.msgs.boxes()[0].text, r.text);
        EXPECT_EQ(list.listPath, u"/previous.txt"_s);
        EXPECT_EQ(host.settingsWrites, 0);
        EXPECT_FALSE(QFile::exists(path));
    }
}

TEST(ListFile, SaveThatCannotWriteLeavesTheOldFileWhole)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(u"list.txt"_s);
    const QByteArray old = "Old Station \thttp://192.0.2.9/old\n";
    writeFile(path, old);

    TestHost host;
    StationList list(&host);
    ASSERT_TRUE(list.LoadList(path));
    for (int i = 0; i < 50; ++i)
        list.append({u"Station %1"_s.arg(i), u"http://192.0.2.10/%1"_s.arg(i), 0, u"mp3"_s});
    host.msgs.clear();

    bool saved = true;
    bool limited = false;
    {
        FileSizeLimit limit(16);
        limited = limit.ok();
        if (limited)
            saved = list.SaveList(path);
    }
    ASSERT_TRUE(limited);
    EXPECT_FALSE(saved);
    EXPECT_EQ(readFile(path), old);
    // No half-written temporary file is left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"list.txt"_s});
    ASSERT_EQ(host.msgs.boxes().size(), 1u);
    EXPECT_EQ(host.msgs.boxes()[0].text, u"Sorry, could not open or create "_s + path);
    EXPECT_EQ(host.msgs.boxes()[0].icon, BoxIcon::None);
    // The list in memory is still the modified one.
    EXPECT_EQ(list.count(), 51);
    EXPECT_TRUE(list.isModified());
    EXPECT_EQ(host.settingsWrites, 1); // only the load's
}

} // namespace
