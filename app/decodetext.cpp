#include "app/cutil.h"

#include "platform/codepage.h"

#include <QHash>

namespace {

struct Entity {
    const char* name; // without "&" and ";"
    char16_t character;
};

// The entities station names and titles carry; typographic marks map to plain ASCII so
// that names stay usable as file names. &eacute; closes a gap in the classic set.
constexpr Entity kEntities[] = {
    {"nbsp", u' '},        {"shy", u'-'},         {"lrm", u'>'},         {"rlm", u'<'},
    {"quot", u'"'},        {"laquo", u'"'},       {"raquo", u'"'},       {"lsaquo", u'\''},
    {"rsaquo", u'\''},     {"ldquo", u'"'},       {"rdquo", u'"'},       {"bdquo", u'"'},
    {"apos", u'\''},       {"lsquo", u'\''},      {"rsquo", u'\''},      {"sbquo", u','},
    {"hellip", u'\u2026'}, {"iquest", u'\u00BF'}, {"uml", u'"'},         {"acute", u'\u00B4'},
    {"circ", u'^'},        {"tilde", u'~'},       {"cedil", u','},       {"middot", u'\u00B7'},
    {"bull", u'o'},        {"macr", u'\u00AF'},   {"oline", u'-'},       {"ndash", u'-'},
    {"mdash", u'-'},       {"brvbar", u'\u00A6'}, {"dagger", u'\u2020'}, {"Dagger", u'\u2021'},
    {"sect", u'\u00A7'},   {"para", u'\u00B6'},   {"copy", u'\u00A9'},   {"reg", u'\u00AE'},
    {"trade", u'\u2122'},  {"amp", u'&'},         {"loz", u'\u25CA'},    {"larr", u'\u2190'},
    {"uarr", u'\u2191'},   {"rarr", u'\u2192'},   {"darr", u'\u2193'},   {"harr", u'\u2194'},
    {"aacute", u'\u00E1'}, {"Aacute", u'\u00C1'}, {"acirc", u'\u00E2'},  {"Acirc", u'\u00C2'},
    {"agrave", u'\u00E0'}, {"Agrave", u'\u00C0'}, {"aring", u'\u00E5'},  {"Aring", u'\u00C5'},
    {"atilde", u'\u00E3'}, {"Atilde", u'\u00C3'}, {"auml", u'\u00E4'},   {"Auml", u'\u00C4'},
    {"aelig", u'\u00E6'},  {"AElig", u'\u00C6'},  {"ccedil", u'\u00E7'}, {"Ccedil", u'\u00C7'},
    {"Eacute", u'\u00C9'}, {"ecirc", u'\u00EA'},  {"Ecirc", u'\u00CA'},  {"egrave", u'\u00E8'},
    {"Egrave", u'\u00C8'}, {"euml", u'\u00EB'},   {"Euml", u'\u00CB'},   {"iacute", u'\u00ED'},
    {"Iacute", u'\u00CD'}, {"icirc", u'\u00EE'},  {"Icirc", u'\u00CE'},  {"igrave", u'\u00EC'},
    {"Igrave", u'\u00CC'}, {"iuml", u'\u00EF'},   {"Iuml", u'\u00CF'},   {"ntilde", u'\u00F1'},
    {"Ntilde", u'\u00D1'}, {"oacute", u'\u00F3'}, {"Oacute", u'\u00D3'}, {"ocirc", u'\u00F4'},
    {"Ocirc", u'\u00D4'},  {"ograve", u'\u00F2'}, {"Ograve", u'\u00D2'}, {"oslash", u'\u00F8'},
    {"Oslash", u'\u00D8'}, {"otilde", u'\u00F5'}, {"Otilde", u'\u00D5'}, {"ouml", u'\u00F6'},
    {"Ouml", u'\u00D6'},   {"oelig", u'\u0153'},  {"OElig", u'\u0152'},  {"scaron", u'\u0161'},
    {"Scaron", u'\u0160'}, {"szlig", u'\u00DF'},  {"eth", u'\u00F0'},    {"ETH", u'\u00D0'},
    {"thorn", u'\u00FE'},  {"THORN", u'\u00DE'},  {"uacute", u'\u00FA'}, {"Uacute", u'\u00DA'},
    {"ucirc", u'\u00FB'},  {"Ucirc", u'\u00DB'},  {"ugrave", u'\u00F9'}, {"Ugrave", u'\u00D9'},
    {"uuml", u'\u00FC'},   {"Uuml", u'\u00DC'},   {"yacute", u'\u00FD'}, {"Yacute", u'\u00DD'},
    {"yuml", u'\u00FF'},   {"Yuml", u'\u0178'},   {"deg", u'\u00B0'},    {"micro", u'\u00B5'},
    {"lt", u'<'},          {"gt", u'>'},          {"le", u'\u2264'},     {"ge", u'\u2265'},
    {"asymp", u'\u2248'},  {"ne", u'\u2260'},     {"equiv", u'\u2261'},  {"plusmn", u'\u00B1'},
    {"minus", u'\u2212'},  {"times", u'x'},       {"divide", u'\u00F7'}, {"frasl", u'/'},
    {"permil", u'\u2030'}, {"frac14", u'\u00BC'}, {"frac12", u'\u00BD'}, {"frac34", u'\u00BE'},
    {"sup1", u'\u00B9'},   {"sup2", u'\u00B2'},   {"sup3", u'\u00B3'},   {"ordm", u'\u00BA'},
    {"ordf", u'\u00AA'},   {"fnof", u'\u0192'},   {"prime", u'\u2032'},  {"Prime", u'\u2033'},
    {"part", u'\u2202'},   {"prod", u'\u220F'},   {"sum", u'\u2211'},    {"radic", u'\u221A'},
    {"infin", u'\u221E'},  {"not", u'\u00AC'},    {"cap", u'\u2229'},    {"int", u'\u222B'},
    {"eacute", u'\u00E9'},
};
static_assert(std::size(kEntities) == 145);

const QHash<QString, QChar>& entityTable()
{
    static const QHash<QString, QChar> table = [] {
        QHash<QString, QChar> t;
        for (const Entity& e : kEntities)
            t.insert(QLatin1String(e.name), QChar(e.character));
        return t;
    }();
    return table;
}

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// The byte of "%hh" at position i, or -1 when the text there is not such an escape.
int escapedByte(QStringView s, qsizetype i)
{
    if (i + 2 >= s.size() || s[i] != u'%')
        return -1;
    const int hi = hexValue(s[i + 1]), lo = hexValue(s[i + 2]);
    return hi < 0 || lo < 0 ? -1 : hi * 16 + lo;
}

bool isEntityNameChar(QChar c)
{
    return c.unicode() < 0x80 && c.isLetterOrNumber();
}

} // namespace

QString CUtil::DecodeText(QByteArrayView text)
{
    const QString wide = ToWide(text);
    if (!wide.contains(u'%') && !wide.contains(u'&'))
        return wide;

    QString out;
    out.reserve(wide.size());
    const qsizetype n = wide.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = wide[i];
        if (c == u'%') {
            if (i + 2 >= n)
                break; // an escape cut off by the end of the text: stop here
            const int b = escapedByte(wide, i);
            if (b < 0) {
                out += c;
                ++i;
                continue;
            }
            if (b < 0x80) {
                out += QChar(b);
                i += 3;
                continue;
            }
            // A percent-encoded UTF-8 sequence of two to four bytes.
            const int length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
            char32_t cp = char32_t(b & (0x7F >> length));
            bool utf8 = b >= 0xC2 && b <= 0xF4;
            bool cut = false;
            for (int k = 1; utf8 && k < length; ++k) {
                const qsizetype at = i + 3 * k;
                if (at >= n || (wide[at] == u'%' && at + 2 >= n)) {
                    cut = true; // the sequence runs past the end of the text
                    break;
                }
                const int next = escapedByte(wide, at);
                utf8 = next >= 0x80 && next <= 0xBF;
                cp = (cp << 6) | char32_t(next & 0x3F);
            }
            if (cut)
                break;
            static constexpr char32_t kLowest[5] = {0, 0, 0x80, 0x800, 0x10000};
            if (!utf8 || cp < kLowest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
                // Not UTF-8 after all: the byte in the 8-bit code page.
                const char byte = static_cast<char>(b);
                out += platform::fromWindows1252(QByteArrayView(&byte, 1));
                i += 3;
                continue;
            }
            out += QString::fromUcs4(&cp, 1);
            i += 3 * length;
        } else if (c == u'&') {
            const qsizetype semi = wide.indexOf(u';', i + 1);
            qsizetype len = semi - i - 1;
            bool candidate = semi > i && len >= 1;
            for (qsizetype k = i + 1; candidate && k < semi; ++k)
                candidate = isEntityNameChar(wide[k]);
            if (!candidate) {
                // Not an entity at all ("Rock & Pop"): keep the ampersand.
                out += c;
                ++i;
                continue;
            }
            if (len <= 6) {
                const auto it = entityTable().constFind(wide.mid(i + 1, len));
                if (it != entityTable().constEnd())
                    out += *it;
            }
            i = semi + 1;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}
