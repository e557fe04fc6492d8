#include "stream/headerparser.h"

#include "app/cutil.h"
#include "platform/urlcheck.h"
#include "stations/formats.h"
#include "stations/listline.h"
#include "stations/playlistfile.h"
#include "stream/probe.h"

#include <optional>

namespace {

bool isLineBreak(char c)
{
    return c == '\r' || c == '\n';
}

QByteArrayView trimmedBytes(QByteArrayView s)
{
    while (!s.isEmpty() && (s.front() == ' ' || s.front() == '\t'))
        s = s.sliced(1);
    while (!s.isEmpty() && (s.back() == ' ' || s.back() == '\t'))
        s.chop(1);
    return s;
}

bool containsNoCase(const QString& text, QStringView part)
{
    return text.contains(part, Qt::CaseInsensitive);
}

// Each occurrence of name as a header or an ice-audio-info key, in order.
template <typename F> void forEachValue(QByteArrayView text, QByteArrayView name, F f)
{
    const QByteArray lower = text.toByteArray().toLower();
    const QByteArray key = name.toByteArray().toLower();
    qsizetype from = 0;
    while (true) {
        const qsizetype found = QByteArrayView(lower).indexOf(key, from);
        if (found < 0)
            return;
        from = found + 1;
        const char before = found > 0 ? text[found - 1] : '\n';
        if (!isLineBreak(before) && before != ';' && before != ' ' && before != ':')
            continue;
        qsizetype p = found + key.size();
        while (p < text.size() && (text[p] == ' ' || text[p] == '\t'))
            ++p;
        if (p >= text.size() || (text[p] != ':' && text[p] != '='))
            continue;
        const bool inList = text[p] == '='; // a key of ice-audio-info ends at ';'
        ++p;
        qsizetype e = p;
        while (e < text.size() && !isLineBreak(text[e]) && !(inList && text[e] == ';'))
            ++e;
        if (!f(trimmedBytes(text.sliced(p, e - p))))
            return;
    }
}

// The content type of the last response of a redirect chain, the one whose body arrived.
QByteArray lastContentType(QByteArrayView headerText)
{
    while (!headerText.isEmpty() && isLineBreak(headerText.back()))
        headerText.chop(1);
    const qsizetype crlf = headerText.lastIndexOf("\r\n\r\n");
    const qsizetype lf = headerText.lastIndexOf("\n\n");
    const qsizetype start = std::max(crlf < 0 ? 0 : crlf + 4, lf < 0 ? 0 : lf + 2);
    return headerValue(headerText.sliced(start), "Content-Type");
}

// Plain web servers send a file they know nothing about under these, whatever it holds.
bool isGenericType(const QByteArray& type)
{
    const qsizetype semicolon = type.indexOf(';');
    const QByteArray media = (semicolon < 0 ? type : type.left(semicolon)).trimmed().toLower();
    return media.isEmpty() || media == "application/octet-stream" || media == "binary/octet-stream";
}

} // namespace

QByteArray headerValue(QByteArrayView headerText, QByteArrayView name)
{
    QByteArray value;
    forEachValue(headerText, name, [&](QByteArrayView v) {
        if (v.isEmpty())
            return true;
        value = v.toByteArray();
        return false;
    });
    return value;
}

std::int32_t decimalValue(QByteArrayView text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    std::int64_t v = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        v = std::min<std::int64_t>(v * 10 + (text[i] - '0'), 0x7FFFFFFF);
        ++i;
    }
    return std::int32_t(negative ? -v : v);
}

bool isJunkStationName(QStringView name)
{
    // Exactly as written: "Unknown Pleasures FM" or "NoName Radio" are real names.
    for (QStringView junk :
         {u"no name", u"noname", u"unknown", u"My Station Name", u"My Server Name"}) {
        if (name.contains(junk))
            return true;
    }
    return false;
}

QString cleanStationName(const QString& text)
{
    // The name goes into the list file, where it must stay on its line, before the URL.
    const QString oneLine = listSafeName(text);
    QStringView s(oneLine);
    while (!s.isEmpty() && listchars::inSetA(s.front()))
        s = s.sliced(1);
    if (isJunkStationName(s))
        return {};
    QString name = s.toString();
    if (name.size() > 60) {
        for (qsizetype i = std::min<qsizetype>(66, name.size() - 1); i > 0; --i) {
            if (listchars::inSetB(name[i])) {
                name.truncate(i);
                break;
            }
        }
    }
    qsizetype start = 0;
    if (start < name.size() && name[start] == u'#')
        ++start;
    while (start < name.size() && !name[start].isLetterOrNumber())
        ++start;
    return listSafeName(QStringView(name).sliced(start));
}

QString nameFromHeadersOrUrl(QByteArrayView headerText, const QString& stationUrl)
{
    const qsizetype id = headerText.indexOf("stationid=");
    if (id >= 0) {
        qsizetype e = id + 10;
        while (e < headerText.size() && !QByteArrayView("\r\n;&\"',<>").contains(headerText[e]))
            ++e;
        const QString name = CUtil::ToWide(trimmedBytes(headerText.sliced(id + 10, e - id - 10)));
        if (name.size() > 2)
            return name;
    }
    QString rest = stationUrl;
    const qsizetype scheme = rest.indexOf(QStringLiteral("://"));
    if (scheme >= 0)
        rest = rest.mid(scheme + 3);
    const qsizetype slash = rest.lastIndexOf(u'/');
    if (slash >= 0)
        rest = rest.mid(slash + 1);
    if (rest.size() >= 4 && rest[rest.size() - 4] == u'.' &&
        rest[rest.size() - 1].isLetterOrNumber() && rest[rest.size() - 2].isLetterOrNumber() &&
        rest[rest.size() - 3].isLetterOrNumber())
        rest.chop(4);
    return rest.size() < 3 ? QStringLiteral("No Name") : rest;
}

ContentFormat contentTypeToFormat(const QString& type)
{
    struct Row {
        const char16_t* part;
        std::int32_t code;
        const char16_t* extension;
    };
    static constexpr Row rows[] = {
        {u"mp3", FormatMp3, u"mp3"},   {u"mpeg", FormatMp3, u"mp3"},
        {u"aac", FormatAac, u"aac"},   {u"flac", FormatFlac, u"flac"},
        {u"ogg", FormatOgg, u"ogg"},   {u"vorbis", FormatVorbis, u"ogg"},
        {u"opus", FormatOpus, u"ogg"}, {u"wav", FormatWav, u"wav"},
    };
    for (const Row& r : rows) {
        if (containsNoCase(type, r.part))
            return {r.code, QString::fromUtf16(r.extension), type};
    }
    return {};
}

HeaderParse parseHeaders(QByteArrayView headerText, const QString& stationUrl,
                         const QString& dateText, QByteArrayView firstBytes)
{
    HeaderParse r;
    r.info.dateText = dateText;
    // Every ICY or Icecast header found tells that the server speaks ICY, even when its
    // answer turns out not to be playable.
    const auto icy = [&](QByteArrayView name) {
        QByteArray value = headerValue(headerText, name);
        if (!value.isEmpty())
            r.icyHeadersSeen = true;
        return value;
    };

    const QByteArray url = icy("icy-url");
    r.info.webAddress = url.isEmpty() ? stationUrl : CUtil::ToWide(url);

    bool nameFound = false;
    const QByteArray name = headerValue(headerText, "icy-name");
    if (!name.isEmpty()) {
        r.info.stationName = cleanStationName(CUtil::DecodeText(name));
        if (r.info.stationName.size() > 2) {
            r.icyHeadersSeen = true;
            nameFound = true;
        }
    }
    const auto separatorsStripped = [](const QByteArray& v) {
        QString s = CUtil::DecodeText(v);
        qsizetype i = 0;
        while (i < s.size() && listchars::inSetA(s[i]))
            ++i;
        return s.mid(i);
    };
    if (const QByteArray genre = icy("icy-genre"); !genre.isEmpty())
        r.info.genre = separatorsStripped(genre);
    if (const QByteArray description = icy("icy-description"); !description.isEmpty())
        r.info.description = separatorsStripped(description);

    QByteArray rate = icy("icy-samplerate");
    if (rate.isEmpty())
        rate = icy("ice-samplerate");
    if (const QByteArray sr = icy("icy-sr"); !sr.isEmpty())
        rate = sr;
    if (!rate.isEmpty())
        r.sampleRate = decimalValue(rate);

    QByteArray br = icy("icy-br");
    if (br.isEmpty())
        br = icy("ice-bitrate");
    if (!br.isEmpty())
        r.statedBitRate = decimalValue(br);

    if (const QByteArray metaint = icy("icy-metaint"); !metaint.isEmpty())
        r.metaInterval = decimalValue(metaint);
    if (r.metaInterval > kMaxMetaInterval) {
        r.metaintTooLarge = true;
        return r;
    }

    QByteArray channels = icy("ice_channels");
    if (channels.isEmpty())
        channels = icy("ice-channels");
    if (!channels.isEmpty())
        r.channels = decimalValue(channels);
    if (r.statedBitRate == 0)
        r.statedBitRate = decimalValue(icy("ice-bitrate"));
    if (r.sampleRate == 0)
        r.sampleRate = decimalValue(icy("ice-samplerate"));

    if (!nameFound)
        r.info.stationName = nameFromHeadersOrUrl(headerText, stationUrl);

    bool decided = false;
    forEachValue(headerText, "Content-Type", [&](QByteArrayView v) {
        if (v.isEmpty())
            return true;
        const QString type = QString::fromLatin1(v);
        if (containsNoCase(type, u"mpegurl") || containsNoCase(type, u"x-scpls")) {
            r.playlist = true;
            decided = true;
            return false;
        }
        const ContentFormat f = contentTypeToFormat(type);
        if (f.formatCode > 0) {
            r.formatCode = f.formatCode;
            r.info.fileExtension = f.fileExtension;
            r.info.contentType = f.contentType;
            ++r.contentTypeCount;
            r.audio = true;
            decided = true;
            return false;
        }
        return true;
    });
    if (!decided && !firstBytes.isEmpty()) {
        const QByteArray served = lastContentType(headerText);
        const int code =
            isGenericType(served)
                ? formatFromBytes(reinterpret_cast<const unsigned char*>(firstBytes.data()),
                                  int(std::min<qsizetype>(firstBytes.size(), 1 << 20)))
                : 0;
        if (code > 0) {
            r.formatCode = code;
            r.info.fileExtension = isOggFamily(code) ? QStringLiteral("ogg") : formats::name(code);
            r.info.contentType = formats::name(code) + QStringLiteral(" (found in the stream; ") +
                                 (served.isEmpty() ? QStringLiteral("sent without a content type)")
                                                   : QStringLiteral("sent as ") +
                                                         QString::fromLatin1(served) + u')');
            ++r.contentTypeCount;
            r.audio = true;
            decided = true;
        }
    }
    if (!decided) {
        r.info.fileExtension = QStringLiteral("nok");
        r.info.contentType = QStringLiteral("not_valid");
    }
    return r;
}

QString streamInformationText(const StationInfoValues& info, std::int32_t sampleRate,
                              std::int32_t vbr, std::int32_t statedBitRate, std::int32_t channels,
                              std::int32_t metaInterval, std::int32_t formatCode)
{
    QString t = QStringLiteral("\n");
    const auto line = [&t](const QString& label, const QString& value) {
        if (!value.isEmpty())
            t += label + value + u'\n';
    };
    line(QStringLiteral("Date : "), info.dateText);
    line(QStringLiteral("URL : "), info.webAddress);
    line(QStringLiteral("Station : "), info.stationName);
    if (!info.description.isEmpty() && !info.stationName.contains(info.description))
        line(QStringLiteral("Description : "), info.description);
    line(QStringLiteral("Audio format : "), info.contentType);
    line(QStringLiteral("File extension : "), info.fileExtension);
    if (sampleRate > 0)
        t += QStringLiteral("Sampling Rate : %1 sps\n").arg(sampleRate);
    if (vbr)
        t += QStringLiteral("Variable Bit Rate\n");
    else if (statedBitRate > 0)
        t += QStringLiteral("Bit Rate : %1 kbps\n").arg(statedBitRate);
    if (channels > 1)
        t += QStringLiteral("Stereo\n");
    if (metaInterval < 1) {
        if (formatCode == FormatMp3 || formatCode == FormatAac)
            t += QStringLiteral("No IceCast Metadata\n");
    } else {
        t += QStringLiteral("IceCast encapsulation \"metaint\" = %1 Bytes\n").arg(metaInterval);
    }
    return t;
}

PlaylistStep nextFromPlaylist(QByteArrayView playlistText, const QString& playlistUrl,
                              QByteArrayView contentType)
{
    const PlaylistText p =
        readPlaylist(playlistText, contentType.toByteArray().toLower().contains("scpls"));
    if (p.hls)
        return {PlaylistStep::HlsPlaylist, {}};
    const auto follow = [](const QString& base,
                           const QString& entry) -> std::optional<PlaylistStep> {
        const platform::ParsedUrl u = platform::resolveUrl(base, entry);
        if (u.scheme != u"http" && u.scheme != u"https")
            return std::nullopt;
        if (u.path.contains(u".m3u8", Qt::CaseInsensitive))
            return PlaylistStep{PlaylistStep::HlsPlaylist, {}};
        return PlaylistStep{PlaylistStep::NextAddress, u.url};
    };
    for (const PlaylistItem& item : p.items) {
        if (const auto step = follow(playlistUrl, item.location))
            return *step;
    }
    if (p.kind != PlaylistText::M3u || !p.items.empty())
        return {};
    // A text without a playlist's structure: its first "http" outside a comment, up to the
    // line end, ";" or a blank, as such answers have always been read.
    for (const QString& line : p.lines) {
        const qsizetype http = line.indexOf(u"http", 0, Qt::CaseInsensitive);
        if (line.startsWith(u'#') || http < 0)
            continue;
        qsizetype end = http;
        while (end < line.size() && !QStringView(u"; \t").contains(line[end]))
            ++end;
        if (const auto step = follow({}, line.sliced(http, end - http)))
            return *step;
    }
    return {};
}
