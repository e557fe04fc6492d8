#include "scan/autoscan.h"

#include "app/cutil.h"
#include "app/kestrelwaveapp.h"
#include "app/mainwindowport.h"
#include "app/texts.h"
#include "app/timerids.h"
#include "platform/clock.h"
#include "stations/listline.h"
#include "stream/streamengine.h"

bool allStationsLocal(const StationList& list)
{
    for (qsizetype i = 0; i < list.count(); ++i) {
        if (!list.url(i).isEmpty() && !isLoopbackUrl(list.url(i)))
            return false;
    }
    return true;
}

CAutoScan::CAutoScan(CKestrelwaveApp& app) : app_(app)
{
    // A list of stations on this machine can be scanned without Internet.
    connectionAvailable = [this] { return CUtil::IsOnline() || allStationsLocal(app_.stations); };
    timer_.setInterval(timers::TIMER_AUTO_SCAN_MS);
    QObject::connect(&timer_, &QTimer::timeout, [this] { step(); });
}

bool CAutoScan::running() const
{
    return app_.status.autoScanRunning != 0;
}

void CAutoScan::onButton()
{
    if (!connectionAvailable()) {
        app_.boxes().show(texts::choose(app_.language(), {u"No Internet Connection !",
                                                          u"Pas de connexion Internet !",
                                                          u"Keine Internetverbindung !"}),
                          BoxIcon::None);
        // The button toggled itself when clicked; it shows the scan's state, not the click.
        if (view_)
            view_->showScanRunning(running());
        return;
    }
    if (running())
        EndScan(true);
    else
        StartScan(true);
}

void CAutoScan::eraseNames()
{
    StationList& list = app_.stations;
    for (qsizetype i = 0; i < list.count(); ++i) {
        // Category titles and the names the user set stay.
        if (!list.url(i).isEmpty() && !(list.flags(i) & MARK_MODIFIED))
            list.setName(i, QString());
    }
}

void CAutoScan::StartScan(bool ask)
{
    CKestrelwaveApp& app = app_;
    StationList& list = app.stations;
    MainWindowPort* w = app.window();
    if (running())
        return;
    if (view_)
        view_->endWebSearch();
    app.engine->control.Stop();
    app_.engine->control.waitMs(200);

    namesErased = false;
    if (ask && app.boxes().askYesNo(texts::choose(
                   app.language(), {u"Erase all the Station Names before scanning ?",
                                    u"Effacer tous les noms des stations avant le scan ?",
                                    u"Vor dem Scannen alle Sendernamen löschen ?"}))) {
        list.PushHistory();
        app.engine->showText(QStringLiteral("\n ERASING ALL THE STATION NAMES\n"));
        eraseNames();
        if (w)
            w->refillListView();
        namesErased = true;
    }
    list.PushHistory();
    if (w)
        w->clearInfoPane();
    app.engine->showText(QStringLiteral("\nAUTO-SCAN STARTED...\n\n"));
    if (view_)
        view_->showScanRunning(true);

    stationsTotal_ = 0;
    for (qsizetype i = 0; i < list.count(); ++i)
        stationsTotal_ += list.url(i).isEmpty() ? 0 : 1;
    stationsDone_ = 0;
    lastStartedUrl_.clear();
    reportProgress();

    app.status.autoScanRunning = 1;
    stepStartTime = platform::tickCount();
    app.status.autoScanStepDone = 1;
    timer_.start();
    scanTimerActive = true;
    scanIndex = 0;
}

void CAutoScan::EndScan(bool completed)
{
    PlaybackStatus& status = app_.status;
    if (!status.autoScanRunning)
        return;
    app_.engine->curl.stopRequested = true;
    status.autoScanStepDone = 0;
    status.autoScanRunning = 0;
    if (scanTimerActive) {
        timer_.stop();
        scanTimerActive = false;
    }
    scanIndex = 0;
    app_.engine->showText(completed ? QStringLiteral("\nAUTO-SCAN TERMINATED\n")
                                    : QStringLiteral("\n\nAUTO-SCAN ABORTED\n"));
    if (view_) {
        view_->showScanProgress(0, 0);
        view_->showScanRunning(false);
    }
}

void CAutoScan::reportProgress()
{
    if (view_)
        view_->showScanProgress(std::min(stationsDone_, stationsTotal_), stationsTotal_);
}

void CAutoScan::step()
{
    PlaybackStatus& status = app_.status;
    if (!status.autoScanRunning || status.transferThreadRunning) {
        stepBusy = false;
        return;
    }
    if (stepBusy)
        return;
    stepBusy = true;

    StationList& list = app_.stations;
    MainWindowPort* w = app_.window();
    if (scanIndex >= list.count()) {
        status.autoScanStepDone = 0;
        timer_.stop();
        scanTimerActive = false;
        EndScan(true);
        app_.engine->control.waitMs(100);
        app_.boxes().show(
            texts::choose(app_.language(), {u"Auto-scan terminated", u"Auto-scan terminé",
                                            u"Auto-scan abgeschlossen"}),
            BoxIcon::Information);
        app_.engine->control.waitMs(200);
        stepBusy = false;
        if (w)
            w->refillListView();
        return;
    }

    const qsizetype index = scanIndex;
    const QString url = list.url(index);
    const std::uint32_t now = platform::tickCount();
    if (url.isEmpty()) {
        ++scanIndex;
        stepStartTime = now;
        stepBusy = false;
        return;
    }
    if (now - stepStartTime > kStepTimeoutMs) {
        // The last step's transfer ran too long. It is named, and this entry is still tried
        // at the next tick: skipping it would leave a station unchecked without a word.
        app_.engine->showText(QStringLiteral("SCAN TIMEOUT: \"%1\"\n")
                                  .arg(lastStartedUrl_.isEmpty() ? url : lastStartedUrl_));
        lastStartedUrl_.clear();
        status.autoScanStepDone = 1;
        stepStartTime = now;
        status.transferThreadRunning = 0;
        status.transferInProgress = 0;
        stepBusy = false;
        return;
    }

    // The fields show every row the scan selects, so that Update never writes the fields of
    // one station into another.
    list.selectedIndex = index;
    if (w)
        w->selectEntry(index);
    const QString& name = list.name(index);
    if (name.isEmpty() || name == u"INVALID" || list.format(index).isEmpty()) {
        // Ending the last step's worker turns the event loop, where a stop or a close may
        // end the scan: then this station is not started, least of all as a play.
        if (!app_.engine->curl.start(url, [this] { return running(); })) {
            stepBusy = false;
            return;
        }
        lastStartedUrl_ = url;
        status.autoScanStepDone = 0;
    } else {
        lastStartedUrl_.clear();
        status.autoScanStepDone = 1;
    }
    ++stationsDone_;
    reportProgress();
    ++scanIndex;
    stepStartTime = platform::tickCount();
    stepBusy = false;
}
