// Test access to a stand-in interface library: the test holds a reference of
// its own, so the library's script stays in place while the program under
// test loads and unloads it.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "fake_ors_script.h"
#include "interface/platform/platform.h"

inline std::string FakeLibraryPath(char letter) {
    return std::string(RQ36_FAKE_ORS_DIR) + "/libORS" + letter + ".so";
}

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

    bool ok() const { return script_ != nullptr; }
    FakeOrsScript& script() { return *script_; }

private:
    rq36::platform::LibraryModule module_;
    FakeOrsScript* script_ = nullptr;
};
