#include "stream/songs.h"

#include "stream/playstream.h"

#include <algorithm>

namespace {

constexpr qsizetype kMaxCueTextChars = 200;
// Junk after a frame larger than this is no longer waited through for a header.
constexpr int kMaxJunk = 4096;

constexpr int kMpeg1BitRates[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                    112, 128, 160, 192, 224, 256, 320, 0};
constexpr int kMpeg2BitRates[16] = {0,  8,  16, 24,  32,  40,  48,  56,
                                    64, 80, 96, 112, 128, 144, 160, 0};
constexpr int kMpegRates[3][3] = {
    {44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};
constexpr int kAacRates[13] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                               22050, 16000, 12000, 11025, 8000,  7350};

// A cue text is one quoted line: no quote, no control character, whole characters only.
QString cueText(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar c = text[i];
        const bool pair =
            c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        if (out.size() + (pair ? 2 : 1) > kMaxCueTextChars)
            break;
        if (pair) {
            out.append(c).append(text[++i]);
            continue;
        }
        if (c.isSurrogate())
            c = QChar(QChar::ReplacementCharacter);
        else if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = u' ';
        else if (c == u'"')
            c = u'\'';
        out.append(c);
    }
    return out.trimmed();
}

QString quoted(const QString& text)
{
    return u'"' + cueText(text) + u'"';
}

} // namespace

SongTitle splitSongTitle(const QString& song)
{
    const QString text = song.trimmed();
    const qsizetype dash = text.indexOf(QStringLiteral(" - "));
    if (dash > 0) {
        SongTitle s{text.left(dash).trimmed(), text.mid(dash + 3).trimmed()};
        if (!s.performer.isEmpty() && !s.title.isEmpty())
            return s;
    }
    return {QString(), text};
}

QString cueTime(std::int64_t sectors)
{
    sectors = std::max<std::int64_t>(0, sectors);
    const std::int64_t seconds = sectors / kCueSectorsPerSecond;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'))
        .arg(sectors % kCueSectorsPerSecond, 2, 10, QLatin1Char('0'));
}

QString cueSheetText(const QString& performer, const QString& title,
                     const std::vector<CueFile>& files)
{
    QString out;
    const auto line = [&out](const QString& text) { out += text + QStringLiteral("\r\n"); };
    if (!cueText(performer).isEmpty())
        line(QStringLiteral("PERFORMER ") + quoted(performer));
    if (!cueText(title).isEmpty())
        line(QStringLiteral("TITLE ") + quoted(title));
    int number = 0;
    for (const CueFile& file : files) {
        if (file.tracks.empty() || number >= kMaxCueTracks)
            continue;
        line(QStringLiteral("FILE ") + quoted(file.name) +
             (file.mp3 ? QStringLiteral(" MP3") : QStringLiteral(" WAVE")));
        std::int64_t last = 0;
        for (std::size_t t = 0; t < file.tracks.size() && number < kMaxCueTracks; ++t) {
            const CueTrack& track = file.tracks[t];
            line(QStringLiteral("  TRACK %1 AUDIO").arg(++number, 2, 10, QLatin1Char('0')));
            const SongTitle song = splitSongTitle(track.song);
            if (!cueText(song.title).isEmpty())
                line(QStringLiteral("    TITLE ") + quoted(song.title));
            if (!cueText(song.performer).isEmpty())
                line(QStringLiteral("    PERFORMER ") + quoted(song.performer));
            // The file's audio before its first index belongs to its first track.
            last = t == 0 ? 0 : std::max(last, track.sectors);
            line(QStringLiteral("    INDEX 01 ") + cueTime(last));
        }
    }
    return out;
}

QString songFileName(const QString& song, bool partial)
{
    const QString name = recordingName(song.trimmed());
    return partial ? name + QStringLiteral(" (partial)") : name;
}

QString freeSongPath(const QString& folder, const QString& name, const QString& extension,
                     const std::function<bool(const QString&)>& exists)
{
    const QString base = folder + u'/' + name;
    for (int n = 1; n < 100000; ++n) {
        const QString path = n == 1 ? base + u'.' + extension
                                    : QStringLiteral("%1 (%2).%3").arg(base).arg(n).arg(extension);
        if (!exists(path))
            return path;
    }
    return {};
}

std::optional<AudioFrame> audioFrameAt(bool aac, const unsigned char* p, int available)
{
    if (aac) {
        if (available < 7 || p[0] != 0xFF || (p[1] & 0xF6) != 0xF0)
            return std::nullopt;
        const int index = (p[2] >> 2) & 15;
        const int length = ((p[3] & 3) << 11) | (p[4] << 3) | (p[5] >> 5);
        const int header = (p[1] & 1) ? 7 : 9;
        if (index >= 13 || length < header)
            return std::nullopt;
        return AudioFrame{length, 1024 * ((p[6] & 3) + 1), kAacRates[index]};
    }
    if (available < 4 || p[0] != 0xFF || (p[1] & 0xE0) != 0xE0 || ((p[1] >> 1) & 3) != 1)
        return std::nullopt;
    const int version = (p[1] >> 3) & 3; // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5, 1 reserved
    const int bitIndex = p[2] >> 4, rateIndex = (p[2] >> 2) & 3;
    if (version == 1 || bitIndex == 0 || bitIndex == 15 || rateIndex == 3)
        return std::nullopt;
    const bool mpeg1 = version == 3;
    const int bitRate = (mpeg1 ? kMpeg1BitRates : kMpeg2BitRates)[bitIndex];
    const int rate = kMpegRates[mpeg1 ? 0 : version == 2 ? 1 : 2][rateIndex];
    const int length = (mpeg1 ? 144000 : 72000) * bitRate / rate + ((p[2] >> 1) & 1);
    return AudioFrame{length, mpeg1 ? 1152 : 576, rate};
}

void FrameWalker::reset(bool aac)
{
    aac_ = aac;
    held_.clear();
    current_.reset();
}

void FrameWalker::feed(const unsigned char* data, int n, std::vector<AudioFrame>& out)
{
    if (n > 0)
        held_.insert(held_.end(), data, data + n);
    const int size = int(held_.size());
    const int headerSize = aac_ ? 7 : 4;
    const unsigned char* h = held_.data();
    const auto findHeader = [&](int from) {
        for (int i = from; i + headerSize <= size; ++i) {
            if (audioFrameAt(aac_, h + i, size - i))
                return i;
        }
        return -1;
    };
    int pos = 0;
    while (true) {
        if (!current_) {
            const int at = findHeader(pos);
            // No header yet: all but a possible header's beginning is junk.
            const int junk = at < 0 ? size - pos - (headerSize - 1) : at - pos;
            if (junk > 0) {
                out.push_back({junk, 0, 0});
                pos += junk;
            }
            if (at < 0)
                break;
            current_ = audioFrameAt(aac_, h + pos, size - pos);
            continue;
        }
        const int length = current_->bytes;
        if (size - pos < length + headerSize)
            break; // the next header decides where this frame ends
        const int next = findHeader(pos + length);
        if (next < 0 && size - pos - length <= kMaxJunk)
            break;
        AudioFrame frame = *current_;
        // Junk between frames goes with the frame before it, so that cuts stay on headers.
        frame.bytes = next < 0 ? length : next - pos;
        out.push_back(frame);
        pos += frame.bytes;
        current_ = next < 0 ? std::nullopt : audioFrameAt(aac_, h + pos, size - pos);
    }
    held_.erase(held_.begin(), held_.begin() + pos);
}

std::optional<AudioFrame> FrameWalker::finish()
{
    if (held_.empty())
        return std::nullopt;
    AudioFrame frame = current_.value_or(AudioFrame{});
    if (int(held_.size()) < frame.bytes)
        frame.samples = 0; // a frame cut short plays nothing
    frame.bytes = int(held_.size());
    held_.clear();
    current_.reset();
    return frame;
}
