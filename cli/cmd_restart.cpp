// restart: the module starts again (and takes up its communication settings).
#include "cli.h"

namespace rq36::cli {

Prepared PrepareRestart(const QStringList& arguments, const CliOptions&) {
    if (!arguments.isEmpty()) return UsageError(QStringLiteral("restart: nečekaný argument %1").arg(arguments[0]));
    return {{}, [](Session& s) { return s.Request(RestartCommand()) ? kExitOk : kExitFailure; }};
}

}  // namespace rq36::cli
