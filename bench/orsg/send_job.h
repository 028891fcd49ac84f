// The pieces the ORSG_Send measurements share: the bare driver calls of one
// job, an open handle, the request.
#pragma once

#include <array>
#include <cstdint>

#include "library_state.h"
#include "orsg.h"
#include "varnel_ox952.h"

namespace orsg_bench {

// The driver calls of one single-message job on channel 0, nothing else.
inline void BareJob(uintptr_t bar, const int32_t* request, int32_t* response, int32_t* replyByte, int32_t* status) {
    OX952_MemWrite(bar, 0x04, 0);
    OX952_MemWrite(bar, 0x08, 0);
    OX952_MemWrite(bar, 0x1C, 3);
    for (int i = 0; i < 8; ++i) OX952_MemWrite(bar, 0x00, request[i] & 0xFF);
    OX952_MemWrite(bar, 0x04, 0xF6);
    OX952_MemWrite(bar, 0x08, 0x03);
    const int32_t block[8] = {0, 0, 4, 0, 2, 0, 0xC8, 0};
    for (int32_t b : block) OX952_MemWrite(bar, 0x00, b);
    OX952_MemWrite(bar, 0x20, 0);
    OX952_MemWrite(bar, 0x24, 0);
    OX952_MemWrite(bar, 0x38, 1);
    while (OX952_MemRead(bar, 0x38) != 0) {
    }
    OX952_MemWrite(bar, 0x14, 0);
    OX952_MemWrite(bar, 0x18, 0);
    OX952_MemWrite(bar, 0x1C, 3);
    uint8_t slotStatus[16];
    for (auto& b : slotStatus) b = static_cast<uint8_t>(OX952_MemRead(bar, 0x10));
    for (int i = 0; i < 16; ++i) response[i] = static_cast<uint8_t>(OX952_MemRead(bar, 0x10));
    *status = slotStatus[0];
    *replyByte = slotStatus[1];
}

// An open handle on EUART1 of the first card, closed at the end.
struct Handle {
    // initParams element 15; 0x100 shows the diagnostic window.
    explicit Handle(int32_t windowBits = 0) {
        std::array<int32_t, 16> params{};
        params[15] = windowBits;
        if (ORSG_Init(&h, params.data()) != ORSG_OK) h = 0;
    }
    ~Handle() {
        if (h != 0) ORSG_Done(&h);
    }
    uintptr_t Bar1() const { return reinterpret_cast<const orsg::LibraryState*>(h)->bar1; }
    intptr_t h = 0;
};

inline std::array<int32_t, 1024> Request() {
    std::array<int32_t, 1024> r{};
    r[0] = 1;
    r[1] = 0x66;
    r[4] = 0x3F;
    return r;
}

}  // namespace orsg_bench
