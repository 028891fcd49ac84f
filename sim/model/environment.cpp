#include "environment.h"

namespace rq36sim {

bool SimEnvironment::Reload(bool idle) { return Reload(LoadSimConfig(warn_), idle); }

bool SimEnvironment::Reload(SimConfig cfg, bool idle) {
    faults_ = cfg.faults;
    timing_ = cfg.timing;
    if (!idle && store_) return false;
    config_ = std::move(cfg);
    SyncModules();
    return true;
}

void SimEnvironment::SyncModules() {
    if (!store_ || store_->Path() != config_.statePath) {
        modules_.clear();
        store_ = std::make_unique<StateStore>(config_.statePath, warn_);
    }
    for (const ModuleSpec& spec : config_.modules) {
        auto& slot = modules_[spec.id];
        const bool starting = !slot;
        if (!slot) {
            auto state = store_->Load(spec.id, spec.factory);
            slot = std::make_unique<Module>(spec.id, state ? std::move(*state) : ModuleState::Factory(spec.factory),
                                            &faults_);
            StateStore* store = store_.get();
            slot->SetSaveHook([store](const Module& m) { store->Save(m.Id(), m.State()); });
        }
        slot->Analog().SetNoise(spec.noise);
        slot->Configure(spec.setup, starting, Clock::now());
    }
}

Module* SimEnvironment::ModuleNamed(const std::string& id) {
    const auto it = modules_.find(id);
    return it == modules_.end() ? nullptr : it->second.get();
}

Line SimEnvironment::MakeLine(const std::vector<std::string>& ids) {
    Line line;
    for (const auto& id : ids)
        if (Module* m = ModuleNamed(id)) line.Attach(m);
    return line;
}

}  // namespace rq36sim
