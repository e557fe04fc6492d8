#include "stream/playstream.h"

#include "app/kestrelwaveapp.h"
#include "app/mainwindowport.h"
#include "app/messages.h"
#include "app/texts.h"
#include "platform/clock.h"
#include "stream/streamengine.h"
#include "stream/transferend.h"

#include <cmath>
#include <cstring>
#include <unistd.h>

namespace {
std::atomic<int> playerCounter{0};
constexpr int kStallMs = 9000;
} // namespace

CPlayStream::CPlayStream(StreamEngine& engine)
    : probe(engine.format, [&engine](const QString& t) { engine.showText(t); }),
      tagBuffer(kTagBufferSize), engine_(engine), buffer_(kBufferSize + 16)
{}

CPlayStream::~CPlayStream()
{
    pipe_.terminate();
    pipe_.closePipe();
    closeRecording();
}

QStringList CPlayStream::playerArguments(bool ffplay)
{
    // The stream reaches the player from its first frame on, so a small probe recognises
    // it: the player starts on the first 8 KiB instead of reading seconds of audio first.
    // An AAC decoder still decodes a frame while probing, which reveals SBR and PS.
    if (ffplay)
        return {QStringLiteral("-nostats"),
                QStringLiteral("-hide_banner"),
                QStringLiteral("-vn"),
                QStringLiteral("-sn"),
                QStringLiteral("-nodisp"),
                QStringLiteral("-autoexit"),
                QStringLiteral("-formatprobesize"),
                QStringLiteral("8192"),
                QStringLiteral("-probesize"),
                QStringLiteral("8192"),
                QStringLiteral("-analyzeduration"),
                QStringLiteral("100000"),
                QStringLiteral("-")};
    return {QStringLiteral("-I"),
            QStringLiteral("dummy"),
            QStringLiteral("--dummy-quiet"),
            QStringLiteral("--file-caching=300"),
            QStringLiteral("--network-caching=300"),
            QStringLiteral("-")};
}

void CPlayStream::reset()
{
    audio_.forget();
    std::fill(tagBuffer.begin(), tagBuffer.end(), 0);
    pending = 0;
    sinceMetadata = 0;
    written = writtenAtMark = 0;
    markTime = startTime = 0;
    started = recordWritten = rateSent = noMetadata = false;
    playerDied_ = playerRestarted_ = false;
    probe.reset();
    const StreamFormat& format = engine_.format;
    processedAt_ = platform::tickCount();
    startBuffer.begin(processedAt_, format.formatCode, format.vbr ? 0 : format.statedBitRate.load(),
                      format.metaInterval);
    // A stop asked for meanwhile stays asked for.
    engine_.curl.timedOut = false;
    engine_.curl.abortedByHandler = false;
}

bool CPlayStream::startPlayer()
{
    audio_.forget();
    rateSent = started = recordWritten = false;
    if (pipe_.running()) {
        if (!engine_.curl.stopRequested)
            engine_.curl.connectionClosed = true;
        pipe_.terminate();
    }
    if (testWriter_)
        return true;
    return spawnPlayer();
}

bool CPlayStream::spawnPlayer()
{
    CKestrelwaveApp& app = engine_.app;
    const bool ffplay = app.status.useFfplay != 0;
    playerTag_ = QStringLiteral("kw-%1-%2").arg(::getpid()).arg(++playerCounter);
    QStringList env = {QStringLiteral("PULSE_PROP_") +
                       QLatin1String(platform::AudioSession::kTagKey) + u'=' + playerTag_};
    if (ffplay)
        env << QStringLiteral("SDL_AUDIODRIVER=pulseaudio");
    if (app.playerPath.isEmpty() || !pipe_.start(app.playerPath, playerArguments(ffplay), env))
        return false;
    findVolumeControl();
    return true;
}

void CPlayStream::terminatePlayer()
{
    if (!pipe_.running())
        return;
    if (!engine_.curl.stopRequested)
        engine_.curl.connectionClosed = true;
    pipe_.terminate();
}

bool CPlayStream::writeToPlayer(const unsigned char* data, int n)
{
    if (testWriter_)
        return testWriter_(reinterpret_cast<const char*>(data), std::size_t(n));
    const auto result = pipe_.write(
        reinterpret_cast<const char*>(data), std::size_t(n),
        [this] {
            return engine_.curl.stopRequested.load() || engine_.curl.abortedByHandler.load();
        },
        kStallMs);
    // EPIPE from a player that nobody ended: it crashed, was killed or lost its device.
    if (result == platform::ProcessPipe::WriteResult::Failed && !engine_.curl.stopRequested &&
        pipe_.running())
        playerDied_ = true;
    return result == platform::ProcessPipe::WriteResult::Ok;
}

bool CPlayStream::restartPlayer()
{
    if (!playerDied_)
        return false;
    const int code = engine_.format.formatCode;
    engine_.showText(playerStoppedText(engine_.app.language()));
    // Ogg, Opus and FLAC players need the stream's headers first: they cannot join it here.
    if (playerRestarted_ || (code != FormatMp3 && code != FormatAac)) {
        engine_.curl.playerDied = true;
        return false;
    }
    playerRestarted_ = true;
    playerDied_ = false;
    pipe_.terminate(); // reaps the dead one
    pipe_.closePipe();
    audio_.forget();
    if (!spawnPlayer()) {
        engine_.curl.playerDied = true;
        return false;
    }
    return true;
}

void CPlayStream::sendBitRate(int kbps)
{
    if (MainWindowPort* w = engine_.window())
        w->sendMessage(msg::WM_APP_BIT_RATE, kbps);
}

void CPlayStream::followProgramme()
{
    CKestrelwaveApp& app = engine_.app;
    if (app.status.playing == 0)
        return;
    // A stream that names its titles itself needs no programme announcement.
    if (isOggFamily(engine_.format.formatCode) ||
        (probe.audioAnnounced && engine_.format.metaInterval > 0)) {
        app.programme.stopNextTimer();
    } else if (probe.audioAnnounced && app.programme.startProgrammeInfo(engine_.curl.currentUrl)) {
        platform::sleepMs(20);
    }
}

int CPlayStream::write(const unsigned char* data, int n)
{
    if (n <= 0)
        return 0;
    if (engine_.curl.abortedByHandler) {
        started = false;
        return -3;
    }
    int offset = 0;
    if (!started) {
        offset = probe.firstFrameOffset(data, n, true);
        followProgramme();
        started = true;
        written = writtenAtMark = 0;
        startTime = markTime = platform::tickCount();
    }
    if (!testWriter_ && !audio_.hasControl())
        findVolumeControl();
    const int count = n - offset;
    if (count > 0) {
        if (!writeToPlayer(data + offset, count) &&
            !(restartPlayer() && writeToPlayer(data + offset, count))) {
            started = false;
            written = writtenAtMark = 0;
            return -1;
        }
        written += count;
    }

    StreamFormat& format = engine_.format;
    const int code = format.formatCode;
    const int scanLength = pending - 32;
    if (code == FormatMp3 || code == FormatAac) {
        // The gathered run does not change within one pump call: measured once per run, so
        // a tiny metadata interval cannot make every write rescan it.
        if (!runScanned_) {
            runScanned_ = true;
            if (code == FormatMp3 && probe.mp3Scan(buffer_.data(), scanLength) >= 0)
                sendBitRate(probe.frameBitRate);
            else if (code == FormatAac && probe.aacScan(buffer_.data(), scanLength) >= 0)
                sendBitRate(int(std::lround(probe.smoothedBitRate)));
        }
    } else {
        const std::uint32_t now = platform::tickCount();
        const std::uint32_t elapsed = now - markTime;
        if (elapsed >= 5000) {
            const double measured = double(written - writtenAtMark) / elapsed * 8;
            // The first measurement stands alone; later ones are averaged with the last.
            const double rate =
                probe.smoothedBitRate < 0.1 ? measured : (measured + probe.smoothedBitRate) / 2;
            probe.smoothedBitRate = rate;
            format.bitRate = int(rate);
            markTime = now;
            writtenAtMark = written;
            if (rateSent)
                sendBitRate(int(std::lround(rate)));
        }
    }
    rateSent = true;
    recordBlock(data, n);
    return count;
}

void CPlayStream::consumed(int count)
{
    runScanned_ = false;
    pending -= count;
    if (pending > 0 && count > 0)
        std::memmove(buffer_.data(), buffer_.data() + count, std::size_t(pending));
}

int CPlayStream::pump(const char* data, int n)
{
    CKestrelwaveApp& app = engine_.app;
    if (app.status.autoScanRunning || engine_.format.formatCode == 0)
        return 0;
    if (pending + n >= kBufferSize) {
        app.boxes().show(texts::choose(app.language(), {u"Data Buffer full", u"Data Buffer plein",
                                                        u"Datenpuffer voll"}),
                         BoxIcon::None);
        return 0;
    }
    std::memcpy(buffer_.data() + pending, data, std::size_t(n));
    pending += n;
    runScanned_ = false;
    return process(platform::tickCount()) < 0 ? 0 : n;
}

bool CPlayStream::feedDue()
{
    CKestrelwaveApp& app = engine_.app;
    if (app.status.autoScanRunning || engine_.format.formatCode == 0 || pending == 0)
        return true;
    return process(platform::tickCount()) >= 0;
}

int CPlayStream::process(std::uint32_t now)
{
    if (startBuffer.holding()) {
        if (!startBuffer.release(buffer_.data(), pending, now))
            return 0;
    } else if (pending < kGather && now - processedAt_ < kGatherMs) {
        return 0;
    }
    processedAt_ = now;

    StreamFormat& format = engine_.format;
    unsigned char* buf = buffer_.data();
    if (const int interval = format.metaInterval; interval >= 1) {
        // The audio up to each length byte is written at once; a metadata block that has not
        // fully arrived stays pending.
        int pos = 0;
        while (pos < pending) {
            const int audio = interval - int(sinceMetadata);
            if (audio > 0) {
                const int count = std::min(audio, pending - pos);
                if (write(buf + pos, count) < 0)
                    return -1;
                sinceMetadata += std::uint32_t(count);
                pos += count;
                continue;
            }
            const int length = buf[pos];
            const int block = 1 + 16 * length;
            if (pending - pos < block)
                break;
            if (length > 0)
                engine_.meta.readMetadata(reinterpret_cast<const char*>(buf + pos + 1),
                                          16 * length);
            sinceMetadata = 0;
            pos += block;
        }
        consumed(pos);
        return 0;
    }

    if (isOggFamily(format.formatCode)) {
        const FrameProbe::OggCodec codec = probe.oggSearch(buf, pending, !started);
        if (codec.formatCode) {
            const int copy = std::min(kTagBufferSize, pending - codec.offset);
            std::memcpy(tagBuffer.data(), buf + codec.offset, std::size_t(std::max(0, copy)));
            engine_.meta.readTags(reinterpret_cast<const char*>(tagBuffer.data()), copy);
        } else if (!started && !noMetadata) {
            engine_.showText(QStringLiteral("No Metadata\n"));
            noMetadata = true;
        }
    }
    if (write(buf, pending) < 0)
        return -1;
    pending = 0;
    return 0;
}

bool CPlayStream::findVolumeControl()
{
    if (volumeBusy_.exchange(true))
        return false;
    const bool found = audio_.find(playerTag_, pipe_.pid());
    volumeBusy_ = false;
    return found;
}

void CPlayStream::setVolume(double level)
{
    if (volumeBusy_.exchange(true))
        return;
    audio_.setVolume(level);
    volumeBusy_ = false;
}

double CPlayStream::getVolume() const
{
    return audio_.volume();
}
