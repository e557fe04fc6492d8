#include "app/controlids.h"
#include "app/kestrelwaveapp.h"
#include "stream/streamengine.h"
#include "tests/integration/station.h"
#include "tests/integration/windowrig.h"
#include "tests/support/scriptedmessageboxes.h"
#include "tests/support/spin.h"
#include "ui/infopane.h"
#include "ui/kestrelwavedlg.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>

TEST(Window, DoubleClickPlaysStopAndCloseEndThePlayer)
{
    if (!TestStation::up())
        GTEST_FAIL() << "the local test station did not start";
    const QString url = TestStation::icecast(QStringLiteral("/tone.mp3"));
    WindowRig rig("\nLocal\nTest tone \t" + url.toUtf8() + "\n");
    ASSERT_TRUE(rig.started);
    CKestrelwaveApp& app = *rig.app;
    ASSERT_EQ(app.playerName, QStringLiteral("ffplay"));
    CKestrelwaveDlg& dlg = rig.open();
    ASSERT_EQ(app.stations.count(), 2);
    auto* play = qobject_cast<QPushButton*>(dlg.control(ids::IDC_PLAY));

    // Double-clicking the station row plays it.
    QTableView* view = dlg.listView();
    Q_EMIT view->doubleClicked(view->model()->index(1, 0));
    EXPECT_EQ(play->text(), QStringLiteral("Playing"));
    EXPECT_TRUE(play->isChecked());
    TestStation::setTitle(QStringLiteral("/tone.mp3"),
                          QStringLiteral("Window Artist - Window Song"));
    ASSERT_TRUE(spinUntil(
        [&] {
            return dlg.infoPane()->text().contains(QStringLiteral("- Window Artist - Window Song"));
        },
        20000))
        << dlg.infoPane()->text().toStdString();
    EXPECT_TRUE(dlg.infoPane()->text().contains(QStringLiteral("Buffering...")));
    ASSERT_TRUE(spinUntil([&] { return app.stations.format(1) == u"mp3_128k"; }, 10000));
    const pid_t first = app.engine->bridge.playerPid();
    ASSERT_GT(first, 0);

    // Play again stops.
    dlg.command(ids::IDC_PLAY);
    EXPECT_EQ(play->text(), QStringLiteral("Play"));
    EXPECT_FALSE(play->isChecked());
    EXPECT_TRUE(::kill(first, 0) != 0);

    // Play from the button, then close the window while playing.
    qobject_cast<QLineEdit*>(dlg.control(ids::IDC_URL))->setText(url);
    dlg.command(ids::IDC_PLAY);
    ASSERT_TRUE(spinUntil([&] { return app.engine->curl.playerStarted.load(); }, 20000));
    const pid_t second = app.engine->bridge.playerPid();

    // Record, then close the window while recording: both files are closed whole.
    auto* record = qobject_cast<QPushButton*>(dlg.control(ids::IDC_RECORD));
    dlg.command(ids::IDC_RECORD);
    EXPECT_EQ(record->text(), QStringLiteral("Recording"));
    EXPECT_TRUE(record->isChecked());
    ASSERT_TRUE(spinUntil([&] { return app.engine->bridge.recordingOpen(); }, 20000));
    const QString recording = app.engine->bridge.recordPath;
    const QString info = app.engine->bridge.infoPath;
    // Playing renamed the row after the station's announced name; the folder follows it.
    const QString name = app.stations.name(1);
    EXPECT_EQ(name, QStringLiteral("Kestrel Test tone.mp3"));
    EXPECT_TRUE(recording.startsWith(app.dataFolder + u'/' + name + u'/' + name + u'_'))
        << recording.toStdString();
    spinUntil([] { return false; }, 2000);

    QFile::remove(app.iniPath);
    dlg.command(ids::IDOK);
    EXPECT_FALSE(app.engine->curl.threadAlive());
    EXPECT_TRUE(::kill(second, 0) != 0);
    EXPECT_TRUE(QFile::exists(app.iniPath));
    EXPECT_FALSE(app.engine->bridge.recordingOpen());
    QFile infoFile(info);
    ASSERT_TRUE(infoFile.open(QIODevice::ReadOnly));
    const QByteArray infoText = infoFile.readAll();
    EXPECT_TRUE(infoText.startsWith("\nStart recording\n")) << infoText.toStdString();
    // The stop line comes after the file is closed: the pane has it, the file does not.
    EXPECT_FALSE(infoText.contains("Stop recording after ")) << infoText.toStdString();
    EXPECT_TRUE(dlg.infoPane()->text().contains(QStringLiteral("\nStop recording after ")));
    const QByteArray decoded =
        TestStation::run(QStringLiteral("ffprobe"),
                         {QStringLiteral("-v"), QStringLiteral("error"),
                          QStringLiteral("-show_entries"), QStringLiteral("stream=codec_name"),
                          QStringLiteral("-of"), QStringLiteral("default=nw=1"), recording});
    EXPECT_EQ(decoded.trimmed(), QByteArray("codec_name=mp3"));
}

// A logout or kill sends SIGTERM: the program shuts down in order without asking, the player
// goes, the settings are written and a modified list is kept beside its file.
TEST(Window, TermSignalShutsDownInOrder)
{
    if (!TestStation::up())
        GTEST_FAIL() << "the local test station did not start";
    const QString url = TestStation::icecast(QStringLiteral("/tone.mp3"));
    WindowRig rig("\nLocal\nTest tone \t" + url.toUtf8() + "\n");
    ASSERT_TRUE(rig.started);
    CKestrelwaveApp& app = *rig.app;
    rig.useCapturePlayer();
    CKestrelwaveDlg& dlg = rig.open();
    rig.play(url);
    ASSERT_TRUE(spinUntil([&] { return app.engine->curl.playerStarted.load(); }, 20000));
    const pid_t player = app.engine->bridge.playerPid();
    ASSERT_GT(player, 0);
    app.stations.append(
        {QStringLiteral("Added"), QStringLiteral("http://127.0.0.1:9/added"), 0, QString()});
    QFile::remove(app.iniPath);

    ::kill(::getpid(), SIGTERM);
    ASSERT_TRUE(
        spinUntil([&] { return !dlg.isActive() && !app.engine->curl.threadAlive(); }, 10000));
    EXPECT_TRUE(::kill(player, 0) != 0 || ::waitpid(player, nullptr, WNOHANG) != 0);
    EXPECT_TRUE(QFile::exists(app.iniPath));
    const QString aside =
        QFileInfo(rig.listPath).absolutePath() + QStringLiteral("/local.unsaved.txt");
    QFile kept(aside);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_TRUE(kept.readAll().contains("http://127.0.0.1:9/added"));
    for (const auto& box : rig.boxes->boxes())
        EXPECT_NE(box.kind, ScriptedMessageBoxes::Kind::Question) << box.text.toStdString();
}

// The end-of-play box runs below the worker's end report, which the worker waits on: a
// SIGTERM while it is open closes it and the program ends, instead of waiting for ever.
TEST(Window, TermSignalOverAnEndOfPlayBoxEndsTheProgram)
{
    if (!TestStation::up())
        GTEST_FAIL() << "the local test station did not start";
    const QString url = TestStation::fake(QStringLiteral("/stopafter"));
    WindowRig rig("\nLocal\nStops \t" + url.toUtf8() + "\n");
    ASSERT_TRUE(rig.started);
    CKestrelwaveApp& app = *rig.app;
    rig.useCapturePlayer();
    CKestrelwaveDlg& dlg = rig.open();
    QString shown;
    rig.boxes->whileShown = [&](const ScriptedMessageBoxes::Box& b) {
        shown = b.text;
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Kestrelwave"), b.text, QMessageBox::Ok,
                        &dlg);
        QTimer::singleShot(300, [] { ::kill(::getpid(), SIGTERM); });
        box.exec();
    };
    rig.play(url);
    EXPECT_TRUE(
        spinUntil([&] { return !dlg.isActive() && !app.engine->curl.threadAlive(); }, 40000));
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Internet connection closed")))
        << shown.toStdString();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    rig.boxes->whileShown = nullptr;
}

// A player killed while the station plays is started again once, and the sound goes on; a
// second death ends the play with its own message, not the Internet's, and the station
// stays valid.
TEST(Window, ADeadPlayerIsStartedAgainOnceAndTheStationStaysValid)
{
    if (!TestStation::up())
        GTEST_FAIL() << "the local test station did not start";
    const QString url = TestStation::icecast(QStringLiteral("/tone.mp3"));
    WindowRig rig("\nLocal\nTest tone \t" + url.toUtf8() + "\n");
    ASSERT_TRUE(rig.started);
    CKestrelwaveApp& app = *rig.app;
    CPlayStream& bridge = app.engine->bridge;
    rig.useCapturePlayer();
    rig.open();
    rig.play(url);
    ASSERT_TRUE(spinUntil(
        [&] { return app.engine->curl.playerStarted.load() && bridge.playerPid() > 0; }, 20000));
    const pid_t first = bridge.playerPid();
    ::kill(first, SIGKILL);
    pid_t second = -1;
    ASSERT_TRUE(spinUntil(
        [&] {
            second = bridge.playerPid();
            return second > 0 && second != first;
        },
        15000));
    EXPECT_EQ(app.status.playing, 1);
    ::kill(second, SIGKILL);
    ASSERT_TRUE(spinUntil(
        [&] { return app.status.playing == 0 && !app.engine->curl.threadAlive(); }, 20000));
    const QStringList boxes = rig.boxes->texts();
    ASSERT_FALSE(boxes.isEmpty());
    EXPECT_EQ(boxes.back(), QStringLiteral("The player stopped unexpectedly\n"));
    EXPECT_NE(app.stations.name(app.stations.FindUrl(url)), QStringLiteral("INVALID"));
}
