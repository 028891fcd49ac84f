#!/usr/bin/env bash
# Installs what is missing, builds the release build and starts W_RQ36 on its
# simulated module (the stand-in libraries sit beside the program).
#
# Kind 5 (Modbus RTU) uses the real libORSF.so.  Unless RQ36_COM1 already
# names a device, the simulated module is served on a pseudo-terminal and
# port 1 is mapped to it, so "Modbus RTU" on port 1 connects without
# hardware; the simulator ends with the program.
#
# The simulated modules' front panel (rq36-sim-panel) opens beside the
# program and closes with it; RQ36_SIM_PANEL=0 leaves it out.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
bin=build/release/bin
if [ -z "${RQ36_COM1:-}" ]; then
  coproc MODBUS_SIM { exec "$bin/rq36-modbus-sim" --exit-with-parent; }
  read -r device <&"${MODBUS_SIM[0]}"
  export RQ36_COM1="$device"
  echo "Modbus RTU, port 1: simulated module on $device"
fi
panel=""
if [ "${RQ36_SIM_PANEL:-1}" != 0 ]; then
  "$bin/rq36-sim-panel" &
  panel=$!
fi
status=0
"$bin/W_RQ36" "$@" || status=$?
if [ -n "$panel" ]; then kill "$panel" 2>/dev/null || true; fi
exit "$status"
