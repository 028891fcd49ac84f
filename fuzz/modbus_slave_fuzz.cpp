// The simulator's Modbus slave taking any bytes off the line, raw and with
// a good CRC appended, at a speed and parity chosen by the first byte: no
// crash, and what it sends back is silence or one whole frame with a good
// CRC, addressed from the requested station, never longer than Modbus allows.
#include <algorithm>
#include <array>
#include <span>
#include <string>
#include <vector>

#include "environment.h"
#include "fuzz_check.h"
#include "modbus_slave.h"
#include "rtu.h"

namespace rtu = rq36::rtu;
using namespace rq36sim;

namespace {

void Quiet(const std::string&) {}

void Check(std::span<const std::uint8_t> request, const SlaveAnswer& answer) {
    FUZZ_CHECK(answer.lineTime.count() >= 0);
    if (answer.frame.empty()) return;
    FUZZ_CHECK(rtu::CrcMatches(request));  // a damaged request is never answered
    FUZZ_CHECK(answer.frame.size() <= rtu::kMaxFrame);
    FUZZ_CHECK(answer.frame[0] == request[0]);
    std::size_t length = 0;
    FUZZ_CHECK(rtu::Examine(answer.frame, length) == rtu::FrameState::Complete);
    FUZZ_CHECK(length == answer.frame.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > 2 * rtu::kMaxFrame) return 0;
    static const std::array<std::int32_t, 4> kSpeeds = {9600, 19200, 38400, 115200};
    const LineParams line{(data[0] & 0x80) != 0 ? Protocol::Vextbus2 : Protocol::ModbusRtu,
                          kSpeeds[static_cast<std::size_t>(data[0] & 0x03)],
                          static_cast<std::uint8_t>((data[0] >> 2) % 3)};

    SimConfig config = SimConfig::Defaults();
    config.statePath = ":memory:modbus-slave-fuzz";
    SimEnvironment env(Quiet);
    env.Reload(config, true);
    Line wires = env.MakeLine(env.Config().standInLines[static_cast<std::size_t>(StandIn::Orsf)]);
    ModbusSlave slave(wires, env.ActiveFaults(), env.LineTiming());

    const std::span<const std::uint8_t> raw(data + 1, size - 1);
    Check(raw, slave.Answer(raw, line, Clock::now()));
    std::vector<std::uint8_t> framed(raw.begin(), raw.end());
    rtu::AppendCrc(framed);
    Check(framed, slave.Answer(framed, line, Clock::now()));
    return 0;
}
