#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what lands where; then
# starts the installed program from another directory with a clean
# environment and checks that it binds its interface libraries from its
# private folder, never from the current directory.
#   install_test.sh <build dir> <library dir (relative)> <planted library dir>
set -euo pipefail
build=$1 libdir=$2 planted=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/prefix
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
private=$prefix/$libdir/w-rq36
for f in bin/W_RQ36 bin/rq36 share/man/man1/rq36.1.gz share/bash-completion/completions/rq36 \
         "$libdir/w-rq36/libORSG.so" "$libdir/w-rq36/libORSC.so" "$libdir/w-rq36/libORSF.so" \
         share/applications/com.example.w_rq36.desktop \
         share/icons/hicolor/scalable/apps/com.example.w_rq36.svg \
         share/metainfo/com.example.w_rq36.metainfo.xml \
         share/doc/w-rq36/W_rq36_Napoveda.pdf share/doc/w-rq36/copyright share/man/man1/W_RQ36.1.gz \
         include/orsg/orsg.h include/orsg/ors_contract.h; do
  [ -f "$prefix/$f" ] || fail "missing $f"
done
[ "$(readlink -f "$prefix/$libdir/libORSG.so")" = "$(readlink -f "$private/libORSG.so")" ] ||
  fail "$libdir/libORSG.so does not lead to the private folder's library"
stray=$(find "$prefix" -name 'libORS[ABDE].so' -o -name 'libVARNEL_OX952.so')
[ -z "$stray" ] || fail "simulator files in the default install: $stray"

# The planted libraries: a program that loads one leaves a trace file.
cwd=$tmp/elsewhere
mkdir -p "$cwd" "$tmp/home"
cp "$planted"/libORSA.so "$planted"/libORSG.so "$cwd"/
(cd "$cwd" && env -i LD_PRELOAD=./libORSA.so /bin/true)
[ -f "$cwd/PLANTED_LIBRARY_LOADED" ] || fail "the planted library leaves no trace when loaded"
rm "$cwd/PLANTED_LIBRARY_LOADED"

probe() {
  (cd "$cwd" && env -i PATH=/usr/bin:/bin HOME="$tmp/home" QT_QPA_PLATFORM=offscreen \
     RQ36_SIM_STATE=:memory: RQ36_SIM_INSTANT=1 RQ36_BIND_PROBE="$1" "$prefix/bin/W_RQ36" 2>/dev/null) || true
}
# Without the simulator ORSG cannot load (no card driver): nothing is bound,
# and the planted copy is not taken instead.
out=$(probe 6)
[ "$out" = "bind 6 106 -" ] || fail "runtime only, kind 6: '$out'"
[ ! -e "$cwd/PLANTED_LIBRARY_LOADED" ] || fail "a library from the current directory was loaded"

cmake --install "$build" --prefix "$prefix" --component Simulator >/dev/null
[ -f "$private/libORSA.so" ] && [ -f "$private/libVARNEL_OX952.so" ] && [ -x "$prefix/bin/rq36-sim-panel" ] ||
  fail "Simulator component incomplete"
for kind in 0 6; do
  file=$([ "$kind" = 0 ] && echo libORSA.so || echo libORSG.so)
  read -r word got result from <<<"$(probe "$kind")" || true
  [ "$word $got $result" = "bind $kind 0" ] && [ "$(realpath -m "$from")" = "$(realpath "$private/$file")" ] ||
    fail "kind $kind: '$word $got $result $from' (expected the private folder's $file)"
done
[ ! -e "$cwd/PLANTED_LIBRARY_LOADED" ] || fail "a library from the current directory was loaded"
# rq36 binds the same way: the identity from the private folder's stand-in.
out=$(cd "$cwd" && env -i PATH=/usr/bin:/bin HOME="$tmp/home" RQ36_SIM_STATE=:memory: RQ36_SIM_INSTANT=1 \
      "$prefix/bin/rq36" identify 2>&1) || fail "installed rq36 identify: '$out'"
[ "$out" = "RQ-36    v.1.02" ] || fail "installed rq36 identify: '$out'"
[ ! -e "$cwd/PLANTED_LIBRARY_LOADED" ] || fail "rq36 loaded a library from the current directory"
echo "install into $prefix: files in place, libraries bound from $private"
