// identify: the connection as the connection dialog makes it; the identity
// as the main window shows it.
#include "cli.h"

namespace rq36::cli {

Prepared PrepareIdentify(const QStringList& arguments, const CliOptions&) {
    if (!arguments.isEmpty()) return UsageError(QStringLiteral("identify: nečekaný argument %1").arg(arguments[0]));
    return {{}, [](Session& s) {
                const ConnectionSettings& r = s.Record();
                switch (s.Options().format) {
                case OutputFormat::Json:
                    s.Print(QStringLiteral("{\"identity\": %1, \"address\": %2, \"speed\": %3}")
                                .arg(JsonString(r.ModuleIdentity))
                                .arg(r.ModuleAddress)
                                .arg(r.Speed));
                    break;
                case OutputFormat::Csv:
                    s.Print(QStringLiteral("identity,address,speed"));
                    s.Print(QStringLiteral("%1,%2,%3").arg(r.ModuleIdentity).arg(r.ModuleAddress).arg(r.Speed));
                    break;
                case OutputFormat::Text: s.Print(r.ModuleIdentity); break;
                }
                return kExitOk;
            }};
}

}  // namespace rq36::cli
