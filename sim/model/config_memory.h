// The module's non-volatile configuration memory: bank 0 (communication,
// ranges, digital options) and banks 30..32 (calibration records).
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "analog.h"

namespace rq36sim {

inline constexpr int kBankBytes = 256;
using Bank = std::array<std::uint8_t, kBankBytes>;

// Bank 0 addresses.
enum Bank0Address : std::uint8_t {
    kAddrRangeFirst = 0x00,
    kAddrDigitalPort0 = 0x20,  // initial outputs, input negation, output negation
    kAddrProtocol = 0x3B,
    kAddrParity = 0x3C,
    kAddrSpeed = 0x3E,
    kAddrModuleAddress = 0x3F,
};

// The four communication settings as bank 0 stores them.
struct CommSettings {
    std::uint8_t address = 1;
    std::uint8_t speedCode = 4;
    std::uint8_t parity = kParityEven;
    std::uint8_t protocol = 0;
    bool operator==(const CommSettings&) const = default;
};

class ConfigMemory {
public:
    static constexpr std::array<int, 4> kBanks = {0, 30, 31, 32};

    // Factory state: bank 0 as the program's default image with the given
    // communication settings, every calibration record neutral.
    static ConfigMemory Factory(const CommSettings& comm);

    static bool BankExists(int bank);
    std::optional<std::uint8_t> Read(int bank, int address) const;
    bool Write(int bank, int address, std::uint8_t value);

    Bank& BankAt(int bank);  // bank must exist
    const Bank& BankAt(int bank) const;

    CommSettings StoredComm() const;
    int RangeCode(int input) const;
    std::uint8_t InitialOutputs() const;
    std::uint8_t InputNegation() const;
    std::uint8_t OutputNegation() const;
    CalibrationRecord Calibration(int input, int rangeCode) const;

    // Location of the record of an input and range: bank, first address.
    static std::pair<int, int> CalibrationSlot(int input, int rangeCode);

private:
    static std::size_t Index(int bank);
    std::array<Bank, 4> banks_{};
};

}  // namespace rq36sim
