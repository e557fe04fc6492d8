#include "tests/integration/harness.h"
#include "tests/integration/station.h"
#include "tests/support/testhost.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

#define REQUIRE_STATION()                                                                          \
    if (!TestStation::up())                                                                        \
    GTEST_FAIL() << "the local test station did not start"

QByteArray readAll(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// codec_name and sample_rate of the first stream, as ffprobe reads the file.
QString probeFile(const QString& path)
{
    return QString::fromUtf8(
               TestStation::run(QStringLiteral("ffprobe"),
                                {QStringLiteral("-v"), QStringLiteral("error"),
                                 QStringLiteral("-show_entries"),
                                 QStringLiteral("stream=codec_name,sample_rate"),
                                 QStringLiteral("-of"), QStringLiteral("default=nw=1"), path}))
        .trimmed();
}

// The lines of complaint ffmpeg has while decoding the whole file (-1: it failed).
int decodeErrors(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("ffmpeg"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), path,
             QStringLiteral("-f"), QStringLiteral("null"), QStringLiteral("-")});
    p.waitForFinished(30000);
    if (p.exitCode() != 0)
        return -1;
    const QByteArray errors = p.readAllStandardError().trimmed();
    return errors.isEmpty() ? 0 : int(errors.count('\n') + 1);
}

struct Recorded {
    QString file;
    QString info;
};

// Plays url, records for about seconds, stops recording; the files it made.
Recorded recordFor(EngineHarness& h, int seconds, const std::function<void()>& during = {})
{
    PlaybackControl& c = h.engine().control;
    c.onRecordButton();
    EXPECT_TRUE(h.waitFor([&] { return h.engine().bridge.recordingOpen(); }, 20000));
    const Recorded r{h.engine().bridge.recordPath, h.engine().bridge.infoPath};
    if (during)
        during();
    QThread::msleep(unsigned(seconds) * 1000);
    c.onRecordButton();
    EXPECT_FALSE(h.engine().bridge.recordingOpen());
    return r;
}

} // namespace

TEST(Recording, Mp3RecordingIsTheAudioTheListenerGotWithItsInformationFile)
{
    REQUIRE_STATION();
    EngineHarness h(QStringLiteral("capture-player.sh"));
    const QString url = TestStation::icecast(QStringLiteral("/tone.mp3"));
    h.app->stations.append({QStringLiteral("AC/DC: Live"), url, MARK_MODIFIED, {}});
    TestStation::setTitle(QStringLiteral("/tone.mp3"), QStringLiteral("Before - Record"));
    h.play(url);
    ASSERT_TRUE(
        h.waitFor([&] { return h.paneContains(QStringLiteral("- Before - Record\n")); }, 20000));

    const Recorded first = recordFor(h, 3, [] {
        QThread::msleep(1500);
        TestStation::setTitle(QStringLiteral("/tone.mp3"), QStringLiteral("During - Record"));
    });
    const Recorded second = recordFor(h, 1);
    h.stop();

    // Named after the user's station name, in a folder of its own.
    const QString folder = h.app->dataFolder + QStringLiteral("/AC_DC_ Live/");
    const QRegularExpression pattern(
        QStringLiteral("^AC_DC_ Live_\\d{2}-\\d{2}-\\d{2}@\\d{2}h\\d{2}\\.mp3$"));
    ASSERT_TRUE(first.file.startsWith(folder)) << first.file.toStdString();
    EXPECT_TRUE(pattern.match(first.file.mid(folder.size())).hasMatch())
        << first.file.toStdString();
    const QString stem = first.file.left(first.file.size() - 4);
    if (second.file.contains(stem.mid(stem.lastIndexOf(u'@')))) { // same minute
        EXPECT_EQ(second.file, stem + QStringLiteral("_01.mp3"));
    }

    // The bytes the player got, from a frame on, without a metadata byte.
    const QByteArray audio = h.captured();
    const QByteArray recording = readAll(first.file);
    ASSERT_GT(recording.size(), 30000);
    EXPECT_EQ(uchar(recording[0]), 0xFF);
    EXPECT_GE(audio.indexOf(recording), 0) << "the recording is not a stretch of what was played";
    EXPECT_GE(mp3FrameWalk(recording), recording.size() - 1500);
    EXPECT_EQ(probeFile(first.file), QStringLiteral("codec_name=mp3\nsample_rate=44100"));

    const QString info = QString::fromUtf8(readAll(first.info));
    EXPECT_TRUE(info.startsWith(QStringLiteral("\nStart recording\n\n- Before - Record\n")))
        << info.toStdString();
    EXPECT_TRUE(QRegularExpression(
                    QStringLiteral("\n@ \\d+\\.\\d sec\\. Recording Time\n\n- During - Record\n"))
                    .match(info)
                    .hasMatch())
        << info.toStdString();
    // The stop line is the pane's, written once the files are closed.
    EXPECT_FALSE(info.contains(QStringLiteral("Stop recording after"))) << info.toStdString();
    EXPECT_TRUE(h.paneContains(QStringLiteral("\nStop recording after ")));
    EXPECT_TRUE(h.paneContains(QStringLiteral("\nStart recording\n")));
}

TEST(Recording, AacAndOggMountsGiveFilesThatDecodeFromTheirFirstByte)
{
    REQUIRE_STATION();
    struct Case {
        const char* mount;
        const char* extension;
        const char* codec;
    };
    for (const Case c : {Case{"/tone.aac", ".aac", "aac"}, Case{"/vorbis.ogg", ".ogg", "vorbis"},
                         Case{"/opus.ogg", ".ogg", "opus"}, Case{"/flac.ogg", ".ogg", "flac"}}) {
        SCOPED_TRACE(c.mount);
        EngineHarness h(QStringLiteral("capture-player.sh"));
        const QString url = TestStation::icecast(QString::fromLatin1(c.mount));
        h.play(url);
        ASSERT_TRUE(h.waitFor([&] { return h.engine().curl.playerStarted.load(); }, 20000));
        ASSERT_TRUE(h.waitFor([&] { return h.captured().size() > 1000; }, 20000));
        const Recorded r = recordFor(h, 3);
        h.stop();
        EXPECT_TRUE(r.file.endsWith(QLatin1String(c.extension))) << r.file.toStdString();
        const QByteArray bytes = readAll(r.file);
        ASSERT_GT(bytes.size(), 2000);
        if (QLatin1String(c.extension) == u".ogg") {
            // Restarted for the recording, so the file holds the stream's headers.
            EXPECT_TRUE(h.window.everShown().contains(QStringLiteral(
                "\nINFO: For this audio format, the player must be restarted...\n")));
            EXPECT_TRUE(bytes.startsWith("OggS"));
        } else {
            EXPECT_EQ(uchar(bytes[0]), 0xFF);
        }
        EXPECT_TRUE(
            probeFile(r.file).startsWith(QStringLiteral("codec_name=") + QLatin1String(c.codec)))
            << probeFile(r.file).toStdString();
        // Stop cuts the last AAC frame; everything before it decodes.
        const int errors = decodeErrors(r.file);
        EXPECT_GE(errors, 0);
        EXPECT_LE(errors, QLatin1String(c.extension) == u".aac" ? 2 : 0);
    }
}

TEST(Recording, RecordWhileIdlePlaysFirst)
{
    REQUIRE_STATION();
    EngineHarness h(QStringLiteral("capture-player.sh"));
    h.window.urlField = TestStation::icecast(QStringLiteral("/tone.mp3"));
    const Recorded r = recordFor(h, 2);
    EXPECT_TRUE(h.app->status.playing);
    h.stop();
    EXPECT_TRUE(r.file.contains(QStringLiteral("/Kestrel Test tone.mp3/")));
    // A recording that begins mid-stream may open on a frame whose bit reservoir lies in
    // the frame before ("invalid new backstep"): one complaint at most, about that frame.
    const int errors = decodeErrors(r.file);
    EXPECT_GE(errors, 0);
    EXPECT_LE(errors, 1);
    // Delete recording asks, then removes both files.
    h.boxes->answer(true);
    h.engine().control.onDeleteRecording();
    const QString name = r.file.mid(r.file.lastIndexOf(u'/') + 1);
    EXPECT_TRUE(h.hasBox(QStringLiteral("Erase ") + name + QStringLiteral(" ?")));
    EXPECT_FALSE(QFile::exists(r.file));
    EXPECT_FALSE(QFile::exists(r.info));
}

TEST(Recording, FailuresAreReportedAndPlaybackGoesOn)
{
    REQUIRE_STATION();
    {
        // No recordings folder: code 11 at the end of the transfer, the pane at once.
        EngineHarness h(QStringLiteral("capture-player.sh"));
        h.app->dataFolder = h.dir.path() + QStringLiteral("/gone");
        h.play(TestStation::icecast(QStringLiteral("/tone.mp3")));
        ASSERT_TRUE(h.waitFor([&] { return h.engine().curl.playerStarted.load(); }, 20000));
        h.engine().control.onRecordButton();
        ASSERT_TRUE(h.waitFor(
            [&] {
                return h.paneContains(
                    QStringLiteral("\n*** Could not create the record file !! ***\n"));
            },
            10000));
        EXPECT_FALSE(h.app->status.recording);
        EXPECT_TRUE(h.app->status.playing);
        h.stop();
        EXPECT_TRUE(h.hasBox(QStringLiteral("Directory ") + h.app->dataFolder +
                             QStringLiteral(" does not exists")));
    }
    {
        // A full disk: the recording stops, keeps what it has, and the station plays on.
        EngineHarness h(QStringLiteral("capture-player.sh"));
        h.play(TestStation::icecast(QStringLiteral("/tone.mp3")));
        ASSERT_TRUE(h.waitFor([&] { return h.engine().curl.playerStarted.load(); }, 20000));
        bool stopped = false;
        QString file;
        {
            // The player is already running: only this process meets the limit.
            const FileSizeLimit limit(100000);
            h.engine().control.onRecordButton();
            stopped = h.waitFor([&] { return h.paneContains(QStringLiteral("Recording stopped")); },
                                30000);
            file = h.engine().bridge.recordPath;
        }
        ASSERT_TRUE(stopped) << h.window.paneText().toStdString();
        EXPECT_FALSE(h.app->status.recording);
        EXPECT_EQ(QFileInfo(file).size(), 100000);
        const qsizetype before = h.captured().size();
        ASSERT_TRUE(h.waitFor([&] { return h.captured().size() > before + 20000; }, 15000));
        EXPECT_TRUE(h.app->status.playing);
        h.stop();
    }
}

using namespace Qt::StringLiterals;

namespace {

// Records a mount through three title changes ("Kestrel - <song> 1" ...: a title among the
// last five would be no change) set four seconds apart through Icecast's admin call; stops
// once the audio after the last one is in too (the bridge writes in gathered runs of up to
// 2.5 s), with the song writer done.
Recorded recordSongs(EngineHarness& h, const QString& mount, const QString& song)
{
    TestStation::setTitle(mount, QStringLiteral("Kestrel - Opening"));
    h.play(TestStation::icecast(mount));
    EXPECT_TRUE(
        h.waitFor([&] { return h.paneContains(QStringLiteral("- Kestrel - Opening\n")); }, 20000));
    const Recorded r = recordFor(h, 4, [&] {
        for (int i = 1; i <= 3; ++i) {
            QThread::msleep(4000);
            const QString title = QStringLiteral("Kestrel - %1 %2").arg(song).arg(i);
            TestStation::setTitle(mount, title);
            EXPECT_TRUE(h.waitFor([&] { return h.paneContains(u"- " + title + u'\n'); }, 10000));
        }
    });
    h.stop();
    EXPECT_TRUE(h.engine().bridge.songs.waitIdle(10000));
    return r;
}

QString probeEntries(const QString& path, const QString& entries, bool count = false)
{
    QStringList args = {QStringLiteral("-v"),
                        QStringLiteral("error"),
                        QStringLiteral("-show_entries"),
                        entries,
                        QStringLiteral("-of"),
                        QStringLiteral("default=nw=1:nk=1"),
                        path};
    if (count)
        args.prepend(QStringLiteral("-count_packets"));
    return QString::fromUtf8(TestStation::run(QStringLiteral("ffprobe"), args));
}

int frameCount(const QString& path)
{
    return probeEntries(path, QStringLiteral("stream=nb_read_packets"), true).toInt();
}

} // namespace

TEST(Recording, CueSheetHasATrackWhereEachTitleArrived)
{
    REQUIRE_STATION();
    EngineHarness h(QStringLiteral("capture-player.sh"));
    const Recorded r = recordSongs(h, QStringLiteral("/tone.mp3"), QStringLiteral("Cue"));
    const QString cue = r.file.left(r.file.size() - 3) + QStringLiteral("cue");
    const QString printed = QString::fromUtf8(TestStation::run(QStringLiteral("cueprint"), {cue}));
    EXPECT_TRUE(printed.contains(QStringLiteral("no. of tracks:\t4\n"))) << printed.toStdString();
    for (const char* title : {"Opening", "Cue 1", "Cue 2", "Cue 3"})
        EXPECT_TRUE(printed.contains(QStringLiteral("title:\t\t") + QLatin1String(title)));
    EXPECT_EQ(printed.count(QStringLiteral("perfomer:\tKestrel\n")), 4);

    // The pane's time of a title is when its gathered run was handled; the audio position
    // of the title lies up to one run (40000 bytes, 2.5 s at 128 kbit/s) later.
    std::vector<double> index, seen;
    auto at = QRegularExpression(QStringLiteral("INDEX 01 (\\d+):(\\d\\d):(\\d\\d)"))
                  .globalMatch(QString::fromUtf8(readAll(cue)));
    while (at.hasNext()) {
        const auto m = at.next();
        index.push_back(m.captured(1).toInt() * 60 + m.captured(2).toInt() +
                        m.captured(3).toInt() / 75.0);
    }
    at = QRegularExpression(QStringLiteral("\n@ (\\d+\\.\\d) sec\\. Recording Time\n"))
             .globalMatch(QString::fromUtf8(readAll(r.info)));
    while (at.hasNext())
        seen.push_back(at.next().captured(1).toDouble());
    ASSERT_EQ(index.size(), 4u);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(index[0], 0);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_GE(index[i + 1] - seen[i], -0.5) << i;
        EXPECT_LE(index[i + 1] - seen[i], 2.5 + 0.5) << i;
    }
}

TEST(Recording, SplitBySongGivesOneTaggedPlayableFilePerSong)
{
    REQUIRE_STATION();
    for (const QString& extension : {QStringLiteral("mp3"), QStringLiteral("aac")}) {
        SCOPED_TRACE(extension.toStdString());
        EngineHarness h(QStringLiteral("capture-player.sh"));
        h.app->splitSongs = 1;
        h.app->shortestSongSeconds = 2;
        const Recorded r = recordSongs(h, u"/tone." + extension, extension);
        QStringList songs = h.engine().bridge.songs.producedFiles();
        songs.removeIf([&](const QString& f) { return !f.endsWith(extension); });
        ASSERT_EQ(songs.size(), 4) << songs.join(u' ').toStdString();
        EXPECT_FALSE(QFile::exists(r.file)) << "no continuous file beside the songs";
        QByteArray audio;
        int frames = 0;
        for (int i = 0; i < 4; ++i) {
            const QString title = i ? extension + u' ' + QString::number(i) : u"Opening"_s;
            EXPECT_EQ(songs[i], QFileInfo(r.file).path() + u"/Kestrel - " + title +
                                    (i % 3 ? u"."_s : u" (partial)."_s) + extension);
            // An MP3 song may begin on a frame whose bit reservoir lies in the song before.
            const int errors = decodeErrors(songs[i]);
            EXPECT_GE(errors, 0);
            EXPECT_LE(errors, extension == u"mp3" ? 1 : 0) << songs[i].toStdString();
            EXPECT_EQ(probeEntries(songs[i], QStringLiteral("format_tags=artist,title,album")),
                      u"Kestrel Test tone." + extension + u"\nKestrel\n" + title + u'\n');
            frames += frameCount(songs[i]);
            const QByteArray bytes = readAll(songs[i]);
            ASSERT_TRUE(bytes.startsWith("ID3"));
            const auto size = [&](int k) { return (uchar(bytes[k]) & 0x7F) << (7 * (9 - k)); };
            audio += bytes.mid(10 + size(6) + size(7) + size(8) + size(9));
        }
        // Nothing lost, nothing twice: the songs in a row are what the player got.
        EXPECT_GE(h.captured().indexOf(audio), 0);
        QFile whole(h.dir.path() + u"/whole." + extension);
        ASSERT_TRUE(whole.open(QIODevice::WriteOnly) && whole.write(audio) == audio.size());
        whole.close();
        EXPECT_NEAR(frames, frameCount(whole.fileName()), 3);
        EXPECT_GT(frames, 12 * 38);
        EXPECT_EQ(readAll(r.info).count("\nSong file: Kestrel - "), 4);

        h.boxes->answer(true);
        h.engine().control.onDeleteRecording();
        for (const QString& f : songs + QStringList{r.file.chopped(3) + u"cue"})
            EXPECT_FALSE(QFile::exists(f)) << f.toStdString();
    }
}
