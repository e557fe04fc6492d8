#include "stream/oscillo.h"

#include "app/kestrelwaveapp.h"
#include "app/mainwindowport.h"
#include "app/messages.h"
#include "platform/clock.h"
#include "platform/loopbackcapture.h"
#include "stream/streamengine.h"

#include <algorithm>
#include <chrono>

namespace {

// Longest single wait of the capture thread: how soon it sees a stop by itself.
constexpr int kWaitMs = 20;
constexpr auto kStopWait = std::chrono::milliseconds(100 * 20);
constexpr std::uint32_t kRetryMs = 2000;
// Silence is made up only when the output has sent nothing for longer than this, or than
// three of its packets: a running output sends its silence itself, an idle one nothing.
constexpr std::uint32_t kMinGapMs = 100;

} // namespace

COscillo::COscillo(StreamEngine& engine, const CaptureFactory& factory)
    : engine_(engine), capture_(factory ? factory() : platform::makeLoopbackCapture())
{}

COscillo::~COscillo()
{
    stopCapture();
}

QString COscillo::device() const
{
    std::lock_guard lock(deviceMutex_);
    return deviceName_;
}

void COscillo::reset()
{
    stopCapture();
    {
        std::lock_guard lock(deviceMutex_);
        deviceName_.clear();
    }
    sampleRate = 0;
    blockAlign = 0;
    bufferFrames = 0;
    bufferDuration = 0;
    points.fill(0);
    pointCount = 0;
    framesInPoint = 0;
    peakMax = 0;
    peakMin = 0;
    pointsPerMessage = kDefaultPointsPerMessage;
    capturedFrames = 0;
    silentFrames = 0;
    sentCount = 0;
    scopeOn = false;
}

int COscillo::openDevice()
{
    endDeviceCheck();
    return openNow();
}

int COscillo::openNow()
{
    stopNow();
    const int result = capture_->open();
    std::lock_guard lock(deviceMutex_);
    deviceName_ = QString::fromStdString(capture_->deviceName());
    return result;
}

int COscillo::prepareCapture()
{
    const int result = capture_->prepare();
    sampleRate = capture_->sampleRate();
    blockAlign = capture_->blockAlign();
    return result;
}

int COscillo::startCapture()
{
    if (const int result = capture_->start()) {
        running = false;
        return result;
    }
    bufferFrames = capture_->bufferFrames();
    bufferDuration = sampleRate ? std::uint64_t(bufferFrames) * 1000000 / sampleRate : 0;
    pointsPerMessage = std::clamp(pointsPerMessage, 1, kPointCapacity);
    if (threadHandle.joinable()) // a thread that ended by itself
        threadHandle.join();
    window_ = engine_.window();
    {
        std::lock_guard lock(mutex_);
        run_ = Run::None;
        alive_ = true;
        running = true;
    }
    endedByItself_ = false;
    threadHandle = std::thread(&COscillo::captureThread, this);
    engine_.app.status.scopeRunning = 1;
    return 0;
}

bool COscillo::stopCapture()
{
    endDeviceCheck();
    return stopNow();
}

bool COscillo::stopNow()
{
    {
        std::lock_guard lock(mutex_);
        running = false;
    }
    changed_.notify_all();
    bool ended = true;
    if (threadHandle.joinable()) {
        std::unique_lock lock(mutex_);
        ended = changed_.wait_for(lock, kStopWait, [this] { return !alive_; });
        lock.unlock();
        threadHandle.join();
    }
    capture_->close();
    endedByItself_ = false;
    engine_.app.status.scopeRunning = 0;
    return ended;
}

void COscillo::checkDevice()
{
    if (!scopeOn || checkRunning_)
        return;
    if (checker_.joinable()) // the last check, over
        checker_.join();
    checkRunning_ = true;
    checker_ = std::thread([this] {
        runDeviceCheck();
        checkRunning_ = false;
    });
}

void COscillo::runDeviceCheck()
{
    bool restart = QString::fromStdString(capture_->defaultDeviceName()) != device();
    if (!restart && endedByItself_ && platform::tickCount() - lastRestart_ >= kRetryMs)
        restart = true;
    if (restart) {
        lastRestart_ = platform::tickCount();
        if (openNow() == 0 && prepareCapture() == 0)
            startCapture();
    }
}

void COscillo::endDeviceCheck()
{
    if (!checker_.joinable())
        return;
    capture_->cancelWaits(true);
    checker_.join();
    capture_->cancelWaits(false);
}

bool COscillo::takeRun(const std::function<void(const std::int16_t* points, int count)>& draw)
{
    {
        std::lock_guard lock(mutex_);
        if (run_ != Run::Pending)
            return false;
        run_ = Run::Drawing;
    }
    draw(points.data(), pointsPerMessage);
    {
        std::lock_guard lock(mutex_);
        run_ = Run::Done;
    }
    changed_.notify_all();
    return true;
}

void COscillo::captureThread()
{
    platform::LoopbackCapture& capture = *capture_;
    const bool reducible = blockAlign == 4; // 16-bit stereo
    bool failed = false;
    const std::uint32_t gapMs =
        std::max<std::uint32_t>(kMinGapMs, std::uint32_t(3 * bufferDuration / 1000));
    std::uint32_t lastData = platform::tickCount();
    std::uint64_t silenceFed = 0; // frames made up since lastData
    while (running && reducible) {
        if (!capture.wait(kWaitMs)) {
            failed = true;
            break;
        }
        bool got = false;
        for (auto packet = capture.nextPacket(); packet.frames > 0; packet = capture.nextPacket()) {
            got = true;
            bool go = true;
            for (std::size_t i = 0; i < packet.frames && go; ++i)
                go = packet.samples ? reduce(packet.samples[2 * i], packet.samples[2 * i + 1])
                                    : reduce(0, 0);
            capture.releasePacket();
            capturedFrames += std::uint32_t(packet.frames);
            if (!go)
                break;
        }
        const std::uint32_t now = platform::tickCount();
        if (got) {
            lastData = now;
            silenceFed = 0;
            continue;
        }
        // Nothing came: the trace runs on with the silence the output did not send.
        const std::uint32_t quiet = now - lastData;
        if (quiet < gapMs)
            continue;
        const std::uint64_t owed = std::uint64_t(quiet) * sampleRate / 1000;
        // After a long wait for the window a quarter second is enough to keep it moving.
        silenceFed = std::max(silenceFed, owed - std::min<std::uint64_t>(owed, sampleRate / 4));
        std::uint32_t fed = 0;
        while (silenceFed < owed && reduce(0, 0)) {
            ++silenceFed;
            ++fed;
        }
        silentFrames += fed;
    }
    if (failed && running)
        endedByItself_ = true;
    {
        std::lock_guard lock(mutex_);
        alive_ = false;
    }
    changed_.notify_all();
}

bool COscillo::reduce(int left, int right)
{
    const int value = (left + right) / 2;
    peakMax = std::max(peakMax, value);
    peakMin = std::min(peakMin, value);
    if (++framesInPoint >= kFramesPerPoint) {
        framesInPoint = 0;
        points[pointCount++] = std::int16_t(-peakMin < peakMax ? peakMax : peakMin);
        peakMax = 0;
        peakMin = 0;
        if (pointCount >= pointsPerMessage) {
            sendRun();
            pointCount = 0;
        }
    }
    return running;
}

void COscillo::sendRun()
{
    if (!window_)
        return;
    {
        std::lock_guard lock(mutex_);
        if (!running)
            return;
        run_ = Run::Pending;
    }
    ++sentCount;
    window_->postMessage(msg::WM_APP_SCOPE_RUN,
                         qint64(reinterpret_cast<std::intptr_t>(points.data())));
    // As a sent message: the window reads points while this thread waits. A stop withdraws a
    // run the window has not begun to draw, so that the thread can end.
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return run_ == Run::Done || (!running && run_ != Run::Drawing); });
    if (run_ == Run::Pending)
        run_ = Run::Withdrawn;
}
