#pragma once

// The station directory's client: server discovery and the search and click transfers. Made
// and called on the GUI thread; the transfers run on its own worker thread.

#include "directory/directoryapi.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Talks to the community radio directory. Finds its servers once: the documented DNS name
// looked up with QHostInfo without waiting on the GUI thread (every address, each named by its
// reverse lookup, in random order), or the one server KESTREL_DIRECTORY_URL names. Each request
// then runs on the client's worker thread with libcurl: 10 s to connect, 30 s in all, 16 MiB
// per answer, the next server after one that fails. A search's outcome comes back to the GUI
// thread as a queued call. cancel() and the destructor end a running transfer at once: the
// worker's wait for the network is woken, never waited out.
class DirectoryClient : public QObject {
public:
    static constexpr long kConnectTimeoutSeconds = 10;
    static constexpr long kTotalTimeoutSeconds = 30;
    static constexpr qsizetype kMaxAnswerBytes = 16 * 1024 * 1024;
    static constexpr const char* kDiscoveryName = "all.api.radio-browser.info";
    static constexpr const char* kOverrideVariable = "KESTREL_DIRECTORY_URL";

    enum class Failure { None, NoConnection, NoAnswer, BadAnswer, TooLarge };
    struct Outcome {
        Failure failure = Failure::None;
        int httpStatus = 0; // of an answer refused for its status
        std::vector<DirectoryStation> stations;
    };
    using Done = std::function<void(Outcome)>;

    // userAgent: "Kestrelwave/<version>". server: a base address that replaces the discovery,
    // empty to discover.
    DirectoryClient(QByteArray userAgent, QString server, QObject* parent = nullptr);
    ~DirectoryClient() override;
    DirectoryClient(const DirectoryClient&) = delete;
    DirectoryClient& operator=(const DirectoryClient&) = delete;

    // GUI thread. A search replaces the one running; done is called on the GUI thread unless
    // the search is cancelled or replaced first.
    void search(const DirectoryQuery& query, int offset, Done done);
    // GUI thread. The click call for a station played from the directory; nobody waits for it.
    void click(const QString& uuid);
    // GUI thread. The running search ends at once and reports nothing.
    void cancel();
    bool searching() const { return searching_; }

private:
    struct Server {
        QByteArray base;    // "https://de1.api.radio-browser.info", no trailing slash
        QByteArray resolve; // "host:443:address" for CURLOPT_RESOLVE, empty for none
    };
    struct Job {
        QByteArray path;
        quint64 serial = 0; // 0: a click, which no cancel ends
        std::vector<Server> servers;
        Done done;
    };
    struct Transfer {
        int curlCode = 0;
        long status = 0;
        bool connected = false;
        bool tooLarge = false;
        bool abandoned = false;
        QByteArray body;
    };

    void startDiscovery();
    void discovered(const QList<QByteArray>& names, const QList<QString>& addresses);
    void submit(Job job);
    void workerLoop();
    void run(Job& job);
    Transfer perform(const Server& server, const QByteArray& path, quint64 serial);
    bool abandoned(quint64 serial) const;
    void report(quint64 serial, const Done& done, Outcome outcome);

    const QByteArray userAgent_;
    std::vector<Server> servers_; // GUI thread; empty until discovered
    bool discovering_ = false;
    std::vector<Job> waiting_; // jobs that came before the servers were known
    QList<int> lookups_;       // host lookups still running
    quint64 serial_ = 0;       // GUI thread: the latest search
    bool searching_ = false;

    void* multi_ = nullptr; // the worker's libcurl multi handle, woken by cancel
    std::thread worker_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> queue_; // under mutex_
    std::atomic<quint64> cancelledUpTo_{0};
    std::atomic<bool> quitting_{false};
};
