// A snapshot of a module's configuration memory: bank 0 (communication,
// ranges, digital options and every other byte the module answers for) and,
// when taken, the calibration banks 30 to 32; with the module's identity and
// the time it was taken.  The bytes that a configuration dialog sets carry a
// name; the comparison of two snapshots lists what differs by that name, by
// bank and address otherwise.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include <QDateTime>
#include <QString>

#include "module/command_set.h"

namespace rq36 {

inline constexpr int kBankBytes = 256;
inline constexpr int kCalibrationBanks = kCalibrationBankLast - kCalibrationBankFirst + 1;

// One bank as read: a byte the module refused to read is absent.
using SnapshotBank = std::array<std::optional<std::uint8_t>, kBankBytes>;

struct Snapshot {
    QString identity;  // "RQ-36    v.1.02", as the connection shows it
    QDateTime taken;   // UTC
    SnapshotBank bank0{};
    // Banks 30, 31, 32; none when the snapshot was taken without them.
    std::optional<std::array<SnapshotBank, kCalibrationBanks>> calibration;

    const SnapshotBank* Bank(int bank) const;
};

// A bank-0 byte that a configuration dialog sets: its key in the file, its
// name in a comparison, the values it may hold, and how they are written.
struct NamedByte {
    std::uint8_t address;
    QString key;   // "ain3.range"
    QString name;  // "AIN3 rozsah"
    int minValue;
    int maxValue;
    bool hex;  // a bit mask, written as two hexadecimal digits
};

// Every named byte: the communication settings (address, speed, parity,
// protocol), the range of each analog input, the three options of each
// digital port.
const std::vector<NamedByte>& NamedBytes();
// The named byte at a bank-0 address, or null.
const NamedByte* NamedByteAt(std::uint8_t address);
// True for the four communication settings, which a restore writes last.
bool IsCommunicationAddress(std::uint8_t address);

// A named byte's value as a user reads it: the range's list text for a
// range code, "FFh" for a bit mask, the number otherwise.
QString NamedValueText(const NamedByte& named, std::uint8_t value);

struct SnapshotDifference {
    std::uint8_t bank = 0;
    std::uint8_t address = 0;
    std::optional<std::uint8_t> before;  // none: absent
    std::optional<std::uint8_t> after;
    // "AIN3 rozsah: +/- 10V DC → 20mA AC", or
    // "Banka 30, adresa 08h: 00h → 12h".
    QString text;
};

// What differs from `before` to `after`, bank 0 first, in address order; the
// calibration banks only when both hold them.
std::vector<SnapshotDifference> CompareSnapshots(const Snapshot& before, const Snapshot& after);

}  // namespace rq36
