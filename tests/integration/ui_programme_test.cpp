#include "app/controlids.h"
#include "programme/curlauxthread.h"
#include "tests/integration/station.h"
#include "tests/integration/windowrig.h"
#include "tests/support/spin.h"
#include "ui/infopane.h"

#include <QLineEdit>
#include <gtest/gtest.h>

// A stream without metadata whose address holds a table key: the pane shows the programme
// on air and the next one, and "Playing Now" when the next one starts.
TEST(Window, ProgrammeOfThePlayedChannel)
{
    if (!TestStation::up())
        GTEST_FAIL() << "the local test station did not start";
    const QString url = TestStation::fake(QStringLiteral("/programme/stream/fipjazz"));
    WindowRig rig("\nLocal\nJazz \t" + url.toUtf8() + "\n");
    ASSERT_TRUE(rig.started);
    CKestrelwaveApp& app = *rig.app;
    CCurlAuxThread& programme = app.programme;
    programme.pageHostForTesting = TestStation::fake(QStringLiteral("/programme/etag")).toUtf8();
    // The server's next programme starts at 1700000065: 7 s after the page is read, whenever
    // that is.
    programme.clock = [] { return qint64(1700000058); };
    CKestrelwaveDlg& dlg = rig.open();

    qobject_cast<QLineEdit*>(dlg.control(ids::IDC_URL))->setText(url);
    dlg.command(ids::IDC_PLAY);
    const auto paneHas = [&dlg](const QString& text) {
        return dlg.infoPane()->text().contains(text);
    };
    ASSERT_TRUE(spinUntil([&] { return paneHas(QStringLiteral("- Avec Paul Durand")); }, 20000))
        << dlg.infoPane()->text().toStdString();
    const QString pane = dlg.infoPane()->text();
    // The pane wraps the long address.
    EXPECT_TRUE(pane.contains(u"\nLoading Page http://127.0.0.1:")) << pane.toStdString();
    EXPECT_TRUE(pane.contains(u"\nPlaying for 7 s\n- Jazz du matin\n")) << pane.toStdString();
    EXPECT_TRUE(pane.contains(u"\nPlaying Next in 22 s\n- Jazz au soir\n")) << pane.toStdString();
    EXPECT_TRUE(dlg.programmeRefreshTimer().isActive());
    EXPECT_TRUE(dlg.nextProgrammeTimer().isActive());

    ASSERT_TRUE(spinUntil([&] { return paneHas(QStringLiteral("Playing Now")); }, 15000))
        << dlg.infoPane()->text().toStdString();
    EXPECT_TRUE(dlg.infoPane()->text().endsWith(
        u"Playing Now\n- Jazz au soir\n- Avec Paul Durand\n- jazz\n"))
        << dlg.infoPane()->text().toStdString();
    EXPECT_FALSE(dlg.nextProgrammeTimer().isActive());

    dlg.command(ids::IDOK);
    EXPECT_FALSE(programme.transferRunning());
    EXPECT_FALSE(dlg.programmeRefreshTimer().isActive());
}
