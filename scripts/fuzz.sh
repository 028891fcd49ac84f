#!/usr/bin/env bash
# A short fuzzing campaign: installs clang when missing, builds the libFuzzer
# programs (preset `fuzz`: clang, ASan + UBSan) and runs each target for a
# few seconds, starting from its seed corpus and the inputs that once found a
# fault.  New inputs go to build/fuzz/corpus/<target>, a failing input to
# build/fuzz/artifacts/<target>/.  See docs/fuzzing.md.
#
#   scripts/fuzz.sh                 every target, 10 s each
#   scripts/fuzz.sh 60 settings_file int_text
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
shift || true
targets=("$@")
((${#targets[@]})) || targets=(settings_file int_text cp1250 modbus_reply sim_config sim_state)

scripts/setup-deps.sh fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "${RQ36_JOBS:-2}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/.ci/lsan.supp:print_suppressions=0}
# The settings file target saves files (QSaveFile syncs them to disk): a
# memory file system keeps that quick.
[ -d /dev/shm ] && [ -w /dev/shm ] && export TMPDIR=${RQ36_FUZZ_TMPDIR:-/dev/shm}
failed=()
for t in "${targets[@]}"; do
  work=build/fuzz/corpus/$t
  artifacts=build/fuzz/artifacts/$t
  mkdir -p "$work" "$artifacts"
  inputs=("fuzz/corpus/$t")
  [ -d "fuzz/regressions/$t" ] && inputs+=("fuzz/regressions/$t")
  log=build/fuzz/$t.log
  echo "=== $t (${seconds} s)"
  if build/fuzz/fuzz/fuzz_$t -max_total_time="$seconds" -print_final_stats=1 \
       -artifact_prefix="$artifacts/" "$work" "${inputs[@]}" >"$log" 2>&1; then
    runs=$(grep -m1 'stat::number_of_executed_units' "$log" | awk '{print $2}')
    echo "    ${runs:-?} runs, no fault"
  else
    failed+=("$t")
    echo "    FAULT: see $log; the input is in $artifacts/"
    echo "    keep it as a regression case: copy it into fuzz/regressions/$t/"
  fi
done
if ((${#failed[@]})); then
  echo "faults found by: ${failed[*]}"
  exit 1
fi
