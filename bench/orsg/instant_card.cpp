// A card driver that answers at once and does next to nothing, for measuring
// ORSG's own cost.  Jobs are finished by the time the command register is
// first read; channel 0's read port returns the byte's position in the burst
// (so every exchange reports status 0).
#include <array>

#include "varnel_ox952.h"

namespace {

std::array<int32_t, 0x400 / 4> g_registers{};
// Read port: byte k of the slot read since the read address was set.  The
// slot's status byte (k = 0) is 0, an exchange that succeeded.
uint8_t g_port = 0;

}  // namespace

extern "C" {

int32_t OX952_CardsInSystem(int32_t* count) {
    *count = 1;
    return 0;
}
int32_t OX952_Card_DID(int32_t, int32_t* did) {
    *did = OX952_DID_ORSG;
    return 0;
}
int32_t OX952_Card_BUS(int32_t, int32_t* bus) {
    *bus = 2;
    return 0;
}
int32_t OX952_Card_SLOT(int32_t, int32_t* slot) {
    *slot = 5;
    return 0;
}
int32_t OX952_OpenMulti(int32_t, int32_t) { return 0; }
int32_t OX952_BAR11_BaseAdr(int32_t, uintptr_t* bar1, uintptr_t* second) {
    *bar1 = 0x5000;
    *second = 0;
    return 0;
}
int32_t OX952_MemWrite(uintptr_t, int32_t offset, int32_t value) {
    // Command register: the start-up request is echoed, a job is done at once.
    if (offset == 0x14) g_port = 0;  // read address, low byte
    const bool command = (offset & 0x3F) == 0x38 && offset < 0x100;
    g_registers[static_cast<std::size_t>(offset >> 2) & 0xFF] = command && value == 1 ? 0 : value;
    return 0;
}
int32_t OX952_MemRead(uintptr_t, int32_t offset) {
    if ((offset & 0x3F) == 0x38 && offset < 0x100) return g_registers[static_cast<std::size_t>(offset >> 2) & 0xFF];
    return g_port++;
}
int32_t OX952_Close(int32_t) { return 0; }

}  // extern "C"
