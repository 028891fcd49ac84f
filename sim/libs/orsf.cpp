// libORSF.so: Modbus RTU on a COM port.  The request is a Modbus frame of
// function 69 carrying the eight message bytes; the reply a frame as well.
#include "standin.h"

using rq36sim::StandIn;
namespace si = rq36sim::standin;

extern "C" {

ORS_EXPORT int32_t ORSF_Version(int32_t* version) { return RQ36_STANDIN_GUARDED(si::version(StandIn::Orsf, version)); }

ORS_EXPORT int32_t ORSF_Init(ors_handle_t* handle, int32_t comPort) {
    return si::guarded(si::kErrNoMemory, [&] { return si::initComPort(StandIn::Orsf, handle, comPort); });
}

ORS_EXPORT int32_t ORSF_Done(ors_handle_t* handle) { return RQ36_STANDIN_GUARDED(si::done(StandIn::Orsf, handle)); }

ORS_EXPORT int32_t ORSF_SetConfig(ors_handle_t h, int32_t speed, uint32_t timeoutMs, uint32_t retries,
                                  int32_t parity) {
    return RQ36_STANDIN_GUARDED(si::setModbusConfig(h, speed, timeoutMs, retries, parity));
}

ORS_EXPORT int32_t ORSF_GetConfig(ors_handle_t h, int32_t* speed, uint32_t* timeoutMs, uint32_t* retries,
                                  int32_t* parity) {
    return RQ36_STANDIN_GUARDED(si::getModbusConfig(h, speed, timeoutMs, retries, parity));
}

ORS_EXPORT int32_t ORSF_Send(ors_handle_t h, const int32_t* request, int32_t requestCount, int32_t* replyFrame,
                             int32_t* replyCount, int32_t* status) {
    return RQ36_STANDIN_GUARDED(si::modbusSend(h, request, requestCount, replyFrame, replyCount, status));
}

ORS_EXPORT int32_t ORSF_Error(uint32_t code, int32_t* text) { return RQ36_STANDIN_GUARDED(si::errorText(code, text)); }

}  // extern "C"
