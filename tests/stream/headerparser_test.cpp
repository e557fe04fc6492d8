#include "stream/headerparser.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QString kUrl = QStringLiteral("http://127.0.0.1:8000/live/jazz.mp3");

HeaderParse parse(const QByteArray& headers)
{
    return parseHeaders(headers, kUrl, QStringLiteral("26-12-08@12h00"));
}

} // namespace

TEST(HeaderParser, IcecastHeadersFillTheRecords)
{
    const HeaderParse h =
        parse("HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\nicy-name:Jazz &amp; Blues FM\r\n"
              "icy-genre: ;Jazz\r\nicy-description:All jazz\r\nicy-url:http://jazz.example\r\n"
              "icy-br:128\r\nicy-sr:44100\r\nicy-metaint:16000\r\n"
              "ice-audio-info: ice-samplerate=48000;ice-bitrate=96;ice-channels=2\r\n\r\n");
    EXPECT_TRUE(h.audio);
    EXPECT_FALSE(h.playlist);
    EXPECT_TRUE(h.icyHeadersSeen);
    EXPECT_EQ(h.formatCode, FormatMp3);
    EXPECT_EQ(h.info.fileExtension, QStringLiteral("mp3"));
    EXPECT_EQ(h.info.contentType, QStringLiteral("audio/mpeg"));
    EXPECT_EQ(h.info.stationName, QStringLiteral("Jazz & Blues FM"));
    EXPECT_EQ(h.info.genre, QStringLiteral("Jazz"));
    EXPECT_EQ(h.info.description, QStringLiteral("All jazz"));
    EXPECT_EQ(h.info.webAddress, QStringLiteral("http://jazz.example"));
    EXPECT_EQ(h.statedBitRate, 128);
    EXPECT_EQ(h.sampleRate, 44100); // icy-sr wins over ice-samplerate
    EXPECT_EQ(h.metaInterval, 16000);
    EXPECT_EQ(h.channels, 2);
    EXPECT_EQ(h.contentTypeCount, 1);

    // Icecast's audio-info alone gives rate and bit rate.
    const HeaderParse ice = parse(
        "Content-Type: application/ogg\r\nice-audio-info: ice-samplerate=48000;ice-bitrate=96\r\n");
    EXPECT_EQ(ice.sampleRate, 48000);
    EXPECT_EQ(ice.statedBitRate, 96);
    EXPECT_EQ(ice.formatCode, FormatOgg);
}

TEST(HeaderParser, ContentTypesAndPlaylists)
{
    struct Row {
        const char* type;
        int code;
        const char* extension;
        bool playlist;
    };
    const Row rows[] = {
        {"audio/mpeg", FormatMp3, "mp3", false},
        {"audio/aacp", FormatAac, "aac", false},
        {"audio/aac", FormatAac, "aac", false},
        {"audio/flac", FormatFlac, "flac", false},
        {"application/ogg", FormatOgg, "ogg", false},
        {"audio/ogg; codecs=opus", FormatOgg, "ogg", false},
        {"audio/vorbis", FormatVorbis, "ogg", false},
        {"audio/opus", FormatOpus, "ogg", false},
        {"audio/x-wav", FormatWav, "wav", false},
        {"AUDIO/MPEG", FormatMp3, "mp3", false},
        {"audio/x-mpegurl", 0, "nok", true},
        {"audio/x-scpls", 0, "nok", true},
        {"application/vnd.apple.mpegurl", 0, "nok", true},
        {"text/html", 0, "nok", false},
        {"application/octet-stream", 0, "nok", false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.type);
        const HeaderParse h =
            parse(QByteArray("HTTP/1.1 200 OK\r\nContent-Type: ") + r.type + "\r\n\r\n");
        EXPECT_EQ(h.formatCode, r.code);
        EXPECT_EQ(h.audio, r.code > 0);
        EXPECT_EQ(h.playlist, r.playlist);
        if (!r.playlist) {
            EXPECT_EQ(h.info.fileExtension, QString::fromLatin1(r.extension));
        }
        if (r.code == 0 && !r.playlist) {
            EXPECT_EQ(h.info.contentType, QStringLiteral("not_valid"));
        }
    }
    // A redirect chain: an HTML first answer, the stream after it.
    const HeaderParse chain =
        parse("HTTP/1.1 302 Found\r\nContent-Type: text/html\r\nLocation: x\r\n\r\n"
              "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n\r\n");
    EXPECT_EQ(chain.formatCode, FormatMp3);
    // Header-like text inside another header's name is not that header.
    EXPECT_EQ(parse("X-Content-Type-Options: audio/mpeg\r\n").formatCode, 0);
    // HTTP/2 hands header names over in lower case.
    EXPECT_EQ(parse("HTTP/2 200\r\ncontent-type: audio/aac\r\nicy-br: 64\r\n\r\n").statedBitRate,
              64);
    // A generic type or none lets the first bytes decide; a known non-audio type stays refused.
    const QByteArray ogg = QByteArray("OggS\0\x02", 6) + QByteArray(60, '\0');
    const auto sniffed = [&](const char* type) {
        const QByteArray headers = "HTTP/1.1 302 Found\r\nContent-Type: text/html\r\n\r\n"
                                   "HTTP/1.1 200 OK\r\n" +
                                   QByteArray(type) + "\r\n\r\n";
        return parseHeaders(headers, kUrl, {}, ogg);
    };
    EXPECT_EQ(sniffed("Content-Type: binary/octet-stream").formatCode, FormatOgg);
    EXPECT_EQ(sniffed("Server: x").info.contentType,
              u"ogg (found in the stream; sent without a content type)"_s);
    EXPECT_FALSE(sniffed("Content-Type: text/html").audio);
}

// The worker lets a non-audio answer end quietly when the server spoke ICY, so every ICY and
// Icecast header must count, and nothing else may.
TEST(HeaderParser, EachIcyOrIcecastHeaderIsSeen)
{
    struct Row {
        const char* header;
        bool seen;
    };
    const Row rows[] = {
        {"icy-url:http://jazz.example", true},
        {"icy-name:Jazz FM", true},
        {"icy-genre:Jazz", true},
        {"icy-description:All jazz", true},
        {"icy-samplerate:44100", true},
        {"ice-samplerate:44100", true},
        {"icy-sr:44100", true},
        {"icy-br:128", true},
        {"ice-bitrate:128", true},
        {"icy-metaint:16000", true},
        {"ice_channels:2", true},
        {"ice-audio-info: ice-bitrate=96", true},
        {"icy-name:My Station Name", false}, // no usable name
        {"icy-br:", false},                  // an empty value is no header
        {"icy-pub:1", false},
        {"Server: Icecast 2.4.4", false},
        {"Cache-Control: no-cache", false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.header);
        const HeaderParse h = parse(QByteArray("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n") +
                                    r.header + "\r\n\r\n");
        EXPECT_FALSE(h.audio);
        EXPECT_EQ(h.icyHeadersSeen, r.seen);
    }
}

TEST(HeaderParser, MetadataIntervalLimitAndOddValues)
{
    EXPECT_FALSE(parse("Content-Type: audio/mpeg\r\nicy-metaint:600000\r\n").metaintTooLarge);
    EXPECT_TRUE(parse("Content-Type: audio/mpeg\r\nicy-metaint:600000\r\n").audio);
    const HeaderParse big = parse("Content-Type: audio/mpeg\r\nicy-metaint:600001\r\n");
    EXPECT_TRUE(big.metaintTooLarge);
    EXPECT_FALSE(big.audio);
    EXPECT_FALSE(big.playlist);
    EXPECT_TRUE(big.icyHeadersSeen); // so the refusal is no failure of the station
    struct Row {
        const char* value;
        int interval;
    };
    for (const Row r : {Row{"0", 0}, Row{"-1", -1}, Row{"010", 10}, Row{"abc", 0},
                        Row{" 8192 ", 8192}, Row{"99999999999", 0x7FFFFFFF}}) {
        SCOPED_TRACE(r.value);
        const HeaderParse h =
            parse(QByteArray("Content-Type: audio/mpeg\r\nicy-metaint:") + r.value + "\r\n");
        EXPECT_EQ(h.metaInterval, r.interval);
    }
    // Two differing headers: the first one counts.
    EXPECT_EQ(
        parse("icy-metaint:8000\r\nicy-metaint:16000\r\nContent-Type: audio/mpeg\r\n").metaInterval,
        8000);
}

TEST(HeaderParser, StationNamesAreCleanedWithFallbacks)
{
    EXPECT_EQ(cleanStationName(QStringLiteral("  ..:Radio One")), QStringLiteral("Radio One"));
    EXPECT_EQ(cleanStationName(QStringLiteral("My Station Name")), QString());
    // Junk words count only as written: other letter cases are real names.
    for (const char16_t* junk : {u"unknown", u"no name", u"noname", u"Radio My Server Name"})
        EXPECT_EQ(cleanStationName(QString::fromUtf16(junk)), QString());
    for (const char16_t* real : {u"Unknown Pleasures FM", u"NoName Radio", u"UNKNOWN",
                                 u"No Name Jazz", u"my station name"})
        EXPECT_EQ(cleanStationName(QString::fromUtf16(real)), QString::fromUtf16(real));
    EXPECT_EQ(cleanStationName(QStringLiteral("#1 Hits")), QStringLiteral("1 Hits"));
    // One line, and no "http" that a saved list would take for the URL.
    EXPECT_EQ(cleanStationName(QStringLiteral("Radio\r\nX")), QStringLiteral("Radio  X"));
    EXPECT_EQ(cleanStationName(QStringLiteral("Radio X - http://radiox.example")),
              QStringLiteral("Radio X -"));
    EXPECT_EQ(cleanStationName(QStringLiteral("no\x1bname")), QString()); // junk once joined
    const QString longName =
        QStringLiteral("The Very Best Radio Station For Smooth Jazz And Soul Music, All Day Long");
    const QString cut = cleanStationName(longName);
    EXPECT_LT(cut.size(), 67);
    EXPECT_TRUE(longName.startsWith(cut));
    EXPECT_FALSE(cut.endsWith(u' '));

    // No usable icy-name: stationid, else the URL's last part without its extension.
    EXPECT_EQ(parse("Content-Type: audio/mpeg\r\nicy-name:My Station Name\r\n").info.stationName,
              QStringLiteral("jazz"));
    EXPECT_EQ(nameFromHeadersOrUrl("x-info: stationid=Groove42;\r\n", kUrl),
              QStringLiteral("Groove42"));
    EXPECT_EQ(nameFromHeadersOrUrl("", QStringLiteral("http://host:8000/")),
              QStringLiteral("No Name"));
    EXPECT_EQ(nameFromHeadersOrUrl("", QStringLiteral("http://host:8000/ab.mp3")),
              QStringLiteral("No Name"));
    EXPECT_EQ(
        nameFromHeadersOrUrl("", QStringLiteral("https://ice1.somafm.com/groovesalad-128-mp3")),
        QStringLiteral("groovesalad-128-mp3"));
    // Latin-1 bytes and entities in the name.
    EXPECT_EQ(parse("Content-Type: audio/mpeg\r\nicy-name:Caf\xe9 &amp; Jazz\r\n").info.stationName,
              QStringLiteral("Café & Jazz"));
}

TEST(HeaderParser, StreamInformationText)
{
    StationInfoValues info;
    info.dateText = QStringLiteral("26-12-08@12h00");
    info.webAddress = QStringLiteral("http://jazz.example");
    info.stationName = QStringLiteral("Jazz FM - all jazz");
    info.description = QStringLiteral("all jazz");
    info.contentType = QStringLiteral("audio/mpeg");
    info.fileExtension = QStringLiteral("mp3");
    EXPECT_EQ(
        streamInformationText(info, 44100, 0, 128, 2, 16000, FormatMp3),
        QStringLiteral(
            "\nDate : 26-12-08@12h00\nURL : http://jazz.example\nStation : Jazz FM - all jazz\n"
            "Audio format : audio/mpeg\nFile extension : mp3\nSampling Rate : 44100 sps\n"
            "Bit Rate : 128 kbps\nStereo\nIceCast encapsulation \"metaint\" = 16000 Bytes\n"));
    info.description = QStringLiteral("Smooth");
    const QString t = streamInformationText(info, 0, 1, 128, 1, 0, FormatAac);
    EXPECT_TRUE(t.contains(QStringLiteral("Description : Smooth\n")));
    EXPECT_TRUE(t.contains(QStringLiteral("Variable Bit Rate\n")));
    EXPECT_FALSE(t.contains(QStringLiteral("Bit Rate :")));
    EXPECT_FALSE(t.contains(QStringLiteral("Sampling")));
    EXPECT_TRUE(t.endsWith(QStringLiteral("No IceCast Metadata\n")));
    EXPECT_FALSE(streamInformationText(info, 0, 0, 0, 0, 0, FormatVorbis)
                     .contains(QStringLiteral("No IceCast")));
}

// A row for each kind of playlist people publish: the address it leads to, "HLS" for an HLS
// refusal, "" for none.
TEST(HeaderParser, PlaylistsLeadToTheEntryAListenerMeant)
{
#define NEXT "http://192.0.2.9/live.mp3"
    const struct {
        QByteArray body;
        const char* type;
        const char* next;
    } rows[] = {
        {"#EXTM3U\n#EXTINF:-1 tvg-logo=\"http://192.0.2.5/l.png\" group-title=\"A, B\",Name, x\n"
         "#EXTVLCOPT:y=1\n#EXTGRP:A\n#EXTIMG:http://192.0.2.5/i.png\n" NEXT "\n",
         "audio/x-mpegurl", NEXT},
        {"[playlist]\r\ntitle1=Jazz\r\nnumberofentries = 2\r\nfile2=http://192.0.2.2/b\r\n"
         "  file1 = " NEXT "  \r\n",
         "", NEXT},
        {"File1=" NEXT "\n", "audio/x-scpls", NEXT},
        {"\xEF\xBB\xBF#EXTM3U\r#EXTINF:-1,x\r" NEXT "\r", "", NEXT},
        {"#EXTM3U\n#EXTINF:-1,Caf\xE9\nCaf\xE9 cr\xE8me.mp3\n", "",
         "http://192.0.2.1:8000/lists/Caf%c3%a9%20cr%c3%a8me.mp3"},
        {"stream.mp3\n", "", "http://192.0.2.1:8000/lists/stream.mp3"},
        {"#EXTM3U\n/live/aac\n", "", "http://192.0.2.1:8000/live/aac"},
        {"[playlist]\nFile1=../a.mp3\n", "", "http://192.0.2.1:8000/a.mp3"},
        {"#EXTM3U\nhttp://192.0.2.9:8000/;\n", "", "http://192.0.2.9:8000/;"},
        {"#EXTM3U\nrtsp://192.0.2.3/a\nmms://192.0.2.3/b\nfile:///a.mp3\n" NEXT "\n", "", NEXT},
        {"#EXTM3U\n" NEXT "\nhttp://192.0.2.4/hls/index.m3u8\n", "", NEXT},
        {"#EXTM3U\nhttp://192.0.2.4/hls/index.m3u8?t=1\n" NEXT "\n", "", "HLS"},
        {"#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXTINF:10,\nseg1.ts\n",
         "application/vnd.apple.mpegurl", "HLS"},
        {"Listen: " NEXT "; or the page\n", "audio/x-mpegurl", NEXT},
        {"#EXTM3U\n#EXTINF:-1,http://192.0.2.9/x\n# http://192.0.2.9/y\n", "", ""},
    };
#undef NEXT
    for (const auto& r : rows) {
        SCOPED_TRACE(r.body.toStdString());
        const PlaylistStep step =
            nextFromPlaylist(r.body, u"http://192.0.2.1:8000/lists/radio.m3u"_s, r.type);
        const QString want = QString::fromLatin1(r.next);
        const bool hls = want == u"HLS";
        EXPECT_EQ(step.kind, hls              ? PlaylistStep::HlsPlaylist
                             : want.isEmpty() ? PlaylistStep::NoAddress
                                              : PlaylistStep::NextAddress);
        EXPECT_EQ(step.url, hls ? QString() : want);
    }
}
