#include "stream/songs.h"

#include <QSet>
#include <gtest/gtest.h>

TEST(Songs, CueSheetNamesEveryTrackWithoutGoingBack)
{
    const std::vector<CueFile> files = {{QStringLiteral("Radio_24-05-01@14h05.mp3"),
                                         true,
                                         {{QStringLiteral("Old - \"Quoted\"\r\n"), 900},
                                          {QStringLiteral("Jingle"), 75 * 61 + 12},
                                          {QStringLiteral("Late - Back"), 75 * 60}}},
                                        {QStringLiteral("next.aac"), false, {{QString(), 400}}},
                                        {QStringLiteral("empty.aac"), false, {}}};
    EXPECT_EQ(
        cueSheetText(QStringLiteral("Radio \"X\""), QStringLiteral("Radio_24-05-01@14h05"), files),
        QStringLiteral("PERFORMER \"Radio 'X'\"\r\nTITLE \"Radio_24-05-01@14h05\"\r\n"
                       "FILE \"Radio_24-05-01@14h05.mp3\" MP3\r\n"
                       "  TRACK 01 AUDIO\r\n    TITLE \"'Quoted'\"\r\n"
                       "    PERFORMER \"Old\"\r\n    INDEX 01 00:00:00\r\n"
                       "  TRACK 02 AUDIO\r\n    TITLE \"Jingle\"\r\n    INDEX 01 01:01:12\r\n"
                       "  TRACK 03 AUDIO\r\n    TITLE \"Back\"\r\n    PERFORMER \"Late\"\r\n"
                       "    INDEX 01 01:01:12\r\n"
                       "FILE \"next.aac\" WAVE\r\n  TRACK 04 AUDIO\r\n"
                       "    INDEX 01 00:00:00\r\n"));
    EXPECT_EQ(cueTime(75 * 6000 + 74), QStringLiteral("100:00:74"));
    CueFile many{QStringLiteral("long.mp3"), true, {}};
    for (int i = 0; i < 120; ++i)
        many.tracks.push_back({QStringLiteral("Song %1").arg(i), i * 75});
    const QString sheet = cueSheetText({}, {}, {many});
    EXPECT_EQ(sheet.count(QStringLiteral("TRACK ")), kMaxCueTracks);
    EXPECT_FALSE(sheet.contains(QStringLiteral("TRACK 100")));
}

TEST(Songs, SongFilesStayInTheFolderAndNeverReuseAName)
{
    const QString folder = QStringLiteral("/rec/Station");
    const QSet<QString> taken = {folder + QStringLiteral("/AC_DC - Back_ In Black.mp3"),
                                 folder + QStringLiteral("/AC_DC - Back_ In Black (2).mp3")};
    const auto exists = [&](const QString& p) { return taken.contains(p); };
    const auto path = [&](const QString& song, bool partial) {
        return freeSongPath(folder, songFileName(song, partial), QStringLiteral("mp3"), exists);
    };
    EXPECT_EQ(path(QStringLiteral("AC/DC - Back: In Black"), false),
              folder + QStringLiteral("/AC_DC - Back_ In Black (3).mp3"));
    EXPECT_EQ(path(QStringLiteral("../../etc/passwd"), true),
              folder + QStringLiteral("/_.._etc_passwd (partial).mp3"));
    EXPECT_EQ(path(QStringLiteral(".."), false), folder + QStringLiteral("/Unknown.mp3"));
}

TEST(Songs, FramesComeWholeWhateverTheSplitAndJunkGoesWithTheFrameBefore)
{
    // MPEG-1 layer III, 128 kbit/s, 44100 Hz: 417 bytes; ADTS AAC of 300 bytes, 2 blocks.
    QByteArray mp3;
    for (int i = 0; i < 3; ++i)
        mp3 += QByteArray("\xFF\xFB\x90\x00", 4) + QByteArray(413, '\x11');
    mp3.insert(417, "junk");
    QByteArray aac("\xFF\xF1\x50\x80\x25\x9F\xFD", 7);
    aac += QByteArray(293, '\x22');
    aac += aac;
    for (const auto& [bytes, isAac] : {std::pair{mp3, false}, std::pair{aac, true}}) {
        FrameWalker walker(isAac);
        std::vector<AudioFrame> frames;
        for (qsizetype at = 0; at < bytes.size(); at += 101)
            walker.feed(reinterpret_cast<const unsigned char*>(bytes.constData()) + at,
                        int(std::min<qsizetype>(101, bytes.size() - at)), frames);
        frames.push_back(*walker.finish());
        ASSERT_EQ(frames.size(), isAac ? 2u : 3u);
        EXPECT_EQ(frames[0].bytes, isAac ? 300 : 421);
        EXPECT_EQ(frames[0].samples, isAac ? 2048 : 1152);
        EXPECT_EQ(frames.back().sampleRate, isAac ? 44100 : 44100);
    }
}
