#!/usr/bin/env bash
# The exam exports checked by real readers: TESTBANK SCHEMAS_DIR WORK_DIR.
# The GIFT grammar parser comes from npm into the build folder (once).
set -euo pipefail
testbank=$1 schemas=$2 work=$3
mkdir -p "$work"
if [ ! -d "$work/node_modules/gift-pegjs" ]; then
  (cd "$work" && npm install --no-audit --no-fund --silent gift-pegjs@1 >/dev/null)
fi
exec python3 "$(dirname "$0")/formats/check_exports.py" "$testbank" "$schemas" "$work/out" "$work/node_modules"
