#pragma once

// A slow, word-for-word reading of the link rules: every test lowers both strings anew and
// searches from the start, as the rules are written. The fuzz target, a unit test and the
// benchmark hold the program's fast extractor against it; the program never uses it.

#include <QString>
#include <QStringList>

namespace literal {

inline QString lowerEach(const QString& s)
{
    QString out = s;
    for (QChar& c : out)
        c = c.toLower();
    return out;
}

inline qsizetype find(const QString& hay, const QString& needle)
{
    return lowerEach(hay).indexOf(lowerEach(needle));
}

inline bool rejected(const QString& link)
{
    static const char* const codes[] = {
        "/SVE", "/IDM", "/98F", "/GBC", "/BAN", "/BCM", "/BHW", "/MDL", "/NTK", "/CLM", "/HMY",
        "/MAR", "/R2X", "/RPU", "/ZCR", "/BET", "/INE", "/CCK", "/KRY", "/NOV", "/RED", "/SNS",
        "/SER", "/SSD", "/TIP", "/WLR", "/QDB", "/NTS", "/NWR", "/LMF", "/KCK", "/KCC", "/HIG",
        "/ECW", "/CLR", "/CCW", "/96F", "/SPS", "/INW", "/CU1", "/CLH", "/RGO", "/RJR", "/RR1",
        "/R1X", "/RNG", "/SPI", "/TDY", "/UIE", "/KFM", "/OCD", "/OCS", "/R2F", "/RLY", "/B1X",
        "/BR2", "/BR3", "/B4D", "/B4L", "/B4X", "/B5L", "/B5S", "/BBK", "/B6M", "/BBR", "/BCG",
        "/BCN", "/BCY", "/BC2", "/BCW", "/BES", "/BR1", "/BDB", "/BDY", "/BDV", "/BFY", "/BGT",
        "/BGS", "/BHM", "/BJS", "/BKT", "/BLA", "/BLD", "/BLS", "/BLC", "/BLN", "/BMC", "/BMS",
        "/BSD", "/BWS", "/BLM", "/BUM", "/JKE", "/VCE", "/WNF", "/ZKD", "/SPD", "/IBN", "/ABY",
        "/ACT", "/AIW", "/ATH", "/BNT", "/BOK", "/BNH", "/BNF", "/BNC", "/BNG", "/BSX", "/BSA",
        "/BOX", "/BSL", "/BSS", "/BST", "/BSF", "/BSC", "/BUL", "/BWL", "/BWA", "/B3C", "/HSP",
        "/1BM", "/1BN", "/BWM", "/BWT", "/BYK", "/BSY", "/BTS", "/BSE", "/BSN", "/BSH", "/BKS",
        "/BKC", "/BRN", "/BHS", "/BRM", "/BSR", "/CAB", "/CAM", "/CHB", "/CAL", "/CAC", "/CNE",
        "/XRP", "/XRS", "/CRO", "/DLS", "/DH1", "/DOV", "/DCR", "/DRV", "/DEN", "/EMB", "/DRY",
        "/FSX", "/GDB", "/GDM", "/GDF", "/ICR", "/I2B", "/ISI", "/JCE", "/JVK", "/ISL", "/KCL",
        "/KHN", "/KCD", "/KAN", "/LSR", "/LMC", "/MLW", "/MRN", "/NEA", "/PHH", "/PLB", "/PUB",
        "/PBC", "/SCB", "/SHP", "/SHM", "/SIN", "/SDW", "/SEL", "/SVO", "/RV"};
    const qsizetype len = link.size();
    const auto at = [&](const char* w) { return find(link, QString::fromLatin1(w)); };
    if (at(".m3u8") >= 0 || len < 12)
        return true;
    if (at("utm_source") == len - 10 || at("lang") == len - 4 || at(".asp") == len - 4)
        return true;
    for (const char* w : {"google", "itunes.apple", ".jpg", ".jpeg", ".png", ".gif", ".htm", ".js",
                          ".ico", ".css", ".webp", ".svg", ".org"})
        if (at(w) >= 0)
            return true;
    if (at(".com") == len - 4 || at(".com") == len - 5 || at(".net") == len - 4 ||
        at(".net") == len - 5)
        return true;
    if (at(".ie/") >= 0)
        return true;
    for (const char* code : codes)
        if (at(code) >= 0)
            return true;
    return false;
}

// The accepted links of text, each once, after those already in found (which it extends).
inline QStringList extract(const QString& text, QStringList& found)
{
    static const QString ends = QStringLiteral(" \n\r\t<>[]$&'()*+,;=\"");
    QStringList added;
    const qsizetype n = text.size();
    if (n - 1 <= 0)
        return added;
    qsizetype pos = 0;
    while (true) {
        const qsizetype p = text.indexOf(QStringLiteral("http"), pos);
        if (p < 0)
            break;
        const QString rest = text.mid(p);
        qsizetype e = -1;
        for (qsizetype i = 4; i < rest.size() && e < 0; ++i)
            if (ends.contains(rest[i]))
                e = i;
        const QString link = e < 0 ? rest : rest.left(e);
        pos = p + 1 + link.size();
        if (!rejected(link) && !found.contains(link)) {
            found.append(link);
            added.append(link);
        }
        if (!(pos < n - 1))
            break;
    }
    return added;
}

} // namespace literal
