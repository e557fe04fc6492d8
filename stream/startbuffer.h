#pragma once

#include <cstdint>

// When a newly started player is first fed. The stream's bytes are held from its first body
// byte on until they carry about 1.5 s of audio (by the stated bit rate, else the one the
// first frames or Ogg pages show; at least 24 KiB unless that is more than 2.5 s of audio;
// metadata blocks not counted), or until
// the start pause has run out, whichever comes first: a server that bursts on connection
// starts the player at once, one that sends in real time no sooner than its buffer is full.
// A pure object, given the held bytes and the time; the player bridge's pump asks it on the
// transfer worker's thread.
class StartBuffer {
public:
    static constexpr int kMinBytes = 24 * 1024;
    static constexpr int kAudioMs = 1500;
    static constexpr int kMaxAudioMs = 2500;
    static constexpr std::uint32_t kPauseMs = 500 + 2500 + 100;
    // Held bytes, metadata included, that let go whatever the audio count: a stream of tiny
    // audio runs between large metadata blocks must not fill the pump's buffer first.
    static constexpr int kMaxHeldBytes = 512 * 1024;

    // A player waits for its first bytes from now; statedKbps 0: not stated.
    void begin(std::uint32_t now, int formatCode, int statedKbps, int metaInterval);
    bool holding() const { return holding_; }
    // held: the bytes gathered since begin, from the first one on (they only grow). True
    // once the player is to be fed; holding() is false from then on.
    bool release(const unsigned char* held, int length, std::uint32_t now);

    int audioBytes() const { return audio_; }
    int kbps() const { return kbps_; }
    // Audio bytes to wait for; none while a stream of unknown rate may be far above 24 KiB
    // per 1.5 s (Ogg before its pages show the rate).
    int targetBytes() const;

private:
    void count(const unsigned char* held, int length);

    bool holding_ = false;
    std::uint32_t begin_ = 0;
    int formatCode_ = 0;
    int kbps_ = 0;
    int interval_ = 0;
    int counted_ = 0; // held bytes looked at
    int audio_ = 0;
    int sinceMetadata_ = 0;
    int skip_ = 0;       // metadata bytes still to pass
    int measuredAt_ = 0; // held bytes when the rate was last looked for
    static constexpr int kMeasureBytes = 64 * 1024;
    static constexpr int kMeasureStep = 2048;
};

// The bit rate (kbit/s) the start of a stream shows: the first MP3 or ADTS frame, or for
// Ogg the bytes and granule positions of its first two audio pages. 0 while it shows none.
int measuredKbps(const unsigned char* data, int length, int formatCode);
