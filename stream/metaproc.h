#pragma once

#include <QByteArray>
#include <QString>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

// The text a metadata block shows: "\n- " and the stream title, or the artist and title
// keys; empty when the block holds no usable title.
QString metadataDisplayText(QByteArrayView block);

// The value of an Ogg comment ("artist", "title", ...) in a codec header region; empty when
// absent. Field names are matched without regard to case, as the format wants.
QString oggCommentValue(QByteArrayView region, QByteArrayView key);

// Reads the in-stream metadata and the Ogg comment headers and writes each new title to the
// information pane. Runs on the transfer worker's thread.
class CMetaProc {
public:
    using Output = std::function<void(const QString& text)>;
    // Seconds since recording began, or nothing while not recording.
    using RecordingClock = std::function<std::optional<double>()>;

    CMetaProc(Output output, RecordingClock recordingSeconds);

    // Before each transfer: every station's first title is shown.
    void reset();
    // A metadata block of length bytes; true when a new title was shown.
    bool readMetadata(const char* text, int length);
    // Up to 16384 bytes of an Ogg codec header region.
    void readTags(const char* buffer, int length);
    // The newest title again (a recording has just started).
    void showCurrentTitle();
    // The song now announced ("Artist - Title"), empty before the first; any thread (the
    // desktop's media controls read it while the worker writes it).
    QString nowPlaying() const;

    QString rawMetadata;
    QString currentTitle;
    std::deque<QString> titleHistory; // oldest first, at most 5
    QString tagArtist, tagAlbum, tagTitle, tagGenre;

private:
    void writeTitle(const QString& display);
    void setNowPlaying(const QString& song);

    Output output_;
    RecordingClock recordingSeconds_;
    bool firstTagReading_ = true;
    mutable std::mutex nowPlayingMutex_;
    QString nowPlaying_;
};
