#pragma once

#include "platform/audiosession.h"
#include "platform/processpipe.h"
#include "stream/probe.h"
#include "stream/songrecorder.h"
#include "stream/startbuffer.h"

#include <QFile>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

struct StreamEngine;

// The player bridge: starts ffplay or VLC with a pipe as its standard input, cuts the
// metadata blocks out of the stream, skips to the first audio frame, measures the bit rate
// and writes the pure audio bytes into the pipe. pump, write, startPlayer and reset run on
// the transfer worker's thread; terminatePlayer and the volume calls on the GUI thread.
class CPlayStream {
public:
    static constexpr int kBufferSize = 2000000; // the accumulation buffer, not 2^21
    // Once playing, blocks are gathered to this many bytes or for this long, whichever is
    // first: few large writes, yet a server that sends in real time keeps the player fed.
    static constexpr int kGather = 40000;
    static constexpr std::uint32_t kGatherMs = 200;
    static constexpr int kTagBufferSize = 16384;

    explicit CPlayStream(StreamEngine& engine);
    virtual ~CPlayStream();

    void reset();
    bool startPlayer();
    // n to let the transfer go on, 0 to make it abort.
    int pump(const char* data, int n);
    // Between blocks: feeds what has waited long enough. False when the player is gone.
    bool feedDue();
    void terminatePlayer();
    bool playerRunning() const { return pipe_.running(); }
    pid_t playerPid() const { return pipe_.pid(); }
    // Worker thread, at the end of a transfer: our end of the player's pipe.
    void closePipe() { pipe_.closePipe(); }

    // Recording (recording.cpp). openRecording and the hook run on the worker's thread,
    // closeRecording on either thread; one lock keeps them apart.
    bool openRecording(const QString& stationName);
    void closeRecording();
    // Writes pane text into the open information file.
    void copyToInfoFile(const QString& text);
    bool recordingOpen() const;
    // Seconds since the recording file was opened, or nothing while none is open.
    std::optional<double> recordingSeconds() const;
    // Record from the player's first byte on (a play started by Record): the stream's
    // headers are then in the file too.
    std::atomic<bool> recordFromStart{false};
    QString recordFolder;
    QString recordPath;
    QString infoPath;
    // The cue sheet and, with split on, the song files; fed under the recording lock.
    SongRecorder songs;

    bool findVolumeControl();
    void setVolume(double level);
    double getVolume() const;
    bool hasVolumeControl() const { return audio_.hasControl(); }
    void forgetVolumeControl() { audio_.forget(); }

    // Replaces the player pipe for tests: receives what would be written to the player.
    using PipeWriter = std::function<bool(const char* data, std::size_t n)>;
    void setPipeWriterForTesting(PipeWriter writer) { testWriter_ = std::move(writer); }

    // The argument vector of the player (without the program itself).
    static QStringList playerArguments(bool ffplay);

    FrameProbe probe;
    StartBuffer startBuffer; // holds the first bytes until the player's buffer can fill
    std::vector<unsigned char> tagBuffer;
    int recordedBytes = 0;
    int pending = 0;
    std::uint32_t sinceMetadata = 0;
    int written = 0;
    int writtenAtMark = 0;
    std::uint32_t markTime = 0;
    std::uint32_t startTime = 0;
    bool started = false;
    bool recordWritten = false;
    bool rateSent = false;
    bool noMetadata = false;

private:
    void recordBlock(const unsigned char* data, int n);
    void stopRecordingFromWorker(const QString& paneText);
    void beginSongs(const QString& stationName, const QString& path);

    // Bytes written to the player, 0, -1 (the player is gone) or -3 (aborted by the worker).
    int write(const unsigned char* data, int n);
    bool writeToPlayer(const unsigned char* data, int n);
    void sendBitRate(int kbps);
    // After the first frame: programme information for a stream without titles of its own.
    void followProgramme();
    void consumed(int count);
    // Cuts, writes and hands on the pending bytes when they are due: -1 when the player is
    // gone, else 0.
    int process(std::uint32_t now);

    StreamEngine& engine_;
    std::vector<unsigned char> buffer_;
    platform::ProcessPipe pipe_;
    platform::AudioSession audio_;
    QString playerTag_;
    std::atomic<bool> volumeBusy_{false};
    // Worker thread: a player that ended by itself while the stream flows is started again
    // once per transfer, for the formats a player can join mid-stream; false otherwise.
    bool restartPlayer();
    bool spawnPlayer();

    PipeWriter testWriter_;
    bool playerDied_ = false;      // the last write failed on a player we did not end
    bool playerRestarted_ = false; // this transfer's one restart is spent
    bool runScanned_ = false;      // the gathered run has been measured for its bit rate
    std::uint32_t processedAt_ = 0;

    mutable std::mutex recordMutex_;
    QFile recordFile_;
    QFile infoFile_;
    std::atomic<std::uint32_t> recordOrigin_{0};
    std::atomic<bool> recordOpen_{false};
};

// The folder and file name a station records under: file-name-hostile characters become
// "_", leading dots and blanks and trailing blanks, "_" and dots go, the length is bounded
// (100 characters, 200 bytes of UTF-8, whole characters only), and a name with nothing left
// is "Unknown". The result never leaves the recordings folder.
QString recordingName(const QString& stationName);

// The first name of stem.ext, stem_01.ext, stem_02.ext ... that is not taken, neither by
// itself nor by the information file or cue sheet of that name.
QString freeRecordingPath(const QString& stem, const QString& extension);
