#!/usr/bin/env bash
# Builds the fuzz targets (libFuzzer, ASan, UBSan) and runs each for SECONDS.
# usage: fuzz/run.sh SECONDS [TARGET...]
set -euo pipefail
source "$(dirname "$0")/../scripts/lib.sh"
seconds=${1:-60}; shift || true
targets=("$@"); [ ${#targets[@]} -gt 0 ] || targets=(fuzz_load fuzz_format fuzz_merge fuzz_fixups fuzz_exam fuzz_dupes fuzz_import fuzz_report fuzz_print)
build=$ROOT/build/fuzz
CXX=clang++ cmake -S "$ROOT" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTESTBANK_TESTS=OFF -DTESTBANK_FUZZ=ON >/dev/null
cmake --build "$build" --target "${targets[@]}" >/dev/null
for t in "${targets[@]}"; do
  work=$ROOT/fuzz/corpus-run/$t; mkdir -p "$work"
  echo "== $t for ${seconds}s"
  # Seeds: the test data and every kept finding; new inputs go to the work folder.
  "$build/$t" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 -timeout=10 \
    -artifact_prefix="$work/" -print_final_stats=1 "$work" "$ROOT/tests/data" "$ROOT/fuzz/regressions" 2>&1 |
    grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units|stat::peak_rss_mb|==[0-9]+==ERROR|SUMMARY)|Done [0-9]+ runs' || true
  findings=$(find "$work" -maxdepth 1 -regex '.*/\(crash\|leak\|timeout\|oom\)-.*')
  if [ -n "$findings" ]; then echo "FINDING in $t: $findings"; exit 1; fi
done
