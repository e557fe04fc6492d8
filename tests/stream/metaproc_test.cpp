#include "stream/metaproc.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

QByteArray block(const QByteArray& text)
{
    QByteArray b = text;
    b.append(QByteArray((16 - b.size() % 16) % 16, '\0'));
    return b;
}

} // namespace

TEST(MetaProc, DisplayTextOfABlock)
{
    struct Row {
        const char* text;
        const char16_t* display;
    };
    const Row rows[] = {
        {"StreamTitle='Artist - Song';", u"\n- Artist - Song"},
        {"StreamTitle='Guns N' Roses - Don't Cry';StreamUrl='';", u"\n- Guns N' Roses - Don't Cry"},
        {"StreamTitle='Simon & Garfunkel - The Boxer';", u"\n- Simon & Garfunkel - The Boxer"},
        {"StreamTitle='';", u""},
        {"StreamTitle='abc';", u""}, // shorter than 4
        {"StreamTitle='';artist='Miles Davis';title='So What';", u"\n- Miles Davis - So What"},
        {"StreamTitle='Caf\xc3\xa9 &amp; Cr\xc3\xa8me';", u"\n- Café & Crème"},
        {"StreamTitle='Caf\xe9 - Cr\xe8me';", u"\n- Café - Crème"}, // Latin-1
        {"StreamTitle='First part || second part';", u"\n- First part"},
        {"StreamTitle=Unquoted Title;", u"\n- Unquoted Title"},
        {"short", u""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(metadataDisplayText(block(r.text)), QString::fromUtf16(r.display));
    }
}

TEST(MetaProc, TitlesAreShownOnceAndHistoryHoldsFive)
{
    QStringList pane;
    std::optional<double> recording;
    CMetaProc meta([&](const QString& t) { pane << t; }, [&] { return recording; });
    const auto send = [&](const char* title) {
        const QByteArray b = block(QByteArray("StreamTitle='") + title + "';");
        return meta.readMetadata(b.constData(), int(b.size()));
    };
    EXPECT_TRUE(send("Song number one"));
    EXPECT_FALSE(send("Song number one"));
    EXPECT_EQ(pane, QStringList{QStringLiteral("\n- Song number one\n")});
    // After four others it is still remembered; after five it is shown again.
    for (const char* t : {"Song two", "Song three", "Song four", "Song five"})
        EXPECT_TRUE(send(t));
    EXPECT_FALSE(send("Song number one"));
    EXPECT_TRUE(send("Song six"));
    EXPECT_TRUE(send("Song number one"));
    EXPECT_EQ(meta.titleHistory.size(), 5u);
    EXPECT_EQ(meta.currentTitle, QStringLiteral("\n- Song number one"));
    // A long title, then a short one: nothing of the long one remains.
    EXPECT_TRUE(send("A long long long long title"));
    EXPECT_TRUE(send("Tiny"));
    EXPECT_EQ(pane.last(), QStringLiteral("\n- Tiny\n"));
    // While recording, titles carry the recording time.
    recording = 12.34;
    EXPECT_TRUE(send("Recorded song"));
    EXPECT_EQ(pane.last(), QStringLiteral("\n@ 12.3 sec. Recording Time\n\n- Recorded song\n"));
    meta.showCurrentTitle();
    EXPECT_EQ(pane.last(), QStringLiteral("\n- Recorded song\n"));
    // Reset forgets everything, so a station's first title is always shown.
    meta.reset();
    recording.reset();
    EXPECT_TRUE(send("Tiny"));
    // The largest block, full without padding, is read within its length.
    QByteArray full = QByteArray("StreamTitle='") + QByteArray(4080 - 15, 'x') + "';";
    ASSERT_EQ(full.size(), 4080);
    EXPECT_TRUE(meta.readMetadata(full.constData(), 4080));
}

TEST(MetaProc, OggCommentsShowArtistAlbumTitleAndGenreOnce)
{
    // A Vorbis comment header: vendor, count, length-prefixed "key=value" comments.
    const auto comment = [](const QByteArray& c) -> QByteArray {
        QByteArray out(4, '\0');
        const quint32 n = quint32(c.size());
        out[0] = char(n & 0xFF);
        out[1] = char((n >> 8) & 0xFF);
        out[2] = char((n >> 16) & 0xFF);
        out[3] = char((n >> 24) & 0xFF);
        return out + c;
    };
    QByteArray header = QByteArray("\x03vorbis", 7) + comment("Lavf59") +
                        QByteArray("\x04\0\0\0", 4) +
                        comment("TITLE=Opus Tone of a long name beyond 32 bytes") +
                        comment("ARTIST=Kestrel") + comment("album=Tests") + comment("genre=Drone");
    QStringList pane;
    CMetaProc meta([&](const QString& t) { pane << t; }, [] { return std::optional<double>(); });
    meta.readTags(header.constData(), int(header.size()));
    EXPECT_EQ(
        pane,
        (QStringList{QStringLiteral("- Artist : Kestrel\n"), QStringLiteral("- Album  : Tests\n"),
                     QStringLiteral("- Title  : Opus Tone of a long name beyond 32 bytes\n"),
                     QStringLiteral("- Genre  : Drone\n")}));
    pane.clear();
    meta.readTags(header.constData(), int(header.size()));
    EXPECT_TRUE(pane.isEmpty()); // nothing changed, and the genre only on the first reading
    EXPECT_EQ(oggCommentValue("subtitle=no\0", "title"), QString());
    EXPECT_EQ(oggCommentValue(QByteArray("artist: Someone\0rest", 20), "artist"),
              QStringLiteral("Someone"));
}
