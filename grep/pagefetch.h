#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <thread>

// Downloads one web page for the Grep Tool on a thread of its own, so that the dialog stays
// responsive and a server that never answers can be given up. Redirects are followed (http
// and https only, at most 10), an error status fails the fetch, and a page over kMaxBytes is
// refused. start, done, cancel and the results belong to the GUI thread; the worker writes
// the results only before it raises done.
class PageFetch {
public:
    static constexpr qsizetype kMaxBytes = 64 * 1024 * 1024;

    PageFetch() = default;
    ~PageFetch();
    PageFetch(const PageFetch&) = delete;
    PageFetch& operator=(const PageFetch&) = delete;

    void start(const QByteArray& url);
    bool done() const { return done_; }
    bool running() const { return thread_.joinable() && !done_; }
    // Makes a running transfer give up at its next progress call; wait() then returns soon.
    void cancel() { cancel_ = true; }
    // Joins the worker once done.
    void wait();

    // After done: the page, or the reason it could not be had (libcurl's own text).
    bool ok = false;
    QByteArray body;
    QString error;

    // How long a connection may take, and the least transfer speed held for lowSpeedSeconds.
    long connectTimeoutSeconds = 20;
    long lowSpeedSeconds = 20;

private:
    void run(QByteArray url);

    std::thread thread_;
    std::atomic<bool> done_{false};
    std::atomic<bool> cancel_{false};
};
