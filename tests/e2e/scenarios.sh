# The end-to-end scenarios; sourced by run.sh, which provides the helpers.

# Import fixup: opening a bank whose items need a type or an MLO brings the wizard up by
# itself; the main window does not respond while it is open; Close gives it back.
cat >"$work/imported.json" <<'JSON'
{"items":[{"id":"b","type":"essay","question":"q","objectives":{"MLO":"mb"}},
          {"id":"a","type":"tf","question":"True?","correct":true}]}
JSON
start_editor
open_file "$work/imported.json"
wait_window '^Fix Imported Items$' || fail "the fixup wizard did not open by itself"
xdotool mousemove 400 670 click 1; sleep 0.5
keys alt+f
! file_menu_open || fail "the main window answered while the wizard was open"
import -window root "$shots/fixup.png"
wizard=$(xdotool search --name '^Fix Imported Items$' | head -1)
xdotool windowactivate "$wizard" 2>/dev/null || true
keys Escape
eval "$(xdotool getwindowgeometry --shell "$wizard")"
xdotool mousemove $((X + WIDTH - 80)) $((Y + HEIGHT - 40)) click 1; sleep 1 # Close
gone '^Fix Imported Items$' || fail "Close left the wizard open"
keys alt+f
file_menu_open || fail "the main window stayed disabled after Close"
keys Escape Escape
stop_editor
