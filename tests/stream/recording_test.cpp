#include "app/kestrelwaveapp.h"
#include "platform/registrystore.h"
#include "stream/streamengine.h"
#include "tests/support/apprig.h"
#include "tests/support/fakewindow.h"
#include "tests/support/scriptedmessageboxes.h"
#include "tests/support/spin.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

// Runs GUI work on the test's main thread, as the dialog does: a worker's call waits until
// the main thread handles events.
class GuiThreadWindow : public FakeWindow {
public:
    void invokeOnGui(const std::function<void()>& f) override
    {
        if (QThread::currentThread() == receiver_.thread())
            f();
        else
            QMetaObject::invokeMethod(&receiver_, f, Qt::BlockingQueuedConnection);
    }

private:
    QObject receiver_;
};

// Runs a hook before the first GUI call: what the user did while the worker was busy.
class InterruptingWindow : public FakeWindow {
public:
    void invokeOnGui(const std::function<void()>& f) override
    {
        if (auto hook = std::exchange(beforeFirstCall, nullptr))
            hook();
        FakeWindow::invokeOnGui(f);
    }
    std::function<void()> beforeFirstCall;
};

} // namespace

TEST(Recording, NamesStayInsideTheRecordingsFolder)
{
    struct Row {
        const char16_t* station;
        const char16_t* name;
    };
    const Row rows[] = {
        {u"AC/DC: Live", u"AC_DC_ Live"},
        {u"Radio: News...", u"Radio_ News"},
        {u"", u"Unknown"},
        {u"..", u"Unknown"},
        {u" . ", u"Unknown"},
        {u"../../etc/passwd", u"_.._etc_passwd"},
        {u".hidden", u"hidden"},
        {u"Tab\there\r\n", u"Tab_here"},
        {u"Café <Crème> | \"Quoted\"?*", u"Café _Crème_ _ _Quoted"},
        {u"Radio \U0001F3B5 Jazz", u"Radio \U0001F3B5 Jazz"},
        {u"Bell\u0007", u"Unknown"},
    };
    for (const Row& r : rows) {
        const QString name = recordingName(QString::fromUtf16(r.station));
        EXPECT_EQ(name, QString::fromUtf16(r.name)) << QString::fromUtf16(r.station).toStdString();
        EXPECT_FALSE(name.contains(u'/'));
        EXPECT_NE(name, QStringLiteral(".."));
    }
    const QString longName = recordingName(QString(1000, u'x'));
    EXPECT_EQ(longName, QString(100, u'x'));
    // 100 three-byte characters would make a file name longer than the file system takes.
    const QString wide = recordingName(QString(100, QChar(0x97F3)));
    EXPECT_EQ(wide, QString(66, QChar(0x97F3)));
    // A cut never splits a pair: 99 letters leave no room for a two-unit character.
    const QString split = recordingName(QString(99, u'x') + QStringLiteral("\U0001F3B5"));
    EXPECT_EQ(split, QString(99, u'x'));
}

TEST(Recording, FirstFreeNameGetsANumber)
{
    QTemporaryDir dir;
    const QString stem = dir.path() + QStringLiteral("/Jazz_26-12-08@14h05");
    EXPECT_EQ(freeRecordingPath(stem, QStringLiteral("mp3")), stem + QStringLiteral(".mp3"));
    for (const char* taken : {".mp3", "_01.mp3"}) {
        QFile f(stem + QLatin1String(taken));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(freeRecordingPath(stem, QStringLiteral("mp3")), stem + QStringLiteral("_02.mp3"));
    EXPECT_EQ(freeRecordingPath(stem, QStringLiteral("aac")), stem + QStringLiteral(".aac"));
}

TEST(Recording, OpeningFailuresSetTheirCode)
{
    FakeWindow window;
    AppRig rig(window);
    CKestrelwaveApp& app = rig.app;
    const QTemporaryDir& dir = rig.dir;
    StreamEngine& e = *app.engine;
    const QString data = dir.path() + QStringLiteral("/Kestrelwave");
    QDir().mkpath(data);
    app.dataFolder = data;

    StationInfoValues info;
    e.info.set(info); // no extension
    EXPECT_FALSE(e.bridge.openRecording(QStringLiteral("Jazz")));
    EXPECT_EQ(e.curl.recordError.load(), 10);

    info.fileExtension = QStringLiteral("mp3");
    e.info.set(info);
    app.dataFolder = dir.path() + QStringLiteral("/missing");
    EXPECT_FALSE(e.bridge.openRecording(QStringLiteral("Jazz")));
    EXPECT_EQ(e.curl.recordError.load(), 11);
    app.dataFolder = data;

    QFile blocker(data + QStringLiteral("/Blocked"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
    blocker.close();
    EXPECT_FALSE(e.bridge.openRecording(QStringLiteral("Blocked")));
    EXPECT_EQ(e.curl.recordError.load(), 12);
    EXPECT_EQ(e.curl.recordErrorFolder, data + QStringLiteral("/Blocked"));

    // No descriptor left for the file.
    QDir().mkpath(data + QStringLiteral("/Jazz"));
    rlimit old{};
    getrlimit(RLIMIT_NOFILE, &old);
    const int lowestFree = ::dup(0); // the number the next open would get
    ::close(lowestFree);
    rlimit tight = old;
    tight.rlim_cur = rlim_t(lowestFree);
    setrlimit(RLIMIT_NOFILE, &tight);
    const bool opened = e.bridge.openRecording(QStringLiteral("Jazz"));
    setrlimit(RLIMIT_NOFILE, &old);
    EXPECT_FALSE(opened);
    EXPECT_EQ(e.curl.recordError.load(), 13);

    // And a good one: the file, its information file, and both gone again when empty.
    EXPECT_TRUE(e.bridge.openRecording(QStringLiteral("Jazz")));
    const QString path = e.bridge.recordPath;
    EXPECT_TRUE(path.startsWith(data + QStringLiteral("/Jazz/Jazz_")));
    EXPECT_TRUE(path.endsWith(QStringLiteral(".mp3")));
    EXPECT_EQ(e.bridge.infoPath, path.left(path.size() - 3) + QStringLiteral("txt"));
    EXPECT_TRUE(QFile::exists(path));
    e.bridge.closeRecording();
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(QFile::exists(e.bridge.infoPath));
}

TEST(Recording, PaneLinesGoOnWhileAWorkerOpensARecording)
{
    GuiThreadWindow window;
    AppRig rig(window);
    CKestrelwaveApp& app = rig.app;
    StreamEngine& e = *app.engine;
    StationInfoValues info;
    info.fileExtension = QStringLiteral("mp3");
    e.info.set(info);

    std::atomic<bool> opened{false}, openDone{false}, shown{false};
    std::thread worker([&] {
        opened = e.bridge.openRecording(QStringLiteral("Jazz"));
        openDone = true;
    });
    // The worker ends its opening with a call to this thread, which is not served yet; a
    // pane line written meanwhile (the GUI thread's own work) must not wait for it.
    QThread::msleep(300);
    std::thread pane([&] {
        window.showText(QStringLiteral("Pane line\n"));
        shown = true;
    });
    for (int i = 0; i < 100 && !shown; ++i)
        QThread::msleep(20);
    EXPECT_TRUE(shown) << "the pane waits for the recording lock held across a GUI call";
    EXPECT_TRUE(spinUntil([&] { return openDone && shown; }, 5000));
    worker.join();
    pane.join();
    ASSERT_TRUE(opened);
    EXPECT_EQ(e.control.lastRecordPath, e.bridge.recordPath);
    QFile infoFile(e.bridge.infoPath);
    ASSERT_TRUE(infoFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(infoFile.readAll(), QByteArray("Pane line\n"));
    e.bridge.closeRecording();
}

TEST(Recording, StopWhileTheFilesAreOpenedLeavesNothingBehind)
{
    InterruptingWindow window;
    AppRig rig(window);
    CKestrelwaveApp& app = rig.app;
    StreamEngine& e = *app.engine;
    StationInfoValues info;
    info.fileExtension = QStringLiteral("mp3");
    info.stationName = QStringLiteral("Jazz");
    e.info.set(info);
    QByteArray played;
    e.bridge.setPipeWriterForTesting([&](const char* d, std::size_t n) {
        played.append(d, qsizetype(n));
        return true;
    });
    e.format.formatCode = FormatMp3;
    e.format.metaInterval = 0;
    e.meta.reset();
    e.bridge.reset();

    // Record is pressed, and pressed again before the worker has opened the files.
    app.status.recording = 1;
    window.beforeFirstCall = [&] { e.control.StopRecording(); };
    QByteArray frames;
    for (int f = 0; f < 200; ++f)
        frames += QByteArray("\xFF\xFB\x90\x00", 4) + QByteArray(413, '\x55');
    for (qsizetype pos = 0; pos < frames.size(); pos += 4170)
        ASSERT_GT(e.bridge.pump(frames.constData() + pos, 4170), 0);

    EXPECT_FALSE(e.bridge.recordingOpen());
    EXPECT_FALSE(app.status.recording);
    EXPECT_TRUE(QDir(rig.dir.path() + QStringLiteral("/Jazz")).entryList(QDir::Files).isEmpty());
    EXPECT_FALSE(played.isEmpty()); // playback went on
}

// The stop line is for the pane: the information file ends with what was shown while the
// recording ran.
TEST(Recording, StopLineComesAfterTheFilesAreClosed)
{
    FakeWindow window;
    AppRig rig(window);
    CKestrelwaveApp& app = rig.app;
    StreamEngine& e = *app.engine;
    StationInfoValues info;
    info.fileExtension = QStringLiteral("mp3");
    e.info.set(info);
    ASSERT_TRUE(e.bridge.openRecording(QStringLiteral("Jazz")));
    app.status.recording = 1;
    const QString infoPath = e.bridge.infoPath;
    window.showText(QStringLiteral("\nStart recording\n"));

    e.control.StopRecording();
    EXPECT_FALSE(e.bridge.recordingOpen());
    EXPECT_FALSE(app.status.recording);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("\nStop recording after \\d+\\.\\d sec\\.\n$"))
                    .match(window.paneText())
                    .hasMatch())
        << window.paneText().toStdString();
    QFile infoFile(infoPath);
    ASSERT_TRUE(infoFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(infoFile.readAll(), QByteArray("\nStart recording\n"));
}
