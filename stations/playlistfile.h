#pragma once

// M3U, Extended M3U and PLS playlists: the reading that the transfer worker's playlist step
// and the list's import share, and the list written as a playlist. Pure functions, run on
// whichever thread holds the bytes (the worker for a playlist answer, the GUI thread for a
// file).

#include "stations/listline.h"

#include <QByteArray>
#include <QString>
#include <vector>

class StationList;

// One entry of a playlist as written, with what the playlist says about it.
struct PlaylistItem {
    QString location; // an address or a path, possibly relative to the playlist
    QString title;    // the #EXTINF title or TitleN
    QString group;    // #EXTGRP or group-title
};

struct PlaylistText {
    enum Kind { M3u, ExtendedM3u, Pls };
    Kind kind = M3u;
    bool hls = false;                // an HLS media or master playlist: #EXTM3U with #EXT-X- tags
    std::vector<PlaylistItem> items; // M3U in order, PLS by entry number
    std::vector<QString> groups;     // group names in order of first appearance
    std::vector<QString> lines;      // every non-empty line, trimmed, comments included
};

// Reads the bytes as the format their first line says ("[playlist]", "#EXTM3U"), as PLS
// when plsType says so, else as M3U. A UTF-8 byte-order mark is skipped; each line is UTF-8,
// or Windows-1252 when it is not; CR LF, LF and CR end lines. Comment lines never give an
// entry.
PlaylistText readPlaylist(QByteArrayView bytes, bool plsType);

enum class ListFileType { List, M3u, Pls };
// By the file name's extension: .m3u and .m3u8 are M3U, .pls is PLS, anything else a list.
ListFileType listFileTypeOf(const QString& path);

struct PlaylistImport {
    bool hls = false; // an HLS playlist of one stream, not stations: nothing imported
    std::vector<ListEntry> entries;
};
// A playlist file's http(s) entries as stations named by their titles (cleaned as a name
// from a station's headers, else the name the address gives), under headings for their
// groups, or under one heading named after the file when the playlist has no groups.
PlaylistImport decodePlaylistFile(QByteArrayView bytes, const QString& path);

// The list as an Extended M3U (headings as #EXTGRP) or as a PLS (stations only); UTF-8, LF.
QByteArray encodeM3u(const StationList& list);
QByteArray encodePls(const StationList& list);
