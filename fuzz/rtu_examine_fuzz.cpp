// The Modbus frame examination that reads the serial line's bytes as they
// arrive (rtu::Examine), fed byte by byte: a decision once made holds for
// every longer input, a whole frame has its CRC, and a body with a good CRC
// appended is a whole frame when its header says so.
#include <algorithm>
#include <span>
#include <vector>

#include "fuzz_check.h"
#include "rtu.h"

namespace rtu = rq36::rtu;

namespace {

// Longer inputs say nothing new: a frame is at most 256 bytes.
constexpr std::size_t kMaxInput = 2 * rtu::kMaxFrame;

void CheckOne(std::span<const std::uint8_t> bytes, rtu::FrameState state, std::size_t length) {
    switch (state) {
    case rtu::FrameState::Incomplete: FUZZ_CHECK(length == 0 || length > bytes.size()); break;
    case rtu::FrameState::Complete:
        FUZZ_CHECK(length >= rtu::kExceptionFrame && length <= bytes.size() && length <= rtu::kMaxFrame);
        FUZZ_CHECK(rtu::CrcMatches(bytes.first(length)));
        FUZZ_CHECK(bytes[1] == rtu::kFunction || rtu::IsException(bytes));
        break;
    case rtu::FrameState::BadCrc:
        FUZZ_CHECK(length <= bytes.size() && length <= rtu::kMaxFrame);
        FUZZ_CHECK(!rtu::CrcMatches(bytes.first(length)));
        break;
    case rtu::FrameState::Garbled: break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, std::min(size, kMaxInput));

    // As the bytes arrive: once the state is no longer Incomplete, more
    // bytes change neither the state nor the length.
    bool decided = false;
    rtu::FrameState decidedState = rtu::FrameState::Incomplete;
    std::size_t decidedLength = 0;
    for (std::size_t n = 0; n <= input.size(); ++n) {
        std::size_t length = 12345;
        const rtu::FrameState state = rtu::Examine(input.first(n), length);
        CheckOne(input.first(n), state, length);
        if (decided) {
            FUZZ_CHECK(state == decidedState && length == decidedLength);
        } else if (state != rtu::FrameState::Incomplete) {
            decided = true;
            decidedState = state;
            decidedLength = length;
        }
    }

    // The same body with its CRC: a whole frame exactly when the first
    // examination found a frame of that length with a bad CRC.
    if (input.size() >= 3) {
        std::vector<std::uint8_t> framed(input.begin(), input.end());
        rtu::AppendCrc(framed);
        std::size_t length = 0;
        const rtu::FrameState state = rtu::Examine(framed, length);
        CheckOne(framed, state, length);
        if (state == rtu::FrameState::Complete && length == framed.size()) {
            std::size_t again = 0;
            FUZZ_CHECK(rtu::Examine(std::span<const std::uint8_t>(framed).first(length), again) == state);
            FUZZ_CHECK(again == length);
        }
    }
    return 0;
}
