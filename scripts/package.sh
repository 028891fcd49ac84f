#!/usr/bin/env bash
# Builds the Debian packages of W_RQ36 (release build for /usr) and checks
# them with lintian.  The packages land in build/package/packages:
#   w-rq36_<version>_<arch>.deb            the program, ORSG, launcher, manual
#   w-rq36-simulator_<version>_<arch>.deb  the simulated module and interfaces
#   liborsg-dev_<version>_<arch>.deb       ORSG's header for other programs
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
cmake --preset package >/dev/null
cmake --build --preset package -j "${RQ36_JOBS:-2}"
rm -f build/package/packages/*.deb
(cd build/package && cpack)
# Any error or warning fails; the remaining notes are explained in README.
lintian --fail-on error,warning --info build/package/packages/*.deb
ls -1 build/package/packages/*.deb
