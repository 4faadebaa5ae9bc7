#!/usr/bin/env bash
# Builds the program and runs it on the sample testbank shipped in the repository.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
"$ROOT/scripts/setup.sh"
build_native >/dev/null
"$NATIVE_BUILD/testbank" view "${1:-$ROOT/tests/data/sample.json}"
