#!/usr/bin/env bash
# The help document as the build made it: a PDF with a title page, contents
# and numbered pages, naming every window and dialog of the program, with
# every picture its text places (each caption in the text) and no larger
# than 2 MiB.
#   manual_test.sh <W_rq36_Napoveda.pdf> <W_rq36_Napoveda.md>
set -euo pipefail
pdf=$1
source=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
[ -s "$pdf" ] || fail "no $pdf"
size=$(stat -c %s "$pdf")
((size <= 2 * 1024 * 1024)) || fail "$size bytes, more than 2 MiB"
pages=$(pdfinfo "$pdf" | awk '/^Pages:/ {print $2}')
[ "${pages:-0}" -ge 10 ] || fail "only ${pages:-0} pages"
grep -q "^Page size:.*(A4)" <<<"$(pdfinfo "$pdf")" || fail "not A4"

# Text of the whole document on one line, so that a caption broken over
# two lines is still found; the layout's fi and fl ligatures as letters.
text=$(pdftotext -enc UTF-8 "$pdf" - | sed "s/ﬁ/fi/g; s/ﬂ/fl/g" | tr '\n\f' '  ' | tr -s ' ')
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
Komunikace
Jen chyby
Souhrn podle adres
komunikace s modulem právě probíhá
O programu
ORSG - EUART
Timeout - nepřišla žádná odpověď
W_rq36.ini
CAPTIONS
((${#missing[@]} == 0)) || fail "the manual does not name: ${missing[*]}"

# The pictures: one image in the PDF for each picture line of the text, in
# the text's order, each with its caption on the same page.
pictures=$(grep -cE '^!\[[^]]*\]\([^)]+\)[[:space:]]*$' "$source" || true)
((pictures >= 16)) || fail "only $pictures picture lines in $source"
mapfile -t image_pages < <(pdfimages -list "$pdf" | awk 'NR > 2 && $3 == "image" {print $1}')
((${#image_pages[@]} == pictures)) || fail "${#image_pages[@]} images in the PDF for $pictures picture lines"
i=0
while IFS= read -r caption; do
  on=${image_pages[i]}
  pdftotext -enc UTF-8 -f "$on" -l "$on" "$pdf" - | sed "s/ﬁ/fi/g; s/ﬂ/fl/g" | tr '\n\f' '  ' | tr -s ' ' |
    grep -qF "$caption" || fail "no caption \"$caption\" on page $on with its picture"
  i=$((i + 1))
done < <(sed -nE 's/^!\[([^]]*)\]\([^)]+\)[[:space:]]*$/\1/p' "$source")
echo "$pdf: $pages pages, every window named, $pictures pictures, $size bytes"
