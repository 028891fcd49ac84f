#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test through CTest:
# the debug build first, then the AddressSanitizer + UBSan build, then the
# test of hosts on several threads under ThreadSanitizer (scripts/tsan.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
jobs=${RQ36_JOBS:-2}
for preset in debug asan; do
  echo "=== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done
echo "=== tsan"
scripts/tsan.sh
