#!/usr/bin/env bash
# What testbank does with hostile paths, targets and interruptions: nothing lost, no
# success claimed for a failure.
# usage: tests/cli_files.sh native BINARY DATA_DIR
#        tests/cli_files.sh wine EXE DATA_DIR     (runs EXE through scripts/wine-run.sh)
set -u
mode=$1; bin=$2; data=$3
root=$(cd "$(dirname "$0")/.." && pwd)
# run: the command itself, so that a background job's pid is the program's (wine-run.sh and
# wine exec the program in place).
if [ "$mode" = wine ]; then
  run=("$root/scripts/wine-run.sh" "$bin")
  kill_loops=50
  delay() { echo "$((RANDOM % 2)).$((RANDOM % 10))$((RANDOM % 10))"; } # a Wine start takes a while
else
  run=("$bin")
  kill_loops=20
  delay() { echo "0.0$((RANDOM % 10))$((RANDOM % 10))"; }
fi
tb() { "${run[@]}" "$@"; }
fail=0
no() { echo "FAIL ($mode): $*"; fail=1; }
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
cd "$tmp"
cp "$data/sample.json" in.json
tb raw in.json >new.bytes || no "raw of the sample"
temps() { find . -name '.tb*.tmp' | wc -l; }

# An empty FILE is an unreadable file; an empty -o value is a usage error.
echo keep >out.json
tb raw "" -o out.json 2>err; [ $? = 1 ] || no "raw of an empty path"
[ "$(cat out.json)" = keep ] || no "raw of an empty path touched OUT"
grep -qx 'Failed to read file or file is empty.' err || no "message for an empty path"
for c in view check fixups; do tb $c "" >/dev/null 2>&1; [ $? = 1 ] || no "$c of an empty path"; done
tb raw in.json -o "" >/dev/null 2>&1; [ $? = 2 ] || no "empty -o value is not a usage error"

# Links are written through; folders and read-only files are refused; relative names,
# names of 240 bytes and more work.
echo old >real.json; ln -s real.json link.json
tb raw in.json -o link.json || no "write through a link"
[ -L link.json ] || no "the link was replaced"
cmp -s real.json new.bytes || no "the link's file lacks the new content"
mkdir folder; touch folder/inside
tb raw in.json -o folder 2>/dev/null; [ $? = 1 ] || no "a folder as OUT"
[ -e folder/inside ] || no "the folder was moved"
echo ro >ro.json; chmod 444 ro.json
tb raw in.json -o ro.json 2>/dev/null; [ $? = 1 ] || no "a read-only OUT was not refused"
[ "$(cat ro.json)" = ro ] || no "a read-only OUT was changed"
mkdir sub; echo x >sub/x; echo x >rel.json
tb raw in.json -o rel.json && cmp -s rel.json new.bytes || no "relative OUT"
tb raw in.json -o sub/x && cmp -s sub/x new.bytes || no "OUT in a subfolder"
tb raw in.json -o "$tmp/abs.json" && cmp -s abs.json new.bytes || no "OUT as a Unix absolute path"
long=$(printf 'n%.0s' $(seq 245)).json; echo x >"$long"
tb raw in.json -o "$long" && cmp -s "$long" new.bytes || no "a 250-byte name"
[ "$(temps)" = 0 ] || no "temporary files left behind"

if [ "$mode" = native ]; then
  # Endless or blocking inputs are refused at once; output errors are failures.
  timeout 10 "$bin" raw /dev/zero >/dev/null 2>&1; [ $? = 1 ] || no "/dev/zero as FILE"
  mkfifo fifo; timeout 10 "$bin" raw fifo >/dev/null 2>&1; [ $? = 1 ] || no "a FIFO as FILE"
  "$bin" raw in.json >/dev/full 2>err; [ $? = 1 ] || no "writing to a full disk"
  grep -q 'Failed to write the output' err || no "message for a full disk"
  # A device is written, never replaced; the old mode stays; names must be UTF-8.
  if [ -w /dev/null ] && [ "$(id -u)" = 0 ]; then
    "$bin" raw in.json -o /dev/null || no "-o /dev/null"
    [ -c /dev/null ] || no "/dev/null was replaced"
  fi
  echo x >m.json; chmod 640 m.json
  (umask 077; "$bin" raw in.json -o m.json) || no "mode kept: write"
  [ "$(stat -c %a m.json)" = 640 ] || no "the old mode was not kept"
  "$bin" raw in.json -o $'bad\xff.json' 2>/dev/null; [ $? = 1 ] || no "a name that is not UTF-8"
  [ -z "$(find . -name 'bad*')" ] || no "a name that is not UTF-8 was written"
  # Out of memory is a clear failure, not an abort.
  python3 -c 'import json,sys; json.dump({"items":[{"id":"Q%d"%i,"question":"x"*60} for i in range(120000)]}, open("big.json","w"))'
  (ulimit -v 250000; "$bin" check big.json >out 2>&1); [ $? = 1 ] || no "out of memory did not exit 1"
  grep -q 'Out of memory' out || no "message for out of memory"
fi

# The only change to an existing OUT is one rename onto it: there is no moment when OUT
# is missing (the system call trace shows what a timed kill rarely hits).
echo old >target.json
if [ "$mode" = wine ]; then # a fresh server: the trace misses a save made while the last one winds down
  export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-testbank${TB_TAG:-}}
  wineserver -k 2>/dev/null; wineserver -w 2>/dev/null
fi
strace -f -qq -e trace=unlink,unlinkat,rename,renameat,renameat2 -o trace.txt "${run[@]}" raw in.json -o target.json ||
  no "traced save"
grep -a 'target\.json' trace.txt >touching.txt
[ "$(wc -l <touching.txt)" = 1 ] && grep -qE 'rename(at2?)?\(.*target\.json"(, [^,]*)?\) = 0' touching.txt ||
  { no "OUT was not replaced by one rename:"; cat touching.txt; }
cmp -s target.json new.bytes || no "traced save content"

# Killed at any moment of a save, OUT holds the whole old or the whole new content, and an
# interrupted save leaves no temporary file.
python3 -c 'import json; json.dump({"items":[{"id":"Q%d"%i,"type":"mc","question":"q"*40} for i in range(20000)]}, open("kill.json","w"))'
tb raw kill.json >kill.new
cp in.json kill.old
for i in $(seq "$kill_loops"); do
  cp kill.old target.json
  "${run[@]}" raw kill.json -o target.json >/dev/null 2>&1 &
  pid=$!
  sleep "$(delay)"
  kill -9 $pid 2>/dev/null; wait $pid 2>/dev/null
  if [ ! -e target.json ]; then no "kill $i: OUT is gone"; break; fi
  cmp -s target.json kill.old || cmp -s target.json kill.new || { no "kill $i: OUT is torn"; break; }
  find . -name '.tb*.tmp' -delete
done
if [ "$mode" = native ]; then
  for sig in INT TERM; do
    cp kill.old target.json
    "$bin" raw kill.json -o target.json >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 200); do [ "$(temps)" != 0 ] && break; sleep 0.005; done
    kill -$sig $pid 2>/dev/null; wait $pid 2>/dev/null
    [ "$(temps)" = 0 ] || no "SIG$sig left a temporary file"
    cmp -s target.json kill.old || cmp -s target.json kill.new || no "SIG$sig tore OUT"
  done
fi

# Hostile imports (tests/data/import-hostile): each ends with exit 0 or 1 within 20 s (and
# natively 1 GB of address space), and writes nothing but OUT.
mkdir imports
for f in "$data"/import-hostile/*; do
  rm -rf imports/* imports/.[!.]* 2>/dev/null
  if [ "$mode" = native ]; then
    (ulimit -v 1048576; timeout 20 "$bin" import "$f" -o imports/out.json >/dev/null 2>&1)
  else
    timeout 60 "${run[@]}" import "$f" -o imports/out.json >/dev/null 2>&1
  fi
  rc=$?
  case $rc in 0 | 1) ;; *) no "import of $(basename "$f") ended with $rc" ;; esac
  extra=$(ls -A imports | grep -vx out.json)
  [ -z "$extra" ] || no "import of $(basename "$f") wrote $extra"
done

# A package folder whose item is a link to a file outside it: refused, and (natively,
# traced) the file outside is never opened.
mkdir -p linked/items
printf '%s' '<manifest><resources><resource type="imsqti_item_xmlv2p1" href="items/q.xml"/></resources></manifest>' \
  >linked/imsmanifest.xml
echo '<assessmentItem identifier="SECRET"/>' >secret.xml
ln -s ../../secret.xml linked/items/q.xml
if [ "$mode" = native ]; then
  strace -f -qq -e trace=open,openat -o open-trace.txt "$bin" import linked -o linked-out.json >/dev/null 2>err
  rc=$?
  ! grep -E 'secret\.xml.* = [0-9]+$' open-trace.txt >/dev/null || no "the linked file outside the package was opened"
else
  tb import linked -o linked-out.json >/dev/null 2>err
  rc=$?
fi
[ $rc = 1 ] && grep -q 'lies outside its folder' err || { no "a link out of a package folder was followed ($rc)"; cat err; }
[ ! -e linked-out.json ] || no "a refused package folder wrote OUT"

[ $fail = 0 ] && echo "cli files ($mode): all passed"
exit $fail
