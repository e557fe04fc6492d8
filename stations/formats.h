#pragma once

#include <QString>

// Codec names by format code (0 none, 1 MP3, 2 AAC, 3 Ogg of unknown codec, 4 FLAC,
// 5 Vorbis, 6 Opus, 7 AC-3, 8 WAV). Entries 1-8 are also the codec names a list line's
// format tag may carry.
namespace formats {

inline constexpr int kCount = 9;
inline constexpr const char16_t* kNames[kCount] = {u"",     u"mp3",  u"aac", u"ogg", u"flac",
                                                   u"vorb", u"opus", u"ac3", u"wav"};

inline QString name(int code)
{
    return QString::fromUtf16(kNames[code >= 0 && code < kCount ? code : 0]);
}

} // namespace formats
