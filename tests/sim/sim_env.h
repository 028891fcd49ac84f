// Environment of one simulator test: its own in-memory (or temporary) state,
// no configuration file, no faults, instant timing unless a test says so.
// Also a library of <build>/bin loaded by file name, as a host loads it.
#pragma once

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

namespace simtest {

inline void SetEnv(const char* name, const std::string& value) { ::setenv(name, value.c_str(), 1); }
inline void UnsetEnv(const char* name) { ::unsetenv(name); }
inline std::string EnvOr(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// A fresh temporary folder, removed at the end of the test.
class TempDir {
public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "rq36simXXXXXX").string();
        path_ = ::mkdtemp(tmpl.data()) ? tmpl : std::string();
    }
    ~TempDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// A shared library of the build's bin folder, loaded by file name; its
// exports bound by name.  A missing export fails the test and gives null.
class Library {
public:
    explicit Library(const std::string& file) : path_(std::string(RQ36_BIN_DIR) + "/" + file) {
        handle_ = ::dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle_) ADD_FAILURE() << ::dlerror();
    }
    ~Library() { Unload(); }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    bool Loaded() const { return handle_ != nullptr; }
    template <typename FnPointer>
    FnPointer Fn(const char* name) const {
        void* p = handle_ ? ::dlsym(handle_, name) : nullptr;
        if (!p) ADD_FAILURE() << "missing " << name;
        return reinterpret_cast<FnPointer>(p);
    }
    // True when the library really left the process.
    bool Unload() {
        if (handle_) ::dlclose(handle_);
        handle_ = nullptr;
        void* still = ::dlopen(path_.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (still) ::dlclose(still);
        return still == nullptr;
    }

private:
    std::string path_;
    void* handle_ = nullptr;
};

inline void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class SimEnvTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        SetEnv("RQ36_SIM_STATE", std::string(":memory:") + info->test_suite_name() + "." + info->name());
        SetEnv("RQ36_SIM_INSTANT", "1");
        UnsetEnv("RQ36_SIM_CONFIG");
        UnsetEnv("RQ36_SIM_FAULT");
    }
    void TearDown() override {
        UnsetEnv("RQ36_SIM_CONFIG");
        UnsetEnv("RQ36_SIM_FAULT");
    }
    void UseConfig(const std::string& text) {
        WriteText(dir_.File("sim.ini"), text);
        SetEnv("RQ36_SIM_CONFIG", dir_.File("sim.ini"));
    }
    TempDir dir_;
};

}  // namespace simtest
