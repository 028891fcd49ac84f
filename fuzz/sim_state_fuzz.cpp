// The simulator's state file text: any bytes parsed for a few module ids.
// Checked: no crash and no undefined behaviour, the settings in force that
// come out are valid ones, and what is parsed serializes and parses back to
// the same state.
#include <string>

#include "fuzz_check.h"
#include "state_file.h"

namespace {

void Ignore(const std::string&) {}

bool Same(const rq36sim::ModuleState& a, const rq36sim::ModuleState& b) {
    if (!(a.active == b.active) || a.status != b.status) return false;
    for (int bank : rq36sim::ConfigMemory::kBanks)
        if (a.memory.BankAt(bank) != b.memory.BankAt(bank)) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const rq36sim::CommSettings factory{};
    for (const char* id : {"main", "m", ""}) {
        const auto state = rq36sim::StateStore::Parse(text, id, factory, Ignore);
        if (!state) continue;
        const rq36sim::CommSettings& c = state->active;
        FUZZ_CHECK(c.speedCode >= rq36sim::kModuleSpeedCodeMin && c.speedCode <= rq36sim::kModuleSpeedCodeMax);
        FUZZ_CHECK(c.parity <= rq36sim::kParityNone && c.protocol <= 1);
        const auto back = rq36sim::StateStore::Parse(rq36sim::StateStore::Serialize(id, *state), id, factory, Ignore);
        FUZZ_CHECK(back && Same(*state, *back));
    }
    return 0;
}
