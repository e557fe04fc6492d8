#include "stations/listline.h"

#include "stations/formats.h"

namespace listchars {
namespace {
// Every set is ASCII: one 128-entry table per set instead of a search of the set per call.
struct Set {
    bool has[128] = {};
    constexpr explicit Set(std::u16string_view chars)
    {
        for (char16_t c : chars)
            has[c] = true;
    }
    constexpr bool operator()(QChar c) const { return c.unicode() < 128 && has[c.unicode()]; }
};
constexpr Set kSetA(u" \\\t\n\r.,':;|?+=^%*$&)\"");
constexpr Set kSetB(u" \\\t\n\r.,':;|+=^%*$&#-(\"");
constexpr Set kSetC(u" \n\r\t<>[]$&'()*+,;=\"");
} // namespace

bool inSetA(QChar c)
{
    return kSetA(c);
}

bool inSetB(QChar c)
{
    return kSetB(c);
}

bool inSetC(QChar c)
{
    return kSetC(c);
}

bool inSetD(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'"';
}

bool isVisible(QChar c)
{
    // A character beyond the basic plane (an emoji) arrives as two surrogates.
    return c.unicode() > 0x20 && (c.isPrint() || c.isSurrogate());
}

} // namespace listchars

namespace {

using namespace listchars;

template <typename Pred> qsizetype lastNotIn(QStringView s, Pred inSet)
{
    for (qsizetype i = s.size() - 1; i >= 0; --i) {
        if (!inSet(s[i]))
            return i;
    }
    return -1;
}

// Drops what follows the last character outside the set, when that character stands at
// index 1 or later; otherwise the text stays as it is.
template <typename Pred> QStringView cutAfterLastNotIn(QStringView s, Pred inSet)
{
    const qsizetype last = lastNotIn(s, inSet);
    return last >= 1 ? s.first(last + 1) : s;
}

bool isKnownCodec(QStringView codec)
{
    for (int code = 1; code < formats::kCount; ++code) {
        if (codec.compare(QStringView(formats::kNames[code]), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// URL and format tag of a candidate that begins with "http"; rest is the text the tag is
// looked for in. False when no URL is left.
bool parseUrlAndTag(QStringView candidate, QStringView rest, ListEntry& entry)
{
    QStringView url = candidate;
    for (qsizetype i = 1; i < url.size(); ++i) {
        if (inSetC(url[i])) {
            url = url.first(i);
            break;
        }
    }
    const qsizetype e = lastNotIn(url, inSetC);
    if (e >= 1)
        url = url.first(e + 1);
    if (url.isEmpty())
        return false;
    entry.url = url.toString();

    qsizetype s = e + 1;
    while (s < rest.size() && inSetA(rest[s]))
        ++s;
    if (s < rest.size()) {
        qsizetype t = s + 1;
        while (t < rest.size() && !inSetB(rest[t]))
            ++t;
        const QStringView tag = rest.sliced(s, t - s);
        const qsizetype underscore = tag.indexOf(u'_');
        if (isKnownCodec(underscore >= 0 ? tag.first(underscore) : tag))
            entry.format = tag.toString();
    }
    return true;
}

// Position of "http" in any letter case, -1 when absent; a plain scan is several times faster
// than the general case-insensitive search on lines of this length.
qsizetype findHttp(QStringView s)
{
    auto lower = [](QChar c) { return char16_t(c.unicode() | 0x20); };
    for (qsizetype i = 0; i + 4 <= s.size(); ++i) {
        if (lower(s[i]) == u'h' && lower(s[i + 1]) == u't' && lower(s[i + 2]) == u't' &&
            lower(s[i + 3]) == u'p')
            return i;
    }
    return -1;
}

} // namespace

std::optional<ListEntry> ParseListLine(QStringView line)
{
    // A single character is junk, except a letter or digit: a one-letter category title, as
    // the program itself writes it, must read back.
    if (line.size() < 2 && !(line.size() == 1 && line[0].isLetterOrNumber()))
        return std::nullopt;

    qsizetype start = 0;
    while (start < line.size() && inSetA(line[start]))
        ++start;
    if (start == line.size())
        return std::nullopt;
    QStringView text = line.sliced(start);

    qsizetype lastVisible = text.size() - 1;
    while (lastVisible >= 0 && !isVisible(text[lastVisible]))
        --lastVisible;
    if (lastVisible < 0)
        return std::nullopt; // control characters only: not even a category title
    // Also after a first and only visible character: "J\r" is the title J.
    text = text.first(lastVisible + 1);

    ListEntry entry;
    const qsizetype p = findHttp(text);

    if (p < 0) { // category heading
        const qsizetype hash = text.indexOf(u'#');
        if (hash >= 0)
            text = text.sliced(hash + 1);
        text = cutAfterLastNotIn(text, inSetB);
        if (text.isEmpty())
            return std::nullopt;
        entry.name = text.toString();
        return entry;
    }

    if (p == 0) { // a URL without a name
        const qsizetype last = lastNotIn(text, inSetB);
        const QStringView candidate = text.first(last + 1);
        if (!parseUrlAndTag(candidate, candidate, entry))
            return std::nullopt;
        return entry;
    }

    const QStringView candidate = text.sliced(p);
    if (!parseUrlAndTag(candidate, candidate, entry))
        return std::nullopt;

    // Cut whenever there is something to keep: a one-letter name must not keep (and, saved
    // and read again, grow) the blanks and tab after it.
    QStringView name = text.first(p);
    const qsizetype lastName = lastNotIn(name, inSetD);
    if (lastName >= 0)
        name = name.first(lastName + 1);
    if (name.isEmpty())
        return std::nullopt;
    qsizetype from = 0;
    if (name[0] == u'#') {
        entry.flags |= MARK_MODIFIED;
        from = 1;
    }
    while (from < name.size() && !isVisible(name[from]))
        ++from;
    if (from >= name.size())
        return std::nullopt;
    entry.name = name.sliced(from).toString();
    entry.name.replace(u'\t', u' ');
    if (entry.name.isEmpty())
        return std::nullopt;
    return entry;
}

QString listSafeName(QStringView name)
{
    const qsizetype http = findHttp(name);
    QString safe = (http >= 0 ? name.first(http) : name).toString();
    for (QChar& c : safe) {
        if (c.unicode() < 0x20)
            c = u' ';
    }
    const qsizetype last = lastNotIn(safe, inSetD);
    safe.truncate(last + 1);
    return safe;
}

QString FormatListLine(const ListEntry& entry)
{
    if (entry.url.isEmpty()) {
        // A title is read from after its first "#", and a lone symbol is junk without one.
        const QString title = listSafeName(entry.name);
        if (title.contains(u'#') || (title.size() == 1 && !title[0].isLetterOrNumber()))
            return u'#' + title;
        return title;
    }
    QString line;
    const QString name = listSafeName(entry.name);
    if (!name.isEmpty()) {
        // A name that begins with "#" keeps it only behind the mark.
        if ((entry.flags & MARK_MODIFIED) || name.startsWith(u'#'))
            line += u'#';
        line += name + u" \t";
    }
    line += entry.url;
    if (!entry.format.isEmpty())
        line += u" \t" + entry.format;
    return line;
}
