#pragma once

#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <functional>
#include <sys/types.h>

namespace platform {

// A child process whose standard input is the read end of a pipe we write into. Started
// with an argument vector (never a shell); killed with SIGKILL and reaped, so no zombie and
// no orphan is left. The child also dies when the thread that started it ends, even if the
// program is killed outright. The write end is non-blocking underneath so that a
// player that stops reading cannot hang the writer: write() waits in short polls and gives
// up when asked to or when nothing could be written for too long.
class ProcessPipe {
public:
    ProcessPipe();
    ~ProcessPipe();
    ProcessPipe(const ProcessPipe&) = delete;
    ProcessPipe& operator=(const ProcessPipe&) = delete;

    // extraEnv: "NAME=value" entries added to the inherited environment.
    bool start(const QString& program, const QStringList& arguments,
               const QStringList& extraEnv = {});
    bool running() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }

    enum class WriteResult { Ok, Failed, Aborted, Stalled };
    // Writes all n bytes. Returns early with Aborted when abort() turns true, with Stalled
    // when no byte could be written for stallMs, with Failed when the player is gone (EPIPE).
    WriteResult write(const char* data, std::size_t n, const std::function<bool()>& abort,
                      int stallMs);

    // Kills the process (SIGKILL) and reaps it. Safe from another thread than the writer's:
    // a write in progress then fails with EPIPE. The pipe stays open until closePipe.
    void terminate();
    // Closes our end of the pipe; only by the thread that writes (so the descriptor cannot
    // be reused under a write in progress).
    void closePipe();
    // Reaps the process if it has ended by itself; true when it is gone.
    bool reapIfExited();

private:
    std::atomic<pid_t> pid_{-1};
    std::atomic<int> writeFd_{-1};
};

// A write to a dead player must fail with EPIPE, not end the program; start() makes sure.
void ignoreSigpipe();

} // namespace platform
