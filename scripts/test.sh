#!/usr/bin/env bash
# Builds both builds and runs every test: native unit and command tests, a short pass of
# every fuzz target, then the same core tests and the window tests under Wine in a
# virtual display, the end-to-end scenarios against the built editor, and the release packages.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
"$ROOT/scripts/setup.sh"

build_native
(cd "$NATIVE_BUILD" && ctest --output-on-failure)

# The fuzz targets keep building and running (ASan + UBSan), briefly.
"$ROOT/fuzz/run.sh" "${FUZZ_SECONDS:-10}"

build_windows
ensure_display
# A prefix of the tests' own whose windows live in a Wine virtual desktop: without a
# window manager, top-level X windows make Wine wait seconds on every show and destroy.
export WINEPREFIX=$HOME/.wine-testbank${TB_TAG:-}-tests
wineserver -k 2>/dev/null || true
"$ROOT/scripts/wine-run.sh" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
"$ROOT/scripts/wine-run.sh" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x900 /f >/dev/null 2>&1
(cd "$WIN_BUILD" && ctest --output-on-failure)
# The built editor driven like a user, through its real menus and dialogs.
"$ROOT/tests/e2e/run.sh"
# The release: built twice and compared, then installed, started and removed under Wine.
"$ROOT/tests/package.sh"
echo "All tests passed."
