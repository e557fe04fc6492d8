#include "app/controlids.h"
#include "app/kestrelwaveapp.h"
#include "stream/streamengine.h"
#include "tests/integration/station.h"
#include "tests/integration/windowrig.h"
#include "tests/support/spin.h"
#include "ui/kestrelwavedlg.h"
#include "ui/scopewidget.h"

#include <QImage>
#include <QTableView>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

const QRgb kTraceGreen = qRgb(0x20, 0xDC, 0x10);

// Where the trace lies in the scope's drawn image.
struct Trace {
    int offMiddle = 0;         // trace pixels 3 rows or more from mid height
    bool flatAtMiddle = false; // across the whole width, exactly on the middle row
};

Trace traceOf(ScopeWidget& scope)
{
    const QImage image = scope.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const int middle = image.height() / 2;
    Trace t;
    bool flat = image.width() > 0;
    for (int x = 0; x < image.width(); ++x) {
        int inColumn = 0;
        for (int y = 0; y < image.height(); ++y) {
            if (image.pixel(x, y) != kTraceGreen)
                continue;
            ++inColumn;
            if (std::abs(y - middle) >= 3)
                ++t.offMiddle;
            if (y != middle)
                flat = false;
        }
        if (inColumn != 1)
            flat = false;
    }
    t.flatAtMiddle = flat;
    return t;
}

int shownPeak(const ScopeWidget& scope)
{
    int peak = 0;
    for (const std::int16_t v : scope.points())
        peak = std::max(peak, std::abs(int(v)));
    return peak;
}

ScopeWidget& scopeOf(CKestrelwaveDlg& dlg)
{
    return *qobject_cast<ScopeWidget*>(dlg.control(ids::IDC_SCOPE));
}

QByteArray stationList()
{
    return "\nLocal\nTest tone \t" + TestStation::icecast(QStringLiteral("/tone.mp3")).toUtf8() +
           "\n";
}

// The index of the sink input our player opened, -1 while there is none.
int playerSinkInput()
{
    const QString text = QString::fromUtf8(TestStation::run(
        QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("sink-inputs")}));
    for (const QString& block : text.split(QStringLiteral("Sink Input #"), Qt::SkipEmptyParts)) {
        if (block.contains(QStringLiteral("kestrelwave.player = \"kw-")))
            return block.section(u'\n', 0, 0).trimmed().toInt();
    }
    return -1;
}

void pactl(const QStringList& args)
{
    TestStation::run(QStringLiteral("pactl"), args);
}

// Plays the list's station and waits until the scope shows its tone.
bool playUntilTraceMoves(CKestrelwaveDlg& dlg)
{
    QTableView* view = dlg.listView();
    Q_EMIT view->doubleClicked(view->model()->index(1, 0));
    ScopeWidget& scope = scopeOf(dlg);
    return spinUntil([&] { return shownPeak(scope) > 1000 && traceOf(scope).offMiddle > 20; },
                     20000);
}

} // namespace

TEST(Scope, TraceMovesWithThePlayingStationAndIsFlatAfterStop)
{
    if (!TestStation::up())
        GTEST_FAIL() << "the local test station did not start";
    WindowRig rig(stationList());
    ASSERT_TRUE(rig.started);
    CKestrelwaveApp& app = *rig.app;
    CKestrelwaveDlg& dlg = rig.open();
    COscillo& oscillo = app.engine->scope;
    ScopeWidget& scope = scopeOf(dlg);
    EXPECT_EQ(app.status.scopeRunning, 1);
    EXPECT_EQ(oscillo.device(), QStringLiteral("kw_null"));
    EXPECT_EQ(oscillo.sampleRate, 44100u);

    // Runs come before anything plays, but the line stays flat until a station does.
    const std::uint32_t sent = oscillo.sentCount;
    ASSERT_TRUE(spinUntil([&] { return oscillo.sentCount > sent + 5; }, 5000));
    EXPECT_TRUE(traceOf(scope).flatAtMiddle);

    ASSERT_TRUE(playUntilTraceMoves(dlg))
        << "peak " << shownPeak(scope) << ", " << traceOf(scope).offMiddle << " pixels off middle";

    dlg.command(ids::IDC_PLAY);
    ASSERT_EQ(app.status.playing, 0);
    EXPECT_TRUE(spinUntil([&] { return traceOf(scope).flatAtMiddle; }, 3000));

    dlg.command(ids::IDOK);
    EXPECT_EQ(app.status.scopeRunning, 0);
}

TEST(Scope, SilenceIsAFlatLineAndAnIdleOutputKeepsTheTraceRunning)
{
    if (!TestStation::up())
        GTEST_FAIL() << "the local test station did not start";
    struct Restore {
        ~Restore()
        {
            pactl({QStringLiteral("suspend-sink"), QStringLiteral("kw_null"), QStringLiteral("0")});
        }
    } restore;
    WindowRig rig(stationList());
    ASSERT_TRUE(rig.started);
    CKestrelwaveApp& app = *rig.app;
    CKestrelwaveDlg& dlg = rig.open();
    COscillo& oscillo = app.engine->scope;
    ScopeWidget& scope = scopeOf(dlg);
    ASSERT_TRUE(playUntilTraceMoves(dlg));

    // The station plays on, silenced: the runs hold zeros and the line lies at mid height.
    const int input = playerSinkInput();
    ASSERT_GE(input, 0);
    pactl({QStringLiteral("set-sink-input-mute"), QString::number(input), QStringLiteral("1")});
    EXPECT_TRUE(spinUntil(
        [&] {
            return !scope.points().empty() && shownPeak(scope) == 0 && traceOf(scope).flatAtMiddle;
        },
        5000))
        << "peak " << shownPeak(scope);
    EXPECT_EQ(app.status.playing, 1);
    dlg.command(ids::IDC_PLAY);

    // A suspended output sends nothing at all: made-up silence keeps the runs coming.
    pactl({QStringLiteral("suspend-sink"), QStringLiteral("kw_null"), QStringLiteral("1")});
    spinUntil([] { return false; }, 300);
    const std::uint32_t silent = oscillo.silentFrames, sent = oscillo.sentCount;
    EXPECT_TRUE(spinUntil(
        [&] { return oscillo.silentFrames > silent + 22050 && oscillo.sentCount > sent + 10; },
        5000))
        << oscillo.silentFrames - silent << " silent frames, " << oscillo.sentCount - sent
        << " runs";
    EXPECT_TRUE(traceOf(scope).flatAtMiddle);
    EXPECT_EQ(app.status.scopeRunning, 1);

    // Awake again, the output's own frames come back.
    pactl({QStringLiteral("suspend-sink"), QStringLiteral("kw_null"), QStringLiteral("0")});
    const std::uint32_t captured = oscillo.capturedFrames;
    EXPECT_TRUE(spinUntil([&] { return oscillo.capturedFrames > captured + 22050; }, 5000));
    dlg.command(ids::IDOK);
}

TEST(Scope, ANewDefaultOutputRestartsTheCaptureOnItsMonitor)
{
    if (!TestStation::up())
        GTEST_FAIL() << "the local test station did not start";
    const QByteArray module =
        TestStation::run(QStringLiteral("pactl"),
                         {QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                          QStringLiteral("sink_name=kw_scope2"), QStringLiteral("rate=48000")});
    ASSERT_FALSE(module.trimmed().isEmpty()) << "the second null sink did not load";
    struct Restore {
        QString module;
        ~Restore()
        {
            pactl({QStringLiteral("set-default-sink"), QStringLiteral("kw_null")});
            pactl({QStringLiteral("unload-module"), module});
        }
    } restore{QString::fromUtf8(module.trimmed())};

    WindowRig rig(stationList());
    ASSERT_TRUE(rig.started);
    CKestrelwaveApp& app = *rig.app;
    CKestrelwaveDlg& dlg = rig.open();
    COscillo& oscillo = app.engine->scope;
    ScopeWidget& scope = scopeOf(dlg);
    ASSERT_EQ(oscillo.device(), QStringLiteral("kw_null"));
    ASSERT_TRUE(playUntilTraceMoves(dlg));

    // The desktop switches the output and the player's sound with it; the old monitor is
    // silent from then on.
    pactl({QStringLiteral("set-default-sink"), QStringLiteral("kw_scope2")});
    const int input = playerSinkInput();
    ASSERT_GE(input, 0);
    pactl({QStringLiteral("move-sink-input"), QString::number(input), QStringLiteral("kw_scope2")});
    ASSERT_TRUE(spinUntil(
        [&] { return oscillo.device() == u"kw_scope2" && app.status.scopeRunning == 1; }, 5000))
        << oscillo.device().toStdString();
    EXPECT_EQ(oscillo.sampleRate, 48000u);
    const std::uint32_t sent = oscillo.sentCount;
    EXPECT_TRUE(spinUntil(
        [&] {
            return oscillo.sentCount > sent + 5 && shownPeak(scope) > 1000 &&
                   traceOf(scope).offMiddle > 20;
        },
        10000))
        << "peak " << shownPeak(scope);

    dlg.command(ids::IDC_PLAY);
    pactl({QStringLiteral("set-default-sink"), QStringLiteral("kw_null")});
    EXPECT_TRUE(spinUntil(
        [&] { return oscillo.device() == u"kw_null" && app.status.scopeRunning == 1; }, 5000));
    dlg.command(ids::IDOK);
}

TEST(Scope, WithoutASoundServerTheProgramRunsAndTheScopeIsFlat)
{
    struct Restore {
        QByteArray server = qgetenv("PULSE_SERVER");
        ~Restore() { qputenv("PULSE_SERVER", server); }
    } restore;
    qputenv("PULSE_SERVER", "unix:/nonexistent/kw-no-sound-server");

    WindowRig rig("\nLocal\nNowhere \thttp://127.0.0.1:9/none.mp3\n");
    ASSERT_TRUE(rig.started);
    CKestrelwaveApp& app = *rig.app;
    const std::size_t boxesBefore = rig.boxes->boxes().size(); // start-up's own notices
    CKestrelwaveDlg& dlg = rig.open();
    COscillo& oscillo = app.engine->scope;
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_FALSE(oscillo.scopeOn);
    EXPECT_EQ(app.status.scopeRunning, 0);
    EXPECT_TRUE(oscillo.device().isEmpty());
    // Timers 1 and 4 run meanwhile: the empty scope is redrawn, no device is looked for.
    spinUntil([] { return false; }, 1200);
    EXPECT_TRUE(dlg.isActive());
    EXPECT_EQ(app.status.scopeRunning, 0);
    EXPECT_TRUE(traceOf(scopeOf(dlg)).flatAtMiddle);
    // No error box: at most the player notice that every start shows.
    const auto& boxes = rig.boxes->boxes();
    for (std::size_t i = boxesBefore; i < boxes.size(); ++i)
        EXPECT_NE(boxes[i].kind, ScriptedMessageBoxes::Kind::Show) << boxes[i].text.toStdString();
    dlg.command(ids::IDOK);
}
