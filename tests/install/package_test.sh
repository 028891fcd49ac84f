#!/usr/bin/env bash
# Builds the Debian packages from the build and checks their file lists and
# dependencies; where it may (root, dpkg free, program not installed
# already), installs them, starts the installed program and removes them.
#   package_test.sh <build dir> <library dir (relative)>
set -euo pipefail
build=$1 libdir=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$tmp" >"$tmp/cpack.log" 2>&1 || { cat "$tmp/cpack.log"; fail "cpack"; }
arch=$(dpkg --print-architecture)
main=$tmp/w-rq36_1.06_${arch}.deb sim=$tmp/w-rq36-simulator_1.06_${arch}.deb dev=$tmp/liborsg-dev_1.06_${arch}.deb
for deb in "$main" "$sim" "$dev"; do [ -f "$deb" ] || fail "no $(basename "$deb")"; done

files() { dpkg-deb -c "$1" | awk '{print $6}' | sed 's|^\./|/|'; }
private=/usr/$libdir/w-rq36
for f in /usr/bin/W_RQ36 /usr/bin/rq36 /usr/share/man/man1/rq36.1.gz /usr/share/bash-completion/completions/rq36 \
         "$private/libORSG.so" "$private/libORSC.so" "$private/libORSF.so" \
         /usr/share/applications/com.example.w_rq36.desktop \
         /usr/share/icons/hicolor/scalable/apps/com.example.w_rq36.svg \
         /usr/share/metainfo/com.example.w_rq36.metainfo.xml /usr/share/doc/w-rq36/W_rq36_Napoveda.pdf \
         /usr/share/doc/w-rq36/copyright /usr/share/doc/w-rq36/changelog.gz /usr/share/man/man1/W_RQ36.1.gz; do
  files "$main" | grep -qx "$f" || fail "w-rq36 lacks $f"
done
files "$main" | grep -E 'libORS[ABDE]\.so|VARNEL|modbus-sim|sim-panel|include/' && fail "w-rq36 carries another package's files"
for f in libORSA.so libORSB.so libORSD.so libORSE.so libVARNEL_OX952.so rq36-modbus-sim; do
  files "$sim" | grep -qx "$private/$f" || fail "w-rq36-simulator lacks $f"
done
for f in /usr/bin/rq36-sim-panel /usr/share/man/man1/rq36-sim-panel.1.gz; do
  files "$sim" | grep -qx "$f" || fail "w-rq36-simulator lacks $f"
done
files "$dev" | grep -qx /usr/include/orsg/orsg.h || fail "liborsg-dev lacks orsg.h"

depends=$(dpkg-deb -f "$main" Depends)
for d in libc6 libqt6widgets6 libqt6gui6 libqt6core6; do
  grep -q "$d" <<<"$depends" || fail "w-rq36 does not depend on $d: $depends"
done
grep -q 'w-rq36 (= 1.06)' <<<"$(dpkg-deb -f "$sim" Depends)" || fail "simulator not tied to its program"
echo "packages: file lists and dependencies as expected ($depends)"

# Installing needs root, a free dpkg and no w-rq36 of the user's own.
if [ "$(id -u)" -ne 0 ]; then echo "SKIP install/remove: not root"; exit 77; fi
if dpkg-query -W -f='${Status}' w-rq36 2>/dev/null | grep -q installed; then
  echo "SKIP install/remove: w-rq36 is installed on this machine already"; exit 77
fi
if ! dpkg -i "$main" "$sim" >"$tmp/dpkg.log" 2>&1; then
  if grep -qi 'lock' "$tmp/dpkg.log"; then echo "SKIP install/remove: dpkg is busy (locked)"; exit 77; fi
  cat "$tmp/dpkg.log"
  dpkg -r w-rq36-simulator w-rq36 >/dev/null 2>&1 || true
  fail "dpkg -i"
fi
out=$(cd "$tmp" && env -i PATH=/usr/bin:/bin HOME="$tmp" QT_QPA_PLATFORM=offscreen RQ36_SIM_STATE=:memory: \
      RQ36_SIM_INSTANT=1 RQ36_BIND_PROBE=6 W_RQ36 2>/dev/null || true)
dpkg -r w-rq36-simulator w-rq36 >"$tmp/dpkg.log" 2>&1 || { cat "$tmp/dpkg.log"; fail "dpkg -r"; }
read -r word kind result from <<<"$out" || true
[ "$word $kind $result" = "bind 6 0" ] && [ "$(realpath -m "$from")" = "$private/libORSG.so" ] ||
  fail "installed program: '$out'"
[ ! -e /usr/bin/W_RQ36 ] && [ ! -e "$private" ] || fail "files left behind after removal"
echo "installed, ran (ORSG bound from $private) and removed cleanly"
