#include "app/cutil.h"
#include "app/kestrelwaveapp.h"
#include "app/messageboxes.h"
#include "fuzz/fuzzcheck.h"
#include "platform/registrystore.h"
#include "stream/probe.h"
#include "stream/streamengine.h"

#include <QByteArray>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdint>
#include <memory>

namespace {

constexpr std::size_t kHeaderBytes = 8;
// Long enough for several gathered runs and large intervals, short enough for many runs a
// second.
constexpr qsizetype kMaxStream = 300000;
constexpr int kMaxPieces[] = {1, 7, 100, 1500, 4096, 16384, 65536, 1 << 20};
constexpr std::int32_t kFormats[] = {FormatMp3, FormatAac, FormatWav, FormatOgg, FormatFlac};

// The pump shows a box only when its buffer overflows, which these stream lengths cannot do.
class NoBoxes : public MessageBoxes {
public:
    void show(const QString&, BoxIcon) override { fuzzCheck(false, "the pump shows no box"); }
    bool askYesNo(const QString&) override { return false; }
    void showUnlessSilenced(const QString&, const QString&, const QString&) override {}
    void showTimed(const QString&, const QString&, int) override {}
};

// One application for the whole run, without a window (the pane texts are dropped), its
// player pipe replaced by a buffer.
struct PumpRig {
    PumpRig()
        : registry(dir.filePath(QStringLiteral("registry.ini"))),
          app(std::make_unique<CKestrelwaveApp>(boxes, registry))
    {
        app->engine->bridge.setPipeWriterForTesting([this](const char* d, std::size_t n) {
            played.append(d, qsizetype(n));
            return true;
        });
    }

    QTemporaryDir dir;
    platform::RegistryStore registry;
    NoBoxes boxes;
    std::unique_ptr<CKestrelwaveApp> app;
    QByteArray played;
};

PumpRig& rig()
{
    static PumpRig r;
    return r;
}

// Small deterministic generator for the piece sizes (xorshift32).
struct Pieces {
    std::uint32_t state;
    int maxPiece;
    int next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return 1 + int(state % std::uint32_t(maxPiece));
    }
};

struct RunResult {
    QByteArray played;
    qsizetype consumed = 0; // stream bytes the pump no longer holds
    QString rawMetadata;
};

RunResult pumpStream(const QByteArray& stream, std::int32_t interval, std::int32_t code,
                     Pieces pieces)
{
    PumpRig& r = rig();
    StreamEngine& e = *r.app->engine;
    e.format.formatCode = code;
    e.format.metaInterval = interval;
    e.format.sampleRate = 0;
    e.format.bitRate = 0;
    e.meta.reset();
    e.bridge.reset();
    r.played.clear();
    for (qsizetype pos = 0; pos < stream.size();) {
        const int n = int(std::min<qsizetype>(pieces.next(), stream.size() - pos));
        fuzzCheck(e.bridge.pump(stream.constData() + pos, n) == n, "the pump takes every piece");
        pos += n;
    }
    const int held = e.bridge.pending;
    fuzzCheck(held >= 0 && held <= stream.size(), "the pump holds back part of what it got");
    // Until the player's start buffer lets go, what it holds; then a gathering run or a block.
    fuzzCheck(held < std::max({CPlayStream::kGather, interval + 4081, StartBuffer::kMaxHeldBytes}),
              "the pump holds back no more than the start buffer, a gathering run or a block");
    return {r.played, stream.size() - held, e.meta.rawMetadata};
}

// What cutting the first consumed bytes of the stream by hand gives.
struct Reference {
    QByteArray audio;
    QByteArrayView lastText; // the last non-empty metadata block
    bool endsInBlock = false;
};

Reference cutByHand(QByteArrayView stream, std::int32_t interval, qsizetype consumed)
{
    Reference ref;
    if (interval < 1) {
        ref.audio = stream.first(consumed).toByteArray();
        return ref;
    }
    qsizetype pos = 0;
    while (pos < consumed) {
        const qsizetype run = std::min<qsizetype>(interval, consumed - pos);
        ref.audio += stream.sliced(pos, run);
        pos += run;
        if (pos >= consumed)
            break;
        const int length = uchar(stream[pos]);
        const qsizetype end = pos + 1 + 16 * length;
        if (end > consumed) {
            ref.endsInBlock = true;
            break;
        }
        if (length > 0)
            ref.lastText = stream.sliced(pos + 1, 16 * length);
        pos = end;
    }
    return ref;
}

// rawMetadata as the reader keeps it for a block.
QString rawText(QByteArrayView block)
{
    const qsizetype zero = block.indexOf('\0');
    const QByteArrayView raw = zero >= 0 ? block.first(zero) : block;
    const qsizetype bars = raw.indexOf(" || ");
    return bars >= 11 ? CUtil::ToWide(raw.first(bars)) + QStringLiteral("\r\n")
                      : CUtil::ToWide(raw);
}

// Checks one run against the hand cut; returns how many audio bytes the first write skipped.
qsizetype checkRun(const RunResult& run, const QByteArray& stream, std::int32_t interval,
                   std::int32_t code)
{
    const Reference ref = cutByHand(stream, interval, run.consumed);
    fuzzCheck(!ref.endsInBlock, "no metadata block is counted past the data");
    fuzzCheck(run.played.size() <= ref.audio.size(), "the player gets no byte more than the audio");
    fuzzCheck(run.played.isEmpty() == ref.audio.isEmpty(), "audio cut reaches the player");
    const qsizetype skipped = ref.audio.size() - run.played.size();
    fuzzCheck(QByteArrayView(ref.audio).sliced(skipped) == run.played,
              "the player gets the audio without the metadata, in order");
    fuzzCheck(run.rawMetadata == (ref.lastText.isNull() ? QString() : rawText(ref.lastText)),
              "the reader got the last metadata block cut");
    if (skipped > 0) {
        fuzzCheck(code == FormatMp3 || code == FormatAac || isOggFamily(code),
                  "only MP3, AAC and Ogg skip to a first frame");
        fuzzCheck(interval < 1 || skipped < interval, "the skip lies in the first run");
        if (isOggFamily(code))
            fuzzCheck(stream.sliced(skipped).startsWith("OggS"), "Ogg starts on a page");
        else
            fuzzCheck(uchar(stream[skipped]) == 0xFF, "MP3 and AAC start on a sync");
    }
    if (interval >= 1 && interval <= CPlayStream::kGather && !run.played.isEmpty()) {
        // Here the first write is always the first interval, whatever the split.
        StreamFormat format;
        format.formatCode = code;
        FrameProbe probe(format, [](const QString&) {});
        const auto* first = reinterpret_cast<const unsigned char*>(stream.constData());
        fuzzCheck(skipped == probe.firstFrameOffset(first, interval, false),
                  "the skip is the first frame of the first interval");
    }
    return skipped;
}

} // namespace

// Input: a header choosing the interval, the announced format and the split, then the
// stream bytes, repeated up to a length the header asks for (so that short inputs get
// past the gathering too). The stream is pumped in the chosen pieces and again in other
// pieces; both runs must match cutting by hand, and each other.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size <= kHeaderBytes)
        return 0;
    const std::uint8_t* h = data;
    const std::uint32_t v = (std::uint32_t(h[1]) << 16) | (std::uint32_t(h[2]) << 8) | h[3];
    std::int32_t interval = 0;
    if (h[0] % 3 == 1)
        interval = 1 + std::int32_t(v % 40000);
    else if (h[0] % 3 == 2)
        interval = 40001 + std::int32_t(v % 560000);
    const std::int32_t code = kFormats[h[4] % std::size(kFormats)];
    const Pieces first{0x9E3779B9u ^ h[6], kMaxPieces[h[5] % 8]};
    const Pieces second{0x85EBCA6Bu ^ h[6], kMaxPieces[(h[5] + 3) % 8]};

    const QByteArrayView payload(reinterpret_cast<const char*>(data + kHeaderBytes),
                                 qsizetype(size - kHeaderBytes));
    const qsizetype wanted =
        std::min(kMaxStream, std::max(payload.size(), payload.size() * (1 + h[7] % 128)));
    QByteArray stream;
    stream.reserve(wanted);
    while (stream.size() < wanted)
        stream += payload.first(std::min(payload.size(), wanted - stream.size()));

    const RunResult a = pumpStream(stream, interval, code, first);
    const qsizetype skippedA = checkRun(a, stream, interval, code);
    const RunResult b = pumpStream(stream, interval, code, second);
    const qsizetype skippedB = checkRun(b, stream, interval, code);
    if (skippedA == skippedB) {
        const QByteArray& shorter = a.played.size() <= b.played.size() ? a.played : b.played;
        const QByteArray& longer = a.played.size() <= b.played.size() ? b.played : a.played;
        fuzzCheck(longer.startsWith(shorter), "the split does not change what is played");
    }
    return 0;
}
