#include "app/messages.h"
#include "platform/clock.h"
#include "platform/loopbackcapture.h"
#include "stream/oscillo.h"
#include "stream/streamengine.h"
#include "tests/support/apprig.h"
#include "tests/support/fakewindow.h"

#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <vector>

namespace {

// A capture that plays back a script of frames, one packet per wait without delay, and
// then sends nothing (as an idle output does).
class ScriptedCapture : public platform::LoopbackCapture {
public:
    explicit ScriptedCapture(std::vector<std::int16_t> samples) : samples_(std::move(samples)) {}

    int open() override { return 0; }
    int prepare() override { return 0; }
    int start() override { return 0; }
    void close() override {}
    std::string deviceName() const override { return "scripted"; }
    unsigned sampleRate() const override { return 44100; }
    unsigned blockAlign() const override { return 4; }
    std::uint32_t bufferFrames() const override { return kPacketFrames; }
    bool wait(int timeoutMs) override
    {
        const std::size_t frames = samples_.size() / 2;
        if (arrived_ < frames)
            arrived_ = std::min(frames, arrived_ + kPacketFrames);
        else
            platform::sleepMs(timeoutMs);
        return true;
    }
    Packet nextPacket() override
    {
        if (pos_ >= arrived_)
            return {};
        taken_ = std::min(kPacketFrames, arrived_ - pos_);
        return {samples_.data() + 2 * pos_, taken_};
    }
    void releasePacket() override { pos_ += taken_; }
    std::string defaultDeviceName() override { return "scripted"; }

private:
    static constexpr std::size_t kPacketFrames = 441;
    std::vector<std::int16_t> samples_;
    std::size_t arrived_ = 0;
    std::size_t pos_ = 0;
    std::size_t taken_ = 0;
};

// A sound server that accepts and then never answers: each question waits until the scope
// gives it up.
class HangingCapture : public ScriptedCapture {
public:
    HangingCapture() : ScriptedCapture({}) {}
    int open() override { return hang() ? 1 : 0; }
    std::string defaultDeviceName() override { return hang() ? std::string() : "other"; }
    void cancelWaits(bool cancel) override { cancelled = cancel; }

    std::atomic<bool> cancelled{false};
    std::atomic<int> asked{0};

private:
    bool hang()
    {
        ++asked;
        for (int i = 0; i < 1000 && !cancelled; ++i)
            platform::sleepMs(10);
        return true;
    }
};

// Ten frames (left, right) and the point the reducer makes of them.
struct PeakRow {
    std::vector<std::pair<int, int>> frames;
    int point;
};

std::vector<std::pair<int, int>> tenOf(std::pair<int, int> frame)
{
    return std::vector<std::pair<int, int>>(10, frame);
}

std::vector<std::pair<int, int>> withOne(std::pair<int, int> common, std::pair<int, int> odd)
{
    auto frames = tenOf(common);
    frames[4] = odd;
    return frames;
}

const std::vector<PeakRow> kRows = {
    {tenOf({100, 300}), 200},                  // the mean of both channels
    {withOne({-500, -500}, {400, 400}), -500}, // the larger swing wins
    {withOne({300, 300}, {-300, -300}), -300}, // a tie goes to the minimum
    {withOne({0, 0}, {-3, 0}), -1},            // the mean is cut toward zero
    {withOne({0, 0}, {32767, 32767}), 32767},  // full scale
    {withOne({0, 0}, {-32768, -32768}), -32768},
    {tenOf({0, 0}), 0},
    {withOne({-20, -20}, {10, 10}), -20}, // the peaks start again at 0 for every point
};

struct Drawn {
    std::vector<std::int16_t> points;
    qint64 lParam = 0;
    std::uint32_t silentFrames = 0;
};

} // namespace

TEST(Oscillo, PeaksOfTenFramesReachTheWindowInRunsOf200WhileTheCaptureWaits)
{
    // Two runs' worth of script: every row in turn, point after point.
    const int points = 2 * COscillo::kDefaultPointsPerMessage;
    std::vector<std::int16_t> samples;
    std::vector<std::int16_t> expected;
    for (int p = 0; p < points; ++p) {
        const PeakRow& row = kRows[std::size_t(p) % kRows.size()];
        for (const auto& [left, right] : row.frames) {
            samples.push_back(std::int16_t(left));
            samples.push_back(std::int16_t(right));
        }
        expected.push_back(std::int16_t(row.point));
    }

    FakeWindow window;
    AppRig rig(window);
    COscillo scope(*rig.app.engine,
                   [&samples] { return std::make_unique<ScriptedCapture>(samples); });
    std::mutex mutex;
    std::vector<Drawn> drawn;
    window.onMessage = [&](int message, qint64 lParam) {
        if (message != msg::WM_APP_SCOPE_RUN)
            return;
        // Runs inline on the capture thread, as the window's handler runs while it waits.
        scope.takeRun([&](const std::int16_t* pts, int count) {
            std::lock_guard lock(mutex);
            drawn.push_back(
                {std::vector<std::int16_t>(pts, pts + count), lParam, scope.silentFrames.load()});
        });
    };

    scope.reset();
    ASSERT_EQ(scope.openDevice(), 0);
    EXPECT_EQ(scope.device(), QStringLiteral("scripted"));
    ASSERT_EQ(scope.prepareCapture(), 0);
    ASSERT_EQ(scope.startCapture(), 0);
    EXPECT_EQ(rig.app.status.scopeRunning, 1);
    EXPECT_EQ(scope.bufferDuration, 10000u); // 441 frames at 44100 Hz
    const std::uint32_t begin = platform::tickCount();
    for (;;) {
        {
            std::lock_guard lock(mutex);
            if (drawn.size() >= 2)
                break;
        }
        ASSERT_LT(platform::tickCount() - begin, 5000u) << "the runs did not come";
        platform::sleepMs(5);
    }
    EXPECT_TRUE(scope.stopCapture());
    EXPECT_EQ(rig.app.status.scopeRunning, 0);

    std::lock_guard lock(mutex);
    const auto half = std::ptrdiff_t(COscillo::kDefaultPointsPerMessage);
    EXPECT_EQ(drawn[0].points,
              std::vector<std::int16_t>(expected.begin(), expected.begin() + half));
    EXPECT_EQ(drawn[1].points, std::vector<std::int16_t>(expected.begin() + half, expected.end()));
    for (const Drawn& d : {drawn[0], drawn[1]}) {
        EXPECT_EQ(d.lParam, qint64(reinterpret_cast<std::intptr_t>(scope.points.data())));
        // While the output sends, no silence is made up between its packets.
        EXPECT_EQ(d.silentFrames, 0u);
    }
    EXPECT_EQ(scope.capturedFrames, std::uint32_t(points * COscillo::kFramesPerPoint));
}

TEST(Oscillo, StopEndsTheCaptureWhileARunWaitsForTheWindow)
{
    // The window never handles WM_APP+8, as when it is busy or about to close.
    FakeWindow window;
    AppRig rig(window);
    std::vector<std::int16_t> samples(2 * 20 * 4410, 1000);
    COscillo scope(*rig.app.engine,
                   [&samples] { return std::make_unique<ScriptedCapture>(samples); });
    ASSERT_EQ(scope.openDevice(), 0);
    ASSERT_EQ(scope.prepareCapture(), 0);
    ASSERT_EQ(scope.startCapture(), 0);
    const std::uint32_t begin = platform::tickCount();
    while (scope.sentCount == 0) {
        ASSERT_LT(platform::tickCount() - begin, 5000u) << "no run was sent";
        platform::sleepMs(5);
    }
    platform::sleepMs(50);
    EXPECT_EQ(scope.sentCount, 1u) << "the capture went on without the window";

    EXPECT_TRUE(scope.stopCapture()) << "the capture thread did not end within its wait";
    EXPECT_EQ(rig.app.status.scopeRunning, 0);
    // The withdrawn run is not drawn any more when its message comes late.
    bool drew = false;
    EXPECT_FALSE(scope.takeRun([&](const std::int16_t*, int) { drew = true; }));
    EXPECT_FALSE(drew);
}

// Timer 4's device check never holds up the GUI thread, and ending the scope cuts a check
// that waits on a hanging server short.
TEST(Oscillo, DeviceCheckAgainstAHangingServerLeavesTheWindowFree)
{
    FakeWindow window;
    AppRig rig(window);
    HangingCapture* capture = nullptr;
    COscillo scope(*rig.app.engine, [&capture] {
        auto c = std::make_unique<HangingCapture>();
        capture = c.get();
        return c;
    });
    scope.scopeOn = true;
    scope.checkDevice();
    EXPECT_TRUE(scope.deviceCheckRunning());
    scope.checkDevice(); // a tick while the check waits starts no second one
    const std::uint32_t begin = platform::tickCount();
    while (capture->asked == 0 && platform::tickCount() - begin < 5000)
        platform::sleepMs(5);
    EXPECT_EQ(capture->asked, 1);
    scope.stopCapture();
    EXPECT_LT(platform::tickCount() - begin, 5000u);
    EXPECT_FALSE(scope.deviceCheckRunning());
    EXPECT_EQ(rig.app.status.scopeRunning, 0);
}
