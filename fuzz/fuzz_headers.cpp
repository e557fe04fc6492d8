#include "app/cutil.h"
#include "fuzz/fuzzcheck.h"
#include "stream/headerparser.h"

#include <QByteArrayView>
#include <QString>
#include <algorithm>
#include <cstdint>

namespace {

// atoi as the parser means it, saturated at the 32-bit range instead of overflowing.
std::int64_t referenceDecimal(QByteArrayView s)
{
    qsizetype i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    std::int64_t v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i)
        v = std::min<std::int64_t>(v * 10 + (s[i] - '0'), 0x7FFFFFFF);
    return negative ? -v : v;
}

bool isBlankByte(char c)
{
    return c == ' ' || c == '\t';
}

void checkHeaderValue(QByteArrayView text, QByteArrayView name)
{
    const QByteArray v = headerValue(text, name);
    if (v.isEmpty())
        return;
    fuzzCheck(!v.contains('\r') && !v.contains('\n'), "a header value is one line");
    fuzzCheck(!isBlankByte(v.front()) && !isBlankByte(v.back()), "a header value is trimmed");
    fuzzCheck(text.toByteArray().contains(v), "a header value comes from the text");
}

void checkContentType(const QString& type)
{
    const ContentFormat f = contentTypeToFormat(type);
    fuzzCheck(f.formatCode >= 0 && f.formatCode <= 8, "a format code is 0-8");
    fuzzCheck(f.formatCode != FormatAc3, "no content type gives AC3");
    if (f.formatCode == 0) {
        fuzzCheck(f.fileExtension == u"nok" && f.contentType == u"not_valid",
                  "an unknown type is not_valid with extension nok");
        return;
    }
    fuzzCheck(f.contentType == type, "a known type is kept as it came");
    const QString& e = f.fileExtension;
    fuzzCheck(e == u"mp3" || e == u"aac" || e == u"flac" || e == u"ogg" || e == u"wav",
              "a known type has a recording extension");
}

void checkStationName(const QString& text)
{
    const QString name = cleanStationName(text);
    fuzzCheck(name.size() <= text.size(), "cleaning does not grow a name");
    if (name.isEmpty())
        return;
    fuzzCheck(name.front().isLetterOrNumber(), "a clean name begins with a letter or digit");
    QString flat = text;
    for (QChar& c : flat) {
        if (c.unicode() < 0x20)
            c = u' ';
    }
    fuzzCheck(flat.contains(name), "a clean name is part of the text, line breaks as blanks");
    fuzzCheck(std::none_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x20; }) &&
                  !name.contains(u"http", Qt::CaseInsensitive),
              "a clean name is one line without an http");
    for (QStringView junk :
         {u"no name", u"noname", u"unknown", u"My Station Name", u"My Server Name"})
        fuzzCheck(!name.contains(junk), "a clean name holds no junk word");
}

} // namespace

// The input is a header text as the worker collects it; bytes after a zero byte, when there
// is one, are the station URL the headers came from, and bytes after a second zero byte the
// first body block.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype zero = input.indexOf('\0');
    const QByteArrayView text = zero >= 0 ? input.first(zero) : input;
    const qsizetype second = zero >= 0 ? input.indexOf('\0', zero + 1) : -1;
    const QByteArrayView body = second >= 0 ? input.sliced(second + 1) : QByteArrayView();
    const QString stationUrl =
        zero >= 0 ? CUtil::ToWide(
                        input.sliced(zero + 1, (second >= 0 ? second : input.size()) - zero - 1))
                  : QStringLiteral("http://127.0.0.1:8000/live.mp3");

    const HeaderParse r = parseHeaders(text, stationUrl, QStringLiteral("2024-05-17 12:00"), body);
    fuzzCheck(r.formatCode >= 0 && r.formatCode <= 8, "the format code is 0-8");
    fuzzCheck(r.metaInterval == referenceDecimal(headerValue(text, "icy-metaint")),
              "the metadata interval is icy-metaint within the 32-bit range");
    fuzzCheck(r.metaintTooLarge == (r.metaInterval > kMaxMetaInterval),
              "only an interval above the limit is refused");
    if (r.metaintTooLarge)
        fuzzCheck(!r.audio && !r.playlist && r.icyHeadersSeen,
                  "a refused interval is neither audio nor playlist, and was an ICY header");
    else
        fuzzCheck(r.info.stationName.size() > 2, "a parsed answer always has a name");
    fuzzCheck(!(r.audio && r.playlist), "audio and playlist exclude each other");
    if (r.audio) {
        fuzzCheck(r.formatCode > 0, "audio has a format");
        fuzzCheck(r.contentTypeCount == 1, "audio counts the one type that decided");
        fuzzCheck(contentTypeToFormat(r.info.contentType).formatCode == r.formatCode,
                  "the kept content type gives the format");
    } else {
        fuzzCheck(r.formatCode == 0 && r.contentTypeCount == 0, "no format without audio");
    }
    streamInformationText(r.info, r.sampleRate, r.vbr, r.statedBitRate, r.channels, r.metaInterval,
                          r.formatCode);

    for (QByteArrayView name :
         {"icy-name", "icy-metaint", "Content-Type", "ice-samplerate", "ice-audio-info", "icy-br"})
        checkHeaderValue(text, name);
    fuzzCheck(decimalValue(text) == referenceDecimal(text), "decimalValue saturates like atoi");

    checkContentType(QString::fromLatin1(text));
    checkStationName(CUtil::ToWide(text));
    checkStationName(CUtil::DecodeText(text));
    fuzzCheck(nameFromHeadersOrUrl(text, stationUrl).size() > 2, "a fallback name is never short");
    return 0;
}
