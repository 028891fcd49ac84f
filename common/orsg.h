/*
 * ORSG, the interface library of the ORS-G PCI card (libORSG.so), and the
 * ORS-C compatibility family it exports (also built as libORSC.so).
 * Result codes and texts: ORSG_Error.
 */
#ifndef RQ36_ORSG_H
#define RQ36_ORSG_H

#include "ors_contract.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes; 2..9 are also the card's status of an exchange. */
enum {
    ORSG_OK = 0,
    ORSG_ERR_SPEED = 1,
    ORSG_ERR_LINES = 2,
    ORSG_ERR_SENDING = 3,
    ORSG_ERR_NO_REPLY = 4,
    ORSG_ERR_NO_VALID_REPLY = 5,
    ORSG_ERR_REPLY_BROKEN = 6,
    ORSG_ERR_PARITY = 7,
    ORSG_ERR_HEADER = 8,
    ORSG_ERR_CHECKSUM = 9,
    ORSG_ERR_NO_MEMORY = 10,
    ORSG_ERR_PARAMS = 11,
    ORSG_ERR_HANDLE = 12,
    ORSG_ERR_ACCESS = 13,
    ORSG_ERR_DRIVER = 14,
    ORSG_ERR_NO_CARD = 15,
    ORSG_ERR_NO_WANTED_CARD = 16
};

#define ORSG_MAX_LIST_MESSAGES 128

/* InitParams element 15: this bit shows the diagnostic window at Init. */
#define ORSG_INIT_WINDOW_WORD 15
#define ORSG_INIT_SHOW_WINDOW 0x100

ORS_EXPORT int32_t ORSG_Version(int32_t* version);
ORS_EXPORT int32_t ORSG_Init(intptr_t* handle, const int32_t* initParams /* 16 */);
ORS_EXPORT int32_t ORSG_Done(intptr_t* handle);
ORS_EXPORT int32_t ORSG_SetConfig(intptr_t handle, int32_t speed, uint32_t timeoutMs, uint32_t retries);
ORS_EXPORT int32_t ORSG_GetConfig(intptr_t handle, int32_t* speed, uint32_t* timeoutMs, uint32_t* retries);
ORS_EXPORT int32_t ORSG_Send(intptr_t handle, const int32_t* request /* 1024 */, int32_t* response /* >= 16 */,
                             int32_t* replyByte, int32_t* status);
ORS_EXPORT int32_t ORSG_Send1(intptr_t handle, const int32_t* requestList /* 1024 */,
                              int32_t* results /* 8 per message */, uint32_t count);
ORS_EXPORT int32_t ORSG_Error(uint32_t code, int32_t* text /* 101 */);

ORS_EXPORT int32_t ORSC_Version(int32_t* version);
ORS_EXPORT int32_t ORSC_Init(intptr_t* handle);
ORS_EXPORT int32_t ORSC_Done(intptr_t* handle);
ORS_EXPORT int32_t ORSC_SetConfig(intptr_t handle, int32_t speed, uint32_t timeoutMs, uint32_t retries);
ORS_EXPORT int32_t ORSC_GetConfig(intptr_t handle, int32_t* speed, uint32_t* timeoutMs, uint32_t* retries);
ORS_EXPORT int32_t ORSC_Send(intptr_t handle, const int32_t* request /* 100 */, int32_t* response /* 100 */,
                             int32_t* replyByte, int32_t* status);
ORS_EXPORT int32_t ORSC_Error(uint32_t code, int32_t* text /* 101 */);
ORS_EXPORT int32_t ORSC_SetLog(int32_t a, int32_t b);

#ifdef __cplusplus
}
#endif

#endif /* RQ36_ORSG_H */
