#include "live/plot/trace_history.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace rq36 {

namespace {
constexpr float kGap = std::numeric_limits<float>::quiet_NaN();
}  // namespace

TraceHistory::TraceHistory(std::size_t capacity) : capacity_(std::max<std::size_t>(capacity, 256)) {}

int TraceHistory::AddTrace() {
    Trace trace;
    trace.values.assign(time_.size(), kGap);
    values_.push_back(std::move(trace));
    auto& added = values_.back();
    for (std::size_t row = 0; row < time_.size(); ++row) SummarizeNewRow(added, row);
    return TraceCount() - 1;
}

template <typename T>
void TraceHistory::Grow(std::vector<T>& column, std::size_t limit) {
    if (column.size() < column.capacity()) return;
    column.reserve(std::min(std::max<std::size_t>(2 * column.capacity(), 1024), limit));
}

bool TraceHistory::Append(double seconds, std::span<const float> values) {
    if (!std::isfinite(seconds) || (!time_.empty() && seconds < time_.back())) return false;
    if (time_.size() >= capacity_) DecimateOldest();
    const std::size_t row = time_.size();
    Grow(time_, capacity_);
    time_.push_back(seconds);
    for (std::size_t i = 0; i < values_.size(); ++i) {
        Trace& trace = values_[i];
        Grow(trace.values, capacity_);
        const float value = i < values.size() ? values[i] : kGap;
        trace.values.push_back(std::isfinite(value) ? value : kGap);
        SummarizeNewRow(trace, row);
    }
    return true;
}

void TraceHistory::ClearRows() {
    time_ = {};
    for (auto& trace : values_) trace = Trace{};
    decimations_ = 0;
    coarseRows_ = 0;
}

void TraceHistory::Clear() {
    ClearRows();
    values_ = {};
}

float TraceHistory::LastValue(int trace) const {
    const auto& column = Column(trace);
    return column.empty() ? kGap : column.back();
}

std::size_t TraceHistory::MemoryBytes() const {
    std::size_t bytes = time_.capacity() * sizeof(double) + values_.capacity() * sizeof(Trace);
    for (const auto& trace : values_) {
        bytes += trace.values.capacity() * sizeof(float);
        bytes += (trace.blocks.capacity() + trace.bigBlocks.capacity()) * sizeof(BlockSummary);
    }
    return bytes;
}

std::size_t TraceHistory::RowAtOrAfter(double seconds) const {
    return static_cast<std::size_t>(std::lower_bound(time_.begin(), time_.end(), seconds) - time_.begin());
}

void TraceHistory::Add(BlockSummary& block, float value) {
    if (std::isnan(value)) return;
    block.sum += value;
    block.min = std::min(block.min, value);
    block.max = std::max(block.max, value);
    ++block.count;
}

void TraceHistory::Merge(BlockSummary& into, const BlockSummary& block) {
    into.sum += block.sum;
    into.min = std::min(into.min, block.min);
    into.max = std::max(into.max, block.max);
    into.count += block.count;
}

void TraceHistory::SummarizeNewRow(Trace& trace, std::size_t row) {
    if (row % kBlock == 0) {
        Grow(trace.blocks, capacity_ / kBlock + 1);
        trace.blocks.emplace_back();
    }
    if (row % kBigBlock == 0) {
        Grow(trace.bigBlocks, capacity_ / kBigBlock + 1);
        trace.bigBlocks.emplace_back();
    }
    const float value = trace.values[row];
    Add(trace.blocks.back(), value);
    Add(trace.bigBlocks.back(), value);
}

// Rows not in a whole block: a loop without branches (a gap compares false
// both ways and so leaves min and max alone), which the compiler vectorises.
void TraceHistory::AddRun(BlockSummary& summary, const float* values, std::size_t count, bool withSum) {
    // Eight lanes side by side (what one vector instruction takes), folded
    // together at the end.
    constexpr std::size_t kLanes = 8;
    std::array<float, kLanes> los;
    std::array<float, kLanes> his;
    std::array<std::uint32_t, kLanes> presents{};
    los.fill(summary.min);
    his.fill(summary.max);
    std::size_t i = 0;
    for (; i + kLanes <= count; i += kLanes) {
        for (std::size_t k = 0; k < kLanes; ++k) {
            const float v = values[i + k];
            los[k] = v < los[k] ? v : los[k];
            his[k] = v > his[k] ? v : his[k];
            presents[k] += v == v ? 1u : 0u;
        }
    }
    float lo = summary.min;
    float hi = summary.max;
    std::uint32_t present = 0;
    for (std::size_t k = 0; k < kLanes; ++k) {
        lo = std::min(lo, los[k]);
        hi = std::max(hi, his[k]);
        present += presents[k];
    }
    for (; i < count; ++i) {
        const float v = values[i];
        lo = v < lo ? v : lo;
        hi = v > hi ? v : hi;
        present += v == v ? 1u : 0u;
    }
    summary.min = lo;
    summary.max = hi;
    summary.count += present;
    if (!withSum || present == 0) return;
    double sum = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (!std::isnan(values[i])) sum += values[i];
    }
    summary.sum += sum;
}

TraceHistory::BlockSummary TraceHistory::Reduce(const Trace& trace, std::size_t begin, std::size_t end,
                                                bool withSum) const {
    BlockSummary summary;
    const float* values = trace.values.data();
    // Up to the first whole block, whole blocks (the big ones where they
    // fit), and the rest.
    const std::size_t headEnd = std::min(end, (begin + kBlock - 1) / kBlock * kBlock);
    AddRun(summary, values + begin, headEnd - begin, withSum);
    std::size_t row = headEnd;
    while (end - row >= kBlock) {
        if (row % kBigBlock == 0 && end - row >= kBigBlock) {
            Merge(summary, trace.bigBlocks[row / kBigBlock]);
            row += kBigBlock;
        } else {
            Merge(summary, trace.blocks[row / kBlock]);
            row += kBlock;
        }
    }
    AddRun(summary, values + row, end - row, withSum);
    return summary;
}

ColumnSummary TraceHistory::SummarizeRows(int trace, std::size_t begin, std::size_t end) const {
    ColumnSummary column;
    end = std::min(end, time_.size());
    if (begin >= end) return column;
    const Trace& t = values_[static_cast<std::size_t>(trace)];
    const BlockSummary summary = Reduce(t, begin, end, false);
    column.rows = static_cast<std::uint32_t>(end - begin);
    column.first = t.values[begin];
    column.last = t.values[end - 1];
    column.gap = summary.count < end - begin;
    if (summary.count > 0) {
        column.min = summary.min;
        column.max = summary.max;
    }
    return column;
}

void TraceHistory::ColumnEdges(double t0, double t1, int columns, std::vector<std::size_t>& edges) const {
    edges.clear();
    if (!(t1 > t0) || columns <= 0) return;
    edges.reserve(static_cast<std::size_t>(columns) + 1);
    const double width = (t1 - t0) / columns;
    edges.push_back(RowAtOrAfter(t0));
    for (int c = 0; c < columns; ++c) {
        const double edge = c + 1 == columns ? t1 : t0 + (c + 1) * width;
        const auto from = time_.begin() + static_cast<std::ptrdiff_t>(edges.back());
        edges.push_back(static_cast<std::size_t>(std::lower_bound(from, time_.end(), edge) - time_.begin()));
    }
}

void TraceHistory::Summarize(int trace, const std::vector<std::size_t>& edges, std::vector<ColumnSummary>& out) const {
    out.clear();
    if (edges.size() < 2) return;
    out.resize(edges.size() - 1);
    for (std::size_t c = 0; c + 1 < edges.size(); ++c) out[c] = SummarizeRows(trace, edges[c], edges[c + 1]);
}

void TraceHistory::Summarize(int trace, double t0, double t1, int columns, std::vector<ColumnSummary>& out) const {
    std::vector<std::size_t> edges;
    ColumnEdges(t0, t1, columns, edges);
    Summarize(trace, edges, out);
}

RangeStats TraceHistory::Stats(int trace, double t0, double t1) const {
    if (t1 < t0) std::swap(t0, t1);
    const std::size_t begin = RowAtOrAfter(t0);
    const auto end = static_cast<std::size_t>(std::upper_bound(time_.begin(), time_.end(), t1) - time_.begin());
    RangeStats stats;
    if (begin >= end) return stats;
    const BlockSummary summary = Reduce(values_[static_cast<std::size_t>(trace)], begin, end, true);
    stats.count = summary.count;
    if (summary.count > 0) {
        stats.min = summary.min;
        stats.max = summary.max;
        stats.mean = summary.sum / static_cast<double>(summary.count);
    }
    return stats;
}

void TraceHistory::RebuildSummaries() {
    for (auto& trace : values_) {
        trace.blocks.clear();
        trace.bigBlocks.clear();
        for (std::size_t row = 0; row < time_.size(); ++row) SummarizeNewRow(trace, row);
    }
}

// Rows [begin, end), 32 at a time, become 4 rows at the block's first row, a
// third and two thirds into it, and its last row.  Per trace they hold the
// first value, the extreme that came first, the other extreme and the last
// value; a block with a gap gives the first extreme, a gap, the other
// extreme and the last value, so the trace stays broken there.  The rows
// after `end` move up behind them.
void TraceHistory::DecimateRows(std::size_t begin, std::size_t end) {
    const std::size_t blocks = (end - begin) / kDecimateFrom;
    end = begin + blocks * kDecimateFrom;
    const std::size_t kept = begin + blocks * kDecimateTo;
    constexpr std::array<std::size_t, kDecimateTo> kTimeAt = {0, 10, 21, kDecimateFrom - 1};
    for (std::size_t block = 0; block < blocks; ++block) {
        const std::size_t from = begin + block * kDecimateFrom;
        const std::size_t to = begin + block * kDecimateTo;
        std::array<double, kDecimateTo> times{};
        for (std::size_t k = 0; k < kDecimateTo; ++k) times[k] = time_[from + kTimeAt[k]];
        for (auto& trace : values_) {
            auto& v = trace.values;
            std::size_t minAt = end;
            std::size_t maxAt = end;
            bool gap = false;
            for (std::size_t i = from; i < from + kDecimateFrom; ++i) {
                if (std::isnan(v[i])) {
                    gap = true;
                    continue;
                }
                if (minAt == end || v[i] < v[minAt]) minAt = i;
                if (maxAt == end || v[i] > v[maxAt]) maxAt = i;
            }
            std::array<float, kDecimateTo> out{kGap, kGap, kGap, kGap};
            if (minAt != end) {
                const float early = v[std::min(minAt, maxAt)];
                const float late = v[std::max(minAt, maxAt)];
                const float last = v[from + kDecimateFrom - 1];
                out = gap ? std::array<float, kDecimateTo>{early, kGap, late, last}
                          : std::array<float, kDecimateTo>{v[from], early, late, last};
            }
            std::copy(out.begin(), out.end(), v.begin() + static_cast<std::ptrdiff_t>(to));
        }
        std::copy(times.begin(), times.end(), time_.begin() + static_cast<std::ptrdiff_t>(to));
    }
    const auto shift = [&](auto& column) {
        std::move(column.begin() + static_cast<std::ptrdiff_t>(end), column.end(),
                  column.begin() + static_cast<std::ptrdiff_t>(kept));
        column.resize(column.size() - (end - kept));
    };
    shift(time_);
    for (auto& trace : values_) shift(trace.values);
}

// The oldest half of the full-resolution rows joins the decimated ones; when
// those have grown to a quarter of the capacity they are decimated once more
// first, so the older the data the coarser, and memory never grows.
void TraceHistory::DecimateOldest() {
    if (coarseRows_ >= capacity_ / 4) {
        const std::size_t before = coarseRows_;
        const std::size_t whole = before / kDecimateFrom * kDecimateFrom;
        DecimateRows(0, whole);
        coarseRows_ = whole / kDecimateFrom * kDecimateTo + (before - whole);
    }
    const std::size_t full = (time_.size() - coarseRows_) / 2 / kDecimateFrom * kDecimateFrom;
    DecimateRows(coarseRows_, coarseRows_ + full);
    coarseRows_ += full / kDecimateFrom * kDecimateTo;
    RebuildSummaries();
    ++decimations_;
}

}  // namespace rq36
