#include "platform/termination.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace platform {
namespace {

int g_pipe[2] = {-1, -1};
std::function<void()> g_onSignal;
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// A signal handler may do next to nothing: it only wakes the event loop.
void handler(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t w = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

void install(void (*h)(int))
{
    struct sigaction action = {};
    action.sa_handler = h;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : kSignals)
        sigaction(s, &action, nullptr);
}

} // namespace

void onTerminationSignal(std::function<void()> onSignal)
{
    g_onSignal = std::move(onSignal);
    if (!g_onSignal) {
        install(SIG_DFL);
        return;
    }
    if (g_pipe[0] < 0) {
        if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
            return;
        auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, qApp);
        QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
            char bytes[64];
            while (::read(g_pipe[0], bytes, sizeof bytes) > 0) {
            }
            if (g_onSignal)
                g_onSignal();
        });
    }
    install(handler);
}

} // namespace platform
