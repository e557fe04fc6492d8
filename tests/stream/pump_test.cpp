#include "app/kestrelwaveapp.h"
#include "platform/registrystore.h"
#include "stream/streamengine.h"
#include "tests/support/fakewindow.h"
#include "tests/support/scriptedmessageboxes.h"

#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <random>

namespace {

// MPEG-1 layer III frames at 128 kbit/s, 44.1 kHz, without padding: 417 bytes each, their
// payload free of 0xFF so that only real headers look like frames.
QByteArray mp3Frames(int count, std::mt19937& rng)
{
    QByteArray out;
    std::uniform_int_distribution<int> byte(0, 0xFE);
    for (int f = 0; f < count; ++f) {
        out += QByteArray("\xFF\xFB\x90\x00", 4);
        for (int i = 4; i < 417; ++i)
            out += char(byte(rng));
    }
    return out;
}

// The audio with a metadata block after every interval bytes (interval 0: none).
QByteArray withMetadata(const QByteArray& audio, int interval, std::vector<QByteArray>& titles)
{
    if (interval <= 0)
        return audio;
    QByteArray out;
    int n = 0;
    for (qsizetype pos = 0; pos < audio.size(); pos += interval) {
        out += audio.mid(pos, interval);
        if (pos + interval > audio.size())
            break;
        if (n % 3 == 2) {
            out += '\0'; // an empty block: one byte
        } else {
            QByteArray text = "StreamTitle='Artist - Song " + QByteArray::number(n) + "';";
            titles.push_back(text);
            const int length = int((text.size() + 15) / 16);
            text.append(QByteArray(length * 16 - text.size(), '\0'));
            out += char(length) + text;
        }
        ++n;
    }
    return out;
}

struct PumpRig {
    PumpRig()
    {
        registry = std::make_unique<platform::RegistryStore>(dir.path() + QStringLiteral("/r.ini"));
        app = std::make_unique<CKestrelwaveApp>(boxes, *registry);
        app->setWindow(&window);
        app->engine->bridge.setPipeWriterForTesting([this](const char* d, std::size_t n) {
            written.append(d, qsizetype(n));
            return true;
        });
    }
    ~PumpRig() { app->setWindow(nullptr); }

    // Feeds data in pieces of random sizes (at most maxPiece) and returns what the player got.
    QByteArray feed(const QByteArray& data, int interval, int maxPiece, std::mt19937& rng)
    {
        StreamEngine& e = *app->engine;
        e.format.formatCode = FormatMp3;
        e.format.metaInterval = interval;
        e.meta.reset();
        e.bridge.reset();
        written.clear();
        std::uniform_int_distribution<int> size(1, maxPiece);
        for (qsizetype pos = 0; pos < data.size();) {
            const int n = int(std::min<qsizetype>(size(rng), data.size() - pos));
            EXPECT_EQ(e.bridge.pump(data.constData() + pos, n), n);
            pos += n;
        }
        return written;
    }

    QTemporaryDir dir;
    ScriptedMessageBoxes boxes;
    std::unique_ptr<platform::RegistryStore> registry;
    std::unique_ptr<CKestrelwaveApp> app;
    FakeWindow window;
    QByteArray written;
};

} // namespace

TEST(Pump, OutputIsTheAudioWhateverTheSplit)
{
    std::mt19937 rng(42);
    const QByteArray audio = mp3Frames(1500, rng); // about 625 kB
    const QByteArray junk(100, 'j');               // the stream began mid-frame
    for (int interval : {16000, 8000, 40000, 65536, 250000, 0}) {
        std::vector<QByteArray> titles;
        const QByteArray stream = withMetadata(junk + audio, interval, titles);
        PumpRig rig;
        QByteArray reference;
        int feeds = 0;
        for (int maxPiece : {1, 7, 1500, 16384, 300000}) {
            SCOPED_TRACE(testing::Message() << "interval " << interval << " piece " << maxPiece);
            if (maxPiece == 1 && interval == 0)
                continue; // nothing new to learn, and slow
            const QByteArray out = rig.feed(stream, interval, maxPiece, rng);
            ++feeds;
            // Everything from the first frame on, minus what is still gathered.
            ASSERT_GT(out.size(), audio.size() - 300000);
            EXPECT_TRUE(audio.startsWith(out))
                << "first difference at "
                << std::mismatch(out.begin(), out.end(), audio.begin()).first - out.begin();
            if (reference.isEmpty())
                reference = out;
            else
                EXPECT_EQ(out.size() >= reference.size() ? out.left(reference.size()) : out,
                          out.size() >= reference.size() ? reference : reference.left(out.size()));
        }
        // Each title was seen once per run.
        if (interval > 0) {
            const QString pane = rig.window.paneText();
            EXPECT_TRUE(pane.contains(QStringLiteral("\n- Artist - Song 0\n")));
            EXPECT_EQ(pane.count(QStringLiteral("- Artist - Song 1\n")), feeds);
            EXPECT_FALSE(pane.contains(QStringLiteral("Song 2\n"))); // an empty block
        }
    }
}

TEST(Pump, FirstWriteAnnouncesAndMeasures)
{
    std::mt19937 rng(7);
    PumpRig rig;
    const QByteArray audio = mp3Frames(200, rng);
    rig.feed(audio, 0, 50000, rng);
    EXPECT_TRUE(rig.window.paneText().contains(QStringLiteral("Valid Mp3 Audio Format\n")));
    EXPECT_TRUE(rig.window.paneText().contains(QStringLiteral("Sampling Rate = 44100\n")));
    EXPECT_EQ(rig.app->engine->format.sampleRate.load(), 44100);
    // The row's bit rate message carries the frame's rate.
    bool sent128 = false;
    for (const auto& m : rig.window.messages())
        sent128 |= m.first == 0x8000 + 4 && m.second == 128;
    EXPECT_TRUE(sent128);
}

TEST(Pump, RefusesWhatIsNotToBePlayed)
{
    std::mt19937 rng(1);
    PumpRig rig;
    StreamEngine& e = *rig.app->engine;
    e.format.formatCode = FormatMp3;
    e.format.metaInterval = 0;
    e.bridge.reset();
    // A block that would overflow the gathering buffer.
    const QByteArray huge(CPlayStream::kBufferSize, '\x11');
    EXPECT_EQ(e.bridge.pump(huge.constData(), int(huge.size())), 0);
    EXPECT_EQ(rig.boxes.texts().value(0), QStringLiteral("Data Buffer full"));
    // No known format, or an auto-scan: nothing is pumped.
    e.format.formatCode = FormatNone;
    EXPECT_EQ(e.bridge.pump("abc", 3), 0);
    e.format.formatCode = FormatMp3;
    rig.app->status.autoScanRunning = 1;
    EXPECT_EQ(e.bridge.pump("abc", 3), 0);
    rig.app->status.autoScanRunning = 0;
    // A player that is gone ends the transfer.
    e.bridge.setPipeWriterForTesting([](const char*, std::size_t) { return false; });
    e.bridge.reset();
    const QByteArray audio = mp3Frames(200, rng);
    EXPECT_EQ(e.bridge.pump(audio.constData(), int(audio.size())), 0);
}

TEST(Pump, PlayerCommandLines)
{
    EXPECT_EQ(CPlayStream::playerArguments(true).join(u' ') + u' ',
              QStringLiteral("-nostats -hide_banner -vn -sn -nodisp -autoexit -formatprobesize "
                             "8192 -probesize 8192 -analyzeduration 100000 - "));
    EXPECT_EQ(CPlayStream::playerArguments(false).join(u' '),
              QStringLiteral("-I dummy --dummy-quiet --file-caching=300 --network-caching=300 -"));
}

TEST(Pump, HoldsTheFirstBytesUntilThePlayerCanStartThenFeedsOnTime)
{
    std::mt19937 rng(3);
    PumpRig rig;
    StreamEngine& e = *rig.app->engine;
    e.format.formatCode = FormatMp3;
    e.format.statedBitRate = 128;
    e.format.metaInterval = 0;
    e.bridge.reset();
    const QByteArray audio = mp3Frames(100, rng);
    EXPECT_EQ(e.bridge.pump(audio.constData(), 24000), 24000);
    EXPECT_TRUE(rig.written.isEmpty());
    EXPECT_EQ(e.bridge.pump(audio.constData() + 24000, 1000), 1000);
    EXPECT_EQ(rig.written, audio.left(25000)); // 1.5 s of 128 kbit/s: all of it at once
    // A trickle afterwards reaches the player within the gathering time, block or not.
    e.bridge.pump(audio.constData() + 25000, 500);
    EXPECT_EQ(rig.written.size(), 25000);
    QThread::msleep(CPlayStream::kGatherMs + 10);
    EXPECT_TRUE(e.bridge.feedDue());
    EXPECT_EQ(rig.written, audio.left(25500));
}
