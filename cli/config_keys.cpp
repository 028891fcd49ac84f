#include "config_keys.h"

#include <array>

#include "cli.h"
#include "interface/connection_logic.h"
#include "module/range_table.h"

namespace rq36::cli {

namespace {

// The record's parity order (0 even, 1 odd, 2 none) and the protocol codes.
constexpr std::array<const char*, 3> kParityWords = {"even", "odd", "none"};
constexpr std::array<const char*, 2> kProtocolWords = {"vextbus", "modbus"};
constexpr std::uint8_t kPortMask = 0x03;  // port 0: bits of DIN0/DOUT0 and DIN1/DOUT1

// Positions of port 0's bytes in the digital options run.
constexpr std::size_t kInitialOutputSlot = 0;
constexpr std::size_t kInputNegationSlot = kDigitalPorts;
constexpr std::size_t kOutputNegationSlot = 2 * kDigitalPorts;

template <std::size_t N>
std::optional<std::uint8_t> WordIndex(const std::array<const char*, N>& words, const QString& text) {
    for (std::size_t i = 0; i < N; ++i) {
        if (text == QLatin1String(words[i])) return static_cast<std::uint8_t>(i);
    }
    return std::nullopt;
}

}  // namespace

const std::vector<ConfigKey>& ConfigKeys() {
    static const std::vector<ConfigKey> keys = [] {
        std::vector<ConfigKey> k;
        k.push_back({QStringLiteral("address"), kCommunicationSlots[0], KeyKind::Number});
        k.push_back({QStringLiteral("speed"), kCommunicationSlots[1], KeyKind::Speed});
        k.push_back({QStringLiteral("parity"), kCommunicationSlots[2], KeyKind::Parity});
        k.push_back({QStringLiteral("protocol"), kCommunicationSlots[3], KeyKind::Protocol});
        for (int i = 0; i < kAnalogInputs; ++i)
            k.push_back(
                {QStringLiteral("ain%1.range").arg(i), kAnalogRangeSlots[static_cast<std::size_t>(i)], KeyKind::Range});
        k.push_back({QStringLiteral("din.negate"), kDigitalOptionSlots[kInputNegationSlot], KeyKind::Mask});
        k.push_back({QStringLiteral("dout.negate"), kDigitalOptionSlots[kOutputNegationSlot], KeyKind::Mask});
        k.push_back({QStringLiteral("dout.initial"), kDigitalOptionSlots[kInitialOutputSlot], KeyKind::Mask});
        return k;
    }();
    return keys;
}

const ConfigKey* FindConfigKey(const QString& name) {
    for (const ConfigKey& key : ConfigKeys()) {
        if (key.name == name) return &key;
    }
    return nullptr;
}

std::optional<std::uint8_t> ParseKeyValue(const ConfigKey& key, const QString& text) {
    switch (key.kind) {
    case KeyKind::Number:
        if (const auto v = ParseIntegerIn(text, 0, 255)) return static_cast<std::uint8_t>(*v);
        return std::nullopt;
    case KeyKind::Speed: {
        const std::optional<int> speed = ParseInteger(text);
        if (!speed) return std::nullopt;
        const int code = IndexFromSpeed(*speed);
        if (SpeedFromIndex(code) != *speed || code < kFirstModuleSpeedCode) return std::nullopt;
        return static_cast<std::uint8_t>(code);
    }
    case KeyKind::Parity: return ParityOfWord(text);
    case KeyKind::Protocol: return WordIndex(kProtocolWords, text);
    case KeyKind::Range:
        if (const auto v = ParseIntegerIn(text, 0, kRangeCodes - 1)) return static_cast<std::uint8_t>(*v);
        return std::nullopt;
    case KeyKind::Mask:
        if (const auto v = ParseIntegerIn(text, 0, kPortMask)) return static_cast<std::uint8_t>(*v);
        return std::nullopt;
    }
    return std::nullopt;
}

QString KeyAccepts(const ConfigKey& key) {
    switch (key.kind) {
    case KeyKind::Number: return QStringLiteral("0 až 255");
    case KeyKind::Speed: return QStringLiteral("2400, 4800, 9600, 19200, 38400, 57600 nebo 115200");
    case KeyKind::Parity: return QStringLiteral("none, even nebo odd");
    case KeyKind::Protocol: return QStringLiteral("vextbus nebo modbus");
    case KeyKind::Range: return QStringLiteral("0 až %1").arg(kRangeCodes - 1);
    case KeyKind::Mask: return QStringLiteral("0 až 3");
    }
    return {};
}

std::optional<std::uint8_t> ParityOfWord(const QString& word) { return WordIndex(kParityWords, word); }

QString ParityWord(std::uint8_t index) {
    return index < kParityWords.size() ? QString::fromLatin1(kParityWords[index]) : QString();
}

bool KeyValueIsWord(const ConfigKey& key, std::uint8_t byte) {
    return (key.kind == KeyKind::Parity && byte < kParityWords.size()) ||
           (key.kind == KeyKind::Protocol && byte < kProtocolWords.size());
}

QString KeyValueText(const ConfigKey& key, std::uint8_t byte) {
    switch (key.kind) {
    case KeyKind::Speed:
        if (byte <= IndexFromSpeed(115200)) return QString::number(SpeedFromIndex(byte));
        break;
    case KeyKind::Parity:
        if (byte < kParityWords.size()) return ParityWord(byte);
        break;
    case KeyKind::Protocol:
        if (byte < kProtocolWords.size()) return QString::fromLatin1(kProtocolWords[byte]);
        break;
    case KeyKind::Mask: return QString::number(byte & kPortMask);
    case KeyKind::Number:
    case KeyKind::Range: break;
    }
    return QString::number(byte);
}

}  // namespace rq36::cli
