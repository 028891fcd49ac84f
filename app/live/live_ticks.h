// The ticks of the live views and the digital outputs' write, apart from
// their windows: which
// requests go to the module in which order, what a failure leaves, and what
// the rows and the status panel then show.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include <QLocale>
#include <QString>

#include "live/live_values.h"
#include "module/command_set.h"
#include "module/module_host.h"

namespace rq36 {

// The analog view: the six range codes once (they choose the units), then the
// six input values and the six combined values of the pairs 0-1, 1-2, 2-0,
// 3-4, 4-5, 5-3, each pair in the unit of its first input.
class AnalogTick {
public:
    static constexpr int kRows = 2 * kAnalogInputs;  // rows 0..5 inputs, 6..11 combined values

    // Shows the text of one row.
    using RowSink = std::function<void(int row, const QString& text)>;

    // One tick; the caller has checked the connection.  Pending messages run
    // before each request.  The input rows are written only when all six
    // input reads succeeded, the combined rows only when all six of theirs
    // did; a failed request leaves the rest as they were and shows its text.
    void Run(ModuleLink& link, ModuleHost& host, const RowSink& show, const QLocale& locale = QLocale());

    bool UnitsKnown() const { return unitsKnown_; }
    QString Unit(int input) const { return units_[static_cast<std::size_t>(input)]; }

private:
    bool unitsKnown_ = false;
    std::array<QString, kAnalogInputs> units_{};
    std::array<bool, kAnalogInputs> milliamperes_{};
};

// The counter view: presses of its buttons are remembered and carried out by
// the next tick, in this order: the run state read from the module (once),
// start/stop, clear, the presets of CNT0 and CNT1, then both values read.
class CounterTick {
public:
    static constexpr int kCounters = 2;

    // "Start"/"Stop": toggles the counter's caption at once and asks the next
    // tick to send the run state.
    void PressRun(int counter);
    void PressClear(int counter);   // "Vynulovat"
    void PressPreset(int counter);  // "Nastavit"

    // True while the run button reads "Stop" (the counter counts).
    bool Counting(int counter) const { return counting_[Index(counter)]; }
    std::uint32_t Value(int counter) const { return values_[Index(counter)]; }
    bool RunStateKnown() const { return runStateKnown_; }

    // The preset text of a counter, as typed.
    using PresetSource = std::function<QString(int counter)>;
    // Called when the run captions were taken from the module.
    using CaptionsChanged = std::function<void()>;

    // One tick; the caller has checked the connection.  True when both
    // values were read (the labels then show them); false after a failed
    // request, whose text the status panel then shows.
    bool Run(ModuleLink& link, ModuleHost& host, const PresetSource& preset, const CaptionsChanged& captions);

private:
    static std::size_t Index(int counter) { return counter == 0 ? 0 : 1; }
    static std::uint8_t Bits(const std::array<bool, kCounters>& flags);
    bool Fail(ModuleLink& link, ModuleHost& host, const ModuleReply& reply);

    bool runStateKnown_ = false;
    std::array<bool, kCounters> counting_{};
    std::array<bool, kCounters> pendingRun_{};
    std::array<bool, kCounters> pendingClear_{};
    std::array<bool, kCounters> pendingPreset_{};
    std::array<std::uint32_t, kCounters> values_{};
};

// Shows the text of one bit ("1" or "0") of a digital view.
using BitSink = std::function<void(int index, const QString& text)>;

// The digital input view: the digital register read; on success the bits of
// DIN0 and DIN1 shown.  The status panel shows the request's text either way.
struct DigitalInputTick {
    static constexpr int kInputs = 2;
    static void Run(ModuleLink& link, ModuleHost& host, const BitSink& show);
};

// The status view: the status register read; on success every one of its
// 32 bits shown (byte by byte, bit 0 first).  The status panel shows the
// request's text either way.
struct StatusTick {
    static constexpr int kBits = 8 * kStatusBytes;
    static void Run(ModuleLink& link, ModuleHost& host, const BitSink& show);
    // "Vynulovat": clears the register; a failure shows its text, a cleared
    // register shows on the next tick.
    static void Clear(ModuleLink& link, ModuleHost& host);
};

// The digital output dialog's "Zapsat": the state of both outputs as ticked
// (the other bits 0); kDataWrittenText or the request's text.
inline constexpr char kDataWrittenText[] = " Data zapsána";
void WriteDigitalOutputs(ModuleLink& link, ModuleHost& host, bool dout0, bool dout1);

// The texts of the counter view's preset errors.
QString PresetErrorText(int counter);

}  // namespace rq36
