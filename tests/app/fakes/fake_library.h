// Test access to a stand-in interface library: the test holds a reference of
// its own, so the library's script stays in place while the program under
// test loads and unloads it.
#pragma once

#include <cstdio>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "fake_ors_script.h"
#include "interface/platform/platform.h"

inline std::string FakeLibraryPath(char letter) { return std::string(RQ36_FAKE_ORS_DIR) + "/libORS" + letter + ".so"; }

class FakeLibrary {
public:
    explicit FakeLibrary(char letter) : module_(rq36::platform::LoadLibraryFile(FakeLibraryPath(letter))) {
        auto fn = reinterpret_cast<fake_ors_script_fn>(rq36::platform::FindSymbol(module_, "FakeOrs_Script"));
        if (fn != nullptr) {
            script_ = fn();
            *script_ = FakeOrsScript{};
            script_->initHandle = 0x5A5A;
        }
    }
    ~FakeLibrary() { rq36::platform::UnloadLibrary(module_); }
    FakeLibrary(const FakeLibrary&) = delete;
    FakeLibrary& operator=(const FakeLibrary&) = delete;

    bool Ok() const { return script_ != nullptr; }
    FakeOrsScript& Script() { return *script_; }

    // The module's identity: eight characters of name, four of version.
    void SetIdentity(const char* identity) {
        std::snprintf(script_->identity, sizeof script_->identity, "%-12s", identity);
    }
    // Done keeps what this file holds at that moment (watched()).
    void WatchAtDone(const std::string& path) {
        std::snprintf(script_->watchPath, sizeof script_->watchPath, "%s", path.c_str());
    }
    std::string Watched() const { return script_->watched; }

    // The calls received so far, one per entry ("Init 1", "Done", ...).
    std::vector<std::string> Calls() const {
        std::vector<std::string> calls;
        std::istringstream lines(script_->calls);
        for (std::string line; std::getline(lines, line);) calls.push_back(line);
        return calls;
    }
    int Count(std::string_view prefix) const {
        int n = 0;
        for (const std::string& call : Calls()) n += call.rfind(prefix, 0) == 0 ? 1 : 0;
        return n;
    }

private:
    rq36::platform::LibraryModule module_;
    FakeOrsScript* script_ = nullptr;
};
