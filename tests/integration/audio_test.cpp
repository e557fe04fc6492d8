#include "tests/integration/harness.h"
#include "tests/integration/station.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <cmath>
#include <gtest/gtest.h>

namespace {

struct SinkInput {
    int index = -1;
    int volumePercent = -1;
};

// The sink input our player opened, found by the tag its environment carries.
SinkInput playerSinkInput()
{
    const QString text = QString::fromUtf8(TestStation::run(
        QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("sink-inputs")}));
    for (const QString& block : text.split(QStringLiteral("Sink Input #"), Qt::SkipEmptyParts)) {
        if (!block.contains(QStringLiteral("kestrelwave.player = \"kw-")))
            continue;
        SinkInput s;
        s.index = block.section(u'\n', 0, 0).trimmed().toInt();
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("Volume:.*?(\\d+)%")).match(block);
        if (m.hasMatch())
            s.volumePercent = m.captured(1).toInt();
        return s;
    }
    return {};
}

} // namespace

TEST(Audio, FfplayIsHeardAndItsVolumeFollowsTheSliderBothWays)
{
    if (!TestStation::up())
        GTEST_FAIL() << "the local test station did not start";
    EngineHarness h(QStringLiteral("ffplay"));
    ASSERT_FALSE(h.app->playerPath.isEmpty()) << "ffplay is not installed";
    h.play(TestStation::icecast(QStringLiteral("/tone.mp3")));

    // The sink input appears once ffplay has opened its audio device.
    SinkInput input;
    ASSERT_TRUE(h.waitFor(
        [&] {
            input = playerSinkInput();
            return input.index >= 0;
        },
        20000));
    ASSERT_TRUE(h.waitFor([&] { return h.engine().bridge.hasVolumeControl(); }, 10000));
    // The first second may still be the player's own start-up silence.
    int peak = -1;
    EXPECT_TRUE(h.waitFor(
        [&] {
            peak = TestStation::monitorPeak();
            return peak > 1000;
        },
        10000))
        << "the null sink's monitor stays silent: peak " << peak;

    // Slider to 12 of 24: half volume on the player's own stream.
    h.engine().control.volumeMoved(12);
    ASSERT_TRUE(h.waitFor([&] { return playerSinkInput().volumePercent == 50; }, 5000))
        << playerSinkInput().volumePercent;

    // Changed outside the program: the thumb follows.
    TestStation::run(QStringLiteral("pactl"),
                     {QStringLiteral("set-sink-input-volume"), QString::number(input.index),
                      QStringLiteral("25%")});
    int thumb = -1;
    ASSERT_TRUE(h.waitFor(
        [&] {
            const int p = h.engine().control.volumeThumbPosition();
            if (p >= 0)
                thumb = p;
            return thumb == 6;
        },
        5000))
        << thumb;

    const pid_t player = h.engine().bridge.playerPid();
    h.stop();
    EXPECT_TRUE(::kill(player, 0) != 0 && errno == ESRCH);
    EXPECT_TRUE(h.waitFor([] { return playerSinkInput().index < 0; }, 5000));
}
