#!/usr/bin/env bash
# The help document's tool on a full file system (a small tmpfs, mounted when
# this user may): it fails, says so, and leaves neither a half document nor a
# temporary file.  Exit 77 (skipped) without the right to mount.
#   full_disk_test.sh <rq36_manual_pdf> <W_rq36_Napoveda.md>
set -euo pipefail
tool=$1 source=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
where=$(mktemp -d)
trap 'umount "$where" 2>/dev/null; rmdir "$where"' EXIT
mount -t tmpfs -o size=64k rq36-full "$where" 2>/dev/null || { echo "no right to mount a file system here"; exit 77; }
if QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 "$tool" "$source" "$where/W_rq36_Napoveda.pdf" 1.0 2>"$where.err"; then
  fail "the tool reported success on a full file system"
fi
grep -q "cannot write" "$where.err" || fail "no message: $(cat "$where.err")"
rm -f "$where.err"
[ -z "$(ls -A "$where")" ] || fail "left behind: $(ls -A "$where")"
echo "full file system: refused, nothing left behind"
