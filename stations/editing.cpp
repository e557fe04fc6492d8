#include "stations/editing.h"

#include "stations/stationlist.h"

#include <algorithm>
#include <numeric>

QString clipboardText(const std::vector<ListEntry>& rows)
{
    QString text = QString::fromUtf16(kClipboardHeader) + u'\n';
    for (const ListEntry& e : rows)
        text += FormatListLine(e) + u'\n';
    return text;
}

std::vector<ListEntry> parseClipboardText(QStringView text)
{
    std::vector<ListEntry> rows;
    const qsizetype header = text.indexOf(QStringView(kClipboardHeader));
    if (text.isEmpty() || header < 0)
        return rows;
    qsizetype pos = text.indexOf(u'\n', header);
    if (pos < 0)
        return rows;
    ++pos;
    while (pos < text.size()) {
        while (pos < text.size() && listchars::inSetA(text[pos]))
            ++pos;
        const qsizetype lf = text.indexOf(u'\n', pos);
        if (lf < 0)
            break; // a last line without its line end is not taken
        if (std::optional<ListEntry> e = ParseListLine(text.sliced(pos, lf - pos + 1)))
            rows.push_back(std::move(*e));
        pos = lf + 1;
    }
    return rows;
}

bool sortSections(StationList& list)
{
    if (!list.consistent())
        return false;
    const qsizetype n = list.count();
    std::vector<ListEntry> entries;
    entries.reserve(n);
    for (qsizetype i = 0; i < n; ++i)
        entries.push_back(list.entry(i));

    // Keys folded once; a stable sort by them gives what repeated neighbour swaps would.
    std::vector<QString> keys(n);
    for (qsizetype i = 0; i < n; ++i)
        keys[i] = QStringView(entries[i].name).left(256).toString().toCaseFolded();

    bool moved = false;
    std::vector<qsizetype> order;
    qsizetype begin = 0;
    while (begin < n) {
        if (entries[begin].url.isEmpty()) { // a heading stays where it is
            ++begin;
            continue;
        }
        qsizetype end = begin;
        while (end < n && !entries[end].url.isEmpty())
            ++end;
        order.resize(end - begin);
        std::iota(order.begin(), order.end(), begin);
        std::stable_sort(order.begin(), order.end(),
                         [&keys](qsizetype a, qsizetype b) { return keys[a] < keys[b]; });
        for (qsizetype k = 0; k < end - begin; ++k)
            moved |= order[k] != begin + k;
        if (moved) {
            std::vector<ListEntry> section;
            section.reserve(order.size());
            for (qsizetype i : order)
                section.push_back(std::move(entries[i]));
            std::move(section.begin(), section.end(), entries.begin() + begin);
            std::vector<QString> sectionKeys;
            for (qsizetype i : order)
                sectionKeys.push_back(keys[i]);
            std::move(sectionKeys.begin(), sectionKeys.end(), keys.begin() + begin);
        }
        begin = end;
    }
    if (moved)
        list.assign(std::move(entries));
    return moved;
}

qsizetype searchList(const StationList& list, QStringView text, qsizetype start)
{
    if (text.isEmpty() || !list.consistent())
        return -1;
    const qsizetype n = list.count();
    const auto from = [&](qsizetype first) -> qsizetype {
        for (qsizetype i = first; i < n; ++i) {
            if (list.name(i).contains(text, Qt::CaseInsensitive) ||
                list.url(i).contains(text, Qt::CaseInsensitive))
                return i;
        }
        return -1;
    };
    if (start < 0 || start >= n)
        start = 0;
    const qsizetype hit = from(start);
    if (hit >= 0 || start == 0)
        return hit;
    return from(0);
}

int removeInvalid(StationList& list)
{
    if (!list.consistent())
        return 0;
    std::vector<ListEntry> kept;
    kept.reserve(list.count());
    for (qsizetype i = 0; i < list.count(); ++i) {
        if (list.name(i) != u"INVALID")
            kept.push_back(list.entry(i));
    }
    const int removed = int(list.count() - qsizetype(kept.size()));
    if (removed > 0)
        list.assign(std::move(kept));
    return removed;
}

QString trimmedVisible(QStringView text)
{
    qsizetype b = 0, e = text.size();
    while (b < e && !listchars::isVisible(text[b]))
        ++b;
    while (e > b && !listchars::isVisible(text[e - 1]))
        --e;
    return text.sliced(b, e - b).toString();
}
