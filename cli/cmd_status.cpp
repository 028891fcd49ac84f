// status [--clear]: the status register with the names of its raised bits,
// then, if asked, cleared.
#include "cli.h"
#include "live/live_values.h"

namespace rq36::cli {

namespace {

// The captions of the raised bits that have a name.
QStringList RaisedBits(const std::array<std::uint8_t, 4>& r) {
    QStringList names;
    for (int byte = 0; byte < kStatusBytes; ++byte) {
        for (int bit = 0; bit < 8; ++bit) {
            const QString caption = StatusBitCaption(byte, bit);
            if (((r[static_cast<std::size_t>(byte)] >> bit) & 1) != 0 && caption != QLatin1String("---"))
                names << caption;
        }
    }
    return names;
}

int Run(Session& s, bool clear) {
    const std::optional<ModuleReply> reply = s.Request(ReadStatusRegisterCommand());
    if (!reply) return kExitFailure;
    const std::uint32_t value = DecodeUInt32(reply->r);
    const QString hex = QString::asprintf("0x%08X", static_cast<unsigned>(value));
    const QStringList bits = RaisedBits(reply->r);
    switch (s.Options().format) {
    case OutputFormat::Json: {
        QStringList quoted;
        for (const QString& b : bits) quoted << JsonString(b);
        s.Print(QStringLiteral("{\"status\": %1, \"bits\": [%2]}").arg(value).arg(quoted.join(QStringLiteral(", "))));
        break;
    }
    case OutputFormat::Csv:
        s.Print(QStringLiteral("status,bits"));
        s.Print(hex + QLatin1Char(',') + bits.join(QLatin1Char(' ')));
        break;
    case OutputFormat::Text: s.Print((QStringList{hex} + bits).join(QLatin1Char(' '))); break;
    }
    if (clear && !s.Request(ClearStatusRegisterCommand())) return kExitFailure;
    return kExitOk;
}

}  // namespace

Prepared PrepareStatus(const QStringList& arguments, const CliOptions&) {
    bool clear = false;
    for (const QString& a : arguments) {
        if (a != QLatin1String("--clear")) return UsageError(QStringLiteral("status: nečekaný argument %1").arg(a));
        clear = true;
    }
    return {{}, [clear](Session& s) { return Run(s, clear); }};
}

}  // namespace rq36::cli
