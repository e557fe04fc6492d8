#include "stations/listfile.h"
#include "stations/listline.h"
#include "stations/stationlist.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <fstream>
#include <malloc.h>
#include <memory>
#include <random>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kEntries = 100000;
constexpr int kCategoryEvery = 200;
constexpr int kDuplicatePercent = 10;
constexpr int kHistoryEdits = StationList::kHistorySlots;

// Station names as a real list holds them: mostly ASCII, some accented Latin, some
// Cyrillic, Greek and CJK, so that both the UTF-8 decoder and the fallback test work.
const char16_t* const kNameParts[] = {
    u"Radio",    u"FM",   u"Jazz",    u"Rock", u"Café",     u"Müller", u"Señal",   u"Классика",
    u"Ελληνικά", u"東京", u"Classic", u"News", u"Chillout", u"Öko",    u"Hörfunk", u"Ñandú"};
const char16_t* const kFormats[] = {u"mp3_128k", u"aac_64k", u"mp3",     u"ogg",
                                    u"opus_96k", u"flac",    u"aac_VBR", u""};
const char16_t* const kHosts[] = {u"stream", u"live", u"icecast", u"edge", u"radio"};

// The bytes of a list file of kEntries entries (categories included), about one in ten
// stations repeating an earlier station's URL.
QByteArray makeListFile()
{
    std::mt19937 rng(20240517);
    auto pick = [&rng](auto& array) {
        return array[std::uniform_int_distribution<size_t>(0, std::size(array) - 1)(rng)];
    };
    std::uniform_int_distribution<int> percent(0, 99);
    std::vector<QString> urls;
    urls.reserve(kEntries);
    QByteArray out;
    out.reserve(kEntries * 72);
    for (int i = 0; i < kEntries; ++i) {
        if (i % kCategoryEvery == 0) {
            out += '\n';
            out +=
                QStringLiteral("%1 %2 %3\n")
                    .arg(QString::fromUtf16(pick(kNameParts)), QString::fromUtf16(pick(kNameParts)))
                    .arg(i / kCategoryEvery)
                    .toUtf8();
            continue;
        }
        ListEntry e;
        e.name =
            QStringLiteral("%1 %2 %3")
                .arg(QString::fromUtf16(pick(kNameParts)), QString::fromUtf16(pick(kNameParts)))
                .arg(i);
        if (!urls.empty() && percent(rng) < kDuplicatePercent) {
            e.url = urls[std::uniform_int_distribution<size_t>(0, urls.size() - 1)(rng)];
        } else {
            e.url = QStringLiteral("http://%1%2.example.net:%3/%4.mp3")
                        .arg(QString::fromUtf16(pick(kHosts)))
                        .arg(i % 97)
                        .arg(8000 + i % 50)
                        .arg(i);
            urls.push_back(e.url);
        }
        e.format = QString::fromUtf16(pick(kFormats));
        if (percent(rng) < 5)
            e.flags = MARK_MODIFIED;
        out += FormatListLine(e).toUtf8();
        out += '\n';
    }
    return out;
}

// The generated list, written once into a temporary folder that lives until exit.
struct ListFixture {
    QTemporaryDir dir;
    QString path;
    QByteArray bytes;

    ListFixture() : bytes(makeListFile())
    {
        path = dir.filePath(QStringLiteral("bench_list.txt"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            path.clear();
    }
};

const ListFixture& fixture()
{
    static const ListFixture f;
    return f;
}

// Resident size after handing freed pages back, so that pages the load freed and the ring
// then reuses do not hide what the ring keeps.
double residentMiB()
{
    malloc_trim(0);
    std::ifstream statm("/proc/self/statm");
    long sizePages = 0, residentPages = 0;
    statm >> sizePages >> residentPages;
    return double(residentPages) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Bytes the allocator has handed out and not had back.
double heapMiB()
{
    const struct mallinfo2 m = mallinfo2();
    return double(m.uordblks + m.hblkhd) / (1024.0 * 1024.0);
}

void BM_LoadList(benchmark::State& state)
{
    const ListFixture& f = fixture();
    if (f.path.isEmpty()) {
        state.SkipWithError("could not write the list file");
        return;
    }
    StationList list;
    for (auto _ : state) {
        if (!list.LoadList(f.path)) {
            state.SkipWithError("LoadList failed");
            return;
        }
        benchmark::DoNotOptimize(list.count());
    }
    state.counters["entries"] = double(list.count());
    state.counters["file_MiB"] = double(f.bytes.size()) / (1024.0 * 1024.0);
}
BENCHMARK(BM_LoadList)->Unit(benchmark::kMillisecond)->Repetitions(11)->ReportAggregatesOnly(true);

// The same load into a new list, with the list's destruction left out: the difference to
// BM_LoadList is what freeing the previous list costs.
void BM_LoadListIntoNewList(benchmark::State& state)
{
    const ListFixture& f = fixture();
    if (f.path.isEmpty()) {
        state.SkipWithError("could not write the list file");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        auto list = std::make_unique<StationList>();
        state.ResumeTiming();
        if (!list->LoadList(f.path)) {
            state.SkipWithError("LoadList failed");
            return;
        }
        benchmark::DoNotOptimize(list->count());
        state.PauseTiming();
        list.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LoadListIntoNewList)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(11)
    ->ReportAggregatesOnly(true);

void BM_DecodeListFile(benchmark::State& state)
{
    const QByteArray& bytes = fixture().bytes;
    size_t entries = 0;
    for (auto _ : state) {
        std::vector<ListEntry> decoded = decodeListFile(bytes);
        entries = decoded.size();
        benchmark::DoNotOptimize(decoded.data());
    }
    state.counters["entries"] = double(entries);
}
BENCHMARK(BM_DecodeListFile)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(11)
    ->ReportAggregatesOnly(true);

void BM_Assign(benchmark::State& state)
{
    const std::vector<ListEntry> entries = decodeListFile(fixture().bytes);
    StationList list;
    for (auto _ : state) {
        list.assign(entries);
        benchmark::DoNotOptimize(list.count());
    }
}
BENCHMARK(BM_Assign)->Unit(benchmark::kMillisecond)->Repetitions(11)->ReportAggregatesOnly(true);

void BM_RemoveDuplicates(benchmark::State& state)
{
    const std::vector<ListEntry> entries = decodeListFile(fixture().bytes);
    StationList list;
    int removed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        list.assign(entries);
        state.ResumeTiming();
        removed = list.RemoveDuplicates();
        benchmark::DoNotOptimize(removed);
    }
    state.counters["removed"] = removed;
}
BENCHMARK(BM_RemoveDuplicates)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(11)
    ->ReportAggregatesOnly(true);

// What the undo ring keeps after a full round of edits on a loaded list: one edit between
// pushes, each on a random entry, so every slot holds its own copy of one chunk.
void BM_HistoryMemory(benchmark::State& state)
{
    const ListFixture& f = fixture();
    std::mt19937 rng(7);
    double rssAdded = 0, heapAdded = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto list = std::make_unique<StationList>();
        if (!list->LoadList(f.path) || list->count() == 0) {
            state.SkipWithError("LoadList failed");
            return;
        }
        std::uniform_int_distribution<qsizetype> index(0, list->count() - 1);
        const double rssBefore = residentMiB(), heapBefore = heapMiB();
        state.ResumeTiming();
        for (int k = 0; k < kHistoryEdits; ++k) {
            list->PushHistory();
            const qsizetype i = index(rng);
            list->setName(i, list->name(i) + QStringLiteral(" (edited)"));
        }
        state.PauseTiming();
        rssAdded = residentMiB() - rssBefore;
        heapAdded = heapMiB() - heapBefore;
        list.reset();
        state.ResumeTiming();
    }
    state.counters["rss_added_MiB"] = rssAdded;
    state.counters["heap_added_MiB"] = heapAdded;
}
BENCHMARK(BM_HistoryMemory)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);

} // namespace

BENCHMARK_MAIN();
