// The traffic monitor's table: the rows of the program's ring that pass the
// filter, oldest at the top.  Refresh() takes what came since the last one
// (and lets go of rows the ring has overwritten) in two row operations, so
// a view keeps its place and a refresh costs the new rows only.
#pragma once

#include <cstdint>
#include <vector>

#include <QAbstractTableModel>

#include "interface/traffic_ring.h"

namespace rq36 {

class TrafficModel : public QAbstractTableModel {
public:
    // ring: not owned; texts: the status texts (StatusMessage in the program).
    TrafficModel(const TrafficRing& ring, StatusTextSource texts, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Takes the rows recorded since the last refresh; the number taken.
    int Refresh();
    // Shows no row recorded before now (the ring keeps them).
    void Clear();
    // Chooses the rows anew from what the ring holds.
    void SetFilter(const TrafficFilter& filter);
    const TrafficFilter& Filter() const { return filter_; }

    // The sequence numbers of the rows, as shown.
    const std::vector<std::uint64_t>& Sequences() const { return rows_; }
    StatusTextCache& Texts() const { return texts_; }

private:
    const TrafficRing& ring_;
    mutable StatusTextCache texts_;
    TrafficFilter filter_;
    std::vector<std::uint64_t> rows_;
    std::uint64_t from_ = 0;  // the first sequence number since the last clear
    std::uint64_t next_ = 0;  // the first sequence number not yet looked at
};

}  // namespace rq36
