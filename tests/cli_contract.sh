#!/usr/bin/env bash
# The testbank binary from outside: streams, exit codes, bytes.
set -u
tb=$1; data=$2; fail=0
expect() { # name, expected code, actual code
  if [ "$2" != "$3" ]; then echo "FAIL: $1: exit $3, expected $2"; fail=1; fi
}
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT

"$tb" raw "$data/sample.json" >"$tmp/out" 2>"$tmp/err"; expect raw 0 $?
cmp -s "$tmp/out" "$data/sample.raw.json" || { echo "FAIL: raw bytes differ"; fail=1; }
[ -s "$tmp/err" ] && { echo "FAIL: raw wrote to stderr"; fail=1; }

"$tb" view "$data/sample.json" >"$tmp/out"; expect view 0 $?
cmp -s "$tmp/out" "$data/sample.view.txt" || { echo "FAIL: view bytes differ"; fail=1; }

"$tb" view "$data/missing.json" >"$tmp/out" 2>"$tmp/err"; expect missing 1 $?
[ -s "$tmp/out" ] && { echo "FAIL: output on failure"; fail=1; }
grep -qx 'Failed to read file or file is empty.' "$tmp/err" || { echo "FAIL: missing-file message"; fail=1; }

"$tb" bogus >"$tmp/out" 2>"$tmp/err"; expect usage 2 $?
grep -q '^usage: testbank' "$tmp/err" || { echo "FAIL: usage text"; fail=1; }

"$tb" check "$data/sample.json" "$data/bad-item.json" >"$tmp/out"; expect check 1 $?
[ "$(wc -l <"$tmp/out")" = 2 ] || { echo "FAIL: check lines"; fail=1; }

"$tb" export "$data/sample.json" -o "$tmp/exam.json"; expect export-o 0 $?
head -c 1 "$tmp/exam.json" | grep -q '{' || { echo "FAIL: exam file"; fail=1; }

[ $fail = 0 ] && echo "cli contract: all passed"
exit $fail
