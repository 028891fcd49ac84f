#include "library_state.h"

#include "diagnostic_window.h"

namespace orsg {

void History::Clear() {
    ring_.fill(CommRecord{});
    head_ = 0;
}

void TickSecond(Statistics& stats) {
    stats.callsPerSecond = stats.callsThisSecond;
    stats.callsThisSecond = 0;
    stats.errorRate = stats.totalCalls != 0
                          ? static_cast<double>(stats.totalErrors) / static_cast<double>(stats.totalCalls) * 100.0
                          : 0.0;
}

void ClearStatistics(Statistics& stats) {
    stats.totalCalls = 0;
    stats.callsPerSecond = 0;
    stats.callsThisSecond = 0;
    stats.totalErrors = 0;
    stats.errorRate = 0.0;
}

CardText BlankCardText() {
    CardText text;
    text.fill(' ');
    return text;
}

LibraryState::LibraryState()
    : magic(kLiveMagic),
      firmware(BlankCardText()),
      fpga(BlankCardText()),
      cardName(BlankCardText()),
      serialNumber(BlankCardText()) {}

LibraryState::~LibraryState() {
    // The window reads the state: it goes first.
    window.reset();
    magic = 0;
}

LibraryState* StateFromHandle(intptr_t handle) {
    if (handle == 0) return nullptr;
    if (static_cast<uintptr_t>(handle) % alignof(LibraryState) != 0) return nullptr;
    auto* state = reinterpret_cast<LibraryState*>(handle);
    return state->magic == LibraryState::kLiveMagic ? state : nullptr;
}

void EnterRecord(LibraryState& state) {
    const CommRecord& record = state.recent.Next();
    state.stats.lastStatus = record.status;
    if (record.status != 0) {
        ++state.stats.totalErrors;
        state.errors.Push(record);
    }
    state.recent.Commit();
}

}  // namespace orsg
