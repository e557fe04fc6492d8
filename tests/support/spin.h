#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>

// Handles this thread's events until pred holds or ms have passed: how a test waits for
// work that needs the GUI thread to answer a worker. False on time-out.
inline bool spinUntil(const std::function<bool()>& pred, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}
