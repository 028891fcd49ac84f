#!/usr/bin/env bash
# The help document as the build made it: a PDF with a title page, contents
# and numbered pages, naming every window and dialog of the program.
#   manual_test.sh <W_rq36_Napoveda.pdf>
set -euo pipefail
pdf=$1
fail() { echo "FAIL: $*" >&2; exit 1; }
[ -s "$pdf" ] || fail "no $pdf"
pages=$(pdfinfo "$pdf" | awk '/^Pages:/ {print $2}')
[ "${pages:-0}" -ge 10 ] || fail "only ${pages:-0} pages"
grep -q "^Page size:.*(A4)" <<<"$(pdfinfo "$pdf")" || fail "not A4"

# Text of the whole document on one line, so that a caption broken over
# two lines is still found.
text=$(pdftotext -enc UTF-8 "$pdf" - | tr '\n\f' '  ' | tr -s ' ')
page() { pdftotext -enc UTF-8 -f "$1" -l "$1" "$pdf" - | tr '\n\f' '  ' | tr -s ' '; }
grep -q "W_RQ36 Nastavení a test modulu RQ-36 Uživatelská příručka" <<<"$(page 1)" || fail "title page"
grep -q "Obsah" <<<"$(page 2)" || fail "no contents on page 2"
grep -q "Strana $pages z $pages" <<<"$(page "$pages")" || fail "last page not numbered $pages of $pages"

missing=()
while IFS= read -r caption; do
  grep -qF "$caption" <<<"$text" || missing+=("$caption")
done <<'CAPTIONS'
RQ-36 - nastavení modulu
Připojení modulu
Vyhledání modulů
Nastavení komunikační adresy a rychlosti
Nastavení analogových vstupů
Nastavení digitálních vstupů/výstupů
Kalibrace vstupů
Restart modulu
Nastavení modulu v souboru
Záloha kalibračních konstant
Okamžité hodnoty analogových vstupů
Okamžité hodnoty čítačů
Okamžité hodnoty digitálních vstupů
Zápis na digitální výstupy
Status registr
O programu
ORSG - EUART
Timeout - nepřišla žádná odpověď
W_rq36.ini
CAPTIONS
((${#missing[@]} == 0)) || fail "the manual does not name: ${missing[*]}"
echo "$pdf: $pages pages, every window named"
