#include "app/cutil.h"
#include "app/kestrelwaveapp.h"
#include "app/mainwindowport.h"
#include "app/texts.h"
#include "platform/clock.h"
#include "platform/folders.h"
#include "stream/playstream.h"
#include "stream/streamengine.h"

#include <QFileInfo>

namespace {
constexpr int kMaxNameChars = 100;
// A file name may hold 255 bytes; the date, a number and the extension need the rest.
constexpr int kMaxNameBytes = 200;

int utf8Bytes(char32_t c)
{
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}
} // namespace

QString recordingName(const QString& stationName)
{
    const QString clean = CUtil::CleanFileNameTrimmed(stationName);
    qsizetype start = 0;
    while (start < clean.size() && (clean[start] == u'.' || clean[start].isSpace()))
        ++start;
    // Whole characters only, so that a cut never splits a surrogate pair.
    QString name;
    int bytes = 0;
    for (qsizetype i = start; i < clean.size();) {
        const QChar c = clean[i];
        const bool pair =
            c.isHighSurrogate() && i + 1 < clean.size() && clean[i + 1].isLowSurrogate();
        const char32_t code = pair ? QChar::surrogateToUcs4(c, clean[i + 1]) : c.unicode();
        const int units = pair ? 2 : 1;
        if (code < 0x20 || QChar::isNonCharacter(code) || (!pair && c.isSurrogate()))
            return QStringLiteral("Unknown");
        if (name.size() + units > kMaxNameChars || bytes + utf8Bytes(code) > kMaxNameBytes)
            break;
        name.append(clean.constData() + i, units);
        bytes += utf8Bytes(code);
        i += units;
    }
    while (!name.isEmpty() && QStringView(u" _.").contains(name.back()))
        name.chop(1);
    return name.isEmpty() ? QStringLiteral("Unknown") : name;
}

QString freeRecordingPath(const QString& stem, const QString& extension)
{
    const auto taken = [](const QString& path) {
        // A split recording leaves no file of its own name, only its sheet and information.
        return QFileInfo::exists(path) ||
               QFileInfo::exists(CUtil::WithExtension(path, QStringLiteral("txt"))) ||
               QFileInfo::exists(CUtil::WithExtension(path, QStringLiteral("cue")));
    };
    QString path = stem + u'.' + extension;
    for (int n = 1; taken(path) && n < 10000; ++n)
        path = QStringLiteral("%1_%2.%3").arg(stem).arg(n, 2, 10, QLatin1Char('0')).arg(extension);
    return path;
}

bool CPlayStream::recordingOpen() const
{
    return recordOpen_;
}

std::optional<double> CPlayStream::recordingSeconds() const
{
    if (!recordOpen_)
        return std::nullopt;
    return (platform::tickCount() - recordOrigin_) / 1000.0;
}

bool CPlayStream::openRecording(const QString& stationName)
{
    CKestrelwaveApp& app = engine_.app;
    CCurlThread& curl = engine_.curl;
    const QString extension = engine_.info.get().fileExtension;
    recordFolder = app.dataFolder;
    if (extension.isEmpty()) {
        curl.recordError = 10;
        return false;
    }
    QString folder = recordFolder;
    if (!CUtil::IsDirectory(folder)) {
        curl.recordError = 11;
        return false;
    }
    closeRecording();
    const QString name = recordingName(stationName);
    const QString stationFolder = recordFolder + u'/' + name;
    QString probe = stationFolder;
    if (!CUtil::IsDirectory(probe) && !platform::createDirectory(stationFolder)) {
        curl.recordError = 12;
        curl.recordErrorFolder = stationFolder;
        return false;
    }
    const QString stem = stationFolder + u'/' + name + u'_' + CUtil::DateText();
    const QString path = freeRecordingPath(stem, extension);
    {
        // The GUI thread takes this lock for every pane line: no call to it while held.
        std::lock_guard lock(recordMutex_);
        recordFile_.setFileName(path);
        if (!recordFile_.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            curl.recordError = 13;
            return false;
        }
        recordPath = path;
        infoPath = CUtil::WithExtension(path, QStringLiteral("txt"));
        infoFile_.setFileName(infoPath);
        // Appending: the song writer adds its lines through a handle of its own.
        infoFile_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
        recordedBytes = 0;
        recordOrigin_ = platform::tickCount();
        recordOpen_ = true;
        beginSongs(stationName, path);
    }
    if (MainWindowPort* w = engine_.window())
        w->invokeOnGui([this, path] { engine_.control.lastRecordPath = path; });
    else
        engine_.control.lastRecordPath = path;
    return true;
}

void CPlayStream::closeRecording()
{
    QString paths[2];
    {
        std::lock_guard lock(recordMutex_);
        recordOpen_ = false;
        songs.end();
        if (recordFile_.isOpen())
            recordFile_.close();
        if (infoFile_.isOpen())
            infoFile_.close();
        paths[0] = recordPath;
        paths[1] = infoPath;
    }
    // A recording or information file that got no byte is not left behind.
    for (const QString& p : paths) {
        if (!p.isEmpty())
            CUtil::RemoveIfEmpty(p);
    }
}

void CPlayStream::beginSongs(const QString& stationName, const QString& path)
{
    CKestrelwaveApp& app = engine_.app;
    const QString extension = QFileInfo(path).suffix();
    SongRecording r;
    r.stem = path.left(path.size() - extension.size() - 1);
    r.extension = extension;
    r.formatCode = engine_.format.formatCode;
    r.station = stationName;
    r.stationUrl =
        engine_.curl.stationUrl.isEmpty() ? engine_.curl.currentUrl : engine_.curl.stationUrl;
    r.firstSong = engine_.meta.nowPlaying();
    r.infoPath = infoPath;
    r.language = app.language();
    r.settings = {app.splitSongs != 0, app.titleOffsetMs, app.shortestSongSeconds};
    songs.begin(r);
}

void CPlayStream::copyToInfoFile(const QString& text)
{
    std::lock_guard lock(recordMutex_);
    if (recordOpen_ && infoFile_.isOpen())
        infoFile_.write(text.toUtf8());
}

void CPlayStream::stopRecordingFromWorker(const QString& paneText)
{
    CKestrelwaveApp& app = engine_.app;
    app.status.recording = 0;
    recordFromStart = false;
    if (MainWindowPort* w = engine_.window())
        w->invokeOnGui([w] { w->showRecording(false); });
    if (!paneText.isEmpty())
        engine_.showText(paneText);
}

void CPlayStream::recordBlock(const unsigned char* data, int n)
{
    CKestrelwaveApp& app = engine_.app;
    if (!(app.status.recording || recordFromStart) || n <= 0)
        return;
    int offset = 0;
    if (!recordOpen_) {
        const QString fetched =
            engine_.curl.stationUrl.isEmpty() ? engine_.curl.currentUrl : engine_.curl.stationUrl;
        QString name = engine_.info.get().stationName;
        qsizetype row = -1;
        if (MainWindowPort* w = engine_.window()) {
            w->invokeOnGui([&] {
                row = app.stations.FindUrl(fetched);
                if (row >= 0 && !app.stations.name(row).isEmpty())
                    name = app.stations.name(row);
            });
        }
        if (!openRecording(name)) {
            stopRecordingFromWorker(
                QStringLiteral("\n*** Could not create the record file !! ***\n"));
            return;
        }
        // Stopped while the files were being opened: nothing of it is kept.
        if (!(app.status.recording || recordFromStart)) {
            closeRecording();
            return;
        }
        engine_.showText(QStringLiteral("\nStart recording\n"));
        if (songs.splitRefused())
            engine_.showText(texts::choose(
                app.language(),
                {u"\nSongs are not cut into files of their own for this audio format; the cue "
                 u"sheet beside the recording marks them.\n",
                 u"\nPour ce format audio, les titres ne sont pas découpés en fichiers séparés ; "
                 u"la feuille cue à côté de l'enregistrement les repère.\n",
                 u"\nBei diesem Audioformat werden die Titel nicht in eigene Dateien geschnitten; "
                 u"die Cue-Datei neben der Aufnahme markiert sie.\n"}));
        if (MainWindowPort* w = engine_.window()) {
            w->invokeOnGui([&] {
                if (app.stations.isValidIndex(row)) {
                    w->setNameField(app.stations.name(row));
                    w->setUrlField(app.stations.url(row));
                }
            });
        }
        // Start on a frame, and with the title now playing in the information file.
        offset = probe.firstFrameOffset(data, n, false);
        engine_.meta.showCurrentTitle();
    }
    std::unique_lock lock(recordMutex_);
    if (!recordOpen_)
        return;
    // A title change since the last block lies where this block begins.
    songs.title(engine_.meta.nowPlaying());
    const int count = n - offset;
    const unsigned char* audio = data + offset;
    QString failed;
    if (songs.splitting()) {
        songs.audio(audio, count, 0);
        failed = songs.failedPath();
    } else if (recordFile_.write(reinterpret_cast<const char*>(audio), count) != count) {
        failed = recordPath;
    } else {
        const StreamFormat& f = engine_.format;
        songs.audio(audio, count, f.bitRate > 0 ? f.bitRate.load() : f.statedBitRate.load());
    }
    if (!failed.isEmpty()) {
        // A full disk: what was written stays, the user is told, playback goes on.
        const QString path = failed;
        lock.unlock();
        stopRecordingFromWorker(
            texts::choose(app.language(),
                          {u"\n*** Recording stopped: could not write to \"%s\" (disk full?). What "
                           u"was recorded is kept. ***\n",
                           u"\n*** Enregistrement arrêté : impossible d'écrire dans \"%s\" (disque "
                           u"plein ?). Ce qui a été enregistré est conservé. ***\n",
                           u"\n*** Aufnahme beendet: \"%s\" kann nicht geschrieben werden "
                           u"(Datenträger voll?). Das Aufgenommene bleibt erhalten. ***\n"},
                          path));
        closeRecording();
        return;
    }
    recordedBytes += count;
    recordWritten = true;
}
