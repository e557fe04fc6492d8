#pragma once

// The song recorder: cue sheet and song files of a running recording. Fed on the transfer
// worker's thread; its file work runs on a writer thread of its own.

#include "stream/songs.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <deque>
#include <memory>

// The songs of the recording under way. The transfer worker, from the bridge's recording
// hook and under its recording lock, tells it every audio byte recorded and every new title;
// it keeps a cue sheet beside the recording and, with split on, cuts the audio into one
// file per song on frame boundaries. Every file operation (song files opened, written,
// renamed, tagged and closed, the cue sheet, the information file's song lines) runs on a
// writer thread of its own, so the worker never waits for the disk.

struct SongSettings {
    bool split = false;
    int offsetMs = 0;         // moves every cut and index; -10000..10000
    int shortestSeconds = 30; // a shorter piece goes into the next song's file
};

struct SongRecording {
    QString stem;      // the recording's path without its extension
    QString extension; // of the recording and the song files
    int formatCode = 0;
    QString station;    // the sheet's PERFORMER, the album tag
    QString stationUrl; // the comment tag
    QString firstSong;  // the title announced when the recording began
    QString infoPath;   // the information file: one line per song file
    std::uint32_t language = 1033;
    SongSettings settings;
};

class SongWriter;

class SongRecorder {
public:
    SongRecorder();
    ~SongRecorder();

    // A recording begins. Split is done for MP3 and AAC only: the other formats cannot be
    // cut soundly without rewriting their pages, and get the cue sheet alone.
    void begin(const SongRecording& recording);
    bool active() const { return active_; }
    // The recorder writes the audio itself (split on, a format that can be cut).
    bool splitting() const { return active_ && split_; }
    // A split was asked for and refused for this format.
    bool splitRefused() const { return refused_; }
    // The title now announced; a change places a track (and a cut) at the audio written.
    void title(const QString& song);
    // Audio bytes recorded; kbps places titles in formats without fixed frames.
    void audio(const unsigned char* data, int n, int kbps);
    // The recording ended: the last song is closed and the sheet completed, by the writer.
    void end();

    // Waits at most ms until the writer has done all it was asked.
    bool waitIdle(int ms);
    // The files the last recording produced (song files and cue sheet).
    QStringList producedFiles() const;
    // A song file the writer could not write; empty while all goes well.
    QString failedPath() const;

private:
    struct HeldFrame {
        int bytes;
        double start;
        double seconds;
    };
    struct Cut {
        double at;
        QString song;
    };
    // Writes the held frames that no cut can come before any more (all with everything).
    void release(bool everything);
    void cutAt(double at, const QString& song);
    void flushRun();

    std::unique_ptr<SongWriter> writer_;
    bool active_ = false;
    bool split_ = false;
    bool refused_ = false;
    bool frames_ = false; // MP3 or AAC: time counted in frames
    SongSettings settings_;
    FrameWalker walker_;
    std::vector<AudioFrame> scratch_;
    double position_ = 0; // seconds of audio received
    double lastIndex_ = 0;
    QString lastSong_;

    // Split state: audio held back for negative offsets, and the song file being written.
    QByteArray held_;
    qsizetype heldFront_ = 0;
    std::deque<HeldFrame> heldFrames_;
    QByteArray run_;
    std::deque<Cut> cuts_;
    double fileStart_ = 0;
    QString fileSong_;
    bool filePartial_ = true;
};
