// snapshot save|diff|restore|clone: the module's configuration to a file and
// back, through the same engine as W_RQ36's snapshot items.  A file is read
// before the module is connected, so a file the reader refuses sends
// nothing.
#include <cstdio>
#include <memory>

#include "cli.h"
#include "interrupt.h"
#include "module/snapshot_file.h"
#include "module/snapshot_transfer.h"
#include "scan_args.h"

namespace rq36::cli {

namespace {

// The engine's status texts as one progress line on a terminal's stderr;
// its notes (a refused address, a module done, the restart note) always.
class CliSnapshotSink : public SnapshotSink {
public:
    explicit CliSnapshotSink(bool progress) : progress_(progress) {}
    ~CliSnapshotSink() override { Wipe(); }

    void ShowStatus(const QString& text) override {
        if (!progress_) return;
        Put(QLatin1Char('\r') + text + QStringLiteral("\033[K"));
        drawn_ = true;
    }
    void Note(const QString& line) override {
        Wipe();
        Put(QStringLiteral("rq36: ") + line + QLatin1Char('\n'));
    }
    void Pause(int milliseconds) override { SleepUnlessInterrupted(milliseconds); }
    bool StopRequested() override { return Interrupted(); }
    void Wipe() {
        if (drawn_) Put(QStringLiteral("\r\033[K"));
        drawn_ = false;
    }

private:
    static void Put(const QString& text) {
        std::fputs(text.toUtf8().constData(), stderr);
        std::fflush(stderr);
    }
    bool progress_;
    bool drawn_ = false;
};

// Sends to the session's link at whatever address the record holds now.
class ForwardingLink : public ModuleLink {
public:
    explicit ForwardingLink(ModuleLink& link) : link_(link) {}
    ModuleReply Send(const ModuleCommand& c) override { return link_.Send(c); }
    QString StatusText(std::uint8_t status) override { return link_.StatusText(status); }

private:
    ModuleLink& link_;
};

bool ProgressShown(const Session& s) {
    // The trace writes its own rows on stderr; the progress keeps out of them.
    return StderrIsTerminal() && !s.Options().quiet && !s.Options().trace;
}

// The file read whole, or none with the reader's reason on stderr.
std::optional<Snapshot> ReadFile(Session& s, const QString& path) {
    SnapshotReadResult read = ReadSnapshotFile(path);
    if (!read.snapshot) s.Fail(read.error);
    return read.snapshot;
}

int PrintDifferences(Session& s, const std::vector<SnapshotDifference>& differences) {
    for (const SnapshotDifference& d : differences) {
        if (!s.Print(d.text)) break;
    }
    return differences.empty() ? kExitOk : kExitDifferences;
}

int RunSave(Session& s, const QString& path) {
    CliSnapshotSink sink(ProgressShown(s));
    const SnapshotRead read = ReadModuleSnapshot(s.Link(), sink, true);
    sink.Wipe();
    if (!read.snapshot) {
        s.Fail(read.error);
        return kExitFailure;
    }
    QString error;
    if (!WriteSnapshotFile(path, *read.snapshot, &error)) {
        s.Fail(error);
        return kExitFailure;
    }
    return kExitOk;
}

int RunDiff(Session& s, const QString& path, const QString& second) {
    const std::optional<Snapshot> before = ReadFile(s, path);
    if (!before) return kExitFailure;
    if (!second.isEmpty()) {
        const std::optional<Snapshot> after = ReadFile(s, second);
        if (!after) return kExitFailure;
        return PrintDifferences(s, CompareSnapshots(*before, *after));
    }
    if (!s.Connect()) return kExitFailure;
    CliSnapshotSink sink(ProgressShown(s));
    const ModuleComparison compared = CompareWithModule(s.Link(), *before, sink);
    sink.Wipe();
    if (!compared.differences) {
        s.Fail(compared.error);
        return kExitFailure;
    }
    return PrintDifferences(s, *compared.differences);
}

int RunRestore(Session& s, const QString& path, bool withCalibration) {
    const std::optional<Snapshot> snapshot = ReadFile(s, path);
    if (!snapshot) return kExitFailure;
    if (!s.Connect()) return kExitFailure;
    CliSnapshotSink sink(ProgressShown(s));
    RestoreOptions options;
    options.withCalibration = withCalibration;
    const RestoreOutcome outcome = RestoreSnapshot(s.Link(), *snapshot, options, sink);
    sink.Wipe();
    if (outcome.result != SnapshotResult::Done) {
        s.Fail(outcome.message);
        return kExitFailure;
    }
    return kExitOk;
}

// Each module at its own address (kept), the rest of the file's bank 0
// written to it; the modules one after another as the clone dialog does.
int RunClone(Session& s, const QString& path, const std::vector<std::uint8_t>& addresses) {
    const std::optional<Snapshot> snapshot = ReadFile(s, path);
    if (!snapshot) return kExitFailure;
    s.Record().ModuleAddress = addresses.front();
    if (!s.Connect()) return kExitFailure;
    std::vector<CloneTarget> targets;
    targets.reserve(addresses.size());
    for (const std::uint8_t a : addresses) targets.push_back({a, a});
    CliSnapshotSink sink(ProgressShown(s));
    const CloneOutcome outcome = CloneSnapshot(
        [&s](std::uint8_t address) {
            s.Record().ModuleAddress = address;
            return std::make_unique<ForwardingLink>(s.Link());
        },
        *snapshot, targets, sink);
    sink.Wipe();
    if (outcome.result != SnapshotResult::Done) {
        s.Fail(outcome.message);
        return kExitFailure;
    }
    return kExitOk;
}

Prepared NoConnection(std::function<int(Session&)> run) {
    Prepared prepared{{}, std::move(run)};
    prepared.connects = false;  // the file first: a refused one sends nothing
    return prepared;
}

}  // namespace

Prepared PrepareSnapshot(const QStringList& arguments, const CliOptions& options) {
    const QString action = arguments.value(0);
    QStringList rest = arguments.mid(1);
    if (action == QLatin1String("save")) {
        if (rest.size() != 1 || rest[0].startsWith(QLatin1Char('-')))
            return UsageError(QStringLiteral("snapshot save: chce právě jeden SOUBOR"));
        const QString path = rest[0];
        return {{}, [path](Session& s) { return RunSave(s, path); }};
    }
    if (action == QLatin1String("diff")) {
        if (rest.isEmpty() || rest.size() > 2 || rest[0].startsWith(QLatin1Char('-')) ||
            rest.value(1).startsWith(QLatin1Char('-')))
            return UsageError(QStringLiteral("snapshot diff: chce SOUBOR [SOUBOR2]"));
        const QString path = rest[0];
        const QString second = rest.value(1);
        return NoConnection([path, second](Session& s) { return RunDiff(s, path, second); });
    }
    if (action == QLatin1String("restore")) {
        const bool withCalibration = rest.removeAll(QStringLiteral("--with-calibration")) > 0;
        if (rest.size() != 1 || rest[0].startsWith(QLatin1Char('-')))
            return UsageError(QStringLiteral("snapshot restore: chce SOUBOR [--with-calibration]"));
        const QString path = rest[0];
        return NoConnection([path, withCalibration](Session& s) { return RunRestore(s, path, withCalibration); });
    }
    if (action == QLatin1String("clone")) {
        if (options.address)
            return UsageError(QStringLiteral("snapshot clone: adresy se zadávají volbou --to-addresses"));
        QString path;
        std::optional<std::vector<std::uint8_t>> addresses;
        for (qsizetype i = 0; i < rest.size(); ++i) {
            QString value;
            if (rest[i] == QLatin1String("--to-addresses")) {
                if (i + 1 == rest.size())
                    return UsageError(QStringLiteral("snapshot clone: volbě --to-addresses chybí hodnota"));
                value = rest[++i];
            } else if (rest[i].startsWith(QLatin1String("--to-addresses="))) {
                value = rest[i].mid(15);
            } else if (path.isEmpty() && !rest[i].startsWith(QLatin1Char('-'))) {
                path = rest[i];
                continue;
            } else {
                return UsageError(QStringLiteral("snapshot clone: nečekaný argument %1").arg(rest[i]));
            }
            QString error;
            addresses = ParseAddressList(value, &error);
            if (!addresses)
                return UsageError(error.replace(QStringLiteral("scan: --addresses"),
                                                QStringLiteral("snapshot clone: --to-addresses")));
            // Address 0 reaches every module on the line at once.
            for (const std::uint8_t a : *addresses) {
                if (a == 0) return UsageError(QStringLiteral("snapshot clone: --to-addresses chce adresy 1 až 255"));
            }
        }
        if (path.isEmpty() || !addresses)
            return UsageError(QStringLiteral("snapshot clone: chce SOUBOR --to-addresses A-B"));
        return NoConnection([path, addresses = *addresses](Session& s) { return RunClone(s, path, addresses); });
    }
    return UsageError(action.isEmpty()
                          ? QStringLiteral("snapshot: chybí save, diff, restore nebo clone")
                          : QStringLiteral("snapshot: neznámá akce %1 (save, diff, restore, clone)").arg(action));
}

}  // namespace rq36::cli
