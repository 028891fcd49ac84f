#!/usr/bin/env bash
# The help document's tool on a full file system (a small tmpfs, mounted when
# this user may): it fails, says so, and leaves neither a half document nor a
# temporary file.  Exit 77 (skipped) without the right to mount.
# A short document of its own (about 20 KiB of PDF, more than the 16 KiB
# file system holds) keeps the run quick.
#   full_disk_test.sh <rq36_manual_pdf>
set -euo pipefail
tool=$1
fail() { echo "FAIL: $*" >&2; exit 1; }
where=$(mktemp -d)
source=$(mktemp --suffix=.md)
trap 'umount "$where" 2>/dev/null; rmdir "$where"; rm -f "$source"' EXIT
printf '# Zkouška\n\n## Kapitola\n\nText odstavce.\n' >"$source"
mount -t tmpfs -o size=16k rq36-full "$where" 2>/dev/null || { echo "no right to mount a file system here"; exit 77; }
if QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 "$tool" "$source" "$where/W_rq36_Napoveda.pdf" 1.0 2>"$where.err"; then
  fail "the tool reported success on a full file system"
fi
grep -q "cannot write" "$where.err" || fail "no message: $(cat "$where.err")"
rm -f "$where.err"
[ -z "$(ls -A "$where")" ] || fail "left behind: $(ls -A "$where")"
echo "full file system: refused, nothing left behind"
