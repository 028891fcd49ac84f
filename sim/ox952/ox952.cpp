// Placeholder: a driver library that sees no card.
#include "varnel_ox952.h"

extern "C" {
int32_t OX952_CardsInSystem(int32_t* count) { if (count) *count = 0; return 0; }
int32_t OX952_Card_DID(int32_t, int32_t*) { return 1; }
int32_t OX952_Card_BUS(int32_t, int32_t*) { return 1; }
int32_t OX952_Card_SLOT(int32_t, int32_t*) { return 1; }
int32_t OX952_OpenMulti(int32_t, int32_t) { return 1; }
int32_t OX952_BAR11_BaseAdr(int32_t, uintptr_t*, uintptr_t*) { return 1; }
int32_t OX952_MemWrite(uintptr_t, int32_t, int32_t) { return 0; }
int32_t OX952_MemRead(uintptr_t, int32_t) { return 0; }
int32_t OX952_Close(int32_t) { return 0; }
}
