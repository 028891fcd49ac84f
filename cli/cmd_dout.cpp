// dout [dout0=0|1] [dout1=0|1]: both outputs written at once, as the outputs
// dialog writes them; an output not named is switched off.
#include <array>

#include "cli.h"

namespace rq36::cli {

Prepared PrepareDout(const QStringList& arguments, const CliOptions&) {
    if (arguments.isEmpty()) return UsageError(QStringLiteral("dout: zadejte dout0=0|1 nebo dout1=0|1"));
    std::array<std::optional<bool>, 2> outputs;
    for (const QString& pair : arguments) {
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        const QString name = pair.left(eq);
        const QString value = pair.mid(eq + 1);
        const int which = name == QLatin1String("dout0") ? 0 : name == QLatin1String("dout1") ? 1 : -1;
        if (eq < 0 || which < 0 || (value != QLatin1String("0") && value != QLatin1String("1")))
            return UsageError(QStringLiteral("dout: neplatný argument %1 (dout0=0|1, dout1=0|1)").arg(pair));
        if (outputs[static_cast<std::size_t>(which)])
            return UsageError(QStringLiteral("dout: %1 je zadán dvakrát").arg(name));
        outputs[static_cast<std::size_t>(which)] = value == QLatin1String("1");
    }
    const bool out0 = outputs[0].value_or(false);
    const bool out1 = outputs[1].value_or(false);
    return {{}, [out0, out1](Session& s) {
                const std::uint32_t bits = (out0 ? 0x01U : 0U) | (out1 ? 0x02U : 0U);
                if (!s.Request(WriteRegisterCommand(kRegDigital, bits))) return kExitFailure;
                s.Report(QStringLiteral("dout0=%1\tdout1=%2").arg(out0 ? 1 : 0).arg(out1 ? 1 : 0));
                return kExitOk;
            }};
}

}  // namespace rq36::cli
