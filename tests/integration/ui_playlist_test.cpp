#include "app/controlids.h"
#include "app/kestrelwaveapp.h"
#include "stream/streamengine.h"
#include "tests/integration/station.h"
#include "tests/integration/windowrig.h"
#include "tests/support/spin.h"
#include "ui/infopane.h"
#include "ui/kestrelwavedlg.h"

#include <QTableView>
#include <gtest/gtest.h>

// A station page's playlist: its #EXTINF carries a logo address before the stream's own. Played
// from the list, the station is the Icecast mount and the player's sound reaches the null sink.
TEST(Window, PlaylistWithALogoPlaysItsStream)
{
    if (!TestStation::up())
        GTEST_FAIL() << "the local test station did not start";
    WindowRig rig("\nLocal\nLogo playlist \t" +
                  TestStation::fake(QStringLiteral("/logo.m3u")).toUtf8() + "\n");
    ASSERT_TRUE(rig.started);
    CKestrelwaveApp& app = *rig.app;
    CKestrelwaveDlg& dlg = rig.open();
    QTableView* view = dlg.listView();
    Q_EMIT view->doubleClicked(view->model()->index(1, 0));
    ASSERT_TRUE(spinUntil([] { return TestStation::playerSinkInput() >= 0; }, 20000))
        << dlg.infoPane()->text().toStdString();
    EXPECT_EQ(app.engine->curl.urlUtf8, TestStation::icecast(QStringLiteral("/tone.mp3")).toUtf8());
    EXPECT_TRUE(
        dlg.infoPane()->text().contains(QStringLiteral("Station : Kestrel Test tone.mp3\n")));
    EXPECT_EQ(app.stations.name(1), QStringLiteral("Kestrel Test tone.mp3"));
    dlg.command(ids::IDC_PLAY);
    EXPECT_FALSE(app.engine->bridge.playerRunning());
}
