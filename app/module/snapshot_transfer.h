// Snapshots between a module and the program: taking one from the module,
// comparing it with the module, writing it back (only the bytes that differ,
// each through the verified write, the communication settings last; the
// calibration banks only when asked for and only to a module of the same
// identity), and cloning one snapshot's configuration to several modules at
// new addresses.  Everything goes through a ModuleLink and reports through a
// sink, so that a dialog and a command line use the same code.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QString>

#include "module/command_set.h"
#include "module/snapshot.h"

namespace rq36 {

// What the work needs of its caller.
class SnapshotSink {
public:
    virtual ~SnapshotSink() = default;
    // The status panel (" Probíhá čtení konfigurace z modulu (40 %)" …).
    virtual void ShowStatus(const QString& text) = 0;
    // One line worth keeping: a refused address, a module done in a clone.
    virtual void Note(const QString& line) { (void)line; }
    virtual void ProcessEvents() {}
    virtual void Pause(int milliseconds) { (void)milliseconds; }
    // True when the user asked to stop: the work stops after the byte in hand.
    virtual bool StopRequested() { return false; }
};

// The module's identity as the connection shows it ("RQ-36    v.1.02");
// none when a request fails (*error then holds the status text).
std::optional<QString> ReadModuleIdentity(ModuleLink& link, QString* error = nullptr);

struct SnapshotRead {
    std::optional<Snapshot> snapshot;
    QString error;  // the failed request's text, or "stopped"
};
// Reads identity, bank 0 and (withCalibration) banks 30 to 32: every address
// once; an address the module refuses is recorded as absent.
SnapshotRead ReadModuleSnapshot(ModuleLink& link, SnapshotSink& sink, bool withCalibration = true);

enum class SnapshotResult {
    Done,     // written (or nothing differed) and checked
    Refused,  // nothing sent that writes: the reason is in message
    Failed,   // a request failed or a read-back differed; message says which
    Stopped,  // the user stopped it; bytes before stay written
};

struct RestoreOptions {
    bool withCalibration = false;
    // Writes this address instead of the snapshot's (a clone).
    std::optional<std::uint8_t> newAddress;
};

struct RestoreOutcome {
    SnapshotResult result = SnapshotResult::Done;
    int written = 0;  // bytes written and checked
    bool communicationChanged = false;
    QString message;  // status text, one blank first
};
// Reads the module, then writes every byte of the snapshot that differs from
// it, the communication settings last.  A restore that changed address,
// speed, parity or protocol notes RestartNoteText() (a clone notes it once,
// after its last module).
RestoreOutcome RestoreSnapshot(ModuleLink& link, const Snapshot& snapshot, const RestoreOptions& options,
                               SnapshotSink& sink);

// The file read first: a file the reader refuses sends nothing (the reason is
// the outcome's message, result Refused).
RestoreOutcome RestoreSnapshotFile(ModuleLink& link, const QString& path, const RestoreOptions& options,
                                   SnapshotSink& sink);

// The note after a change of address, speed, parity or protocol.
QString RestartNoteText();
// What differs from the snapshot ("before") to the module as it is now.
struct ModuleComparison {
    std::optional<std::vector<SnapshotDifference>> differences;
    QString error;
};
ModuleComparison CompareWithModule(ModuleLink& link, const Snapshot& snapshot, SnapshotSink& sink);

// One module of a clone: where it answers now, where it answers after its
// restart.
struct CloneTarget {
    std::uint8_t currentAddress = 1;
    std::uint8_t newAddress = 1;
};
// count modules answering at currentAddress one after another, new addresses
// from start in steps of step; none when an address would leave 1..255.
std::optional<std::vector<CloneTarget>> CloneTargets(std::uint8_t currentAddress, int start, int step, int count);

struct CloneOutcome {
    SnapshotResult result = SnapshotResult::Done;
    int modulesDone = 0;
    QString message;
};
// The snapshot's bank 0, never its calibration, to each target in turn.
// linkTo gives the path to the module at an address; beforeEach (optional)
// runs before each module and may end the clone by returning false (a
// dialog asks for the next module to be connected).
CloneOutcome CloneSnapshot(const std::function<std::unique_ptr<ModuleLink>(std::uint8_t address)>& linkTo,
                           const Snapshot& snapshot, const std::vector<CloneTarget>& targets, SnapshotSink& sink,
                           const std::function<bool(int index, const CloneTarget& target)>& beforeEach = {});

}  // namespace rq36
