#include "platform/codepage.h"
#include "programme/curlauxthread.h"
#include "programme/programmeparser.h"
#include "programme/programmetable.h"
#include "tests/support/apprig.h"
#include "tests/support/fakewindow.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

constexpr qint64 kT0 = 1700000000;

// One programme block as the pages carry it.
QByteArray block(const char* kind, qint64 start, qint64 end, const QByteArray& first,
                 const QByteArray& second, const QByteArray& third)
{
    return QByteArray(",") + kind + ":{id:7,startTime:" + QByteArray::number(start) +
           ",endTime:" + QByteArray::number(end) + ",firstLine:\"" + first + "\",secondLine:\"" +
           second + "\",thirdLine:\"" + third + "\"}";
}

QByteArray page(const QByteArray& blocks)
{
    return QByteArray::number(kT0) + " window.__DATA__={channel:1" + blocks + "}";
}

struct FakeView : ProgrammeViewPort {
    void startProgrammeRefresh() override { ++refreshStarts; }
    void armNextProgramme(qint64 ms) override { armedMs = ms; }
    void stopNextProgramme() override { armedMs = -1; }
    int refreshStarts = 0;
    qint64 armedMs = -1;
};

} // namespace

TEST(ProgrammeTable, ResourceHasTheBroadcastersRows)
{
    const QByteArray text = programmeTableText();
    ASSERT_FALSE(text.isEmpty());
    EXPECT_TRUE(text.startsWith("Radio France\r\n\r\n"));
    EXPECT_EQ(text.count("\r\n"), text.count('\n')) << "every line ends in CR LF";
    const ProgrammeTable table = loadProgrammeTable(text);
    ASSERT_EQ(table.rowCount(), 29);
    for (const QByteArray& page : table.pages)
        EXPECT_TRUE(page.startsWith("https://www.radiofrance.fr/")) << page.constData();
    EXPECT_EQ(table.keys[0], "icecast.radiofrance.fr/fip-hifi");
    EXPECT_EQ(table.pages[0], "https://www.radiofrance.fr/fip");
    EXPECT_TRUE(table.names[0].isEmpty());
    const int concerts = findProgrammeRow(table, "http://x/francemusiqueconcertsradiofrance.mp3");
    ASSERT_GE(concerts, 0);
    EXPECT_EQ(table.names[std::size_t(concerts)], "Concerts Radio France");
    EXPECT_EQ(table.pages[std::size_t(concerts)],
              "https://www.radiofrance.fr/francemusique/radio-concerts");
}

TEST(ProgrammeTable, LineRules)
{
    const QByteArray text = "Broadcaster line\r\n\r\n"
                            "  ;'key1\t\thttp://a/one\t\tName With Blanks  \r\n"
                            "nokeyonly\r\n"
                            "key2 no-address-here\r\n"
                            "key3\thttp://a/three\r\n"
                            "caf\xE9\thttp://a/caf\xE9 Caf\xE9\r\n";
    const ProgrammeTable table = loadProgrammeTable(text);
    ASSERT_EQ(table.rowCount(), 3);
    EXPECT_EQ(table.keys[0], "key1");
    EXPECT_EQ(table.pages[0], "http://a/one");
    EXPECT_EQ(table.names[0], "Name With Blanks");
    EXPECT_EQ(table.keys[1], "key3");
    EXPECT_TRUE(table.names[1].isEmpty());
    EXPECT_EQ(table.names[2], "Caf\xE9") << "Windows-1252 text stays 8-bit";
}

TEST(ProgrammeTable, LongestKeyWinsAndFirstOnTies)
{
    const ProgrammeTable table = loadProgrammeTable(programmeTableText());
    const int row = findProgrammeRow(table, "http://127.0.0.1/FranceMusiqueEasyClassique-hifi.aac");
    ASSERT_GE(row, 0);
    EXPECT_EQ(table.keys[std::size_t(row)], "francemusiqueeasyclassique");
    EXPECT_EQ(table.keys[std::size_t(findProgrammeRow(table, "http://h/francemusique-midfi"))],
              "francemusique");
    EXPECT_EQ(findProgrammeRow(table, "http://h/radio-x.mp3"), -1);

    const ProgrammeTable ties = loadProgrammeTable("x\r\n\r\nabc\thttp://one\r\n"
                                                   "bcd\thttp://two\r\nab\thttp://three\r\n");
    EXPECT_EQ(findProgrammeRow(ties, "http://s/abcd"), 0);
}

TEST(ProgrammeParser, DurationTexts)
{
    const std::pair<qint64, const char*> rows[] = {
        {9999, "2 h 46 m 39 s"}, {7205, "2 h 0 m 5 s"}, {65, "1 m 5 s"}, {59, "59 s"},
        {3600, "1 h 0 m 0 s"},   {60, "1 m 0 s"},       {0, "0 s"}};
    for (const auto& [seconds, text] : rows)
        EXPECT_EQ(durationText(seconds), QString::fromUtf8(text)) << seconds;
}

TEST(ProgrammeParser, RemainingTimeBounds)
{
    const auto playingLine = [](qint64 remaining) {
        ProgrammePage p;
        p.current =
            ProgrammeRecord{{QStringLiteral("Morning show"), {}, {}}, kT0 - 10, kT0 + remaining};
        return programmeReport(p, kT0, std::nullopt).texts.value(1);
    };
    EXPECT_EQ(playingLine(9999), QStringLiteral("Playing for 2 h 46 m 39 s\n"));
    EXPECT_EQ(playingLine(1), QStringLiteral("Playing for 1 s\n"));
    EXPECT_EQ(playingLine(10000), QStringLiteral("Playing\n"));
    EXPECT_EQ(playingLine(0), QStringLiteral("Playing\n"));
    EXPECT_EQ(playingLine(-30), QStringLiteral("Playing\n"));
}

TEST(ProgrammeParser, CurrentAndNextWithTimer)
{
    const QByteArray body = page(
        block("now", kT0 - 600, kT0 + 65, "Jazz du matin", "Avec Anne Martin", "jazz") +
        block("next", kT0 + 65, kT0 + 3665, "Jazz \\\"au\\\" soir", "Avec Paul Durand", "jazz"));
    const ProgrammePage p = parseProgrammePage(body, "jazz", {"jazz", "electro"}, kT0);
    ASSERT_TRUE(p.current && p.next);
    EXPECT_TRUE(p.stopNextTimer);
    EXPECT_EQ(p.current->startTime, kT0 - 600);
    EXPECT_EQ(p.next->lines[0], QStringLiteral("Jazz au soir")) << "escaped quotes dropped";

    const ProgrammeReport r = programmeReport(p, kT0, std::nullopt);
    EXPECT_EQ(r.texts,
              QStringList({QStringLiteral("\n"), QStringLiteral("Playing for 1 m 5 s\n"),
                           QStringLiteral("- Jazz du matin\n- Avec Anne Martin\n- jazz\n"),
                           QStringLiteral("\nPlaying Next in 1 m 20 s\n"),
                           QStringLiteral("- Jazz au soir\n- Avec Paul Durand\n- jazz\n")}));
    ASSERT_TRUE(r.nextTimerMs);
    EXPECT_EQ(*r.nextTimerMs, 65020);

    // While recording the separator carries the recording time.
    EXPECT_EQ(programmeReport(p, kT0, 12.34).texts.value(0),
              QStringLiteral("\n@ 12.3 sec. Recording Time\n"));
}

TEST(ProgrammeParser, NextInThePastIsNextToPlay)
{
    const QByteArray body = page(block("next", kT0 + 300, kT0 + 900, "Later show", "Host", "") +
                                 block("now", kT0 - 600, kT0 + 60, "Now show", "Host", ""));
    // The page is read 10 minutes later: the block given as next is on air, and ends the
    // search for a current one.
    ProgrammePage p = parseProgrammePage(body, "", {"jazz"}, kT0 + 600);
    ASSERT_TRUE(p.current);
    EXPECT_FALSE(p.next);
    EXPECT_EQ(p.current->lines[0], QStringLiteral("Later show"));

    // A next block without its times is announced without a delay.
    const QByteArray untimed = page(QByteArray(",next:{id:1,kind:\"show\",firstLine:\"Untimed "
                                               "show\",secondLine:\"Guest\",thirdLine:\"\"}") +
                                    block("now", kT0 - 5, kT0 + 60, "Now show", "Host", ""));
    p = parseProgrammePage(untimed, "", {}, kT0);
    const ProgrammeReport r = programmeReport(p, kT0, std::nullopt);
    EXPECT_TRUE(r.texts.contains(QStringLiteral("Next to play\n")));
    EXPECT_FALSE(r.nextTimerMs);
}

TEST(ProgrammeParser, ChannelLabels)
{
    const QByteArray body =
        page(block("now", kT0 - 60, kT0 + 60, "Electro set", "DJ One", "Electro") +
             block("now", kT0 - 60, kT0 + 60, "Nouveautes show", "Host", "Nouveaut\xC3\xA9s") +
             block("now", kT0 - 60, kT0 + 60, "Main show", "Main host", "FIP"));
    const std::vector<QByteArray> names = {"electro", "nouveautes"};
    // The sub-channel's own row takes its block, the folded label matching.
    {
        const ProgrammePage p = parseProgrammePage(body, "nouveautes", names, kT0);
        ASSERT_TRUE(p.current);
        EXPECT_EQ(p.current->lines[0], QStringLiteral("Nouveautes show"));
    }
    // The main channel passes over the sub-channels' blocks.
    const ProgrammePage p = parseProgrammePage(body, "", names, kT0);
    ASSERT_TRUE(p.current);
    EXPECT_EQ(p.current->lines[0], QStringLiteral("Main show"));
    // No block of a channel the page does not carry.
    EXPECT_FALSE(parseProgrammePage(body, "metal", names, kT0).current);
}

TEST(ProgrammeParser, QuotedStringRules)
{
    const QByteArray oneByte = "firstLine:\"A\"";
    const QByteArray long161 = "firstLine:\"" + QByteArray(161, 'x') + "\"";
    const QByteArray long160 = "firstLine:\"" + QByteArray(160, 'x') + "\"";
    const QByteArray clock = "firstLine:\"12:30:00\"";
    qsizetype end = 0;
    EXPECT_TRUE(quotedString(oneByte, 0, &end).isEmpty());
    EXPECT_TRUE(quotedString(long161, 0, &end).isEmpty());
    EXPECT_EQ(quotedString(long160, 0, &end).size(), 160);
    EXPECT_TRUE(quotedString(clock, 0, &end).isEmpty()) << "a bare time of day is no title";
    EXPECT_EQ(quotedString("title:\"Caf\xC3\xA9 ouvert\"", 0, &end), QStringLiteral("Café ouvert"));
    EXPECT_EQ(end, 20);

    // Lines that fail count as missing; a second line equal to the first is not shown again.
    const QByteArray body = page(block("now", kT0 - 60, kT0 + 60, "A", "Same title", "Same title"));
    const ProgrammePage p = parseProgrammePage(body, "", {}, kT0);
    ASSERT_TRUE(p.current);
    EXPECT_TRUE(p.current->lines[0].isEmpty());
    EXPECT_EQ(programmeLinesText(p.current->lines), QStringLiteral("- Same title\n"));
    EXPECT_EQ(
        programmeLinesText({QStringLiteral("One"), QStringLiteral("One"), QStringLiteral("Two")}),
        QStringLiteral("- One\n- Two\n"));
}

TEST(ProgrammeParser, Folding)
{
    EXPECT_EQ(foldChannelLabel(QStringLiteral("ÀÉÎÕÜÇÑÝàéîõüçñýÿ")),
              QStringLiteral("AEIOUCNYaeioucnyy"));
    EXPECT_EQ(foldChannelLabel(QStringLiteral("ÆÐ×ÞßæðþØø÷")), QStringLiteral("AD×TsadtOo÷"));
}

TEST(ProgrammeTransfer, EntityTagHeaderNameInAnyCase)
{
    EXPECT_EQ(entityTag("HTTP/1.1 200 OK\r\nETag: \"abc\"\r\n"), QByteArray("\"abc"));
    EXPECT_EQ(entityTag("HTTP/1.1 200 OK\r\nETag: W/\"x1\"\r\n"), QByteArray("\"x1"));
    // HTTP/2 names every header in lower case.
    EXPECT_EQ(entityTag("HTTP/2 200\r\netag: \"abc\"\r\n"), QByteArray("\"abc"));
    EXPECT_FALSE(entityTag("HTTP/1.1 200 OK\r\nETag: abc\r\n"));
}

// Timer 7 with the clock moved on: the next programme is announced when it starts.
TEST(ProgrammeInfo, NextProgrammeAnnounced)
{
    FakeWindow window;
    AppRig rig(window);
    FakeView view;
    CCurlAuxThread& programme = rig.app.programme;
    programme.setView(&view);
    qint64 now = kT0;
    programme.clock = [&now] { return now; };
    programme.loadProgrammeTable();
    programme.matchedRow = programme.findProgrammeRow("http://127.0.0.1/fipjazz");
    ASSERT_GE(programme.matchedRow, 0);
    programme.bodyText =
        page(block("now", kT0 - 600, kT0 + 65, "Jazz du matin", "Avec Anne Martin", "jazz") +
             block("next", kT0 + 65, kT0 + 3665, "Jazz du soir", "Avec Paul Durand", "jazz"));
    EXPECT_EQ(programme.parseProgrammePage(), 3);
    EXPECT_EQ(view.armedMs, 65020);
    EXPECT_TRUE(window.paneText().contains(u"\nPlaying Next in 1 m 20 s\n"));

    window.clearInfoPane();
    now += 65;
    programme.recordingSeconds = [] { return std::optional<double>(70.0); };
    programme.announceNext();
    EXPECT_EQ(window.paneText(), QStringLiteral("\n@ 70.0 sec. Recording Time\nPlaying Now\n"
                                                "- Jazz du soir\n- Avec Paul Durand\n- jazz\n"));
    EXPECT_EQ(view.armedMs, -1) << "the one-shot stops itself";
    programme.setView(nullptr);
}

// Button "D": the saved page is read at the time of its leading number.
TEST(ProgrammeInfo, SavedPageTestMode)
{
    FakeWindow window;
    AppRig rig(window);
    FakeView view;
    rig.app.programme.setView(&view);
    rig.app.programme.clock = [] { return qint64(1); };
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    QFile file(QStringLiteral("LastLoadedPage.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(page(block("now", kT0 - 600, kT0 + 7205, "Morning show", "Host", "FIP")));
    file.close();
    rig.app.programme.testSavedPage();
    QDir::setCurrent(previous);
    EXPECT_TRUE(window.paneText().contains(u"Playing for 2 h 0 m 5 s\n- Morning show\n"))
        << window.paneText().toStdString();
    rig.app.programme.setView(nullptr);
}
