#!/usr/bin/env bash
# Drives the built editor like a user, under Wine in a virtual display: real menus, real
# file dialogs, keys typed by xdotool; then checks what landed on disk.
# usage: tests/e2e/run.sh   (after the Windows build)
set -euo pipefail
source "$(dirname "$0")/../../scripts/lib.sh"
exe=$WIN_BUILD/TestbankEditor.exe
export WINEPREFIX=$HOME/.wine-testbank${TB_TAG:-}-e2e
FORCE_XVFB=1 ensure_display
work=$(mktemp -d /tmp/testbank-e2e.XXXXXX)
shots=$ROOT/build/e2e; mkdir -p "$shots"
fail() { echo "e2e FAILED: $*"; import -window root "$shots/failure.png" 2>/dev/null || true; exit 1; }

wait_window() { # name [seconds]
  for _ in $(seq $((${2:-20} * 4))); do
    xdotool search --name "$1" >/dev/null 2>&1 && return 0
    sleep 0.25
  done
  return 1
}
gone() { # the window is not there, or goes within 3 s (a loaded machine closes windows late)
  for _ in $(seq 12); do
    xdotool search --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.25
  done
  return 1
}
keys() { xdotool key --delay 80 "$@"; sleep 0.6; }
type_text() { xdotool type --delay 15 "$1"; sleep 0.3; }
# Colour of one screen pixel, as ImageMagick names it.
pixel() { import -window root -crop "1x1+$1+$2" -depth 8 txt:- | tail -1 | grep -oE '#[0-9A-F]{6}'; }
# The main window's File menu is open: its first entry's highlight is drawn.
file_menu_open() { [ "$(pixel 150 53)" = "#3096FA" ]; }
winpath() { echo "Z:${1//\//\\}"; }

start_editor() {
  local try
  for try in 1 2; do # a start can be lost while the last server winds down: once more
    "$ROOT/scripts/wine-run.sh" explorer /desktop=e2e,1280x900 "$exe" >/dev/null 2>&1 &
    wait_window 'Exam Testbank Viewer/Editor' 60 && break
    stop_editor
  done
  wait_window 'Exam Testbank Viewer/Editor' 1 || fail "the editor did not start"
  sleep 1
  main=$(xdotool search --name 'Exam Testbank Viewer/Editor' | head -1)
  xdotool windowactivate "$main" 2>/dev/null || true
  sleep 0.5
}
stop_editor() { wineserver -k 2>/dev/null || true; wineserver -w 2>/dev/null || true; sleep 1; }
# File > Open with a path typed into the real dialog.
open_file() {
  keys alt+f o
  wait_window '^Open$' || fail "no Open dialog"
  type_text "$(winpath "$1")"; keys Return
}
# File > Save As with a path typed into the real dialog; the Info box is confirmed.
save_as() {
  keys alt+f a
  wait_window '^Save As$' || fail "no Save As dialog"
  type_text "$(winpath "$1")"; keys Return
  wait_window '^Info$' || fail "no confirmation after Save As"
  keys Return
}

# Presses the fixup wizard's Close button.
close_fixup_wizard() {
  local wizard; wizard=$(xdotool search --name '^Fix Imported Items$' | head -1)
  eval "$(xdotool getwindowgeometry --shell "$wizard")"
  xdotool mousemove $((X + WIDTH - 80)) $((Y + HEIGHT - 40)) click 1; sleep 1
  gone '^Fix Imported Items$' || fail "Close left the wizard open"
}

source "$(dirname "$0")/scenarios.sh"
stop_editor
rm -rf "$work"
echo "e2e: all scenarios passed"
