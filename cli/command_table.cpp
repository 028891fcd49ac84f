// The commands of rq36.  A new command is one entry here and one function in
// a file of its own; a name reserved for a command still to come has no
// function yet.
#include <array>

#include "cli.h"

namespace rq36::cli {

namespace {
constexpr std::array<CommandEntry, 9> kCommands = {{
    {"identify", PrepareIdentify},
    {"config", PrepareConfig},
    {"read", PrepareRead},
    {"dout", PrepareDout},
    {"counter", PrepareCounter},
    {"status", PrepareStatus},
    {"restart", PrepareRestart},
    {"scan", PrepareScan},
    {"snapshot", PrepareSnapshot},
}};
}  // namespace

const CommandEntry* FindCommand(const QString& name) {
    for (const CommandEntry& entry : kCommands) {
        if (name == QLatin1String(entry.name)) return &entry;
    }
    return nullptr;
}

QStringList CommandNames() {
    QStringList names;
    for (const CommandEntry& entry : kCommands) names << QString::fromLatin1(entry.name);
    return names;
}

}  // namespace rq36::cli
