#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

struct StreamEngine;

// End reasons of a transfer, reported on WM_APP+2.
enum EndReason : std::int32_t {
    EndStopped = 0,
    EndNoData = 1,
    EndHlsPlaylist = 2,
    EndConnectionClosed = 3,
    EndAborting = 4,
    EndNoResponse = 5,
    EndNotResolved = 6,
    EndCurlError = 7,
    EndFailed = 8,
    EndWriteAbort = 9,
    EndPlayerStopped = 10, // the player ended by itself while the stream still flowed
};

// The transfer worker: pulls one station's stream with libcurl on a thread of its own,
// collects the headers, resolves playlists, announces the station, starts the player and
// hands every block to the bridge; at the end it classifies why and sends WM_APP+2. Flags
// marked "GUI" are set by the GUI thread, the rest by the worker.
class CCurlThread {
public:
    static constexpr int kHeaderSize = 8192;
    static constexpr int kPlaylistSize = 8192;
    static constexpr int kMaxPlaylistHops = 10;

    explicit CCurlThread(StreamEngine& engine);
    virtual ~CCurlThread();

    // Longest wait for a worker asked to stop: every blocking step of it gives up once asked
    // to, so only a worker blocked on the window below the wait can take this long.
    static constexpr int kStopWaitMs = 10000;

    // GUI thread: starts a worker for url after the previous one has ended and returns true.
    // Ending the previous one turns the event loop; when stillWanted says no after that
    // wait (the command that asked for the transfer was undone meanwhile), or the previous
    // worker did not end, no worker starts and this returns false.
    bool start(const QString& url, const std::function<bool()>& stillWanted = {});
    // GUI thread: waits up to ms for the worker to end, keeping the event loop turning (the
    // worker's WM_APP+2 is a blocking call into it) for everything but user input. True
    // when it has ended.
    bool waitForEnd(int ms);
    // GUI thread: asks the worker to stop and waits, events turning, at most ms for it to
    // end. True when it has ended.
    bool stopAndWait(int ms = kStopWaitMs);
    bool threadAlive() const { return alive_; }

    // Read by the GUI thread while the worker waits in WM_APP+2, or after it ended.
    QByteArray urlUtf8;
    QString currentUrl;
    QString stationUrl;
    int curlResult = 0;
    QByteArray errorText;
    int stationIndex = -1;
    int playlistHops = 0;

    std::atomic<std::int32_t> recordError{0};
    QString recordErrorFolder; // the station folder a code 12 could not create
    std::atomic<std::int32_t> endReason{0};
    std::atomic<bool> markInvalid{false};
    std::atomic<bool> abortedByHandler{false};
    std::atomic<bool> timedOut{false};
    std::atomic<bool> stopRequested{false}; // GUI
    std::atomic<bool> connectionClosed{false};
    std::atomic<bool> playerDied{false};
    std::atomic<bool> playerStarted{false};
    std::atomic<bool> playlistMode{false};
    std::atomic<std::uint32_t> startTime{0};
    std::atomic<std::uint32_t> lastDataTime{0};

    // libcurl callbacks (public for the C trampolines).
    std::size_t onHeader(const char* data, std::size_t n);
    std::size_t onWrite(const char* data, std::size_t n);
    int onProgress();

private:
    void run();
    void runTransfer(void* curl);
    std::size_t firstBlock(const char* data, std::size_t n);
    void classifyEnd(std::uint32_t elapsed);
    // Sleeps in short steps; false when a stop was requested meanwhile.
    bool pause(int ms);

    StreamEngine& engine_;
    std::thread thread_;
    std::atomic<bool> alive_{false};
    QByteArray headerText_;
    QByteArray playlistText_;
};
