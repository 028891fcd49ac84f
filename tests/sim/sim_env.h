// Environment of one simulator test: its own in-memory (or temporary) state,
// no configuration file, no faults, instant timing unless a test says so.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

namespace simtest {

inline void setEnv(const char* name, const std::string& value) { ::setenv(name, value.c_str(), 1); }
inline void unsetEnv(const char* name) { ::unsetenv(name); }
inline std::string envOr(const char* name) {
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
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class SimEnvTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        setEnv("RQ36_SIM_STATE", std::string(":memory:") + info->test_suite_name() + "." + info->name());
        setEnv("RQ36_SIM_INSTANT", "1");
        unsetEnv("RQ36_SIM_CONFIG");
        unsetEnv("RQ36_SIM_FAULT");
    }
    void TearDown() override {
        unsetEnv("RQ36_SIM_CONFIG");
        unsetEnv("RQ36_SIM_FAULT");
    }
    void useConfig(const std::string& text) {
        writeText(dir_.file("sim.ini"), text);
        setEnv("RQ36_SIM_CONFIG", dir_.file("sim.ini"));
    }
    TempDir dir_;
};

}  // namespace simtest
