#include "bench/enginerig.h"
#include "bench/median.h"

#include <QCoreApplication>
#include <QProcess>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

// Time from Play to the first sound, and the longest silence after it, heard on the monitor
// of the sound server's default sink (a null sink: fast_start.sh starts one) through parec.
//   bench_fast_start RUNS SECONDS LABEL=URL...
// Plays each URL RUNS times through the real play control and ffplay; prints the median
// start time and the longest silence in the SECONDS after the first sound. mpv, when it is
// installed, plays the first URL of each kind the same way for comparison.

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRate = 44100;
constexpr int kLoud = 300; // a sample above this (of 32767) is sound

double seconds(Clock::time_point t)
{
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}

// Reads the monitor continuously; measures from arm() on.
class Monitor {
public:
    bool start()
    {
        reader_ = std::thread([this] { read(); });
        for (int i = 0; i < 50 && !running_; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return running_;
    }
    ~Monitor()
    {
        stop_ = true;
        if (reader_.joinable())
            reader_.join();
    }

    void arm(double observeSeconds)
    {
        std::lock_guard lock(mutex_);
        armedAt_ = seconds(Clock::now());
        observe_ = observeSeconds;
        firstLoud_ = -1;
        silentRun_ = longestSilence_ = 0;
        done_ = false;
    }
    // Seconds from arm() to the first sound, or -1 while there is none.
    double startDelay() const
    {
        std::lock_guard lock(mutex_);
        return firstLoud_ < 0 ? -1 : firstLoud_ - armedAt_;
    }
    bool observed() const
    {
        std::lock_guard lock(mutex_);
        return done_;
    }
    double longestSilence() const
    {
        std::lock_guard lock(mutex_);
        return double(std::max(longestSilence_, silentRun_)) / kRate;
    }
    // Seconds since the last sound (for waiting until a stopped player is quiet).
    double quietFor() const
    {
        std::lock_guard lock(mutex_);
        return seconds(Clock::now()) - lastLoud_;
    }

private:
    // The reader thread owns parec; it ends it when asked to stop.
    void read()
    {
        QProcess parec;
        parec.start(QStringLiteral("parec"),
                    {QStringLiteral("-d"), QStringLiteral("@DEFAULT_MONITOR@"),
                     QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                     QStringLiteral("--rate=44100"), QStringLiteral("--channels=2"),
                     QStringLiteral("--latency-msec=10")});
        running_ = parec.waitForStarted(5000);
        QByteArray data;
        while (running_ && !stop_ && parec.state() == QProcess::Running) {
            if (!parec.waitForReadyRead(100))
                continue;
            const double end = seconds(Clock::now());
            data += parec.readAll();
            const qsizetype frames = data.size() / 4;
            const auto* samples = reinterpret_cast<const short*>(data.constData());
            std::lock_guard lock(mutex_);
            for (qsizetype i = 0; i < frames; ++i)
                take(end - double(frames - i) / kRate,
                     std::abs(samples[2 * i]) > kLoud || std::abs(samples[2 * i + 1]) > kLoud);
            data.remove(0, frames * 4);
        }
        parec.kill();
        parec.waitForFinished(5000);
    }

    // One frame heard at time t.
    void take(double t, bool loud)
    {
        if (loud)
            lastLoud_ = t;
        if (t < armedAt_ || done_)
            return;
        if (firstLoud_ < 0) {
            firstLoud_ = loud ? t : -1;
            return;
        }
        if (t > firstLoud_ + observe_) {
            done_ = true;
        } else if (loud) {
            longestSilence_ = std::max(longestSilence_, silentRun_);
            silentRun_ = 0;
        } else {
            ++silentRun_;
        }
    }

    std::thread reader_;
    std::atomic<bool> running_{false};
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    double armedAt_ = 1e300;
    double observe_ = 20;
    double firstLoud_ = -1;
    double lastLoud_ = 0;
    long silentRun_ = 0;
    long longestSilence_ = 0;
    bool done_ = false;
};

void waitQuiet(const Monitor& monitor)
{
    for (int i = 0; i < 100 && monitor.quietFor() < 1.0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

struct Result {
    double start = -1;
    double silence = 0;
};

// Waits for the first sound (10 s at most) and the observation after it.
Result measure(Monitor& monitor, double observe)
{
    Result r;
    for (int i = 0; i < 1000 && monitor.startDelay() < 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    r.start = monitor.startDelay();
    if (r.start < 0)
        return r;
    for (int i = 0; i < int(observe * 10) + 50 && !monitor.observed(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    r.silence = monitor.longestSilence();
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication qapp(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s RUNS SECONDS LABEL=URL...\n", argv[0]);
        return 2;
    }
    const int runs = std::max(1, std::atoi(argv[1]));
    const double observe = std::max(1.0, std::atof(argv[2]));
    EngineRig rig;
    if (rig.app->playerPath.isEmpty()) {
        std::fprintf(stderr, "ffplay not found on PATH\n");
        return 1;
    }
    const QString mpv = platform::findExecutable(QStringLiteral("mpv"));
    Monitor monitor;
    if (!monitor.start()) {
        std::fprintf(stderr, "parec could not be started\n");
        return 1;
    }
    // The null sink renders ahead until its monitor asks for a short latency.
    std::this_thread::sleep_for(std::chrono::seconds(3));

    std::printf("%-22s %10s %10s %12s %s\n", "stream", "start s", "(min-max)", "silence ms",
                "mpv start s");
    int failures = 0;
    for (int a = 3; a < argc; ++a) {
        const QString arg = QString::fromLocal8Bit(argv[a]);
        const QString label = arg.section(u'=', 0, 0);
        const QString url = arg.section(u'=', 1);
        std::vector<double> starts;
        double worstSilence = 0;
        for (int run = 0; run < runs; ++run) {
            waitQuiet(monitor);
            monitor.arm(observe);
            rig.play(url);
            const Result r = measure(monitor, observe);
            rig.stop();
            if (r.start < 0) {
                ++failures;
                std::fprintf(stderr, "%s: no sound within 10 s\n", qPrintable(label));
                continue;
            }
            starts.push_back(r.start);
            worstSilence = std::max(worstSilence, r.silence);
        }
        QString mpvText = QStringLiteral("-");
        if (!mpv.isEmpty()) {
            std::vector<double> mpvStarts;
            for (int run = 0; run < runs; ++run) {
                waitQuiet(monitor);
                monitor.arm(1);
                QProcess player;
                player.start(mpv,
                             {QStringLiteral("--no-video"), QStringLiteral("--really-quiet"), url});
                const Result r = measure(monitor, 1);
                player.kill();
                player.waitForFinished(5000);
                if (r.start >= 0)
                    mpvStarts.push_back(r.start);
            }
            mpvText = QString::number(median(mpvStarts), 'f', 3);
        }
        const auto [lo, hi] = std::minmax_element(starts.begin(), starts.end());
        std::printf("%-22s %10.3f %4.2f-%-5.2f %12.0f %s\n", qPrintable(label), median(starts),
                    starts.empty() ? 0 : *lo, starts.empty() ? 0 : *hi, worstSilence * 1000,
                    qPrintable(mpvText));
        std::fflush(stdout);
    }
    return failures ? 1 : 0;
}
