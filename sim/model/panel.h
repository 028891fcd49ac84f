// The front panel of the simulated modules: a text protocol over a world's
// modules (a world = the simulated hardware of one library or of
// rq36-modbus-sim), served on a local channel (panel_channel.h) and driven
// by rq36-sim-panel.  One request a line, the reply's lines end with a line
// "ok" or "error <why>"; see docs/simulator.md.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "module.h"

namespace rq36sim {

// Carries out one request on the modules of a world:
//   get                          every module: "module <id>", then its report
//   set [<module>/]<key>=<value> a change (Module::PanelSet); the first module
//                                when none is named
//   help
std::string PanelReply(const std::vector<Module*>& modules, std::string_view request, Clock::time_point now);

}  // namespace rq36sim
