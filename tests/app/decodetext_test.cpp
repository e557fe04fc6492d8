#include "app/cutil.h"

#include "tests/support/printers.h"
#include <QString>

#include <gtest/gtest.h>
#include <ostream>

using namespace Qt::StringLiterals;

namespace {

TEST(DecodeText, PercentEscapesAndEntities)
{
    const struct {
        QByteArray in;
        QString out;
    } rows[] = {
        {"Caf%C3%A9 &amp; Jazz", u"Café & Jazz"_s},
        {"Plain title", u"Plain title"_s},
        {"Caf\xE9 Fr\xE9quence", u"Café Fréquence"_s}, // no escapes: the 8-bit reading only
        {"%41%62%63", u"Abc"_s},
        {"%e2%82%ac 5", u"€ 5"_s},
        {"%E6%9D%B1%E4%BA%AC FM", u"東京 FM"_s},
        {"50%25 off", u"50% off"_s},
        {"A%2fB", u"A/B"_s},
        // Not an escape: the "%" stays.
        {"50% off", u"50% off"_s},
        {"100%zz done", u"100%zz done"_s},
        {"%4G!", u"%4G!"_s},
        // Too short to be an escape at the end: decoding stops, the text before stays.
        {"100%", u"100"_s},
        {"Rock & Pop 5%", u"Rock & Pop 5"_s},
        {"a%4", u"a"_s},
        {"Caf%C3", u"Caf"_s},
        {"Caf%C3%A", u"Caf"_s},
        {"x%E2%82%A", u"x"_s},
        // A high byte that begins no UTF-8 sequence is the Windows-1252 character.
        {"x%A9 jazz radio", u"x© jazz radio"_s},
        {"caf%e9 jazz band", u"café jazz band"_s},
        {"%C3%ZZ mixes", u"Ã%ZZ mixes"_s},
        // Near the end of the text too, and whatever follows the byte.
        {"Caf%E9 FM", u"Café FM"_s},
        {"Radio %A9", u"Radio ©"_s},
        {"Caf%E9X", u"CaféX"_s},
        // Four bytes give a character beyond the basic plane; broken sequences and encoded
        // surrogates are single Windows-1252 bytes, never a lone surrogate.
        {"%F0%9F%93%BB Radio", u"\U0001F4FB Radio"_s},
        {"%C3%28 x", u"Ã( x"_s},
        {"%ED%A0%80 x", u"í\u00A0€ x"_s},
        {"%C0%AF x", u"À¯ x"_s},
        // Entities.
        {"Rock &foo; Pop", u"Rock  Pop"_s},
        {"a&AMP;b", u"ab"_s},
        {"a &abcdefg; b", u"a  b"_s},
        {"&lt;b&gt;Live&lt;/b&gt;", u"<b>Live</b>"_s},
        {"&amp;amp;", u"&amp;"_s},
        {"%26amp; x", u"&amp; x"_s},
        // An "&" that begins no entity stays.
        {"Rock & Pop", u"Rock & Pop"_s},
        {"Rock & Pop; Jazz", u"Rock & Pop; Jazz"_s},
        {"Tom&Jerry", u"Tom&Jerry"_s},
        {"&;", u"&;"_s},
        {"&#39;quoted&#39;", u"&#39;quoted&#39;"_s},
        {"AT&T &amp", u"AT&T &amp"_s},
        // The text is scanned as wide text: letters outside Windows-1252 survive.
        {"\xCE\xA9mega &amp; Co", u"Ωmega & Co"_s},
        {"\xD0\x9A\xD0\xBB\xD0\xB0\xD1\x81\xD1\x81\xD0\xB8\xD0\xBA\xD0\xB0 100%",
         u"Классика 100"_s},
        {"Caf\xE9 &amp; Jazz", u"Café & Jazz"_s},
        {"", QString()},
    };
    for (const auto& r : rows)
        EXPECT_EQ(CUtil::DecodeText(r.in), r.out) << r.in.constData();
}

TEST(DecodeText, EveryEntityOfTheTable)
{
    // Typographic marks map to plain characters, the rest to their HTML character.
    const struct {
        const char* entity;
        char16_t c;
    } rows[] = {
        {"nbsp", u' '},   {"shy", u'-'},    {"lrm", u'>'},     {"rlm", u'<'},     {"quot", u'"'},
        {"laquo", u'"'},  {"raquo", u'"'},  {"lsaquo", u'\''}, {"rsaquo", u'\''}, {"ldquo", u'"'},
        {"rdquo", u'"'},  {"bdquo", u'"'},  {"apos", u'\''},   {"lsquo", u'\''},  {"rsquo", u'\''},
        {"sbquo", u','},  {"hellip", u'…'}, {"iquest", u'¿'},  {"uml", u'"'},     {"acute", u'´'},
        {"circ", u'^'},   {"tilde", u'~'},  {"cedil", u','},   {"middot", u'·'},  {"bull", u'o'},
        {"macr", u'¯'},   {"oline", u'-'},  {"ndash", u'-'},   {"mdash", u'-'},   {"brvbar", u'¦'},
        {"dagger", u'†'}, {"Dagger", u'‡'}, {"sect", u'§'},    {"para", u'¶'},    {"copy", u'©'},
        {"reg", u'®'},    {"trade", u'™'},  {"amp", u'&'},     {"loz", u'◊'},     {"larr", u'←'},
        {"uarr", u'↑'},   {"rarr", u'→'},   {"darr", u'↓'},    {"harr", u'↔'},    {"aacute", u'á'},
        {"Aacute", u'Á'}, {"acirc", u'â'},  {"Acirc", u'Â'},   {"agrave", u'à'},  {"Agrave", u'À'},
        {"aring", u'å'},  {"Aring", u'Å'},  {"atilde", u'ã'},  {"Atilde", u'Ã'},  {"auml", u'ä'},
        {"Auml", u'Ä'},   {"aelig", u'æ'},  {"AElig", u'Æ'},   {"ccedil", u'ç'},  {"Ccedil", u'Ç'},
        {"Eacute", u'É'}, {"ecirc", u'ê'},  {"Ecirc", u'Ê'},   {"egrave", u'è'},  {"Egrave", u'È'},
        {"euml", u'ë'},   {"Euml", u'Ë'},   {"iacute", u'í'},  {"Iacute", u'Í'},  {"icirc", u'î'},
        {"Icirc", u'Î'},  {"igrave", u'ì'}, {"Igrave", u'Ì'},  {"iuml", u'ï'},    {"Iuml", u'Ï'},
        {"ntilde", u'ñ'}, {"Ntilde", u'Ñ'}, {"oacute", u'ó'},  {"Oacute", u'Ó'},  {"ocirc", u'ô'},
        {"Ocirc", u'Ô'},  {"ograve", u'ò'}, {"Ograve", u'Ò'},  {"oslash", u'ø'},  {"Oslash", u'Ø'},
        {"otilde", u'õ'}, {"Otilde", u'Õ'}, {"ouml", u'ö'},    {"Ouml", u'Ö'},    {"oelig", u'œ'},
        {"OElig", u'Œ'},  {"scaron", u'š'}, {"Scaron", u'Š'},  {"szlig", u'ß'},   {"eth", u'ð'},
        {"ETH", u'Ð'},    {"thorn", u'þ'},  {"THORN", u'Þ'},   {"uacute", u'ú'},  {"Uacute", u'Ú'},
        {"ucirc", u'û'},  {"Ucirc", u'Û'},  {"ugrave", u'ù'},  {"Ugrave", u'Ù'},  {"uuml", u'ü'},
        {"Uuml", u'Ü'},   {"yacute", u'ý'}, {"Yacute", u'Ý'},  {"yuml", u'ÿ'},    {"Yuml", u'Ÿ'},
        {"deg", u'°'},    {"micro", u'µ'},  {"lt", u'<'},      {"gt", u'>'},      {"le", u'≤'},
        {"ge", u'≥'},     {"asymp", u'≈'},  {"ne", u'≠'},      {"equiv", u'≡'},   {"plusmn", u'±'},
        {"minus", u'−'},  {"times", u'x'},  {"divide", u'÷'},  {"frasl", u'/'},   {"permil", u'‰'},
        {"frac14", u'¼'}, {"frac12", u'½'}, {"frac34", u'¾'},  {"sup1", u'¹'},    {"sup2", u'²'},
        {"sup3", u'³'},   {"ordm", u'º'},   {"ordf", u'ª'},    {"fnof", u'ƒ'},    {"prime", u'′'},
        {"Prime", u'″'},  {"part", u'∂'},   {"prod", u'∏'},    {"sum", u'∑'},     {"radic", u'√'},
        {"infin", u'∞'},  {"not", u'¬'},    {"cap", u'∩'},     {"int", u'∫'},     {"eacute", u'é'},
    };
    EXPECT_EQ(std::size(rows), 145u);
    for (const auto& r : rows) {
        const QByteArray in = QByteArray("x&") + r.entity + ";y";
        EXPECT_EQ(CUtil::DecodeText(in), u"x"_s + QChar(r.c) + u"y"_s) << r.entity;
        // Entity names are case-sensitive: the same name in capitals (unless it is
        // another row) is dropped.
        const QByteArray upper = QByteArray(r.entity).toUpper();
        const bool upperIsRow = std::any_of(std::begin(rows), std::end(rows), [&](const auto& o) {
            return upper == QByteArray(o.entity);
        });
        if (!upperIsRow) {
            EXPECT_EQ(CUtil::DecodeText(QByteArray(QByteArray("x&") + upper + ";y")), u"xy"_s)
                << upper.constData();
        }
    }
}

} // namespace
