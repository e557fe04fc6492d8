#include "app/controlids.h"
#include "app/kestrelwaveapp.h"
#include "bench/median.h"
#include "platform/clock.h"
#include "platform/registrystore.h"
#include "scan/autoscan.h"
#include "tests/support/scriptedmessageboxes.h"
#include "ui/filedialogs.h"
#include "ui/kestrelwavedlg.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <vector>

// An auto-scan of 200 stations on this machine through the real window, timer and worker:
// 100 live ones on the scripted server, 50 on a closed port, 50 answering 404. Reports the
// total and, per kind, the median time from one station's step to the next.
//   bench_scan --fake-port=PORT   (bench/scan.sh starts the server)

namespace {

int g_fakePort = 0;

enum Kind { Live, Refused, Missing };

void BM_AutoScan200(benchmark::State& state)
{
    const QString fake = QStringLiteral("http://127.0.0.1:%1").arg(g_fakePort);
    QByteArray text = "\nBench\n";
    std::vector<Kind> kinds{Live}; // row 0 is the category; its slot is never read
    for (int i = 0; i < 200; ++i) {
        const Kind k = i % 4 < 2 ? Live : i % 4 == 2 ? Refused : Missing;
        const QString url = k == Live      ? fake + QStringLiteral("/live/%1").arg(i)
                            : k == Refused ? QStringLiteral("http://127.0.0.1:9/r%1").arg(i)
                                           : fake + QStringLiteral("/gone/%1").arg(i);
        text += "\t" + url.toUtf8() + "\n";
        kinds.push_back(k);
    }
    for (auto _ : state) {
        QTemporaryDir dir;
        QDir(dir.path()).mkpath(QStringLiteral("Music/Kestrelwave"));
        const QString listPath = dir.path() + QStringLiteral("/Music/Kestrelwave/bench.txt");
        QFile list(listPath);
        list.open(QIODevice::WriteOnly);
        list.write(text);
        list.close();
        platform::RegistryStore registry(dir.path() + QStringLiteral("/registry.ini"));
        ScriptedMessageBoxes boxes;
        CKestrelwaveApp app(boxes, registry);
        StartupEnvironment env;
        env.programFolder = QCoreApplication::applicationDirPath();
        env.musicFolder = dir.path() + QStringLiteral("/Music");
        env.commandLine = listPath;
        env.findOnPath = [](const QString&) { return QStringLiteral("/bin/true"); };
        app.InitInstance(env);
        NoFileDialogs files;
        CKestrelwaveDlg dlg(app, files);
        dlg.show();
        QCoreApplication::processEvents();

        // When each row's step ran, seen by watching the scan position move.
        std::vector<std::uint32_t> stepAt(size_t(app.stations.count()) + 1, 0);
        const std::uint32_t begin = platform::tickCount();
        dlg.command(ids::IDC_AUTO_SCAN);
        qsizetype seen = -1;
        while (!boxes.texts().contains(QStringLiteral("Auto-scan terminated")) &&
               platform::tickCount() - begin < 300000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            const qsizetype at = app.scan->scanIndex;
            if (app.status.autoScanRunning && at != seen && at > 0) {
                for (qsizetype r = std::max<qsizetype>(seen, 0); r < at; ++r)
                    if (!stepAt[size_t(r)])
                        stepAt[size_t(r)] = platform::tickCount();
                seen = at;
            }
            platform::sleepMs(1);
        }
        const std::uint32_t total = platform::tickCount() - begin;
        stepAt.back() = platform::tickCount();
        std::vector<double> cost[3];
        int invalid = 0, named = 0;
        for (qsizetype r = 1; r < app.stations.count(); ++r) {
            const std::uint32_t next =
                r + 1 < qsizetype(stepAt.size()) - 1 ? stepAt[size_t(r) + 1] : stepAt.back();
            if (stepAt[size_t(r)] && next)
                cost[kinds[size_t(r)]].push_back(double(next - stepAt[size_t(r)]));
            invalid += app.stations.name(r) == u"INVALID";
            named += app.stations.name(r) == u"Fake Station";
        }
        state.counters["total_s"] = total / 1000.0;
        state.counters["live_median_ms"] = median(cost[Live]);
        state.counters["refused_median_ms"] = median(cost[Refused]);
        state.counters["404_median_ms"] = median(cost[Missing]);
        state.counters["named"] = named;
        state.counters["invalid"] = invalid;
        dlg.command(ids::IDOK);
    }
}
BENCHMARK(BM_AutoScan200)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    for (int i = 1; i < argc; ++i) {
        const QByteArray a = argv[i];
        if (a.startsWith("--fake-port="))
            g_fakePort = a.mid(12).toInt();
    }
    if (!g_fakePort) {
        std::fprintf(stderr, "usage: %s --fake-port=PORT (bench/scan.sh starts the server)\n",
                     argv[0]);
        return 2;
    }
    int n = 1;
    benchmark::Initialize(&n, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
