#include "app/controlids.h"
#include "app/kestrelwaveapp.h"
#include "bench/median.h"
#include "platform/folders.h"
#include "platform/registrystore.h"
#include "stream/streamengine.h"
#include "tests/support/scriptedmessageboxes.h"
#include "ui/filedialogs.h"
#include "ui/kestrelwavedlg.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

// CPU of the whole program (window, timers, transfer worker, scope capture) while it plays
// one station, in alternating phases with the signal scope running and switched off, so
// that both sides see the same stream, machine and load. The player's own time is not in
// it; the sound server's is reported apart when its pid is given.
//   bench_scope_cpu URL [SECONDS_PER_SIDE [PHASE_SECONDS [SERVER_PID]]]

namespace {

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(u.ru_utime) + seconds(u.ru_stime);
}

// utime + stime of another process, in seconds; 0 when it cannot be read.
double processCpuSeconds(int pid)
{
    if (pid <= 0)
        return 0;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return double(fields[11].toLongLong() + fields[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

// Turns the event loop for ms, as the program does between events.
void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s URL [SECONDS_PER_SIDE [PHASE_SECONDS [SERVER_PID]]]\n",
                     argv[0]);
        return 2;
    }
    const QString url = QString::fromLocal8Bit(argv[1]);
    const int perSide = argc > 2 ? std::clamp(std::atoi(argv[2]), 1, 3600) : 60;
    const int phaseSeconds = argc > 3 ? std::clamp(std::atoi(argv[3]), 1, perSide) : 10;
    const int serverPid = argc > 4 ? std::atoi(argv[4]) : 0;
    const int phasesPerSide = std::max(1, perSide / phaseSeconds);

    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("Music/Kestrelwave"));
    const QString listPath = dir.path() + QStringLiteral("/Music/Kestrelwave/bench.txt");
    QFile list(listPath);
    list.open(QIODevice::WriteOnly);
    list.write("\nBench\nTone \t" + url.toUtf8() + "\n");
    list.close();
    platform::RegistryStore registry(dir.path() + QStringLiteral("/registry.ini"));
    ScriptedMessageBoxes boxes;
    CKestrelwaveApp app(boxes, registry);
    StartupEnvironment env;
    env.programFolder = QCoreApplication::applicationDirPath();
    env.musicFolder = dir.path() + QStringLiteral("/Music");
    env.versionText = QStringLiteral("2.1.0");
    env.findOnPath = platform::findExecutable;
    env.commandLine = listPath;
    if (!app.InitInstance(env) || app.playerName != u"ffplay") {
        std::fprintf(stderr, "start-up failed or ffplay not found\n");
        return 1;
    }
    NoFileDialogs files;
    CKestrelwaveDlg dlg(app, files);
    dlg.show();
    COscillo& scope = app.engine->scope;
    if (!app.status.scopeRunning) {
        std::fprintf(stderr, "the scope did not start (no sound server?)\n");
        return 1;
    }
    std::printf("scope on %s at %u Hz, %u frames per packet\n", qPrintable(scope.device()),
                scope.sampleRate, scope.bufferFrames);

    qobject_cast<QLineEdit*>(dlg.control(ids::IDC_URL))->setText(url);
    dlg.command(ids::IDC_PLAY);
    QElapsedTimer started;
    started.start();
    while (!app.engine->curl.playerStarted && started.elapsed() < 20000)
        runFor(100);
    if (!app.engine->curl.playerStarted) {
        std::fprintf(stderr, "the station did not start playing\n");
        return 1;
    }
    runFor(3000); // past the player's start

    struct Phase {
        bool on;
        double cpu, server, wall;
        std::uint32_t runs;
    };
    std::vector<Phase> phases;
    for (int i = 0; i < 2 * phasesPerSide; ++i) {
        const bool on = i % 2 == 0;
        if (on && !app.status.scopeRunning) {
            scope.scopeOn = scope.openDevice() == 0;
            if (scope.scopeOn && scope.prepareCapture() == 0)
                scope.startCapture();
        } else if (!on) {
            scope.stopCapture();
            scope.scopeOn = false;
        }
        const std::uint32_t runs = scope.sentCount;
        const double cpu = cpuSeconds(), server = processCpuSeconds(serverPid);
        QElapsedTimer wall;
        wall.start();
        runFor(phaseSeconds * 1000);
        phases.push_back({on, cpuSeconds() - cpu, processCpuSeconds(serverPid) - server,
                          wall.nsecsElapsed() / 1e9, scope.sentCount - runs});
        const Phase& p = phases.back();
        std::printf("phase %2d scope %-3s  program %6.3f %% of a core  server %6.3f %%  runs %u\n",
                    i + 1, on ? "on" : "off", 100 * p.cpu / p.wall, 100 * p.server / p.wall,
                    p.runs);
        std::fflush(stdout);
        if (!app.status.playing) {
            std::fprintf(stderr, "the station stopped playing during the bench\n");
            return 1;
        }
    }
    dlg.command(ids::IDOK);

    double cpu[2] = {0, 0}, server[2] = {0, 0}, wall[2] = {0, 0};
    std::vector<double> share[2], diff;
    for (std::size_t i = 0; i < phases.size(); ++i) {
        const Phase& p = phases[i];
        cpu[p.on] += p.cpu;
        server[p.on] += p.server;
        wall[p.on] += p.wall;
        share[p.on].push_back(100 * p.cpu / p.wall);
        if (p.on && i + 1 < phases.size())
            diff.push_back(100 * p.cpu / p.wall - 100 * phases[i + 1].cpu / phases[i + 1].wall);
    }
    std::printf(
        "scope on : %.1f s, program %.3f s CPU = %.3f %% of a core (median phase %.3f %%)\n",
        wall[1], cpu[1], 100 * cpu[1] / wall[1], median(share[1]));
    std::printf(
        "scope off: %.1f s, program %.3f s CPU = %.3f %% of a core (median phase %.3f %%)\n",
        wall[0], cpu[0], 100 * cpu[0] / wall[0], median(share[0]));
    std::printf("scope adds %.3f %% of a core (median of paired phases %.3f %%)\n",
                100 * cpu[1] / wall[1] - 100 * cpu[0] / wall[0], median(diff));
    if (serverPid > 0)
        std::printf("sound server: %.3f %% with the scope, %.3f %% without\n",
                    100 * server[1] / wall[1], 100 * server[0] / wall[0]);
    for (const ScriptedMessageBoxes::Box& box : boxes.boxes())
        if (box.kind == ScriptedMessageBoxes::Kind::Show)
            std::printf("box: %s\n", qPrintable(box.text));
    return 0;
}
