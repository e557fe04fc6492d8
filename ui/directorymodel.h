#pragma once

#include "directory/directoryapi.h"

#include <QAbstractTableModel>
#include <QSet>
#include <cstdint>
#include <vector>

// The stations a directory search found, as the Station Directory dialog's table: name, codec,
// bit rate, country, tags, votes and the directory's last check. Keeps every station of every
// page fetched (each station once), shows those whose check failed only when asked, and sorts
// the rows it shows by any column. GUI thread.
class DirectoryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Name, Codec, Bitrate, Country, Tags, Votes, Check, ColumnCount };

    explicit DirectoryModel(std::uint32_t language, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // column -1: the directory's own order.
    void sort(int column, Qt::SortOrder order) override;

    // A new search's first page replaces everything; a further page adds its new stations.
    void setStations(std::vector<DirectoryStation> stations);
    void appendStations(std::vector<DirectoryStation> stations);
    void setShowBroken(bool show);
    // The station shown in row.
    const DirectoryStation& station(int row) const { return all_[std::size_t(rows_[row])]; }
    int stationCount() const { return int(all_.size()); }

private:
    void rebuildRows();
    QString cell(const DirectoryStation& s, int column) const;

    std::uint32_t language_;
    std::vector<DirectoryStation> all_;
    QSet<QString> keys_;    // of the stations in all_
    std::vector<int> rows_; // indexes into all_, as shown
    bool showBroken_ = false;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};
