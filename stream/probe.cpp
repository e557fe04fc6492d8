#include "stream/probe.h"

#include <cmath>
#include <cstring>

namespace {

constexpr int kMpeg1BitRates[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                    112, 128, 160, 192, 224, 256, 320, 0};
constexpr int kMpeg2BitRates[16] = {0,  8,  16, 24,  32,  40,  48,  56,
                                    64, 80, 96, 112, 128, 144, 160, 0};
// The fourth MPEG-1 entry is 16000 where the standard reserves the value.
constexpr int kMpeg1Rates[4] = {44100, 48000, 32000, 16000};
constexpr int kMpeg2Rates[4] = {22050, 24000, 16000, 8000};
constexpr int kMpeg25Rates[4] = {11025, 12000, 8000, 0};
constexpr int kAacRates[16] = {96000, 88200, 64000, 48000, 44100, 32000, 24000, 22050,
                               16000, 12000, 11025, 8000,  7350,  0,     0,     0};

int find(const unsigned char* data, int from, int end, const char* what)
{
    const int n = int(std::strlen(what));
    for (int i = std::max(0, from); i + n <= end; ++i) {
        if (std::memcmp(data + i, what, n) == 0)
            return i;
    }
    return -1;
}

} // namespace

void FrameProbe::reset()
{
    frameBitRate = frameSampleRate = averagedSampleRate = 0;
    smoothedBitRate = 0;
    rateSum_ = rateCount_ = 0;
}

void FrameProbe::noteSampleRate(int rate, const int* table, int tableSize)
{
    frameSampleRate = rate;
    if (format_.sampleRate == 0) {
        format_.sampleRate = rate;
        averagedSampleRate = rate;
        rateSum_ = rate;
        rateCount_ = 1;
        output_(QStringLiteral("Sampling Rate = %1\n").arg(rate));
        return;
    }
    rateSum_ += rate;
    if (++rateCount_ > 7) {
        const double mean = rateSum_ / 8.0;
        int best = table[0];
        for (int i = 1; i < tableSize; ++i) {
            if (table[i] > 0 && std::abs(table[i] - mean) < std::abs(best - mean))
                best = table[i];
        }
        averagedSampleRate = best;
        rateSum_ = rateCount_ = 0;
    }
}

void FrameProbe::smooth(int bitRate)
{
    if (smoothedBitRate < 0.1)
        smoothedBitRate = format_.bitRate > 0 ? format_.bitRate.load() : bitRate;
    smoothedBitRate = (smoothedBitRate * 20 + bitRate) / 21;
    format_.bitRate = int(smoothedBitRate);
}

int FrameProbe::mp3Frame(const unsigned char* data, int length, int p)
{
    if (p < 0 || p + 3 > length)
        return -1;
    const unsigned b = data[p + 1];
    if (((b >> 1) & 3) != 1)
        return -1;
    const unsigned version = (b >> 3) & 3;
    const int* bitRates = version == 3 ? kMpeg1BitRates : kMpeg2BitRates;
    const int* rates = version == 3 ? kMpeg1Rates : version == 2 ? kMpeg2Rates : kMpeg25Rates;
    if (version == 1)
        return -1;
    const unsigned c = data[p + 2];
    const int bitRate = bitRates[c >> 4];
    const int rate = rates[(c >> 2) & 3];
    if (bitRate == 0 || rate == 0)
        return -1;
    const int frameLength = bitRate * 144000 / rate + int((c >> 1) & 1);
    if (p + frameLength > length - 2 || data[p + frameLength] != 0xFF)
        return -1;
    frameBitRate = bitRate;
    noteSampleRate(rate, rates, 4);
    return bitRate;
}

int FrameProbe::scan(const unsigned char* data, int length, unsigned minSecond,
                     int (FrameProbe::*frame)(const unsigned char*, int, int))
{
    if (length < 40)
        return -1;
    for (int i = 0; i < length - 8; ++i) {
        if (data[i] == 0xFF && data[i + 1] >= minSecond) {
            const int bitRate = (this->*frame)(data, length, i);
            if (bitRate > 0) {
                frameBitRate = bitRate;
                smooth(bitRate);
                return i;
            }
        }
    }
    return -1;
}

int FrameProbe::mp3Scan(const unsigned char* data, int length)
{
    return scan(data, length, 0xE0, &FrameProbe::mp3Frame);
}

int FrameProbe::aacFrame(const unsigned char* data, int length, int p)
{
    if (p < 0 || p + 7 > length)
        return -1;
    const int index = (data[p + 2] >> 2) & 15;
    const int rate = kAacRates[index];
    if (index == 15 || rate == 0)
        return -1;
    const int frameLength = ((data[p + 3] & 3) << 11) | (data[p + 4] << 3) | (data[p + 5] >> 5);
    // An ADTS header alone is 7 bytes; anything shorter is no frame.
    if (frameLength < 7 || p + frameLength >= length || data[p + frameLength] != 0xFF)
        return -1;
    const int bitRate = int((double(frameLength) * 8 * rate / 1024 + 499) / 1000);
    frameBitRate = bitRate;
    noteSampleRate(rate, kAacRates, 13);
    return bitRate;
}

int FrameProbe::aacScan(const unsigned char* data, int length)
{
    return scan(data, length, 0xF0, &FrameProbe::aacFrame);
}

int FrameProbe::firstFrameOffset(const unsigned char* data, int length, bool announce)
{
    const int code = format_.formatCode;
    audioAnnounced = false;
    if (code == FormatMp3 || code == FormatAac) {
        const int at = code == FormatMp3 ? mp3Scan(data, length) : aacScan(data, length);
        if (at < 0)
            return 0;
        audioAnnounced = announce;
        if (announce)
            output_(code == FormatMp3 ? QStringLiteral("Valid Mp3 Audio Format\n")
                                      : QStringLiteral("Valid Aac Audio Format\n"));
        return at;
    }
    if (isOggFamily(code)) {
        const int at = find(data, 0, length, "OggS");
        return at < 0 ? 0 : at;
    }
    return 0;
}

FrameProbe::OggCodec FrameProbe::oggSearch(const unsigned char* data, int pending, bool announce)
{
    OggCodec result;
    const int end = std::min(pending - 42, 39990);
    if (end <= 0)
        return result;
    const int page = find(data, 0, end, "OggS");
    if (page < 0)
        return result;
    const int flac = find(data, page + 28, end, "FLAC");
    if (flac >= 0 && flac + 12 <= end && std::memcmp(data + flac + 8, "fLaC", 4) == 0) {
        result = {FormatFlac, flac + 12};
        if (announce)
            output_(QStringLiteral("Valid FLAC Audio Format\n"));
    } else if (const int opus = find(data, page + 24, end, "Opus"); opus >= 0) {
        result = {FormatOpus, opus + 4};
        if (announce)
            output_(QStringLiteral("Valid Opus Audio Format\n"));
    } else if (const int vorbis = find(data, page + 24, end, "vorbis"); vorbis >= 0) {
        result = {FormatVorbis, vorbis + 6};
        if (announce)
            output_(QStringLiteral("Valid Vorbis Audio Format\n"));
    }
    if (result.formatCode)
        format_.formatCode = result.formatCode;
    return result;
}

int formatFromBytes(const unsigned char* data, int length)
{
    const auto at = [&](int offset, const char* magic) {
        const int n = int(std::strlen(magic));
        return offset + n <= length && std::memcmp(data + offset, magic, n) == 0;
    };
    if (at(0, "OggS"))
        return FormatOgg;
    if (at(0, "fLaC"))
        return FormatFlac;
    if (at(0, "RIFF") && at(8, "WAVE"))
        return FormatWav;
    if (at(0, "ID3"))
        return FormatMp3;
    // A frame sync is found near the start of any MP3 or ADTS stream; looking further only
    // raises the odds that other binary data passes for one.
    StreamFormat scratch;
    FrameProbe probe(scratch, [](const QString&) {});
    const int window = std::min(length, 8192);
    if (probe.mp3Scan(data, window) >= 0)
        return FormatMp3;
    if (probe.aacScan(data, window) >= 0)
        return FormatAac;
    return FormatNone;
}
