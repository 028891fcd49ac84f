// The state behind an ORSG handle: configuration, card identity, statistics
// and the two exchange histories.  Plain data: the exchange code fills it,
// the diagnostic window and the log file read it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "time_stamp.h"

namespace orsg {

class DiagnosticWindow;

inline constexpr int kHistorySize = 200;
inline constexpr int kRecordBytes = 16;     // sent and received bytes kept per record
inline constexpr int kCardTextLength = 16;  // identification texts, one character per element

inline constexpr int32_t kDefaultSpeed = 9600;
inline constexpr uint32_t kDefaultTimeoutMs = 200;
inline constexpr uint32_t kDefaultRetries = 2;
inline constexpr uint32_t kMaxTimeoutMs = 10000;
inline constexpr uint32_t kMaxRetries = 15;

// One exchange as kept in the histories.
struct CommRecord {
    int32_t index = 0;  // total calls before this exchange was counted
    StampText date{};   // short date
    StampText time{};   // long time, '.', milliseconds (3 digits)
    int32_t status = 0;
    uint32_t mark = 0;      // card's time mark, ms
    uint32_t duration = 0;  // card's duration, 0.1 ms
    int32_t repeats = 0;
    std::array<int32_t, kRecordBytes> sent{};  // elements 0..7 used, full values
    std::array<int32_t, kRecordBytes> received{};
};

// The last kHistorySize records, newest first.  Stored as a ring with one
// spare slot: the next record is built in the spare slot and entering it only
// moves the ring's head, so an exchange never moves the history.
class History {
public:
    // Entry k, 0 = newest.  k outside 0..Size()-1 gives a cleared record.
    const CommRecord& Entry(int k) const {
        if (k < 0 || k >= kHistorySize) return kCleared;
        return ring_[Slot(head_ + k)];
    }
    // The slot the next record is built in; not part of the history until
    // Commit.  Holds an old record (or garbage) until overwritten.
    CommRecord& Next() { return ring_[Slot(head_ + kRingSize - 1)]; }
    // Makes the record in Next() entry 0; the oldest entry drops out.
    void Commit() { head_ = static_cast<int>(Slot(head_ + kRingSize - 1)); }
    // Enters a copy of a record built elsewhere.
    void Push(const CommRecord& record) {
        Next() = record;
        Commit();
    }
    // Every entry becomes a cleared record.
    void Clear();
    static constexpr int Size() { return kHistorySize; }

private:
    static constexpr int kRingSize = kHistorySize + 1;
    static std::size_t Slot(int i) { return static_cast<std::size_t>(i % kRingSize); }

    static constexpr CommRecord kCleared{};
    std::array<CommRecord, kRingSize> ring_{};
    int head_ = 0;  // ring index of entry 0
};

struct Statistics {
    uint32_t totalCalls = 0;       // exchanges since start or the last clearing
    uint32_t callsPerSecond = 0;   // exchanges in the last full second
    uint32_t callsThisSecond = 0;  // exchanges since the last tick
    uint32_t totalErrors = 0;
    double errorRate = 0.0;  // percent
    int32_t lastStatus = 0;
};

// The diagnostic window's one-second tick: turns the counters into rates.
void TickSecond(Statistics& stats);
// "Clear statistics": every counter and the rate back to 0; record indices
// start again at 0.
void ClearStatistics(Statistics& stats);

using CardText = std::array<int32_t, kCardTextLength>;
CardText BlankCardText();  // 16 spaces

struct LibraryState {
    LibraryState();
    ~LibraryState();
    LibraryState(const LibraryState&) = delete;
    LibraryState& operator=(const LibraryState&) = delete;

    int32_t cardIndex = 0;
    int32_t speed = kDefaultSpeed;
    uint32_t timeoutMs = kDefaultTimeoutMs;
    uint32_t retries = kDefaultRetries;
    std::array<int32_t, 16> initParams{};
    CardText firmware;
    CardText fpga;
    CardText cardName;
    CardText serialNumber;
    int32_t open = 0;
    uintptr_t bar1 = 0;        // BAR1 base address (pointer-sized)
    intptr_t handleValue = 0;  // the state's own address once Init succeeded
    DateTimeText startTime{};
    int32_t selectionMode = 0;
    int32_t bus = 0;
    int32_t slot = 0;
    int32_t channel = 0;

    Statistics stats;
    // The record of the running exchange is built in recent.Next().
    History recent;
    History errors;

    TimeStamper stamper;
    std::unique_ptr<DiagnosticWindow> window;
};

// Storage of states.  A handle is its state's address, and a host may keep
// a copy of a handle after ORSG_Done.  So an address, once handed out, never
// belongs to another state while the library is loaded: a closed state is
// destroyed and its storage shrunk to a few bytes that stay allocated (where
// the allocator cannot shrink in place, the address is remembered and a new
// state never takes it).
// A new state in default condition, or nullptr when memory is short.
LibraryState* NewState() noexcept;
// Destroys a state that was never handed out as a handle.
void DeleteState(LibraryState* state) noexcept;
// Destroys a state taken back from the handles; its address is retired.
void RetireState(LibraryState* state) noexcept;

struct StateDeleter {
    void operator()(LibraryState* state) const noexcept { DeleteState(state); }
};
using StatePtr = std::unique_ptr<LibraryState, StateDeleter>;

// The handles of the library: the states ORSG_Init handed out and ORSG_Done
// has not yet taken back.  A handle value is looked up here before it is
// used, so a stale copy or a stray value is refused without being read.
// Adds a state (its address counts as handed out from now on); throws
// std::bad_alloc when it cannot.
void RegisterState(LibraryState* state);
// The live state behind a handle value, or nullptr.
LibraryState* StateFromHandle(intptr_t handle);
// Removes the state behind a handle value from the handles and returns it
// (the caller destroys it), or nullptr when the value is no live handle.
LibraryState* TakeState(intptr_t handle);

// Enters the completed record in state.recent.Next(): the error counter, the
// last status and the histories (the error history only for a non-zero
// status).
void EnterRecord(LibraryState& state);

}  // namespace orsg
