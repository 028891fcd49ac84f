#!/usr/bin/env bash
# The test of hosts calling from several threads, under ThreadSanitizer:
# configures the preset `tsan` (build/tsan), builds only what that test
# needs (libORSG.so, the card driver with the emulated card, the test) and
# runs it.  A race fails it.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${RQ36_JOBS:-2}
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs"
ctest --preset tsan -j "$jobs"
