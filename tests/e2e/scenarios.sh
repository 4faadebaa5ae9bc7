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
keys Escape
close_fixup_wizard
keys alt+f
file_menu_open || fail "the main window stayed disabled after Close"
keys Escape Escape
stop_editor

# Select Items: the exam saved through the real save dialog is what `testbank export`
# writes; after Select None the same button writes nothing and says why.
cp "$ROOT/tests/data/sample.json" "$work/sample.json"
start_editor
open_file "$work/sample.json"
wait_window '^Fix Imported Items$' 5 && close_fixup_wizard
keys alt+c s
wait_window '^Select Items$' || fail "Select Items did not open"
sleep 1
import -window root "$shots/select-items.png"
select=$(xdotool search --name '^Select Items$' | head -1)
eval "$(xdotool getwindowgeometry --shell "$select")"
click_button() { # offset of the button's left edge from the client's right edge
  xdotool mousemove $((X + WIDTH - $1 + 50)) $((Y + HEIGHT - 26)) click 1; sleep 1
}
click_button 238 # Save Selections...
wait_window '^Save As$' || fail "no save dialog from Save Selections..."
type_text "$(winpath "$work/exam.json")"; keys Return
wait_window '^Save Selections$' || fail "no confirmation of the exam"
keys Return
"$ROOT/build/native/testbank" export "$work/sample.json" >"$work/expected-exam.json"
cmp "$work/exam.json" "$work/expected-exam.json" || fail "the exam differs from testbank export"
rm "$work/exam.json"
click_button 368 # Select None
click_button 238
wait_window '^Save Selections$' || fail "no message after Select None"
gone '^Save As$' || fail "a save dialog opened with nothing selected"
import -window root "$shots/select-none.png"
keys Return
[ ! -e "$work/exam.json" ] || fail "an exam was written with nothing selected"
stop_editor

# Find and replace: Edit > Replace..., the find text and the replacement typed with Tab
# between the fields, Find Next, Replace, Close, File > Save As; the file is what
# `testbank raw` makes of the raw text with that first occurrence replaced.
start_editor
open_file "$work/sample.json"
wait_window '^Fix Imported Items$' 5 && close_fixup_wizard
keys alt+e r
wait_window '^Replace$' || fail "Replace did not open"
type_text "Which keyword"; keys Tab; type_text "What keyword"
import -window root "$shots/replace.png"
replace=$(xdotool search --name '^Replace$' | head -1)
eval "$(xdotool getwindowgeometry --shell "$replace")"
fr_button() { xdotool mousemove $((X + WIDTH - $1 + 50)) $((Y + HEIGHT - 26)) click 1; sleep 0.8; }
fr_button 362 # Find Next
fr_button 242 # Replace
if wait_window '^Find$' 2; then keys Return; fi # "No matches found." after the only one
fr_button 122 # Close
gone '^Replace$' || fail "Close left the replace window open"
save_as "$work/replaced.json"
"$ROOT/build/native/testbank" raw "$work/sample.json" |
  python3 -c 'import sys; t=sys.stdin.buffer.read(); sys.stdout.buffer.write(t.replace(b"Which keyword", b"What keyword", 1))' \
  >"$work/replaced-raw.json"
"$ROOT/build/native/testbank" raw "$work/replaced-raw.json" >"$work/expected-replaced.json"
cmp "$work/replaced.json" "$work/expected-replaced.json" || fail "the saved file lacks the replacement"
stop_editor
