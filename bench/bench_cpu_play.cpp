#include "bench/enginerig.h"

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>
#include <thread>

// Plays one URL through the engine with the real ffplay and no window, then prints the
// CPU time this process used meanwhile; the player's own time is not in it.
//   bench_cpu_play URL [SECONDS]

namespace {

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(u.ru_utime) + seconds(u.ru_stime);
}

int messageCount(const FakeWindow& window, int message)
{
    int n = 0;
    for (const auto& m : window.messages())
        n += m.first == message;
    return n;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication qapp(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s URL [SECONDS]\n", argv[0]);
        return 2;
    }
    const QString url = QString::fromLocal8Bit(argv[1]);
    const int seconds = argc > 2 ? std::max(1, std::min(3600, std::atoi(argv[2]))) : 60;

    EngineRig rig;
    FakeWindow& window = rig.window;
    if (rig.app->playerPath.isEmpty()) {
        std::fprintf(stderr, "ffplay not found on PATH\n");
        return 1;
    }
    auto& app = rig.app;
    window.urlField = url;

    const double cpuBefore = cpuSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    app->engine->control.Play();
    // Sleeps in steps so that a transfer ending early is noticed; bounded by the duration.
    bool endedEarly = false;
    for (int step = 0; step < seconds * 10; ++step) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (messageCount(window, msg::WM_APP_TRANSFER_END) > 0) {
            endedEarly = true;
            break;
        }
    }
    // An MP3 stream sends one bit-rate message per write to the player.
    const int writes = messageCount(window, msg::WM_APP_BIT_RATE);
    app->engine->control.Stop();
    app->engine->curl.waitForEnd(5000);
    const double cpu = cpuSeconds() - cpuBefore;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();

    std::printf("played %s for %.1f s%s\n", argv[1], wall, endedEarly ? " (ended early)" : "");
    std::printf("writes to the player: %d\n", writes);
    std::printf("CPU time of the program: %.3f s (user + system)\n", cpu);
    std::printf("share of one core: %.3f %%\n", wall > 0 ? 100.0 * cpu / wall : 0.0);
    for (const QString& text : rig.boxes.texts())
        std::printf("box: %s\n", qPrintable(text));
    if (endedEarly || writes == 0) {
        std::fprintf(stderr, "the station did not play for the whole time:\n%s\n",
                     qPrintable(window.paneText()));
        return 1;
    }
    return 0;
}
