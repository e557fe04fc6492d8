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

} // namespace platform
