#include "grep/pagefetch.h"

#include "app/cappedsink.h"

#include <curl/curl.h>

namespace {

int progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<const std::atomic<bool>*>(user)->load() ? 1 : 0;
}

} // namespace

PageFetch::~PageFetch()
{
    cancel_ = true;
    if (thread_.joinable())
        thread_.join();
}

void PageFetch::start(const QByteArray& url)
{
    wait();
    ok = false;
    body.clear();
    error.clear();
    cancel_ = false;
    done_ = false;
    thread_ = std::thread([this, url] { run(url); });
}

void PageFetch::wait()
{
    if (thread_.joinable())
        thread_.join();
}

void PageFetch::run(QByteArray url)
{
    QByteArray page;
    CappedSink sink{&page, kMaxBytes};
    CURLcode result = CURLE_FAILED_INIT;
    if (CURL* curl = curl_easy_init()) {
        curl_easy_setopt(curl, CURLOPT_URL, url.constData());
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, CappedSink::append);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
        curl_easy_setopt(curl, CURLOPT_USERAGENT, "libcurl-agent/1.0");
        // Most sites send http on to https; other schemes are never followed.
        curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
        curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        // An error page is no page to grep.
        curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
        // A server that stops answering is given up rather than waited for without end.
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, connectTimeoutSeconds);
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, lowSpeedSeconds);
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, progress);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &cancel_);
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        result = curl_easy_perform(curl);
        curl_easy_cleanup(curl);
    }
    ok = result == CURLE_OK;
    if (sink.tooLarge)
        error = QStringLiteral("page larger than %1 MiB").arg(kMaxBytes / (1024 * 1024));
    else if (!ok)
        error = QString::fromUtf8(curl_easy_strerror(result));
    body = std::move(page);
    done_ = true;
}
