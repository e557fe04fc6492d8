#include "stream/probe.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct ProbeRig {
    StreamFormat format;
    QStringList pane;
    FrameProbe probe{format, [this](const QString& t) { pane << t; }};
};

std::vector<unsigned char>
bytes(std::initializer_list<std::pair<int, std::vector<unsigned char>>> at, int size)
{
    std::vector<unsigned char> b(size, 0x11);
    for (const auto& [pos, v] : at)
        std::copy(v.begin(), v.end(), b.begin() + pos);
    return b;
}

} // namespace

TEST(Probe, Mp3FramesAndTheirRates)
{
    ProbeRig r;
    r.format.formatCode = FormatMp3;
    // 128 kbit/s, 44100 Hz, no padding: the next sync 417 bytes on.
    auto b = bytes({{5, {0xFF, 0xFB, 0x90, 0x00}}, {5 + 417, {0xFF, 0xFB, 0x90, 0x00}}}, 900);
    EXPECT_EQ(r.probe.mp3Scan(b.data(), int(b.size())), 5);
    EXPECT_EQ(r.probe.frameBitRate, 128);
    EXPECT_EQ(r.format.sampleRate.load(), 44100);
    EXPECT_EQ(r.pane, QStringList{QStringLiteral("Sampling Rate = 44100\n")});
    EXPECT_EQ(r.probe.firstFrameOffset(b.data(), int(b.size()), true), 5);
    EXPECT_EQ(r.pane.last(), QStringLiteral("Valid Mp3 Audio Format\n"));
    // The next sync missing, or beyond the data: no frame.
    auto lone = bytes({{5, {0xFF, 0xFB, 0x90, 0x00}}}, 900);
    EXPECT_EQ(r.probe.mp3Scan(lone.data(), int(lone.size())), -1);
    EXPECT_EQ(r.probe.mp3Scan(b.data(), 5 + 417), -1);
    EXPECT_EQ(r.probe.firstFrameOffset(lone.data(), int(lone.size()), true), 0);
    // Fewer than 40 bytes never give a frame.
    EXPECT_EQ(r.probe.mp3Scan(b.data() + 5, 39), -1);
    // Layer I or the reserved version are refused.
    auto layer1 = bytes({{0, {0xFF, 0xFF, 0x90, 0x00}}, {417, {0xFF, 0xFB}}}, 900);
    EXPECT_EQ(r.probe.mp3Frame(layer1.data(), int(layer1.size()), 0), -1);
    // MPEG-2 is measured with the same factor: its next sync lies twice as far.
    ProbeRig m2;
    const int len2 = 64 * 144000 / 22050; // 417 bytes for 64 kbit/s at 22050 Hz
    auto mpeg2 = bytes({{0, {0xFF, 0xF3, 0x80, 0x00}}, {len2, {0xFF, 0xF3}}}, 1200);
    EXPECT_EQ(m2.probe.mp3Frame(mpeg2.data(), int(mpeg2.size()), 0), 64);
    EXPECT_EQ(m2.format.sampleRate.load(), 22050);
    // The fourth MPEG-1 rate is 16000.
    ProbeRig m1;
    const int len16 = 128 * 144000 / 16000;
    auto odd = bytes({{0, {0xFF, 0xFB, 0x9C, 0x00}}, {len16, {0xFF, 0xFB}}}, 1400);
    EXPECT_EQ(m1.probe.mp3Frame(odd.data(), int(odd.size()), 0), 128);
    EXPECT_EQ(m1.format.sampleRate.load(), 16000);
}

TEST(Probe, AdtsFrames)
{
    ProbeRig r;
    r.format.formatCode = FormatAac;
    // 44100 Hz (index 4), frame of 372 bytes.
    const int length = 372;
    const unsigned char h[7] = {
        0xFF, 0xF1, 0x50, 0x80, (unsigned char)(length >> 3), (unsigned char)((length & 7) << 5),
        0x1F};
    std::vector<unsigned char> b(1000, 0x22);
    std::copy(h, h + 7, b.begin() + 3);
    b[3 + length] = 0xFF;
    b[3 + length + 1] = 0xF1;
    EXPECT_EQ(r.probe.aacScan(b.data(), int(b.size())), 3);
    EXPECT_EQ(r.probe.frameBitRate, (372 * 8 * 44100 / 1024 + 499) / 1000);
    EXPECT_EQ(r.format.sampleRate.load(), 44100);
    for (unsigned char index : {15, 13}) {
        std::vector<unsigned char> bad = b;
        bad[5] = (unsigned char)((bad[5] & ~0x3C) | (index << 2));
        ProbeRig x;
        EXPECT_EQ(x.probe.aacFrame(bad.data(), int(bad.size()), 3), -1) << int(index);
    }
    // A frame length of 0 or past the data is no frame.
    std::vector<unsigned char> zero = b;
    zero[3 + 4] = 0;
    zero[3 + 5] = 0;
    zero[3 + 3] &= ~3;
    EXPECT_EQ(r.probe.aacFrame(zero.data(), int(zero.size()), 3), -1);
    EXPECT_EQ(r.probe.aacFrame(b.data(), 3 + length, 3), -1);
}

TEST(Probe, OggCodecOfTheFirstPage)
{
    struct Row {
        std::string page;
        int code;
        int offset;
        const char16_t* announcement;
    };
    const std::string ogg = std::string("OggS") + std::string(24, '\0');
    const Row rows[] = {
        {ogg + "OpusHead" + std::string(100, 'x'), FormatOpus, 28 + 4,
         u"Valid Opus Audio Format\n"},
        {ogg + "\x01vorbis" + std::string(100, 'x'), FormatVorbis, 29 + 6,
         u"Valid Vorbis Audio Format\n"},
        {ogg +
             std::string("\x7F"
                         "FLAC\x01\x00\x00\x01"
                         "fLaC",
                         13) +
             std::string(100, 'x'),
         FormatFlac, 29 + 12, u"Valid FLAC Audio Format\n"},
        {ogg + std::string(100, 'x'), 0, 0, nullptr},
    };
    for (const Row& row : rows) {
        ProbeRig r;
        r.format.formatCode = FormatOgg;
        std::vector<unsigned char> b(row.page.begin(), row.page.end());
        b.resize(b.size() + 200, 'y');
        const FrameProbe::OggCodec c = r.probe.oggSearch(b.data(), int(b.size()), true);
        EXPECT_EQ(c.formatCode, row.code);
        EXPECT_EQ(c.offset, row.offset);
        EXPECT_EQ(r.format.formatCode.load(), row.code ? row.code : FormatOgg);
        EXPECT_EQ(r.pane.value(0),
                  row.announcement ? QString::fromUtf16(row.announcement) : QString());
        EXPECT_EQ(r.probe.firstFrameOffset(b.data(), int(b.size()), false), 0);
    }
    // Too little data to look into.
    ProbeRig r;
    std::vector<unsigned char> tiny(40, 'O');
    EXPECT_EQ(r.probe.oggSearch(tiny.data(), int(tiny.size()), true).formatCode, 0);
}
