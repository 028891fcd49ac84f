#!/usr/bin/env bash
# Installs what is missing, builds the release build and starts W_RQ36 on its
# simulated module (the stand-in libraries sit beside the program).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
exec build/release/bin/W_RQ36 "$@"
