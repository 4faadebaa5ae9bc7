#!/usr/bin/env bash
# Benchmark: stage ratios to the library floor, growth, peak memory, and the tools a
# user could reach for instead (jq, Python) on the 100,000-item file.
set -euo pipefail
source "$(dirname "$0")/../scripts/lib.sh"
"$ROOT/scripts/setup.sh" >/dev/null
build_native >/dev/null
cmake --build "$NATIVE_BUILD" --target testbank_bench >/dev/null
out=$ROOT/bench/out; mkdir -p "$out"
table=$out/results.txt
{
  "$NATIVE_BUILD/testbank_bench" "$out"
  big=$out/bank-100000.json
  echo
  echo "Whole programs on the 100k file (seconds, peak MB), best of 3:"
  best() { # label, command...
    local label=$1; shift; local bestt=999999 bestm=0
    for _ in 1 2 3; do
      /usr/bin/time -f '%e %M' -o "$out/time.txt" "$@" >/dev/null
      read -r t m <"$out/time.txt"
      if awk "BEGIN{exit !($t < $bestt)}"; then bestt=$t; bestm=$m; fi
    done
    printf '  %-34s %6.2f s  %7.1f MB\n' "$label" "$bestt" "$(awk "BEGIN{print $bestm/1024}")"
  }
  best "testbank view (open + listing)" "$NATIVE_BUILD/testbank" view "$big"
  best "testbank raw (open + dump)" "$NATIVE_BUILD/testbank" raw "$big"
  best "jq -S ." jq -S . "$big"
  best "python3 json load + dump" python3 -c 'import json,sys; json.dump(json.load(open(sys.argv[1])), sys.stdout, sort_keys=True, indent=2)' "$big"

  # Every item of the bank exported in each format, as a ratio to testbank raw of the same
  # bank in this run; growth 1.0 is linear from 10k to 100k items.
  echo
  echo "Exam export of every item, ratio to testbank raw (best of 3 each), growth 10k -> 100k:"
  secs() { # best wall time of 3 runs of the command
    local bestt=999999
    for _ in 1 2 3; do
      /usr/bin/time -f '%e' -o "$out/time.txt" "$@" >/dev/null 2>&1 || true
      t=$(tail -1 "$out/time.txt")
      if awk "BEGIN{exit !($t < $bestt)}"; then bestt=$t; fi
    done
    echo "$bestt"
  }
  declare -A rawt
  for n in 10000 100000; do rawt[$n]=$(secs "$NATIVE_BUILD/testbank" raw "$out/bank-$n.json" -o "$out/raw.out"); done
  printf '  %-8s %10s %10s %8s %10s\n' format "10k ratio" "100k ratio" growth "100k secs"
  for f in json moodle gift qti21 qti12; do
    t10=$(secs "$NATIVE_BUILD/testbank" export "$out/bank-10000.json" --format $f -o "$out/export.out")
    t100=$(secs "$NATIVE_BUILD/testbank" export "$out/bank-100000.json" --format $f -o "$out/export.out")
    awk -v f=$f -v a="$t10" -v b="$t100" -v r10="${rawt[10000]}" -v r100="${rawt[100000]}" \
      'BEGIN{printf "  %-8s %10.2f %10.2f %8.2f %10.2f\n", f, a/r10, b/r100, (b/a)/10, b}'
  done
  rm -f "$out/raw.out" "$out/export.out"
  echo "Peak memory per item on the 100k file:"
  for c in "check" "export --format gift -o $out/export.out" "export --format json -o $out/export.out"; do
    set -- $c
    /usr/bin/time -f '%M' -o "$out/time.txt" "$NATIVE_BUILD/testbank" "$1" "$big" "${@:2}" >/dev/null 2>&1
    awk -v c="$c" -v m="$(tail -1 "$out/time.txt")" 'BEGIN{printf "  %-22s %6.2f KB per item\n", substr(c, 1, 20), m/100000}'
  done
  rm -f "$out/export.out"

  # Open && Merge of the 100k bank cut in 40 files against Open of it whole.
  echo
  "$NATIVE_BUILD/testbank_bench" --parts 100000 40 "$out"
  parts=(); for k in $(seq 1 40); do parts+=("$out/part-$k.json"); done
  rawwhole=$(secs "$NATIVE_BUILD/testbank" raw "$out/whole.json" -o "$out/raw.out")
  merged=$(secs "$NATIVE_BUILD/testbank" merge "${parts[@]}" -o "$out/merge.out")
  awk -v m="$merged" -v r="$rawwhole" \
    'BEGIN{printf "testbank merge of 40 parts (100k items) %.2f s, raw of the whole %.2f s: %.2f x\n", m, r, m/r}'
  rm -f "$out/raw.out" "$out/merge.out" "$out"/part-*.json "$out/whole.json"
  # Duplicates against check of the same bank with planted duplicates, and the growth
  # when the bank doubles.
  echo
  echo "testbank dupes vs testbank check, banks with planted duplicates (best of 3):"
  declare -A dt
  for n in 50000 100000; do
    f=$out/planted-$n.json
    "$NATIVE_BUILD/testbank_bench" --planted $n "$f"
    line=""
    for cmd in check dupes; do
      bestt=999999; bestm=0
      for _ in 1 2 3; do
        /usr/bin/time -f '%e %M' -o "$out/time.txt" "$NATIVE_BUILD/testbank" $cmd "$f" >/dev/null
        read -r t m <"$out/time.txt"
        if awk "BEGIN{exit !($t < $bestt)}"; then bestt=$t; bestm=$m; fi
      done
      dt[$cmd$n]=$bestt; dt[m$cmd$n]=$bestm
    done
    printf '  %6d items: check %5.2f s %7.1f MB, dupes %5.2f s %7.1f MB: time %4.2f x, memory %4.2f x check\n' $n \
      "${dt[check$n]}" "$(awk "BEGIN{print ${dt[mcheck$n]}/1024}")" "${dt[dupes$n]}" \
      "$(awk "BEGIN{print ${dt[mdupes$n]}/1024}")" "$(awk "BEGIN{print ${dt[dupes$n]}/${dt[check$n]}}")" \
      "$(awk "BEGIN{print ${dt[mdupes$n]}/${dt[mcheck$n]}}")"
  done
  echo "Recall of the search in a bank against each planted pair compared alone:"
  for n in 10000 100000; do "$NATIVE_BUILD/testbank_bench" --recall $n; done
  printf '  growth when the bank doubles: dupes %4.2f x, check %4.2f x\n' \
    "$(awk "BEGIN{print ${dt[dupes100000]}/${dt[dupes50000]}}")" "$(awk "BEGIN{print ${dt[check100000]}/${dt[check50000]}}")"

  # The coverage report of the whole bank as a ratio to testbank check of the same bank in
  # this run (both open the bank the same way); growth 1.0 is linear from 10k to 100k items.
  echo
  echo "Coverage report, ratio to testbank check (best of 3 each), growth 10k -> 100k:"
  declare -A checkt
  for n in 10000 100000; do checkt[$n]=$(secs "$NATIVE_BUILD/testbank" check "$out/bank-$n.json"); done
  printf '  %-8s %10s %10s %8s %10s\n' format "10k ratio" "100k ratio" growth "100k secs"
  for f in text csv html; do
    t10=$(secs "$NATIVE_BUILD/testbank" report "$out/bank-10000.json" --format $f -o "$out/report.out")
    t100=$(secs "$NATIVE_BUILD/testbank" report "$out/bank-100000.json" --format $f -o "$out/report.out")
    awk -v f=$f -v a="$t10" -v b="$t100" -v r10="${checkt[10000]}" -v r100="${checkt[100000]}" \
      'BEGIN{printf "  %-8s %10.2f %10.2f %8.2f %10.2f\n", f, a/r10, b/r100, (b/a)/10, b}'
  done
  rm -f "$out/report.out"

  # The shapes the hostile-input test runs small, at full size: a 50 MB string and a
  # million items, through the whole testbank command.
  echo
  echo "Size extremes through testbank check (seconds, peak MB):"
  python3 -c 'import sys; open(sys.argv[1],"w").write("{\"items\": [{\"id\": \"a\", \"type\": \"mc\", \"question\": \"" + "x"*(50<<20) + "\"}]}")' "$out/big-string.json"
  python3 -c 'import sys; open(sys.argv[1],"w").write("[" + ",".join("{\"id\":%d}" % i for i in range(1000000)) + "]")' "$out/many-items.json"
  for f in big-string many-items; do
    /usr/bin/time -f '%e %M' -o "$out/time.txt" "$NATIVE_BUILD/testbank" check "$out/$f.json" >/dev/null
    read -r t m <"$out/time.txt"
    printf '  %-34s %6.2f s  %7.1f MB\n' "$f.json" "$t" "$(awk "BEGIN{print $m/1024}")"
  done

  # Window stages under Wine, against bare controls in the same run.
  echo
  build_windows >/dev/null
  cmake --build "$WIN_BUILD" --target gui_bench >/dev/null
  ensure_display
  WINEPREFIX=$HOME/.wine-testbank${TB_TAG:-}-tests "$ROOT/scripts/wine-run.sh" "$WIN_BUILD/gui_bench.exe"
} | tee "$table"
echo "Table written to $table"
