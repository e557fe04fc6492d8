#include "programme/curlauxthread.h"

#include "app/cappedsink.h"
#include "app/kestrelwaveapp.h"
#include "app/mainwindowport.h"
#include "programme/programmeparser.h"
#include "stream/streamengine.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QThread>
#include <curl/curl.h>

namespace {

struct Abort {
    const std::atomic<bool>* cancel;
    const std::atomic<std::int32_t>* playing;
};

int progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    const auto* abort = static_cast<Abort*>(user);
    return abort->cancel->load() || abort->playing->load() == 0 ? 1 : 0;
}

} // namespace

CCurlAuxThread::CCurlAuxThread(CKestrelwaveApp& app) : app_(app)
{
    curl_global_init(CURL_GLOBAL_ALL);
    clock = [] { return QDateTime::currentSecsSinceEpoch(); };
    recordingSeconds = [this]() -> std::optional<double> {
        return app_.engine ? app_.engine->bridge.recordingSeconds() : std::nullopt;
    };
}

CCurlAuxThread::~CCurlAuxThread()
{
    shutdown();
}

void CCurlAuxThread::show(const QString& text) const
{
    if (MainWindowPort* window = app_.window())
        window->showText(text);
}

bool CCurlAuxThread::startProgrammeInfo(const QString& address)
{
    if (QThread::currentThread() == context_.thread()) {
        startOnGui(address);
    } else {
        QMetaObject::invokeMethod(
            &context_, [this, address] { startOnGui(address); }, Qt::QueuedConnection);
    }
    if (!app_.window() || address.isEmpty())
        return false;
    return ::findProgrammeRow(builtInProgrammeTable(), address.toUtf8()) >= 0;
}

void CCurlAuxThread::stopNextTimer()
{
    QMetaObject::invokeMethod(
        &context_,
        [this] {
            if (view_)
                view_->stopNextProgramme();
        },
        Qt::QueuedConnection);
}

void CCurlAuxThread::startOnGui(const QString& address)
{
    if (!app_.window() || !view_)
        return;
    bool verbose = false;
    if (!address.isEmpty()) {
        lastAddress_ = address;
        verbose = true;
    }
    if (lastAddress_.isEmpty())
        return;
    findAndLoad(lastAddress_.toUtf8(), verbose, [this](int result) {
        if (result >= 0 && view_)
            view_->startProgrammeRefresh();
    });
}

int CCurlAuxThread::loadProgrammeTable()
{
    table = builtInProgrammeTable();
    if (!pageHostForTesting.isEmpty()) {
        for (QByteArray& page : table.pages)
            if (page.startsWith(kPageHost))
                page.replace(0, qsizetype(qstrlen(kPageHost)), pageHostForTesting);
    }
    rowCount = table.rowCount();
    return rowCount;
}

int CCurlAuxThread::findProgrammeRow(const QByteArray& address) const
{
    return ::findProgrammeRow(table, address);
}

void CCurlAuxThread::findAndLoad(const QByteArray& address, bool verbose, Done done)
{
    requestAddress.clear();
    channelName.clear();
    matchedRow = -1;
    if (loadProgrammeTable() == 0)
        return done(-1);
    const int row = findProgrammeRow(address);
    if (row < 0)
        return done(-1);
    matchedRow = row;
    requestAddress = table.pages[std::size_t(row)];
    channelName = table.names[std::size_t(row)];
    if (verbose)
        show(QStringLiteral("\nLoading Page %1\n").arg(QString::fromUtf8(requestAddress)));
    loadPage(requestAddress, [done = std::move(done)](int loaded) { done(loaded == 1 ? 0 : -2); });
}

void CCurlAuxThread::resetTransfer()
{
    bodyText.clear();
    headerText.clear();
    loadedAddress.clear();
    pageTag.clear();
    latestTag.clear();
    curlResult = 7;
    parseResult = 0;
}

void CCurlAuxThread::loadPage(QByteArray address, Done done)
{
    loadDone = 0;
    // A downloaded page is read at the present time, not at a saved page's.
    testFlag = false;
    if (app_.status.playing == 0 || address.isEmpty())
        return done(0);
    // A new page replaces whatever was on its way.
    shutdown();
    resetTransfer();
    requestAddress = address;
    startTransfer(false, address, [this, address, done = std::move(done)] {
        loadDone = 1;
        if (headerText.isEmpty())
            return done(0);
        pageTag.clear();
        const std::optional<QByteArray> tag = entityTag(headerText);
        if (!tag)
            return done(0);
        if (tag->size() < 2) {
            latestTag.clear();
            return done(0);
        }
        pageTag = latestTag = *tag;
        loadedAddress = address;
        parseResult = parseProgrammePage();
        done(1);
    });
}

void CCurlAuxThread::probePage(Done done)
{
    probeDone = 0;
    headerText.clear();
    if (loadedAddress.isEmpty() || app_.status.playing == 0)
        return done(0);
    shutdown();
    startTransfer(true, loadedAddress, [this, done = std::move(done)] {
        probeDone = 1;
        const std::optional<QByteArray> tag = entityTag(headerText);
        if (tag && tag->size() >= 2) {
            latestTag = *tag;
            return done(1);
        }
        if (tag) {
            latestTag.clear();
            pageTag.clear();
        }
        done(0);
    });
}

void CCurlAuxThread::startTransfer(bool headerOnly, QByteArray address, std::function<void()> then)
{
    cancel_ = false;
    const quint64 serial = ++serial_;
    thread_ = std::thread(
        [this, headerOnly, address = std::move(address), serial, then = std::move(then)]() mutable {
            Outcome outcome = perform(headerOnly, address);
            QMetaObject::invokeMethod(
                &context_,
                [this, serial, headerOnly, outcome = std::move(outcome), then = std::move(then)] {
                    // Given up meanwhile (shutdown, or another transfer took its place).
                    if (serial != serial_)
                        return;
                    if (thread_.joinable())
                        thread_.join();
                    // Cut short by a stop: what arrived is no page of the station now played,
                    // and is reported as nothing at all.
                    const bool dropped =
                        outcome.result == CURLE_ABORTED_BY_CALLBACK || app_.status.playing == 0;
                    headerText = dropped ? QByteArray() : outcome.headers;
                    if (!headerOnly)
                        bodyText = dropped ? QByteArray() : outcome.body;
                    curlResult = outcome.result;
                    then();
                },
                Qt::QueuedConnection);
        });
}

CCurlAuxThread::Outcome CCurlAuxThread::perform(bool headerOnly, const QByteArray& address)
{
    Outcome outcome;
    CURL* curl = curl_easy_init();
    if (!curl)
        return outcome;
    CappedSink headers{&outcome.headers, kMaxPageBytes};
    CappedSink body{&outcome.body, kMaxPageBytes};
    Abort abort{&cancel_, &app_.status.playing};
    curl_easy_setopt(curl, CURLOPT_URL, address.constData());
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, CappedSink::append);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &headers);
    if (headerOnly) {
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    } else {
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, CappedSink::append);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    }
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "libcurl-agent/1.0");
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, headerOnly ? 64536L : 500000L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    // A silent or slow server is given up, and so is every transfer once playback stops or
    // the window goes.
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, kTransferTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &abort);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    outcome.result = int(curl_easy_perform(curl));
    curl_easy_cleanup(curl);
    return outcome;
}

void CCurlAuxThread::endPlayback()
{
    shutdown();
    resetTransfer();
    nextLines = {};
    if (view_)
        view_->stopNextProgramme();
}

void CCurlAuxThread::shutdown()
{
    cancel_ = true;
    ++serial_;
    if (thread_.joinable())
        thread_.join();
    cancel_ = false;
}

int CCurlAuxThread::parseProgrammePage()
{
    if (bodyText.isEmpty() || matchedRow < 0 || matchedRow >= table.rowCount())
        return 0;
    const qint64 now = testFlag ? leadingNumber(bodyText) : clock();
    const ProgrammePage page =
        ::parseProgrammePage(bodyText, table.names[std::size_t(matchedRow)], table.names, now);
    if (page.stopNextTimer && view_)
        view_->stopNextProgramme();
    const ProgrammeReport report = programmeReport(page, now, recordingSeconds());
    for (const QString& text : report.texts)
        show(text);
    if (report.nextShown)
        nextLines = report.shownNext;
    if (report.nextTimerMs && view_)
        view_->armNextProgramme(*report.nextTimerMs);
    return (page.current ? 1 : 0) | (page.next ? 2 : 0);
}

void CCurlAuxThread::refreshTick()
{
    if (app_.status.playing == 0 || loadedAddress.isEmpty() || transferRunning())
        return;
    probePage([this](int) {
        if (latestTag == pageTag)
            return;
        loadPage(loadedAddress, [this](int loaded) {
            // Quiet until the next playback starts the lookup again.
            if (loaded == 0)
                resetTransfer();
        });
    });
}

void CCurlAuxThread::announceNext()
{
    for (const QString& text : nextProgrammeAnnouncement(nextLines, recordingSeconds()))
        show(text);
    if (view_)
        view_->stopNextProgramme();
}

void CCurlAuxThread::testSavedPage()
{
    testFlag = true;
    loadProgrammeTable();
    QFile file(QDir::current().filePath(QStringLiteral("LastLoadedPage.txt")));
    bodyText = file.open(QIODevice::ReadOnly) ? file.read(kMaxPageBytes) : QByteArray();
    if (bodyText.isEmpty())
        return;
    matchedRow = 0;
    parseProgrammePage();
}
