#include "library_state.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <new>
#include <unordered_set>
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
    : firmware(BlankCardText()), fpga(BlankCardText()), cardName(BlankCardText()), serialNumber(BlankCardText()) {}

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
    // Every address ever handed out as a handle.
    std::unordered_set<uintptr_t> used;
    // Shrunk storage of closed states, holding their addresses.
    std::vector<void*> kept;

    ~Handles() {
        for (void* block : kept) std::free(block);
    }

    std::vector<LibraryState*>::iterator Find(intptr_t handle) {
        return std::find(live.begin(), live.end(), reinterpret_cast<LibraryState*>(handle));
    }
};

Handles& TheHandles() {
    static Handles handles;
    return handles;
}

}  // namespace

static_assert(alignof(LibraryState) <= alignof(std::max_align_t), "malloc'd storage must suit a state");

LibraryState* NewState() noexcept {
    try {
        Handles& h = TheHandles();
        // Storage at an address that was a handle before is put aside (and
        // so cannot come again) until storage at a fresh address is found.
        std::vector<void*> refused;
        void* block = nullptr;
        {
            const std::lock_guard<std::mutex> guard(h.lock);
            for (;;) {
                block = std::malloc(sizeof(LibraryState));
                if (block == nullptr || h.used.count(reinterpret_cast<uintptr_t>(block)) == 0) break;
                refused.push_back(block);
            }
        }
        for (void* r : refused) std::free(r);
        if (block == nullptr) return nullptr;
        try {
            return new (block) LibraryState();
        } catch (...) {
            std::free(block);
            return nullptr;
        }
    } catch (...) {
        return nullptr;
    }
}

void DeleteState(LibraryState* state) noexcept {
    if (state == nullptr) return;
    state->~LibraryState();
    std::free(state);
}

void RetireState(LibraryState* state) noexcept {
    if (state == nullptr) return;
    const auto address = reinterpret_cast<uintptr_t>(state);
    state->~LibraryState();
    void* block = state;
    // Shrinking keeps the address allocated at the cost of a few bytes.
    void* shrunk = std::realloc(block, 1);
    if (shrunk == nullptr) shrunk = reinterpret_cast<void*>(address);  // not even that: kept whole
    if (reinterpret_cast<uintptr_t>(shrunk) != address) {
        // Moved: the address went back to the allocator; `used` keeps a new
        // state from taking it.
        std::free(shrunk);
        return;
    }
    try {
        Handles& h = TheHandles();
        const std::lock_guard<std::mutex> guard(h.lock);
        h.kept.push_back(shrunk);
    } catch (...) {
        // No room to note it: it stays allocated for good, which is safe.
    }
}

void RegisterState(LibraryState* state) {
    Handles& h = TheHandles();
    const std::lock_guard<std::mutex> guard(h.lock);
    h.used.insert(reinterpret_cast<uintptr_t>(state));
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
