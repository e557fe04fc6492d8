#include "ui/directorymodel.h"

#include "app/texts.h"

#include <algorithm>

namespace {

// A station seen on an earlier page: its id, else its address and name.
QString stationKey(const DirectoryStation& s)
{
    return s.uuid.isEmpty() ? s.address() + u'\n' + s.name : s.uuid;
}

} // namespace

DirectoryModel::DirectoryModel(std::uint32_t language, QObject* parent)
    : QAbstractTableModel(parent), language_(language)
{}

int DirectoryModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int DirectoryModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString DirectoryModel::cell(const DirectoryStation& s, int column) const
{
    switch (column) {
    case Name:
        return s.name.simplified(); // tabs and line ends are the public's typing
    case Codec:
        return s.codec;
    case Bitrate:
        return s.bitrate > 0 ? QString::number(s.bitrate) : QString();
    case Country:
        return s.country.isEmpty() ? s.countryCode : s.country;
    case Tags:
        return s.tags.simplified();
    case Votes:
        return QString::number(s.votes);
    case Check:
        return s.lastCheckOk ? QStringLiteral("OK")
                             : texts::choose(language_, {u"broken", u"en panne", u"defekt"});
    default:
        return {};
    }
}

QVariant DirectoryModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(rows_.size()))
        return {};
    const DirectoryStation& s = station(index.row());
    if (role == Qt::DisplayRole)
        return cell(s, index.column());
    if (role == Qt::ToolTipRole && (index.column() == Name || index.column() == Tags))
        return cell(s, index.column());
    if (role == Qt::TextAlignmentRole && (index.column() == Bitrate || index.column() == Votes))
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant DirectoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const texts::Tri titles[ColumnCount] = {
        {u"Name", u"Nom", u"Name"},        {u"Codec", u"Codec", u"Codec"},
        {u"kbit/s", u"kbit/s", u"kbit/s"}, {u"Country", u"Pays", u"Land"},
        {u"Tags", u"Mots-clés", u"Tags"},  {u"Votes", u"Votes", u"Stimmen"},
        {u"Check", u"Test", u"Prüfung"}};
    return section >= 0 && section < ColumnCount ? texts::choose(language_, titles[section])
                                                 : QVariant();
}

void DirectoryModel::sort(int column, Qt::SortOrder order)
{
    sortColumn_ = column;
    sortOrder_ = order;
    beginResetModel();
    rebuildRows();
    endResetModel();
}

void DirectoryModel::setStations(std::vector<DirectoryStation> stations)
{
    beginResetModel();
    all_.clear();
    keys_.clear();
    endResetModel();
    appendStations(std::move(stations));
}

void DirectoryModel::appendStations(std::vector<DirectoryStation> stations)
{
    beginResetModel();
    all_.reserve(all_.size() + stations.size());
    for (DirectoryStation& s : stations) {
        const QString key = stationKey(s);
        if (keys_.contains(key))
            continue;
        keys_.insert(key);
        all_.push_back(std::move(s));
    }
    rebuildRows();
    endResetModel();
}

void DirectoryModel::setShowBroken(bool show)
{
    if (show == showBroken_)
        return;
    beginResetModel();
    showBroken_ = show;
    rebuildRows();
    endResetModel();
}

void DirectoryModel::rebuildRows()
{
    rows_.clear();
    rows_.reserve(all_.size());
    for (int i = 0; i < int(all_.size()); ++i) {
        if (showBroken_ || all_[std::size_t(i)].lastCheckOk)
            rows_.push_back(i);
    }
    if (sortColumn_ < 0 || sortColumn_ >= ColumnCount)
        return;
    const auto less = [this](int a, int b) {
        const DirectoryStation& x = all_[std::size_t(a)];
        const DirectoryStation& y = all_[std::size_t(b)];
        switch (sortColumn_) {
        case Bitrate:
            return x.bitrate < y.bitrate;
        case Votes:
            return x.votes < y.votes;
        case Check:
            return x.lastCheckOk < y.lastCheckOk;
        default:
            return cell(x, sortColumn_).compare(cell(y, sortColumn_), Qt::CaseInsensitive) < 0;
        }
    };
    if (sortOrder_ == Qt::AscendingOrder)
        std::stable_sort(rows_.begin(), rows_.end(), less);
    else
        std::stable_sort(rows_.begin(), rows_.end(), [&](int a, int b) { return less(b, a); });
}
