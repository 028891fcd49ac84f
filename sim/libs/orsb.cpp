// libORSB.so: ISA card ORS-B, Vextbus-2.  Init takes the card's I/O base.
#include "standin.h"

RQ36_STANDIN_VEXTBUS_EXPORTS(ORSB, rq36sim::StandIn::Orsb)

extern "C" ORS_EXPORT int32_t ORSB_Init(ors_handle_t* handle, int32_t isaBase) {
    return rq36sim::standin::Guarded(rq36sim::standin::kErrNoMemory,
                                     [&] { return rq36sim::standin::InitIsa(handle, isaBase); });
}
