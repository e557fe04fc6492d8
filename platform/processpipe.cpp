#include "platform/processpipe.h"

#include "platform/clock.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace platform {

void ignoreSigpipe()
{
    std::signal(SIGPIPE, SIG_IGN);
}

ProcessPipe::ProcessPipe() = default;

ProcessPipe::~ProcessPipe()
{
    terminate();
    closePipe();
}

bool ProcessPipe::start(const QString& program, const QStringList& arguments,
                        const QStringList& extraEnv)
{
    static std::once_flag sigpipe;
    std::call_once(sigpipe, ignoreSigpipe);
    terminate();
    closePipe();
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return false;

    std::vector<QByteArray> argStore;
    argStore.push_back(program.toLocal8Bit());
    for (const QString& a : arguments)
        argStore.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& a : argStore)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<QByteArray> envStore;
    for (const QString& e : extraEnv)
        envStore.push_back(e.toLocal8Bit());
    std::vector<char*> envp;
    for (char** e = environ; e && *e; ++e) {
        const char* eq = std::strchr(*e, '=');
        const QByteArrayView name(*e, eq ? eq - *e : qsizetype(std::strlen(*e)));
        bool replaced = false;
        for (const QByteArray& x : envStore)
            replaced |= x.startsWith(QByteArray(name.toByteArray() + '='));
        if (!replaced)
            envp.push_back(*e);
    }
    for (QByteArray& x : envStore)
        envp.push_back(x.data());
    envp.push_back(nullptr);

    // The child learns of an exec that failed through this pipe, which the exec closes.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return false;
    }
    const QByteArray path = program.toLocal8Bit();
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child == 0) {
        // Only async-signal-safe calls from here to exec: the program has other threads.
        // The player dies with the thread that started it, also when the program is killed
        // or crashes, so that it never plays on alone.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(127);
        struct sigaction byDefault = {};
        byDefault.sa_handler = SIG_DFL;
        sigaction(SIGPIPE, &byDefault, nullptr);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        // The read end becomes the child's standard input; O_CLOEXEC closes the rest.
        if (dup2(fds[0], STDIN_FILENO) >= 0)
            execve(path.constData(), argv.data(), envp.data());
        const int error = errno;
        [[maybe_unused]] const ssize_t w = ::write(report[1], &error, sizeof error);
        _exit(127);
    }
    ::close(report[1]);
    ::close(fds[0]);
    bool started = child > 0;
    if (started) {
        int error = 0;
        ssize_t r;
        do
            r = ::read(report[0], &error, sizeof error);
        while (r < 0 && errno == EINTR);
        if (r > 0) { // exec failed: nothing runs
            started = false;
            while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
    }
    ::close(report[0]);
    if (!started) {
        ::close(fds[1]);
        return false;
    }
    fcntl(fds[1], F_SETFL, fcntl(fds[1], F_GETFL) | O_NONBLOCK);
    writeFd_ = fds[1];
    pid_ = child;
    return true;
}

ProcessPipe::WriteResult ProcessPipe::write(const char* data, std::size_t n,
                                            const std::function<bool()>& abort, int stallMs)
{
    std::uint32_t lastProgress = tickCount();
    while (n > 0) {
        const int fd = writeFd_;
        if (fd < 0)
            return WriteResult::Failed;
        const ssize_t w = ::write(fd, data, n);
        if (w > 0) {
            data += w;
            n -= std::size_t(w);
            lastProgress = tickCount();
            continue;
        }
        if (w < 0 && errno == EINTR)
            continue;
        if (w < 0 && errno != EAGAIN)
            return WriteResult::Failed; // EPIPE: the player is gone
        if (abort && abort())
            return WriteResult::Aborted;
        if (tickCount() - lastProgress > std::uint32_t(stallMs))
            return WriteResult::Stalled;
        pollfd p{fd, POLLOUT, 0};
        ::poll(&p, 1, 100);
        if (p.revents & (POLLERR | POLLHUP | POLLNVAL))
            return WriteResult::Failed;
    }
    return WriteResult::Ok;
}

void ProcessPipe::terminate()
{
    const pid_t pid = pid_.exchange(-1);
    if (pid > 0) {
        ::kill(pid, SIGKILL);
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
}

void ProcessPipe::closePipe()
{
    const int fd = writeFd_.exchange(-1);
    if (fd >= 0)
        ::close(fd);
}

bool ProcessPipe::reapIfExited()
{
    const pid_t pid = pid_;
    if (pid <= 0)
        return true;
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) {
        pid_ = -1;
        return true;
    }
    return false;
}

} // namespace platform
