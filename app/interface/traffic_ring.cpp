#include "interface/traffic_ring.h"

#include <algorithm>
#include <cmath>

#include "live/csv_writer.h"

namespace rq36 {

TrafficRing::TrafficRing(std::size_t capacity) : rows_(std::max<std::size_t>(capacity, 1)) {}

TrafficRing& ProgramTraffic() {
    static TrafficRing ring;
    return ring;
}

const QString& StatusTextCache::Text(std::uint8_t kind, std::uint8_t status) {
    const int key = kind * 256 + status;
    auto found = texts_.find(key);
    if (found == texts_.end()) found = texts_.emplace(key, source_ ? source_(kind, status) : QString()).first;
    return found->second;
}

bool IsTimeoutText(const QString& statusText) {
    return statusText.startsWith(QStringLiteral("Timeout"), Qt::CaseInsensitive);
}

std::int32_t Percentile(std::vector<std::int32_t>& values, double p) {
    if (values.empty()) return 0;
    const auto rank = static_cast<std::size_t>(std::ceil(p / 100.0 * static_cast<double>(values.size())));
    // The element of that rank only: a partial sort, linear on average.
    const auto at = values.begin() + static_cast<std::ptrdiff_t>(std::clamp<std::size_t>(rank, 1, values.size()) - 1);
    std::nth_element(values.begin(), at, values.end());
    return *at;
}

std::vector<AddressFigures> FiguresOf(const TrafficRing& ring, const std::vector<std::uint64_t>& sequences,
                                      StatusTextCache& texts) {
    std::map<std::uint8_t, AddressFigures> byAddress;
    std::map<std::uint8_t, std::vector<std::int32_t>> durations;
    for (const std::uint64_t sequence : sequences) {
        const ExchangeRecord* record = ring.Find(sequence);
        if (record == nullptr) continue;
        AddressFigures& figures = byAddress[record->Address()];
        figures.address = record->Address();
        figures.kind = record->kind;
        ++figures.exchanges;
        durations[record->Address()].push_back(record->durationUs);
        if (!record->Failed()) continue;
        ++figures.failures;
        ++figures.failuresByStatus[record->status];
        if (IsTimeoutText(texts.Text(record->kind, record->status))) ++figures.timeouts;
    }
    std::vector<AddressFigures> result;
    result.reserve(byAddress.size());
    for (auto& [address, figures] : byAddress) {
        std::vector<std::int32_t>& times = durations[address];
        figures.medianUs = Percentile(times, 50);
        figures.p99Us = Percentile(times, 99);
        result.push_back(figures);
    }
    return result;
}

bool WriteTrafficCsv(QIODevice& out, const TrafficRing& ring, const std::vector<std::uint64_t>& sequences,
                     StatusTextCache& texts) {
    const auto writeLine = [&out](const QStringList& fields) {
        QStringList quoted;
        quoted.reserve(fields.size());
        for (const QString& field : fields) quoted.push_back(CsvField(field));
        const QByteArray line = quoted.join(QLatin1Char(',')).toUtf8() + '\n';
        return out.write(line) == line.size();
    };
    if (!writeLine(ExchangeColumnHeaders())) return false;
    QStringList fields;
    for (const std::uint64_t sequence : sequences) {
        const ExchangeRecord* record = ring.Find(sequence);
        if (record == nullptr) continue;
        fields.clear();
        const QString& status = texts.Text(record->kind, record->status);
        for (int column = 0; column < kExchangeColumns; ++column)
            fields.push_back(ExchangeField(*record, column, status));
        if (!writeLine(fields)) return false;
    }
    return true;
}

}  // namespace rq36
