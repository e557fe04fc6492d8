#include "app/controlids.h"
#include "app/kestrelwaveapp.h"
#include "stream/streamengine.h"
#include "tests/integration/station.h"
#include "tests/integration/windowrig.h"
#include "tests/support/spin.h"
#include "ui/kestrelwavedlg.h"
#include "ui/mprisservice.h"

#include <QDBusConnection>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <QStandardPaths>
#include <csignal>
#include <gtest/gtest.h>

namespace {

// A session bus of the test's own: dbus-daemon as a child, ended with the test.
class PrivateBus {
public:
    PrivateBus()
    {
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"),
                       QStringLiteral("--nosyslog"), QStringLiteral("--print-address=1")});
        if (!daemon_.waitForStarted(5000))
            return;
        QByteArray line;
        for (int round = 0; round < 50 && !line.endsWith('\n'); ++round) {
            daemon_.waitForReadyRead(100);
            line += daemon_.readAllStandardOutput();
        }
        address_ = QString::fromUtf8(line).trimmed();
        if (!address_.isEmpty())
            bus_ = QDBusConnection::connectToBus(address_, QStringLiteral("kw-mpris-test"));
    }
    ~PrivateBus()
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("kw-mpris-test"));
        daemon_.terminate();
        if (!daemon_.waitForFinished(3000))
            daemon_.kill();
        daemon_.waitForFinished(1000);
    }
    bool up() const { return bus_.isConnected(); }
    const QString& address() const { return address_; }
    QDBusConnection connection() const { return bus_; }

private:
    QProcess daemon_;
    QString address_;
    QDBusConnection bus_{QStringLiteral("kw-mpris-none")};
};

// A desktop client on that bus. It runs while this thread keeps handling events, since the
// window answers the client's calls on this very thread.
class Client {
public:
    explicit Client(const PrivateBus& bus)
    {
        env_ = QProcessEnvironment::systemEnvironment();
        env_.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());
    }
    QString run(const QString& program, const QStringList& args, int ms = 15000) const
    {
        QProcess p;
        p.setProcessEnvironment(env_);
        p.start(program, args);
        if (!spinUntil([&] { return p.state() == QProcess::NotRunning; }, ms)) {
            p.kill();
            p.waitForFinished(1000);
        }
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
    QString playerctl(const QStringList& args) const
    {
        return run(QStringLiteral("playerctl"),
                   QStringList{QStringLiteral("-p"), QStringLiteral("kestrelwave")} + args);
    }
    // A property of the root interface, as dbus-send prints it.
    QString rootProperty(const QString& name) const
    {
        return run(QStringLiteral("dbus-send"),
                   {QStringLiteral("--print-reply"),
                    QStringLiteral("--dest=org.mpris.MediaPlayer2.kestrelwave"),
                    QStringLiteral("/org/mpris/MediaPlayer2"),
                    QStringLiteral("org.freedesktop.DBus.Properties.Get"),
                    QStringLiteral("string:org.mpris.MediaPlayer2"),
                    QStringLiteral("string:") + name});
    }
    QProcessEnvironment env_;
};

std::optional<QString> missingTool()
{
    for (const char* tool : {"dbus-daemon", "dbus-send", "playerctl", "pactl"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return QString::fromLatin1(tool);
    }
    return std::nullopt;
}

// The player's sink input: its index and volume in percent, or -1.
std::pair<int, int> playerSinkInput(pid_t pid)
{
    const QString text = QString::fromUtf8(TestStation::run(
        QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("sink-inputs")}));
    for (const QString& block : text.split(QStringLiteral("Sink Input #"), Qt::SkipEmptyParts)) {
        if (!block.contains(QStringLiteral("application.process.id = \"%1\"").arg(pid)))
            continue;
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("Volume:.*?(\\d+)%")).match(block);
        return {block.section(u'\n', 0, 0).trimmed().toInt(),
                m.hasMatch() ? m.captured(1).toInt() : -1};
    }
    return {-1, -1};
}

const QString kMount = QStringLiteral("/tone.mp3");

} // namespace

TEST(Mpris, TheDesktopPlaysShowsTheSongSetsTheVolumeAndStops)
{
    if (const std::optional<QString> tool = missingTool())
        GTEST_SKIP() << "MPRIS test skipped: " << tool->toStdString() << " is not installed";
    if (!TestStation::up())
        GTEST_FAIL() << "the local test station did not start";
    PrivateBus bus;
    ASSERT_TRUE(bus.up()) << "no private session bus";
    const Client client(bus);
    const QString url = TestStation::icecast(kMount);
    WindowRig rig("\nLocal\nTest tone \t" + url.toUtf8() + "\n");
    ASSERT_TRUE(rig.started);
    CKestrelwaveApp& app = *rig.app;
    CKestrelwaveDlg& dlg = rig.open();
    dlg.SelectEntry(1); // the station Play starts
    MprisService mpris(dlg, app, bus.connection());
    ASSERT_EQ(mpris.serviceName(), QStringLiteral("org.mpris.MediaPlayer2.kestrelwave"));

    EXPECT_TRUE(client.rootProperty(QStringLiteral("Identity")).contains(u"\"Kestrelwave\""));
    EXPECT_TRUE(client.rootProperty(QStringLiteral("DesktopEntry"))
                    .contains(u"\"org.quorne.Kestrelwave\""));
    EXPECT_EQ(client.playerctl({QStringLiteral("status")}), QStringLiteral("Stopped"));
    EXPECT_EQ(client.playerctl({QStringLiteral("metadata"), QStringLiteral("xesam:url")}), url);

    // Play-pause is the Play button: a player starts.
    client.playerctl({QStringLiteral("play-pause")});
    auto* play = qobject_cast<QPushButton*>(dlg.control(ids::IDC_PLAY));
    EXPECT_EQ(play->text(), QStringLiteral("Playing"));
    ASSERT_TRUE(spinUntil([&] { return app.engine->curl.playerStarted.load(); }, 20000));
    const pid_t player = app.engine->bridge.playerPid();
    ASSERT_GT(player, 0);
    EXPECT_EQ(::kill(player, 0), 0);
    EXPECT_EQ(client.playerctl({QStringLiteral("status")}), QStringLiteral("Playing"));

    // The station's announced name, then each new song, reach a client that follows the
    // changes the service announces.
    QProcess follower;
    follower.setProcessEnvironment(client.env_);
    follower.start(QStringLiteral("playerctl"),
                   {QStringLiteral("-p"), QStringLiteral("kestrelwave"), QStringLiteral("--follow"),
                    QStringLiteral("metadata"), QStringLiteral("--format"),
                    QStringLiteral("{{xesam:artist}} | {{xesam:title}}")});
    ASSERT_TRUE(follower.waitForStarted(5000));
    QString followed;
    const auto sawLine = [&](const QString& line) {
        return spinUntil(
            [&] {
                followed += QString::fromUtf8(follower.readAllStandardOutput());
                return followed.contains(line);
            },
            20000);
    };
    EXPECT_TRUE(sawLine(QStringLiteral("Kestrel Test tone.mp3 | "))) << followed.toStdString();
    TestStation::setTitle(kMount, QStringLiteral("Mpris Artist - Mpris Song"));
    EXPECT_TRUE(sawLine(QStringLiteral("Kestrel Test tone.mp3 | Mpris Artist - Mpris Song")))
        << followed.toStdString();
    follower.kill();
    follower.waitForFinished(2000);
    // An object path (playerctl prints it in the quotes of its variant text).
    QString trackId =
        client.playerctl({QStringLiteral("metadata"), QStringLiteral("mpris:trackid")});
    trackId.remove(u'\'');
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^(/[A-Za-z0-9_]+)+$")).match(trackId).hasMatch())
        << trackId.toStdString();
    EXPECT_FALSE(trackId.startsWith(u"/org/mpris/")) << trackId.toStdString();

    // Volume: from the desktop to the slider and the player's sink input, and back.
    ASSERT_TRUE(spinUntil([&] { return app.engine->bridge.hasVolumeControl(); }, 10000));
    auto* slider = qobject_cast<QSlider*>(dlg.control(ids::IDC_VOLUME));
    client.playerctl({QStringLiteral("volume"), QStringLiteral("0.5")});
    EXPECT_EQ(slider->value(), 12);
    EXPECT_TRUE(spinUntil([&] { return playerSinkInput(player).second == 50; }, 5000))
        << playerSinkInput(player).second;
    const int input = playerSinkInput(player).first;
    ASSERT_GE(input, 0);
    TestStation::run(QStringLiteral("pactl"), {QStringLiteral("set-sink-input-volume"),
                                               QString::number(input), QStringLiteral("25%")});
    EXPECT_TRUE(spinUntil([&] { return slider->value() == 6; }, 5000)) << slider->value();
    EXPECT_EQ(client.playerctl({QStringLiteral("volume")}).toDouble(), 0.25);

    // Stop is the Play button while playing: the player ends.
    client.playerctl({QStringLiteral("stop")});
    EXPECT_EQ(play->text(), QStringLiteral("Play"));
    EXPECT_FALSE(app.status.playing);
    EXPECT_NE(::kill(player, 0), 0);
    EXPECT_EQ(client.playerctl({QStringLiteral("status")}), QStringLiteral("Stopped"));
}

TEST(Mpris, NextAndPreviousRoundThePreselectionsAndQuitClosesTheWindow)
{
    if (const std::optional<QString> tool = missingTool())
        GTEST_SKIP() << "MPRIS test skipped: " << tool->toStdString() << " is not installed";
    if (!TestStation::up())
        GTEST_FAIL() << "the local test station did not start";
    // Without a bus there is no service and no complaint.
    WindowRig rig("\nLocal\nTest tone \t" + TestStation::icecast(kMount).toUtf8() + "\n");
    ASSERT_TRUE(rig.started);
    CKestrelwaveApp& app = *rig.app;
    CKestrelwaveDlg& dlg = rig.open();
    {
        MprisService none(dlg, app, QDBusConnection(QStringLiteral("kw-no-bus")));
        EXPECT_TRUE(none.serviceName().isEmpty());
    }

    PrivateBus bus;
    ASSERT_TRUE(bus.up()) << "no private session bus";
    const Client client(bus);
    const QString mp3 = TestStation::icecast(kMount);
    const QString aac = TestStation::icecast(QStringLiteral("/tone.aac"));
    app.presetUrl[2] = mp3;
    app.presetName[2] = QStringLiteral("Tone MP3");
    app.presetUrl[9] = aac;
    app.presetName[9] = QStringLiteral("Tone AAC");
    dlg.ShowPresetLabels();
    MprisService mpris(dlg, app, bus.connection());
    ASSERT_FALSE(mpris.serviceName().isEmpty());

    // Each step presses the next preselection that holds a station, round the bank.
    const auto step = [&](const QString& command, int slot, const QString& url) {
        client.playerctl({command});
        EXPECT_TRUE(spinUntil(
            [&] { return app.status.playing && app.engine->control.lastPlayedUrl == url; }, 10000))
            << command.toStdString() << " did not play " << url.toStdString();
        EXPECT_EQ(app.selectedPreset, slot);
        EXPECT_TRUE(
            qobject_cast<QPushButton*>(dlg.control(ids::IDC_PRESET_FIRST + slot))->isChecked());
    };
    step(QStringLiteral("next"), 2, mp3);
    step(QStringLiteral("next"), 9, aac);
    step(QStringLiteral("next"), 2, mp3);
    step(QStringLiteral("previous"), 9, aac);
    EXPECT_TRUE(spinUntil(
        [&] {
            return client.playerctl({QStringLiteral("metadata"), QStringLiteral("xesam:artist")}) ==
                   u"Tone AAC";
        },
        15000));

    // Quit is the Close button: the exit sequence ends the player and closes the window.
    client.run(QStringLiteral("dbus-send"),
               {QStringLiteral("--print-reply"),
                QStringLiteral("--dest=org.mpris.MediaPlayer2.kestrelwave"),
                QStringLiteral("/org/mpris/MediaPlayer2"),
                QStringLiteral("org.mpris.MediaPlayer2.Quit")});
    EXPECT_FALSE(app.status.playing);
    EXPECT_FALSE(app.engine->curl.threadAlive());
    EXPECT_FALSE(dlg.isVisible());
}
