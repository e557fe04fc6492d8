#include "ui/stationlistmodel.h"

#include "app/kestrelwaveapp.h"

StationListModel::StationListModel(CKestrelwaveApp& app, QObject* parent)
    : QAbstractTableModel(parent), app_(app)
{}

int StationListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int StationListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 3;
}

void StationListModel::refill()
{
    beginResetModel();
    const StationList& list = app_.stations;
    rows_ = list.consistent() ? int(list.count()) : 0;
    endResetModel();
}

void StationListModel::rowChanged(int row)
{
    if (row >= 0 && row < rows_)
        Q_EMIT dataChanged(index(row, 0), index(row, 2));
}

QColor StationListModel::textColor(int row, int column) const
{
    const StationList& list = app_.stations;
    if (row < 0 || row >= list.count())
        return {};
    const auto& colors = app_.colors;
    const bool invalidName = list.name(row).startsWith(u"INVALID");
    const std::int32_t flags = list.flags(row);
    if (column == 0) {
        if (list.url(row).isEmpty())
            return toQColor(colors[ColorCategory]);
        if (flags & MARK_MODIFIED) // the user's own name wins over the invalid colour
            return toQColor(colors[ColorModified]);
        return toQColor(colors[invalidName ? ColorInvalid : ColorValid]);
    }
    if (invalidName || (flags & MARK_INVALID))
        return toQColor(colors[ColorInvalid]);
    return toQColor(kColumnTextColor);
}

QColor StationListModel::backgroundColor(int row, int column) const
{
    const StationList& list = app_.stations;
    if (row < 0 || row >= list.count())
        return {};
    if (column == 0 && list.url(row).isEmpty())
        return toQColor(app_.colors[ColorCategBkg]);
    return toQColor(app_.colors[ColorListBackground]);
}

QVariant StationListModel::data(const QModelIndex& index, int role) const
{
    const StationList& list = app_.stations;
    const int row = index.row(), column = index.column();
    if (!index.isValid() || row >= list.count() || !list.consistent())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        if (column == 0)
            return list.name(row);
        if (list.url(row).isEmpty())
            return QString();
        return column == 1 ? list.url(row) : list.format(row);
    case Qt::ForegroundRole:
        return textColor(row, column);
    case Qt::BackgroundRole:
        return backgroundColor(row, column);
    default:
        return {};
    }
}

QVariant StationListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 3)
        return app_.columnTitles[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags StationListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}
