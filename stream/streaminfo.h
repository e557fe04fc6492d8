#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <mutex>

// Format codes of the stream format record.
enum FormatCode : std::int32_t {
    FormatNone = 0,
    FormatMp3 = 1,
    FormatAac = 2,
    FormatOgg = 3, // Ogg whose codec is not known yet
    FormatFlac = 4,
    FormatVorbis = 5,
    FormatOpus = 6,
    FormatAc3 = 7,
    FormatWav = 8,
};

inline bool isOggFamily(int code)
{
    return code >= FormatOgg && code <= FormatOpus;
}

// Per-transfer results of header parsing and probing. Written by the transfer worker; the
// GUI thread reads formatCode and bitRate while a station plays, hence the atomics.
struct StreamFormat {
    std::atomic<std::int32_t> vbr{0};
    std::atomic<std::int32_t> statedBitRate{0};
    std::atomic<std::int32_t> bitRate{0};
    std::atomic<std::int32_t> sampleRate{0};
    std::atomic<std::int32_t> channels{0};
    std::atomic<std::int32_t> metaInterval{0};
    std::atomic<std::int32_t> formatCode{0};
    std::atomic<std::int32_t> contentTypeCount{0};
};

// The station as its headers describe it.
struct StationInfoValues {
    QString dateText;
    QString webAddress;
    QString stationName;
    QString genre;
    QString description;
    QString contentType;
    QString fileExtension;
};

// Shared between the worker (writer) and the GUI thread (reader of the name and extension);
// each access copies under a lock.
class StationInfo {
public:
    StationInfoValues get() const
    {
        std::lock_guard lock(mutex_);
        return values_;
    }
    void set(const StationInfoValues& v)
    {
        std::lock_guard lock(mutex_);
        values_ = v;
    }
    template <typename F> void update(F f)
    {
        std::lock_guard lock(mutex_);
        f(values_);
    }

private:
    mutable std::mutex mutex_;
    StationInfoValues values_;
};
