#include "fuzz/fuzzcheck.h"
#include "platform/urlcheck.h"
#include "stream/curlthread.h"
#include "stream/headerparser.h"

#include <QByteArrayView>
#include <cstdint>

namespace {

const QString kBase = QStringLiteral("http://127.0.0.1:8000/lists/radio.m3u");

// The path of an absolute address as written: after the authority, before "?" or "#".
QString pathOf(const QString& url)
{
    const qsizetype authority = url.indexOf(u"://") + 3;
    qsizetype begin = authority;
    while (begin < url.size() && !QStringView(u"/?#").contains(url[begin]))
        ++begin;
    qsizetype end = begin;
    while (end < url.size() && url[end] != u'?' && url[end] != u'#')
        ++end;
    return url.sliced(begin, end - begin);
}

} // namespace

// The first byte chooses the answer's content type; the rest is the playlist body, as much
// of it as the worker keeps.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const char* const types[] = {"audio/x-mpegurl", "audio/x-scpls",
                                 "application/vnd.apple.mpegurl", ""};
    const QByteArrayView type(types[data[0] % 4]);
    const QByteArrayView text(
        reinterpret_cast<const char*>(data + 1),
        qsizetype(std::min<std::size_t>(size - 1, CCurlThread::kPlaylistSize - 1)));
    const PlaylistStep step = nextFromPlaylist(text, kBase, type);

    // Made all comments, the same lines give no address.
    QByteArray commented = "#";
    for (const char c : text)
        commented += c == '\n' || c == '\r' ? QByteArray(1, c) + '#' : QByteArray(1, c);
    fuzzCheck(nextFromPlaylist(commented, kBase, type).kind != PlaylistStep::NextAddress,
              "no entry from a comment line");

    if (step.kind != PlaylistStep::NextAddress) {
        fuzzCheck(step.url.isEmpty(), "only an address to follow has one");
        return 0;
    }
    const QString& url = step.url;
    fuzzCheck(url.startsWith(u"http://") || url.startsWith(u"https://"),
              "an entry is an absolute http(s) address");
    fuzzCheck(platform::isValidUrl(url), "an entry parses as an address");
    for (const QChar c : url)
        fuzzCheck(c.unicode() > 0x20 && c.unicode() != 0x7F, "an entry is one word");
    fuzzCheck(!pathOf(url).contains(u".m3u8", Qt::CaseInsensitive),
              "an HLS playlist is never followed");
    // An address alone leads to itself.
    const PlaylistStep again = nextFromPlaylist(url.toUtf8(), kBase, "audio/x-mpegurl");
    fuzzCheck(again.kind == PlaylistStep::NextAddress && again.url == url,
              "an address leads to itself");
    return 0;
}
