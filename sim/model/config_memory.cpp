#include "config_memory.h"

namespace rq36sim {

namespace {
constexpr std::uint8_t kNegationDefault = 0xFF;
constexpr int kCalibrationSlotBytes = 8;
constexpr int kOddInputOffset = 128;
}  // namespace

std::size_t ConfigMemory::Index(int bank) {
    for (std::size_t i = 0; i < kBanks.size(); ++i)
        if (kBanks[i] == bank) return i;
    return 0;
}

bool ConfigMemory::BankExists(int bank) {
    for (int b : kBanks)
        if (b == bank) return true;
    return false;
}

ConfigMemory ConfigMemory::Factory(const CommSettings& comm) {
    ConfigMemory m;
    Bank& b0 = m.BankAt(0);
    for (int port = 0; port < 4; ++port) {
        const int base = kAddrDigitalPort0 + 3 * port;
        b0[static_cast<std::size_t>(base)] = 0;
        b0[static_cast<std::size_t>(base + 1)] = kNegationDefault;
        b0[static_cast<std::size_t>(base + 2)] = kNegationDefault;
    }
    b0[kAddrProtocol] = comm.protocol;
    b0[kAddrParity] = comm.parity;
    b0[kAddrSpeed] = comm.speedCode;
    b0[kAddrModuleAddress] = comm.address;

    for (int input = 0; input < kAnalogInputs; ++input) {
        for (int code = 0; code < kRangeCodes; ++code) {
            const std::pair<int, int> slot = CalibrationSlot(input, code);
            Bank& bank = m.BankAt(slot.first);
            const int first = slot.second;
            const CalibrationRecord neutral{};
            const auto at = [&](int k) -> std::uint8_t& { return bank[static_cast<std::size_t>(first + k)]; };
            at(0) = 0;
            at(1) = 0;
            at(2) = neutral.gain & 0xFF;
            at(3) = neutral.gain >> 8;
            at(4) = neutral.reference & 0xFF;
            at(5) = neutral.reference >> 8;
            at(6) = RangeOf(code)->scaleByte;
            at(7) = 0;
        }
    }
    return m;
}

std::optional<std::uint8_t> ConfigMemory::Read(int bank, int address) const {
    if (!BankExists(bank) || address < 0 || address >= kBankBytes) return std::nullopt;
    return banks_[Index(bank)][static_cast<std::size_t>(address)];
}

bool ConfigMemory::Write(int bank, int address, std::uint8_t value) {
    if (!BankExists(bank) || address < 0 || address >= kBankBytes) return false;
    banks_[Index(bank)][static_cast<std::size_t>(address)] = value;
    return true;
}

Bank& ConfigMemory::BankAt(int b) { return banks_[Index(b)]; }
const Bank& ConfigMemory::BankAt(int b) const { return banks_[Index(b)]; }

CommSettings ConfigMemory::StoredComm() const {
    const Bank& b0 = BankAt(0);
    return {b0[kAddrModuleAddress], b0[kAddrSpeed], b0[kAddrParity], b0[kAddrProtocol]};
}

int ConfigMemory::RangeCode(int input) const { return BankAt(0)[static_cast<std::size_t>(kAddrRangeFirst + input)]; }
std::uint8_t ConfigMemory::InitialOutputs() const { return BankAt(0)[kAddrDigitalPort0]; }
std::uint8_t ConfigMemory::InputNegation() const { return BankAt(0)[kAddrDigitalPort0 + 1]; }
std::uint8_t ConfigMemory::OutputNegation() const { return BankAt(0)[kAddrDigitalPort0 + 2]; }

std::pair<int, int> ConfigMemory::CalibrationSlot(int input, int code) {
    return {30 + input / 2, kOddInputOffset * (input % 2) + kCalibrationSlotBytes * code};
}

CalibrationRecord ConfigMemory::Calibration(int input, int code) const {
    const std::pair<int, int> slot = CalibrationSlot(input, code);
    const Bank& b = BankAt(slot.first);
    const int first = slot.second;
    const auto at = [&](int k) { return b[static_cast<std::size_t>(first + k)]; };
    CalibrationRecord r;
    r.offset = static_cast<std::int16_t>(static_cast<std::uint16_t>(at(0) | (at(1) << 8)));
    r.gain = static_cast<std::uint16_t>(at(2) | (at(3) << 8));
    r.reference = static_cast<std::uint16_t>(at(4) | (at(5) << 8));
    r.scale = at(6);
    return r;
}

}  // namespace rq36sim
