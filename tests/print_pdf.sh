#!/usr/bin/env bash
# The printable exam in a real browser: the page made by `testbank print` printed to PDF
# by headless chromium, then read back page by page with pdftotext (tests/print/check_pdf.py).
# Leaves the PDF, a screenshot and the first pages as PNGs in OUTDIR to look at.
# usage: tests/print_pdf.sh TESTBANK OUTDIR
set -euo pipefail
testbank=$1; out=$(realpath -m "$2")
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$out"; mkdir -p "$out"
fail() { echo "print_pdf FAILED: $*"; exit 1; }
browser() { # the page given, then chromium's own options
  local page=$1; shift
  timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-background-networking \
    --disable-component-update --disable-sync --no-first-run --user-data-dir="$out/profile" \
    "$@" "file://$page" >"$out/chromium.log" 2>&1 || { cat "$out/chromium.log"; fail "chromium $*"; }
}

python3 "$here/print/make_bank.py" 40 "$out/bank.json"
"$testbank" print "$out/bank.json" --versions 3 --seed 7 --title 'Biology <Midterm> "A&B"' \
  --key "$out/key.csv" -o "$out/exam.html" 2>"$out/notes.txt" || fail "testbank print"
grep -q 'ALG1: algorithmic' "$out/notes.txt" || fail "no note for the algorithmic item"
# Standalone: nothing fetched from anywhere.
! grep -Eiq '(src|href)=|url\(|@import' "$out/exam.html" || fail "the page refers to other resources"
browser "$out/exam.html" --no-pdf-header-footer --print-to-pdf="$out/exam.pdf"
python3 "$here/print/check_pdf.py" "$out/bank.json" "$out/key.csv" "$out/exam.pdf" || fail "the PDF"
pdftotext "$out/exam.pdf" "$out/exam.txt"
grep -qF 'Biology <Midterm> "A&B"' "$out/exam.txt" || fail "the title is not shown as typed"
grep -qF 'Is <b>bold</b> & "quoted" shown as text?' "$out/exam.txt" || fail "markup in a question was not shown as text"

# The same seed gives the same page; another seed other versions.
"$testbank" print "$out/bank.json" --versions 3 --seed 7 --title 'Biology <Midterm> "A&B"' -o "$out/again.html" 2>/dev/null
cmp -s "$out/exam.html" "$out/again.html" || fail "the same seed gave another page"
"$testbank" print "$out/bank.json" --versions 3 --seed 8 --key "$out/key8.csv" -o /dev/null 2>/dev/null
! cmp -s "$out/key.csv" "$out/key8.csv" || fail "another seed gave the same versions"

browser "$out/exam.html" --hide-scrollbars --window-size=900,1200 --screenshot="$out/screen.png"
pdftoppm -r 60 -png -f 1 -l 2 "$out/exam.pdf" "$out/page"
rm -rf "$out/profile"
echo "print_pdf ok"
