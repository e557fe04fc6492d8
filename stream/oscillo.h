#pragma once

#include <QString>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class MainWindowPort;
struct StreamEngine;
namespace platform {
class LoopbackCapture;
}

// The signal scope's engine. A capture thread of its own reads what the computer plays
// (platform::LoopbackCapture), reduces it to peak points and hands every run of
// pointsPerMessage points to the window as WM_APP+8, waiting until the window has drawn it
// or the capture is stopped. Every routine runs on the GUI thread, except takeRun's draw,
// which the GUI thread runs while the capture thread waits, and timer 4's device check,
// which asks the sound server and restarts the capture on a checker thread of its own, so
// that a server that hangs never stops the window. The window the runs go to must outlive
// the capture: it stops the scope before it goes.
class COscillo {
public:
    static constexpr int kPointCapacity = 1024;
    static constexpr int kFramesPerPoint = 10;
    static constexpr int kDefaultPointsPerMessage = 200;

    using CaptureFactory = std::function<std::unique_ptr<platform::LoopbackCapture>()>;
    // Without a factory the capture is the system's.
    explicit COscillo(StreamEngine& engine, const CaptureFactory& factory = {});
    virtual ~COscillo();
    COscillo(const COscillo&) = delete;
    COscillo& operator=(const COscillo&) = delete;

    // Stops a capture, zeroes every field and forgets the device.
    void reset();
    // Stops a capture and names the default output; 0 when its monitor can be recorded.
    int openDevice();
    // 16-bit stereo at the device's rate; 0 on success.
    int prepareCapture();
    // Starts recording and the capture thread, sets scopeRunning; 0 on success.
    int startCapture();
    // Ends the capture thread and the capture, clears scopeRunning. True when the thread
    // ended within the bounded wait of 2 s (it always ends: each of its waits is bounded and a
    // run waiting for the window is withdrawn).
    bool stopCapture();
    // Timer 4: starts the capture anew when the default output changed, or when its stream
    // failed (then at most every 2 s). Nothing while the scope is off. Returns at once: the
    // check runs on the checker thread, one at a time; the routines above end it first.
    void checkDevice();
    bool deviceCheckRunning() const { return checkRunning_; }
    // The default output the capture was opened on.
    QString device() const;

    // WM_APP+8, GUI thread: runs draw on the run the capture thread waits with; false when
    // there is none (a stop withdrew it).
    bool takeRun(const std::function<void(const std::int16_t* points, int count)>& draw);

    unsigned sampleRate = 0;                           // of the captured format
    unsigned blockAlign = 0;                           // bytes per captured frame
    std::uint32_t bufferFrames = 0;                    // frames the server hands over at a time
    std::uint64_t bufferDuration = 0;                  // their length in microseconds
    std::array<std::int16_t, kPointCapacity> points{}; // capture thread, or GUI inside draw
    int pointCount = 0;
    int framesInPoint = 0;
    int peakMax = 0;
    int peakMin = 0;
    int pointsPerMessage = kDefaultPointsPerMessage;
    std::atomic<bool> running{false};
    std::thread threadHandle;
    std::atomic<std::uint32_t> capturedFrames{0};
    std::atomic<std::uint32_t> silentFrames{0}; // generated while the output sent nothing
    std::atomic<std::uint32_t> sentCount{0};    // runs sent to the window
    bool scopeOn = false; // the window enabled the scope: its output could be opened

private:
    enum class Run { None, Pending, Drawing, Done, Withdrawn };

    void captureThread();
    // One frame into the peak reducer; false once the capture is to end.
    bool reduce(int left, int right);
    void sendRun();

    StreamEngine& engine_;
    std::unique_ptr<platform::LoopbackCapture> capture_;
    MainWindowPort* window_ = nullptr; // taken at start, for the capture thread

    std::mutex mutex_; // guards run_, alive_'s end and running's clearing for the waits
    std::condition_variable changed_;
    Run run_ = Run::None;
    bool alive_ = false;
    std::atomic<bool> endedByItself_{false};

    // The routines above without ending a device check first: the checker runs these.
    int openNow();
    bool stopNow();
    void runDeviceCheck();
    // GUI thread: cuts a running device check's waits short and joins it.
    void endDeviceCheck();

    mutable std::mutex deviceMutex_; // deviceName_: written by either thread, read by tests
    QString deviceName_;
    std::thread checker_;
    std::atomic<bool> checkRunning_{false};
    std::uint32_t lastRestart_ = 0; // checker thread
};
