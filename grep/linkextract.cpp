#include "grep/linkextract.h"

#include <array>
#include <unordered_set>
#include <vector>

namespace {

constexpr qsizetype kMinimumLength = 12;

// The 19 characters that end an address, as a table for the characters below 128.
constexpr std::array<bool, 128> kEndsLink = [] {
    std::array<bool, 128> t{};
    for (char c : {' ', '\n', '\r', '\t', '"', '<', '>', '[', ']', '$', '&', '\'', '(', ')', '*',
                   '+', ',', ';', '='})
        t[size_t(c)] = true;
    return t;
}();

bool endsLink(char16_t c)
{
    return c < 128 && kEndsLink[c];
}

// Letters compared without regard to case: one code unit for one, so that positions counted
// from the end of the lowered text are those of the link. Plain ASCII, nearly all of an
// address, takes the short way.
void lowerInto(QStringView s, std::vector<char16_t>& out)
{
    out.resize(size_t(s.size()));
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c < 0x80)
            out[size_t(i)] = (c >= u'A' && c <= u'Z') ? char16_t(c | 0x20) : c;
        else
            out[size_t(i)] = QChar(c).toLower().unicode();
    }
}

// Path codes of pages that are known not to be streams: "/" and three letters or digits,
// lower case ("/rv" is the one of two).
constexpr std::array<const char*, 185> kPathCodes = {
    "sve", "idm", "98f", "gbc", "ban", "bcm", "bhw", "mdl", "ntk", "clm", "hmy", "mar", "r2x",
    "rpu", "zcr", "bet", "ine", "cck", "kry", "nov", "red", "sns", "ser", "ssd", "tip", "wlr",
    "qdb", "nts", "nwr", "lmf", "kck", "kcc", "hig", "ecw", "clr", "ccw", "96f", "sps", "inw",
    "cu1", "clh", "rgo", "rjr", "rr1", "r1x", "rng", "spi", "tdy", "uie", "kfm", "ocd", "ocs",
    "r2f", "rly", "b1x", "br2", "br3", "b4d", "b4l", "b4x", "b5l", "b5s", "bbk", "b6m", "bbr",
    "bcg", "bcn", "bcy", "bc2", "bcw", "bes", "br1", "bdb", "bdy", "bdv", "bfy", "bgt", "bgs",
    "bhm", "bjs", "bkt", "bla", "bld", "bls", "blc", "bln", "bmc", "bms", "bsd", "bws", "blm",
    "bum", "jke", "vce", "wnf", "zkd", "spd", "ibn", "aby", "act", "aiw", "ath", "bnt", "bok",
    "bnh", "bnf", "bnc", "bng", "bsx", "bsa", "box", "bsl", "bss", "bst", "bsf", "bsc", "bul",
    "bwl", "bwa", "b3c", "hsp", "1bm", "1bn", "bwm", "bwt", "byk", "bsy", "bts", "bse", "bsn",
    "bsh", "bks", "bkc", "brn", "bhs", "brm", "bsr", "cab", "cam", "chb", "cal", "cac", "cne",
    "xrp", "xrs", "cro", "dls", "dh1", "dov", "dcr", "drv", "den", "emb", "dry", "fsx", "gdb",
    "gdm", "gdf", "icr", "i2b", "isi", "jce", "jvk", "isl", "kcl", "khn", "kcd", "kan", "lsr",
    "lmc", "mlw", "mrn", "nea", "phh", "plb", "pub", "pbc", "scb", "shp", "shm", "sin", "sdw",
    "sel", "svo", "rv"};

// Codes are lower-case letters and digits: 36 symbols, so three of them index one bit table.
int symbol(char16_t c)
{
    if (c >= u'a' && c <= u'z')
        return c - u'a';
    if (c >= u'0' && c <= u'9')
        return 26 + (c - u'0');
    return -1;
}

const std::vector<bool>& pathCodeTable()
{
    static const std::vector<bool> table = [] {
        std::vector<bool> t(36 * 36 * 36, false);
        for (const char* code : kPathCodes) {
            if (code[2])
                t[size_t((symbol(char16_t(code[0])) * 36 + symbol(char16_t(code[1]))) * 36 +
                         symbol(char16_t(code[2])))] = true;
        }
        return t;
    }();
    return table;
}

bool startsWithAt(const char16_t* s, qsizetype left, const char* word, qsizetype n)
{
    if (left < n)
        return false;
    for (qsizetype k = 0; k < n; ++k) {
        if (s[k] != char16_t(word[k]))
            return false;
    }
    return true;
}

template <size_t N> bool wordAt(const char16_t* s, qsizetype left, const char (&word)[N])
{
    return startsWithAt(s, left, word, qsizetype(N - 1));
}

// Every rule in one pass over the lowered link: the words that reject wherever they stand,
// the path codes, and the first places of the words that reject only at the end.
bool isCandidateLowered(const char16_t* s, qsizetype len)
{
    if (len < kMinimumLength)
        return false;
    const std::vector<bool>& codes = pathCodeTable();
    qsizetype utm = -1, lang = -1, asp = -1, com = -1, net = -1;
    for (qsizetype i = 0; i < len; ++i) {
        const char16_t* at = s + i;
        const qsizetype left = len - i;
        switch (*at) {
        case u'.':
            if (wordAt(at, left, ".m3u8") || wordAt(at, left, ".jpg") ||
                wordAt(at, left, ".jpeg") || wordAt(at, left, ".png") || wordAt(at, left, ".gif") ||
                wordAt(at, left, ".htm") || wordAt(at, left, ".js") || wordAt(at, left, ".ico") ||
                wordAt(at, left, ".css") || wordAt(at, left, ".webp") || wordAt(at, left, ".svg") ||
                wordAt(at, left, ".org") || wordAt(at, left, ".ie/"))
                return false;
            if (asp < 0 && wordAt(at, left, ".asp"))
                asp = i;
            if (com < 0 && wordAt(at, left, ".com"))
                com = i;
            if (net < 0 && wordAt(at, left, ".net"))
                net = i;
            break;
        case u'/': {
            if (left >= 3 && at[1] == u'r' && at[2] == u'v')
                return false;
            if (left < 4)
                break;
            const int a = symbol(at[1]), b = symbol(at[2]), c = symbol(at[3]);
            if (a >= 0 && b >= 0 && c >= 0 && codes[size_t((a * 36 + b) * 36 + c)])
                return false;
            break;
        }
        case u'g':
            if (wordAt(at, left, "google"))
                return false;
            break;
        case u'i':
            if (wordAt(at, left, "itunes.apple"))
                return false;
            break;
        case u'u':
            if (utm < 0 && wordAt(at, left, "utm_source"))
                utm = i;
            break;
        case u'l':
            if (lang < 0 && wordAt(at, left, "lang"))
                lang = i;
            break;
        default:
            break;
        }
    }
    return utm != len - 10 && lang != len - 4 && asp != len - 4 && com != len - 4 &&
           com != len - 5 && net != len - 4 && net != len - 5;
}

} // namespace

bool FoundLinks::addUniqueLink(const QString& link)
{
    if (contains(link))
        return false;
    links_.append(link);
    // The view looks at the list's own copy, whose characters stay where they are.
    seen_.insert(QStringView(links_.back()));
    return true;
}

bool FoundLinks::contains(QStringView link) const
{
    return seen_.contains(link);
}

void FoundLinks::clear()
{
    seen_.clear();
    links_.clear();
}

QStringList extractLinks(QStringView text, FoundLinks& found)
{
    QStringList added;
    const qsizetype n = text.size();
    if (n - 1 <= 0)
        return added;
    std::vector<char16_t> lower;
    // Pages name most addresses twice (link and text): each is judged once.
    std::unordered_set<QStringView, FoundLinks::ViewHash> judged;
    judged.reserve(size_t(n / 256));
    qsizetype pos = 0;
    while (pos < n - 1) {
        const qsizetype p = text.indexOf(u"http", pos);
        if (p < 0)
            break;
        qsizetype end = std::min(p + 4, n);
        while (end < n && !endsLink(text[end].unicode()))
            ++end;
        const QStringView link = text.sliced(p, end - p);
        pos = p + 1 + link.size();
        if (!judged.insert(link).second || found.contains(link))
            continue;
        lowerInto(link, lower);
        if (!isCandidateLowered(lower.data(), link.size()))
            continue;
        const QString kept = link.toString();
        found.addUniqueLink(kept);
        added.append(kept);
    }
    return added;
}
