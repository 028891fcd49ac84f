// The machinery shared by the stand-in interface libraries ORSA, ORSB, ORSD
// and ORSE: argument checks, handles, line parameters, the exchange
// with the module model on the library's line, result codes and texts.
// Each library's exports are thin wrappers over these functions.
#pragma once

#include <cstdint>

#include "ors_contract.h"
#include "sim_config.h"

namespace rq36sim::standin {

// Result codes; 2..9 are also the status of an exchange.
enum Result : std::int32_t {
    kOk = 0,
    kErrSpeed = 1,
    kErrNoMemory = 10,
    kErrParams = 11,
    kErrHandle = 12,
    kErrAccess = 13,
    kErrComPort = 20,
    kErrIsaBase = 21,
    kErrIpAddress = 22,
    kErrUdpPort = 23,
    kErrUdpTimeout = 24,
    kErrIpVersion = 25,
    kErrTimeout = 26,
    kErrRetries = 27,
    kErrNoDevice = 30,
};

inline constexpr std::uint32_t kMaxTimeoutMs = 60000;
inline constexpr std::uint32_t kMaxRetries = 15;

std::int32_t Version(StandIn lib, std::int32_t* out);

std::int32_t InitComPort(StandIn lib, ors_handle_t* handle, std::int32_t port);  // ORSA
std::int32_t InitIsa(ors_handle_t* handle, std::int32_t base);                   // ORSB
std::int32_t InitPlain(StandIn lib, ors_handle_t* handle);                       // ORSD
std::int32_t InitLan(ors_handle_t* handle, const std::int32_t* block);           // ORSE
std::int32_t Done(StandIn lib, ors_handle_t* handle);

std::int32_t SetConfig(StandIn lib, ors_handle_t h, std::int32_t speed, std::uint32_t timeoutMs, std::uint32_t retries);
std::int32_t GetConfig(StandIn lib, ors_handle_t h, std::int32_t* speed, std::uint32_t* timeoutMs,
                       std::uint32_t* retries);

std::int32_t Send(StandIn lib, ors_handle_t h, const std::int32_t* request, std::int32_t* response,
                  std::int32_t* replyByte, std::int32_t* status);

// Text of a result code: Windows-1250, one character per element, then two
// zero elements; at most ORS_ERROR_TEXT_WORDS elements.
std::int32_t ErrorText(std::uint32_t code, std::int32_t* text);

// The body of an export: anything thrown inside the simulator (it ran out of
// memory, say) becomes the result `onError` instead of crossing the C
// boundary into the host.
template <typename F>
std::int32_t Guarded(std::int32_t onError, F&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return onError;
    }
}

}  // namespace rq36sim::standin

// Defines the Vextbus-2 exports shared by ORSA, ORSB, ORSD and ORSE
// (everything but Init) for a prefix and its StandIn value.
#define RQ36_STANDIN_GUARDED(CALL) rq36sim::standin::Guarded(rq36sim::standin::kErrAccess, [&] { return CALL; })
#define RQ36_STANDIN_VEXTBUS_EXPORTS(PREFIX, LIB)                                                                   \
    extern "C" {                                                                                                    \
    ORS_EXPORT int32_t PREFIX##_Version(int32_t* version) {                                                         \
        return RQ36_STANDIN_GUARDED(rq36sim::standin::Version(LIB, version));                                       \
    }                                                                                                               \
    ORS_EXPORT int32_t PREFIX##_Done(ors_handle_t* handle) {                                                        \
        return RQ36_STANDIN_GUARDED(rq36sim::standin::Done(LIB, handle));                                           \
    }                                                                                                               \
    ORS_EXPORT int32_t PREFIX##_SetConfig(ors_handle_t h, int32_t speed, uint32_t timeoutMs, uint32_t retries) {    \
        return RQ36_STANDIN_GUARDED(rq36sim::standin::SetConfig(LIB, h, speed, timeoutMs, retries));                \
    }                                                                                                               \
    ORS_EXPORT int32_t PREFIX##_GetConfig(ors_handle_t h, int32_t* speed, uint32_t* timeoutMs, uint32_t* retries) { \
        return RQ36_STANDIN_GUARDED(rq36sim::standin::GetConfig(LIB, h, speed, timeoutMs, retries));                \
    }                                                                                                               \
    ORS_EXPORT int32_t PREFIX##_Send(ors_handle_t h, const int32_t* request, int32_t* response, int32_t* replyByte, \
                                     int32_t* status) {                                                             \
        return RQ36_STANDIN_GUARDED(rq36sim::standin::Send(LIB, h, request, response, replyByte, status));          \
    }                                                                                                               \
    ORS_EXPORT int32_t PREFIX##_Error(uint32_t code, int32_t* text) {                                               \
        return RQ36_STANDIN_GUARDED(rq36sim::standin::ErrorText(code, text));                                       \
    }                                                                                                               \
    }
