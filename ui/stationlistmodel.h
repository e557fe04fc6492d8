#pragma once

#include <QAbstractTableModel>
#include <QColor>

class CKestrelwaveApp;

inline QColor toQColor(std::uint32_t colorRef)
{
    return QColor(colorRef & 0xFF, (colorRef >> 8) & 0xFF, (colorRef >> 16) & 0xFF);
}

// The station list as the list view's model: column 0 the name, 1 the URL, 2 the format
// tag, with each cell's text and background colour chosen from the entry's kind and marks.
// The view asks only for the rows it paints, so a refill is a reset, not a copy.
class StationListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit StationListModel(CKestrelwaveApp& app, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The whole list changed (FillListView).
    void refill();
    // One row changed (UpdateRow).
    void rowChanged(int row);

    // Colours of a cell as the list view paints it.
    QColor textColor(int row, int column) const;
    QColor backgroundColor(int row, int column) const;

private:
    CKestrelwaveApp& app_;
    int rows_ = 0;
};
