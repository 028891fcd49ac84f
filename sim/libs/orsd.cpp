// libORSD.so: USB converter ORS-D, Vextbus-2.  Init takes the handle alone.
#include "standin.h"

RQ36_STANDIN_VEXTBUS_EXPORTS(ORSD, rq36sim::StandIn::Orsd)

extern "C" ORS_EXPORT int32_t ORSD_Init(ors_handle_t* handle) {
    return rq36sim::standin::Guarded(rq36sim::standin::kErrNoMemory,
                                     [&] { return rq36sim::standin::InitPlain(rq36sim::StandIn::Orsd, handle); });
}
