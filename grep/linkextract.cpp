#include "grep/linkextract.h"

#include <array>

namespace {

constexpr qsizetype kMinimumLength = 12;

bool endsLink(char16_t c)
{
    switch (c) {
    case u' ':
    case u'\n':
    case u'\r':
    case u'\t':
    case u'"':
    case u'<':
    case u'>':
    case u'[':
    case u']':
    case u'$':
    case u'&':
    case u'\'':
    case u'(':
    case u')':
    case u'*':
    case u'+':
    case u',':
    case u';':
    case u'=':
        return true;
    default:
        return false;
    }
}

// Letters compared without regard to case: one code unit for one, so that positions counted
// from the end of the lowered text are those of the link.
QString lowered(QStringView s)
{
    QString out(s.size(), Qt::Uninitialized);
    QChar* d = out.data();
    for (qsizetype i = 0; i < s.size(); ++i)
        d[i] = s[i].toLower();
    return out;
}

// Path codes of pages that are known not to be streams: "/" and three letters or digits,
// lower case, held as one number each for a quick lookup.
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

// Codes are plain ASCII, so three of their characters fit one number without overlap.
constexpr std::uint32_t packCode(char16_t a, char16_t b, char16_t c)
{
    return (std::uint32_t(a) << 16) | (std::uint32_t(b) << 8) | std::uint32_t(c);
}

const QSet<std::uint32_t>& threeLetterCodes()
{
    static const QSet<std::uint32_t> codes = [] {
        QSet<std::uint32_t> s;
        for (const char* code : kPathCodes) {
            if (code[2])
                s.insert(packCode(char16_t(code[0]), char16_t(code[1]), char16_t(code[2])));
        }
        return s;
    }();
    return codes;
}

bool hasPathCode(QStringView lower)
{
    const QSet<std::uint32_t>& codes = threeLetterCodes();
    for (qsizetype i = 0; i + 2 < lower.size(); ++i) {
        if (lower[i] != u'/')
            continue;
        if (lower[i + 1] == u'r' && lower[i + 2] == u'v')
            return true; // "/rv", the one code of two letters
        if (i + 3 >= lower.size())
            continue;
        const char16_t a = lower[i + 1].unicode(), b = lower[i + 2].unicode(),
                       c = lower[i + 3].unicode();
        if (a < 0x80 && b < 0x80 && c < 0x80 && codes.contains(packCode(a, b, c)))
            return true;
    }
    return false;
}

// Words that reject a link wherever they stand; all but two begin with a dot, so one look
// after every dot finds those.
constexpr std::array<QStringView, 13> kDotWords = {u".m3u8", u".jpg", u".jpeg", u".png", u".gif",
                                                   u".htm",  u".js",  u".ico",  u".css", u".webp",
                                                   u".svg",  u".org", u".ie/"};

bool hasRejectedWord(QStringView lower)
{
    for (qsizetype dot = lower.indexOf(u'.'); dot >= 0; dot = lower.indexOf(u'.', dot + 1)) {
        const QStringView from = lower.sliced(dot);
        for (QStringView word : kDotWords) {
            if (from.startsWith(word))
                return true;
        }
    }
    return lower.contains(u"google") || lower.contains(u"itunes.apple");
}

// True when the first occurrence of word starts n characters before the end.
bool firstEndsAt(QStringView lower, QStringView word, qsizetype n)
{
    const qsizetype at = lower.indexOf(word);
    return at >= 0 && at == lower.size() - n;
}

bool isCandidateLowered(QStringView lower)
{
    if (lower.size() < kMinimumLength)
        return false;
    if (firstEndsAt(lower, u"utm_source", 10) || firstEndsAt(lower, u"lang", 4) ||
        firstEndsAt(lower, u".asp", 4))
        return false;
    for (QStringView tld : {QStringView(u".com"), QStringView(u".net")}) {
        const qsizetype at = lower.indexOf(tld);
        if (at >= 0 && (at == lower.size() - 4 || at == lower.size() - 5))
            return false;
    }
    return !hasRejectedWord(lower) && !hasPathCode(lower);
}

} // namespace

bool FoundLinks::addUniqueLink(const QString& link)
{
    if (seen_.contains(link))
        return false;
    seen_.insert(link);
    links_.append(link);
    return true;
}

void FoundLinks::clear()
{
    links_.clear();
    seen_.clear();
}

bool isCandidateLink(QStringView link)
{
    return isCandidateLowered(lowered(link));
}

QStringList extractLinks(QStringView text, FoundLinks& found)
{
    QStringList added;
    const qsizetype n = text.size();
    if (n - 1 <= 0)
        return added;
    // Lowered once for the whole page rather than once per test of every link.
    const QString lower = lowered(text);
    qsizetype pos = 0;
    while (pos < n - 1) {
        const qsizetype p = text.indexOf(u"http", pos);
        if (p < 0)
            break;
        qsizetype end = std::min(p + 4, n);
        while (end < n && !endsLink(text[end].unicode()))
            ++end;
        const qsizetype length = end - p;
        pos = p + 1 + length;
        if (isCandidateLowered(QStringView(lower).sliced(p, length))) {
            const QString link = text.sliced(p, length).toString();
            if (found.addUniqueLink(link))
                added.append(link);
        }
    }
    return added;
}
