#include "platform/urlcheck.h"

#include <QString>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

TEST(UrlCheck, AcceptsWebAddressesOnly)
{
    const struct {
        QString url;
        bool valid;
    } rows[] = {
        {u"http://192.0.2.1/"_s, true},
        {u"http://192.0.2.1"_s, true},
        {u"https://radio.example.org/live"_s, true},
        {u"http://127.0.0.1:8000/stream.mp3"_s, true},
        {u"https://radio.example.org:8443/path/to/mount?id=5&x=y"_s, true},
        {u"HTTP://RADIO.EXAMPLE.ORG/A"_s, true},
        {QString(), false},
        {u"http://"_s, false},
        {u"https://"_s, false},
        {u"not a url"_s, false},
        {u"radio.example.org/live"_s, false},
        {u"http://radio example.org/"_s, false},
        {u"http://radio.example.org/a b"_s, false},
        {u" http://radio.example.org/"_s, false},
        {u"http://radio.example.org:99999/"_s, false},
        {u"http://radio.example.org:port/"_s, false},
    };
    for (const auto& r : rows)
        EXPECT_EQ(platform::isValidUrl(r.url), r.valid) << r.url.toStdString();
}

} // namespace
