/*
 * The ORS-G card's driver library, libVARNEL_OX952.so.  ORSG links against
 * it at load time.  All functions but OX952_MemRead return 0 on success.
 * A failing memory access shows as a C++ exception (std::runtime_error)
 * thrown out of OX952_MemRead or OX952_MemWrite.
 */
#ifndef RQ36_VARNEL_OX952_H
#define RQ36_VARNEL_OX952_H

#include "ors_contract.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Device identifier of an ORS-G card. */
#define OX952_DID_ORSG 0x401

ORS_EXPORT int32_t OX952_CardsInSystem(int32_t* count);
ORS_EXPORT int32_t OX952_Card_DID(int32_t card, int32_t* did);
ORS_EXPORT int32_t OX952_Card_BUS(int32_t card, int32_t* bus);
ORS_EXPORT int32_t OX952_Card_SLOT(int32_t card, int32_t* slot);
ORS_EXPORT int32_t OX952_OpenMulti(int32_t card, int32_t reserved);
ORS_EXPORT int32_t OX952_BAR11_BaseAdr(int32_t card, uintptr_t* bar1, uintptr_t* second);
ORS_EXPORT int32_t OX952_MemWrite(uintptr_t bar1, int32_t offset, int32_t value);
ORS_EXPORT int32_t OX952_MemRead(uintptr_t bar1, int32_t offset);
ORS_EXPORT int32_t OX952_Close(int32_t card);

#ifdef __cplusplus
}
#endif

#endif /* RQ36_VARNEL_OX952_H */
