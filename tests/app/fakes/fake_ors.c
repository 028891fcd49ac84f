/* A stand-in interface library for the tests, built once per name and call
 * shape: FAKE_PREFIX (ORSA_ ...), FAKE_INIT (0 one word, 1 handle only,
 * 2 block), FAKE_MODBUS (Modbus SetConfig/Send), FAKE_NO_VERSION. */
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "fake_ors_script.h"

#define FAKE_PASTE2(a, b) a##b
#define FAKE_PASTE(a, b) FAKE_PASTE2(a, b)
#define FAKE_FN(name) FAKE_PASTE(FAKE_PREFIX, name)

static FakeOrsScript script = {.initHandle = 0x5A5A};

ORS_EXPORT FakeOrsScript* FakeOrs_Script(void) { return &script; }

static void LogCall(const char* format, ...) {
    const size_t used = strlen(script.calls);
    va_list args;
    va_start(args, format);
    vsnprintf(script.calls + used, sizeof script.calls - used, format, args);
    va_end(args);
    strncat(script.calls, "\n", sizeof script.calls - strlen(script.calls) - 1);
}

/* The status of this Send: the scripted failure, or sendStatus. */
static int32_t SendStatus(void) {
    return script.sendCalls == script.failSendAt ? script.failStatus : script.sendStatus;
}

#ifndef FAKE_NO_VERSION
ORS_EXPORT int32_t FAKE_FN(Version)(int32_t* version) {
    ++script.versionCalls;
    if (version) *version = 100;
    return 0;
}
#endif

static int32_t FinishInit(ors_handle_t* handle) {
    ++script.initCalls;
    if (script.initResult == 0) *handle = script.initHandle;
    return script.initResult;
}

#if FAKE_INIT == 0
ORS_EXPORT int32_t FAKE_FN(Init)(ors_handle_t* handle, int32_t param) {
    LogCall("Init %d", param);
    script.initParam = param;
    return FinishInit(handle);
}
#elif FAKE_INIT == 1
ORS_EXPORT int32_t FAKE_FN(Init)(ors_handle_t* handle) {
    LogCall("Init");
    return FinishInit(handle);
}
#else
ORS_EXPORT int32_t FAKE_FN(Init)(ors_handle_t* handle, const int32_t* init) {
    LogCall("Init");
    script.initBlockSeen = 1;
    memcpy(script.initWords, init, sizeof script.initWords);
    if (init[0] == ORS_INIT_TEXT_OFFSET) {
        const char* text = (const char*)init + init[0];
        strncpy(script.initText, text, ORS_INIT_TEXT_MAX);
    }
    return FinishInit(handle);
}
#endif

#if FAKE_MODBUS
ORS_EXPORT int32_t FAKE_FN(SetConfig)(ors_handle_t handle, int32_t speed, uint32_t timeoutMs, uint32_t retries,
                                      int32_t parity) {
    LogCall("SetConfig %d %u %u %d", speed, timeoutMs, retries, parity);
    ++script.setConfigCalls;
    script.lastHandle = handle;
    script.setConfigArgs[0] = speed;
    script.setConfigArgs[1] = (int32_t)timeoutMs;
    script.setConfigArgs[2] = (int32_t)retries;
    script.setConfigArgs[3] = parity;
    return script.setConfigResult;
}
ORS_EXPORT int32_t FAKE_FN(GetConfig)(ors_handle_t handle, int32_t* speed, uint32_t* timeoutMs, uint32_t* retries,
                                      int32_t* parity) {
    (void)handle, (void)speed, (void)timeoutMs, (void)retries, (void)parity;
    return 0;
}
ORS_EXPORT int32_t FAKE_FN(Send)(ors_handle_t handle, const int32_t* request, int32_t requestCount, int32_t* replyFrame,
                                 int32_t* replyCount, int32_t* status) {
    ++script.sendCalls;
    LogCall("Send %d %d %d", request[4], request[5], request[6]);
    script.lastHandle = handle;
    script.requestCount = requestCount;
    memcpy(script.request, request, sizeof script.request);
    memcpy(replyFrame, script.frame, sizeof script.frame);
    *replyCount = script.replyCount;
    *status = SendStatus();
    return script.sendResult;
}
#else
ORS_EXPORT int32_t FAKE_FN(SetConfig)(ors_handle_t handle, int32_t speed, uint32_t timeoutMs, uint32_t retries) {
    LogCall("SetConfig %d %u %u", speed, timeoutMs, retries);
    ++script.setConfigCalls;
    script.lastHandle = handle;
    script.setConfigArgs[0] = speed;
    script.setConfigArgs[1] = (int32_t)timeoutMs;
    script.setConfigArgs[2] = (int32_t)retries;
    return script.setConfigResult;
}
ORS_EXPORT int32_t FAKE_FN(GetConfig)(ors_handle_t handle, int32_t* speed, uint32_t* timeoutMs, uint32_t* retries) {
    (void)handle, (void)speed, (void)timeoutMs, (void)retries;
    return 0;
}
ORS_EXPORT int32_t FAKE_FN(Send)(ors_handle_t handle, const int32_t* request, int32_t* response, int32_t* replyByte,
                                 int32_t* status) {
    ++script.sendCalls;
    LogCall("Send %d %d %d", request[0], request[1], request[2]);
    script.lastHandle = handle;
    script.requestCount = ORS_MESSAGE_BYTES;
    memcpy(script.request, request, ORS_MESSAGE_BYTES * sizeof(int32_t));
    memcpy(response, script.response, sizeof script.response);
    if (script.identity[0] != '\0' && request[2] >= 0 && request[2] < 3) {
        for (int i = 0; i < 4; ++i) response[i] = (unsigned char)script.identity[request[2] * 4 + i];
    }
    *replyByte = script.replyByte;
    *status = SendStatus();
    /* While "waiting for the reply" the host may run what it likes (as a
     * library that lets window messages run); a Send that starts meanwhile
     * is counted. */
    if (++script.sendDepth > 1) ++script.nestedSends;
    if (script.duringSend != NULL) script.duringSend(script.duringSendContext);
    --script.sendDepth;
    return script.sendResult;
}
#endif

ORS_EXPORT int32_t FAKE_FN(Done)(ors_handle_t* handle) {
    LogCall("Done");
    ++script.doneCalls;
    if (script.watchPath[0] != '\0') {
        FILE* f = fopen(script.watchPath, "rb");
        const size_t n = f ? fread(script.watched, 1, sizeof script.watched - 1, f) : 0;
        script.watched[n] = '\0';
        if (f) fclose(f);
    }
    *handle = 0;
    return script.doneResult;
}

ORS_EXPORT int32_t FAKE_FN(Error)(uint32_t code, int32_t* text) {
    script.lastErrorCode = code;
    if (script.errorMode == FAKE_ERROR_UNTERMINATED) {
        for (int i = 0; i < ORS_ERROR_TEXT_WORDS; ++i) text[i] = 'A';
    } else {
        char own[32];
        const char* source = script.errorText;
        if (source[0] == '\0') {
            snprintf(own, sizeof own, "fake chyba %u", code);
            source = own;
        }
        size_t i = 0;
        for (; source[i] != '\0' && i < sizeof script.errorText - 1; ++i) text[i] = (unsigned char)source[i];
        text[i] = 0;
    }
    return script.errorResult;
}
