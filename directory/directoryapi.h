#pragma once

// The community radio directory's public JSON interface as pure functions: the request paths
// the program sends and the reading of the answers. Any thread; no state.

#include "stations/listline.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

class StationList;

// One station of a search answer. The directory's records are typed by the public: every
// field may be missing, null, a number written as text or text where a number belongs.
struct DirectoryStation {
    QString uuid; // "stationuuid", for the click call
    QString name;
    QString url;         // the address the station gave
    QString urlResolved; // the directory's resolution of it (playlists and redirects followed)
    QString codec;
    int bitrate = 0; // kbit/s, 0 when unknown
    QString country;
    QString countryCode;
    QString language;
    QString tags;
    int votes = 0;
    bool lastCheckOk = true; // the directory's last check of the station succeeded

    // The address the list keeps: the station's own, the resolved one only when it has none.
    const QString& address() const { return url.isEmpty() ? urlResolved : url; }
};

// What the person asked for; empty fields are not sent.
struct DirectoryQuery {
    QString name;
    QString tag;
    QString country; // two letters: a country code, else a country name
    QString language;
    QString codec;
    int bitrateMin = 0;
    bool hideBroken = true;

    // The words searched for, for the list's category heading ("jazz", "jazz, FR").
    QString summary() const;
};

inline constexpr int kDirectoryPageSize = 100;

// "/json/stations/search?name=...&limit=100&offset=..." with every value percent-encoded;
// the most voted stations first.
QByteArray searchPath(const DirectoryQuery& query, int offset);
// "/json/url/<uuid>": the click call the directory asks for every play from it.
QByteArray clickPath(const QString& uuid);

// The stations of a search answer, in its order; elements that are no object are skipped.
// Nothing when the answer is no JSON array.
std::optional<std::vector<DirectoryStation>> parseSearchAnswer(const QByteArray& answer);

// What "Add to List" appends: a category heading, then each station whose address is neither
// in the list nor earlier among stations, named as the list file can hold its name. The
// station's own address is taken, its resolved one when it has none or when the own one would
// not read back the same from the list file (which ends an address at "=", "&", ";" and the
// like); a station with neither is left out. No heading when no station is new.
struct DirectoryAddition {
    std::vector<ListEntry> entries;
    int unfit = 0; // stations left out for want of an address the list can hold
};
DirectoryAddition directoryListEntries(const QString& heading,
                                       const std::vector<DirectoryStation>& stations,
                                       const StationList& list);
