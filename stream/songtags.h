#pragma once

#include <QString>

// The tags of a song file. Runs on the song writer's thread (songrecorder.cpp).
struct SongTags {
    QString title;
    QString artist;
    QString album;   // the station
    QString date;    // yyyy-MM-dd
    QString comment; // the station's address
};

// Tags the closed song file at path: ID3v2.4 through TagLib for MP3; for ADTS AAC, which
// TagLib does not tag, an ID3v2.4 tag put before the first frame (ffmpeg and ffplay read
// such a file and its tag). False when the file could not be tagged.
bool tagSongFile(const QString& path, bool aac, const SongTags& tags);
