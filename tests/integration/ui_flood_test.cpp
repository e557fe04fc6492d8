#include "app/controlids.h"
#include "app/kestrelwaveapp.h"
#include "stream/streamengine.h"
#include "tests/integration/station.h"
#include "tests/integration/windowrig.h"
#include "tests/support/spin.h"
#include "ui/infopane.h"
#include "ui/kestrelwavedlg.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>
#include <gtest/gtest.h>

// A station that sends a new 4000-byte title every 200 audio bytes must not take the window
// from the user: the event loop keeps answering within 200 ms, Stop and Close end at once,
// and the pane stays within its bound.
TEST(Window, TitleFloodLeavesTheWindowResponsive)
{
    if (!TestStation::up())
        GTEST_FAIL() << "the local test station did not start";
    const QString url = TestStation::fake(QStringLiteral("/flood"));
    WindowRig rig("\nHostile\nFlood\t" + url.toUtf8() + "\n");
    ASSERT_TRUE(rig.started);
    CKestrelwaveApp& app = *rig.app;
    rig.useCapturePlayer();
    CKestrelwaveDlg& dlg = rig.open();
    rig.play(url);
    ASSERT_TRUE(spinUntil(
        [&] { return dlg.infoPane()->text().contains(QStringLiteral("- Flood ")); }, 15000))
        << dlg.infoPane()->text().toStdString();

    // How long a queued call waits for the window, sampled for three seconds of flood.
    qint64 worst = 0;
    int samples = 0;
    QElapsedTimer running;
    running.start();
    while (running.elapsed() < 3000) {
        QElapsedTimer waited;
        waited.start();
        bool ran = false;
        QTimer::singleShot(0, &dlg, [&] { ran = true; });
        ASSERT_TRUE(spinUntil([&] { return ran; }, 5000));
        worst = std::max(worst, waited.elapsed());
        ++samples;
        spinUntil([] { return false; }, 50);
    }
    EXPECT_GT(samples, 10);
    EXPECT_LT(worst, 200) << "the window did not answer for " << worst << " ms";
    EXPECT_LE(dlg.infoPane()->document()->characterCount() - 1, InfoPane::kMaxChars);

    QElapsedTimer stop;
    stop.start();
    dlg.command(ids::IDC_PLAY);
    EXPECT_LT(stop.elapsed(), 3000);
    EXPECT_FALSE(app.status.playing);
    QElapsedTimer close;
    close.start();
    dlg.command(ids::IDOK);
    EXPECT_LT(close.elapsed(), 3000);
    EXPECT_FALSE(app.engine->curl.threadAlive());
}
