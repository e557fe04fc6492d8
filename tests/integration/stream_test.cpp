#include "stream/curlthread.h"
#include "stream/startbuffer.h"
#include "tests/integration/harness.h"
#include "tests/integration/station.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

#define REQUIRE_STATION()                                                                          \
    if (!TestStation::up())                                                                        \
    GTEST_FAIL() << "the local test station did not start"

bool processGone(pid_t pid)
{
    return pid <= 0 || (::kill(pid, 0) != 0 && errno == ESRCH);
}

// Processes whose parent is this test program, zombies included.
std::vector<int> childProcesses()
{
    std::vector<int> children;
    const QString self = QString::number(::getpid());
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/") + entry + QStringLiteral("/stat"));
        if (!entry.toInt() || !stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1] == self.toLatin1())
            children.push_back(entry.toInt());
    }
    return children;
}

int endReason(EngineHarness& h)
{
    return h.engine().curl.endReason;
}

} // namespace

TEST(Playback, IcecastMp3ReachesTheListenerWithTitlesAndFormatTag)
{
    REQUIRE_STATION();
    EngineHarness h(QStringLiteral("capture-player.sh"));
    const QString url = TestStation::icecast(QStringLiteral("/tone.mp3"));
    h.app->stations.append({QStringLiteral("Local tone"), url, 0, {}});
    TestStation::setTitle(QStringLiteral("/tone.mp3"), QStringLiteral("First Artist - First Song"));
    h.play(url);
    ASSERT_TRUE(h.waitFor([&] { return h.paneContains(QStringLiteral("Buffering...\n")); }, 10000));
    ASSERT_TRUE(h.waitFor(
        [&] { return h.paneContains(QStringLiteral("Station : Kestrel Test tone.mp3\n")); },
        10000));
    EXPECT_TRUE(h.paneContains(QStringLiteral("\nConnecting to ") + url + u'\n'));
    EXPECT_TRUE(h.paneContains(QStringLiteral("Audio format : audio/mpeg\n")));
    EXPECT_TRUE(
        h.paneContains(QStringLiteral("IceCast encapsulation \"metaint\" = 16000 Bytes\n")));
    ASSERT_TRUE(h.waitFor(
        [&] { return h.paneContains(QStringLiteral("\n- First Artist - First Song\n")); }, 15000));
    TestStation::setTitle(QStringLiteral("/tone.mp3"),
                          QStringLiteral("Second Artist - Second Song"));
    ASSERT_TRUE(h.waitFor(
        [&] { return h.paneContains(QStringLiteral("\n- Second Artist - Second Song\n")); },
        15000));
    ASSERT_TRUE(h.waitFor([&] { return h.app->stations.format(0) == u"mp3_128k"; }, 10000))
        << h.app->stations.format(0).toStdString();
    EXPECT_EQ(h.app->stations.name(0), QStringLiteral("Kestrel Test tone.mp3"));
    const pid_t player = h.engine().bridge.playerPid();
    EXPECT_GT(player, 0);
    h.stop();
    EXPECT_TRUE(processGone(player));
    EXPECT_TRUE(childProcesses().empty());
    // Each title once, whatever the number of metadata blocks that carried it.
    EXPECT_EQ(h.window.paneText().count(QStringLiteral("First Song")), 1);
    const QByteArray audio = h.captured();
    ASSERT_GT(audio.size(), 60000);
    // From its first byte on, the player got back-to-back frames: no metadata in between.
    EXPECT_GE(mp3FrameWalk(audio), audio.size() - 1500);
    EXPECT_EQ(endReason(h), EndStopped);
}

TEST(Playback, ScriptedServerBytesArriveExactlyWithoutMetadata)
{
    REQUIRE_STATION();
    const QByteArray media = TestStation::media();
    for (const QString& path : {QStringLiteral("/meta?metaint=16000"), QStringLiteral("/split"),
                                QStringLiteral("/icy"), QStringLiteral("/meta?metaint=65536"),
                                QStringLiteral("/plain"), QStringLiteral("/octet")}) {
        SCOPED_TRACE(path.toStdString());
        EngineHarness h(QStringLiteral("capture-player.sh"));
        h.play(TestStation::fake(path));
        ASSERT_TRUE(h.waitFor([&] { return h.captured().size() > 150000; }, 20000));
        h.stop();
        const QByteArray audio = h.captured();
        ASSERT_GT(audio.size(), 150000);
        EXPECT_TRUE(audio == media.left(audio.size()))
            << "first difference at "
            << std::mismatch(audio.begin(), audio.end(), media.begin()).first - audio.begin();
        // Sent as a file of unknown kind, the stream is known by its first bytes.
        if (path == u"/octet") {
            EXPECT_TRUE(h.paneContains(QStringLiteral(
                "Audio format : mp3 (found in the stream; sent as application/octet-stream)\n")));
        } else if (path != u"/plain") {
            EXPECT_TRUE(h.paneContains(QStringLiteral("\n- Fake Artist - Song 1\n")));
            EXPECT_EQ(h.window.paneText().count(QStringLiteral("- Fake Artist - Song 2\n")), 1);
        }
    }
}

TEST(Playback, PlaylistsAreFollowedAndLoopsEnd)
{
    REQUIRE_STATION();
    for (const QString& path : {QStringLiteral("/m3u"), QStringLiteral("/pls"),
                                QStringLiteral("/chain.m3u"), QStringLiteral("/redirect/3")}) {
        SCOPED_TRACE(path.toStdString());
        EngineHarness h(QStringLiteral("capture-player.sh"));
        h.play(TestStation::fake(path));
        ASSERT_TRUE(h.waitFor([&] { return h.captured().size() > 50000; }, 20000));
        EXPECT_TRUE(h.paneContains(QStringLiteral("Buffering...\n")));
        h.stop();
    }
    {
        // A playlist that names itself ends as a failed station.
        EngineHarness h(QStringLiteral("capture-player.sh"));
        const QString url = TestStation::fake(QStringLiteral("/self.m3u"));
        h.app->stations.append({QStringLiteral("Loop"), url, 0, {}});
        h.play(url);
        ASSERT_TRUE(h.waitFor([&] { return h.transferEnded(); }, 20000));
        EXPECT_EQ(endReason(h), EndFailed);
        EXPECT_EQ(h.engine().curl.playlistHops, CCurlThread::kMaxPlaylistHops + 1);
        EXPECT_EQ(h.app->stations.name(0), QStringLiteral("INVALID"));
    }
    // An HLS first entry, and an HLS playlist whose segments are relative.
    for (const QString& path : {QStringLiteral("/hls.m3u"), QStringLiteral("/media.m3u8")}) {
        EngineHarness h(QStringLiteral("capture-player.sh"));
        const QString url = TestStation::fake(path);
        h.play(url);
        ASSERT_TRUE(h.waitFor([&] { return h.transferEnded(); }, 20000));
        EXPECT_EQ(endReason(h), EndHlsPlaylist);
        EXPECT_TRUE(h.hasBox(QStringLiteral("Cannot open an Extended mp4a stream")));
        EXPECT_TRUE(h.paneContains(QStringLiteral("\nSorry, \"") + url +
                                   QStringLiteral("\" is an Extended mp4a stream...\n")));
        EXPECT_TRUE(h.captured().isEmpty());
    }
}

TEST(Playback, FaultyServersEndWithTheirReason)
{
    REQUIRE_STATION();
    struct Case {
        const char* path;
        int reason;
        const char* pane; // expected pane text, %s = URL
        bool invalid;
    };
    const Case cases[] = {
        {"/html", EndNoData, "No data received from \"%s\"\n", true},
        {"/unknown", EndNoData, "No data received from \"%s\"\n", true},
        {"/nothere", EndNoData, "No data received from \"%s\"\n", true},
        {"/ftp", EndNoData, "No data received from \"%s\"\n", true},
        {"/bigheaders", EndNoData, "No data received from \"%s\"\n", true},
        {"/redirect/12", EndNoData, "No data received from \"%s\"\n", true},
        {"/nobody", EndNoResponse, "No response from \"%s\"\n", true},
        {"/silent", EndNoResponse, "No response from \"%s\"\n", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EngineHarness h(QStringLiteral("capture-player.sh"));
        const QString url = TestStation::fake(QString::fromLatin1(c.path));
        h.app->stations.append({QString(), url, 0, {}});
        h.play(url);
        ASSERT_TRUE(h.waitFor([&] { return h.transferEnded(); }, 25000));
        EXPECT_EQ(endReason(h), c.reason) << h.engine().curl.errorText.toStdString();
        const QString text = QString::fromLatin1(c.pane).replace(QStringLiteral("%s"), url);
        EXPECT_TRUE(h.paneContains(text)) << h.window.paneText().toStdString();
        EXPECT_TRUE(h.hasBox(text));
        EXPECT_EQ(h.app->stations.name(0) == u"INVALID", c.invalid);
        EXPECT_FALSE(h.engine().bridge.playerRunning());
        EXPECT_FALSE(h.app->status.playing);
    }
}

// A self-signed certificate is refused (verification stays on), and the pane says why.
TEST(Playback, RefusedCertificateIsNamed)
{
    REQUIRE_STATION();
    QTemporaryDir dir;
    const QString key = dir.filePath(QStringLiteral("key.pem"));
    const QString cert = dir.filePath(QStringLiteral("cert.pem"));
    TestStation::run(QStringLiteral("openssl"),
                     {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                      QStringLiteral("rsa:2048"), QStringLiteral("-nodes"),
                      QStringLiteral("-keyout"), key, QStringLiteral("-out"), cert,
                      QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                      QStringLiteral("-days"), QStringLiteral("1")});
    const int port = 20000 + int(::getpid() % 20000);
    QProcess server;
    server.start(QStringLiteral("openssl"),
                 {QStringLiteral("s_server"), QStringLiteral("-quiet"), QStringLiteral("-accept"),
                  QStringLiteral("127.0.0.1:%1").arg(port), QStringLiteral("-cert"), cert,
                  QStringLiteral("-key"), key, QStringLiteral("-www")});
    ASSERT_TRUE(server.waitForStarted(5000));
    QThread::msleep(500);
    EngineHarness h(QStringLiteral("capture-player.sh"));
    const QString url = QStringLiteral("https://127.0.0.1:%1/tone.mp3").arg(port);
    h.app->stations.append({QString(), url, 0, {}});
    h.play(url);
    ASSERT_TRUE(h.waitFor([&] { return h.transferEnded(); }, 25000));
    EXPECT_EQ(endReason(h), EndNoData);
    EXPECT_TRUE(h.paneContains(QStringLiteral("SSL certificate problem")))
        << h.window.paneText().toStdString();
    server.kill();
    server.waitForFinished(5000);
}

TEST(Playback, OversizedMetadataIntervalIsRefusedAndTheLimitAccepted)
{
    REQUIRE_STATION();
    {
        EngineHarness h(QStringLiteral("capture-player.sh"));
        h.play(TestStation::fake(QStringLiteral("/metaint600001")));
        ASSERT_TRUE(h.waitFor([&] { return h.transferEnded(); }, 20000));
        EXPECT_TRUE(h.hasBox(QStringLiteral("Metaint too large")));
        EXPECT_TRUE(h.paneContains(QStringLiteral("Metaint too large\n")));
        EXPECT_TRUE(h.captured().isEmpty());
    }
    {
        EngineHarness h(QStringLiteral("capture-player.sh"));
        h.play(TestStation::fake(QStringLiteral("/metaint600000")));
        ASSERT_TRUE(h.waitFor([&] { return h.captured().size() > 100000; }, 20000));
        EXPECT_FALSE(h.hasBox(QStringLiteral("Metaint too large")));
        h.stop();
        EXPECT_TRUE(h.captured() == TestStation::media().left(h.captured().size()));
    }
}

TEST(Playback, HostileMetadataAndHeaders)
{
    REQUIRE_STATION();
    struct Case {
        const char* path;
        const char16_t* pane;
    };
    const Case cases[] = {
        {"/quotes", u"\n- Guns N' Roses - Don't Cry\n"},
        {"/longshort", u"\n- Short\n"},
        {"/latin1", u"\n- Café - Crème\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EngineHarness h(QStringLiteral("capture-player.sh"));
        h.play(TestStation::fake(QString::fromLatin1(c.path)));
        const QString expected = QString::fromUtf16(c.pane);
        ASSERT_TRUE(h.waitFor([&] { return h.paneContains(expected); }, 20000))
            << h.window.paneText().toStdString();
        h.stop();
    }
    {
        // A Latin-1 station name with HTML entities shows decoded in the name field.
        EngineHarness h(QStringLiteral("capture-player.sh"));
        h.play(TestStation::fake(QStringLiteral("/latin1")));
        ASSERT_TRUE(h.waitFor([&] { return !h.window.nameField.isEmpty(); }, 20000));
        EXPECT_EQ(h.window.nameField, QStringLiteral("Café & Jazz été"));
        h.stop();
    }
    {
        // A 4080-byte block without padding is cut whole: the audio stays exact.
        EngineHarness h(QStringLiteral("capture-player.sh"));
        h.play(TestStation::fake(QStringLiteral("/len255")));
        ASSERT_TRUE(h.waitFor([&] { return h.captured().size() > 120000; }, 20000));
        h.stop();
        EXPECT_TRUE(h.captured() == TestStation::media().left(h.captured().size()));
    }
    for (const char* v : {"0", "-1", "010", "abc", "two"}) {
        // Odd intervals must neither crash nor hang; the player is fed and Stop ends it.
        SCOPED_TRACE(v);
        EngineHarness h(QStringLiteral("capture-player.sh"));
        h.play(TestStation::fake(QStringLiteral("/metaint?v=") + QLatin1String(v)));
        ASSERT_TRUE(h.waitFor([&] { return h.captured().size() > 40000; }, 20000));
        h.stop();
        EXPECT_EQ(endReason(h), EndStopped);
    }
}

TEST(Playback, PlayerThatQuitsOrStallsIsReapedAndReported)
{
    REQUIRE_STATION();
    // A player that quits is the player's fault, not the Internet's; one that stalls holds
    // the stream up until the connection is given up.
    const QString url = TestStation::fake(QStringLiteral("/meta?metaint=16000"));
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("quitting-player.sh"), QStringLiteral("The player stopped unexpectedly\n")},
        {QStringLiteral("stalled-player.sh"),
         QStringLiteral("Internet connection closed with \"") + url + QStringLiteral("\"\n")},
    };
    for (const auto& [player, pane] : cases) {
        SCOPED_TRACE(player.toStdString());
        EngineHarness h(player);
        h.play(url);
        ASSERT_TRUE(h.waitFor([&] { return h.transferEnded(); }, 30000));
        EXPECT_EQ(endReason(h),
                  player.startsWith(u"quitting") ? EndPlayerStopped : EndConnectionClosed);
        EXPECT_TRUE(h.paneContains(pane)) << h.window.paneText().toStdString();
        EXPECT_TRUE(childProcesses().empty()); // killed and reaped, no zombie left
    }
}

TEST(Playback, StopEndsAHangingTransferQuickly)
{
    REQUIRE_STATION();
    EngineHarness h(QStringLiteral("capture-player.sh"));
    h.play(TestStation::fake(QStringLiteral("/silent")));
    QThread::msleep(500);
    QElapsedTimer t;
    t.start();
    h.app->engine->control.Stop();
    ASSERT_TRUE(h.engine().curl.waitForEnd(1500));
    EXPECT_LT(t.elapsed(), 1500);
    EXPECT_EQ(endReason(h), EndStopped);
}

TEST(Playback, ServerThatStopsAfterThePlayerStartedTimesOut)
{
    REQUIRE_STATION();
    EngineHarness h(QStringLiteral("capture-player.sh"));
    const QString url = TestStation::fake(QStringLiteral("/stopafter"));
    h.play(url);
    ASSERT_TRUE(h.waitFor([&] { return h.engine().curl.playerStarted.load(); }, 15000));
    ASSERT_TRUE(h.waitFor([&] { return h.transferEnded(); }, 30000));
    // The stall guard ends it; the worker then closes the player itself.
    EXPECT_TRUE(h.engine().curl.timedOut);
    EXPECT_EQ(endReason(h), EndConnectionClosed);
    EXPECT_TRUE(h.hasBox(QStringLiteral("Internet connection closed with \"") + url +
                         QStringLiteral("\"\n")));
}

TEST(Playback, OggAndAacMountsAreRecognised)
{
    REQUIRE_STATION();
    struct Case {
        const char* mount;
        const char16_t* announcement;
        const char16_t* tag;
        int formatCode;
    };
    const Case cases[] = {
        {"/tone.aac", u"Valid Aac Audio Format\n", nullptr, FormatAac},
        {"/vorbis.ogg", u"Valid Vorbis Audio Format\n", u"- Title  : Vorbis Tone\n", FormatVorbis},
        {"/opus.ogg", u"Valid Opus Audio Format\n", u"- Title  : Opus Tone\n", FormatOpus},
        {"/flac.ogg", u"Valid FLAC Audio Format\n", u"- Title  : Flac Tone\n", FormatFlac},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mount);
        EngineHarness h(QStringLiteral("capture-player.sh"));
        const QString url = TestStation::icecast(QString::fromLatin1(c.mount));
        h.app->stations.append({QString(), url, 0, {}});
        h.play(url);
        ASSERT_TRUE(
            h.waitFor([&] { return h.paneContains(QString::fromUtf16(c.announcement)); }, 20000))
            << h.window.paneText().toStdString();
        if (c.tag) {
            EXPECT_TRUE(h.waitFor([&] { return h.paneContains(QString::fromUtf16(c.tag)); }, 5000))
                << h.window.paneText().toStdString();
        }
        EXPECT_EQ(h.engine().format.formatCode.load(), c.formatCode);
        // The announcement comes from the probe, before the player has its first bytes.
        EXPECT_TRUE(h.waitFor([&] { return h.captured().size() >= 4; }, 10000));
        h.stop();
        const QByteArray audio = h.captured();
        if (c.formatCode == FormatAac) {
            ASSERT_GE(audio.size(), 2);
            EXPECT_EQ(uchar(audio[0]), 0xFF); // starts on an ADTS frame
        } else {
            EXPECT_TRUE(audio.startsWith("OggS"));
        }
    }
}

TEST(Playback, PlayerThatCannotStartLeavesTheStationValid)
{
    REQUIRE_STATION();
    EngineHarness h(QStringLiteral("no-such-player"));
    const QString url = TestStation::fake(QStringLiteral("/meta?metaint=16000"));
    h.app->stations.append({QStringLiteral("Mine"), url, 0, {}});
    h.play(url);
    ASSERT_TRUE(h.waitFor([&] { return h.transferEnded(); }, 20000));
    EXPECT_TRUE(h.paneContains(QStringLiteral("\nCould not start the Player ...\n")))
        << h.window.paneText().toStdString();
    // Our own failure: the station is not marked.
    EXPECT_NE(h.app->stations.name(0), QStringLiteral("INVALID"));
    EXPECT_EQ(endReason(h), EndAborting);
    EXPECT_FALSE(h.app->status.playing);
    EXPECT_TRUE(childProcesses().empty());
}

// Icecast sends seconds of audio on connection: the player must have them long before the
// pauses the start once took, and the pane keeps its order.
TEST(Playback, BurstingServerFeedsThePlayerBeforeTheStartPause)
{
    REQUIRE_STATION();
    EngineHarness h(QStringLiteral("capture-player.sh"));
    QElapsedTimer clock;
    clock.start();
    h.play(TestStation::icecast(QStringLiteral("/tone.mp3")));
    ASSERT_TRUE(h.waitFor([&] { return !h.captured().isEmpty(); }, 10000));
    EXPECT_LT(clock.elapsed(), qint64(StartBuffer::kPauseMs));
    ASSERT_TRUE(h.waitFor([&] { return h.captured().size() > 24 * 1024; }, 5000));
    const QString pane = h.window.paneText();
    const qsizetype buffering = pane.indexOf(QStringLiteral("Buffering...\n"));
    const qsizetype station = pane.indexOf(QStringLiteral("Station : Kestrel Test tone.mp3\n"));
    EXPECT_TRUE(buffering >= 0 && buffering < station) << pane.toStdString();
    EXPECT_LT(station, pane.indexOf(QStringLiteral("Valid Mp3 Audio Format\n")));
    h.stop();
    EXPECT_GE(mp3FrameWalk(h.captured()), 24 * 1024);
}

// A server without burst: the player gets its first bytes only once they carry the start
// buffer's audio, all at once, so that it never runs dry.
TEST(Playback, RealTimeServerFeedsThePlayerItsStartBufferAtOnce)
{
    REQUIRE_STATION();
    EngineHarness h(QStringLiteral("capture-player.sh"));
    QElapsedTimer clock;
    clock.start();
    h.play(TestStation::fake(QStringLiteral("/paced?metaint=16000&rate=16000")));
    ASSERT_TRUE(h.waitFor([&] { return !h.captured().isEmpty(); }, 10000));
    EXPECT_GE(clock.elapsed(), 1400); // 24 KiB at 16000 bytes per second
    EXPECT_GE(h.captured().size(), 20000);
    h.stop();
    const QByteArray media = TestStation::media();
    EXPECT_TRUE(h.captured() == media.left(h.captured().size()));
}
