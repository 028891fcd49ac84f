// The request call's unpacking of Modbus replies (kind 5), fed with random
// reply frames through a stand-in Send bound in place of a library.  Each
// input is a run of replies sent one after the other into the same response
// buffer, so bytes of one reply that leak into the next are seen.
//
// Per reply the input gives: a status byte, a result byte, the number of
// frame words the library writes, then each of those words as 16 signed bits.
// Checked: nothing is written outside the caller's 1024 words (ASan in the
// fuzz build, the words past the copy in every build); the count is clamped;
// a failure zeroes the five reply bytes and gives a non-zero status, and a
// failing library status copies nothing; otherwise exactly the counted words
// are copied, and r0..r3 are those words or 0, never an earlier reply's.
#include <algorithm>
#include <array>
#include <vector>

#include "connection_settings.h"
#include "fuzz_check.h"
#include "interface/binding_table.h"
#include "interface/module_request.h"

namespace {

constexpr std::int32_t kUntouched = 0x5EEDBEEF;

struct Input {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
    bool empty() const { return at >= size; }
    std::uint8_t Byte() { return at < size ? data[at++] : 0; }
    std::int32_t Word() {
        const auto high = Byte();
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(high << 8 | Byte()));
    }
};

// The reply the stand-in library gives next.
struct Reply {
    std::int32_t result = 0;
    std::int32_t status = 0;
    std::vector<std::int32_t> frame;
};
Reply g_reply;

std::int32_t FakeModbusSend(ors_handle_t, const std::int32_t*, std::int32_t, std::int32_t* frame,
                            std::int32_t* replyCount, std::int32_t* status) {
    std::copy(g_reply.frame.begin(), g_reply.frame.end(), frame);
    *replyCount = static_cast<std::int32_t>(g_reply.frame.size());
    *status = g_reply.status;
    return g_reply.result;
}

std::uint8_t Low8(std::int32_t v) { return static_cast<std::uint8_t>(v & 0xFF); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    rq36::detail::InterfaceBinding& binding = rq36::detail::Binding();
    binding.modbusSend = FakeModbusSend;

    // Exactly the caller's size, on the heap, so a write past it is caught.
    std::vector<std::int32_t> response(ORS_RESPONSE_WORDS, kUntouched);
    Input in{data, size};
    for (int replies = 0; !in.empty() && replies < 64; ++replies) {
        const std::uint8_t statusByte = in.Byte();
        // Half of the replies succeed; failures include statuses whose low
        // 8 bits are 0.
        g_reply.status = (statusByte & 0x80) != 0   ? 0
                         : (statusByte & 0x40) != 0 ? 0x100 * (statusByte & 0x3F)
                                                    : statusByte;
        const std::uint8_t resultByte = in.Byte();
        g_reply.result = (resultByte & 0x80) != 0 ? 0 : resultByte;
        g_reply.frame.assign(std::min<std::size_t>(in.Byte() * 8u, ORS_MODBUS_FRAME_WORDS), 0);
        for (std::int32_t& word : g_reply.frame) word = in.Word();

        const std::vector<std::int32_t> before = response;
        std::uint8_t d1 = 1, d2 = 2, d3 = 3, d4 = 4, d5 = 5, status = 0xAA;
        rq36::ModuleRequest(rq36::kKindModbus, 1, 7, 0x66, 0, d1, d2, d3, d4, d5, status, response.data());

        // A failing library status copies nothing; a failing result alone
        // still lets the reply's words through, but the reply bytes are 0.
        if (g_reply.status != 0) {
            FUZZ_CHECK(status != 0);
            FUZZ_CHECK((d1 | d2 | d3 | d4 | d5) == 0);
            FUZZ_CHECK(response == before);
            continue;
        }
        auto frameWord = [](std::size_t i) { return i < g_reply.frame.size() ? g_reply.frame[i] : 0; };
        const std::int64_t claimed = std::int64_t{frameWord(2)} * 256 + frameWord(3);
        const auto count = static_cast<std::size_t>(std::clamp<std::int64_t>(claimed, 0, ORS_RESPONSE_WORDS));
        for (std::size_t i = 0; i < count; ++i) FUZZ_CHECK(response[i] == frameWord(8 + i));
        for (std::size_t i = count; i < 4; ++i) FUZZ_CHECK(response[i] == 0);
        for (std::size_t i = std::max<std::size_t>(count, 4); i < response.size(); ++i)
            FUZZ_CHECK(response[i] == before[i]);
        if (g_reply.result != 0) {
            FUZZ_CHECK(status != 0);
            FUZZ_CHECK((d1 | d2 | d3 | d4 | d5) == 0);
            continue;
        }
        FUZZ_CHECK(status == 0);
        FUZZ_CHECK(d1 == Low8(frameWord(7)));
        const std::array<std::uint8_t, 4> replyBytes = {d2, d3, d4, d5};
        for (std::size_t i = 0; i < 4; ++i) FUZZ_CHECK(replyBytes[i] == Low8(response[i]));
    }
    return 0;
}
