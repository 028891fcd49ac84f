#include "interface/traffic_model.h"

#include <algorithm>

namespace rq36 {

TrafficModel::TrafficModel(const TrafficRing& ring, StatusTextSource texts, QObject* parent)
    : QAbstractTableModel(parent), ring_(ring), texts_(std::move(texts)), from_(ring.First()), next_(ring.First()) {
    Refresh();
}

int TrafficModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TrafficModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kExchangeColumns; }

QVariant TrafficModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
    const ExchangeRecord* record = ring_.Find(rows_[static_cast<std::size_t>(index.row())]);
    if (record == nullptr) return {};
    if (role == Qt::DisplayRole) {
        const QString status =
            index.column() == kColStatus && record->Failed() ? texts_.Text(record->kind, record->status) : QString();
        return ExchangeField(*record, index.column(), status);
    }
    if (role == Qt::TextAlignmentRole && (index.column() == kColDuration || index.column() == kColAddress))
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant TrafficModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    return ExchangeColumnHeaders().value(section);
}

int TrafficModel::Refresh() {
    // Rows the ring has overwritten (or cleared) go first.
    const std::uint64_t first = ring_.First();
    const auto kept = std::lower_bound(rows_.begin(), rows_.end(), first);
    if (kept != rows_.begin()) {
        beginRemoveRows({}, 0, static_cast<int>(kept - rows_.begin()) - 1);
        rows_.erase(rows_.begin(), kept);
        endRemoveRows();
    }
    next_ = std::max(next_, first);
    std::vector<std::uint64_t> added;
    for (; next_ < ring_.Total(); ++next_) {
        if (filter_.Accepts(*ring_.Find(next_))) added.push_back(next_);
    }
    if (!added.empty()) {
        const int at = static_cast<int>(rows_.size());
        beginInsertRows({}, at, at + static_cast<int>(added.size()) - 1);
        rows_.insert(rows_.end(), added.begin(), added.end());
        endInsertRows();
    }
    return static_cast<int>(added.size());
}

void TrafficModel::Clear() {
    beginResetModel();
    rows_.clear();
    from_ = next_ = ring_.Total();
    endResetModel();
}

void TrafficModel::SetFilter(const TrafficFilter& filter) {
    beginResetModel();
    filter_ = filter;
    // Every row since the last clear that the ring still holds.
    rows_.clear();
    next_ = std::max(from_, ring_.First());
    endResetModel();
    Refresh();
}

}  // namespace rq36
