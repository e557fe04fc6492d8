#include "stations/stationlist.h"

#include "app/texts.h"

#include <QSet>

bool StationList::consistent() const
{
    return cur_.consistent();
}

ListEntry StationList::entry(qsizetype i) const
{
    return {cur_.names.at(i), cur_.urls.at(i), cur_.flags.at(i), cur_.formats.at(i)};
}

void StationList::append(const ListEntry& e)
{
    insert(count_, e);
}

void StationList::insert(qsizetype i, const ListEntry& e)
{
    if (!consistent())
        return;
    i = std::clamp<qsizetype>(i, 0, cur_.size());
    cur_.names.insert(i, e.name);
    cur_.urls.insert(i, e.url);
    cur_.flags.insert(i, e.flags);
    cur_.formats.insert(i, e.format);
    refreshCount();
}

void StationList::clear()
{
    cur_ = {};
    refreshCount();
}

void StationList::assign(const std::vector<ListEntry>& entries)
{
    assign(std::vector<ListEntry>(entries));
}

void StationList::assign(std::vector<ListEntry>&& entries)
{
    Sequences s;
    for (ListEntry& e : entries) {
        s.names.append(std::move(e.name));
        s.urls.append(std::move(e.url));
        s.flags.append(e.flags);
        s.formats.append(std::move(e.format));
    }
    cur_ = std::move(s);
    refreshCount();
}

void StationList::refreshCount()
{
    count_ = cur_.size();
}

void StationList::clampSelection()
{
    if (selectedIndex >= count_)
        selectedIndex = count_ - 1;
    if (selectedIndex < -1)
        selectedIndex = -1;
}

qsizetype StationList::FindUrl(QStringView url) const
{
    if (url.isEmpty() || !consistent())
        return -1;
    return cur_.urls.indexWhere([url](const QString& u) { return u == url; });
}

bool StationList::EraseEntry(qsizetype index)
{
    if (!consistent() || index < 0 || index >= count_)
        return false;
    cur_.names.erase(index);
    cur_.urls.erase(index);
    cur_.flags.erase(index);
    cur_.formats.erase(index);
    refreshCount();
    clampSelection();
    return true;
}

void StationList::RemoveEmptyEntries()
{
    if (!consistent())
        return;
    ListViewPort* v = view();
    const QString shownUrl = v ? v->readUrlField() : QString();
    std::vector<ListEntry> kept;
    kept.reserve(count_);
    for (qsizetype i = 0; i < count_; ++i) {
        if (!cur_.names.at(i).isEmpty() || !cur_.urls.at(i).isEmpty())
            kept.push_back(entry(i));
    }
    if (qsizetype(kept.size()) == count_)
        return;
    assign(std::move(kept));
    clampSelection();
    if (v) {
        v->refillListView();
        const qsizetype again = FindUrl(shownUrl);
        if (again >= 0)
            v->selectEntry(again);
    }
}

int StationList::RemoveDuplicates()
{
    if (!consistent())
        return 0;
    ListViewPort* v = view();
    const QString shownUrl = v ? v->readUrlField() : QString();

    // Entry j is a duplicate when an earlier entry with a URL has the same URL, or an
    // earlier category has j's name as its title. Every earlier entry counts, removed or
    // not, which is exactly what comparing each entry with all later ones gives.
    QSet<QString> urls, titles;
    urls.reserve(count_);
    std::vector<ListEntry> kept;
    kept.reserve(count_);
    int removed = 0;
    for (qsizetype j = 0; j < count_; ++j) {
        const QString& u = cur_.urls.at(j);
        const QString& n = cur_.names.at(j);
        const bool duplicate =
            (!u.isEmpty() && urls.contains(u)) || (!n.isEmpty() && titles.contains(n));
        if (!u.isEmpty())
            urls.insert(u);
        else if (!n.isEmpty())
            titles.insert(n);
        if (duplicate)
            ++removed;
        else
            kept.push_back(entry(j));
    }
    if (removed == 0)
        return 0;
    assign(std::move(kept));
    clampSelection();
    if (v) {
        v->refillListView();
        // The fields keep a station that is not in the list: selecting nothing would empty
        // them, and the next settings write would forget the user's current station.
        if (const qsizetype again = FindUrl(shownUrl); again >= 0)
            v->selectEntry(again);
    }
    return removed;
}

void StationList::SetStationName(qsizetype index, const QString& newName)
{
    if (!consistent() || index < 0 || index >= count_)
        return;
    const QString current = cur_.names.at(index);
    if (newName == current) {
        cur_.flags.set(index, 0);
        return;
    }
    const bool placeholder = current.isEmpty() || current == u"INVALID";
    std::int32_t f = cur_.flags.at(index);
    if (newName == u"INVALID")
        f |= MARK_INVALID;
    else
        f &= ~MARK_INVALID;
    cur_.flags.set(index, f);
    if (!placeholder && (f & MARK_MODIFIED))
        return; // the user's name stays; only the invalid mark records the result
    cur_.names.set(index, newName);
    cur_.flags.set(index, 0);
    cur_.formats.set(index, QString());
    if (ListViewPort* v = view())
        v->stationRenamed(index);
}

void StationList::TakeSnapshot()
{
    snapshot_ = cur_;
}

namespace {
QStringView codecPart(const QString& tag)
{
    const qsizetype underscore = tag.indexOf(u'_');
    return underscore >= 0 ? QStringView(tag).first(underscore) : QStringView(tag);
}
} // namespace

bool StationList::isModified() const
{
    if (cur_.size() != snapshot_.size())
        return true;
    for (qsizetype i = 0; i < cur_.size(); ++i) {
        if (cur_.names.at(i) != snapshot_.names.at(i) || cur_.flags.at(i) != snapshot_.flags.at(i))
            return true;
        // Only the codec counts: a bit rate measured while playing is no user change.
        if (codecPart(cur_.formats.at(i)) != codecPart(snapshot_.formats.at(i)))
            return true;
        if (cur_.urls.at(i) != snapshot_.urls.at(i))
            return true;
    }
    return false;
}

void StationList::AskSaveModified()
{
    if (!consistent() || count_ == 0 || !host_ || !isModified())
        return;
    const QString question =
        texts::choose(host_->language(), {u"Do you want to save the modified List ?",
                                          u"Voulez-vous sauvegarder la liste modifiée ?",
                                          u"Möchten Sie die geänderte Liste speichern ?"});
    if (host_->boxes().askYesNo(question)) {
        if (ListViewPort* v = view())
            v->runSaveListCommand();
    }
}

void StationList::ResetHistory()
{
    ring_.fill(Sequences{});
    top_ = 0;
    stored_ = 0;
    PushHistory();
}

void StationList::PushHistory()
{
    ring_[top_] = cur_; // shares the chunks: nothing is copied until an entry changes
    // One slot stays empty to end the redo chain, so 255 states can be stepped back to.
    stored_ = std::min(stored_ + 1, kHistorySlots - 1);
    top_ = (top_ + 1) % kHistorySlots;
    // A new edit ends the redo chain. Redo reads the slot after top (slot top itself is
    // overwritten by the next Undo), so that is the one a stale state must not stay in.
    ring_[(top_ + 1) % kHistorySlots] = Sequences{};
}

void StationList::restore(const Sequences& s)
{
    cur_ = s;
    refreshCount();
    clampSelection();
    if (ListViewPort* v = view())
        v->refillListView();
}

void StationList::Undo()
{
    if (stored_ <= 1)
        return;
    ring_[top_] = cur_;
    --stored_;
    top_ = (top_ + kHistorySlots - 1) % kHistorySlots;
    const Sequences& s = ring_[top_];
    if (s.consistent() && s.size() > 0)
        restore(s);
}

void StationList::Redo()
{
    const int oldTop = top_, oldStored = stored_;
    top_ = (top_ + 1) % kHistorySlots;
    // One slot stays empty to end the redo chain, so 255 states can be stepped back to.
    stored_ = std::min(stored_ + 1, kHistorySlots - 1);
    const Sequences& s = ring_[top_];
    if (!s.consistent())
        return;
    if (s.size() == 0) {
        top_ = oldTop;
        stored_ = oldStored;
        return;
    }
    restore(s);
}
