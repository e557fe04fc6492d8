#include "directory/directoryclient.h"

#include "app/cappedsink.h"

#include <QHostAddress>
#include <QHostInfo>
#include <algorithm>
#include <curl/curl.h>
#include <memory>
#include <random>

DirectoryClient::DirectoryClient(QByteArray userAgent, QString server, QObject* parent)
    : QObject(parent), userAgent_(std::move(userAgent))
{
    curl_global_init(CURL_GLOBAL_ALL);
    while (server.endsWith(u'/'))
        server.chop(1);
    if (!server.isEmpty())
        servers_.push_back({server.toUtf8(), {}});
    multi_ = curl_multi_init();
    worker_ = std::thread([this] { workerLoop(); });
}

DirectoryClient::~DirectoryClient()
{
    for (int id : std::as_const(lookups_))
        QHostInfo::abortHostLookup(id);
    {
        std::lock_guard lock(mutex_);
        quitting_ = true;
    }
    wake_.notify_all();
    if (multi_)
        curl_multi_wakeup(multi_);
    worker_.join();
    if (multi_)
        curl_multi_cleanup(multi_);
}

// ---- GUI thread ---------------------------------------------------------------------------

void DirectoryClient::search(const DirectoryQuery& query, int offset, Done done)
{
    cancel();
    searching_ = true;
    submit({searchPath(query, offset), ++serial_, {}, std::move(done)});
}

void DirectoryClient::click(const QString& uuid)
{
    if (!uuid.trimmed().isEmpty())
        submit({clickPath(uuid), 0, {}, {}});
}

void DirectoryClient::cancel()
{
    searching_ = false;
    cancelledUpTo_ = serial_;
    std::erase_if(waiting_, [](const Job& job) { return job.serial != 0; });
    if (multi_)
        curl_multi_wakeup(multi_);
}

void DirectoryClient::submit(Job job)
{
    if (servers_.empty()) {
        waiting_.push_back(std::move(job));
        startDiscovery();
        return;
    }
    job.servers = servers_;
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void DirectoryClient::startDiscovery()
{
    if (discovering_)
        return;
    discovering_ = true;
    const QString name = QString::fromLatin1(kDiscoveryName);
    lookups_ << QHostInfo::lookupHost(name, this, [this](const QHostInfo& found) {
        lookups_.removeOne(found.lookupId());
        const QList<QHostAddress> addresses = found.addresses();
        if (addresses.isEmpty()) {
            discovered({}, {});
            return;
        }
        // Each address is named by its reverse lookup, so that its certificate matches.
        auto names = std::make_shared<QList<QByteArray>>();
        auto ips = std::make_shared<QList<QString>>();
        auto left = std::make_shared<qsizetype>(addresses.size());
        for (const QHostAddress& address : addresses) {
            const QString ip = address.toString();
            lookups_ << QHostInfo::lookupHost(ip, this, [=, this](const QHostInfo& reverse) {
                lookups_.removeOne(reverse.lookupId());
                const QString host = reverse.hostName();
                const bool named = reverse.error() == QHostInfo::NoError &&
                                   QHostAddress(host).isNull() && host.contains(u'.');
                names->push_back(named ? host.toUtf8() : QByteArray(kDiscoveryName));
                ips->push_back(ip);
                if (--*left == 0)
                    discovered(*names, *ips);
            });
        }
    });
}

void DirectoryClient::discovered(const QList<QByteArray>& names, const QList<QString>& addresses)
{
    discovering_ = false;
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString& ip = addresses[i];
        const QByteArray pinned = ip.contains(u':') ? '[' + ip.toLatin1() + ']' : ip.toLatin1();
        servers_.push_back({"https://" + names[i], names[i] + ":443:" + pinned});
    }
    std::shuffle(servers_.begin(), servers_.end(), std::mt19937(std::random_device{}()));
    // Without any address the name is left to libcurl, which then reports why it failed.
    if (servers_.empty())
        servers_.push_back({QByteArray("https://") + kDiscoveryName, {}});
    std::vector<Job> jobs;
    jobs.swap(waiting_);
    for (Job& job : jobs)
        submit(std::move(job));
}

void DirectoryClient::report(quint64 serial, const Done& done, Outcome outcome)
{
    auto shared = std::make_shared<Outcome>(std::move(outcome));
    QMetaObject::invokeMethod(
        this,
        [this, serial, done, shared] {
            if (serial != serial_ || !searching_)
                return;
            searching_ = false;
            done(std::move(*shared));
        },
        Qt::QueuedConnection);
}

// ---- worker thread --------------------------------------------------------------------------

bool DirectoryClient::abandoned(quint64 serial) const
{
    return quitting_ || (serial != 0 && serial <= cancelledUpTo_);
}

void DirectoryClient::workerLoop()
{
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return quitting_ || !queue_.empty(); });
            if (quitting_)
                return;
            job = std::move(queue_.front());
            queue_.pop_front();
        }
        run(job);
    }
}

void DirectoryClient::run(Job& job)
{
    Outcome outcome;
    outcome.failure = Failure::NoConnection;
    for (const Server& server : job.servers) {
        if (abandoned(job.serial))
            return;
        Transfer t = perform(server, job.path, job.serial);
        if (t.abandoned)
            return;
        outcome.httpStatus = 0;
        if (t.tooLarge) {
            outcome.failure = Failure::TooLarge;
            break;
        }
        if (t.curlCode == CURLE_OK && t.status >= 200 && t.status < 300) {
            if (job.serial == 0)
                return; // a click: the answer says nothing the program needs
            std::optional<std::vector<DirectoryStation>> stations = parseSearchAnswer(t.body);
            outcome.failure = stations ? Failure::None : Failure::BadAnswer;
            if (stations)
                outcome.stations = std::move(*stations);
            break;
        }
        if (t.curlCode == CURLE_OK) {
            outcome.failure = Failure::NoAnswer;
            outcome.httpStatus = int(t.status);
            // A refusal of this request is the same on every server; a failing server is not.
            if (t.status < 500)
                break;
            continue;
        }
        outcome.failure = t.connected ? Failure::NoAnswer : Failure::NoConnection;
    }
    if (job.serial != 0)
        report(job.serial, job.done, std::move(outcome));
}

DirectoryClient::Transfer DirectoryClient::perform(const Server& server, const QByteArray& path,
                                                   quint64 serial)
{
    Transfer t;
    t.curlCode = CURLE_FAILED_INIT;
    CURL* curl = curl_easy_init();
    if (!curl || !multi_)
        return t;
    const QByteArray url = server.base + path;
    CappedSink sink{&t.body, kMaxAnswerBytes};
    curl_slist* resolve =
        server.resolve.isEmpty() ? nullptr : curl_slist_append(nullptr, server.resolve.constData());
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, userAgent_.constData());
    curl_easy_setopt(curl, CURLOPT_RESOLVE, resolve);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, kTotalTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(kMaxAnswerBytes));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, CappedSink::append);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    curl_multi_add_handle(multi_, curl);
    int running = 1;
    while (running > 0 && !abandoned(serial)) {
        if (curl_multi_perform(multi_, &running) != CURLM_OK)
            break;
        if (running > 0)
            curl_multi_poll(multi_, nullptr, 0, 1000, nullptr);
    }
    t.abandoned = abandoned(serial);
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
        if (message->msg == CURLMSG_DONE)
            t.curlCode = message->data.result;
    }
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &t.status);
    curl_off_t connectTime = 0;
    curl_easy_getinfo(curl, CURLINFO_CONNECT_TIME_T, &connectTime);
    t.connected = connectTime > 0 || t.status > 0;
    t.tooLarge = sink.tooLarge || t.curlCode == CURLE_FILESIZE_EXCEEDED;
    curl_multi_remove_handle(multi_, curl);
    curl_easy_cleanup(curl);
    curl_slist_free_all(resolve);
    return t;
}
