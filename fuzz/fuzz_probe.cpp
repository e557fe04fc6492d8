#include "fuzz/fuzzcheck.h"
#include "stream/probe.h"

#include <QStringList>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

bool knownSampleRate(int rate)
{
    static constexpr int rates[] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                    22050, 16000, 12000, 11025, 8000,  7350};
    return std::find(std::begin(rates), std::end(rates), rate) != std::end(rates);
}

// A probe of its own for each scan, so that one scan's averaging does not feed the next.
struct Probe {
    StreamFormat format;
    QStringList out;
    FrameProbe probe{format, [this](const QString& t) { out << t; }};
};

void checkRates(const Probe& p)
{
    const int rate = p.format.sampleRate;
    fuzzCheck(rate == 0 || knownSampleRate(rate), "a sampling rate comes from a table");
    fuzzCheck(p.probe.averagedSampleRate == 0 || knownSampleRate(p.probe.averagedSampleRate),
              "an averaged sampling rate is a table entry");
    fuzzCheck(std::isfinite(p.probe.smoothedBitRate) && p.probe.smoothedBitRate >= 0,
              "the smoothed bit rate is a rate");
}

// mp3Scan and aacScan share their contract; second is the lowest second sync byte.
void checkScan(const unsigned char* d, int n, bool mp3)
{
    Probe p;
    const int at = mp3 ? p.probe.mp3Scan(d, n) : p.probe.aacScan(d, n);
    checkRates(p);
    if (at < 0) {
        fuzzCheck(at == -1, "no frame is -1");
        return;
    }
    fuzzCheck(n >= 40, "fewer than 40 bytes give no frame");
    fuzzCheck(at < n - 8, "a frame starts inside the data");
    fuzzCheck(d[at] == 0xFF && d[at + 1] >= (mp3 ? 0xE0 : 0xF0), "a frame starts on a sync");
    fuzzCheck(p.probe.frameBitRate > 0, "a frame has a bit rate");
    Probe again;
    const int rate = mp3 ? again.probe.mp3Frame(d, n, at) : again.probe.aacFrame(d, n, at);
    fuzzCheck(rate == p.probe.frameBitRate, "the frame check agrees with the scan");
}

void checkFirstFrame(const unsigned char* d, int n, int code)
{
    Probe p;
    p.format.formatCode = code;
    const int at = p.probe.firstFrameOffset(d, n, true);
    fuzzCheck(at >= 0 && (at == 0 || at < n), "the first frame lies inside the data");
    if (isOggFamily(code) && at > 0)
        fuzzCheck(at + 4 <= n && std::memcmp(d + at, "OggS", 4) == 0, "Ogg starts on a page");
    if (code != FormatMp3 && code != FormatAac)
        fuzzCheck(p.out.isEmpty(), "only MP3 and AAC announce here");
    if (code == FormatMp3 || code == FormatAac) {
        Probe scan;
        const int found = code == FormatMp3 ? scan.probe.mp3Scan(d, n) : scan.probe.aacScan(d, n);
        fuzzCheck(at == std::max(0, found), "the first frame is the scan's");
    }
}

void checkOgg(const unsigned char* d, int n, int code)
{
    Probe p;
    p.format.formatCode = code;
    const FrameProbe::OggCodec c = p.probe.oggSearch(d, n, true);
    if (c.formatCode == 0) {
        fuzzCheck(c.offset == 0 && p.out.isEmpty(), "no codec, no offset, no announcement");
        fuzzCheck(p.format.formatCode == code, "no codec leaves the format");
        return;
    }
    fuzzCheck(c.formatCode == FormatFlac || c.formatCode == FormatOpus ||
                  c.formatCode == FormatVorbis,
              "a codec is FLAC, Opus or Vorbis");
    fuzzCheck(p.format.formatCode == c.formatCode, "the codec becomes the format");
    fuzzCheck(c.offset > 0 && c.offset <= std::min(n - 42, 39990),
              "the codec data lies inside the searched part");
    fuzzCheck(p.out.size() == 1, "a codec is announced once");
}

} // namespace

// The first byte chooses the format code the stream was announced with; the rest is the
// stream. Each scan gets exactly the bytes it is given, so a read past them is caught.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1 || size > 1 << 20)
        return 0;
    const int code = data[0] % 9;
    const unsigned char* d = data + 1;
    const int n = int(size - 1);
    checkScan(d, n, true);
    checkScan(d, n, false);
    checkFirstFrame(d, n, code);
    checkOgg(d, n, isOggFamily(code) ? code : FormatOgg);
    // Known by its first bytes only when the first frame check of that format agrees.
    const int found = formatFromBytes(d, n);
    fuzzCheck(found == FormatNone || found == FormatOgg || found == FormatFlac ||
                  found == FormatWav || found == FormatMp3 || found == FormatAac,
              "the first bytes give a format the player path knows");
    if (found == FormatMp3 && (n < 3 || std::memcmp(d, "ID3", 3) != 0)) {
        Probe p;
        fuzzCheck(p.probe.mp3Scan(d, std::min(n, 8192)) >= 0, "an MP3 found has a frame");
    }
    return 0;
}
