#include "app/kestrelwaveapp.h"
#include "app/settings.h"
#include "platform/registrystore.h"
#include "tests/support/scriptedmessageboxes.h"
#include "tests/support/testhost.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// An application whose data folder and registry live in a temporary folder.
class Settings : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        data = dir_.path() + u"/Kestrelwave"_s;
        ASSERT_TRUE(QDir().mkdir(data));
        app = newApp();
    }

    std::unique_ptr<CKestrelwaveApp> newApp()
    {
        auto a = std::make_unique<CKestrelwaveApp>(boxes, registry);
        a->dataFolder = data;
        return a;
    }

    QString ini() const { return data + u"/Kestrelwave.ini"_s; }

    // Writes the text as the settings file and reads it into a fresh application.
    std::unique_ptr<CKestrelwaveApp> readFrom(const QByteArray& text)
    {
        writeFile(ini(), text);
        auto a = newApp();
        EXPECT_EQ(a->ReadSettings(), 1);
        return a;
    }

    QTemporaryDir dir_;
    platform::RegistryStore registry{dir_.filePath(u"registry.ini"_s)};
    ScriptedMessageBoxes boxes;
    QString data;
    std::unique_ptr<CKestrelwaveApp> app;
};

const QByteArray kDefaultColorLines = "[COLORS]\r\n"
                                      "dlg_background=160,230,220\r\n"
                                      "list_background=255,245,240\r\n"
                                      "list_header=35,130,220\r\n"
                                      "category=255,255,255\r\n"
                                      "categbkg=210,120,130\r\n"
                                      "modified=0,100,80\r\n"
                                      "valid=0,0,0\r\n"
                                      "invalid=220,0,50\r\n";
// The newest section comes last, so that the older ones keep their order.
const QByteArray kDefaultSongLines = "[SONGS]\r\nsplit=0\r\noffset_ms=0\r\nshortest_s=30\r\n";

TEST_F(Settings, WritesTheExactFileAndReadsItBack)
{
    EXPECT_EQ(app->ReadSettings(), 0);
    EXPECT_EQ(app->iniPath, ini());
    app->stations.listPath = data + u"/Kestrelwave_example.txt"_s;
    app->webSearchUrl = u"https://192.0.2.10/"_s;
    app->currentUrl = u"http://192.0.2.20:8000/live.mp3"_s;
    app->presetName[0] = u"Jazz One"_s;
    app->presetUrl[0] = u"http://192.0.2.21:8000/jazz"_s;
    app->presetUrl[2] = u"http://192.0.2.22/news.aac"_s;
    app->selectedPreset = 0;
    ASSERT_EQ(app->WriteSettings(), 1);

    const QByteArray expected = "[LIST_FILE]\r\n"
                                "list=" +
                                data.toUtf8() +
                                "/Kestrelwave_example.txt\r\n"
                                "[WEBSERVER]\r\n"
                                "url=https://192.0.2.10/\r\n"
                                "[CURRENT_URL]\r\n"
                                "url=http://192.0.2.20:8000/live.mp3\r\n"
                                "[PRESELECTIONS]\r\n"
                                "sel_1 = Jazz One \thttp://192.0.2.21:8000/jazz\r\n"
                                "sel_3 = http://192.0.2.22/news.aac\r\n"
                                "selected = 1\r\n" +
                                kDefaultColorLines + kDefaultSongLines;
    EXPECT_EQ(readFile(ini()), expected);
    EXPECT_TRUE(boxes.boxes().empty());

    auto back = newApp();
    ASSERT_EQ(back->ReadSettings(), 1);
    EXPECT_EQ(back->stations.listPath, app->stations.listPath);
    EXPECT_EQ(back->webSearchUrl, app->webSearchUrl);
    EXPECT_EQ(back->currentUrl, app->currentUrl);
    EXPECT_EQ(back->currentName, QString());
    EXPECT_EQ(back->presetUrl, app->presetUrl);
    EXPECT_EQ(back->presetName[0], u"Jazz One"_s);
    EXPECT_EQ(back->presetName[2], QString());
    EXPECT_EQ(back->selectedPreset, 0);
    EXPECT_EQ(back->colors, kDefaultColors);
}

TEST_F(Settings, SongValuesSurviveAndStayInRange)
{
    app->ReadSettings();
    app->splitSongs = 1;
    app->titleOffsetMs = -2500;
    app->shortestSongSeconds = 5;
    ASSERT_EQ(app->WriteSettings(), 1);
    auto back = newApp();
    ASSERT_EQ(back->ReadSettings(), 1);
    EXPECT_EQ(back->splitSongs, 1);
    EXPECT_EQ(back->titleOffsetMs, -2500);
    EXPECT_EQ(back->shortestSongSeconds, 5);
    auto wild = readFrom("[SONGS]\r\nsplit=7\r\noffset_ms=-99999\r\nshortest_s=x\r\n");
    EXPECT_EQ(wild->splitSongs, 1);
    EXPECT_EQ(wild->titleOffsetMs, -10000);
    EXPECT_EQ(wild->shortestSongSeconds, 30);
}

TEST_F(Settings, OptionalSectionsOnlyWhenNeeded)
{
    const struct {
        const char* what;
        QString currentUrl;
        int slot; // -1: no preselection URL
        QString slotName;
        int selected;
        QByteArray middle; // what stands between [WEBSERVER] and [COLORS]
    } rows[] = {
        {"nothing optional", {}, -1, {}, 3, ""},
        {"current URL",
         u"http://192.0.2.20/x"_s,
         -1,
         {},
         -1,
         "[CURRENT_URL]\r\nurl=http://192.0.2.20/x\r\n"},
        {"preselection, none selected",
         {},
         15,
         {},
         -1,
         "[PRESELECTIONS]\r\nsel_16 = http://192.0.2.9/p\r\n"},
        {"preselection selected",
         {},
         15,
         u"Sixteen"_s,
         15,
         "[PRESELECTIONS]\r\nsel_16 = Sixteen \thttp://192.0.2.9/p\r\nselected = 16\r\n"},
    };
    for (const auto& r : rows) {
        auto a = newApp();
        a->ReadSettings();
        a->webSearchUrl = u"https://192.0.2.10/"_s;
        a->currentUrl = r.currentUrl;
        if (r.slot >= 0) {
            a->presetUrl[size_t(r.slot)] = u"http://192.0.2.9/p"_s;
            a->presetName[size_t(r.slot)] = r.slotName;
        }
        a->presetName[4] = u"a name without URL"_s;
        a->selectedPreset = r.selected;
        ASSERT_EQ(a->WriteSettings(), 1);
        const QByteArray expected = "[LIST_FILE]\r\nlist=" + data.toUtf8() +
                                    "/Kestrelwave_example.txt\r\n"
                                    "[WEBSERVER]\r\nurl=https://192.0.2.10/\r\n" +
                                    r.middle + kDefaultColorLines + kDefaultSongLines;
        EXPECT_EQ(readFile(ini()), expected) << r.what;
        EXPECT_EQ(a->stations.listPath, data + u"/Kestrelwave_example.txt"_s) << r.what;
    }
}

TEST_F(Settings, CurrentUrlComesFromTheWindowsUrlField)
{
    FakeWindow window;
    app->setWindow(&window);
    app->ReadSettings();
    for (const QString& field : {u"http://192.0.2.30/field"_s, QString()}) {
        app->currentUrl = u"http://192.0.2.31/stale"_s;
        window.urlField = field;
        ASSERT_EQ(app->WriteSettings(), 1);
        EXPECT_EQ(app->currentUrl, field);
        const QByteArray section = "[CURRENT_URL]\r\nurl=" + field.toUtf8() + "\r\n";
        EXPECT_EQ(readFile(ini()).contains(section), !field.isEmpty());
        EXPECT_FALSE(readFile(ini()).contains("stale"));
    }
}

TEST_F(Settings, ReadsTheListFileRelativeToTheDataFolderWhenBare)
{
    const struct {
        QByteArray line;
        QString listPath;
    } rows[] = {
        {"list=mylist.txt", data + u"/mylist.txt"_s},
        {"list = spaced name.txt  ", data + u"/spaced name.txt"_s},
        {"LIST=/home/user/lists/x.txt", u"/home/user/lists/x.txt"_s},
        {"list=C:\\Music\\x.txt", u"C:\\Music\\x.txt"_s},
        {"list=lists/Müsik é.txt", u"lists/Müsik é.txt"_s},
        // The separator must stand after the first character to count.
        {"list=/x.txt", data + u"//x.txt"_s},
        {"list=", u"/kept"_s},
        {"other=x.txt", u"/kept"_s},
    };
    for (const auto& r : rows) {
        writeFile(ini(), "[LIST_FILE]\r\n" + r.line + "\r\n");
        auto a = newApp();
        a->stations.listPath = u"/kept"_s;
        ASSERT_EQ(a->ReadSettings(), 1) << r.line.constData();
        EXPECT_EQ(a->stations.listPath, r.listPath) << r.line.constData();
    }
}

TEST_F(Settings, SelectedPreselectionMustNameASlotWithAUrl)
{
    const struct {
        QByteArray value;
        int selected;
    } rows[] = {
        {"2", 1},    {"2.9", 1}, {"x2", 1},           {"-2", 1}, {"16", 15},
        {"1", 0},    {"0", -1},  {"17", -1},          {"5", -1}, {".5", -1},
        {"abc", -1}, {"", -1},   {"99999999999", -1},
    };
    for (const auto& r : rows) {
        auto a = readFrom("[PRESELECTIONS]\r\n"
                          "sel_1 = http://192.0.2.1/\r\n"
                          "sel_2 = Two \thttp://192.0.2.2/\r\n"
                          "sel_16 = http://192.0.2.16/\r\n"
                          "selected = " +
                          r.value + "\r\n");
        EXPECT_EQ(a->selectedPreset, r.selected) << r.value.constData();
    }
}

TEST_F(Settings, PreselectionsAndCurrentStationAreSplitLikeListLines)
{
    app->presetUrl[6] = u"http://192.0.2.7/old"_s;
    app->currentUrl = u"http://192.0.2.99/kept"_s;
    writeFile(ini(), "[CURRENT_URL]\r\n"
                     "url=Radio X \thttp://192.0.2.5/live \tmp3\r\n"
                     "[PRESELECTIONS]\r\n"
                     "sel_1 = Jazz One \thttp://192.0.2.21:8000/jazz\r\n"
                     "sel_2 = x\r\n"
                     "sel_3=http://192.0.2.23/news.aac \taac_64k\r\n"
                     "Sel_4 = #Mine \thttp://192.0.2.24/\r\n"
                     "sel_17 = http://192.0.2.17/\r\n");
    ASSERT_EQ(app->ReadSettings(), 1);
    EXPECT_EQ(app->currentUrl, u"http://192.0.2.5/live"_s);
    EXPECT_EQ(app->currentName, u"Radio X"_s);
    std::array<QString, kPresetSlots> urls;
    urls[0] = u"http://192.0.2.21:8000/jazz"_s;
    urls[2] = u"http://192.0.2.23/news.aac"_s;
    urls[3] = u"http://192.0.2.24/"_s;
    EXPECT_EQ(app->presetUrl, urls); // slot 7 emptied: it is not in the file
    EXPECT_EQ(app->presetName[0], u"Jazz One"_s);
    EXPECT_EQ(app->presetName[3], u"Mine"_s);

    // A current station in which no entry is found leaves the old one.
    writeFile(ini(), "[CURRENT_URL]\r\nurl=#\r\n");
    ASSERT_EQ(app->ReadSettings(), 1);
    EXPECT_EQ(app->currentUrl, u"http://192.0.2.5/live"_s);
}

TEST_F(Settings, ColoursAreReadCaseInsensitivelyAndCutToBytes)
{
    const struct {
        QByteArray line;
        int index;
        std::uint32_t color;
    } rows[] = {
        {"categBkg=1,2,3", ColorCategBkg, rgb(1, 2, 3)},
        {"categbkg=4,5,6", ColorCategBkg, rgb(4, 5, 6)},
        {"CATEGBKG = 7,8,9", ColorCategBkg, rgb(7, 8, 9)},
        {"dlg_background=300,0,0", ColorDlgBackground, rgb(44, 0, 0)},
        {"invalid=-1,256,511", ColorInvalid, rgb(255, 0, 255)},
        {"list_header= 10, 20,30", ColorListHeader, rgb(10, 20, 30)},
        {"valid=1,2", ColorValid, kDefaultColors[ColorValid]},
        {"modified=red", ColorModified, kDefaultColors[ColorModified]},
        {"category=", ColorCategory, kDefaultColors[ColorCategory]},
    };
    for (const auto& r : rows) {
        auto a = readFrom("[COLORS]\r\n" + r.line + "\r\n");
        for (int c = 0; c < ColorCount; ++c) {
            EXPECT_EQ(a->colors[size_t(c)], c == r.index ? r.color : kDefaultColors[size_t(c)])
                << r.line.constData() << " colour " << c;
        }
    }

    // The hand-written spelling is read and the program's own spelling written.
    auto a = readFrom("[COLORS]\r\ncategBkg=1,2,3\r\n");
    ASSERT_EQ(a->WriteSettings(), 1);
    const QByteArray written = readFile(ini());
    EXPECT_TRUE(written.contains("\r\ncategbkg=1,2,3\r\n"));
    EXPECT_FALSE(written.contains("categBkg"));
}

TEST_F(Settings, NonAsciiValuesSurviveAWriteAndARead)
{
    app->ReadSettings();
    app->stations.listPath = data + u"/Müsik Liste é.txt"_s;
    app->webSearchUrl = u"https://192.0.2.10/suche/é"_s;
    app->currentUrl = u"http://192.0.2.20/Ünï"_s;
    app->presetName[1] = u"Fréquence Café ☕"_s;
    app->presetUrl[1] = u"http://192.0.2.21/東京"_s;
    app->selectedPreset = 1;
    ASSERT_EQ(app->WriteSettings(), 1);
    EXPECT_TRUE(readFile(ini()).contains("sel_2 = Fr\xC3\xA9quence Caf\xC3\xA9 \xE2\x98\x95 \t"));

    auto back = newApp();
    ASSERT_EQ(back->ReadSettings(), 1);
    EXPECT_EQ(back->stations.listPath, app->stations.listPath);
    EXPECT_EQ(back->webSearchUrl, app->webSearchUrl);
    EXPECT_EQ(back->currentUrl, app->currentUrl);
    EXPECT_EQ(back->presetName[1], app->presetName[1]);
    EXPECT_EQ(back->presetUrl[1], app->presetUrl[1]);
    EXPECT_EQ(back->selectedPreset, 1);
}

TEST_F(Settings, MissingOrEmptyFileReadsNothing)
{
    app->stations.listPath = u"/kept"_s;
    EXPECT_EQ(app->ReadSettings(), 0);
    writeFile(ini(), "");
    EXPECT_EQ(app->ReadSettings(), 0);
    EXPECT_EQ(app->stations.listPath, u"/kept"_s);
    EXPECT_EQ(app->colors, kDefaultColors);

    app->ApplyFirstStartDefaults();
    EXPECT_EQ(app->stations.listPath, data + u"/Kestrelwave_example.txt"_s);
    EXPECT_EQ(app->webSearchUrl, QString::fromUtf16(kDefaultWebSearchUrl));
    auto back = newApp();
    ASSERT_EQ(back->ReadSettings(), 1);
    EXPECT_EQ(back->stations.listPath, app->stations.listPath);
    EXPECT_EQ(back->webSearchUrl, app->webSearchUrl);
}

TEST_F(Settings, WriteThatCannotOpenReportsInTheLanguage)
{
    const struct {
        std::uint32_t lang;
        QString text;
    } rows[] = {
        {1033, u"Could not open or create the \"Kestrelwave.ini\" file"_s},
        {1036, u"Impossible d'ouvrir ou créer le fichier \"Kestrelwave.ini\""_s},
        {1031, u"Die Datei \"Kestrelwave.ini\" konnte nicht geöffnet oder erstellt werden"_s},
    };
    for (const auto& r : rows) {
        boxes.clear();
        auto a = newApp();
        a->setLanguage(r.lang);
        a->iniPath = data + u"/no such folder/Kestrelwave.ini"_s;
        EXPECT_EQ(a->WriteSettings(), 0);
        ASSERT_EQ(boxes.boxes().size(), 1u);
        EXPECT_EQ(boxes.boxes()[0].text, r.text);
        EXPECT_EQ(boxes.boxes()[0].icon, BoxIcon::Error);
    }
    boxes.clear();
    auto a = newApp();
    EXPECT_EQ(a->WriteSettings(), 0); // no path yet
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(Settings, WriteThatFailsHalfwayKeepsTheOldFile)
{
    app->ReadSettings();
    app->webSearchUrl = u"https://192.0.2.10/"_s;
    ASSERT_EQ(app->WriteSettings(), 1);
    const QByteArray old = readFile(ini());
    app->webSearchUrl = u"https://192.0.2.11/changed"_s;
    int result = 1;
    bool limited = false;
    {
        FileSizeLimit limit(32);
        limited = limit.ok();
        if (limited)
            result = app->WriteSettings();
    }
    ASSERT_TRUE(limited);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(readFile(ini()), old);
    EXPECT_EQ(QDir(data).entryList(QDir::Files | QDir::Hidden), QStringList{u"Kestrelwave.ini"_s});
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, u"Could not open or create the \"Kestrelwave.ini\" file"_s);
}

TEST(IniText, LooksUpValuesLikeTheProfileFunctions)
{
    const QByteArray longValue(5000, 'v');
    const struct {
        QByteArray text;
        const char* section;
        const char* key;
        std::optional<QString> value;
    } rows[] = {
        {"[A]\r\nkey=v\r\n", "A", "key", u"v"_s},
        {"[list_file]\nLIST = v", "LIST_FILE", "list", u"v"_s},
        {"  [ A ]  \n  key   =   v w   \r\n", "A", "key", u"v w"_s},
        {"[A]\nk=1\nk=2", "A", "k", u"1"_s},
        {"[A]\nk=1\n[B]\nk=2\n[A]\nk=3\nj=4", "A", "k", u"1"_s},
        {"[A]\nk=1\n[B]\nk=2\n[A]\nk=3\nj=4", "A", "j", std::nullopt},
        {"[A]\nk=1\n[B]\nk=2\n[A]\nk=3\nj=4", "B", "k", u"2"_s},
        {"[B]\nk=1", "A", "k", std::nullopt},
        {"k=1\n[A]\nk=2", "A", "k", u"2"_s},
        {"[A]\nk=\n", "A", "k", std::nullopt},
        {"[A]\nk=   \n", "A", "k", std::nullopt},
        {"[A]\nurl=http://192.0.2.1/?a=b", "A", "url", u"http://192.0.2.1/?a=b"_s},
        {"[A]\nk\nk=2", "A", "k", u"2"_s},
        {"[A]\nkk=1\nk=2", "A", "k", u"2"_s},
        {"[A\nk=1", "A", "k", u"1"_s},
        {"[A]\nname=Caf\xC3\xA9", "A", "name", u"Café"_s},
        {"[A]\nv=" + longValue, "A", "v", QString(4093, u'v')},
        {"", "A", "k", std::nullopt},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(IniText(r.text).value(r.section, r.key), r.value)
            << r.text.left(60).constData() << " / " << r.section << " / " << r.key;
    }
}

TEST(ParseColor, ReadsThreeNumbersLikeScanf)
{
    const struct {
        QByteArray text;
        std::optional<unsigned> color;
    } rows[] = {
        {"160,230,220", rgb(160, 230, 220)},
        {"300,0,0", 44},
        {"0,0,256", 0},
        {"-1,256,511", rgb(255, 0, 255)},
        {" 1, 2, 3", rgb(1, 2, 3)},
        {"+5,0,0", 5},
        {"1,2,3,4", rgb(1, 2, 3)},
        {"1,2,3 trailing", rgb(1, 2, 3)},
        {"1 ,2,3", std::nullopt},
        {"1,2", std::nullopt},
        {"1,,3", std::nullopt},
        {"a,b,c", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& r : rows)
        EXPECT_EQ(parseColor(r.text), r.color) << r.text.constData();
}

} // namespace
