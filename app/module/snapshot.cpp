#include "module/snapshot.h"

#include "interface/connection_logic.h"
#include "module/range_table.h"

namespace rq36 {

const SnapshotBank* Snapshot::Bank(int bank) const {
    if (bank == kConfigBank) return &bank0;
    if (!calibration || bank < kCalibrationBankFirst || bank > kCalibrationBankLast) return nullptr;
    return &(*calibration)[static_cast<std::size_t>(bank - kCalibrationBankFirst)];
}

const std::vector<NamedByte>& NamedBytes() {
    static const std::vector<NamedByte> named = [] {
        std::vector<NamedByte> v;
        // The module runs at speed codes 2 to 8; parity 0 even, 1 odd, 2 none;
        // protocol 0 Vextbus-2, 1 Modbus RTU.
        v.push_back({kCfgModuleAddress, QStringLiteral("address"), QStringLiteral("Adresa modulu"), 0, 255, false});
        v.push_back({kCfgSpeed, QStringLiteral("speed"), QStringLiteral("Rychlost"), kFirstModuleSpeedCode, 8, false});
        v.push_back({kCfgParity, QStringLiteral("parity"), QStringLiteral("Parita"), 0, 2, false});
        v.push_back({kCfgProtocol, QStringLiteral("protocol"), QStringLiteral("Protokol (kód)"), 0, 1, false});
        for (int i = 0; i < kAnalogInputs; ++i)
            v.push_back({RangeAddress(i), QStringLiteral("ain%1.range").arg(i), QStringLiteral("AIN%1 rozsah").arg(i),
                         0, kRangeCodes - 1, false});
        for (int p = 0; p < kDigitalPorts; ++p) {
            v.push_back({InitialOutputAddress(p), QStringLiteral("port%1.initial_outputs").arg(p),
                         QStringLiteral("Port %1 počáteční stav výstupů").arg(p), 0, 255, true});
            v.push_back({InputNegationAddress(p), QStringLiteral("port%1.input_negation").arg(p),
                         QStringLiteral("Port %1 negace vstupů").arg(p), 0, 255, true});
            v.push_back({OutputNegationAddress(p), QStringLiteral("port%1.output_negation").arg(p),
                         QStringLiteral("Port %1 negace výstupů").arg(p), 0, 255, true});
        }
        return v;
    }();
    return named;
}

const NamedByte* NamedByteAt(std::uint8_t address) {
    for (const NamedByte& n : NamedBytes())
        if (n.address == address) return &n;
    return nullptr;
}

bool IsCommunicationAddress(std::uint8_t address) {
    return address == kCfgModuleAddress || address == kCfgSpeed || address == kCfgParity || address == kCfgProtocol;
}

namespace {

QString HexByte(std::uint8_t value) { return QString::asprintf("%02Xh", static_cast<unsigned>(value)); }

QString ValueText(const NamedByte* named, const std::optional<std::uint8_t>& value) {
    if (!value) return QStringLiteral("není");
    return named ? NamedValueText(*named, *value) : HexByte(*value);
}

void CompareBank(int bank, const SnapshotBank& before, const SnapshotBank& after,
                 std::vector<SnapshotDifference>& out) {
    for (int a = 0; a < kBankBytes; ++a) {
        const auto& x = before[static_cast<std::size_t>(a)];
        const auto& y = after[static_cast<std::size_t>(a)];
        if (x == y) continue;
        SnapshotDifference d;
        d.bank = static_cast<std::uint8_t>(bank);
        d.address = static_cast<std::uint8_t>(a);
        d.before = x;
        d.after = y;
        const NamedByte* named = bank == kConfigBank ? NamedByteAt(d.address) : nullptr;
        const QString where =
            named ? named->name : QStringLiteral("Banka %1, adresa %2").arg(bank).arg(HexByte(d.address));
        d.text = where + QStringLiteral(": ") + ValueText(named, x) + QStringLiteral(" → ") + ValueText(named, y);
        out.push_back(std::move(d));
    }
}

}  // namespace

QString NamedValueText(const NamedByte& named, std::uint8_t value) {
    if (named.hex) return HexByte(value);
    // The lists the configuration and connection dialogs show.
    const auto listed = [value](const QStringList& texts) {
        return value < texts.size() ? texts[value] : QString::number(value);
    };
    if (named.address < kCfgRange0 + kAnalogInputs) {
        if (const AnalogRange* range = RangeOf(value)) return QString::fromUtf8(range->listText);
    }
    if (named.address == kCfgSpeed) return listed(SpeedListTexts());
    if (named.address == kCfgParity) return listed(ParityListTexts());
    return QString::number(value);
}

std::vector<SnapshotDifference> CompareSnapshots(const Snapshot& before, const Snapshot& after) {
    std::vector<SnapshotDifference> out;
    CompareBank(kConfigBank, before.bank0, after.bank0, out);
    if (before.calibration && after.calibration)
        for (int b = kCalibrationBankFirst; b <= kCalibrationBankLast; ++b)
            CompareBank(b, *before.Bank(b), *after.Bank(b), out);
    return out;
}

}  // namespace rq36
