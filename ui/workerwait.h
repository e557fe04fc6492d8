#pragma once

#include <atomic>

// Counts the workers blocked on a call into the GUI thread (a sent message, a box shown for
// them, a list update). Any thread. Code below such a call must not wait for that worker:
// the window's exit sequence checks this first.
class WorkerWait {
public:
    WorkerWait() { ++count_; }
    ~WorkerWait() { --count_; }
    WorkerWait(const WorkerWait&) = delete;
    WorkerWait& operator=(const WorkerWait&) = delete;

    static bool any() { return count_.load() > 0; }

private:
    static inline std::atomic<int> count_{0};
};
