#!/usr/bin/env bash
# Installs what is missing, builds the release build and starts W_RQ36 on its
# simulated module (the stand-in libraries sit beside the program).
#
# Kind 5 (Modbus RTU) uses the real libORSF.so.  Unless RQ36_COM1 already
# names a device, the simulated module is served on a pseudo-terminal and
# port 1 is mapped to it, so "Modbus RTU" on port 1 connects without
# hardware; the simulator ends with the program.
#
#   scripts/run.sh                 W_RQ36
#   scripts/run.sh rq36 ARGS...    the command-line tool in the same world,
#                                  e.g. scripts/run.sh rq36 --interface modbus identify
#
# The simulated modules' front panel (rq36-sim-panel) opens beside the
# program and closes with it; RQ36_SIM_PANEL=0 leaves it out.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
bin=build/release/bin
# Messages of this script: rq36's standard output carries only its result.
if [ "${1:-}" = rq36 ]; then exec 3>&2; else exec 3>&1; fi
if [ -z "${RQ36_COM1:-}" ]; then
  coproc MODBUS_SIM { exec "$bin/rq36-modbus-sim" --exit-with-parent; }
  read -r device <&"${MODBUS_SIM[0]}"
  export RQ36_COM1="$device"
  echo "Modbus RTU, port 1: simulated module on $device" >&3
fi
if [ "${1:-}" = rq36 ]; then
  shift
  exec "$bin/rq36" "$@"
fi
echo "rq36 beside it: RQ36_COM1=$RQ36_COM1 $bin/rq36 identify" >&3
panel=""
if [ "${RQ36_SIM_PANEL:-1}" != 0 ]; then
  "$bin/rq36-sim-panel" &
  panel=$!
fi
status=0
"$bin/W_RQ36" "$@" || status=$?
if [ -n "$panel" ]; then kill "$panel" 2>/dev/null || true; fi
exit "$status"
