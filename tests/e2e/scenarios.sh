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
keys Escape # the wizard's Close
gone '^Fix Imported Items$' || fail "Escape left the wizard open"
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
click_button() { # offset of the button's centre from the window's right edge
  xdotool mousemove $((X + WIDTH - $1)) $((Y + HEIGHT - 26)) click 1; sleep 1
}
click_button 155 # Save Selections...
wait_window '^Save Exam As$' || fail "no save dialog from Save Selections..."
type_text "$(winpath "$work/exam.json")"; keys Return
wait_window '^Save Selections$' || fail "no confirmation of the exam"
keys Return
"$ROOT/build/native/testbank" export "$work/sample.json" >"$work/expected-exam.json"
cmp "$work/exam.json" "$work/expected-exam.json" || fail "the exam differs from testbank export"
rm "$work/exam.json"
click_button 379 # Select None
click_button 155
wait_window '^Save Selections$' || fail "no message after Select None"
gone '^Save Exam As$' || fail "a save dialog opened with nothing selected"
import -window root "$shots/select-none.png"
keys Return
[ ! -e "$work/exam.json" ] || fail "an exam was written with nothing selected"
stop_editor

# Print Exam...: from the Select Items window's button, the dialog filled in with keys,
# the page and the key saved through the real save dialogs; both are what `testbank print`
# writes with the same title, versions and seed. No to the browser. Create > Print Exam...
# opens the same dialog; Escape closes it.
cp "$ROOT/tests/data/sample.json" "$work/paper.json"
start_editor
open_file "$work/paper.json"
wait_window '^Fix Imported Items$' 5 && close_fixup_wizard
keys alt+c s
wait_window '^Select Items$' || fail "Select Items did not open"
sleep 1
select=$(xdotool search --name '^Select Items$' | head -1)
eval "$(xdotool getwindowgeometry --shell "$select")"
xdotool mousemove $((X + WIDTH - 356 + 50)) $((Y + HEIGHT - 26)) click 1; sleep 1
wait_window '^Print Exam$' || fail "Print Exam... did not open its dialog"
type_text "Sample Quiz"; keys Tab ctrl+a; type_text "2"; keys Tab ctrl+a; type_text "11"
import -window root "$shots/print-exam.png"
keys Return
wait_window '^Save Printable Exam As$' || fail "no save dialog for the page"
type_text "$(winpath "$work/paper.html")"; keys Return
sleep 1.5
wait_window '^Save Answer Key As$' || fail "no save dialog for the key"
import -window root "$shots/print-exam-key.png"
type_text "$(winpath "$work/paper-key.csv")"; keys Return
sleep 1.5
wait_window '^Print Exam$' || fail "no message after printing"
import -window root "$shots/print-exam-done.png"
keys n
sleep 1
gone '^Print Exam$' || fail "the message after printing stayed"
"$ROOT/build/native/testbank" print "$work/paper.json" --title "Sample Quiz" --versions 2 --seed 11 \
  --key "$work/expected-key.csv" -o "$work/expected-paper.html" 2>/dev/null
cmp "$work/paper.html" "$work/expected-paper.html" || fail "the page differs from testbank print"
cmp "$work/paper-key.csv" "$work/expected-key.csv" || fail "the key differs from testbank print --key"
keys Escape
gone '^Select Items$' || fail "Escape left Select Items open"
keys alt+c p
wait_window '^Print Exam$' || fail "Create > Print Exam... did not open the dialog"
keys Escape
sleep 0.5
gone '^Print Exam$' || fail "Escape left the print dialog open"
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
sleep 1; keys Return # "No matches found." (caption "Replace") after the only one
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

# Item editor: a seven-choice item shows every choice; the key set to G lands in the saved
# file with all seven choices, and the listing shows them.
cat >"$work/seven.json" <<'JSON'
{"items":[{"id":"S7","type":"multiple_choice","category":"c","question":"Which is the seventh?",
  "choices":{"A":"one","B":"two","C":"three","D":"four","E":"five","F":"six","G":"seven"},"correct":"A",
  "objectives":{"MLO":"m","CLO":"c","PLO":"p"}}]}
JSON
start_editor
open_file "$work/seven.json"
keys alt+e e
wait_window '^Item Editor$' || fail "the item editor did not open"
editor=$(xdotool search --name '^Item Editor$' | head -1)
eval "$(xdotool getwindowgeometry --shell "$editor")"
at 120 475; keys g # the correct-letter list, open
import -window root "$shots/item-editor-seven-choices.png"
keys Return
gone '^Item Editor$' || at 50 595 # OK, unless Return already was
gone '^Item Editor$' || fail "OK left the editor open"
save_as "$work/seven-saved.json"
python3 - "$work/seven-saved.json" <<'PY' || fail "the key G or a choice past D is not in the saved file"
import json, sys
item = json.load(open(sys.argv[1], encoding="utf-8"))["items"][0]
assert item["correct"] == "G", item["correct"]
assert item["choices"] == {"A": "one", "B": "two", "C": "three", "D": "four", "E": "five", "F": "six", "G": "seven"}, item
PY
import -window root "$shots/listing-seven-choices.png"
stop_editor

# Save Selections as Moodle XML and as a QTI 2.1 package: the type chosen in the real save
# dialog's file-type list decides the format and the extension; the files are what
# `testbank export --format` writes, and they pass their checks.
cp "$ROOT/tests/data/sample.json" "$work/lms.json"
start_editor
open_file "$work/lms.json"
wait_window '^Fix Imported Items$' 5 && close_fixup_wizard
keys alt+c s
wait_window '^Select Items$' || fail "Select Items did not open"
sleep 1
select=$(xdotool search --name '^Select Items$' | head -1)
eval "$(xdotool getwindowgeometry --shell "$select")"
save_as_type() { # name without extension, how many entries down the type list
  xdotool mousemove $((X + WIDTH - 238 + 50)) $((Y + HEIGHT - 26)) click 1; sleep 1
  wait_window '^Save Exam As$' || fail "no save dialog from Save Selections..."
  type_text "$(winpath "$work/$1")"
  keys alt+t
  for _ in $(seq "$2"); do keys Down; done
  import -window root "$shots/save-as-type-$2.png"
  keys Return
  wait_window '^Save Selections$' || fail "no message after saving as type $2"
  import -window root "$shots/saved-as-type-$2.png"
  keys Return
}
save_as_type lms-exam 1
[ -e "$work/lms-exam.xml" ] || fail "Moodle XML was not saved with its extension"
"$ROOT/build/native/testbank" export "$work/lms.json" --format moodle -o "$work/expected.xml" 2>/dev/null
cmp "$work/lms-exam.xml" "$work/expected.xml" || fail "the Moodle XML differs from testbank export --format moodle"
xmllint --noout "$work/lms-exam.xml" || fail "the Moodle XML is not well-formed"
save_as_type lms-exam 3
[ -e "$work/lms-exam.zip" ] || fail "the QTI 2.1 package was not saved with its extension"
"$ROOT/build/native/testbank" export "$work/lms.json" --format qti21 -o "$work/expected.zip" 2>/dev/null
cmp "$work/lms-exam.zip" "$work/expected.zip" || fail "the QTI 2.1 package differs from testbank export --format qti21"
rm -rf "$work/qti21" && mkdir "$work/qti21" && (cd "$work/qti21" && unzip -q ../lms-exam.zip)
schemas=$ROOT/tests/schemas
XML_CATALOG_FILES=$schemas/catalog.xml xmllint --nonet --noout \
  --schema "$schemas/catalog-root/www.imsglobal.org/xsd/imsqti_v2p1.xsd" "$work"/qti21/items/*.xml \
  "$work/qti21/assessment.xml" || fail "a QTI 2.1 item or the test does not validate"
XML_CATALOG_FILES=$schemas/catalog.xml xmllint --nonet --noout \
  --schema "$schemas/qti21-package/qtiv2p1_imscpv1p2_v1p0.xsd" "$work/qti21/imsmanifest.xml" ||
  fail "the QTI 2.1 manifest does not validate"
stop_editor

# Work kept across windows, driven with the keyboard alone: each window's job done with
# Tab, Enter, Escape and typing; what lands on disk checked after each.
cat >"$work/four.json" <<'JSON'
{"items":[
 {"id":"MC1","type":"multiple_choice","question":"Red fruit: apples","choices":{"A":"x","B":"y","C":"","D":""},
  "correct":"A","objectives":{"MLO":"m","CLO":"c","PLO":"p"}},
 {"id":"MC2","type":"multiple_choice","question":"Two","choices":{"A":"x","B":"y","C":"","D":""},"correct":"B",
  "objectives":{"MLO":"m","CLO":"c","PLO":"p"}},
 {"id":"TF1","type":"true_false","question":"Three","correct":"True","objectives":{"MLO":"m","CLO":"c","PLO":"p"}},
 {"id":"MC3","type":"multiple_choice","question":"Four","choices":{"A":"x","B":"y","C":"","D":""},"correct":"A",
  "objectives":{"MLO":"m","CLO":"c","PLO":"p"}}]}
JSON
cat >"$work/more.json" <<'JSON'
{"items":[
 {"id":"MC10","type":"multiple_choice","question":"Ten","choices":{"A":"x","B":"y","C":"","D":""},"correct":"A",
  "objectives":{"MLO":"m","CLO":"c","PLO":"p"}},
 {"id":"MC11","type":"multiple_choice","question":"Eleven","choices":{"A":"x","B":"y","C":"","D":""},"correct":"A",
  "objectives":{"MLO":"m","CLO":"c","PLO":"p"}}]}
JSON
ids() { python3 -c 'import json,sys; print(" ".join(i["id"] for i in json.load(open(sys.argv[1]))["items"]))' "$1"; }
# The editor opens over the main window; dragged by its caption, both captions show.
drag_editor_aside() {
  xdotool mousemove 450 12 mousedown 1; sleep 0.3
  xdotool mousemove 600 100; sleep 0.3; xdotool mousemove 850 212; sleep 0.3
  xdotool mouseup 1; sleep 0.5
}
focus_main() { xdotool mousemove 200 12 click 1; sleep 0.6; }
focus_editor() { xdotool mousemove 1100 212 click 1; sleep 0.6; } # its caption right of the main window
# Edit > Replace... with keys: the find text, Tab, the replacement, Enter (Find Next), then
# Tab to Replace and Enter; the "No matches found." box after the only match; Escape.
replace_with_keys() {
  keys ctrl+h
  wait_window '^Replace$' || fail "Replace did not open from Ctrl+H"
  type_text "$1"; keys Tab; type_text "$2"; keys Return Tab Tab Tab Return
  sleep 1; keys Return # "No matches found." (caption "Replace") after the only match
  keys Escape
  gone '^Replace$' || fail "Escape left the replace window open"
}

# Edit > Find... with keys: the word found and selected in the view, the window closed,
# then the new text typed over the selection.
find_and_type() {
  keys ctrl+f
  wait_window '^Find$' || fail "Find did not open from Ctrl+F"
  type_text "$1"; keys Return Escape
  gone '^Find$' || fail "Escape left the find window open"
  type_text "$2"
}
editor_ok() { # the editor's OK clicked (after Apply, Enter would press the focused Apply)
  local editor; editor=$(xdotool search --name '^Item Editor$' | head -1)
  eval "$(xdotool getwindowgeometry --shell "$editor")"
  xdotool mousemove $((X + 56)) $((Y + 620)) click 1; sleep 1
}
no_question() { # no message box came up (a question has the program's name, an error "Error")
  sleep 0.5
  gone '^Exam Testbank Viewer/Editor$' && gone '^Error$'
}

# Text typed in the raw view survives Edit Long Lines, the item editor's Apply and OK and
# Save Selections: each takes it into the testbank first and asks nothing.
cp "$work/four.json" "$work/raw.json"
start_editor
open_file "$work/raw.json"
keys alt+v r
find_and_type apples PEARS
keys alt+v l # Edit Long Lines in Raw View
no_question || fail "Edit Long Lines asked about or refused the typed text"
import -window root "$shots/typed-then-long-lines.png"
find_and_type Three THREE_TYPED
keys alt+e e
wait_window '^Item Editor$' || fail "the item editor did not open"
keys alt+a # Apply
no_question || fail "Apply asked about the typed text"
import -window root "$shots/typed-then-apply.png"
editor_ok
gone '^Item Editor$' || fail "OK left the editor open"
find_and_type Two TWO_TYPED
keys alt+e e
wait_window '^Item Editor$' || fail "the item editor did not open again"
keys Return # OK
no_question || fail "OK asked about the typed text"
gone '^Item Editor$' || fail "OK left the editor open"
find_and_type Four FOUR_TYPED
keys alt+c s
wait_window '^Select Items$' || fail "Select Items did not open"
sleep 1
keys Return # Save Selections...
wait_window '^Save Exam As$' || fail "no save dialog from Save Selections"
type_text "$(winpath "$work/raw-exam.json")"; keys Return
wait_window '^Save Selections$' || fail "no confirmation of the exam"
keys Return
grep -q FOUR_TYPED "$work/raw-exam.json" || fail "the exam lacks the text typed in the raw view"
keys Escape
gone '^Select Items$' || fail "Escape left Select Items open"
keys ctrl+s
wait_window '^Info$' || fail "no confirmation of Save"
keys Return
for typed in PEARS THREE_TYPED TWO_TYPED FOUR_TYPED; do
  grep -q "$typed" "$work/raw.json" || fail "the text typed in the raw view was lost: $typed"
done
stop_editor

# Replace All, then the item editor's Apply and OK: no question, and the replacements are
# in the saved file.
cp "$work/four.json" "$work/replaced.json"
start_editor
open_file "$work/replaced.json"
keys ctrl+h
wait_window '^Replace$' || fail "Replace did not open"
type_text '"x"'; keys Tab; type_text '"ex"'
keys alt+a # Replace All
sleep 1; keys Return # "Replaced 3 occurrences."
keys Escape
gone '^Replace$' || fail "Escape left the replace window open"
keys alt+e e
wait_window '^Item Editor$' || fail "the item editor did not open"
keys alt+a # Apply
no_question || fail "Apply after Replace All asked a question"
import -window root "$shots/replace-all-then-apply.png"
editor_ok
no_question || fail "OK after Replace All asked a question"
gone '^Item Editor$' || fail "OK left the editor open"
keys ctrl+s
wait_window '^Info$' || fail "no confirmation of Save"
keys Return
python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); sys.exit(0 if [i.get("choices",{}).get("A") for i in d["items"]]==["ex","ex",None,"ex"] else 1)' \
  "$work/replaced.json" || fail "the replacements were undone"
stop_editor

# Text that does not parse stops OK with the error's place, and stays in the view.
cp "$work/four.json" "$work/broken.json"
start_editor
open_file "$work/broken.json"
keys alt+v r
find_and_type '"Two"' '"Two'
keys alt+e e
wait_window '^Item Editor$' || fail "the item editor did not open"
keys Return # OK
wait_window '^Error$' || fail "no error for raw text that does not parse"
import -window root "$shots/unparsed-raw-text.png"
keys Return
xdotool search --name '^Item Editor$' >/dev/null || fail "the editor closed over text that does not parse"
keys Escape
gone '^Item Editor$' || fail "Escape did not close the untouched editor"
keys alt+v r # leaving the raw view: the discard question, No keeps the text
wait_window '^Discard Raw View Changes$' || fail "leaving the raw view did not ask"
keys n
sleep 0.5
keys ctrl+s # Save refuses the text and writes nothing
wait_window '^Error$' || fail "Save wrote text that does not parse"
keys Return
cmp "$work/broken.json" "$work/four.json" || fail "the file changed"
stop_editor

# "<New item>" typed before an Open && Merge is still new after it; the saved file keeps
# every merged item. Exit over typed values asks first.
cp "$work/four.json" "$work/merge.json"
start_editor
open_file "$work/merge.json"
keys alt+e e
wait_window '^Item Editor$' || fail "the item editor did not open"
drag_editor_aside
keys Tab End Tab; type_text "NEW1"; keys Tab Tab Tab Tab Tab; type_text "Typed before the merge"
focus_main
keys alt+f m
wait_window '^Open$' || fail "no Open dialog for Open && Merge"
type_text "$(winpath "$work/more.json")"; keys Return
sleep 1.5
focus_editor
import -window root "$shots/new-item-after-merge.png"
keys Tab Return # from the question to Choice A; Enter is OK
gone '^Item Editor$' || fail "OK did not save the new item"
keys ctrl+s
wait_window '^Info$' || fail "no confirmation of Save"
keys Return
[ "$(ids "$work/merge.json")" = "MC1 MC2 TF1 MC3 MC10 MC11 NEW1" ] || fail "merge and new item: $(ids "$work/merge.json")"
keys alt+e e
wait_window '^Item Editor$' || fail "the item editor did not open"
drag_editor_aside
keys Tab End Tab; type_text "NEW2"
focus_main
keys alt+f x
wait_window '^Item Editor$' 2
import -window root "$shots/exit-over-typed-item.png"
keys n
sleep 1
xdotool search --name ' - Exam Testbank Viewer/Editor$' >/dev/null || fail "Exit ended the program over a typed item"
focus_main
keys alt+f x
sleep 0.5
keys y
sleep 2
gone 'Exam Testbank Viewer/Editor$' || fail "Yes to the question did not let Exit go on"
stop_editor

# The fixup wizard, Select Items and Find with keys alone.
cat >"$work/keys.json" <<'JSON'
{"items":[{"id":"a","type":"tf","question":"Sure?","correct":true},
          {"id":"b","type":"mc","question":"Pick","choices":{"A":"x","B":"y"},"correct":"B",
           "objectives":{"MLO":"m","CLO":"c","PLO":"p"}}]}
JSON
start_editor
open_file "$work/keys.json"
wait_window '^Fix Imported Items$' || fail "the wizard did not open"
keys Tab Tab; type_text "MLO-K"; keys Return # Type, Question, MLO; Enter is Save & Next
gone '^Fix Imported Items$' || fail "Enter did not save the last item"
keys alt+c s
wait_window '^Select Items$' || fail "Select Items did not open"
keys space Return # the first row unchecked; Enter is Save Selections...
wait_window '^Save Exam As$' || fail "Enter did not save the selection"
type_text "$(winpath "$work/keys-exam.json")"; keys Return
wait_window '^Save Selections$' || fail "no confirmation of the exam"
keys Return Escape
gone '^Select Items$' || fail "Escape did not close Select Items"
[ "$(ids "$work/keys-exam.json")" = "b" ] || fail "exam by keys: $(ids "$work/keys-exam.json")"
keys ctrl+f
wait_window '^Find$' || fail "Find did not open"
type_text "MLO-K"; keys Return Escape
gone '^Find$' || fail "Escape did not close Find"
keys ctrl+s
wait_window '^Info$' || fail "no confirmation of Save"
keys Return
grep -q '"MLO": "MLO-K"' "$work/keys.json" || fail "the MLO typed in the wizard is not saved"
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

# Many items at once: the wizard's Apply to All gives every remaining item the typed MLO
# (one question, then the wizard closes); Select Items' search narrows the list and Clear
# Shown unchecks only those rows; Replace All changes every match and says how many. The
# title names the file and marks unsaved changes.
python3 -c 'import json; print(json.dumps({"items":[{"id":"B%03d"%i,"type":"mc","question":"Box %d"%i,"category":"Boxes"} for i in range(60)]}))' >"$work/bulk.json"
start_editor
open_file "$work/bulk.json"
wait_window '^Fix Imported Items$' || fail "the wizard did not open for the bulk bank"
keys Tab Tab; type_text "BULK-MLO" # Type, Question, MLO
keys alt+a
wait_window '^Fix Imported Items$' 2
import -window root "$shots/apply-to-all.png"
keys Return # Yes
gone '^Fix Imported Items$' || fail "Apply to All left the wizard open"
xdotool search --name '^[*]bulk.json - Exam Testbank Viewer/Editor$' >/dev/null || fail "the title does not mark the change"
save_as "$work/bulk-fixed.json"
python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); sys.exit(0 if all(i["objectives"]["MLO"]=="BULK-MLO" for i in d["items"]) else 1)' \
  "$work/bulk-fixed.json" || fail "Apply to All did not give every item the MLO"
keys alt+c s
wait_window '^Select Items$' || fail "Select Items did not open"
keys alt+s; type_text "box 1" # B001, B010..B019
sleep 0.5
keys alt+o # Clear Shown
import -window root "$shots/select-items-search.png"
keys alt+s Return # from the search box, Enter is Save Selections...
wait_window '^Save Exam As$' || fail "no save dialog from Save Selections..."
type_text "$(winpath "$work/bulk-exam.json")"; keys Return
wait_window '^Save Selections$' || fail "no confirmation of the exam"
keys Return
python3 -c 'import json,sys; ids=[i["id"] for i in json.load(open(sys.argv[1]))["items"]]; sys.exit(0 if len(ids)==49 and "B001" not in ids and "B015" not in ids else 1)' \
  "$work/bulk-exam.json" || fail "Clear Shown did not uncheck exactly the rows found"
keys Escape
gone '^Select Items$' || fail "Escape left Select Items open"
keys ctrl+h
wait_window '^Replace$' || fail "Replace did not open"
type_text "Box"; keys Tab; type_text "Crate"
keys alt+a # Replace All
sleep 1
import -window root "$shots/replace-all.png"
keys Return # "Replaced 60 occurrences."
keys Escape
gone '^Replace$' || fail "Escape left the replace window open"
save_as "$work/bulk-replaced.json"
python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); sys.exit(0 if all(i["question"].startswith("Crate ") for i in d["items"]) else 1)' \
  "$work/bulk-replaced.json" || fail "Replace All did not replace every match"
stop_editor

# Create > Coverage Report: the window's table and chart drawn; Save Report (Alt+S) through
# the real save dialog writes the page `testbank report --format html` makes of the bank,
# and the CSV type in the dialog's list writes the CSV.
cp "$ROOT/tests/data/coverage.json" "$work/coverage.json"
start_editor
open_file "$work/coverage.json"
wait_window '^Fix Imported Items$' 5 && close_fixup_wizard
keys alt+c c
wait_window '^Coverage Report$' || fail "Coverage Report did not open"
sleep 1
import -window root "$shots/coverage-report.png"
keys alt+s
wait_window '^Save Coverage Report As$' || fail "no save dialog from Save Report..."
type_text "$(winpath "$work/coverage-page")"; keys Return
wait_window '^Coverage Report$' || fail "no confirmation of the report"
sleep 0.5
xdotool search --name '^Coverage Report$' | wc -l | grep -qx 2 || fail "no message box after Save Report"
import -window root "$shots/coverage-saved.png"
keys Return
[ -e "$work/coverage-page.html" ] || fail "the report page was not saved as .html"
(cd "$work" && "$ROOT/build/native/testbank" report coverage.json --format html -o expected-page.html)
cmp "$work/coverage-page.html" "$work/expected-page.html" || fail "the saved page differs from testbank report --format html"
keys alt+s
wait_window '^Save Coverage Report As$' || fail "no save dialog for the CSV"
type_text "$(winpath "$work/coverage-table")"
keys alt+t Down Return
sleep 1
keys Return
[ -e "$work/coverage-table.csv" ] || fail "the CSV type did not write coverage-table.csv"
(cd "$work" && "$ROOT/build/native/testbank" report coverage.json --format csv) | cmp - "$work/coverage-table.csv" ||
  fail "the saved CSV differs from testbank report --format csv"
stop_editor

# A path too long for the file dialog is refused with a message and the dialog stays;
# a shorter one is saved. (Typed, such a path used to end the program.)
cp "$work/four.json" "$work/long.json"
start_editor
open_file "$work/long.json"
deep=$work/$(printf 'd%.0s' $(seq 120)); mkdir -p "$deep"
keys alt+f a
wait_window '^Save As$' || fail "no Save As dialog"
type_text "$(winpath "$deep/$(printf 'f%.0s' $(seq 140)).json")"; keys Return
wait_window '^Error$' 5 || fail "no message for a path too long"
import -window root "$shots/path-too-long.png"
keys Return
xdotool search --name '^Save As$' >/dev/null || fail "the dialog closed after the message"
keys ctrl+a; type_text "$(winpath "$deep/short.json")"; keys Return
wait_window '^Info$' || fail "no confirmation of Save As after a shorter path"
keys Return
cmp "$deep/short.json" <("$ROOT/build/native/testbank" raw "$work/long.json") || fail "the shorter path was not saved"
stop_editor

# File > Import... through the real typed open dialog: a Moodle XML file becomes the
# document, the wizard lists what lacks an MLO, and Save As writes what the command gives.
start_editor
keys alt+f i
wait_window '^Import$' || fail "no Import dialog from File > Import..."
import -window root "$shots/import-dialog.png"
type_text "$(winpath "$ROOT/tests/data/import/moodle-docs.xml")"; keys Return
wait_window '^Fix Imported Items$' || fail "the import did not open the fixup wizard"
import -window root "$shots/import-fixup.png"
close_fixup_wizard
import -window root "$shots/imported.png"
save_as "$work/imported-bank.json"
"$ROOT/build/native/testbank" import "$ROOT/tests/data/import/moodle-docs.xml" -o "$work/expected-import.json" 2>/dev/null
cmp "$work/imported-bank.json" "$work/expected-import.json" || fail "File > Import differs from testbank import"
stop_editor

# Long texts: a question of 60,000 numbers on one line opens at once; the raw view shows
# it broken and read-only (the title says so), Find reaches across a break, and Save
# writes the file's bytes again.
python3 -c 'import json; print(json.dumps({"items":[{"id":"L1","type":"multiple_choice","question":",".join(str(i) for i in range(60000)),"choices":{"A":"a","B":"b"},"correct":"A","objectives":{"MLO":"m","CLO":"c","PLO":"p"}}]}))' >"$work/long-in.json"
"$ROOT/build/native/testbank" raw "$work/long-in.json" -o "$work/long-text.json"
cp "$work/long-text.json" "$work/long-before.json"
start_editor
open_file "$work/long-text.json"
wait_window '^long-text.json - Exam Testbank Viewer/Editor$' 30 || fail "the long text did not open"
keys alt+v r
wait_window 'raw view read-only: long lines shown broken$' 30 || fail "the title does not say the raw view is read-only"
import -window root "$shots/long-raw-view.png"
keys ctrl+f
wait_window '^Find$' || fail "Find did not open"
type_text "59998,59999"; keys Return
sleep 1
xdotool search --name '^Find$' | wc -l | grep -qx 1 || fail "Find said something instead of finding the last numbers"
import -window root "$shots/long-find.png"
keys Escape
keys ctrl+s
wait_window '^Info$' || fail "no confirmation of Save"
keys Return
cmp "$work/long-text.json" "$work/long-before.json" || fail "Save changed the long text"
stop_editor
