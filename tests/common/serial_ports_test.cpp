// Which device a port number means, which port a device has, and the serial
// devices found in a directory tree laid out as /dev and /sys are.
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include <gtest/gtest.h>

#include "serial_ports.h"

namespace fs = std::filesystem;
using namespace rq36::serial;

namespace {

class SerialPorts : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("rq36-serial-" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "dev/serial/by-id");
        for (const char* name : {"ttyUSB0", "ttyUSB1", "ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS0", "ttyS1", "ttyS2",
                                 "ttyprintk", "tty0", "null"})
            std::ofstream(root_ / "dev" / name).put('\n');
        // The kernel found a UART behind ttyS0 only; ttyS2 says nothing.
        for (const auto& [name, type] : {std::pair{"ttyS0", "4"}, std::pair{"ttyS1", "0"}}) {
            fs::create_directories(root_ / "sys/class/tty" / name);
            std::ofstream(root_ / "sys/class/tty" / name / "type") << type << '\n';
        }
        fs::create_symlink("../../ttyUSB1", root_ / "dev/serial/by-id/usb-FTDI_FT232R-if00-port0");
        fs::create_symlink("../../ttyUSB9", root_ / "dev/serial/by-id/usb-pulled-out-port0");
        for (int port : {1, 7, 33, 200}) ::unsetenv(PortVariable(port).c_str());
    }
    void TearDown() override {
        for (int port : {1, 7, 33, 200}) ::unsetenv(PortVariable(port).c_str());
        fs::remove_all(root_);
    }
    std::string At(const char* relative) const { return (root_ / relative).string(); }

    fs::path root_;
};

}  // namespace

TEST_F(SerialPorts, PortToDeviceWithAndWithoutTheVariable) {
    EXPECT_EQ(PortVariable(7), "RQ36_COM7");
    PortDevice p = ResolvePort(33);
    EXPECT_EQ(p.device, "/dev/ttyUSB0");
    EXPECT_FALSE(p.fromEnvironment);
    EXPECT_EQ(ResolvePort(200).device, "");
    ::setenv("RQ36_COM33", "/dev/pts/3", 1);
    p = ResolvePort(33);
    EXPECT_EQ(p.device, "/dev/pts/3");
    EXPECT_TRUE(p.fromEnvironment);
    ::setenv("RQ36_COM33", "", 1);  // an empty variable names nothing
    EXPECT_EQ(ResolvePort(33).device, "/dev/ttyUSB0");
}

TEST_F(SerialPorts, DeviceToPortFollowsLinksAndPrefersTheVariable) {
    EXPECT_EQ(PortForDevice("/dev/ttyUSB0"), 33);
    EXPECT_EQ(PortForDevice("/dev/ttyACM31"), 96);
    EXPECT_EQ(PortForDevice("/dev/ttyACM32"), std::nullopt);
    EXPECT_EQ(PortForDevice(""), std::nullopt);
    // A by-id name and the device it stands for are the same port.
    ::setenv("RQ36_COM7", At("dev/ttyUSB1").c_str(), 1);
    EXPECT_EQ(PortForDevice(At("dev/serial/by-id/usb-FTDI_FT232R-if00-port0")), 7);
    // A variable that redirects a port takes it from the platform's rule.
    ::setenv("RQ36_COM33", "/dev/pts/9", 1);
    EXPECT_EQ(PortForDevice("/dev/ttyUSB0"), std::nullopt);
    ::setenv("RQ36_COM1", "/dev/ttyUSB0", 1);
    EXPECT_EQ(PortForDevice("/dev/ttyUSB0"), 1);
}

TEST_F(SerialPorts, PresentDevices) {
    EXPECT_EQ(PresentSerialDevices(root_.string()),
              (std::vector<std::string>{At("dev/serial/by-id/usb-FTDI_FT232R-if00-port0"), At("dev/ttyUSB0"),
                                        At("dev/ttyUSB2"), At("dev/ttyUSB10"), At("dev/ttyACM0"), At("dev/ttyS0"),
                                        At("dev/ttyS2")}));
    fs::remove_all(root_ / "dev");
    EXPECT_TRUE(PresentSerialDevices(root_.string()).empty());
}
