#include "programme/curlauxthread.h"
#include "tests/integration/station.h"
#include "tests/support/apprig.h"
#include "tests/support/fakewindow.h"
#include "tests/support/spin.h"

#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

constexpr qint64 kT0 = 1700000000; // the scripted server's programme time base

struct View : ProgrammeViewPort {
    void startProgrammeRefresh() override { ++refreshStarts; }
    void armNextProgramme(qint64 ms) override { armedMs = ms; }
    void stopNextProgramme() override { armedMs = -1; }
    int refreshStarts = 0;
    qint64 armedMs = -1;
};

// The application playing, with the table's pages served by the scripted server under kind.
struct ProgrammeRig {
    explicit ProgrammeRig(const QString& kind) : rig(window)
    {
        rig.app.status.playing = 1;
        programme().setView(&view);
        programme().clock = [] { return kT0; };
        programme().pageHostForTesting =
            TestStation::fake(QStringLiteral("/programme/") + kind).toUtf8();
    }
    ~ProgrammeRig()
    {
        programme().shutdown();
        programme().setView(nullptr);
    }
    CCurlAuxThread& programme() { return rig.app.programme; }

    // findAndLoad's result, waited for with the event loop turning.
    int load(const char* station)
    {
        int result = 1;
        programme().findAndLoad(station, true, [&result](int r) { result = r; });
        spinUntil([&result] { return result != 1; }, 20000);
        return result;
    }
    int requests(const QString& path) const
    {
        const QByteArray log = TestStation::run(
            QStringLiteral("curl"),
            {QStringLiteral("-s"), TestStation::fake(QStringLiteral("/requests"))});
        return int(log.count(QByteArray(path.toUtf8() + '\n')));
    }

    FakeWindow window;
    AppRig rig;
    View view;
};

#define REQUIRE_STATION()                                                                          \
    if (!TestStation::up())                                                                        \
    GTEST_FAIL() << "the local test station did not start"

} // namespace

TEST(ProgrammeInfoLive, PageWithTagIsReported)
{
    REQUIRE_STATION();
    ProgrammeRig r(QStringLiteral("etag"));
    EXPECT_EQ(r.load("http://127.0.0.1:8000/fipjazz-midfi.mp3"), 0);
    EXPECT_EQ(r.programme().pageTag, "\"v1");
    const QString pane = r.window.paneText();
    EXPECT_TRUE(pane.startsWith(u"\nLoading Page http://127.0.0.1:")) << pane.toStdString();
    EXPECT_TRUE(pane.endsWith(u"/programme/etag/fip/radio-jazz\n"
                              u"\nPlaying for 1 m 5 s\n- Jazz du matin\n- Avec Anne Martin\n"
                              u"- jazz\n\nPlaying Next in 1 m 20 s\n- Jazz au soir\n"
                              u"- Avec Paul Durand\n- jazz\n"))
        << pane.toStdString();
    EXPECT_EQ(r.view.armedMs, 65020);
}

TEST(ProgrammeInfoLive, PageWithoutTagIsNotParsed)
{
    REQUIRE_STATION();
    ProgrammeRig r(QStringLiteral("noetag"));
    EXPECT_EQ(r.load("http://127.0.0.1:8000/fipjazz"), -2);
    EXPECT_FALSE(r.window.paneText().contains(u"Playing"));
    EXPECT_EQ(r.view.armedMs, -1);
    EXPECT_FALSE(r.programme().bodyText.isEmpty()) << "the page came, but is not read";
    // A header name in lower case (as HTTP/2 sends them all) is the same header.
    ProgrammeRig lower(QStringLiteral("lowetag"));
    EXPECT_EQ(lower.load("http://127.0.0.1:8000/fipjazz"), 0);
    EXPECT_EQ(lower.programme().pageTag, "\"v1");
}

TEST(ProgrammeInfoLive, ChangedTagReloadsAndSameTagDoesNot)
{
    REQUIRE_STATION();
    {
        ProgrammeRig r(QStringLiteral("etag"));
        ASSERT_EQ(r.load("http://127.0.0.1:8000/fipjazz"), 0);
        const int before = r.requests(QStringLiteral("/programme/etag/fip/radio-jazz"));
        r.window.clearInfoPane();
        r.programme().refreshTick();
        ASSERT_TRUE(spinUntil([&r] { return !r.programme().transferRunning(); }, 20000));
        EXPECT_EQ(r.programme().probeDone, 1);
        EXPECT_EQ(r.requests(QStringLiteral("/programme/etag/fip/radio-jazz")), before + 1)
            << "one header check, no download";
        EXPECT_TRUE(r.window.paneText().isEmpty());
    }
    ProgrammeRig r(QStringLiteral("changing"));
    ASSERT_EQ(r.load("http://127.0.0.1:8000/fipjazz"), 0);
    const QByteArray first = r.programme().pageTag;
    r.window.clearInfoPane();
    r.programme().refreshTick();
    ASSERT_TRUE(spinUntil(
        [&r] { return r.programme().loadDone == 1 && !r.programme().transferRunning(); }, 20000));
    EXPECT_NE(r.programme().pageTag, first);
    EXPECT_TRUE(r.window.paneText().contains(u"Playing for 1 m 5 s\n"));
}

// A server that accepts and never answers is given up within the bound, the event loop
// turning all the while; a stop of playback ends the transfer at once.
TEST(ProgrammeInfoLive, SilentServerIsBounded)
{
    REQUIRE_STATION();
    ProgrammeRig r(QStringLiteral("silent"));
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&ticks] { ++ticks; });
    tick.start(100);
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(r.load("http://127.0.0.1:8000/fipjazz"), -2);
    const qint64 took = t.elapsed();
    EXPECT_GE(took, 14000);
    EXPECT_LT(took, 17500);
    EXPECT_GT(ticks, int(took / 100) / 2) << "the waiting thread kept handling its events";
    EXPECT_EQ(r.programme().curlResult, 28) << "operation timed out";

    int result = 1;
    r.programme().findAndLoad("http://127.0.0.1:8000/fipjazz", false,
                              [&result](int x) { result = x; });
    spinUntil([] { return false; }, 300);
    t.restart();
    r.rig.app.status.playing = 0;
    ASSERT_TRUE(spinUntil([&result] { return result != 1; }, 5000));
    EXPECT_LT(t.elapsed(), 2500);
    EXPECT_EQ(result, -2);
}
