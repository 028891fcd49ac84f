#include "live/live_ticks.h"

#include "module/range_table.h"

namespace rq36 {

namespace {

constexpr int kPresetErrorPauseMs = 1000;
constexpr std::array<std::uint8_t, CounterTick::kCounters> kCounterRegisters = {kRegCounter0, kRegCounter1};

}  // namespace

void AnalogTick::Run(ModuleLink& link, ModuleHost& host, const RowSink& show, const QLocale& locale) {
    const auto fail = [&](const ModuleReply& reply) { host.ShowLinkStatus(link, reply.status); };

    if (!unitsKnown_) {
        for (int i = 0; i < kAnalogInputs; ++i) {
            host.ProcessEvents();
            const ModuleReply reply = link.Send(ReadConfigByteCommand(kConfigBank, RangeAddress(i)));
            if (!reply.Ok()) return fail(reply);
            const int code = reply.r[2];
            units_[static_cast<std::size_t>(i)] = RangeUnit(code);
            milliamperes_[static_cast<std::size_t>(i)] = IsCurrentRange(code);
        }
        unitsKnown_ = true;
    }

    // Inputs first, then the combined values; each group is shown only when
    // all six of its reads succeeded.
    const auto readGroup = [&](auto registerOf, int firstRow) {
        std::array<QString, kAnalogInputs> texts;
        for (int i = 0; i < kAnalogInputs; ++i) {
            host.ProcessEvents();
            const ModuleReply reply = link.Send(ReadRegisterCommand(registerOf(i)));
            if (!reply.Ok()) {
                fail(reply);
                return false;
            }
            const auto at = static_cast<std::size_t>(i);
            texts[at] = ReadingText(ReadingOf(reply.r, milliamperes_[at]), units_[at], locale);
        }
        for (int i = 0; i < kAnalogInputs; ++i) show(firstRow + i, texts[static_cast<std::size_t>(i)]);
        return true;
    };
    if (!readGroup(AnalogInputRegister, 0)) return;
    if (!readGroup(CombinedValueRegister, kAnalogInputs)) return;
    host.ShowLinkStatus(link, 0);
}

void CounterTick::PressRun(int counter) {
    pendingRun_[Index(counter)] = true;
    counting_[Index(counter)] = !counting_[Index(counter)];
}

void CounterTick::PressClear(int counter) { pendingClear_[Index(counter)] = true; }

void CounterTick::PressPreset(int counter) { pendingPreset_[Index(counter)] = true; }

std::uint8_t CounterTick::Bits(const std::array<bool, kCounters>& flags) {
    return static_cast<std::uint8_t>((flags[0] ? 0x01 : 0) | (flags[1] ? 0x02 : 0));
}

bool CounterTick::Fail(ModuleLink& link, ModuleHost& host, const ModuleReply& reply) {
    host.ShowLinkStatus(link, reply.status);
    return false;
}

bool CounterTick::Run(ModuleLink& link, ModuleHost& host, const PresetSource& preset, const CaptionsChanged& captions) {
    if (!runStateKnown_) {
        const ModuleReply reply = link.Send(ReadRegisterCommand(kRegCounterRun));
        if (!reply.Ok()) return Fail(link, host, reply);
        counting_ = {(reply.r[0] & 0x01) != 0, (reply.r[0] & 0x02) != 0};
        runStateKnown_ = true;
        if (captions) captions();
    }

    // A pending flag is cleared before its request goes out, so a failed
    // request is not repeated by the next tick.
    if (pendingRun_[0] || pendingRun_[1]) {
        pendingRun_ = {};
        const ModuleReply reply = link.Send(WriteRegisterCommand(kRegCounterRun, std::uint32_t{Bits(counting_)}));
        if (!reply.Ok()) return Fail(link, host, reply);
    }
    if (pendingClear_[0] || pendingClear_[1]) {
        const std::uint8_t bits = Bits(pendingClear_);
        pendingClear_ = {};
        const ModuleReply reply = link.Send(WriteRegisterCommand(kRegCounterClear, std::uint32_t{bits}));
        if (!reply.Ok()) return Fail(link, host, reply);
    }
    for (int c = 0; c < kCounters; ++c) {
        if (!pendingPreset_[Index(c)]) continue;
        pendingPreset_[Index(c)] = false;
        const auto bytes = PresetBytes(preset ? preset(c) : QString());
        if (!bytes) {
            // The message stays until the end of the tick replaces it.
            host.ShowStatus(PresetErrorText(c));
            host.Pause(kPresetErrorPauseMs);
            continue;
        }
        const ModuleReply reply = link.Send(WriteRegisterCommand(kCounterRegisters[Index(c)], *bytes));
        if (!reply.Ok()) return Fail(link, host, reply);
    }

    std::array<std::uint32_t, kCounters> values{};
    ModuleReply last;
    for (int c = 0; c < kCounters; ++c) {
        host.ProcessEvents();
        last = link.Send(ReadRegisterCommand(kCounterRegisters[Index(c)]));
        if (!last.Ok()) return Fail(link, host, last);
        values[Index(c)] = DecodeUInt32(last.r);
    }
    values_ = values;
    host.ShowLinkStatus(link, last.status);
    return true;
}

void DigitalInputTick::Run(ModuleLink& link, ModuleHost& host, const BitSink& show) {
    const ModuleReply reply = link.Send(ReadRegisterCommand(kRegDigital));
    if (reply.Ok()) {
        for (int input = 0; input < kInputs; ++input) show(input, BitText(reply.r[0], input));
    }
    host.ShowLinkStatus(link, reply.status);
}

void StatusTick::Run(ModuleLink& link, ModuleHost& host, const BitSink& show) {
    const ModuleReply reply = link.Send(ReadStatusRegisterCommand());
    if (reply.Ok()) {
        for (int index = 0; index < kBits; ++index)
            show(index, BitText(reply.r[static_cast<std::size_t>(index / 8)], index % 8));
    }
    host.ShowLinkStatus(link, reply.status);
}

void StatusTick::Clear(ModuleLink& link, ModuleHost& host) {
    const ModuleReply reply = link.Send(ClearStatusRegisterCommand());
    if (!reply.Ok()) host.ShowLinkStatus(link, reply.status);
}

void WriteDigitalOutputs(ModuleLink& link, ModuleHost& host, bool dout0, bool dout1) {
    const std::uint32_t outputs = (dout0 ? 0x01U : 0U) | (dout1 ? 0x02U : 0U);
    const ModuleReply reply = link.Send(WriteRegisterCommand(kRegDigital, outputs));
    if (reply.Ok()) {
        host.ShowStatus(QString::fromUtf8(kDataWrittenText));
    } else {
        host.ShowLinkStatus(link, reply.status);
    }
}

QString PresetErrorText(int counter) {
    return QStringLiteral(" Chyba hodnoty přednastavení CNT%1").arg(counter == 0 ? 0 : 1);
}

}  // namespace rq36
