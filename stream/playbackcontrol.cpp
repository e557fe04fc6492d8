#include "stream/playbackcontrol.h"

#include "app/cutil.h"
#include "app/kestrelwaveapp.h"
#include "app/mainwindowport.h"
#include "app/texts.h"
#include "platform/clock.h"
#include "stations/formats.h"
#include "stream/streamengine.h"
#include "stream/transferend.h"

#include <QFile>
#include <QUrl>

bool isLoopbackUrl(const QString& url)
{
    const QString host = QUrl(url).host().toLower();
    return host == u"localhost" || host.startsWith(QStringLiteral("127.")) || host == u"::1";
}

PlaybackControl::PlaybackControl(StreamEngine& engine) : engine_(engine)
{
    // A station on this machine needs no Internet connection.
    connectionAvailable = [](const QString& url) {
        return isLoopbackUrl(url) || CUtil::IsOnline();
    };
}

void PlaybackControl::waitMs(int ms)
{
    const std::uint32_t begin = platform::tickCount();
    MainWindowPort* w = engine_.window();
    while (platform::tickCount() - begin < std::uint32_t(ms)) {
        if (w)
            w->processEvents();
        platform::sleepMs(5);
    }
}

void PlaybackControl::onPlayButton()
{
    CKestrelwaveApp& app = engine_.app;
    app.EndScan(false);
    if (app.status.playing) {
        Stop();
        waitMs(300);
    } else {
        Play();
    }
}

void PlaybackControl::onPlayUrlField()
{
    if (engine_.app.status.playing) {
        Stop();
        waitMs(300);
    }
    Play();
}

void PlaybackControl::Play()
{
    CKestrelwaveApp& app = engine_.app;
    PlaybackStatus& status = app.status;
    MainWindowPort* w = engine_.window();
    if (status.playing || starting_ || closing_ || !w)
        return;
    const std::uint32_t lang = app.language();
    const QString url = w->readUrlField();
    if (!connectionAvailable(url)) {
        app.boxes().show(
            texts::choose(lang, {u"No Internet Connection !", u"Pas de connexion Internet !",
                                 u"Keine Internetverbindung !"}),
            BoxIcon::None);
        w->showPlaying(false);
        return;
    }
    if (url.isEmpty()) {
        w->showPlaying(false);
        status.playing = 0;
        return;
    }
    if (!CUtil::IsUrl(url)) {
        app.boxes().show(
            texts::choose(lang, {u"Sorry, this URL is not valid",
                                 u"Désolé, cet URL n'est pas valide", u"Diese URL ist ungültig"}),
            BoxIcon::None);
        w->showPlaying(false);
        status.playing = 0;
        return;
    }
    // A worker asked to stop finishes its end report before this play begins. A Stop or a
    // close handled meanwhile (through MPRIS, a timer, a signal) cancels this play.
    starting_ = true;
    const std::uint32_t stops = stopCount_;
    engine_.curl.waitForEnd(5000);
    starting_ = false;
    if (stops != stopCount_) {
        w->showPlaying(false);
        return;
    }

    const qsizetype row = app.stations.FindUrl(url);
    app.stations.selectedIndex = row;
    w->markPlayingRow(row);
    lastPlayedUrl = url;
    w->syncPresetButtons(url);
    app.WriteSettings();
    w->clearInfoPane();
    app.programme.endPlayback(); // the last station's programme ends with it
    w->showPlaying(true);
    status.playing = 1;
    w->showText(QStringLiteral("\nConnecting to ") + url + u'\n');
    if (!engine_.curl.start(url, [&status] { return status.playing != 0; })) {
        status.playing = 0;
        w->showPlaying(false);
    }
}

void PlaybackControl::Stop()
{
    CKestrelwaveApp& app = engine_.app;
    PlaybackStatus& status = app.status;
    CCurlThread& curl = engine_.curl;
    ++stopCount_;
    app.programme.endPlayback();
    if (status.recording)
        StopRecording();
    curl.stopRequested = true;
    waitMs(100);
    if (curl.playerStarted) {
        engine_.bridge.terminatePlayer();
        curl.playerStarted = false;
        engine_.bridge.forgetVolumeControl();
    }
    waitMs(100);
    for (int round = 0; round < 10 && status.transferThreadRunning && status.transferInProgress;
         ++round)
        waitMs(100);
    status.playing = 0;
    status.transferThreadRunning = 0;
    status.transferInProgress = 0;
    if (MainWindowPort* w = engine_.window())
        w->showPlaying(false);
}

void PlaybackControl::workerEnded()
{
    PlaybackStatus& status = engine_.app.status;
    if (status.recording || engine_.bridge.recordingOpen())
        StopRecording();
    engine_.app.programme.endPlayback();
    if (status.playing) {
        status.playing = 0;
        engine_.bridge.forgetVolumeControl();
        if (MainWindowPort* w = engine_.window())
            w->showPlaying(false);
    }
}

void PlaybackControl::onTransferEnd()
{
    CKestrelwaveApp& app = engine_.app;
    CCurlThread& curl = engine_.curl;
    MainWindowPort* w = engine_.window();
    const std::uint32_t lang = app.language();
    QString recordText;
    switch (curl.recordError) {
    case 10:
        recordText = texts::choose(lang, {u"No valid file extention type",
                                          u"Pas d'extension de fichier valide",
                                          u"Kein gültiger Dateierweiterungstyp"});
        break;
    case 11:
        recordText =
            texts::choose(lang,
                          {u"Directory %s does not exists", u"Le répertoire %s n'existe pas",
                           u"Das %s Verzeichnis ist nicht vorhanden"},
                          engine_.bridge.recordFolder);
        break;
    case 12:
        recordText = texts::choose(lang,
                                   {u"Could not create %s folder",
                                    u"Impossible de créer le sous-répertoire %s",
                                    u"Das %s Verzeichnis konnte nicht erstellt werden."},
                                   curl.recordErrorFolder);
        break;
    case 13:
        recordText = texts::choose(lang, {u"Could not create output file",
                                          u"Impossible de créer le fichier de sortie",
                                          u"Ausgabedatei konnte nicht erstellt werden"});
        break;
    default:
        break;
    }
    if (!recordText.isEmpty() && !app.status.autoScanRunning)
        app.boxes().show(recordText, BoxIcon::None);
    const TransferEndReport r =
        transferEndReport(curl.endReason, curl.markInvalid, curl.playerStarted, curl.urlUtf8,
                          curl.errorText, app.language(), curl.curlResult);
    if (!r.paneBefore.isEmpty())
        engine_.showText(r.paneBefore);
    if (!r.box.isEmpty() && !app.status.autoScanRunning)
        app.boxes().show(r.box, BoxIcon::None);
    if (!r.paneAfter.isEmpty())
        engine_.showText(r.paneAfter);
    if (r.markInvalid) {
        const QString key = curl.stationUrl.isEmpty() ? curl.currentUrl : curl.stationUrl;
        const qsizetype row = app.stations.FindUrl(key);
        if (row >= 0) {
            app.stations.SetStationName(row, QStringLiteral("INVALID"));
            if (w)
                w->rowChanged(row);
        }
    }
}

void PlaybackControl::onBitRate(int kbps)
{
    CKestrelwaveApp& app = engine_.app;
    StationList& list = app.stations;
    CCurlThread& curl = engine_.curl;
    qsizetype row = curl.stationIndex;
    const QString& url = curl.stationUrl.isEmpty() ? curl.currentUrl : curl.stationUrl;
    // The list may have changed since the row was found.
    if (!list.isValidIndex(row) || list.url(row) != url)
        row = list.FindUrl(url);
    if (row < 0)
        return;
    const QString name = formats::name(engine_.format.formatCode);
    const QString text =
        (kbps < 1 ? name + QStringLiteral("_VBR") : QStringLiteral("%1_%2k").arg(name).arg(kbps))
            .left(63);
    if (list.format(row) == text)
        return;
    list.setFormat(row, text);
    if (MainWindowPort* w = engine_.window())
        w->rowChanged(row);
}

void PlaybackControl::volumeMoved(int position)
{
    CPlayStream& bridge = engine_.bridge;
    if (!bridge.hasVolumeControl() || position == lastVolumePosition)
        return;
    lastVolumePosition = position;
    bridge.setVolume(position / 24.0);
}

int PlaybackControl::volumeThumbPosition()
{
    CPlayStream& bridge = engine_.bridge;
    if (!bridge.hasVolumeControl())
        return -1;
    const double v = bridge.getVolume();
    if (v < 0)
        return -1;
    const int p = int(v * 24 + 0.4999);
    if (p == lastVolumePosition)
        return -1;
    lastVolumePosition = p;
    return p;
}

void PlaybackControl::onRecordButton()
{
    CKestrelwaveApp& app = engine_.app;
    app.EndScan(false);
    MainWindowPort* w = engine_.window();
    if (engine_.bridge.recordingOpen() || app.status.recording) {
        StopRecording();
    } else if (app.status.writeHandlerBusy) {
        if (w)
            w->showRecording(false);
    } else {
        StartRecording();
    }
    waitMs(50);
}

void PlaybackControl::StartRecording()
{
    CKestrelwaveApp& app = engine_.app;
    PlaybackStatus& status = app.status;
    MainWindowPort* w = engine_.window();
    if (status.recording || !w)
        return;
    StreamFormat& format = engine_.format;
    // MP3 and AAC record from the next frame on; anything else needs a fresh start.
    bool now = false;
    if (engine_.bridge.playerRunning() && engine_.curl.playerStarted) {
        if (format.formatCode == FormatMp3 || format.formatCode == FormatAac) {
            now = true;
            status.recording = 1;
        } else {
            // The file must begin with the stream's headers: the stream starts again.
            engine_.showText(
                QStringLiteral("\nINFO: For this audio format, the player must be restarted...\n"));
            Stop();
        }
    }
    w->showRecording(true);
    lastRecordPath.clear();
    waitMs(20);
    if (!now) {
        engine_.bridge.recordFromStart = true;
        // Still connecting: the play under way brings the player; otherwise start one.
        if (!status.playing) {
            format.formatCode = 0;
            Play();
        }
        int round = 0;
        for (; round < recordStartRounds; ++round) {
            if (status.playing && format.formatCode != 0 && engine_.curl.playerStarted)
                break;
            if (!status.playing && !engine_.curl.threadAlive())
                round = recordStartRounds; // the play failed at once
            else
                waitMs(1);
        }
        // Out of time, or the recorder already failed (it has said why).
        if (round >= recordStartRounds || !engine_.bridge.recordFromStart) {
            engine_.bridge.recordFromStart = false;
            w->showRecording(false);
            return;
        }
        status.recording = 1;
        engine_.bridge.recordFromStart = false;
        waitMs(20);
    }
    recordStartTime = platform::tickCount();
}

void PlaybackControl::StopRecording()
{
    CKestrelwaveApp& app = engine_.app;
    MainWindowPort* w = engine_.window();
    const bool wasRecording = app.status.recording || engine_.bridge.recordingOpen();
    app.status.recording = 0;
    engine_.bridge.recordFromStart = false;
    if (!wasRecording)
        return;
    const double seconds = (platform::tickCount() - recordStartTime) / 1000.0;
    engine_.bridge.closeRecording();
    if (w)
        w->showRecording(false);
    // Written once the files are closed: the stop line is for the pane, not the recording.
    engine_.showText(QStringLiteral("\nStop recording after %1 sec.\n").arg(seconds, 0, 'f', 1));
}

void PlaybackControl::onDeleteRecording()
{
    CKestrelwaveApp& app = engine_.app;
    if (lastRecordPath.isEmpty())
        return;
    const QString path = lastRecordPath;
    const QString name = CUtil::FileNameOf(path);
    const QString question =
        texts::choose(app.language(), {u"Erase %s ?", u"Effacer %s ?", u"%s löschen ?"}, name);
    if (!app.boxes().askYesNo(question))
        return;
    if (app.status.recording || engine_.bridge.recordingOpen()) {
        waitMs(50);
        StopRecording();
        waitMs(50);
    }
    if (!engine_.bridge.recordingOpen())
        QFile::remove(path);
    QFile::remove(CUtil::WithExtension(path, QStringLiteral("txt")));
    // The song files and the cue sheet, once the song writer is done with them.
    SongRecorder& songs = engine_.bridge.songs;
    songs.waitIdle(5000);
    for (const QString& file : songs.producedFiles())
        QFile::remove(file);
    lastRecordPath.clear();
}
