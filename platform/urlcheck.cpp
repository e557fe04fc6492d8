#include "platform/urlcheck.h"

#include <curl/curl.h>

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

QString part(CURLU* handle, CURLUPart which)
{
    char* text = nullptr;
    if (curl_url_get(handle, which, &text, 0) != CURLUE_OK)
        return {};
    QString value = QString::fromUtf8(text);
    curl_free(text);
    return value;
}

} // namespace

ParsedUrl resolveUrl(const QString& base, const QString& reference)
{
    if (reference.isEmpty())
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
    // Whatever the parser let through, an address that holds a control character or blank
    // is no address to fetch.
    for (const QChar c : std::as_const(parsed.url)) {
        if (c.unicode() <= 0x20 || c.unicode() == 0x7F)
            return {};
    }
    return parsed;
}

} // namespace platform
