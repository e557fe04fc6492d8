#include "app/kestrelwaveapp.h"
#include "app/messageboxes.h"
#include "platform/registrystore.h"
#include "stream/streamengine.h"

#include <QByteArray>
#include <QTemporaryDir>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <memory>
#include <random>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::int64_t kStreamBytes = std::int64_t(1) << 30;
constexpr int kInterval = 16000;
constexpr int kFrameBytes = 417; // MPEG-1 layer III, 128 kbit/s, 44.1 kHz, no padding
constexpr int kMaxBlock = 64 * 1024;
constexpr int kCatBlock = 64 * 1024;

// The pump shows a box only when its buffer overflows; a benchmark run never should.
class CountingBoxes : public MessageBoxes {
public:
    void show(const QString&, BoxIcon) override { ++shown; }
    bool askYesNo(const QString&) override { return false; }
    void showUnlessSilenced(const QString&, const QString&, const QString&) override {}
    void showTimed(const QString&, const QString&, int) override {}
    int shown = 0;
};

// 16000 and 417 have no common factor, so 417 intervals hold a whole number of frames:
// repeating that run keeps both the frames and the metadata blocks in step. The first
// kMaxBlock bytes follow again at the end, so that any block up to that size starting
// inside the run can be read in one piece.
struct SyntheticStream {
    QByteArray bytes;
    qsizetype period = 0;

    SyntheticStream()
    {
        std::mt19937 rng(20240517);
        std::uniform_int_distribution<int> payload(0, 0xFE); // no false syncs
        QByteArray audio;
        audio.reserve(qsizetype(kInterval) * kFrameBytes);
        while (audio.size() < qsizetype(kInterval) * kFrameBytes) {
            audio += QByteArray("\xFF\xFB\x90\x00", 4);
            for (int i = 4; i < kFrameBytes; ++i)
                audio += char(payload(rng));
        }
        for (int n = 0; n < kFrameBytes; ++n) {
            bytes += audio.mid(qsizetype(n) * kInterval, kInterval);
            // As Icecast sends them: a title now and then, mostly an empty block.
            if (n % 10 != 0) {
                bytes += '\0';
                continue;
            }
            QByteArray text =
                "StreamTitle='Kestrel Test - Tone number " + QByteArray::number(n / 10 % 7) + "';";
            const int length = int((text.size() + 15) / 16);
            text.append(QByteArray(length * 16 - text.size(), '\0'));
            bytes += char(length) + text;
        }
        period = bytes.size();
        bytes += bytes.left(kMaxBlock);
    }
};

const SyntheticStream& stream()
{
    static const SyntheticStream s;
    return s;
}

// A pipe(2) whose read end a thread drains and discards, as a player that keeps up would.
class DrainedPipe {
public:
    DrainedPipe()
    {
        std::signal(SIGPIPE, SIG_IGN);
        if (::pipe(fds_) != 0) {
            fds_[0] = fds_[1] = -1;
            return;
        }
        reader_ = std::thread([this] {
            std::vector<char> sink(1 << 20);
            for (;;) {
                const ssize_t got = ::read(fds_[0], sink.data(), sink.size());
                if (got > 0)
                    drained_ += got;
                else if (got == 0 || errno != EINTR)
                    break;
            }
        });
    }
    ~DrainedPipe() { close(); }

    bool valid() const { return fds_[1] >= 0; }

    // Blocking, like the player pipe seen from the worker.
    bool write(const char* data, std::size_t n)
    {
        while (n > 0) {
            const ssize_t done = ::write(fds_[1], data, n);
            if (done < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            data += done;
            n -= std::size_t(done);
        }
        return true;
    }

    // Ends the writing side and waits until the reader has seen everything.
    std::int64_t close()
    {
        if (fds_[1] >= 0) {
            ::close(fds_[1]);
            fds_[1] = -1;
        }
        if (reader_.joinable())
            reader_.join();
        if (fds_[0] >= 0) {
            ::close(fds_[0]);
            fds_[0] = -1;
        }
        return drained_;
    }

private:
    int fds_[2] = {-1, -1};
    std::thread reader_;
    std::atomic<std::int64_t> drained_{0};
};

// The engine without a window: pane texts and bit-rate messages go nowhere.
struct PumpRig {
    PumpRig()
        : registry(dir.filePath(QStringLiteral("registry.ini"))),
          app(std::make_unique<CKestrelwaveApp>(boxes, registry))
    {}

    void begin(std::int32_t formatCode, std::int32_t interval)
    {
        StreamEngine& e = *app->engine;
        e.format.formatCode = formatCode;
        e.format.metaInterval = interval;
        e.format.sampleRate = 0;
        e.format.bitRate = 0;
        e.meta.reset();
        e.bridge.reset();
    }

    QTemporaryDir dir;
    platform::RegistryStore registry;
    CountingBoxes boxes;
    std::unique_ptr<CKestrelwaveApp> app;
};

void BM_PumpToPipe(benchmark::State& state)
{
    const SyntheticStream& s = stream();
    PumpRig rig;
    std::int64_t played = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto pipe = std::make_unique<DrainedPipe>();
        if (!pipe->valid()) {
            state.SkipWithError("pipe(2) failed");
            return;
        }
        rig.app->engine->bridge.setPipeWriterForTesting(
            [p = pipe.get()](const char* d, std::size_t n) { return p->write(d, n); });
        rig.begin(FormatMp3, kInterval);
        std::mt19937 rng(7);
        std::uniform_int_distribution<int> size(1, kMaxBlock);
        CPlayStream& bridge = rig.app->engine->bridge;
        state.ResumeTiming();

        qsizetype at = 0;
        for (std::int64_t fed = 0; fed < kStreamBytes;) {
            const int n = int(std::min<std::int64_t>(size(rng), kStreamBytes - fed));
            if (bridge.pump(s.bytes.constData() + at, n) != n) {
                state.SkipWithError("the pump refused a block");
                return;
            }
            fed += n;
            at = (at + n) % s.period;
        }
        played = pipe->close();

        state.PauseTiming();
        rig.app->engine->bridge.setPipeWriterForTesting({});
        pipe.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * kStreamBytes);
    state.counters["played_MiB"] = double(played) / (1024.0 * 1024.0);
    state.counters["boxes"] = rig.boxes.shown;
}
BENCHMARK(BM_PumpToPipe)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(7)
    ->UseRealTime()
    ->ReportAggregatesOnly(true);

// What a plain copy into the same kind of pipe reaches: in cat's 64 KiB blocks, and in
// blocks of the metadata interval, the size the pump writes in.
void BM_CatToPipe(benchmark::State& state)
{
    const SyntheticStream& s = stream();
    const int block = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto pipe = std::make_unique<DrainedPipe>();
        if (!pipe->valid()) {
            state.SkipWithError("pipe(2) failed");
            return;
        }
        state.ResumeTiming();
        qsizetype at = 0;
        for (std::int64_t sent = 0; sent < kStreamBytes;) {
            const int n = int(std::min<std::int64_t>(block, kStreamBytes - sent));
            if (!pipe->write(s.bytes.constData() + at, std::size_t(n))) {
                state.SkipWithError("write(2) failed");
                return;
            }
            sent += n;
            at = (at + n) % s.period;
        }
        pipe->close();
        state.PauseTiming();
        pipe.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * kStreamBytes);
}
BENCHMARK(BM_CatToPipe)
    ->ArgName("block")
    ->Arg(kCatBlock)
    ->Arg(kInterval)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(7)
    ->UseRealTime()
    ->ReportAggregatesOnly(true);

// A server that sends icy-metaint 1 and no frame sync (here: one byte of audio, one empty
// block, repeated), announced as MP3 and, for comparison, as WAV: every write of the MP3
// run rescans the whole gathered run for a frame.
void BM_PumpTinyInterval(benchmark::State& state)
{
    const std::int32_t code = std::int32_t(state.range(0));
    const qsizetype total = qsizetype(state.range(1));
    QByteArray bytes;
    for (qsizetype i = 0; i < total / 2; ++i)
        bytes += QByteArray("\xAA\x00", 2);
    PumpRig rig;
    std::int64_t played = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto pipe = std::make_unique<DrainedPipe>();
        rig.app->engine->bridge.setPipeWriterForTesting(
            [p = pipe.get()](const char* d, std::size_t n) { return p->write(d, n); });
        rig.begin(code, 1);
        CPlayStream& bridge = rig.app->engine->bridge;
        state.ResumeTiming();
        for (qsizetype pos = 0; pos < bytes.size(); pos += 4096) {
            const int n = int(std::min<qsizetype>(4096, bytes.size() - pos));
            if (bridge.pump(bytes.constData() + pos, n) != n) {
                state.SkipWithError("the pump refused a block");
                return;
            }
        }
        played = pipe->close();
        state.PauseTiming();
        rig.app->engine->bridge.setPipeWriterForTesting({});
        pipe.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(bytes.size()));
    state.counters["played_KiB"] = double(played) / 1024.0;
}
BENCHMARK(BM_PumpTinyInterval)
    ->ArgNames({"format", "bytes"})
    ->Args({FormatWav, 1 << 20})
    ->Args({FormatMp3, 1 << 20})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseRealTime()
    ->ReportAggregatesOnly(true);

// The worker's share of split by song: one gathered run (40000 bytes) handed to the song
// recorder, a title every 2 MiB; the writer thread's disk work runs beside it, not in it.
void BM_SongSplitRun(benchmark::State& state)
{
    QTemporaryDir dir;
    QByteArray frames;
    for (int i = 0; i < 1000; ++i)
        frames += QByteArray("\xFF\xFB\x90\x00", 4) + QByteArray(kFrameBytes - 4, '\x11');
    SongRecorder songs;
    SongRecording r;
    r.stem = dir.path() + QStringLiteral("/Bench_26-01-01@00h00");
    r.extension = QStringLiteral("mp3");
    r.formatCode = FormatMp3;
    r.firstSong = QStringLiteral("Bench - Song 0");
    r.settings = {true, -3000, 1};
    songs.begin(r);
    constexpr int kRun = 40000;
    std::int64_t fed = 0;
    int title = 0;
    for (auto _ : state) {
        const qsizetype at = fed % (frames.size() - kRun);
        songs.audio(reinterpret_cast<const unsigned char*>(frames.constData()) + at, kRun, 0);
        fed += kRun;
        if (fed / (2 << 20) > title)
            songs.title(QStringLiteral("Bench - Song %1").arg(++title));
    }
    songs.end();
    songs.waitIdle(60000);
    state.SetBytesProcessed(fed);
    state.counters["songs"] = title + 1;
}
BENCHMARK(BM_SongSplitRun)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(2000)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
