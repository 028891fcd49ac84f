// rq36, the command-line companion of W_RQ36: what its commands share.  The
// command line is read into CliOptions; each command first checks its own
// arguments (a usage error sends nothing), then runs on a Session, the
// connection made as the connection dialog makes it.
#pragma once

#include <functional>
#include <optional>

#include <QFile>
#include <QLocale>
#include <QString>
#include <QStringList>

#include "connection_settings.h"
#include "module/command_set.h"
#include "module/config_transfer.h"

namespace rq36::cli {

// Exit statuses; scripts depend on them.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;      // the interface or the module reported a failure
inline constexpr int kExitUsage = 2;        // the command line is wrong; nothing was sent
inline constexpr int kExitDifferences = 3;  // a comparison found differences

enum class OutputFormat { Text, Csv, Json };

// The options before or after the command, each as typed; a missing option
// leaves the settings file's value (or the program's default).
struct CliOptions {
    std::optional<QString> settingsFile;
    std::optional<int> kind;
    std::optional<int> port;
    std::optional<int> baseAddress;  // ORS-B
    std::optional<QString> ipAddress;
    std::optional<int> udpPort;
    std::optional<int> udpTimeout;
    std::optional<int> cardBus;
    std::optional<int> cardSlot;
    std::optional<int> channel;  // ORS-G EUART 1..4
    std::optional<int> address;
    std::optional<int> speed;
    std::optional<int> parityIndex;  // 0 even, 1 odd, 2 none, as the record
    std::optional<int> timeoutMs;
    std::optional<int> repeats;
    OutputFormat format = OutputFormat::Text;
    bool trace = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
    QString command;
    QStringList arguments;  // the command's own
};

// Reads argv[1..]; on a usage error returns none and sets *error to a
// one-line reason.
std::optional<CliOptions> ParseCommandLine(const QStringList& arguments, QString* error);

// --help's text (fits one screen) and the hint printed after a usage error.
QString HelpText();
QString UsageHint();

// The record a connection starts from: the settings file (the options' one,
// else W_RQ36's), then every option given over it.  Never writes the file.
// False with *error when the file named by --settings cannot be read.
bool LoadConnectionRecord(const CliOptions& options, ConnectionSettings& record, QString* error);

// Parsing helpers shared by the commands.
std::optional<int> ParseInteger(const QString& text);  // the program's integer text rules
std::optional<int> ParseIntegerIn(const QString& text, int low, int high);

// The connected module and the two output streams.
class Session {
public:
    Session(const CliOptions& options, const ConnectionSettings& record);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Connects as the connection dialog does; on failure prints the
    // program's text and returns false.
    bool Connect();

    const CliOptions& Options() const { return options_; }
    ConnectionSettings& Record() { return record_; }
    ModuleLink& Link() { return link_; }

    // One request; a failed one prints its text (exit status 1 follows).
    std::optional<ModuleReply> Request(const ModuleCommand& command);

    // One line of result on stdout, flushed; false when stdout is gone.
    bool Print(const QString& line);
    // What an acting command did (config set, dout): as Print, silent with
    // --quiet.
    bool Report(const QString& line);
    QFile& Stdout() { return stdout_; }
    // "rq36: <text>" on stderr (a status text's leading blank dropped).
    void Fail(const QString& text);
    // The locale of the text format (the user's); csv and json use '.'.
    QLocale ValueLocale() const;

private:
    const CliOptions& options_;
    ConnectionSettings record_;
    BoundModuleLink link_;
    QFile stdout_;
};

// Reads configuration bytes through the program's transfer into image; on a
// failure prints the program's text and returns false.
bool ReadConfiguration(Session& session, std::span<const ConfigByteSlot> byteSlots, ConfigImageBytes& image);

// A JSON string literal of a text.
QString JsonString(const QString& text);

// A command checked and ready to run.  An empty usageError and a run
// function: go; otherwise the usage error, nothing sent.
struct Prepared {
    QString usageError;
    std::function<int(Session&)> run;
    // Whether run wants the module connected first; otherwise the session
    // holds only the record (scan: the module is what it looks for).
    bool connects = true;
};
inline Prepared UsageError(const QString& reason) { return {reason, {}}; }

// The table of commands.  Adding a command: one entry here and one function
// in a file of its own.  A reserved name (prepare == nullptr) is known but
// not yet available: a usage error.
using PrepareFn = Prepared (*)(const QStringList& arguments, const CliOptions& options);
struct CommandEntry {
    const char* name;
    PrepareFn prepare;
};
const CommandEntry* FindCommand(const QString& name);
QStringList CommandNames();

// The commands.
Prepared PrepareIdentify(const QStringList& arguments, const CliOptions& options);
Prepared PrepareConfig(const QStringList& arguments, const CliOptions& options);
Prepared PrepareRead(const QStringList& arguments, const CliOptions& options);
Prepared PrepareDout(const QStringList& arguments, const CliOptions& options);
Prepared PrepareCounter(const QStringList& arguments, const CliOptions& options);
Prepared PrepareStatus(const QStringList& arguments, const CliOptions& options);
Prepared PrepareRestart(const QStringList& arguments, const CliOptions& options);
Prepared PrepareScan(const QStringList& arguments, const CliOptions& options);
Prepared PrepareSnapshot(const QStringList& arguments, const CliOptions& options);

// The whole program; arguments as QCoreApplication::arguments().
int Run(const QStringList& arguments);

}  // namespace rq36::cli
