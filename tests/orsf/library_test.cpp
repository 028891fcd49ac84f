// libORSF.so through its exports on a real port: a pseudo-terminal whose far
// side the test plays.  The frame on the wire, the frame handed back, the
// line settings, and the device errors with their texts.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "cp1250.h"
#include "exchange.h"
#include "ors_contract.h"
#include "pty.h"
#include "rtu.h"
#include "serial_port.h"
#include "serial_ports.h"

extern "C" {
int32_t ORSF_Version(int32_t*);
int32_t ORSF_Init(ors_handle_t*, int32_t);
int32_t ORSF_Done(ors_handle_t*);
int32_t ORSF_SetConfig(ors_handle_t, int32_t, uint32_t, uint32_t, int32_t);
int32_t ORSF_GetConfig(ors_handle_t, int32_t*, uint32_t*, uint32_t*, int32_t*);
int32_t ORSF_Send(ors_handle_t, const int32_t*, int32_t, int32_t*, int32_t*, int32_t*);
int32_t ORSF_Error(uint32_t, int32_t*);
}

namespace {

using rq36sim::PseudoTerminal;
using Bytes = std::vector<std::uint8_t>;
constexpr int kPort = 9;
// Generous: the far side is a thread of a possibly busy machine.
constexpr auto kPeerWait = std::chrono::seconds(10);
constexpr uint32_t kReplyTimeoutMs = 5000;

std::string Text(uint32_t code) {
    std::vector<int32_t> words(ORS_TEXT_WORDS, -1);
    EXPECT_EQ(ORSF_Error(code, words.data()), 0);
    std::string cp;
    for (int32_t w : words) {
        if (w == 0) break;
        cp.push_back(static_cast<char>(w));
    }
    return rq36::Cp1250ToUtf8(cp);
}

class OrsfPort : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        pty_ = PseudoTerminal::Create(error);
        ASSERT_TRUE(pty_) << error;
        ::setenv("RQ36_COM9", pty_->DevicePath().c_str(), 1);
    }
    void TearDown() override {
        if (h_) ORSF_Done(&h_);
        ::unsetenv("RQ36_COM9");
    }
    // Reads one request frame from the far side, then sends `reply` back.
    std::thread Answer(Bytes reply, Bytes* request) {
        return std::thread([this, reply, request] {
            Bytes in;
            const auto until = rq36sim::Clock::now() + kPeerWait;
            std::size_t length = 0;
            while (rq36::rtu::Examine(in, length) == rq36::rtu::FrameState::Incomplete && rq36sim::Clock::now() < until)
                pty_->Read(in, until);
            *request = in;
            pty_->Write(reply);
        });
    }

    std::unique_ptr<PseudoTerminal> pty_;
    ors_handle_t h_ = 0;
};

}  // namespace

TEST_F(OrsfPort, FrameOnTheWireAndFrameHandedBack) {
    ASSERT_EQ(ORSF_Init(&h_, kPort), 0);
    ASSERT_EQ(ORSF_SetConfig(h_, 19200, kReplyTimeoutMs, 0, 1), 0);
    const std::vector<int32_t> words = {1, 69, 0, 8, 1, 0x66, 0, 0, 5, 5, 0, 0};
    Bytes request;
    std::thread peer = Answer(
        rq36::rtu::ReplyFrame(1, 1, 0x66, 0, 0x00, Bytes{0, 5, 0x3F, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), &request);
    std::vector<int32_t> frame(ORS_MODBUS_FRAME_WORDS + 1, -7);
    int32_t count = -1, status = -1;
    const int32_t result = ORSF_Send(h_, words.data(), 12, frame.data(), &count, &status);
    peer.join();
    ASSERT_EQ(result, 0);
    ASSERT_EQ(status, 0) << Text(static_cast<uint32_t>(status));

    // The request as any Modbus device reads it: the CRC low byte first.
    EXPECT_EQ(request, (Bytes{1, 69, 0, 8, 1, 0x66, 0, 0, 5, 5, 0, 0, 0x6D, 0x0B}));
    // As the program unwraps it: n response bytes at words 2-3, reply byte
    // at word 7, the response bytes from word 8.
    EXPECT_EQ(count, 24);
    EXPECT_EQ(std::vector<int32_t>(frame.begin(), frame.begin() + 11),
              (std::vector<int32_t>{1, 69, 0, 16, 1, 0x66, 0, 0, 0, 5, 0x3F}));
    EXPECT_EQ(frame[24], -7);
}

TEST_F(OrsfPort, LineSettingsReachThePort) {
    ASSERT_EQ(ORSF_Init(&h_, kPort), 0);
    struct Case {
        int32_t speed;
        int32_t parityCode;
        std::uint8_t parity;
    };
    for (const Case c : {Case{600, 0, rq36sim::kParityNone}, Case{115200, 2, rq36sim::kParityOdd},
                         Case{9600, 1, rq36sim::kParityEven}}) {
        ASSERT_EQ(ORSF_SetConfig(h_, c.speed, 500, 2, c.parityCode), 0);
        const auto line = pty_->Settings();
        ASSERT_TRUE(line);
        EXPECT_EQ(line->speed, c.speed);
        EXPECT_EQ(line->parity, c.parity) << c.parityCode;
    }
    int32_t speed = 0, parity = -1;
    uint32_t timeout = 0, retries = 0;
    EXPECT_EQ(ORSF_GetConfig(h_, &speed, &timeout, &retries, &parity), 0);
    EXPECT_EQ(speed, 9600);
    EXPECT_EQ(parity, 1);
    // Refused values change nothing.
    EXPECT_EQ(ORSF_SetConfig(h_, 14400, 500, 2, 1), 1);
    EXPECT_EQ(ORSF_SetConfig(h_, 9600, 0, 2, 1), 26);
    EXPECT_EQ(ORSF_SetConfig(h_, 9600, 500, 16, 1), 27);
    EXPECT_EQ(ORSF_SetConfig(h_, 9600, 500, 2, 3), 28);
    EXPECT_EQ(pty_->Settings()->speed, 9600);
}

TEST_F(OrsfPort, SilenceAndRequestChecks) {
    ASSERT_EQ(ORSF_Init(&h_, kPort), 0);
    ASSERT_EQ(ORSF_SetConfig(h_, 115200, 1, 1, 1), 0);
    std::vector<int32_t> words = {1, 69, 0, 8, 1, 0xC8, 0, 0, 0, 0, 0, 0};
    std::vector<int32_t> frame(ORS_MODBUS_FRAME_WORDS, -7);
    int32_t count = -1, status = -1;
    EXPECT_EQ(ORSF_Send(h_, words.data(), 12, frame.data(), &count, &status), 0);
    EXPECT_EQ(status, 4);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(frame[0], -7);
    EXPECT_EQ(Text(4), "Timeout - nepřišla žádná odpověď");

    EXPECT_EQ(ORSF_Send(h_, words.data(), 8, frame.data(), &count, &status), 29);
    words[3] = 7;
    EXPECT_EQ(ORSF_Send(h_, words.data(), 12, frame.data(), &count, &status), 29);
    words[3] = 8;
    words[1] = 3;
    EXPECT_EQ(ORSF_Send(h_, words.data(), 12, frame.data(), &count, &status), 29);
    words[1] = 69;
    words[5] = 0x1C8;
    EXPECT_EQ(ORSF_Send(h_, words.data(), 12, frame.data(), &count, &status), 29);
    EXPECT_EQ(ORSF_Send(h_, words.data(), 12, nullptr, &count, &status), 11);
    EXPECT_EQ(ORSF_Send(h_ + 1, words.data(), 12, frame.data(), &count, &status), 12);
}

// A hostile far side: every Send still returns within the exchange's bound
// (checked with a wide margin: only a Send without an end fails it), with the
// status that says what happened.
class OrsfHostilePeer : public OrsfPort {
protected:
    static constexpr std::int32_t kSpeed = 115200;
    static constexpr uint32_t kTimeoutMs = 100;
    static constexpr uint32_t kRetries = 2;
    static constexpr auto kMargin = std::chrono::seconds(3);

    void SetUp() override {
        OrsfPort::SetUp();
        ASSERT_EQ(ORSF_Init(&h_, kPort), 0);
        ASSERT_EQ(ORSF_SetConfig(h_, kSpeed, kTimeoutMs, kRetries, 1), 0);
    }
    void TearDown() override {
        stop_ = true;
        if (peer_.joinable()) peer_.join();
        OrsfPort::TearDown();
    }
    // Sends a request with the given command; the status, and the time it took.
    int32_t Send(int32_t command, std::vector<int32_t>* frame = nullptr) {
        const std::vector<int32_t> words = {1, 69, 0, 8, 1, command, 0, 0, 0, 0, 0, 0};
        std::vector<int32_t> reply(ORS_MODBUS_FRAME_WORDS, 0);
        int32_t count = 0, status = -1;
        const auto began = rq36sim::Clock::now();
        EXPECT_EQ(ORSF_Send(h_, words.data(), 12, reply.data(), &count, &status), 0);
        took_ = rq36sim::Clock::now() - began;
        if (frame) *frame = reply;
        return status;
    }
    std::chrono::nanoseconds Bound(uint32_t retries = kRetries) const {
        return rq36::orsf::ExchangeBound(14, {kSpeed, kTimeoutMs, retries}) + kMargin;
    }
    // Reads from the far side until a whole request has come.
    Bytes ReadRequest() {
        Bytes in;
        std::size_t length = 0;
        const auto until = rq36sim::Clock::now() + kPeerWait;
        while (!stop_ && rq36::rtu::Examine(in, length) == rq36::rtu::FrameState::Incomplete &&
               rq36sim::Clock::now() < until)
            pty_->Read(in, std::min(until, rq36sim::Clock::now() + std::chrono::milliseconds(50)));
        return in;
    }

    std::thread peer_;
    std::atomic<bool> stop_{false};
    std::chrono::nanoseconds took_{};
};

TEST_F(OrsfHostilePeer, EndlessFramesOfOtherStations) {
    ASSERT_EQ(ORSF_SetConfig(h_, kSpeed, kTimeoutMs, 0, 1), 0);
    peer_ = std::thread([this] {
        ReadRequest();
        // Back to back at the line's pace (a busy bus), so the far side's
        // buffer never fills while nobody reads.
        const Bytes other = rq36::rtu::ReplyFrame(2, 2, 0xC8, 0, 0, Bytes(16, 0x11));
        const auto lineTime = rq36::rtu::CharacterTime(kSpeed) * static_cast<std::int64_t>(other.size());
        while (!stop_) {
            pty_->Write(other);
            std::this_thread::sleep_for(lineTime);
        }
    });
    EXPECT_EQ(Send(0xC8), 5);
    EXPECT_LT(took_, Bound(0));
    // With repetitions on a line that never falls quiet (each request goes
    // out after the silence wait, the reply wait may start inside a frame).
    ASSERT_EQ(ORSF_SetConfig(h_, kSpeed, kTimeoutMs, kRetries, 1), 0);
    EXPECT_NE(Send(0xC8), 0);
    EXPECT_LT(took_, Bound());
}

TEST_F(OrsfHostilePeer, PeerThatNeverTakesTheRequest) {
    ASSERT_TRUE(pty_->HoldProgramOutput(true));
    EXPECT_EQ(Send(0xC8), 36);
    EXPECT_LT(took_, Bound());
    EXPECT_EQ(Text(36), "Port selhal (odpojen?): " + pty_->DevicePath());
    // Flowing again, the port works as before.
    ASSERT_TRUE(pty_->HoldProgramOutput(false));
    EXPECT_EQ(Send(0xC8), 4);
}

TEST_F(OrsfHostilePeer, LateReplyIsNotTheNextRequestsAnswer) {
    ASSERT_EQ(ORSF_SetConfig(h_, kSpeed, 300, 0, 1), 0);
    peer_ = std::thread([this] {
        ReadRequest();  // the first request: its answer waits
        ReadRequest();  // the second, after the first timed out
        pty_->Write(rq36::rtu::ReplyFrame(1, 1, 0x66, 0, 0, Bytes(16, 0x66)));
        pty_->Write(rq36::rtu::ReplyFrame(1, 1, 0xC8, 0, 0, Bytes(16, 0xC8)));
    });
    EXPECT_EQ(Send(0x66), 4);
    std::vector<int32_t> frame;
    EXPECT_EQ(Send(0xC8, &frame), 0);
    EXPECT_EQ(frame[5], 0xC8);
    EXPECT_EQ(frame[8], 0xC8);
}

TEST_F(OrsfHostilePeer, LongFrameTrickledByteByByte) {
    ASSERT_EQ(ORSF_SetConfig(h_, kSpeed, kTimeoutMs, 0, 1), 0);
    peer_ = std::thread([this] {
        ReadRequest();
        // 250 bytes announced, one each 40 ms (within the byte gap), bad CRC.
        Bytes frame = {1, 69, 0, 246};
        frame.resize(250, 0x55);
        for (std::size_t i = 0; i < frame.size() && !stop_; ++i) {
            pty_->Write(std::span(frame).subspan(i, 1));
            std::this_thread::sleep_for(std::chrono::milliseconds(40));
        }
    });
    EXPECT_EQ(Send(0xC8), 6);
    EXPECT_LT(took_, Bound(0));
}

TEST_F(OrsfPort, PortHeldIsReportedNotShared) {
    ASSERT_EQ(ORSF_Init(&h_, kPort), 0);
    ors_handle_t second = 0;
    EXPECT_EQ(ORSF_Init(&second, kPort), 33);
    EXPECT_EQ(second, 0);
    EXPECT_EQ(Text(33), "Port drží jiný program: " + pty_->DevicePath());
    ASSERT_EQ(ORSF_Done(&h_), 0);
    EXPECT_EQ(h_, 0);
    ASSERT_EQ(ORSF_Init(&second, kPort), 0);  // free again once closed
    EXPECT_EQ(ORSF_Done(&second), 0);
}

TEST_F(OrsfPort, PortNotPermittedNamesTheGroup) {
    namespace fs = std::filesystem;
    const fs::path device = pty_->DevicePath();
    const auto before = fs::status(device).permissions();
    fs::permissions(device, fs::perms::none);
    const int32_t result = ORSF_Init(&h_, kPort);
    fs::permissions(device, before);
    if (result == 0) GTEST_SKIP() << "this user may open any device";
    EXPECT_EQ(result, 32);
    // The group that owns the device; none is named when that is root.
    const std::string group = rq36::orsf::DeviceGroup(pty_->DevicePath());
    const std::string why = group.empty() || group == "root" ? "Přístup odepřen" : "Chybí skupina " + group;
    EXPECT_EQ(Text(32), why + ": " + pty_->DevicePath());
}

TEST(OrsfDevice, MissingNotSerialAndUnmapped) {
    ors_handle_t h = 0;
    ::setenv("RQ36_COM9", "/dev/rq36-no-such-port", 1);
    EXPECT_EQ(ORSF_Init(&h, 9), 31);
    EXPECT_EQ(Text(31), "Port COM9 nenalezen: /dev/rq36-no-such-port");
    ::setenv("RQ36_COM9", "/dev/null", 1);
    EXPECT_EQ(ORSF_Init(&h, 9), 34);
    EXPECT_EQ(Text(34), "Není sériový port: /dev/null");
    ::unsetenv("RQ36_COM9");
    ::unsetenv("RQ36_COM200");
    EXPECT_EQ(ORSF_Init(&h, 200), 30);
    EXPECT_EQ(Text(30), "COM200 nemá zařízení: nastavte RQ36_COM200");
    EXPECT_EQ(ORSF_Init(&h, 0), 20);
    EXPECT_EQ(ORSF_Init(&h, 256), 20);
    EXPECT_EQ(h, 0);
    ors_handle_t taken = 5;
    EXPECT_EQ(ORSF_Init(&taken, 1), 12);
}

TEST(OrsfDevice, PortNumbersMapToDevices) {
    using rq36::serial::DeviceForPort;
    ::unsetenv("RQ36_COM1");
    EXPECT_EQ(DeviceForPort(1), "/dev/ttyS0");
    EXPECT_EQ(DeviceForPort(32), "/dev/ttyS31");
    EXPECT_EQ(DeviceForPort(33), "/dev/ttyUSB0");
    EXPECT_EQ(DeviceForPort(65), "/dev/ttyACM0");
    EXPECT_EQ(DeviceForPort(96), "/dev/ttyACM31");
    EXPECT_EQ(DeviceForPort(97), "");
    ::setenv("RQ36_COM1", "/dev/serial/by-id/usb-adapter-if00-port0", 1);
    EXPECT_EQ(DeviceForPort(1), "/dev/serial/by-id/usb-adapter-if00-port0");
    ::unsetenv("RQ36_COM1");
}
