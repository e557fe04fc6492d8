#pragma once

#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>

class CKestrelwaveApp;
class StationList;

// What the auto-scan shows in the main window besides the pane and the list rows. The
// dialog implements it; GUI thread only.
class ScanViewPort {
public:
    virtual ~ScanViewPort() = default;
    // The Auto Scan button's caption and pushed state, and the buttons that depend on it.
    virtual void showScanRunning(bool running) = 0;
    // How many stations the scan has reached out of how many; total 0 hides the progress.
    virtual void showScanProgress(int done, int total) = 0;
    virtual void endWebSearch() = 0;
};

// The auto-scan: walks the station list one entry per tick of timer 3 and has the transfer
// worker, in its scan mode, contact every station that lacks a name or a format tag or is
// marked "INVALID". The worker's end report names the station or marks it invalid. Lives on
// the GUI thread; the worker is the only other party, through the status block's flags.
class CAutoScan {
public:
    static constexpr std::uint32_t kStepTimeoutMs = 6000;

    explicit CAutoScan(CKestrelwaveApp& app);

    void setView(ScanViewPort* view) { view_ = view; }
    bool running() const;

    // Control 1018: starts a scan, or ends the running one as completed.
    void onButton();
    void StartScan(bool ask);
    void EndScan(bool completed);
    // Timer 3: one entry of the list.
    void step();

    // Whether the stations can be reached; tests replace it.
    std::function<bool()> connectionAvailable;

    qsizetype scanIndex = 0;
    std::uint32_t stepStartTime = 0;
    bool scanTimerActive = false;
    bool stepBusy = false;
    bool namesErased = false;

private:
    void eraseNames();
    void reportProgress();

    CKestrelwaveApp& app_;
    ScanViewPort* view_ = nullptr;
    QTimer timer_;
    // The station whose transfer the last step started, named when that step overran.
    QString lastStartedUrl_;
    int stationsTotal_ = 0;
    int stationsDone_ = 0;
};

// True when every station of the list is on this machine: such a list needs no Internet.
bool allStationsLocal(const StationList& list);
