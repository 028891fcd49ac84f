#include "live/channels.h"

#include "module/range_table.h"
#include "module/value_format.h"

namespace rq36 {

namespace {

// The combined values of the pairs 0-1, 1-2, 2-0, 3-4, 4-5, 5-3.
constexpr std::array<const char*, kAnalogInputs> kPairNames = {"c01", "c12", "c20", "c34", "c45", "c53"};
constexpr int kDigitalInputs = 2;

std::vector<Channel> BuildChannels() {
    std::vector<Channel> all;
    all.reserve(2 * kAnalogInputs + kCounterChannels + 2 + kDigitalInputs + 8);
    for (int i = 0; i < kAnalogInputs; ++i) all.push_back({QStringLiteral("ain%1").arg(i), ChannelKind::Analog, i});
    for (int i = 0; i < kAnalogInputs; ++i)
        all.push_back({QLatin1String(kPairNames[static_cast<std::size_t>(i)]), ChannelKind::Combined, i});
    for (int k = 0; k < kCounterChannels; ++k) all.push_back({QStringLiteral("cnt%1").arg(k), ChannelKind::Counter, k});
    all.push_back({QStringLiteral("din"), ChannelKind::Digital, 0});
    for (int k = 0; k < kDigitalInputs; ++k)
        all.push_back({QStringLiteral("din%1").arg(k), ChannelKind::DigitalInput, k});
    all.push_back({QStringLiteral("status"), ChannelKind::Status, 0});
    // The named bits of byte 0; the others have no meaning to record.
    for (int bit = 0; bit < 8; ++bit) {
        const QString caption = StatusBitCaption(0, bit);
        if (caption != QLatin1String("---"))
            all.push_back({QStringLiteral("status.") + caption.toLower(), ChannelKind::StatusBit, bit});
    }
    return all;
}

enum class Register { Value, Digital, Status };

Register RegisterOf(const Channel& c) {
    switch (c.kind) {
    case ChannelKind::Digital:
    case ChannelKind::DigitalInput: return Register::Digital;
    case ChannelKind::Status:
    case ChannelKind::StatusBit: return Register::Status;
    default: return Register::Value;
    }
}

}  // namespace

const std::vector<Channel>& AllChannels() {
    static const std::vector<Channel> all = BuildChannels();
    return all;
}

std::optional<Channel> ChannelNamed(const QString& name) {
    for (const Channel& c : AllChannels()) {
        if (c.name == name) return c;
    }
    return std::nullopt;
}

ModuleCommand ChannelRequest(const Channel& c) {
    switch (c.kind) {
    case ChannelKind::Analog: return ReadRegisterCommand(AnalogInputRegister(c.index));
    case ChannelKind::Combined: return ReadRegisterCommand(CombinedValueRegister(c.index));
    case ChannelKind::Counter: return ReadRegisterCommand(c.index == 0 ? kRegCounter0 : kRegCounter1);
    case ChannelKind::Digital:
    case ChannelKind::DigitalInput: return ReadRegisterCommand(kRegDigital);
    case ChannelKind::Status:
    case ChannelKind::StatusBit: return ReadStatusRegisterCommand();
    }
    return {};
}

bool SameRequest(const Channel& a, const Channel& b) {
    const Register ra = RegisterOf(a);
    if (ra != RegisterOf(b)) return false;
    return ra != Register::Value || (a.kind == b.kind && a.index == b.index);
}

int RequestsPerSample(const std::vector<Channel>& channels) {
    int requests = 0;
    for (std::size_t i = 0; i < channels.size(); ++i) {
        bool shared = false;
        for (std::size_t j = 0; j < i && !shared; ++j) shared = SameRequest(channels[i], channels[j]);
        if (!shared) ++requests;
    }
    return requests;
}

bool IsScaled(const Channel& c) { return c.kind == ChannelKind::Analog || c.kind == ChannelKind::Combined; }

QString ChannelUnit(const Channel& c, const InputRanges& ranges) {
    return IsScaled(c) ? RangeUnit(ranges[static_cast<std::size_t>(c.index)]) : QString();
}

ChannelSample ChannelSampleOf(const Channel& c, const std::array<std::uint8_t, 4>& r, const InputRanges& ranges,
                              const QLocale& locale) {
    switch (c.kind) {
    case ChannelKind::Analog:
    case ChannelKind::Combined: {
        const LiveReading reading = ReadingOf(r, IsCurrentRange(ranges[static_cast<std::size_t>(c.index)]));
        return {FormatMeasuredValue(reading.value, reading.decimals, locale), ChannelUnit(c, ranges),
                static_cast<double>(reading.value)};
    }
    case ChannelKind::Counter: {
        const std::uint32_t value = DecodeUInt32(r);
        return {CounterText(value), {}, static_cast<double>(value)};
    }
    case ChannelKind::Digital: return {QString::number(r[0] & 0x03), {}, static_cast<double>(r[0] & 0x03)};
    case ChannelKind::DigitalInput:
    case ChannelKind::StatusBit: {
        const QString bit = BitText(r[0], c.index);
        return {bit, {}, bit == QLatin1String("1") ? 1.0 : 0.0};
    }
    case ChannelKind::Status: {
        const std::uint32_t value = DecodeUInt32(r);
        return {QString::asprintf("0x%08X", static_cast<unsigned>(value)), {}, static_cast<double>(value)};
    }
    }
    return {};
}

ModuleReply ReadInputRanges(ModuleLink& link, const std::vector<Channel>& channels, InputRanges& ranges) {
    std::array<bool, kAnalogInputs> needed{};
    for (const Channel& c : channels) {
        if (IsScaled(c)) needed[static_cast<std::size_t>(c.index)] = true;
    }
    for (int i = 0; i < kAnalogInputs; ++i) {
        if (!needed[static_cast<std::size_t>(i)]) continue;
        const ModuleReply reply = link.Send(ReadConfigByteCommand(kConfigBank, RangeAddress(i)));
        if (!reply.Ok()) return reply;
        ranges[static_cast<std::size_t>(i)] = reply.r[2];
    }
    return {};
}

}  // namespace rq36
