#pragma once

#include "programme/programmetable.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <array>
#include <atomic>
#include <functional>
#include <optional>
#include <thread>

class CKestrelwaveApp;

// What the programme information asks of the main window: its timers 6 and 7.
class ProgrammeViewPort {
public:
    virtual ~ProgrammeViewPort() = default;
    // Timer 6: the page is checked again every 10 s.
    virtual void startProgrammeRefresh() = 0;
    // Timer 7: one shot after ms, when the next programme starts.
    virtual void armNextProgramme(qint64 ms) = 0;
    virtual void stopNextProgramme() = 0;
};

// Programme information for the broadcaster's channels: finds the page of the station being
// played, downloads it (or only its headers, to see whether its tag changed) on a short-lived
// worker thread, and reports the current and next programme in the information pane.
// Everything here belongs to the GUI thread (the thread that built the object) except
// startProgrammeInfo and stopNextTimer, which the transfer worker's probe calls. A transfer
// never blocks that thread: the worker reports back with a queued call, which runs the rest.
// A transfer gives up when it cannot connect within 5 s, after 15 s in all, when playback
// stops and at shutdown.
class CCurlAuxThread {
public:
    static constexpr long kConnectTimeoutSeconds = 5;
    static constexpr long kTransferTimeoutSeconds = 15;
    static constexpr qsizetype kMaxPageBytes = 16 * 1024 * 1024;
    // The host of every page of the table; tests put their own server in its place.
    static constexpr const char* kPageHost = "https://www.radiofrance.fr";

    explicit CCurlAuxThread(CKestrelwaveApp& app);
    ~CCurlAuxThread();
    CCurlAuxThread(const CCurlAuxThread&) = delete;
    CCurlAuxThread& operator=(const CCurlAuxThread&) = delete;

    void setView(ProgrammeViewPort* view) { view_ = view; }

    // Any thread: looks up the station's page and, when it has an entity tag, reports it and
    // starts timer 6; an empty address repeats the last one without "Loading Page". The lookup
    // runs on the GUI thread; the result says whether the address has a row of the table.
    bool startProgrammeInfo(const QString& address);
    // Any thread: timer 7 is cancelled (a stream whose titles come in its metadata).
    void stopNextTimer();

    // A transfer's outcome: loadPage and probePage give 1 or 0, findAndLoad 0, -1 or -2.
    using Done = std::function<void(int result)>;
    void loadPage(QByteArray address, Done done);
    void probePage(Done done);
    void resetTransfer();
    void findAndLoad(const QByteArray& address, bool verbose, Done done);
    int loadProgrammeTable();
    int findProgrammeRow(const QByteArray& address) const;
    // Reads bodyText and reports in the pane; the number of programmes found (bit 0 the
    // current, bit 1 the next).
    int parseProgrammePage();

    // Timer 6, timer 7 and button "D".
    void refreshTick();
    void announceNext();
    void testSavedPage();

    // GUI thread: playback stopped or moves to another station. The running transfer gives
    // up unreported, timer 7 is cancelled and the last page is forgotten, so that nothing of
    // the old station reaches the pane or a recording later.
    void endPlayback();
    // The running transfer gives up; its outcome is never reported. Joins the worker.
    void shutdown();
    bool transferRunning() const { return thread_.joinable(); }

    // Seconds since 1970-01-01 UTC; tests move time on.
    std::function<qint64()> clock;
    // Seconds since the recording began, nothing while none runs.
    std::function<std::optional<double>()> recordingSeconds;
    // Test only: replaces kPageHost in the table's page addresses.
    QByteArray pageHostForTesting;

    int curlResult = 7;
    int matchedRow = -1;
    int parseResult = 0;
    int rowCount = 0;
    int loadDone = 0;
    int probeDone = 0;
    bool testFlag = false;
    QByteArray bodyText;
    QByteArray headerText;
    QByteArray loadedAddress;
    QByteArray requestAddress;
    QByteArray channelName;
    QByteArray pageTag;
    QByteArray latestTag;
    ProgrammeTable table;
    // The next programme's lines as last shown, for timer 7.
    std::array<QString, 3> nextLines;

private:
    struct Outcome {
        QByteArray headers;
        QByteArray body;
        int result = 7;
    };
    void startTransfer(bool headerOnly, QByteArray address, std::function<void()> then);
    Outcome perform(bool headerOnly, const QByteArray& address);
    void show(const QString& text) const;
    void startOnGui(const QString& address);

    CKestrelwaveApp& app_;
    ProgrammeViewPort* view_ = nullptr;
    // Lives on the GUI thread: the worker's report is queued to it.
    QObject context_;
    std::thread thread_;
    std::atomic<bool> cancel_{false};
    // Counts transfers, so that the report of one given up is dropped.
    quint64 serial_ = 0;
    QString lastAddress_;
};
