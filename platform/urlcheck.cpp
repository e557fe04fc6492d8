#include "platform/urlcheck.h"

#include <curl/curl.h>

#include <algorithm>

namespace platform {

bool isValidUrl(const QString& url)
{
    if (url.isEmpty())
        return false;
    CURLU* handle = curl_url();
    if (!handle)
        return false;
    const QByteArray utf8 = url.toUtf8();
    const bool ok = curl_url_set(handle, CURLUPART_URL, utf8.constData(), 0) == CURLUE_OK;
    curl_url_cleanup(handle);
    return ok;
}

namespace {

// Empty when absent, and when not UTF-8 (a percent-encoded host is handed back decoded).
QString part(CURLU* handle, CURLUPart which)
{
    char* text = nullptr;
    if (curl_url_get(handle, which, &text, 0) != CURLUE_OK)
        return {};
    const QByteArray bytes(text);
    curl_free(text);
    QString value = QString::fromUtf8(bytes);
    return value.toUtf8() == bytes ? value : QString();
}

// A control character (the parser stops at a zero byte and lets others through).
bool hasControl(QStringView text)
{
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
}

} // namespace

ParsedUrl resolveUrl(const QString& base, const QString& reference)
{
    if (reference.isEmpty() || hasControl(reference))
        return {};
    CURLU* handle = curl_url();
    if (!handle)
        return {};
    ParsedUrl parsed;
    const QByteArray baseUtf8 = base.toUtf8();
    // The parser takes a blank in a relative reference but not in an absolute one.
    const QByteArray referenceUtf8 = reference.toUtf8().replace(' ', "%20");
    // A base that does not parse leaves the handle empty: only an absolute reference parses.
    if (!base.isEmpty())
        curl_url_set(handle, CURLUPART_URL, baseUtf8.constData(), 0);
    if (curl_url_set(handle, CURLUPART_URL, referenceUtf8.constData(), 0) == CURLUE_OK) {
        parsed.url = part(handle, CURLUPART_URL);
        parsed.scheme = part(handle, CURLUPART_SCHEME).toLower();
        parsed.path = part(handle, CURLUPART_PATH);
    }
    curl_url_cleanup(handle);
    if (parsed.url.isEmpty())
        return {};
    // Whatever the parser let through, an address with a blank is no address to fetch.
    if (hasControl(parsed.url) || parsed.url.contains(u' '))
        return {};
    return parsed;
}

} // namespace platform
