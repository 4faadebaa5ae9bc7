#!/usr/bin/env bash
# Builds both builds and runs every test: native unit and command tests, a short pass of
# every fuzz target, then the same core tests and the window tests under Wine in a
# virtual display.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
"$ROOT/scripts/setup.sh"

build_native
(cd "$NATIVE_BUILD" && ctest --output-on-failure)

# The fuzz targets keep building and running (ASan + UBSan), briefly.
"$ROOT/fuzz/run.sh" "${FUZZ_SECONDS:-10}"

build_windows
ensure_display
(cd "$WIN_BUILD" && ctest --output-on-failure)
echo "All tests passed."
