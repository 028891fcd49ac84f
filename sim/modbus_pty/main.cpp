// rq36-modbus-sim: the simulated RQ-36 module as a Modbus RTU slave on a
// pseudo-terminal.  Prints the device path on the first line of its output,
// then answers what the program sends there until it is interrupted.
//
//   rq36-modbus-sim [--link PATH] [--exit-with-parent]
//
// The modules are those on the "orsf" line of the simulator's configuration
// (RQ36_SIM_CONFIG, by default module "modbus": address 1, 9600 Bd, even
// parity, Modbus RTU), with their state file, timing and faults.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

#include "environment.h"
#include "modbus_slave.h"
#include "panel.h"
#include "panel_channel.h"
#include "pty.h"
#include "rtu.h"

namespace {

using rq36sim::Clock;
using rq36sim::PseudoTerminal;

// Bytes that stop arriving for this long end a frame that its own header
// did not end: the request's silence, with room for a busy machine.
constexpr auto kFrameGap = std::chrono::milliseconds(20);
constexpr auto kIdlePoll = std::chrono::milliseconds(500);

int Usage() {
    std::fprintf(stderr, "usage: rq36-modbus-sim [--link PATH] [--exit-with-parent]\n");
    return 2;
}

// Takes the frames out of what arrived: a frame whose header tells its length
// as soon as it is complete, anything else when the line goes quiet.
class FrameCollector {
public:
    std::vector<std::uint8_t> bytes;
    Clock::time_point last{};

    // A complete frame at the front, taken out; empty when none yet.
    std::vector<std::uint8_t> TakeComplete() {
        std::size_t length = 0;
        const auto state = rq36::rtu::Examine(bytes, length);
        if (state != rq36::rtu::FrameState::Complete && state != rq36::rtu::FrameState::BadCrc) return {};
        std::vector<std::uint8_t> frame(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
        bytes.erase(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
        return frame;
    }
};

}  // namespace

int main(int argc, char* argv[]) {
    std::string link;
    bool withParent = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--link") == 0 && i + 1 < argc)
            link = argv[++i];
        else if (std::strcmp(argv[i], "--exit-with-parent") == 0)
            withParent = true;
        else
            return Usage();
    }
    rq36sim::InstallStopSignals();
    if (withParent && !rq36sim::StopWithParent()) return 1;

    std::string error;
    const auto pty = PseudoTerminal::Create(error);
    if (!pty) {
        std::fprintf(stderr, "rq36-modbus-sim: %s\n", error.c_str());
        return 1;
    }
    if (!link.empty()) {
        std::error_code ec;
        std::filesystem::remove(link, ec);
        std::filesystem::create_symlink(pty->DevicePath(), link, ec);
        if (ec) {
            std::fprintf(stderr, "rq36-modbus-sim: cannot link %s: %s\n", link.c_str(), ec.message().c_str());
            return 1;
        }
    }

    rq36sim::SimEnvironment env;
    env.Reload(true);
    const rq36sim::Line line =
        env.MakeLine(env.Config().standInLines[static_cast<std::size_t>(rq36sim::StandIn::Orsf)]);
    rq36sim::ModbusSlave slave(line, env.ActiveFaults(), env.LineTiming());
    // The front panel's thread and the line take turns at the modules.
    std::mutex lock;
    const rq36sim::PanelServer panel("modbus", [&](const std::string& request) {
        const std::lock_guard<std::mutex> guard(lock);
        return rq36sim::PanelReply(line.Modules(), request, Clock::now());
    });

    std::printf("%s\n", pty->DevicePath().c_str());
    std::fflush(stdout);

    FrameCollector in;
    while (!rq36sim::StopRequested()) {
        const auto deadline = in.bytes.empty() ? Clock::now() + kIdlePoll : in.last + kFrameGap;
        std::vector<std::uint8_t> frame;
        switch (pty->Read(in.bytes, deadline)) {
        case PseudoTerminal::ReadResult::Failed:
            std::fprintf(stderr, "rq36-modbus-sim: reading %s failed\n", pty->DevicePath().c_str());
            return 1;
        case PseudoTerminal::ReadResult::Interrupted: continue;
        case PseudoTerminal::ReadResult::Timeout:
            frame.swap(in.bytes);  // silence after bytes: they were one frame
            break;
        case PseudoTerminal::ReadResult::Data:
            in.last = Clock::now();
            frame = in.TakeComplete();
            break;
        }
        if (frame.empty()) continue;
        const auto settings = pty->Settings();
        if (!settings) continue;  // not 8 data bits: nothing the module can read
        const Clock::time_point arrival = Clock::now();
        rq36sim::SlaveAnswer answer;
        {
            const std::lock_guard<std::mutex> guard(lock);
            answer = slave.Answer(frame, *settings, arrival);
        }
        if (answer.frame.empty()) continue;
        std::this_thread::sleep_until(arrival + answer.lineTime);
        if (!pty->Write(answer.frame)) {
            std::fprintf(stderr, "rq36-modbus-sim: writing %s failed\n", pty->DevicePath().c_str());
            return 1;
        }
    }
    if (!link.empty()) {
        std::error_code ec;
        std::filesystem::remove(link, ec);
    }
    return 0;
}
