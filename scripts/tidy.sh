#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy) over the project's sources with the debug
# build's compile commands.  Slow on two cores: not part of CI.
#   scripts/tidy.sh              every source of app, common, orsf, orsg, sim, fuzz
#   scripts/tidy.sh app/live     the sources under the folders named
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset debug >/dev/null
# Moc and the generated headers exist only after a build.
cmake --build --preset debug -j "${RQ36_JOBS:-2}" >/dev/null
# clang does not know some of gcc's options (Qt asks for -fno-gnu-unique);
# every source once (the fuzz replay programs share one).
db=$(mktemp -d)
trap 'rm -rf "$db"' EXIT
python3 - build/debug/compile_commands.json "$db/compile_commands.json" <<'PY'
import json, sys
seen, out = set(), []
for entry in json.load(open(sys.argv[1])):
    if entry["file"] in seen:
        continue
    seen.add(entry["file"])
    entry["command"] = entry["command"].replace(" -fno-gnu-unique", "")
    out.append(entry)
json.dump(out, open(sys.argv[2], "w"))
PY
folders=("$@")
[ ${#folders[@]} -eq 0 ] && folders=(app common orsf orsg sim fuzz)
pattern=$(printf '%s|' "${folders[@]}")
run-clang-tidy -quiet -p "$db" -j "${RQ36_JOBS:-2}" "$PWD/(${pattern%|})/.*\\.(cpp|c)$"
