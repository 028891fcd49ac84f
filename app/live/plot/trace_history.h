// The samples of one recording as the plot keeps them: one time column that
// all traces share (the recorder samples every channel at once) and one value
// column per trace.  A value of NaN is a gap: the exchange failed, and the
// trace is broken there, never bridged.
//
// Memory is bounded.  Up to Capacity() rows (1,000,000 by default) are kept;
// when a new row would go beyond it, the oldest half of the full-resolution
// rows is decimated eightfold: every 32 of its rows become 4 that keep, per
// trace, the block's minimum and maximum (in the order they came), its last
// value, and a gap when the block had one.  Once the decimated rows fill a
// quarter of the capacity they are decimated again.  The newest rows thus
// stay at full resolution, older ones grow coarser the older they are, and
// no peak or gap is lost; the full data is in the CSV.
// The history takes at most
//     Capacity() x (8 + 4 x traces) bytes for the rows
//   + Capacity() / 64 x 24 x traces bytes for the summaries of 64-row blocks
//   + a few more for those of 4096-row blocks,
// which is 60.6 MB for 12 traces (a day at 10 samples a second is 864,000
// rows, all of them at full resolution).  MemoryBytes() counts what is held.
//
// Appending is O(1) amortised (no allocation but the columns' growth, which
// stops at the capacity).  Questions over a time range take O(log n) for its
// rows and then read whole 64- and 4096-row blocks from their summaries, so a
// pixel column covering a million samples costs about as much as one
// covering a hundred.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

namespace rq36 {

// What one pixel column of one trace shows: the samples with time in
// [start, end).  first and last are the values of its first and last rows
// (NaN when that row is a gap); min and max those of its non-gap samples (NaN
// when it has none).  gap is set when any of its rows is a gap.
struct ColumnSummary {
    float min = std::numeric_limits<float>::quiet_NaN();
    float max = std::numeric_limits<float>::quiet_NaN();
    float first = std::numeric_limits<float>::quiet_NaN();
    float last = std::numeric_limits<float>::quiet_NaN();
    std::uint32_t rows = 0;  // rows covered, gaps included; 0: nothing there
    bool gap = false;
};

// Minimum, maximum and mean of one trace's non-gap samples in a range.
struct RangeStats {
    std::size_t count = 0;  // non-gap samples; 0: the trace has none there
    double min = 0;
    double max = 0;
    double mean = 0;
};

class TraceHistory {
public:
    static constexpr std::size_t kDefaultCapacity = 1'000'000;
    static constexpr std::size_t kBlock = 64;         // rows in a first-level summary
    static constexpr std::size_t kBigBlock = 4096;    // rows in a second-level summary
    static constexpr std::size_t kDecimateFrom = 32;  // rows of a decimated block...
    static constexpr std::size_t kDecimateTo = 4;     // ...and what they become

    // capacity: rows kept before the oldest are decimated; at least 256.
    explicit TraceHistory(std::size_t capacity = kDefaultCapacity);

    // A new trace; its values in rows already held are gaps.  Returns its
    // index (0, 1, ...).
    int AddTrace();
    int TraceCount() const { return static_cast<int>(values_.size()); }

    // One row: the time in seconds and one value per trace (NaN: a gap).
    // Values missing from a short span are gaps, and so are infinities;
    // extra values are ignored.
    // False, and nothing kept, when the time is not a number or earlier than
    // the last row's (times never go back).
    bool Append(double seconds, std::span<const float> values);

    // Drops all rows; keeps the traces.
    void ClearRows();
    // Drops rows and traces.
    void Clear();

    std::size_t Rows() const { return time_.size(); }
    std::size_t Capacity() const { return capacity_; }
    bool Empty() const { return time_.empty(); }
    double Time(std::size_t row) const { return time_[row]; }
    float Value(int trace, std::size_t row) const { return Column(trace)[row]; }
    double FirstTime() const { return time_.empty() ? 0.0 : time_.front(); }
    double LastTime() const { return time_.empty() ? 0.0 : time_.back(); }
    // The value of the newest row (NaN when it was a gap or there is none).
    float LastValue(int trace) const;
    // How many times the oldest rows were decimated since the last clear.
    int Decimations() const { return decimations_; }
    // Bytes held by the columns and their summaries (allocated capacity).
    std::size_t MemoryBytes() const;

    // The first row with time >= seconds (Rows() when there is none).
    std::size_t RowAtOrAfter(double seconds) const;

    // Per pixel column c of `columns`, the rows with time in
    // [t0 + c w, t0 + (c + 1) w), w = (t1 - t0) / columns.  Fills `out`
    // (resized to columns); empty when t1 <= t0 or columns <= 0.
    void Summarize(int trace, double t0, double t1, int columns, std::vector<ColumnSummary>& out) const;
    // The same in two steps, the first shared by all traces: the rows where
    // each column begins (columns + 1 of them, the last where the range
    // ends), then one trace's summaries over them.
    void ColumnEdges(double t0, double t1, int columns, std::vector<std::size_t>& edges) const;
    void Summarize(int trace, const std::vector<std::size_t>& edges, std::vector<ColumnSummary>& out) const;
    // The same for rows [begin, end) (the pixel columns' work, one column).
    ColumnSummary SummarizeRows(int trace, std::size_t begin, std::size_t end) const;

    // The trace's non-gap samples with time in [t0, t1] (the ends swapped
    // when t1 < t0).
    RangeStats Stats(int trace, double t0, double t1) const;

private:
    struct BlockSummary {
        double sum = 0;
        float min = std::numeric_limits<float>::infinity();
        float max = -std::numeric_limits<float>::infinity();
        std::uint32_t count = 0;  // non-gap samples
    };
    struct Trace {
        std::vector<float> values;
        std::vector<BlockSummary> blocks;     // per kBlock rows
        std::vector<BlockSummary> bigBlocks;  // per kBigBlock rows
    };

    const std::vector<float>& Column(int trace) const { return values_[static_cast<std::size_t>(trace)].values; }
    static void Add(BlockSummary& block, float value);
    static void Merge(BlockSummary& into, const BlockSummary& block);
    // Summary of rows [begin, end) of one trace, from the blocks where whole.
    // The sums only when asked (the means need them, the pixel columns not).
    BlockSummary Reduce(const Trace& trace, std::size_t begin, std::size_t end, bool withSum) const;
    static void AddRun(BlockSummary& summary, const float* values, std::size_t count, bool withSum);
    void SummarizeNewRow(Trace& trace, std::size_t row);
    void RebuildSummaries();
    void DecimateOldest();
    void DecimateRows(std::size_t begin, std::size_t end);
    template <typename T>
    void Grow(std::vector<T>& column, std::size_t limit);

    std::size_t capacity_;
    std::vector<double> time_;
    std::vector<Trace> values_;
    int decimations_ = 0;
    std::size_t coarseRows_ = 0;  // the oldest rows, already decimated
};

}  // namespace rq36
