#include "fuzz/literal_extract.h"
#include "grep/linkextract.h"

#include <QString>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <random>

// Link extraction on a 10 MB page of 50 000 candidate links, half of them rejected by the
// various rules and one in ten repeated, against a floor that only finds every "http".

namespace {

const QString& page()
{
    static const QString text = [] {
        std::mt19937 rng(7);
        const char* const rejected[] = {"/logo.png", "/index.html", "/app.js",      "/list.m3u8",
                                        "/SVE/x",    "/a.css",      "/?utm_source", "/pic.jpeg"};
        const char* const hosts[] = {"radio.example.com", "stream.example.net", "cdn.example.fm",
                                     "ice.example.de"};
        QString out;
        out.reserve(10 * 1000 * 1000);
        QStringList recent;
        for (int i = 0; i < 50000; ++i) {
            QString link;
            if (i % 10 == 9 && !recent.isEmpty()) {
                link = recent[int(rng() % recent.size())];
            } else {
                link = QStringLiteral("https://%1/live/%2")
                           .arg(QString::fromLatin1(hosts[rng() % 4]))
                           .arg(i);
                if (i % 2)
                    link += QString::fromLatin1(rejected[rng() % 8]);
                recent.append(link);
            }
            out += QStringLiteral("<li><a href=\"") + link +
                   QStringLiteral("\" class=\"station\">") + link + QStringLiteral("</a></li>\n");
            // Filler text between links, as real pages have, up to about 10 MB in all.
            out += QString(qsizetype(70 + rng() % 40), u'x') + u'\n';
        }
        return out;
    }();
    return text;
}

void BM_ExtractLinks(benchmark::State& state)
{
    const QString& text = page();
    qsizetype links = 0;
    for (auto _ : state) {
        FoundLinks found;
        links = extractLinks(text, found).size();
        benchmark::DoNotOptimize(links);
    }
    state.counters["links"] = double(links);
    state.counters["MB"] = double(text.size()) / 1e6;
}
BENCHMARK(BM_ExtractLinks)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

// The least any extractor must do: find every "http".
void BM_FindEveryHttp(benchmark::State& state)
{
    const QString& text = page();
    for (auto _ : state) {
        qsizetype n = 0;
        for (qsizetype p = text.indexOf(u"http"); p >= 0; p = text.indexOf(u"http", p + 1))
            ++n;
        benchmark::DoNotOptimize(n);
    }
}
BENCHMARK(BM_FindEveryHttp)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

} // namespace

int main(int argc, char** argv)
{
    // The result must be the rules' own before its speed means anything (--no-check skips
    // the slow comparison, for profiling).
    bool same = true;
    if (!(argc > 1 && std::strcmp(argv[argc - 1], "--no-check") == 0)) {
        FoundLinks found;
        QStringList literalFound;
        same = extractLinks(page(), found) == literal::extract(page(), literalFound);
        std::printf("links: %lld, identical to the literal reading of the rules: %s\n",
                    static_cast<long long>(found.size()), same ? "yes" : "NO");
    } else {
        --argc;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return same ? 0 : 1;
}
