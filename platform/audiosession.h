#pragma once

#include <QString>
#include <atomic>
#include <memory>
#include <sys/types.h>

namespace platform {

// The player's own volume: the PulseAudio sink input that the player process opened. The
// player is tagged through its environment (libpulse copies PULSE_PROP_<key>=<value> onto
// its client, and the server onto its streams); its process id is the fallback match.
// One connection for the whole run, on PulseAudio's own thread; volume changes made outside
// the program arrive as events, so reading the volume costs nothing.
class AudioSession {
public:
    static constexpr const char* kTagKey = "kestrelwave.player";

    AudioSession();
    ~AudioSession();
    AudioSession(const AudioSession&) = delete;
    AudioSession& operator=(const AudioSession&) = delete;

    // Looks for the tagged sink input once (waits at most about half a second).
    bool find(const QString& tag, pid_t pid);
    void forget();
    bool hasControl() const { return index_ != kNone; }
    // 0.0-1.0 of the normal volume; false without control.
    bool setVolume(double level);
    // The player's volume, or -1 without control.
    double volume() const;

    struct Private;

private:
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    bool connect();

    std::unique_ptr<Private> d_;
    std::atomic<std::uint32_t> index_{kNone};
    std::atomic<int> volumeMillis_{-1};
    std::atomic<int> channels_{2};
};

} // namespace platform
