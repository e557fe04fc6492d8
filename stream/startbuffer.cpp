#include "stream/startbuffer.h"

#include "stream/probe.h"
#include "stream/streaminfo.h"

#include <algorithm>
#include <climits>
#include <string_view>

namespace {

std::uint32_t le32(const unsigned char* p)
{
    return p[0] | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

std::int64_t le64(const unsigned char* p)
{
    return std::int64_t(le32(p) | std::uint64_t(le32(p + 4)) << 32);
}

// The sampling rate an Ogg codec header states, or 0.
int oggSampleRate(std::string_view v, const unsigned char* d)
{
    if (const auto at = v.find("\x01vorbis"); at != v.npos && at + 16 <= v.size())
        return int(le32(d + at + 12));
    if (v.find("OpusHead") != v.npos)
        return 48000; // Opus granules always count 48 kHz samples
    if (const auto at = v.find("fLaC"); at != v.npos && at + 8 + 14 <= v.size()) {
        const unsigned char* info = d + at + 8; // STREAMINFO, after its block header
        return info[10] << 12 | info[11] << 4 | info[12] >> 4;
    }
    return 0;
}

int oggKbps(const unsigned char* d, int length)
{
    // Not a Vorbis header's nominal rate: a tone or speech often comes at a fifth of it.
    const std::string_view v(reinterpret_cast<const char*>(d), std::size_t(length));
    const std::int64_t rate = oggSampleRate(v, d);
    if (rate <= 0)
        return 0;
    // Bytes and samples between the ends of the first two pages that end packets.
    std::int64_t firstGranule = -1;
    std::size_t firstEnd = 0;
    for (std::size_t at = v.find("OggS"); at != v.npos && at + 27 <= v.size();) {
        const int segments = d[at + 26];
        if (at + 27 + std::size_t(segments) > v.size())
            break;
        std::size_t end = at + 27 + std::size_t(segments);
        for (int i = 0; i < segments; ++i)
            end += d[at + 27 + std::size_t(i)];
        if (end > v.size())
            break;
        const std::int64_t granule = le64(d + at + 6);
        if (granule > 0 && firstGranule < 0) {
            firstGranule = granule;
            firstEnd = end;
        } else if (firstGranule > 0 && granule > firstGranule) {
            return int(std::int64_t(end - firstEnd) * 8 * rate / (granule - firstGranule) / 1000);
        }
        at = v.find("OggS", end);
    }
    return 0;
}

} // namespace

int measuredKbps(const unsigned char* data, int length, int formatCode)
{
    if (formatCode == FormatMp3 || formatCode == FormatAac) {
        // A probe of its own: the stream's format record and pane stay untouched.
        StreamFormat scratch;
        FrameProbe probe(scratch, [](const QString&) {});
        const int at =
            formatCode == FormatMp3 ? probe.mp3Scan(data, length) : probe.aacScan(data, length);
        return at >= 0 ? probe.frameBitRate : 0;
    }
    return isOggFamily(formatCode) ? oggKbps(data, length) : 0;
}

void StartBuffer::begin(std::uint32_t now, int formatCode, int statedKbps, int metaInterval)
{
    *this = {};
    holding_ = true;
    begin_ = now;
    formatCode_ = formatCode;
    kbps_ = std::max(0, statedKbps);
    interval_ = std::max(0, metaInterval);
}

int StartBuffer::targetBytes() const
{
    // 24 KiB of a stream of low rate would be more audio than a server that sends in real
    // time delivers within the time the start may take.
    if (kbps_ > 0)
        return std::min(std::max(kMinBytes, kbps_ * kAudioMs / 8), kbps_ * kMaxAudioMs / 8);
    return isOggFamily(formatCode_) ? INT_MAX : kMinBytes;
}

void StartBuffer::count(const unsigned char* held, int length)
{
    int i = counted_;
    while (i < length) {
        if (skip_ > 0) {
            const int n = std::min(skip_, length - i);
            skip_ -= n;
            i += n;
        } else if (interval_ > 0 && sinceMetadata_ == interval_) {
            skip_ = 16 * held[i++]; // the length byte, then the text
            sinceMetadata_ = 0;
        } else {
            int n = length - i;
            if (interval_ > 0)
                n = std::min(n, interval_ - sinceMetadata_);
            audio_ += n;
            sinceMetadata_ += n;
            i += n;
        }
    }
    counted_ = std::max(counted_, length);
}

bool StartBuffer::release(const unsigned char* held, int length, std::uint32_t now)
{
    if (!holding_)
        return true;
    count(held, length);
    // Measured again only after another step of held bytes, and over their start: a server
    // sending byte by byte must not make every block rescan all that is held.
    if (kbps_ == 0 && (measuredAt_ == 0 || length >= measuredAt_ + kMeasureStep) &&
        measuredAt_ < kMeasureBytes) {
        measuredAt_ = std::max(1, length);
        kbps_ = measuredKbps(held, std::min(length, kMeasureBytes), formatCode_);
    }
    if (audio_ >= targetBytes() || now - begin_ >= kPauseMs || length >= kMaxHeldBytes)
        holding_ = false;
    return !holding_;
}
