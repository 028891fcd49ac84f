#!/usr/bin/env bash
# The help document's tool and its pictures: a picture that cannot be read
# and a picture inside a paragraph fail the build with a message and leave
# no document; a picture on its own line is placed once, its caption below.
#   pictures_test.sh <rq36_manual_pdf> <a picture (PNG)>
set -euo pipefail
tool=$1
picture=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
where=$(mktemp -d)
trap 'rm -rf "$where"' EXIT
mkdir "$where/shots"
cp "$picture" "$where/shots/okno.png"
run() { QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 "$tool" "$where/in.md" "$where/out.pdf" 1.0 "$where"; }

printf '# Zkouška\n\n## Kapitola\n\nText.\n\n![Chybí](shots/chybi.png)\n' >"$where/in.md"
if run 2>"$where/err"; then fail "a missing picture was accepted"; fi
grep -q "line 7: cannot read the picture .*shots/chybi.png" "$where/err" || fail "message: $(cat "$where/err")"
[ ! -e "$where/out.pdf" ] || fail "a document was left"

printf '# Zkouška\n\n![Okno](shots/okno.png)\n\nText ![Okno](shots/okno.png) uvnitř odstavce.\n' >"$where/in.md"
if run 2>"$where/err"; then fail "a picture inside a paragraph was accepted"; fi
grep -q "shots/okno.png is not on a line of its own" "$where/err" || fail "message: $(cat "$where/err")"
[ ! -e "$where/out.pdf" ] || fail "a document was left"

printf '# Zkouška\n\n## Kapitola\n\nText.\n\n![Popisek okna](shots/okno.png)\n\nDalší text.\n' >"$where/in.md"
run >/dev/null || fail "the tool failed on a good picture"
images=$(pdfimages -list "$where/out.pdf" | tail -n +3 | grep -c ' image ' || true)
((images == 1)) || fail "$images images"
pdftotext -enc UTF-8 "$where/out.pdf" - | tr '\n' ' ' | grep -q "Text. .*Popisek okna .*Další text." ||
  fail "caption not below the picture"
echo "pictures: missing and misplaced refused, a good one placed"
