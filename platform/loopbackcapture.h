#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// Loopback capture of what the computer plays: a record stream on the monitor of the sound
// server's default output, 16-bit stereo at that output's rate. One thread at a time (the
// GUI thread, or the scope's device checker) opens, prepares, starts and closes it; between
// start() and close() one capture thread, and only it, calls wait(), nextPacket() and
// releasePacket(). Every wait is bounded, so the capture
// thread always notices a stop request by itself.
class LoopbackCapture {
public:
    // A run of captured frames (interleaved left, right). samples is null for a stretch the
    // server reports as silence.
    struct Packet {
        const std::int16_t* samples = nullptr;
        std::size_t frames = 0;
    };

    virtual ~LoopbackCapture() = default;

    // Connects and names the default output device; 0 when its monitor can be recorded.
    // deviceName() is set also when only the monitor is missing.
    virtual int open() = 0;
    // Settles the format: 16-bit stereo at the device's rate; 0 on success.
    virtual int prepare() = 0;
    // Starts recording and returns once the stream runs (0) or has failed.
    virtual int start() = 0;
    // Ends the stream and the connection; after the capture thread has ended.
    virtual void close() = 0;

    virtual std::string deviceName() const = 0;
    virtual unsigned sampleRate() const = 0;
    // Bytes per frame of the captured format.
    virtual unsigned blockAlign() const = 0;
    // Frames the server delivers at a time once started.
    virtual std::uint32_t bufferFrames() const = 0;

    // Capture thread: waits at most timeoutMs for captured sound; false once the stream or
    // the connection has failed.
    virtual bool wait(int timeoutMs) = 0;
    // Capture thread: the oldest captured packet, 0 frames when none waits. Each packet with
    // frames is given back with releasePacket() before the next is asked for.
    virtual Packet nextPacket() = 0;
    virtual void releasePacket() = 0;

    // Any thread: while set, every wait for the sound server gives up at once (a check that
    // another thread runs is to end now).
    virtual void cancelWaits(bool cancel) { (void)cancel; }

    // The name of the default output device now, empty without a sound server.
    // While a stream runs this is what the server last announced; otherwise the server is
    // asked, at most every two seconds (the last answer stands in between).
    virtual std::string defaultDeviceName() = 0;
};

// The implementation for this system (PulseAudio, or PipeWire's pulse server).
std::unique_ptr<LoopbackCapture> makeLoopbackCapture();

} // namespace platform
