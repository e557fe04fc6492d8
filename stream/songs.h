#pragma once

// The songs of a recording as pure functions of their input: the "Artist - Title" split, the
// cue sheet text, the names of song files, and the MP3/ADTS frame walk that places every
// title and every cut on a frame. The song recorder (songrecorder.h) calls them.

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

struct SongTitle {
    QString performer; // empty when the text holds no " - "
    QString title;
};
SongTitle splitSongTitle(const QString& song);

// A cue sheet counts time in sectors of 1/75 second.
inline constexpr int kCueSectorsPerSecond = 75;
// Track numbers have two digits; later titles stay in the information file only.
inline constexpr int kMaxCueTracks = 99;

struct CueTrack {
    QString song;         // "Artist - Title" as announced
    std::int64_t sectors; // INDEX 01 from the start of the track's file
};
struct CueFile {
    QString name;     // file name beside the sheet
    bool mp3 = false; // FILE type MP3, else WAVE (the type players take for any audio)
    std::vector<CueTrack> tracks;
};

// "mm:ss:ff", minutes as many as needed.
QString cueTime(std::int64_t sectors);
// The whole sheet, UTF-8 text with CR LF line ends. Every file holds at least one track,
// the first of each file at 00:00:00, indexes never go back, at most 99 tracks.
QString cueSheetText(const QString& performer, const QString& title,
                     const std::vector<CueFile>& files);

// The file name (without extension) of a song: the recording-name rules applied to the
// song text, with " (partial)" for a song the recording did not hold whole.
QString songFileName(const QString& song, bool partial);
// folder/name.extension, or folder/name (2).extension, (3) ... : the first one exists()
// denies; empty when all are. With a name from songFileName, a file directly inside folder.
QString freeSongPath(const QString& folder, const QString& name, const QString& extension,
                     const std::function<bool(const QString&)>& exists);

// One MP3 or ADTS AAC frame: its bytes (with any junk before the next frame) and duration.
struct AudioFrame {
    int bytes = 0;
    int samples = 0; // 0 for bytes that are no frame
    int sampleRate = 0;
    double seconds() const { return sampleRate > 0 ? double(samples) / sampleRate : 0.0; }
};

// The length and duration of the frame whose header is at p (available bytes there), or
// nothing when p holds no MPEG layer III (mp3) or ADTS (aac) header.
std::optional<AudioFrame> audioFrameAt(bool aac, const unsigned char* p, int available);

// Cuts a byte stream of either format into whole frames, whatever the split of its input.
// Every byte fed comes out in exactly one frame, from feed() or finish().
class FrameWalker {
public:
    explicit FrameWalker(bool aac = false) : aac_(aac) {}
    void reset(bool aac);
    void feed(const unsigned char* data, int n, std::vector<AudioFrame>& out);
    // What is left: the last frame, or a piece cut short (no samples unless whole).
    std::optional<AudioFrame> finish();

private:
    bool aac_;
    std::vector<unsigned char> held_;
    std::optional<AudioFrame> current_; // the frame beginning at held_[0]
};
