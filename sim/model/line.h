// A serial line with the modules on it, and the time its frames take.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "faults.h"
#include "module.h"
#include "sim_types.h"

namespace rq36sim {

using Nanos = std::chrono::nanoseconds;

inline constexpr int kBitsPerCharacter = 11;
inline constexpr std::uint32_t kMaxRetries = 15;

// Characters of one frame on the line.
struct FrameSizes {
    int request;
    int reply;
    double silence;  // characters of silence after each frame
};

// Vextbus-2: header, the eight message bytes, checksum, end mark; the reply
// the same size: header, address, reply byte, six data bytes, checksum, end.
inline constexpr FrameSizes kVextbusFrames{11, 11, 0.0};
// Modbus RTU function 69: station, function, count (2), eight bytes, CRC (2);
// reply station, function, count (2), address, command, d0, reply byte,
// 16 response bytes, CRC (2); each frame closed by 3.5 characters of silence.
inline constexpr FrameSizes kModbusFrames{14, 26, 3.5};

struct Timing {
    bool instant = false;  // callers do not wait for the line
    Nanos turnaround{0};   // module's reaction time before its reply
};

Nanos CharacterTime(std::int32_t speed);
Nanos FrameTime(double characters, std::int32_t speed);
// Line time of an exchange that is answered at the first try.
Nanos AnsweredExchangeTime(const LineParams& line, const Timing& timing);

struct ExchangeRequest {
    Message message{};
    LineParams line;
    std::uint32_t timeoutMs = 200;
    std::uint32_t retries = 2;  // repetitions after a failed attempt
};

struct ExchangeResult {
    std::uint8_t status = kStatusOk;
    ModuleReply reply;  // zero unless status is 0
    std::uint8_t repetitions = 0;
    Nanos duration{0};  // line time of all attempts
};

class Line {
public:
    void Attach(Module* m) { modules_.push_back(m); }
    const std::vector<Module*>& Modules() const { return modules_; }

    // Runs the request with its repetitions.  `start` is when the first
    // frame begins; modules see the time each attempt reaches them.
    ExchangeResult Exchange(const ExchangeRequest& req, const Faults& faults, const Timing& timing,
                            Clock::time_point start) const;

private:
    std::vector<Module*> modules_;
};

// Waits for a line time unless timing is instant.
void WaitLineTime(Nanos duration, const Timing& timing);

}  // namespace rq36sim
