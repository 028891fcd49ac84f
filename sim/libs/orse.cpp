// libORSE.so: LAN converter ORS-E (UDP), Vextbus-2.  Init takes the
// parameter block with the converter's address text; no network traffic.
#include "standin.h"

RQ36_STANDIN_VEXTBUS_EXPORTS(ORSE, rq36sim::StandIn::Orse)

extern "C" ORS_EXPORT int32_t ORSE_Init(ors_handle_t* handle, const int32_t* initBlock) {
    return rq36sim::standin::Guarded(rq36sim::standin::kErrNoMemory,
                                     [&] { return rq36sim::standin::InitLan(handle, initBlock); });
}
