// counter cnt0|cnt1 start|stop|clear|preset N: what the counter view's
// buttons do, one at a time.
#include "cli.h"
#include "live/live_values.h"

namespace rq36::cli {

namespace {

int SetRunning(Session& s, int counter, bool run) {
    // The run register holds both counters: the other keeps its state.
    const std::optional<ModuleReply> state = s.Request(ReadRegisterCommand(kRegCounterRun));
    if (!state) return kExitFailure;
    const auto bit = static_cast<std::uint8_t>(1U << counter);
    const std::uint8_t bits = run ? (state->r[0] | bit) : (state->r[0] & ~bit);
    return s.Request(WriteRegisterCommand(kRegCounterRun, bits & 0x03U)) ? kExitOk : kExitFailure;
}

}  // namespace

Prepared PrepareCounter(const QStringList& arguments, const CliOptions&) {
    const QString name = arguments.value(0);
    const int counter = name == QLatin1String("cnt0") ? 0 : name == QLatin1String("cnt1") ? 1 : -1;
    if (counter < 0) return UsageError(QStringLiteral("counter: zadejte cnt0 nebo cnt1"));
    const QString action = arguments.value(1);
    const qsizetype expected = action == QLatin1String("preset") ? 3 : 2;
    if (arguments.size() != expected && !action.isEmpty())
        return UsageError(action == QLatin1String("preset") ? QStringLiteral("counter: preset N")
                                                            : QStringLiteral("counter: nečekaný argument"));
    if (action == QLatin1String("start") || action == QLatin1String("stop")) {
        const bool run = action == QLatin1String("start");
        return {{}, [counter, run](Session& s) { return SetRunning(s, counter, run); }};
    }
    if (action == QLatin1String("clear")) {
        return {{}, [counter](Session& s) {
                    const auto bit = static_cast<std::uint32_t>(1U << counter);
                    return s.Request(WriteRegisterCommand(kRegCounterClear, bit)) ? kExitOk : kExitFailure;
                }};
    }
    if (action == QLatin1String("preset")) {
        const std::optional<std::array<std::uint8_t, 4>> bytes = PresetBytes(arguments.value(2));
        if (!bytes) return UsageError(QStringLiteral("counter: neplatná hodnota „%1“").arg(arguments.value(2)));
        const std::uint8_t reg = counter == 0 ? kRegCounter0 : kRegCounter1;
        return {{}, [reg, value = *bytes](Session& s) {
                    return s.Request(WriteRegisterCommand(reg, value)) ? kExitOk : kExitFailure;
                }};
    }
    return UsageError(QStringLiteral("counter: zadejte start, stop, clear nebo preset N"));
}

}  // namespace rq36::cli
