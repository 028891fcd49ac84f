// The front panel: its changes to a module (sources over the test fixture,
// status conditions, back to the configuration), its text protocol and the
// local channel it is served on.
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include <unistd.h>

#include <gtest/gtest.h>

#include "module.h"
#include "panel.h"
#include "panel_channel.h"

using namespace rq36sim;

namespace {

class PanelTest : public ::testing::Test {
protected:
    PanelTest() : module_("m", ModuleState::Factory(CommSettings{}), &faults_) { module_.Analog().SetNoise(false); }

    ModuleReply Ask(std::initializer_list<std::uint8_t> bytes) {
        Message m{};
        std::copy(bytes.begin(), bytes.end(), m.begin());
        return module_.Execute(m, Clock::now());
    }
    double Ain0() {
        const auto d = Ask({1, kCmdReadRegister, 0}).data;
        const int magnitude = d[0] | d[1] << 8 | (d[2] & 0x7F) << 16;
        return (d[2] & 0x80 ? -magnitude : magnitude) / 1000.0;
    }
    std::string Reply(const std::string& request) { return PanelReply({&module_}, request, Clock::now()); }
    std::string Report(const char* key) { return ParsePanelReport(Reply("get")).at(0).Value(key); }

    Faults faults_;
    Module module_;
};

}  // namespace

TEST_F(PanelTest, SourceSetAtThePanelWinsOverTheFixtureUntilConfigAgain) {
    Ask({1, kCmdWriteRegister, kRegDigital, 0, 2});  // DOUT1: the fixture's 9 V reference
    EXPECT_NEAR(Ain0(), 9.0 * 1.008 + 0.012, 0.002);  // gain and offset error
    EXPECT_EQ(Reply("set ain0=short"), "ok\n");
    EXPECT_NEAR(Ain0(), 0.012, 0.002);  // the converter's offset only
    EXPECT_EQ(Reply("set ain0=dc 2.5 V"), "ok\n");
    EXPECT_NEAR(Ain0(), 2.5 * 1.008 + 0.012, 0.002);
    EXPECT_EQ(Reply("set ain0=config"), "ok\n");
    EXPECT_NEAR(Ain0(), 9.0 * 1.008 + 0.012, 0.002);  // gain and offset error
    // A reload of the configuration keeps what the panel set.
    EXPECT_EQ(Reply("set ain0=open"), "ok\n");
    module_.Configure(ModuleSetup{}, false, Clock::now());
    EXPECT_EQ(Report("panel.ain0"), "open");
}

TEST_F(PanelTest, StatusConditionsRaiseOnceOrHold) {
    Ask({1, kCmdClearStatus});
    EXPECT_EQ(Reply("set raise=fn, prf"), "ok\n");
    EXPECT_EQ(Ask({1, kCmdReadStatus}).data[0], 0x06);
    Ask({1, kCmdClearStatus});
    EXPECT_EQ(Ask({1, kCmdReadStatus}).data[0], 0x00);
    EXPECT_EQ(Reply("set status_hold=err24"), "ok\n");
    EXPECT_EQ(Report("status"), "40 00 00 00");
    Ask({1, kCmdClearStatus});
    EXPECT_EQ(Ask({1, kCmdReadStatus}).data[0], 0x40);
    EXPECT_EQ(Reply("set status_hold=none"), "ok\n");
    Ask({1, kCmdClearStatus});
    EXPECT_EQ(Ask({1, kCmdReadStatus}).data[0], 0x00);
}

TEST_F(PanelTest, ReportShowsWhatTheModuleHoldsAndRefusalsSayWhy) {
    Ask({1, kCmdWriteRegister, kRegDigital, 0, 1});
    EXPECT_EQ(Report("dout0"), "1");
    EXPECT_EQ(Report("dout1"), "0");
    EXPECT_EQ(Report("address"), "1");
    EXPECT_EQ(Report("speed"), "9600");
    EXPECT_EQ(Report("protocol"), "vextbus");
    EXPECT_EQ(Reply("set din1=1"), "ok\n");
    EXPECT_EQ(Report("din1"), "0");  // a high terminal reads 0 through the factory negation
    EXPECT_EQ(Reply("set m/cnt0_rate=500"), "ok\n");
    EXPECT_EQ(Report("panel.cnt0_rate"), "500");

    EXPECT_EQ(Reply("set x/ain0=short"), "error no module 'x' here\n");
    EXPECT_EQ(Reply("set ain9=short").rfind("error 'ain9': unknown key", 0), 0u);
    EXPECT_EQ(Reply("set din0=sometimes").rfind("error din0: ", 0), 0u);
    EXPECT_EQ(Reply("set ain0"), "error expected set [<module>/]<key>=<value>\n");
    EXPECT_EQ(Reply("jump").rfind("error unknown request", 0), 0u);
    EXPECT_EQ(Report("panel.din0"), "");  // nothing of the refusals stayed
}

TEST(PanelChannel, ServesRequestsAndDisappearsWithItsServer) {
    const std::string dir = ::testing::TempDir() + "panel-" + std::to_string(::getpid());
    ::setenv("RQ36_SIM_PANEL_DIR", dir.c_str(), 1);
    std::string reply, error;
    {
        const PanelServer server("ORSA", [](const std::string& r) { return "echo " + r + "\nok\n"; });
        ASSERT_FALSE(server.Path().empty());
        const auto worlds = FindPanelWorlds();
        ASSERT_EQ(worlds.size(), 1u);
        EXPECT_EQ(worlds[0].world, "ORSA");
        EXPECT_EQ(worlds[0].pid, ::getpid());
        ASSERT_TRUE(PanelRequest(worlds[0].path, "get", reply, error)) << error;
        EXPECT_EQ(reply, "echo get\nok\n");
        ASSERT_TRUE(PanelRequest(worlds[0].path, std::string(5000, 'x'), reply, error)) << error;
        EXPECT_EQ(reply, "error request line too long\n");
    }
    EXPECT_TRUE(FindPanelWorlds().empty());
    EXPECT_FALSE(PanelRequest(dir + "/ORSA-1.sock", "get", reply, error));
    EXPECT_FALSE(error.empty());
    ::setenv("RQ36_SIM_PANEL_DIR", "off", 1);
    const PanelServer off("ORSA", [](const std::string&) { return std::string("ok\n"); });
    EXPECT_TRUE(off.Path().empty());
    std::filesystem::remove_all(dir);
}
