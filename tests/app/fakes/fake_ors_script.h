/* The script of the stand-in interface library the binding and request
 * tests load: the test fills in what the library answers and reads back what
 * it was asked.  FakeOrs_Script() of a loaded copy returns its script. */
#ifndef RQ36_FAKE_ORS_SCRIPT_H
#define RQ36_FAKE_ORS_SCRIPT_H

#include <stdint.h>

#include "ors_contract.h"

#ifdef __cplusplus
extern "C" {
#endif

enum FakeErrorMode {
    FAKE_ERROR_TEXT = 0,        /* errorText from word 0, zero-ended */
    FAKE_ERROR_UNTERMINATED = 1 /* ORS_ERROR_TEXT_WORDS words of 'A', no zero */
};

typedef struct FakeOrsScript {
    /* answers */
    int32_t initResult;
    ors_handle_t initHandle; /* stored by a successful Init */
    int32_t setConfigResult;
    int32_t sendResult;
    int32_t sendStatus;
    int32_t replyByte;
    int32_t response[16];
    int32_t frame[ORS_MODBUS_FRAME_WORDS]; /* Modbus: the reply frame written */
    int32_t replyCount;
    int32_t doneResult;
    int32_t errorResult;
    int32_t errorMode;
    char errorText[128]; /* empty: "fake chyba <code>" */
    int32_t failSendAt;  /* the n-th Send (from 1) answers failStatus; 0 never */
    int32_t failStatus;
    char identity[13];   /* set: Send answers characters 4 * d0 .. 4 * d0 + 3 */
    char watchPath[256]; /* set: Done copies this file's content into watched */
    /* what the library saw */
    int32_t initCalls;
    int32_t doneCalls;
    int32_t setConfigCalls;
    int32_t sendCalls;
    int32_t versionCalls;
    int32_t initParam;     /* the word of the one-word Init */
    int32_t initBlockSeen; /* 1 when Init received a block */
    int32_t initWords[ORS_INIT_WORDS];
    char initText[ORS_INIT_TEXT_MAX + 1];
    int32_t setConfigArgs[5];
    ors_handle_t lastHandle;
    int32_t request[ORS_MODBUS_REQUEST_WORDS];
    int32_t requestCount;
    uint32_t lastErrorCode;
    char watched[1024];
    char calls[2048]; /* one line per call: "Init 4", "SetConfig 9600 500 2", "Send 1 200 0", "Done" */
    /* Vextbus Send: called while the request is "on the line" */
    void (*duringSend)(void* context);
    void* duringSendContext;
    int32_t sendDepth;   /* Sends in progress */
    int32_t nestedSends; /* Sends that started while another was in progress */
} FakeOrsScript;

typedef FakeOrsScript* (*fake_ors_script_fn)(void);

#ifdef __cplusplus
}
#endif

#endif
