#include "module.h"

#include <cmath>
#include <cstdio>

#include "text_util.h"

namespace rq36sim {

namespace {

constexpr std::uint8_t kChannelBits = 0x03;  // the module has DIN/DOUT/CNT 0 and 1
constexpr std::array<std::uint8_t, 4> kRestartKey = {0xFF, 0x01, 0x00, 0xFF};
constexpr std::array<std::pair<int, int>, 6> kPairs = {{{0, 1}, {1, 2}, {2, 0}, {3, 4}, {4, 5}, {5, 3}}};

std::uint32_t SeedOf(const std::string& id) {
    std::uint32_t h = 2166136261u;
    for (unsigned char c : id) h = (h ^ c) * 16777619u;
    return h;
}

ModuleReply Refusal(std::uint8_t code) {
    ModuleReply r;
    r.replyByte = code;
    return r;
}

ModuleReply ReplyData(std::array<std::uint8_t, 4> bytes) {
    ModuleReply r;
    for (std::size_t i = 0; i < bytes.size(); ++i) r.data[i] = bytes[i];
    return r;
}

std::uint32_t Le32(const Message& m) {
    return static_cast<std::uint32_t>(m[4]) | (static_cast<std::uint32_t>(m[5]) << 8) |
           (static_cast<std::uint32_t>(m[6]) << 16) | (static_cast<std::uint32_t>(m[7]) << 24);
}

}  // namespace

ModuleState ModuleState::Factory(const CommSettings& comm) {
    ModuleState s{ConfigMemory::Factory(comm), comm, {}};
    s.status[0] = kStatusPwr;
    return s;
}

std::uint32_t Counter::Value(Clock::time_point now) const {
    if (!running_ || now <= since_) return base_;
    const double elapsed = std::chrono::duration<double>(now - since_).count();
    const auto counted = static_cast<std::uint64_t>(elapsed * rate_);
    return static_cast<std::uint32_t>(base_ + counted);  // wraps like the hardware
}

void Counter::Set(std::uint32_t v, Clock::time_point now) {
    base_ = v;
    since_ = now;
}

void Counter::SetRate(double perSecond, Clock::time_point now) {
    if (perSecond == rate_) return;
    base_ = Value(now);
    since_ = now;
    rate_ = perSecond;
}

void Counter::Run(bool on, Clock::time_point now) {
    if (on == running_) return;
    base_ = Value(now);
    since_ = now;
    running_ = on;
}

Module::Module(std::string id, ModuleState state, const Faults* faults)
    : id_(std::move(id)), state_(std::move(state)), faults_(faults), analog_(SeedOf(id_)) {
    PowerUpVolatile(Clock::now());
}

void Module::Configure(const ModuleSetup& setup, bool starting, Clock::time_point now) {
    configured_ = setup;
    ApplySetup(now);
    if (starting)
        for (std::size_t i = 0; i < state_.status.size(); ++i)
            state_.status[i] |= static_cast<std::uint8_t>(setup_.statusAtStart[i] | setup_.statusHeld[i]);
}

void Module::ApplySetup(Clock::time_point now) {
    ModuleSetup s = configured_;
    std::string ignored;  // every stored change was accepted once
    for (const auto& [key, value] : panel_) {
        ApplyModuleSetupKey(s, key, value, ignored);
        if (key.rfind("ain", 0) == 0) s.inputs[static_cast<std::size_t>(key[3] - '0')].fixture = false;
    }
    setup_ = s;
    analog_.SetSignals(setup_.inputs);
    for (std::size_t i = 0; i < counters_.size(); ++i) counters_[i].SetRate(setup_.counterRates[i], now);
}

bool Module::PanelSet(std::string_view key, std::string_view value, Clock::time_point now, std::string& error) {
    const std::string k = ToLower(Trim(key));
    const std::string v(Trim(value));
    if (k == "raise") {
        std::array<std::uint8_t, 4> bits{};
        if (!ParseStatusBits(v, bits, error)) return false;
        for (std::size_t i = 0; i < bits.size(); ++i) state_.status[i] |= bits[i];
        Saved();
        return true;
    }
    if (k == "status") {
        error = "status: use raise (once) or status_hold (persisting)";
        return false;
    }
    if (ToLower(v) == "config") {
        ModuleSetup probe;
        if (ApplyModuleSetupKey(probe, k, "0", error) == SetupKey::Unknown) {
            error = "'" + k + "': unknown key";
            return false;
        }
        panel_.erase(k);
        ApplySetup(now);
        return true;
    }
    ModuleSetup probe = setup_;
    switch (ApplyModuleSetupKey(probe, k, v, error)) {
    case SetupKey::Unknown: error = "'" + k + "': unknown key"; return false;
    case SetupKey::Bad: return false;
    case SetupKey::Applied: break;
    }
    panel_[k] = v;
    ApplySetup(now);
    if (k == "status_hold") {
        // A condition that persists is there at once, not only after a clear.
        for (std::size_t i = 0; i < state_.status.size(); ++i) state_.status[i] |= setup_.statusHeld[i];
        Saved();
    }
    return true;
}

std::string Module::PanelReport(Clock::time_point now) const {
    static constexpr const char* kParity[] = {"even", "odd", "none"};
    const CommSettings& a = state_.active;
    const auto speed = SpeedFromCode(a.speedCode);
    std::string r;
    const auto line = [&r](const std::string& key, const std::string& value) { r += key + "=" + value + "\n"; };
    line("address", std::to_string(a.address));
    line("speed", speed ? std::to_string(*speed) : "code " + std::to_string(a.speedCode));
    line("parity", a.parity <= kParityNone ? kParity[a.parity] : std::to_string(a.parity));
    line("protocol", a.protocol == 0 ? "vextbus" : a.protocol == 1 ? "modbus" : std::to_string(a.protocol));
    line("dout0", std::to_string(dout_ & 1));
    line("dout1", std::to_string((dout_ >> 1) & 1));
    const std::uint8_t din = Inputs(now);
    line("din0", std::to_string(din & 1));
    line("din1", std::to_string((din >> 1) & 1));
    for (std::size_t i = 0; i < counters_.size(); ++i) {
        line("cnt" + std::to_string(i), std::to_string(counters_[i].Value(now)));
        line("cnt" + std::to_string(i) + "_running", counters_[i].Running() ? "1" : "0");
    }
    char status[16];
    std::snprintf(status, sizeof status, "%02X %02X %02X %02X", state_.status[0], state_.status[1], state_.status[2],
                  state_.status[3]);
    line("status", status);
    for (const auto& [key, value] : panel_) line("panel." + key, value);
    return r;
}

void Module::PowerUpVolatile(Clock::time_point now) {
    dout_ = state_.memory.InitialOutputs() & kChannelBits;
    for (auto& c : counters_) {
        c.Run(false, now);
        c.Set(0, now);
    }
}

void Module::Saved() const {
    if (save_) save_(*this);
}

bool Module::Listens(const Message& m, const LineParams& line) const {
    if (faults_ && faults_->moduleSilent) return false;
    const CommSettings& a = state_.active;
    if (m[0] != a.address) return false;
    const auto speed = SpeedFromCode(a.speedCode);
    if (!speed || *speed != line.speed) return false;
    if (a.protocol != static_cast<std::uint8_t>(line.protocol)) return false;
    // Vextbus-2 frames carry their own check; parity matters on Modbus only.
    return line.protocol != Protocol::ModbusRtu || a.parity == line.parity;
}

std::uint8_t Module::Inputs(Clock::time_point now) const {
    // The level at each input terminal: the output of the same number wired
    // back (the test fixture), or what the configuration connects there.
    const std::uint8_t loopback = dout_ ^ state_.memory.OutputNegation();
    std::uint8_t level = 0;
    for (int channel = 0; channel < kSetupChannels; ++channel) {
        const DigitalInputSpec& in = setup_.digitalInputs[static_cast<std::size_t>(channel)];
        bool high = false;
        switch (in.source) {
        case DigitalInputSpec::Source::Loopback: high = (loopback >> channel) & 1; break;
        case DigitalInputSpec::Source::Low: high = false; break;
        case DigitalInputSpec::Source::High: high = true; break;
        case DigitalInputSpec::Source::Pulse: {
            const double t = std::chrono::duration<double>(now.time_since_epoch()).count();
            high = static_cast<std::int64_t>(std::floor(2.0 * t / in.periodSeconds)) % 2 != 0;
            break;
        }
        }
        if (high) level |= static_cast<std::uint8_t>(1U << channel);
    }
    return (level ^ state_.memory.InputNegation()) & kChannelBits;
}

InputSource Module::CurrentSource() const {
    if (dout_ & 0x01) return InputSource::Short;
    if (dout_ & 0x02) return InputSource::Reference;
    return InputSource::Field;
}

ModuleReply Module::Execute(const Message& m, Clock::time_point now) {
    switch (m[1]) {
    case kCmdReadRegister: return ReadRegister(m[2], now);
    case kCmdWriteRegister: return WriteRegister(m[2], m, now);
    case kCmdReadStatus: return ReplyData(state_.status);
    case kCmdClearStatus:
        // A condition that persists raises its bit again at once.
        if (state_.status != setup_.statusHeld) {
            state_.status = setup_.statusHeld;
            Saved();
        }
        return {};
    case kCmdReadConfig: return ReadConfig(m);
    case kCmdWriteConfig: return WriteConfig(m);
    case kCmdReadIdentity: return ReadIdentity(m[2]);
    default: return Refusal(kReplyUnknownCommand);
    }
}

std::int64_t Module::RawReading(int input, Clock::time_point now) {
    const RangeInfo* r = RangeOf(state_.memory.RangeCode(input));
    if (!r) return 0;
    return analog_.RawCounts(input, *r, CurrentSource(), now);
}

std::pair<std::int64_t, int> Module::CalibratedReading(int input, Clock::time_point now) {
    const int code = state_.memory.RangeCode(input);
    const RangeInfo* r = RangeOf(code);
    if (!r) return {0, 0};
    const std::int64_t raw = analog_.RawCounts(input, *r, CurrentSource(), now);
    return {AnalogFrontEnd::Calibrate(raw, state_.memory.Calibration(input, code)), r->scaleExponent};
}

ModuleReply Module::ReadRegister(std::uint8_t reg, Clock::time_point now) {
    if (reg < kAnalogInputs) {
        const auto [value, decimals] = CalibratedReading(reg, now);
        return ReplyData(EncodeScaled(value, decimals));
    }
    if (reg >= kRegCombinedFirst && reg < kRegCombinedFirst + kPairs.size()) {
        const auto [a, b] = kPairs[reg - kRegCombinedFirst];
        const auto [va, ea] = CalibratedReading(a, now);
        const auto [vb, eb] = CalibratedReading(b, now);
        const double diff = static_cast<double>(va) - static_cast<double>(vb) * std::pow(10.0, ea - eb);
        return ReplyData(EncodeScaled(std::llround(diff), ea));
    }
    if (reg >= kRegRawFirst && reg < kRegRawFirst + kAnalogInputs)
        return ReplyData(EncodeScaled(RawReading(reg - kRegRawFirst, now), 0));
    switch (reg) {
    case kRegDigital: return ReplyData({Inputs(now), 0, 0, 0});
    case kRegCounter0:
    case kRegCounter1: {
        const std::uint32_t v = counters_[reg - kRegCounter0].Value(now);
        return ReplyData({static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                          static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)});
    }
    case kRegCounterRun:
        return ReplyData(
            {static_cast<std::uint8_t>((counters_[0].Running() ? 1 : 0) | (counters_[1].Running() ? 2 : 0)), 0, 0, 0});
    case kRegCounterClear:
    case kRegRestart: return Refusal(kReplyNotAccessible);
    default: return Refusal(kReplyBadSelector);
    }
}

ModuleReply Module::WriteRegister(std::uint8_t reg, const Message& m, Clock::time_point now) {
    const std::uint8_t d2 = m[4];
    switch (reg) {
    case kRegDigital: dout_ = d2 & kChannelBits; return {};
    case kRegCounter0:
    case kRegCounter1: counters_[reg - kRegCounter0].Set(Le32(m), now); return {};
    case kRegCounterRun:
        counters_[0].Run(d2 & 0x01, now);
        counters_[1].Run(d2 & 0x02, now);
        return {};
    case kRegCounterClear:
        for (int i = 0; i < 2; ++i)
            if (d2 & (1 << i)) counters_[static_cast<std::size_t>(i)].Set(0, now);
        return {};
    case kRegRestart:
        if (std::array<std::uint8_t, 4>{m[4], m[5], m[6], m[7]} != kRestartKey) return Refusal(kReplyBadValue);
        Restart(now);
        return {};
    default:
        if (reg < kAnalogInputs || (reg >= kRegCombinedFirst && reg < kRegCombinedFirst + kPairs.size()) ||
            (reg >= kRegRawFirst && reg < kRegRawFirst + kAnalogInputs))
            return Refusal(kReplyNotAccessible);
        return Refusal(kReplyBadSelector);
    }
}

void Module::Restart(Clock::time_point now) {
    // The reply to the restart request still leaves at the old settings; the
    // stored ones take over afterwards.  A stored value the module cannot
    // run with leaves that setting as it was.
    const CommSettings stored = state_.memory.StoredComm();
    CommSettings& a = state_.active;
    a.address = stored.address;
    if (stored.speedCode >= kModuleSpeedCodeMin && stored.speedCode <= kModuleSpeedCodeMax)
        a.speedCode = stored.speedCode;
    if (stored.parity <= kParityNone) a.parity = stored.parity;
    if (stored.protocol <= 1) a.protocol = stored.protocol;
    state_.status[0] |= kStatusRst;
    PowerUpVolatile(now);
    Saved();
}

ModuleReply Module::ReadConfig(const Message& m) const {
    const std::uint8_t bank = m[2], address = m[4];
    if (m[5] != address) return Refusal(kReplyMismatch);
    const auto value = state_.memory.Read(bank, address);
    if (!value) return Refusal(kReplyBadSelector);
    if (const ReadValueFault* fixed = faults_ ? faults_->ReadValue(bank, address) : nullptr)
        return ReplyData({bank, address, fixed->value, 0});
    return ReplyData({bank, address, *value, 0});
}

ModuleReply Module::WriteConfig(const Message& m) {
    const std::uint8_t bank = m[2], address = m[4];
    if (m[5] != address || m[7] != m[6]) return Refusal(kReplyMismatch);
    std::uint8_t value = m[6];
    if (faults_ && faults_->writeMismatch) value ^= 0x01;
    if (!state_.memory.Write(bank, address, value)) return Refusal(kReplyBadSelector);
    Saved();
    return ReplyData({bank, address, value, 0});
}

ModuleReply Module::ReadIdentity(std::uint8_t part) const {
    static constexpr const char* kParts[3] = {kModuleName, kModuleName + 4, kModuleVersion};
    if (part > 2) return Refusal(kReplyBadSelector);
    const char* p = kParts[part];
    return ReplyData({static_cast<std::uint8_t>(p[0]), static_cast<std::uint8_t>(p[1]), static_cast<std::uint8_t>(p[2]),
                      static_cast<std::uint8_t>(p[3])});
}

}  // namespace rq36sim
