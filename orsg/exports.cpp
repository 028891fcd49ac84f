// The exported functions of libORSG.so (and libORSC.so): the ORSG_ family
// and the ORSC_ family mapped onto it.  No exception leaves an export.
#include <array>
#include <chrono>
#include <memory>
#include <new>
#include <thread>

#include "card.h"
#include "card_registers.h"
#include "diagnostic_window.h"
#include "exchange.h"
#include "library_state.h"
#include "orsg.h"
#include "result_texts.h"

namespace {

using orsg::LibraryState;

constexpr int32_t kVersion = 100;  // release 1.00
constexpr std::chrono::milliseconds kSetConfigSettle{20};
constexpr int kOrscArrayWords = 100;

// The window is an extra: without one (or when it cannot be made or shown)
// the handle works the same.
void CreateWindow(LibraryState& state) noexcept {
    try {
        state.window = orsg::CreateDiagnosticWindow(state);
    } catch (...) {
        state.window.reset();
    }
}

void ShowWindow(LibraryState& state) noexcept {
    try {
        if (state.window) state.window->Show();
    } catch (...) {}
}

}  // namespace

extern "C" {

int32_t ORSG_Version(int32_t* version) {
    if (version != nullptr) *version = kVersion;
    return ORSG_OK;
}

int32_t ORSG_Init(intptr_t* handle, const int32_t* initParams) {
    if (handle == nullptr || *handle != 0) return ORSG_ERR_HANDLE;
    if (initParams == nullptr) return ORSG_ERR_PARAMS;
    try {
        orsg::StatePtr state(orsg::NewState());
        if (!state) {
            *handle = 0;
            return ORSG_ERR_NO_MEMORY;
        }
        for (std::size_t i = 0; i < state->initParams.size(); ++i) state->initParams[i] = initParams[i];
        state->selectionMode = initParams[0];
        state->bus = initParams[1];
        state->slot = initParams[2];
        state->channel = initParams[3];
        if (static_cast<uint32_t>(state->channel) >= static_cast<uint32_t>(orsg::kChannelCount)) {
            *handle = 0;
            return ORSG_ERR_PARAMS;
        }
        CreateWindow(*state);
        if (const int32_t result = orsg::OpenCard(*state); result != ORSG_OK) {
            *handle = 0;
            return result;  // the window goes with the state
        }
        state->handleValue = reinterpret_cast<intptr_t>(state.get());
        try {
            orsg::RegisterState(state.get());
        } catch (...) {
            orsg::CloseCard(*state);
            *handle = 0;
            return ORSG_ERR_NO_MEMORY;
        }
        if ((initParams[ORSG_INIT_WINDOW_WORD] & ORSG_INIT_SHOW_WINDOW) != 0) ShowWindow(*state);
        *handle = reinterpret_cast<intptr_t>(state.release());
        return ORSG_OK;
    } catch (...) {
        *handle = 0;
        return ORSG_ERR_NO_MEMORY;
    }
}

int32_t ORSG_Done(intptr_t* handle) {
    if (handle == nullptr) return ORSG_ERR_HANDLE;
    LibraryState* state = orsg::TakeState(*handle);
    if (state == nullptr) return ORSG_ERR_HANDLE;
    try {
        if (state->open == 1) orsg::CloseCard(*state);
    } catch (...) {}
    orsg::RetireState(state);  // destroys the window first
    *handle = 0;
    return ORSG_OK;
}

int32_t ORSG_SetConfig(intptr_t handle, int32_t speed, uint32_t timeoutMs, uint32_t retries) {
    LibraryState* state = orsg::StateFromHandle(handle);
    if (state == nullptr) return ORSG_ERR_HANDLE;
    if (timeoutMs > orsg::kMaxTimeoutMs) timeoutMs = orsg::kMaxTimeoutMs;
    if (retries > orsg::kMaxRetries) retries = orsg::kMaxRetries;
    if (!orsg::IsSupportedSpeed(speed)) return ORSG_ERR_SPEED;
    state->speed = speed;
    state->timeoutMs = timeoutMs;
    state->retries = retries;
    try {
        std::this_thread::sleep_for(kSetConfigSettle);
    } catch (...) {}
    return ORSG_OK;
}

int32_t ORSG_GetConfig(intptr_t handle, int32_t* speed, uint32_t* timeoutMs, uint32_t* retries) {
    const LibraryState* state = orsg::StateFromHandle(handle);
    if (state == nullptr) return ORSG_ERR_HANDLE;
    if (speed != nullptr) *speed = state->speed;
    if (timeoutMs != nullptr) *timeoutMs = state->timeoutMs;
    if (retries != nullptr) *retries = state->retries;
    return ORSG_OK;
}

int32_t ORSG_Send(intptr_t handle, const int32_t* request, int32_t* response, int32_t* replyByte, int32_t* status) {
    LibraryState* state = orsg::StateFromHandle(handle);
    if (state == nullptr) return ORSG_ERR_HANDLE;
    if (request == nullptr || response == nullptr || replyByte == nullptr || status == nullptr) return ORSG_ERR_PARAMS;
    try {
        return orsg::SendMessage(*state, request, response, replyByte, status);
    } catch (...) {
        return ORSG_ERR_ACCESS;
    }
}

int32_t ORSG_Send1(intptr_t handle, const int32_t* requestList, int32_t* results, uint32_t count) {
    LibraryState* state = orsg::StateFromHandle(handle);
    if (state == nullptr) return ORSG_ERR_HANDLE;
    if (count < 1 || count > ORSG_MAX_LIST_MESSAGES) return ORSG_ERR_PARAMS;
    if (requestList == nullptr || results == nullptr) return ORSG_ERR_PARAMS;
    try {
        return orsg::SendList(*state, requestList, results, count);
    } catch (...) {
        return ORSG_ERR_ACCESS;
    }
}

int32_t ORSG_Error(uint32_t code, int32_t* text) {
    if (text == nullptr) return ORSG_OK;
    try {
        orsg::WriteResultText(code, text);
    } catch (...) {
        text[0] = 0;
    }
    return ORSG_OK;
}

int32_t ORSC_Version(int32_t* version) { return ORSG_Version(version); }

int32_t ORSC_Init(intptr_t* handle) {
    const std::array<int32_t, ORS_INIT_WORDS> params{};
    return ORSG_Init(handle, params.data());
}

int32_t ORSC_Done(intptr_t* handle) { return ORSG_Done(handle); }

int32_t ORSC_SetConfig(intptr_t handle, int32_t speed, uint32_t timeoutMs, uint32_t retries) {
    return ORSG_SetConfig(handle, speed, timeoutMs, retries);
}

int32_t ORSC_GetConfig(intptr_t handle, int32_t* speed, uint32_t* timeoutMs, uint32_t* retries) {
    return ORSG_GetConfig(handle, speed, timeoutMs, retries);
}

int32_t ORSC_Send(intptr_t handle, const int32_t* request, int32_t* response, int32_t* replyByte, int32_t* status) {
    std::array<int32_t, ORS_REQUEST_WORDS> workRequest{};
    std::array<int32_t, ORS_RESPONSE_WORDS> workResponse{};
    int32_t result = ORSG_ERR_PARAMS;
    if (orsg::StateFromHandle(handle) == nullptr) {
        result = ORSG_ERR_HANDLE;
    } else if (request != nullptr && response != nullptr) {
        for (int i = 0; i < kOrscArrayWords; ++i) workRequest[static_cast<std::size_t>(i)] = request[i];
        result = ORSG_Send(handle, workRequest.data(), workResponse.data(), replyByte, status);
    }
    // Elements the exchange did not fill (all of them after a failure) come
    // back as zero.
    if (response != nullptr)
        for (int i = 0; i < kOrscArrayWords; ++i) response[i] = workResponse[static_cast<std::size_t>(i)];
    return result;
}

int32_t ORSC_Error(uint32_t code, int32_t* text) { return ORSG_Error(code, text); }

int32_t ORSC_SetLog(int32_t, int32_t) { return ORSG_OK; }

}  // extern "C"
