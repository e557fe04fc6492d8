#include "app/cutil.h"
#include "fuzz/fuzzcheck.h"
#include "stream/songs.h"

#include <QByteArrayView>
#include <QStringList>
#include <cstdint>

namespace {

void checkSongPath(const QString& song, bool partial, int taken)
{
    const QString folder = QStringLiteral("/music/Kestrelwave/Station");
    int asked = 0;
    const QString path = freeSongPath(folder, songFileName(song, partial), QStringLiteral("mp3"),
                                      [&](const QString&) { return asked++ < taken; });
    fuzzCheck(path.startsWith(folder + u'/'), "a song file lies in the recording folder");
    const QString file = path.mid(folder.size() + 1);
    fuzzCheck(!file.contains(u'/') && !file.contains(u'\\'), "a song file is directly there");
    fuzzCheck(!file.startsWith(u'.'), "a song file is no folder step and not hidden");
    fuzzCheck(file.endsWith(QStringLiteral(".mp3")), "a song file keeps its extension");
    fuzzCheck(file.toUtf8().size() <= 255, "a song file name fits the file system");
    fuzzCheck(file.isValidUtf16(), "a song file name splits no surrogate pair");
    fuzzCheck(!partial || file.contains(QStringLiteral(" (partial)")), "partial is said");
    fuzzCheck(taken == 0 || file.contains(QStringLiteral(" (%1)").arg(taken + 1)),
              "a taken name is never reused");
}

void checkSheet(const QStringList& songs, QByteArrayView bytes)
{
    std::vector<CueFile> files(1 + bytes.size() % 3);
    for (qsizetype i = 0; i < songs.size(); ++i) {
        const std::int64_t sectors = i < bytes.size() ? uchar(bytes[i]) * 97 - 3000 : 0;
        files[std::size_t(i) % files.size()].tracks.push_back({songs[i], sectors});
        files[std::size_t(i) % files.size()].name = songs[i];
    }
    const QString text = cueSheetText(songs.value(0), songs.value(1), files);
    fuzzCheck(text.isEmpty() || text.endsWith(QStringLiteral("\r\n")), "lines end in CR LF");
    int tracks = 0;
    bool fileSeen = false, firstOfFile = false;
    QString lastIndex;
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        const QString& line = lines[i];
        fuzzCheck(!line.contains(u'\n') && !line.contains(u'\r'), "one line is one line");
        const QString word = line.trimmed().section(u' ', 0, 0);
        const bool quoted = word == u"PERFORMER" || word == u"TITLE" || word == u"FILE";
        fuzzCheck(quoted || word == u"TRACK" || word == u"INDEX", "only known commands");
        fuzzCheck(line.count(u'"') == (quoted ? 2 : 0), "a quoted text holds no quote");
        if (word == u"FILE") {
            fileSeen = firstOfFile = true;
        } else if (word == u"TRACK") {
            fuzzCheck(fileSeen, "a track has a file");
            fuzzCheck(line == QStringLiteral("  TRACK %1 AUDIO").arg(++tracks, 2, 10, QChar(u'0')),
                      "tracks are numbered in order");
        } else if (word == u"INDEX") {
            const QString at = line.trimmed().section(u' ', 2);
            fuzzCheck(!firstOfFile || at == u"00:00:00", "a file's first track starts it");
            // Same-width fields compare as numbers do.
            fuzzCheck(firstOfFile || at.size() > lastIndex.size() ||
                          (at.size() == lastIndex.size() && at >= lastIndex),
                      "indexes never go back");
            firstOfFile = false;
            lastIndex = at;
        }
    }
    fuzzCheck(tracks <= kMaxCueTracks, "at most 99 tracks");
}

// Where the frames that play begin, and their sample counts.
std::vector<std::pair<long long, int>> framesOf(const std::vector<AudioFrame>& frames, int size)
{
    std::vector<std::pair<long long, int>> starts;
    long long at = 0;
    for (const AudioFrame& f : frames) {
        fuzzCheck(f.bytes > 0, "no empty frame");
        if (f.samples > 0)
            starts.emplace_back(at, f.samples);
        at += f.bytes;
    }
    fuzzCheck(at == size, "every byte lies in exactly one frame");
    return starts;
}

void checkFrames(const unsigned char* data, int size)
{
    for (const bool aac : {false, true}) {
        std::vector<AudioFrame> whole, split;
        FrameWalker a(aac), b(aac);
        a.feed(data, size, whole);
        if (auto tail = a.finish())
            whole.push_back(*tail);
        const int cut = size > 0 ? data[0] % (size + 1) : 0;
        b.feed(data, cut, split);
        b.feed(data + cut, size - cut, split);
        if (auto tail = b.finish())
            split.push_back(*tail);
        // Junk may come out in other pieces; the frames, where cuts fall, may not.
        fuzzCheck(framesOf(whole, size) == framesOf(split, size),
                  "frames do not depend on the input's split");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = CUtil::ToWide(bytes);
    const QStringList songs = text.split(u'\n');
    for (qsizetype i = 0; i < songs.size() && i < 8; ++i)
        checkSongPath(songs[i], (i & 1) != 0, int(i % 3));
    checkSongPath(fuzzUtf16(data, size), true, 1);
    checkSheet(songs, bytes);
    checkFrames(data, int(size));
    return 0;
}
