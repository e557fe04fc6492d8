#include "stream/startbuffer.h"
#include "stream/streaminfo.h"

#include <QByteArray>
#include <gtest/gtest.h>

namespace {

const unsigned char* bytes(const QByteArray& b)
{
    return reinterpret_cast<const unsigned char*>(b.constData());
}

// One Ogg page whose body is body, ending at granule position granule.
QByteArray oggPage(qint64 granule, const QByteArray& body)
{
    QByteArray page("OggS\0\0", 6);
    for (int i = 0; i < 8; ++i)
        page += char(granule >> (8 * i));
    page += QByteArray(12, '\0'); // serial, sequence, checksum
    QByteArray lacing(body.size() / 255, char(255));
    lacing += char(body.size() % 255);
    return page + char(lacing.size()) + lacing + body;
}

} // namespace

TEST(StartBuffer, WaitsForAboutOneAndAHalfSecondsOfAudioWithoutTheMetadata)
{
    struct Row {
        int statedKbps;
        int target; // audio bytes
    } rows[] = {{128, 24 * 1024}, {320, 60000}, {32, 10000}, {0, 24 * 1024}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.statedKbps);
        // 4000 audio bytes, then a metadata block of 32 bytes, over and over.
        QByteArray held;
        StartBuffer b;
        b.begin(1000, FormatMp3, r.statedKbps, 4000);
        while (b.holding()) {
            held += QByteArray(4000, 'a') + char(2) + QByteArray(32, 'm');
            // The last 500 bytes have not arrived yet: 467 of audio, then the block.
            b.release(bytes(held), int(held.size()) - 500, 1000 + StartBuffer::kPauseMs - 1);
        }
        EXPECT_EQ(b.audioBytes(), held.size() / 4033 * 4000 - 467);
        EXPECT_GE(b.audioBytes(), r.target);
        EXPECT_LT(b.audioBytes() - 4000, r.target);
    }
}

TEST(StartBuffer, MeasuresWhatIsNotStatedAndNeverWaitsPastThePause)
{
    // MPEG-1 layer III frames at 128 kbit/s.
    QByteArray mp3;
    for (int i = 0; i < 8; ++i)
        mp3 += QByteArray("\xFF\xFB\x90\x00", 4) + QByteArray(413, '\x11');
    EXPECT_EQ(measuredKbps(bytes(mp3), int(mp3.size()), FormatMp3), 128);

    // Opus: two pages of a second each, 13000 bytes of body apiece.
    const QByteArray head = oggPage(0, QByteArray("OpusHead") + QByteArray(11, '\1'));
    const QByteArray first = head + oggPage(48000, QByteArray(13000, 'x'));
    const QByteArray two = first + oggPage(96000, QByteArray(13000, 'y'));
    EXPECT_EQ(measuredKbps(bytes(first), int(first.size()), FormatOgg), 0);
    EXPECT_EQ(measuredKbps(bytes(two), int(two.size()), FormatOgg), (13000 + 27 + 51) * 8 / 1000);

    StartBuffer b;
    b.begin(50, FormatOgg, 0, 0);
    // Of a rate not known yet, no amount is enough; the pause still ends the wait.
    EXPECT_FALSE(b.release(bytes(first), int(first.size()), 49 + StartBuffer::kPauseMs));
    EXPECT_TRUE(b.release(bytes(first), int(first.size()), 50 + StartBuffer::kPauseMs));
    EXPECT_FALSE(b.holding());
    b.begin(50, FormatOgg, 0, 0);
    EXPECT_TRUE(b.release(bytes(two), int(two.size()), 60));
    EXPECT_EQ(b.kbps(), 104);
}
