// The modules' non-volatile memory on disk: one text file holding, per
// module, the configuration memory banks, the settings in force and the
// status register.  Written after every change, atomically (temporary file,
// then rename), merging with what other processes wrote for other modules.
// A file that does not look like a state file is never overwritten.
#pragma once

#include <optional>
#include <string>

#include "module.h"
#include "sim_config.h"

namespace rq36sim {

class StateStore {
public:
    StateStore(std::string path, WarnFn warn);

    const std::string& Path() const { return path_; }
    bool InMemory() const { return inMemory_; }

    // The stored state of a module, or nullopt when the file has none.  Parts
    // missing or damaged in the file are those of the factory state.
    std::optional<ModuleState> Load(const std::string& id, const CommSettings& factory = {}) const;
    void Save(const std::string& id, const ModuleState& state);

    // Text form of one module's state and its reading (for tests).
    static std::string Serialize(const std::string& id, const ModuleState& state);
    static std::optional<ModuleState> Parse(const std::string& text, const std::string& id, const CommSettings& factory,
                                            WarnFn warn);

private:
    // Reports once that changes are not written to the file.
    void ReportNotWritten(const std::string& why) const;

    std::string path_;
    bool inMemory_;
    WarnFn warn_;
    mutable bool writeFailed_ = false;
};

}  // namespace rq36sim
