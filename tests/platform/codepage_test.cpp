#include "platform/codepage.h"

#include <QString>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

TEST(Codepage, EveryByteRoundTrips)
{
    QByteArray all(256, Qt::Uninitialized);
    for (int b = 0; b < 256; ++b)
        all[b] = char(b);
    const QString wide = platform::fromWindows1252(all);
    ASSERT_EQ(wide.size(), 256);
    for (int b = 0; b < 256; ++b) {
        const QString one = platform::fromWindows1252(all.mid(b, 1));
        ASSERT_EQ(one.size(), 1) << b;
        EXPECT_EQ(one[0], wide[b]) << b;
        EXPECT_EQ(platform::toWindows1252(one), all.mid(b, 1)) << b;
        if (b < 0x80 || b >= 0xA0) {
            EXPECT_EQ(wide[b].unicode(), char16_t(b)) << b; // ASCII and Latin-1 as they are
        }
    }
    EXPECT_EQ(platform::toWindows1252(wide), all);
}

TEST(Codepage, TheWindowsCharactersOfTheC1Range)
{
    const struct {
        unsigned char byte;
        char16_t c;
    } rows[] = {
        {0x80, u'€'},
        {0x82, u'‚'},
        {0x83, u'ƒ'},
        {0x84, u'„'},
        {0x85, u'…'},
        {0x86, u'†'},
        {0x87, u'‡'},
        {0x88, u'ˆ'},
        {0x89, u'‰'},
        {0x8A, u'Š'},
        {0x8B, u'‹'},
        {0x8C, u'Œ'},
        {0x8E, u'Ž'},
        {0x91, u'‘'},
        {0x92, u'’'},
        {0x93, u'“'},
        {0x94, u'”'},
        {0x95, u'•'},
        {0x96, u'–'},
        {0x97, u'—'},
        {0x98, u'˜'},
        {0x99, u'™'},
        {0x9A, u'š'},
        {0x9B, u'›'},
        {0x9C, u'œ'},
        {0x9E, u'ž'},
        {0x9F, u'Ÿ'},
        // Undefined in the code page: the C1 control of the same number.
        {0x81, 0x81},
        {0x8D, 0x8D},
        {0x8F, 0x8F},
        {0x90, 0x90},
        {0x9D, 0x9D},
    };
    for (const auto& r : rows) {
        const char byte = char(r.byte);
        EXPECT_EQ(platform::fromWindows1252(QByteArrayView(&byte, 1)), QString(QChar(r.c)))
            << std::hex << int(r.byte);
    }
}

TEST(Codepage, CharactersOutsideTheCodePageBecomeQuestionMarks)
{
    const struct {
        QString text;
        QByteArray bytes;
    } rows[] = {
        {u"Café €5"_s, "Caf\xE9 \x80"
                       "5"},
        {u"Ω"_s, "?"},
        {u"aΩb東京"_s, "a?b??"},
        {u"\u0080"_s, "?"}, // C1 control whose byte already means "€"
        {u"\u0081"_s, "\x81"},
        {u"Grüß “x”"_s, "Gr\xFC\xDF \x93x\x94"},
        {QString(), QByteArray()},
    };
    for (const auto& r : rows)
        EXPECT_EQ(platform::toWindows1252(r.text), r.bytes) << r.text.toStdString();
}

} // namespace
