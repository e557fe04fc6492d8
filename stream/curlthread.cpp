#include "stream/curlthread.h"

#include "app/cutil.h"
#include "app/kestrelwaveapp.h"
#include "app/mainwindowport.h"
#include "app/messages.h"
#include "app/texts.h"
#include "platform/clock.h"
#include "stations/formats.h"
#include "stream/headerparser.h"
#include "stream/streamengine.h"

#include <curl/curl.h>

namespace {

std::size_t headerCallback(char* data, std::size_t size, std::size_t count, void* user)
{
    return static_cast<CCurlThread*>(user)->onHeader(data, size * count);
}

std::size_t writeCallback(char* data, std::size_t size, std::size_t count, void* user)
{
    return static_cast<CCurlThread*>(user)->onWrite(data, size * count);
}

int progressCallback(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<CCurlThread*>(user)->onProgress();
}

QString formatTextFor(int code, bool vbr, int statedBitRate)
{
    if (code < 1 || code > 8)
        return {};
    const QString name = formats::name(code);
    if (vbr)
        return name + QStringLiteral("_VBR");
    if (statedBitRate < 1)
        return name;
    return QStringLiteral("%1_%2k").arg(name).arg(statedBitRate);
}

} // namespace

CCurlThread::CCurlThread(StreamEngine& engine) : engine_(engine) {}

CCurlThread::~CCurlThread()
{
    stopRequested = true;
    if (!thread_.joinable())
        return;
    // A worker that cannot end is left to the process's end rather than waited for.
    for (int waited = 0; alive_ && waited < kStopWaitMs; waited += 5)
        platform::sleepMs(5);
    if (alive_)
        thread_.detach();
    else
        thread_.join();
}

bool CCurlThread::start(const QString& url, const std::function<bool()>& stillWanted)
{
    // One worker at a time.
    if (thread_.joinable() && !stopAndWait())
        return false;
    if (stillWanted && !stillWanted())
        return false;
    currentUrl = url;
    recordError = 0;
    endReason = 0;
    stopRequested = false;
    alive_ = true;
    engine_.app.status.transferThreadRunning = 1;
    thread_ = std::thread([this] { run(); });
    return true;
}

bool CCurlThread::waitForEnd(int ms)
{
    const std::uint32_t begin = platform::tickCount();
    while (alive_) {
        if (platform::tickCount() - begin > std::uint32_t(ms))
            return false;
        if (MainWindowPort* w = engine_.window())
            w->processEvents();
        platform::sleepMs(5);
    }
    if (thread_.joinable())
        thread_.join();
    return true;
}

bool CCurlThread::stopAndWait(int ms)
{
    stopRequested = true;
    return waitForEnd(ms);
}

bool CCurlThread::pause(int ms)
{
    const std::uint32_t begin = platform::tickCount();
    while (platform::tickCount() - begin < std::uint32_t(ms)) {
        if (stopRequested)
            return false;
        platform::sleepMs(std::min(20, ms));
    }
    return !stopRequested;
}

void CCurlThread::run()
{
    CKestrelwaveApp& app = engine_.app;
    PlaybackStatus& status = app.status;
    status.transferThreadRunning = 1;
    CURL* curl = curl_easy_init();
    stationUrl = currentUrl;
    playlistHops = 0;
    bool tooManyHops = false;
    if (curl) {
        for (;;) {
            runTransfer(curl);
            if (stopRequested || !playlistMode)
                break;
            // Relative entries are read against where the playlist came from after redirects.
            char* from = nullptr;
            char* type = nullptr;
            curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &from);
            curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &type);
            const PlaylistStep step = nextFromPlaylist(
                playlistText_, from ? QString::fromUtf8(from) : currentUrl, type ? type : "");
            if (step.kind == PlaylistStep::NoAddress)
                break;
            if (step.kind == PlaylistStep::HlsPlaylist) {
                endReason = EndHlsPlaylist;
                break;
            }
            // A playlist that leads back to itself would loop for ever.
            if (++playlistHops > kMaxPlaylistHops) {
                tooManyHops = true;
                break;
            }
            currentUrl = step.url;
            if (!pause(50))
                break;
        }
    }

    if (engine_.bridge.playerRunning()) {
        if (!stopRequested)
            connectionClosed = true;
        engine_.bridge.terminatePlayer();
    }
    engine_.bridge.closePipe();
    classifyEnd(platform::tickCount() - startTime);
    if (tooManyHops) {
        endReason = EndFailed;
        markInvalid = true;
    }
    if (curl)
        curl_easy_cleanup(curl);
    status.transferInProgress = 0;

    MainWindowPort* window = engine_.window();
    if (status.autoScanRunning) {
        status.autoScanStepDone = 1;
    } else if (window) {
        window->invokeOnGui([this] { engine_.control.workerEnded(); });
    }
    status.transferThreadRunning = 0;
    if (window)
        window->sendMessage(msg::WM_APP_TRANSFER_END);
    stationUrl.clear();
    currentUrl.clear();
    platform::sleepMs(20);
    alive_ = false;
}

void CCurlThread::runTransfer(void* handle)
{
    CURL* curl = static_cast<CURL*>(handle);
    CKestrelwaveApp& app = engine_.app;
    PlaybackStatus& status = app.status;

    urlUtf8 = currentUrl.toUtf8();
    markInvalid = false;
    timedOut = false;
    playlistMode = false;
    recordError = 0;
    endReason = 0;
    status.transferInProgress = 0;
    status.streamConnected = 0;
    status.icyHeadersSeen = 0;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    headerText_.clear();
    playlistText_.clear();
    engine_.meta.reset();
    abortedByHandler = false;
    connectionClosed = false;
    playerDied = false;
    playerStarted = false;
    startTime = lastDataTime = platform::tickCount();

    curl_slist* headers = curl_slist_append(nullptr, "Icy-MetaData:1");
    // SHOUTcast servers answer with an "ICY 200 OK" status line.
    curl_slist* aliases = curl_slist_append(nullptr, "ICY 200 OK");
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 20L);
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, 1920000L);
    curl_easy_setopt(curl, CURLOPT_URL, urlUtf8.constData());
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, writeCallback);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, headerCallback);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, progressCallback);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    // Streams only: a redirect to another scheme (file:, ftp:) is refused, and no signal
    // is used for time-outs in a threaded program.
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_HTTP200ALIASES, aliases);

    const QString key = stationUrl.isEmpty() ? currentUrl : stationUrl;
    if (MainWindowPort* w = engine_.window())
        w->invokeOnGui([&] { stationIndex = int(app.stations.FindUrl(key)); });

    status.transferInProgress = 1;
    curlResult = curl_easy_perform(curl);
    markInvalid = false;
    errorText = QByteArray(errorBuffer);
    if (errorText.isEmpty() && curlResult != CURLE_OK)
        errorText = curl_easy_strerror(CURLcode(curlResult));
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
    curl_easy_setopt(curl, CURLOPT_HTTP200ALIASES, nullptr);
    curl_slist_free_all(headers);
    curl_slist_free_all(aliases);
}

std::size_t CCurlThread::onHeader(const char* data, std::size_t n)
{
    if (n == 0 || n > 102400 || std::size_t(headerText_.size()) + n > kHeaderSize)
        return 0;
    headerText_.append(data, qsizetype(n));
    return n;
}

int CCurlThread::onProgress()
{
    const std::uint32_t limit = engine_.app.status.autoScanRunning ? 5000 : 9000;
    const std::uint32_t reference = playerStarted ? lastDataTime.load() : startTime.load();
    if (platform::tickCount() - reference > limit) {
        timedOut = true;
        return 1;
    }
    // A scanned station proved valid: end now rather than at the next block.
    if (stopRequested || abortedByHandler)
        return 1;
    // Bytes held for the player go out on time also while no block arrives.
    return playerStarted && !playlistMode && !engine_.bridge.feedDue() ? 1 : 0;
}

std::size_t CCurlThread::onWrite(const char* data, std::size_t n)
{
    if (n == 0)
        return 0;
    PlaybackStatus& status = engine_.app.status;
    status.icyHeadersSeen = 0;
    if (abortedByHandler || stopRequested)
        return 0;
    if (!playerStarted && !headerText_.isEmpty()) {
        status.writeHandlerBusy = 1;
        const std::size_t r = firstBlock(data, n);
        status.writeHandlerBusy = 0;
        if (r != n || playlistMode || abortedByHandler)
            return r;
    }
    if (!playerStarted) {
        engine_.bridge.reset();
        if (!engine_.bridge.startPlayer()) {
            engine_.showText(QStringLiteral("\nCould not start the Player ...\n"));
            endReason = EndAborting;
            abortedByHandler = true;
            return 0;
        }
        playerStarted = true;
    }
    const int r = engine_.bridge.pump(data, int(n));
    if (r)
        lastDataTime = platform::tickCount();
    return std::size_t(r);
}

std::size_t CCurlThread::firstBlock(const char* data, std::size_t n)
{
    CKestrelwaveApp& app = engine_.app;
    PlaybackStatus& status = app.status;
    StreamFormat& format = engine_.format;
    const bool scanning = status.autoScanRunning != 0;

    QByteArrayView headers = headerText_;
    if (!headers.isEmpty() && (uchar(headers[0]) < 0x20 || uchar(headers[0]) >= 0x80))
        headers = headers.sliced(1);
    const QString fetched = stationUrl.isEmpty() ? currentUrl : stationUrl;
    const HeaderParse h =
        parseHeaders(headers, fetched, CUtil::DateText(), QByteArrayView(data, qsizetype(n)));
    status.icyHeadersSeen = h.icyHeadersSeen ? 1 : 0;
    playlistMode = h.playlist;
    format.vbr = h.vbr;
    format.statedBitRate = h.statedBitRate;
    format.sampleRate = h.sampleRate;
    format.channels = h.channels;
    format.metaInterval = h.metaInterval;
    format.formatCode = h.formatCode;
    format.contentTypeCount = h.contentTypeCount;
    engine_.info.set(h.info);

    if (h.metaintTooLarge) {
        const QString text = texts::choose(
            app.language(), {u"Metaint too large", u"Metaint trop grand", u"Metaint zu gross"});
        if (!scanning)
            app.boxes().show(text, BoxIcon::None);
        engine_.showText(text + u'\n');
        // Refused by us, not a dead station.
        if (h.icyHeadersSeen)
            abortedByHandler = true;
        return 0;
    }
    if (!h.audio) {
        if (playlistMode) {
            stationUrl = currentUrl;
            const qsizetype room = kPlaylistSize - 1 - playlistText_.size();
            if (room > 0)
                playlistText_.append(data, std::min<qsizetype>(room, qsizetype(n)));
            return n;
        }
        if (h.icyHeadersSeen)
            abortedByHandler = true;
        return 0;
    }

    // A scan starts no player. The player's buffer fills while it starts (see StartBuffer).
    if (!scanning)
        engine_.showText(QStringLiteral("Buffering...\n"));
    format.bitRate = 0;
    if (format.formatCode == 0)
        return 0;
    status.streamConnected = 1;
    startTime = lastDataTime = platform::tickCount();

    StationInfoValues info = engine_.info.get();
    QString name = info.stationName;
    if (name.size() < 3)
        name = QStringLiteral("Unknown");
    int stated = format.statedBitRate;
    if (format.vbr)
        stated = 0;
    format.statedBitRate = stated;
    const QString formatText = formatTextFor(format.formatCode, format.vbr != 0, stated).left(255);
    format.bitRate = stated;

    if (MainWindowPort* w = engine_.window()) {
        w->invokeOnGui([&] {
            StationList& list = app.stations;
            const qsizetype row = list.FindUrl(fetched);
            if (row >= 0) {
                stationIndex = int(row);
                status.currentStationIndex = int(row);
                list.SetStationName(row, name);
                list.setFormat(row, formatText);
                w->rowChanged(row);
                w->selectEntry(row);
            } else if (!scanning && name != w->readNameField()) {
                w->setNameField(name);
            }
        });
    }
    if (std::none_of(info.webAddress.begin(), info.webAddress.end(),
                     [](QChar c) { return c.isLetter(); }))
        info.webAddress.clear();
    if (info.webAddress.isEmpty())
        info.webAddress = fetched;
    info.stationName = name;
    engine_.info.set(info);

    if (scanning) {
        abortedByHandler = true;
        return n;
    }
    engine_.showText(streamInformationText(info, format.sampleRate, format.vbr,
                                           format.statedBitRate, format.channels,
                                           format.metaInterval, format.formatCode));
    return n;
}

void CCurlThread::classifyEnd(std::uint32_t elapsed)
{
    PlaybackStatus& status = engine_.app.status;
    int reason = endReason;
    bool invalid = markInvalid;
    if (stopRequested) {
        reason = EndStopped;
        invalid = false;
    } else if (playerDied) {
        // The stream was fine: the station stays valid.
        reason = EndPlayerStopped;
        invalid = false;
    } else if (connectionClosed) {
        reason = EndConnectionClosed;
        invalid = false;
    } else if (status.streamConnected || elapsed > 3999) {
        if (timedOut || (!status.streamConnected && elapsed > 5000)) {
            reason = EndNoResponse;
        } else if (!errorText.isEmpty()) {
            if (errorText.contains("Failure writing output to destination") ||
                errorText.contains("Could not resolve host") ||
                errorText.contains("Callback aborted")) {
                if (!abortedByHandler) {
                    if (reason == 0)
                        reason = EndWriteAbort;
                    invalid = true;
                    status.streamConnected = 0;
                }
            } else if (errorText.contains("Could not resolve")) {
                reason = EndNotResolved;
            } else {
                if (reason == 0)
                    reason = EndCurlError;
                invalid = true;
            }
        }
    } else {
        if (reason == 0) // an HLS playlist keeps its own reason
            reason = EndNoData;
        invalid = true;
    }
    if (invalid && !status.streamConnected && reason == 0)
        reason = EndFailed;
    endReason = reason;
    markInvalid = invalid;
}
