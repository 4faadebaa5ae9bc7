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

# Item editor: OK without changes leaves the saved file byte for byte as without the
# editor; a new multiple-choice item typed through "<New item>" lands in the file.
cat >"$work/canonical.json" <<'JSON'
{"items":[{"id":"M1","type":"multiple_choice","category":"c","question":"Two lines\nof text",
  "choices":{"A":"a","B":"b","C":"c","D":"d"},"correct":"B","extra":{"kept":true},
  "objectives":{"MLO":"m","CLO":"c","PLO":"p"}},
 {"id":"N1","type":"numerical","question":"n","answer":"3.5","correct":"3.5",
  "objectives":{"MLO":"m","CLO":"c","PLO":"p"}}]}
JSON
start_editor
open_file "$work/canonical.json"
save_as "$work/plain.json"
keys alt+e e
wait_window '^Item Editor$' || fail "the item editor did not open"
editor=$(xdotool search --name '^Item Editor$' | head -1)
eval "$(xdotool getwindowgeometry --shell "$editor")"
at() { xdotool mousemove $((X + 6 + $1)) $((Y + 25 + $2)) click 1; sleep 0.5; } # client coordinates
at 50 595 # OK
gone '^Item Editor$' || fail "OK left the editor open"
save_as "$work/after-ok.json"
cmp "$work/plain.json" "$work/after-ok.json" || fail "OK without changes changed the saved file"
keys alt+e e
wait_window '^Item Editor$' || fail "the item editor did not open again"
editor=$(xdotool search --name '^Item Editor$' | head -1)
eval "$(xdotool getwindowgeometry --shell "$editor")"
at 200 72; keys End Return # the item list's last entry: "<New item>"
at 200 112; type_text "Q9"
at 200 300; type_text "What is new?"
import -window root "$shots/item-editor.png"
at 50 595
gone '^Item Editor$' || fail "OK refused the new item"
save_as "$work/with-new.json"
python3 - "$work/with-new.json" <<'PY' || fail "the new item is not in the saved file"
import json, sys
items = json.load(open(sys.argv[1], encoding="utf-8"))["items"]
new = items[-1]
assert new["id"] == "Q9" and new["question"] == "What is new?" and new["type"] == "multiple_choice", new
assert sorted(new) == ["category", "choices", "correct", "id", "objectives", "question", "type"], sorted(new)
PY
stop_editor

# Find Duplicates: Edit > Find Duplicates... lists the groups; from the keyboard alone
# (Tab to the list, Down, Enter) the chosen member is shown in the main view; Escape
# closes the window.
cat >"$work/dupes.json" <<'JSON'
{"items":[
 {"id":"Q1","type":"tf","question":"Ice floats on water.","correct":true,"objectives":{"MLO":"m","CLO":"c","PLO":"p"}},
 {"id":"Q2","type":"multiple_choice","question":"Which planet in the solar system is known as the red planet?",
  "choices":{"A":"Mars","B":"Venus","C":"Jupiter","D":"Mercury"},"correct":"A","objectives":{"MLO":"m","CLO":"c","PLO":"p"}},
 {"id":"Q3","type":"tf","question":"ice floats on  WATER","correct":false,"objectives":{"MLO":"m","CLO":"c","PLO":"p"}},
 {"id":"Q4","type":"multiple_choice","question":"Which planet in our solar system is known as the red planet?",
  "choices":{"A":"Venus","B":"Mars","C":"Jupiter","D":"Mercury"},"correct":"B","objectives":{"MLO":"m","CLO":"c","PLO":"p"}}]}
JSON
start_editor
open_file "$work/dupes.json"
keys alt+e d
wait_window '^Find Duplicates$' || fail "Find Duplicates did not open"
sleep 1
import -window root "$shots/find-duplicates.png"
keys Tab Tab Down Return
sleep 1
gone '^Find Duplicates$' && fail "Enter on a member closed the window"
import -window root "$shots/find-duplicates-shown.png"
keys Escape
gone '^Find Duplicates$' || fail "Escape left Find Duplicates open"
stop_editor
