// The simulator's configuration text and fault list, as RQ36_SIM_CONFIG and
// RQ36_SIM_FAULT give them.  Checked: no crash and no undefined behaviour
// (the fuzz build runs under ASan and UBSan), the limits on cards and
// modules hold, every module a card or line names exists, the numbers taken
// lie in their ranges, and the integer reader agrees with a small model.
#include <algorithm>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "sim_config.h"
#include "text_util.h"

namespace {

void Ignore(const std::string&) {}

// Integer text of the simulator: blanks around, one optional '-', decimal
// digits or "0x" and hexadecimal digits, within 64 bits.
bool ModelAccepts(std::string_view s) {
    s = rq36sim::Trim(s);
    if (!s.empty() && s.front() == '-') s.remove_prefix(1);
    const bool hex = s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
    if (hex) s.remove_prefix(2);
    if (s.empty()) return false;
    for (char c : s) {
        const bool digit = (c >= '0' && c <= '9') || (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
        if (!digit) return false;
    }
    // No more significant digits than 64 bits hold.
    const std::size_t significant = s.size() - std::min(s.find_first_not_of('0'), s.size());
    return significant <= (hex ? 16u : 19u);
}

// The integer reader takes only what the model allows, and a decimal number
// it takes has the value its digits spell.
void CheckNumber(std::string_view text) {
    const auto value = rq36sim::ParseInt(text);
    FUZZ_CHECK(value.has_value() <= ModelAccepts(text));
    if (!value || text.find_first_of("xX") != std::string_view::npos) return;
    std::string_view s = rq36sim::Trim(text);
    const bool negative = s.front() == '-';
    if (negative) s.remove_prefix(1);
    const std::size_t nonZero = s.find_first_not_of('0');
    const std::string digits = nonZero == std::string_view::npos ? "0" : std::string(s.substr(nonZero));
    FUZZ_CHECK(std::to_string(*value) == (negative && digits != "0" ? "-" : "") + digits);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    rq36sim::SimConfig cfg = rq36sim::SimConfig::Defaults();
    rq36sim::ApplyConfigText(cfg, text, Ignore);
    FUZZ_CHECK(!cfg.cards.empty() && cfg.cards.size() <= 16);
    FUZZ_CHECK(cfg.modules.size() <= 64);
    for (const rq36sim::CardSpec& card : cfg.cards) {
        FUZZ_CHECK(card.did >= 0 && card.did <= 0xFFFF && card.bus >= 0 && card.bus <= 0xFFFF);
        FUZZ_CHECK(card.slot >= 0 && card.slot <= 0xFFFF);
        for (const auto& channel : card.channels)
            for (const std::string& id : channel) FUZZ_CHECK(cfg.ModuleNamed(id) != nullptr);
    }
    for (const auto& line : cfg.standInLines)
        for (const std::string& id : line) FUZZ_CHECK(cfg.ModuleNamed(id) != nullptr);
    for (const rq36sim::ModuleSpec& m : cfg.modules) {
        FUZZ_CHECK(m.factory.parity <= rq36sim::kParityNone && m.factory.protocol <= 1);
        FUZZ_CHECK(m.factory.speedCode >= rq36sim::kModuleSpeedCodeMin &&
                   m.factory.speedCode <= rq36sim::kModuleSpeedCodeMax);
    }
    FUZZ_CHECK(cfg.timing.turnaround.count() >= 0 && cfg.timing.turnaround.count() <= 1'000'000);
    FUZZ_CHECK(cfg.faults.modbusCount >= -1 && cfg.faults.modbusCount <= 65535);

    rq36sim::Faults faults;
    rq36sim::ApplyFaultList(faults, text, Ignore);
    FUZZ_CHECK(faults.modbusCount >= -1 && faults.modbusCount <= 65535);

    // The whole input, each line, each value after '=' and each item of a
    // list as one number.
    CheckNumber(text);
    for (std::string_view line : rq36sim::SplitList(text, '\n')) {
        CheckNumber(line);
        for (std::string_view item : rq36sim::SplitList(line, ',')) {
            CheckNumber(item);
            if (const auto eq = item.find('='); eq != std::string_view::npos) CheckNumber(item.substr(eq + 1));
        }
    }
    return 0;
}
