// The modules' state file, the simulator configuration and the process's
// simulated hardware across reloads.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "environment.h"
#include "sim_env.h"
#include "state_file.h"
#include "text_util.h"

using namespace rq36sim;

namespace {

std::vector<std::string> g_warnings;
void Collect(const std::string& m) { g_warnings.push_back(m); }

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

Message Msg(std::initializer_list<std::uint8_t> bytes) {
    Message m{};
    std::copy(bytes.begin(), bytes.end(), m.begin());
    return m;
}

SimConfig ConfigWithState(const std::string& path) {
    SimConfig cfg = SimConfig::Defaults();
    cfg.statePath = path;
    return cfg;
}

class StateTest : public simtest::SimEnvTest {
protected:
    void SetUp() override {
        SimEnvTest::SetUp();
        g_warnings.clear();
    }
};

}  // namespace

TEST_F(StateTest, SerializedStateReadsBackWhole) {
    ModuleState s = ModuleState::Factory(CommSettings{7, 6, 1, 0});
    s.memory.Write(31, 200, 0xAB);
    s.status = {0x30, 1, 2, 3};
    const auto back = StateStore::Parse(StateStore::Serialize("x", s), "x", {}, Collect);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->active, s.active);
    EXPECT_EQ(back->status, s.status);
    for (int bank : ConfigMemory::kBanks) EXPECT_EQ(back->memory.BankAt(bank), s.memory.BankAt(bank)) << bank;
    EXPECT_FALSE(StateStore::Parse(StateStore::Serialize("x", s), "y", {}, Collect));
    EXPECT_TRUE(g_warnings.empty());
}

TEST_F(StateTest, DamagedLinesAreIgnoredAndReported) {
    ModuleState s = ModuleState::Factory(CommSettings{});
    s.memory.Write(0, 0x3F, 33);
    std::string text = StateStore::Serialize("m", s);
    text += "bank30 = 12 34\n";        // too short
    text += "active = 01 09 00 00\n";  // speed code 9 is no module speed
    text += "garbage\n";
    text += "bank7 = 00\n";
    const auto back = StateStore::Parse(text, "m", {}, Collect);
    ASSERT_TRUE(back);
    EXPECT_EQ(g_warnings.size(), 4u);
    EXPECT_EQ(back->memory.Read(0, 0x3F), 33);
    EXPECT_EQ(back->memory.Read(30, 2), 0x10);  // the good bank30 line stays
    EXPECT_EQ(back->active.speedCode, 4);
    // A module delivered for Modbus falls back to its own factory bank 0.
    const auto modbus = StateStore::Parse("[module m]\nbank0 = 00\n", "m", CommSettings{1, 4, 0, 1}, Collect);
    ASSERT_TRUE(modbus);
    EXPECT_EQ(modbus->memory.Read(0, 0x3B), 1);
    EXPECT_EQ(modbus->active.protocol, 1);
}

TEST_F(StateTest, SaveMergesModulesAndLeavesNoTemporaryFile) {
    const std::string path = dir_.File("sub/dir/module.state");
    StateStore a(path, Collect), b(path, Collect);
    ModuleState one = ModuleState::Factory(CommSettings{});
    one.memory.Write(0, 1, 11);
    ModuleState two = ModuleState::Factory(CommSettings{});
    two.memory.Write(0, 1, 22);
    a.Save("one", one);
    b.Save("two", two);  // another process's store
    one.memory.Write(0, 2, 12);
    a.Save("one", one);
    EXPECT_EQ(a.Load("one")->memory.Read(0, 2), 12);
    EXPECT_EQ(a.Load("two")->memory.Read(0, 1), 22);
    int files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir_.File("sub/dir"))) ++files;
    EXPECT_EQ(files, 1);
    EXPECT_NE(ReadAll(path).find("[module two]"), std::string::npos);
}

TEST_F(StateTest, UnwritablePlaceKeepsChangesInMemory) {
    simtest::WriteText(dir_.File("file"), "x");
    StateStore s(dir_.File("file/module.state"), Collect);
    s.Save("m", ModuleState::Factory(CommSettings{}));
    s.Save("m", ModuleState::Factory(CommSettings{}));
    EXPECT_EQ(g_warnings.size(), 1u);
    StateStore mem(":memory:", Collect);
    EXPECT_TRUE(mem.InMemory());
    mem.Save("m", ModuleState::Factory(CommSettings{}));
    EXPECT_FALSE(mem.Load("m"));
}

TEST_F(StateTest, FileThatIsNoStateFileIsNeverOverwritten) {
    // A path pointing at someone else's file, binary or text, or at a file
    // far too large: nothing is read from it and it stays as it was.
    const std::string text = dir_.File("notes.txt"), binary = dir_.File("image.bin"), huge = dir_.File("huge.state");
    simtest::WriteText(text, "shopping list\n[module m]\n");
    simtest::WriteText(binary, std::string("\x7F"
                                           "ELF\0\x01[module m]\n",
                                           16));
    simtest::WriteText(huge, "[module m]\nactive = 05 04 00 00\n");
    std::filesystem::resize_file(huge, (4u << 20) + 1);
    for (const std::string& path : {text, binary, huge}) {
        g_warnings.clear();
        const std::string before = ReadAll(path);
        StateStore store(path, Collect);
        EXPECT_FALSE(store.Load("m")) << path;
        store.Save("m", ModuleState::Factory(CommSettings{}));
        store.Save("m", ModuleState::Factory(CommSettings{}));
        EXPECT_EQ(ReadAll(path), before) << path;
        EXPECT_EQ(g_warnings.size(), 1u) << path;
    }
    // A state file that starts with blank lines, or is empty, is written.
    const std::string blank = dir_.File("blank.state");
    simtest::WriteText(blank, "\n\n[module other]\nstatus = 00 00 00 00\n");
    StateStore store(blank, Collect);
    store.Save("m", ModuleState::Factory(CommSettings{7, 4, 0, 0}));
    EXPECT_EQ(store.Load("m")->active.address, 7);
    EXPECT_TRUE(store.Load("other"));
}

TEST_F(StateTest, DeviceOrPipeIsNoStateFile) {
    // A pipe would block the reading and the save's rename would replace it.
    const std::string pipe = dir_.File("pipe.state");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    StateStore store(pipe, Collect);
    EXPECT_FALSE(store.Load("m"));
    store.Save("m", ModuleState::Factory(CommSettings{}));
    EXPECT_TRUE(std::filesystem::is_fifo(pipe));
    EXPECT_EQ(g_warnings.size(), 1u);
}

TEST_F(StateTest, ConfigurationMemorySurvivesANewProcess) {
    const std::string path = dir_.File("module.state");
    {
        SimEnvironment env(Collect);
        env.Reload(ConfigWithState(path), true);
        Module* m = env.ModuleNamed("main");
        ASSERT_TRUE(m);
        m->Execute(Msg({1, 0x67, 0, 0, 0x05, 0x05, 13, 13}), Clock::now());
        m->Execute(Msg({1, 0x67, 0, 0, 0x3F, 0x3F, 9, 9}), Clock::now());
        m->Execute(Msg({1, 0x01, 0xFF, 0, 0xFF, 0x01, 0x00, 0xFF}), Clock::now());
    }
    SimEnvironment env(Collect);
    env.Reload(ConfigWithState(path), true);
    Module* m = env.ModuleNamed("main");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->Execute(Msg({9, 0x66, 0, 0, 0x05, 0x05}), Clock::now()).data[2], 13);
    // The restart's settings and status stay in force.
    EXPECT_EQ(m->State().active.address, 9);
    EXPECT_EQ(m->Execute(Msg({9, 0x64}), Clock::now()).data[0], 0x30);
    // The other module of the file is untouched.
    EXPECT_EQ(env.ModuleNamed("modbus")->State().active.address, 1);
}

TEST_F(StateTest, ModulesLiveOnWhileTheStatePathStays) {
    SimEnvironment env(Collect);
    env.Reload(ConfigWithState(":memory:a"), true);
    Module* first = env.ModuleNamed("main");
    first->Execute(Msg({1, 0x67, 0, 0, 0x05, 0x05, 3, 3}), Clock::now());
    env.Reload(ConfigWithState(":memory:a"), true);
    EXPECT_EQ(env.ModuleNamed("main"), first);
    EXPECT_EQ(env.ModuleNamed("main")->State().memory.Read(0, 5), 3);
    env.Reload(ConfigWithState(":memory:b"), true);
    EXPECT_EQ(env.ModuleNamed("main")->State().memory.Read(0, 5), 0);
    // While something is in use only faults and timing change.
    SimConfig busy = ConfigWithState(":memory:c");
    busy.faults.writeMismatch = true;
    busy.timing.instant = true;
    EXPECT_FALSE(env.Reload(busy, false));
    EXPECT_TRUE(env.ActiveFaults().writeMismatch);
    EXPECT_TRUE(env.LineTiming().instant);
    EXPECT_EQ(env.Config().statePath, ":memory:b");
}

TEST_F(StateTest, ConfigurationTextIsParsedRobustly) {
    SimConfig cfg = SimConfig::Defaults();
    ApplyConfigText(cfg,
                    "; comment\n"
                    "stray = 1\n"
                    "[card]\n did = 0x402 \n bus = 7\n euart3 = a, b\n bogus = 1\n slot = -3\n"
                    "[module a]\naddress = 300\naddress = 5\nspeed = 57600\nparity = odd\nprotocol = modbus\n"
                    "noise = off\n"
                    "[module b]\nspeed = 14400\n"
                    "[lines]\norsd = b\norsz = a\n"
                    "[timing]\ninstant = yes\nturnaround_us = 300\n"
                    "[faults]\ncorrupt_reply = first\nmem_access = after:12\ndriver_call = Card_BUS:2\nnope = 1\n"
                    "[weird\n"
                    "[other]\nx = 1\n",
                    Collect);
    ASSERT_EQ(cfg.cards.size(), 1u);
    EXPECT_EQ(cfg.cards[0].did, 0x402);
    EXPECT_EQ(cfg.cards[0].bus, 7);
    EXPECT_EQ(cfg.cards[0].slot, 5);
    EXPECT_EQ(cfg.cards[0].channels[2], (std::vector<std::string>{"a", "b"}));
    const ModuleSpec* a = cfg.ModuleNamed("a");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->factory, (CommSettings{5, 7, kParityOdd, 1}));
    EXPECT_FALSE(a->noise);
    EXPECT_EQ(cfg.ModuleNamed("b")->factory.speedCode, 4);
    EXPECT_EQ(cfg.standInLines[static_cast<int>(StandIn::Orsd)], (std::vector<std::string>{"b"}));
    EXPECT_TRUE(cfg.timing.instant);
    EXPECT_EQ(cfg.timing.turnaround, std::chrono::microseconds(300));
    EXPECT_EQ(cfg.faults.corruptReply, CorruptReplyFault::First);
    EXPECT_EQ(cfg.faults.memAccess, MemAccessFault::After);
    EXPECT_EQ(cfg.faults.memAccessAfter, 12u);
    EXPECT_TRUE(cfg.faults.DriverCallFails("Card_BUS", 2));
    EXPECT_FALSE(cfg.faults.DriverCallFails("Card_BUS", 1));
    // stray, bogus, slot, address 300, speed 14400, orsz, nope, [weird, [other]
    EXPECT_EQ(g_warnings.size(), 9u);
}

TEST_F(StateTest, ConfigurationOfAbsurdSizeIsCut) {
    std::string text;
    for (int i = 0; i < 40; ++i) text += "[card]\neuart1 = m" + std::to_string(i) + "\n";
    text += "[lines]\norsa = ";
    for (int i = 0; i < 200; ++i) text += "x" + std::to_string(i) + ",";
    text += "\n[module late]\naddress = 3\n";
    text += std::string("\0\xFF[\x01=\n]\n\xC8", 9);  // binary garbage
    SimConfig cfg = SimConfig::Defaults();
    ApplyConfigText(cfg, text, Collect);
    EXPECT_EQ(cfg.cards.size(), 16u);
    EXPECT_EQ(cfg.modules.size(), 64u);
    EXPECT_FALSE(cfg.ModuleNamed("late"));
    EXPECT_LE(g_warnings.size(), 5u);  // one per kind, and the garbage lines
    // A file beyond 1 MiB is not read at all.
    UseConfig("[card]\ndid = 0x402\n");
    std::filesystem::resize_file(dir_.File("sim.ini"), (1u << 20) + 1);
    EXPECT_EQ(LoadSimConfig(Collect).cards.at(0).did, 0x401);
}

TEST_F(StateTest, ConfigurationFromADeviceOrPipeIsRefused) {
    // An endless device or a pipe without a writer: the defaults at once.
    const std::string pipe = dir_.File("pipe.ini");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& path : {std::string("/dev/zero"), pipe}) {
        g_warnings.clear();
        simtest::SetEnv("RQ36_SIM_CONFIG", path);
        EXPECT_EQ(LoadSimConfig(Collect).cards.size(), 1u);
        ASSERT_EQ(g_warnings.size(), 1u);
        EXPECT_NE(g_warnings[0].find("not a regular file"), std::string::npos) << g_warnings[0];
    }
}

TEST_F(StateTest, IntegerTextTakesOneSignOnly) {
    EXPECT_EQ(ParseInt(" -12 "), -12);
    EXPECT_EQ(ParseInt("-0x10"), -16);
    EXPECT_EQ(ParseInt("9223372036854775807"), INT64_MAX);
    for (const char* bad : {"--5", "0x-5", "-0x-5", "--9223372036854775808", "-9223372036854775808", "+5", "0x"})
        EXPECT_FALSE(ParseInt(bad)) << bad;
    SimConfig cfg = SimConfig::Defaults();
    ApplyConfigText(cfg, "[card]\ndid = --9223372036854775808\n", Collect);
    EXPECT_EQ(cfg.cards.at(0).did, 0x401);
    EXPECT_EQ(g_warnings.size(), 1u);
}

TEST_F(StateTest, EnvironmentOverridesTheFile) {
    UseConfig("[timing]\ninstant = 0\n[state]\npath = /nonexistent/x.state\n[faults]\nno_card = 1\n");
    simtest::SetEnv("RQ36_SIM_STATE", ":memory:env");
    simtest::SetEnv("RQ36_SIM_INSTANT", "1");
    simtest::SetEnv("RQ36_SIM_FAULT", "no_card=off, write_mismatch, mem_access=bad");
    const SimConfig cfg = LoadSimConfig(Collect);
    EXPECT_EQ(cfg.statePath, ":memory:env");
    EXPECT_TRUE(cfg.timing.instant);
    EXPECT_FALSE(cfg.faults.noCard);
    EXPECT_TRUE(cfg.faults.writeMismatch);
    EXPECT_EQ(g_warnings.size(), 1u);
    simtest::SetEnv("RQ36_SIM_CONFIG", dir_.File("missing.ini"));
    LoadSimConfig(Collect);
    EXPECT_EQ(g_warnings.size(), 3u);  // the missing file, the bad fault again
}

TEST_F(StateTest, DefaultStatePathFollowsXdgThenHome) {
    const std::string home = simtest::EnvOr("HOME"), xdg = simtest::EnvOr("XDG_STATE_HOME");
    simtest::SetEnv("XDG_STATE_HOME", "/x/state");
    EXPECT_EQ(DefaultStatePath(), "/x/state/rq36-sim/module.state");
    simtest::UnsetEnv("XDG_STATE_HOME");
    simtest::SetEnv("HOME", "/home/u");
    EXPECT_EQ(DefaultStatePath(), "/home/u/.local/state/rq36-sim/module.state");
    simtest::SetEnv("HOME", home);
    if (!xdg.empty()) simtest::SetEnv("XDG_STATE_HOME", xdg);
}
