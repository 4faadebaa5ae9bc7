#!/usr/bin/env bash
# Builds the fuzz targets (libFuzzer, ASan, UBSan) and runs each for SECONDS.
# usage: fuzz/run.sh SECONDS [TARGET...]
set -euo pipefail
source "$(dirname "$0")/../scripts/lib.sh"
seconds=${1:-60}; shift || true
targets=("$@"); [ ${#targets[@]} -gt 0 ] || targets=(fuzz_load fuzz_format fuzz_merge fuzz_fixups fuzz_exam fuzz_dupes fuzz_import fuzz_report fuzz_print
  fuzz_zip fuzz_xml fuzz_html fuzz_read_moodle fuzz_read_gift fuzz_read_qti fuzz_read_csv fuzz_read_json
  fuzz_read_xlsx fuzz_read_text fuzz_read_docx fuzz_read_bbpool)
build=$ROOT/build/fuzz
CC=clang CXX=clang++ cmake -S "$ROOT" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTESTBANK_TESTS=OFF -DTESTBANK_FUZZ=ON >/dev/null
cmake --build "$build" --target "${targets[@]}" >/dev/null
for t in "${targets[@]}"; do
  work=$ROOT/fuzz/corpus-run/$t; mkdir -p "$work"
  echo "== $t for ${seconds}s"
  # Seeds: the test data (the hostile imports among them) and every kept finding; new
  # inputs go to the work folder. Zips need room for a bomb's directory.
  max_len=65536; case $t in fuzz_zip | fuzz_read_qti | fuzz_read_xlsx | fuzz_read_docx) max_len=1500000 ;; esac
  # A damaged zip can claim millions of entries: the library's setup of them takes a
  # tenth of a second in the program, seconds under the sanitizers on a loaded machine.
  "$build/$t" -max_total_time="$seconds" -max_len=$max_len -rss_limit_mb=2048 -timeout=30 \
    -artifact_prefix="$work/" -print_final_stats=1 "$work" "$ROOT/tests/data" "$ROOT/fuzz/regressions" 2>&1 |
    grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units|stat::peak_rss_mb|==[0-9]+==ERROR|SUMMARY)|Done [0-9]+ runs' || true
  findings=$(find "$work" -maxdepth 1 -regex '.*/\(crash\|leak\|timeout\|oom\)-.*')
  if [ -n "$findings" ]; then echo "FINDING in $t: $findings"; exit 1; fi
done
