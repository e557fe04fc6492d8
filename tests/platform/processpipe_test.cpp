#include "platform/processpipe.h"

#include <QElapsedTimer>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>

namespace {

// True once pid has ended (a zombie waiting for its reaper counts as ended).
bool ended(pid_t pid)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/stat", int(pid));
    FILE* f = std::fopen(path, "r");
    if (!f)
        return true;
    int readPid = 0;
    char comm[256] = {}, state = 0;
    const int n = std::fscanf(f, "%d %255s %c", &readPid, comm, &state);
    std::fclose(f);
    return n != 3 || state == 'Z' || state == 'X';
}

} // namespace

// The player must not play on when what started it is gone, whatever the way it went: here
// the starting thread ends without a word, as it does when the program is killed.
TEST(ProcessPipe, ChildDiesWithTheThreadThatStartedIt)
{
    pid_t child = -1;
    platform::ProcessPipe* leaked = new platform::ProcessPipe; // never terminated by us
    std::thread starter([&] {
        ASSERT_TRUE(leaked->start(QStringLiteral("/bin/sleep"), {QStringLiteral("30")}));
        child = leaked->pid();
    });
    starter.join();
    ASSERT_GT(child, 0);
    QElapsedTimer t;
    t.start();
    while (!ended(child) && t.elapsed() < 2000)
        QThread::msleep(10);
    EXPECT_TRUE(ended(child)) << "the child outlived its thread";
    EXPECT_LT(t.elapsed(), 1000);
    leaked->terminate(); // reaps it
    delete leaked;

    // A program that cannot be run is reported at once, as before.
    platform::ProcessPipe missing;
    EXPECT_FALSE(missing.start(QStringLiteral("/nonexistent/player"), {}));
    EXPECT_FALSE(missing.running());
}
