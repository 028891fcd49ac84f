#include "environment.h"

namespace rq36sim {

bool SimEnvironment::reload(bool idle) { return reload(loadSimConfig(warn_), idle); }

bool SimEnvironment::reload(SimConfig cfg, bool idle) {
    faults_ = cfg.faults;
    timing_ = cfg.timing;
    if (!idle && store_) return false;
    config_ = std::move(cfg);
    syncModules();
    return true;
}

void SimEnvironment::syncModules() {
    if (!store_ || store_->path() != config_.statePath) {
        modules_.clear();
        store_ = std::make_unique<StateStore>(config_.statePath, warn_);
    }
    for (const ModuleSpec& spec : config_.modules) {
        auto& slot = modules_[spec.id];
        const bool starting = !slot;
        if (!slot) {
            auto state = store_->load(spec.id, spec.factory);
            slot = std::make_unique<Module>(spec.id, state ? std::move(*state) : ModuleState::factory(spec.factory),
                                            &faults_);
            StateStore* store = store_.get();
            slot->setSaveHook([store](const Module& m) { store->save(m.id(), m.state()); });
        }
        slot->analog().setNoise(spec.noise);
        slot->configure(spec.setup, starting, Clock::now());
    }
}

Module* SimEnvironment::module(const std::string& id) {
    const auto it = modules_.find(id);
    return it == modules_.end() ? nullptr : it->second.get();
}

Line SimEnvironment::makeLine(const std::vector<std::string>& ids) {
    Line line;
    for (const auto& id : ids)
        if (Module* m = module(id)) line.attach(m);
    return line;
}

}  // namespace rq36sim
