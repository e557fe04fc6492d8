#pragma once

#include "stream/streaminfo.h"

#include <QByteArray>
#include <QString>

// What the response headers of a transfer (all responses of a redirect chain, in order)
// say about the stream. Pure: the worker applies it to the shared records.
struct HeaderParse {
    bool audio = false;           // a playable audio stream of a known format
    bool playlist = false;        // a playlist to resolve
    bool icyHeadersSeen = false;  // one of the ICY or Icecast headers was found
    bool metaintTooLarge = false; // refused: icy-metaint above 600000 (icyHeadersSeen is set)
    StationInfoValues info;
    std::int32_t vbr = 0;
    std::int32_t statedBitRate = 0;
    std::int32_t sampleRate = 0;
    std::int32_t channels = 0;
    std::int32_t metaInterval = 0;
    std::int32_t formatCode = 0;
    std::int32_t contentTypeCount = 0;
};

inline constexpr std::int32_t kMaxMetaInterval = 600000;

// firstBytes are the first body bytes: for an answer sent as application/octet-stream,
// binary/octet-stream or without a content type, they decide the format.
HeaderParse parseHeaders(QByteArrayView headerText, const QString& stationUrl,
                         const QString& dateText, QByteArrayView firstBytes = {});

// The value of a header (or of a key inside ice-audio-info), first occurrence; empty when
// absent. Names are compared without regard to case.
QByteArray headerValue(QByteArrayView headerText, QByteArrayView name);

// atoi: optional blanks and sign, then digits.
std::int32_t decimalValue(QByteArrayView text);

// A placeholder that servers send instead of a name ("My Station Name", "unknown", ...).
bool isJunkStationName(QStringView name);
QString cleanStationName(const QString& text);
QString nameFromHeadersOrUrl(QByteArrayView headerText, const QString& stationUrl);

struct ContentFormat {
    std::int32_t formatCode = 0;
    QString fileExtension = QStringLiteral("nok");
    QString contentType = QStringLiteral("not_valid");
};
// Known audio types give a format code above 0.
ContentFormat contentTypeToFormat(const QString& contentType);

// The stream information lines shown once the station is reached.
QString streamInformationText(const StationInfoValues& info, std::int32_t sampleRate,
                              std::int32_t vbr, std::int32_t statedBitRate, std::int32_t channels,
                              std::int32_t metaInterval, std::int32_t formatCode);

// Where a playlist answer (M3U, Extended M3U, PLS, or a bare text) leads: its first entry
// that is an http(s) address, a relative entry read against playlistUrl (the address the
// playlist came from). An HLS playlist, or a first entry that is one, cannot be followed by
// the player path. contentType is the answer's, which tells a PLS without its first line.
struct PlaylistStep {
    enum Kind { NoAddress, HlsPlaylist, NextAddress };
    Kind kind = NoAddress;
    QString url; // for NextAddress: an absolute http(s) address
};
PlaylistStep nextFromPlaylist(QByteArrayView playlistText, const QString& playlistUrl = {},
                              QByteArrayView contentType = {});
