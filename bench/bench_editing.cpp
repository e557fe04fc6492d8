#include "stations/editing.h"
#include "stations/stationlist.h"

#include <benchmark/benchmark.h>
#include <random>

namespace {

constexpr int kEntries = 100000;

// A 100 000-entry list: a heading every 200 entries, names in random order, about one in
// fifty stations "INVALID".
std::vector<ListEntry> makeEntries()
{
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> word(0, 25);
    std::uniform_int_distribution<int> percent(0, 99);
    std::vector<ListEntry> out;
    out.reserve(kEntries);
    for (int i = 0; i < kEntries; ++i) {
        if (i % 200 == 0) {
            out.push_back({QStringLiteral("Category %1").arg(i / 200), {}, 0, {}});
            continue;
        }
        QString name;
        for (int k = 0; k < 12; ++k)
            name += QChar(u'a' + word(rng));
        if (percent(rng) < 2)
            name = QStringLiteral("INVALID");
        out.push_back({QStringLiteral("%1 Radio %2").arg(name).arg(i),
                       QStringLiteral("http://stream%1.example.org:8000/live.mp3").arg(i), 0,
                       QStringLiteral("mp3_128k")});
    }
    return out;
}

const std::vector<ListEntry>& entries()
{
    static const std::vector<ListEntry> e = makeEntries();
    return e;
}

void BM_Sort(benchmark::State& state)
{
    StationList list;
    for (auto _ : state) {
        state.PauseTiming();
        list.assign(entries());
        state.ResumeTiming();
        benchmark::DoNotOptimize(sortSections(list));
    }
}

void BM_SearchMiss(benchmark::State& state)
{
    StationList list;
    list.assign(entries());
    for (auto _ : state)
        benchmark::DoNotOptimize(searchList(list, u"no such station", 0));
}

void BM_RemoveInvalid(benchmark::State& state)
{
    StationList list;
    for (auto _ : state) {
        state.PauseTiming();
        list.assign(entries());
        state.ResumeTiming();
        benchmark::DoNotOptimize(removeInvalid(list));
    }
}

} // namespace

BENCHMARK(BM_Sort)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_SearchMiss)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_RemoveInvalid)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);
BENCHMARK_MAIN();
