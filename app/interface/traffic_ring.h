// The program's record of exchanges: a ring of fixed size that the request
// call fills with every exchange (no allocation, no file, a copy of a few
// bytes), and what the traffic monitor makes of it: which rows a filter
// lets through, per-address figures, and the CSV file.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include <QIODevice>
#include <QString>

#include "interface/exchange_trace.h"

namespace rq36 {

class TrafficRing {
public:
    static constexpr std::size_t kDefaultCapacity = 131072;  // 2^17 rows, about 4 MB

    explicit TrafficRing(std::size_t capacity = kDefaultCapacity);

    // The newest record overwrites the oldest once the ring is full.
    void Push(const ExchangeRecord& record) {
        rows_[static_cast<std::size_t>(total_ % rows_.size())] = record;
        ++total_;
    }
    // Every record is numbered from 0 in the order it came (its sequence
    // number); Total() is the number of the next one.
    std::uint64_t Total() const { return total_; }
    // The oldest sequence number still held.
    std::uint64_t First() const {
        const std::uint64_t kept = total_ > rows_.size() ? total_ - rows_.size() : 0;
        return kept > cleared_ ? kept : cleared_;
    }
    std::size_t Capacity() const { return rows_.size(); }
    std::size_t Size() const { return static_cast<std::size_t>(total_ - First()); }
    // The record of a sequence number, or null when it was overwritten,
    // cleared or has not come yet.
    const ExchangeRecord* Find(std::uint64_t sequence) const {
        if (sequence < First() || sequence >= total_) return nullptr;
        return &rows_[static_cast<std::size_t>(sequence % rows_.size())];
    }
    // Forgets every record; numbering goes on.
    void Clear() { cleared_ = total_; }

private:
    std::vector<ExchangeRecord> rows_;
    std::uint64_t total_ = 0;
    std::uint64_t cleared_ = 0;
};

// The ring the request call fills.
TrafficRing& ProgramTraffic();

// Which exchanges the monitor shows.
struct TrafficFilter {
    bool failuresOnly = false;
    std::optional<std::uint8_t> address;
    std::optional<std::uint8_t> command;

    bool Accepts(const ExchangeRecord& record) const {
        if (failuresOnly && !record.Failed()) return false;
        if (address && record.Address() != *address) return false;
        if (command && record.Command() != *command) return false;
        return true;
    }
};

// The program's text of a status of a kind (StatusMessage in the program;
// tests give their own).
using StatusTextSource = std::function<QString(std::uint8_t kind, std::uint8_t status)>;

// StatusMessage, each (kind, status) asked once: a CSV file of 100,000 rows
// calls a library's Error only for the few codes that occur.
class StatusTextCache {
public:
    explicit StatusTextCache(StatusTextSource source) : source_(std::move(source)) {}
    const QString& Text(std::uint8_t kind, std::uint8_t status);

private:
    StatusTextSource source_;
    std::map<int, QString> texts_;
};

// A failure whose text the interface library begins with "Timeout" (no
// reply, or no valid reply in time).
bool IsTimeoutText(const QString& statusText);

// The nearest-rank percentile (0 < p <= 100) of values, which it reorders;
// 0 for none.
std::int32_t Percentile(std::vector<std::int32_t>& values, double p);

struct AddressFigures {
    std::uint8_t address = 0;
    std::uint8_t kind = 0;  // the interface of its latest exchange (for the status texts)
    int exchanges = 0;
    int failures = 0;
    std::map<std::uint8_t, int> failuresByStatus;
    int timeouts = 0;
    std::int32_t medianUs = 0;  // round trip of every exchange of the address
    std::int32_t p99Us = 0;
};

// The figures of each address among the given sequence numbers (those no
// longer in the ring are skipped), by rising address.
std::vector<AddressFigures> FiguresOf(const TrafficRing& ring, const std::vector<std::uint64_t>& sequences,
                                      StatusTextCache& texts);

// The given rows as CSV (UTF-8, LF, comma-separated, the column headers
// first): the same texts as the monitor's table.  False when the device
// refused a line.
bool WriteTrafficCsv(QIODevice& out, const TrafficRing& ring, const std::vector<std::uint64_t>& sequences,
                     StatusTextCache& texts);

}  // namespace rq36
