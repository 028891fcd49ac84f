#include "library_state.h"

#include <algorithm>
#include <mutex>
#include <vector>

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
    : firmware(BlankCardText()),
      fpga(BlankCardText()),
      cardName(BlankCardText()),
      serialNumber(BlankCardText()) {}

LibraryState::~LibraryState() {
    // The window reads the state: it goes first.
    window.reset();
}

namespace {

// A host has a handle or two; a plain list is the quickest to search.  The
// lock only matters to a host that uses different handles from different
// threads.
struct Handles {
    std::mutex lock;
    std::vector<LibraryState*> live;

    std::vector<LibraryState*>::iterator Find(intptr_t handle) {
        return std::find(live.begin(), live.end(), reinterpret_cast<LibraryState*>(handle));
    }
};

Handles& TheHandles() {
    static Handles handles;
    return handles;
}

}  // namespace

void RegisterState(LibraryState* state) {
    Handles& h = TheHandles();
    const std::lock_guard<std::mutex> guard(h.lock);
    h.live.push_back(state);
}

LibraryState* StateFromHandle(intptr_t handle) {
    if (handle == 0) return nullptr;
    Handles& h = TheHandles();
    const std::lock_guard<std::mutex> guard(h.lock);
    const auto it = h.Find(handle);
    return it != h.live.end() ? *it : nullptr;
}

LibraryState* TakeState(intptr_t handle) {
    if (handle == 0) return nullptr;
    Handles& h = TheHandles();
    const std::lock_guard<std::mutex> guard(h.lock);
    const auto it = h.Find(handle);
    if (it == h.live.end()) return nullptr;
    LibraryState* state = *it;
    h.live.erase(it);
    return state;
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
