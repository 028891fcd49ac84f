// libORSA.so: standard COM port, Vextbus-2.  Init takes the COM port number.
#include "standin.h"

RQ36_STANDIN_VEXTBUS_EXPORTS(ORSA, rq36sim::StandIn::Orsa)

extern "C" ORS_EXPORT int32_t ORSA_Init(ors_handle_t* handle, int32_t comPort) {
    return rq36sim::standin::Guarded(rq36sim::standin::kErrNoMemory, [&] {
        return rq36sim::standin::InitComPort(rq36sim::StandIn::Orsa, handle, comPort);
    });
}
