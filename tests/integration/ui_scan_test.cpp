#include "app/controlids.h"
#include "app/kestrelwaveapp.h"
#include "scan/autoscan.h"
#include "stations/listline.h"
#include "stream/streamengine.h"
#include "tests/integration/station.h"
#include "tests/integration/windowrig.h"
#include "tests/support/spin.h"
#include "ui/infopane.h"
#include "ui/kestrelwavedlg.h"

#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

// One scan over live, dead, slow, playlist and complete entries, through the real window,
// the real worker and the local test station.
TEST(Window, AutoScanNamesLiveStationsMarksDeadOnesAndCanBeUndone)
{
    if (!TestStation::up())
        GTEST_FAIL() << "the local test station did not start";
    const QByteArray refused = "http://127.0.0.1:9/x"; // the discard port, closed here
    const QByteArray list = "\nLive\n"
                            "\t" +
                            TestStation::icecast(QStringLiteral("/tone.mp3")).toUtf8() +
                            "\n"
                            "Old Ogg name\t" +
                            TestStation::icecast(QStringLiteral("/vorbis.ogg")).toUtf8() +
                            "\n"
                            "INVALID\t" +
                            TestStation::fake(QStringLiteral("/m3u")).toUtf8() +
                            "\n"
                            "\nDead\n"
                            "Refused\t" +
                            refused +
                            "\n"
                            "Missing\t" +
                            TestStation::fake(QStringLiteral("/gone")).toUtf8() +
                            "\n"
                            "Complete One\t" +
                            TestStation::fake(QStringLiteral("/complete")).toUtf8() +
                            "\tmp3_128k\n"
                            "#My Silent Radio\t" +
                            TestStation::fake(QStringLiteral("/nobody")).toUtf8() + "\n";
    WindowRig rig(list);
    ASSERT_TRUE(rig.started);
    CKestrelwaveApp& app = *rig.app;
    // A stand-in player that leaves a file behind if it is ever started.
    const QString started = rig.dir.path() + QStringLiteral("/player-started");
    rig.useCapturePlayer(started);
    CKestrelwaveDlg& dlg = rig.open();
    StationList& stations = app.stations;
    ASSERT_EQ(stations.count(), 9);
    std::vector<ListEntry> before;
    for (qsizetype i = 0; i < stations.count(); ++i)
        before.push_back(stations.entry(i));

    auto* button = qobject_cast<QPushButton*>(dlg.control(ids::IDC_AUTO_SCAN));
    rig.boxes->clear();
    rig.boxes->answer(false); // keep the names
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(button->text(), QStringLiteral("Stop Auto Scan"));
    EXPECT_TRUE(button->isChecked());
    EXPECT_TRUE(dlg.scanProgress()->isVisible());
    EXPECT_EQ(dlg.scanProgress()->maximum(), 7);

    const QString endBox = QStringLiteral("Auto-scan terminated");
    ASSERT_TRUE(spinUntil([&] { return rig.boxes->texts().contains(endBox); }, 60000))
        << dlg.infoPane()->text().toStdString();
    spinUntil([] { return false; }, 300);

    EXPECT_EQ(stations.name(1), QStringLiteral("Kestrel Test tone.mp3"));
    EXPECT_TRUE(stations.format(1).startsWith(QStringLiteral("mp3")));
    // Without a tag the entry was not complete; the announced name replaces the old one.
    EXPECT_EQ(stations.name(2), QStringLiteral("Kestrel Test vorbis.ogg"));
    EXPECT_TRUE(stations.format(2).startsWith(QStringLiteral("ogg")))
        << stations.format(2).toStdString();
    EXPECT_EQ(stations.name(3), QStringLiteral("Fake Station")); // through the playlist
    EXPECT_EQ(stations.format(3), QStringLiteral("mp3_128k"));
    EXPECT_EQ(stations.name(5), QStringLiteral("INVALID"));
    EXPECT_EQ(stations.name(6), QStringLiteral("INVALID"));
    EXPECT_EQ(stations.name(7), QStringLiteral("Complete One"));
    EXPECT_EQ(stations.name(8), QStringLiteral("My Silent Radio")); // the user's name stays
    EXPECT_TRUE(stations.flags(8) & MARK_INVALID);

    const QByteArray asked =
        TestStation::run(QStringLiteral("curl"),
                         {QStringLiteral("-s"), TestStation::fake(QStringLiteral("/requests"))});
    EXPECT_TRUE(asked.contains("/m3u\n") && asked.contains("/gone\n")) << asked.toStdString();
    EXPECT_FALSE(asked.contains("/complete")) << asked.toStdString();
    EXPECT_FALSE(QFile::exists(started)) << "a scan started a player";
    // The end box is the only plain box: failures are not announced during a scan.
    int plainBoxes = 0;
    for (const auto& box : rig.boxes->boxes())
        plainBoxes += box.kind == ScriptedMessageBoxes::Kind::Show ? 1 : 0;
    EXPECT_EQ(plainBoxes, 1) << rig.boxes->texts().join(u'|').toStdString();
    EXPECT_EQ(rig.boxes->texts().count(endBox), 1);

    const QString pane = dlg.infoPane()->text();
    const qsizetype begun = pane.indexOf(QStringLiteral("AUTO-SCAN STARTED..."));
    const qsizetype ended = pane.indexOf(QStringLiteral("AUTO-SCAN TERMINATED"));
    EXPECT_GE(begun, 0);
    EXPECT_GT(ended, begun);
    EXPECT_GT(pane.indexOf(QStringLiteral("No response from")), begun) << pane.toStdString();
    EXPECT_FALSE(pane.contains(QStringLiteral("Buffering")));
    EXPECT_EQ(button->text(), QStringLiteral("Auto Scan"));
    EXPECT_FALSE(button->isChecked());
    EXPECT_FALSE(dlg.scanProgress()->isVisible());

    // Ctrl+Z gives the list back as it was before the scan.
    QTest::keyClick(dlg.listView(), Qt::Key_Z, Qt::ControlModifier);
    ASSERT_EQ(stations.count(), qsizetype(before.size()));
    for (qsizetype i = 0; i < stations.count(); ++i) {
        EXPECT_EQ(stations.name(i), before[size_t(i)].name) << i;
        EXPECT_EQ(stations.format(i), before[size_t(i)].format) << i;
    }
    dlg.command(ids::IDOK);
}
