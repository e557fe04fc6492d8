#include "fuzz/fuzzcheck.h"
#include "stream/curlthread.h"
#include "stream/headerparser.h"

#include <QByteArrayView>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The worker keeps at most this much of a playlist body.
    const QByteArrayView text(
        reinterpret_cast<const char*>(data),
        qsizetype(std::min<std::size_t>(size, CCurlThread::kPlaylistSize - 1)));
    const PlaylistStep step = nextFromPlaylist(text);
    const qsizetype http = text.indexOf("http");
    if (http < 0) {
        fuzzCheck(step.kind == PlaylistStep::NoAddress, "no address without http");
        return 0;
    }
    const bool hls = text.sliced(http).indexOf("m3u8") >= 0;
    fuzzCheck((step.kind == PlaylistStep::HlsPlaylist) == hls, "HLS exactly when m3u8 follows");
    if (hls)
        return 0;
    fuzzCheck(step.kind == PlaylistStep::NextAddress, "an http entry is followed");
    const QString& url = step.url;
    fuzzCheck(url.startsWith(u"http"), "the next address begins with http");
    fuzzCheck(url.size() <= text.size() - http, "the next address is not longer than its entry");
    for (const QChar c : url)
        fuzzCheck(!QStringView(u" \t\r\n;").contains(c), "the next address is one word");
    // The same playlist cut after its address leads to the same address.
    const QByteArray again = url.toUtf8();
    if (QString::fromUtf8(again) == url && !again.contains("m3u8"))
        fuzzCheck(nextFromPlaylist(again).url == url, "an address leads to itself");
    return 0;
}
