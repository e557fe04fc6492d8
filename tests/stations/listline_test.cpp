#include "stations/listline.h"

#include "tests/support/printers.h"
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>
#include <ostream>

using namespace Qt::StringLiterals;

namespace {

// The four sets exactly as the file grammar defines them, written out independently of
// the parser's own tables.
const QString kSetA = u" \\\t\n\r.,':;|?+=^%*$&)\""_s;
const QString kSetB = u" \\\t\n\r.,':;|+=^%*$&#-(\""_s;
const QString kSetC = u" \n\r\t<>[]$&'()*+,;=\""_s;
const QString kSetD = u" \t\""_s;

TEST(ListChars, EachSetHoldsExactlyItsCharacters)
{
    struct Row {
        const char* name;
        bool (*test)(QChar);
        const QString& members;
        int size;
    };
    const Row rows[] = {{"A", listchars::inSetA, kSetA, 21},
                        {"B", listchars::inSetB, kSetB, 22},
                        {"C", listchars::inSetC, kSetC, 19},
                        {"D", listchars::inSetD, kSetD, 3}};
    for (const Row& r : rows) {
        int found = 0;
        // ASCII, Latin-1 and a stretch beyond: only the listed characters belong.
        for (char16_t u = 0; u < 0x300; ++u) {
            const bool expected = r.members.contains(QChar(u));
            EXPECT_EQ(r.test(QChar(u)), expected)
                << "set " << r.name << " char 0x" << std::hex << int(u);
            found += r.test(QChar(u)) ? 1 : 0;
        }
        EXPECT_EQ(found, r.size) << "set " << r.name;
        EXPECT_EQ(r.members.size(), r.size) << "set " << r.name;
    }
}

TEST(ListChars, VisibleMeansPrintableAndAboveBlank)
{
    const struct {
        char16_t c;
        bool visible;
    } rows[] = {{u'a', true},
                {u'#', true},
                {u'~', true},
                {u'\u00E9', true},
                {u'\u20AC', true},
                {u'\u00A0', true},
                {u' ', false},
                {u'\t', false},
                {u'\r', false},
                {u'\n', false},
                {0x7F, false},
                {0x85, false},
                {0x00, false},
                {0x1F, false},
                {u'\uFEFF', false},
                {u'\u200B', false},
                // Both halves of a character beyond the basic plane (an emoji).
                {0xD83D, true},
                {0xDCFB, true}};
    for (const auto& r : rows)
        EXPECT_EQ(listchars::isVisible(QChar(r.c)), r.visible) << std::hex << int(r.c);
}

struct LineRow {
    QString line;
    bool found;
    ListEntry expected;
};

void checkRows(const std::vector<LineRow>& rows)
{
    for (const LineRow& r : rows) {
        const std::optional<ListEntry> got = ParseListLine(r.line);
        ASSERT_EQ(got.has_value(), r.found) << "line: " << r.line.toStdString();
        if (got) {
            EXPECT_EQ(*got, r.expected) << "line: " << r.line.toStdString();
        }
    }
}

TEST(ParseListLine, CategoryLines)
{
    checkRows({
        {u"Jazz"_s, true, {u"Jazz"_s, {}, 0, {}}},
        {u"#Jazz"_s, true, {u"Jazz"_s, {}, 0, {}}},
        {u"Jazz\r"_s, true, {u"Jazz"_s, {}, 0, {}}},
        {u"Jazz \t "_s, true, {u"Jazz"_s, {}, 0, {}}},
        {u"  ..Jazz.."_s, true, {u"Jazz"_s, {}, 0, {}}},
        {u"Rock #Jazz"_s, true, {u"Jazz"_s, {}, 0, {}}},
        {u"#Rock #Jazz"_s, true, {u"Rock #Jazz"_s, {}, 0, {}}},
        {u"Jazz & Blues"_s, true, {u"Jazz & Blues"_s, {}, 0, {}}},
        {u"-Jazz-("_s, true, {u"-Jazz"_s, {}, 0, {}}},
        {u"Jazz?"_s, true, {u"Jazz?"_s, {}, 0, {}}}, // "?" is junk in front only
        {u"Café Fréquence"_s, true, {u"Café Fréquence"_s, {}, 0, {}}},
        {u"Ht tp radio"_s, true, {u"Ht tp radio"_s, {}, 0, {}}},
        // One-letter titles, as the program writes them, read back (also from CRLF files).
        {u"J"_s, true, {u"J"_s, {}, 0, {}}},
        {u"J\r"_s, true, {u"J"_s, {}, 0, {}}},
        // Too short, nothing but leading junk, or nothing left after the cut.
        {{}, false, {}},
        {u"#"_s, false, {}},
        {u"-"_s, false, {}},
        {u"..."_s, false, {}},
        {u" \t \r"_s, false, {}},
        {u"?;:|=^%*$&)\"'"_s, false, {}},
        {u"Jazz#"_s, false, {}},
        // Control characters only make no heading.
        {u" \x01\x02"_s, false, {}},
        {QString(3, QChar(0)), false, {}},
    });
}

TEST(ParseListLine, StationLinesWithName)
{
    const QString url = u"http://192.0.2.10:8000/live.mp3"_s;
    checkRows({
        {u"Radio One \t"_s + url, true, {u"Radio One"_s, url, 0, {}}},
        {u"Radio X "_s + url, true, {u"Radio X"_s, url, 0, {}}},
        {u"Radio One \t"_s + url + u" \tmp3_128k"_s, true, {u"Radio One"_s, url, 0, u"mp3_128k"_s}},
        {u"Radio One \t"_s + url + u" \tmp3_128k\r"_s,
         true,
         {u"Radio One"_s, url, 0, u"mp3_128k"_s}},
        {u"#Radio One \t"_s + url, true, {u"Radio One"_s, url, MARK_MODIFIED, {}}},
        {u"#\tRadio One \t"_s + url, true, {u"Radio One"_s, url, MARK_MODIFIED, {}}},
        {u"Radio\tOne \t"_s + url, true, {u"Radio One"_s, url, 0, {}}},
        {u"\"Radio One\" "_s + url, true, {u"Radio One"_s, url, 0, {}}},
        {u"  ...Radio One \t"_s + url, true, {u"Radio One"_s, url, 0, {}}},
        {u"Radio One.\t"_s + url, true, {u"Radio One."_s, url, 0, {}}},
        {u"INVALID \t"_s + url, true, {u"INVALID"_s, url, 0, {}}},
        {u"Fréquence Café ☕ \t"_s + url, true, {u"Fréquence Café ☕"_s, url, 0, {}}},
        {u"Radio One \tHTTPS://192.0.2.10/a"_s,
         true,
         {u"Radio One"_s, u"HTTPS://192.0.2.10/a"_s, 0, {}}},
        // A one-character name keeps nothing of what follows it.
        {u"A \t"_s + url, true, {u"A"_s, url, 0, {}}},
        // No visible character in the name part: no entry at all.
        {u"#"_s + url, false, {}},
        {u"# "_s + url, false, {}},
        {u"#\t\t"_s + url, false, {}},
        {u"\u200B\u200B"_s + url, false, {}},
    });
}

TEST(ParseListLine, StationLinesWithoutName)
{
    const QString url = u"http://192.0.2.10/stream"_s;
    checkRows({
        {url, true, {{}, url, 0, {}}},
        {url + u"\r"_s, true, {{}, url, 0, {}}},
        {url + u" \t"_s, true, {{}, url, 0, {}}},
        {url + u"..."_s, true, {{}, url, 0, {}}},
        {u"  "_s + url, true, {{}, url, 0, {}}},
        {url + u" \tmp3_128k"_s, true, {{}, url, 0, u"mp3_128k"_s}},
        {url + u" mp3_128k"_s, true, {{}, url, 0, u"mp3_128k"_s}},
        {url + u" \txyz_1"_s, true, {{}, url, 0, {}}},
        {url + u" \tMP3_128k"_s, true, {{}, url, 0, u"MP3_128k"_s}},
        {u"HTTP://192.0.2.10/x"_s, true, {{}, u"HTTP://192.0.2.10/x"_s, 0, {}}},
        {u"http"_s, true, {{}, u"http"_s, 0, {}}},
        // A second address after the first is no format tag.
        {url + u" http://192.0.2.11/"_s, true, {{}, url, 0, {}}},
    });
}

TEST(ParseListLine, FormatTagAcceptedOnlyForKnownCodecs)
{
    const QString url = u"http://192.0.2.10/a"_s;
    const struct {
        QString tail;     // what follows the URL
        QString expected; // the stored tag, empty when dropped
    } rows[] = {
        {u" \tmp3"_s, u"mp3"_s},
        {u" \taac"_s, u"aac"_s},
        {u" \togg"_s, u"ogg"_s},
        {u" \tflac"_s, u"flac"_s},
        {u" \tvorb"_s, u"vorb"_s},
        {u" \topus"_s, u"opus"_s},
        {u" \tac3"_s, u"ac3"_s},
        {u" \twav"_s, u"wav"_s},
        {u" \tFLAC"_s, u"FLAC"_s},
        {u" \tOpUs_96k"_s, u"OpUs_96k"_s},
        {u" \taac_VBR"_s, u"aac_VBR"_s},
        {u" \tmp3_"_s, u"mp3_"_s},
        {u" \tmp3_128k_x"_s, u"mp3_128k_x"_s},
        {u" ;\t mp3_128k"_s, u"mp3_128k"_s},
        // The tag ends at the first character of set B.
        {u" \tmp3_128k."_s, u"mp3_128k"_s},
        {u" \tmp3-128"_s, u"mp3"_s},
        {u" \tmp3(x)"_s, u"mp3"_s},
        {u" \tmp3#1"_s, u"mp3"_s},
        {u" \tmp3 extra"_s, u"mp3"_s},
        {u" \tmp3_1?x"_s, u"mp3_1?x"_s}, // "?" is in set A only: not an end
        {u" \tmp3?x"_s, {}},             // no "_": the whole tag is the codec part
        // Unknown codec parts are dropped.
        {u" \tvorbis"_s, {}},
        {u" \tmp3x_128k"_s, {}},
        {u" \tmp"_s, {}},
        {u" \t_128k"_s, {}},
        {u" \txyz_1"_s, {}},
        {u" \tRadio"_s, {}},
        {u" \t"_s, {}},
    };
    for (const auto& r : rows) {
        for (const QString& line : QStringList{url + r.tail, u"Name \t"_s + url + r.tail}) {
            const std::optional<ListEntry> e = ParseListLine(line);
            ASSERT_TRUE(e) << line.toStdString();
            EXPECT_EQ(e->url, url) << line.toStdString();
            EXPECT_EQ(e->format, r.expected) << line.toStdString();
        }
    }
}

TEST(ParseListLine, UrlEndsAtFirstCharacterOfSetC)
{
    const QString head = u"http://192.0.2.10/a"_s;
    for (char16_t u = 0x20; u < 0x7F; ++u) {
        const QChar c(u);
        const QString full = head + c + u"b"_s;
        const QString expected = kSetC.contains(c) ? head : full;
        for (const QString& line : QStringList{full, u"Name \t"_s + full}) {
            const std::optional<ListEntry> e = ParseListLine(line);
            ASSERT_TRUE(e) << line.toStdString();
            EXPECT_EQ(e->url, expected) << line.toStdString();
        }
    }
    const std::optional<ListEntry> query = ParseListLine(u"http://192.0.2.10/live?id=5"_s);
    ASSERT_TRUE(query);
    EXPECT_EQ(query->url, u"http://192.0.2.10/live?id"_s);
    // What the cut leaves behind is searched for the tag; "5" is no codec.
    const std::optional<ListEntry> rest = ParseListLine(u"http://192.0.2.10/?id=5 \tmp3"_s);
    ASSERT_TRUE(rest);
    EXPECT_EQ(rest->url, u"http://192.0.2.10/?id"_s);
    EXPECT_EQ(rest->format, QString());
}

TEST(FormatListLine, WritesTheFileFormAndParsesBack)
{
    const QString url = u"http://192.0.2.10:8000/live.mp3"_s;
    const struct {
        ListEntry entry;
        QString line;
        ListEntry parsed; // what a load gives back
    } rows[] = {
        {{u"Radio One"_s, url, 0, {}}, u"Radio One \t"_s + url, {u"Radio One"_s, url, 0, {}}},
        {{u"Radio One"_s, url, MARK_MODIFIED, u"mp3_128k"_s},
         u"#Radio One \t"_s + url + u" \tmp3_128k"_s,
         {u"Radio One"_s, url, MARK_MODIFIED, u"mp3_128k"_s}},
        {{{}, url, 0, u"aac_VBR"_s}, url + u" \taac_VBR"_s, {{}, url, 0, u"aac_VBR"_s}},
        {{{}, url, 0, {}}, url, {{}, url, 0, {}}},
        {{u"Jazz"_s, {}, 0, {}}, u"Jazz"_s, {u"Jazz"_s, {}, 0, {}}},
        {{u"INVALID"_s, url, 0, {}}, u"INVALID \t"_s + url, {u"INVALID"_s, url, 0, {}}},
        {{u"Fréquence Café"_s, url, MARK_MODIFIED, u"ogg"_s},
         u"#Fréquence Café \t"_s + url + u" \togg"_s,
         {u"Fréquence Café"_s, url, MARK_MODIFIED, u"ogg"_s}},
        // Marks that are not stored: the invalid mark goes, the user's mark stays.
        {{u"Kept"_s, url, MARK_MODIFIED | MARK_INVALID, {}},
         u"#Kept \t"_s + url,
         {u"Kept"_s, url, MARK_MODIFIED, {}}},
        {{u"Lost"_s, url, MARK_INVALID, {}}, u"Lost \t"_s + url, {u"Lost"_s, url, 0, {}}},
        // Without a name there is nothing to put the "#" in front of.
        {{{}, url, MARK_MODIFIED, {}}, url, {{}, url, 0, {}}},
        // Names from the network must not take the URL's place or split the line.
        {{u"Radio X - http://radiox.example"_s, url, 0, {}},
         u"Radio X - \t"_s + url,
         {u"Radio X -"_s, url, 0, {}}},
        {{u"Radio\r\nX"_s, url, 0, {}}, u"Radio  X \t"_s + url, {u"Radio  X"_s, url, 0, {}}},
        {{u"HTTP Radio"_s, url, 0, {}}, url, {{}, url, 0, {}}},
        // A name that begins with "#" keeps it behind the mark.
        {{u"#1 Hits"_s, url, 0, {}},
         u"##1 Hits \t"_s + url,
         {u"#1 Hits"_s, url, MARK_MODIFIED, {}}},
        // Titles with a "#" or of one symbol, and characters beyond the basic plane.
        {{u"Rock #1"_s, {}, 0, {}}, u"#Rock #1"_s, {u"Rock #1"_s, {}, 0, {}}},
        {{u"\u266B"_s, {}, 0, {}}, u"#\u266B"_s, {u"\u266B"_s, {}, 0, {}}},
        {{u"Chill \U0001F334"_s, {}, 0, {}},
         u"Chill \U0001F334"_s,
         {u"Chill \U0001F334"_s, {}, 0, {}}},
        {{u"\U0001F4FB Rock FM"_s, url, 0, {}},
         u"\U0001F4FB Rock FM \t"_s + url,
         {u"\U0001F4FB Rock FM"_s, url, 0, {}}},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(FormatListLine(r.entry), r.line);
        const std::optional<ListEntry> back = ParseListLine(r.line);
        ASSERT_TRUE(back) << r.line.toStdString();
        EXPECT_EQ(*back, r.parsed);
    }
}

} // namespace
