#include "editor/ItemEditor.h"

#include <algorithm>
#include <array>

#include "editor/EditorForm.h"
#include "ui/ControlTable.h"
#include "ui/Shell.h"
#include "util/StringUtil.h"
#include "util/Win32Text.h"

static bool ConfirmCloseMcEditor(HWND owner);

namespace {

constexpr size_t kNewItem = static_cast<size_t>(-1);

struct EditorState {
    HWND hWnd = nullptr;
    IndexLists indices; // positions in `items` of each type's items
    int scrollPos = 0;
    int contentHeight = 0;
    FormModel shown; // what the controls held right after the last load or clear
    size_t editing = kNewItem; // the position in `items` of the item in the form
    std::string editingId;     // its ID, to find it again in a re-read document
    json loaded;               // the item as the form was loaded from it
    HWND savedFocus = nullptr;
    int choiceCount = kMinChoices; // choice fields shown: A-D and the further ones
};
EditorState g_editor;

enum { kMcGroup = 1, kTfGroup = 2, kNumGroup = 3, kAlgGroup = 4 };
// Choices past D have a group each (E: 6 ... Z: 27), shown while the item has them.
constexpr int ExtraChoiceGroup(int index) { return 2 + index; }
const DWORD kLine = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
const DWORD kMulti = WS_BORDER | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
const DWORD kList = WS_TABSTOP | CBS_DROPDOWNLIST;
const FieldKind T = FieldKind::Text, S = FieldKind::Selection, N = FieldKind::None;

// The whole form at its fixed rectangles; groups 1 to 4 hold the fields of one type each.
// Fields labelled on their left start at one edge (90); the others sit under their label.
const ControlSpec kControls[] = {
    {0, L"STATIC", L"Item type:", 0, 10, 10, 80, 20, 0, N},
    {IDC_ED_TYPE, L"COMBOBOX", L"", kList, 90, 8, 200, 200, 0, S},
    {0, L"STATIC", L"Item:", 0, 10, 40, 80, 20, 0, N},
    {IDC_ED_ITEM, L"COMBOBOX", L"", kList | WS_VSCROLL, 10, 62, 420, 200, 0, S},
    {0, L"STATIC", L"ID:", 0, 10, 102, 50, 20, 0, N},
    {IDC_ED_ID, L"EDIT", L"", kLine, 90, 102, 340, 20, 0, T},
    {0, L"STATIC", L"Category:", 0, 10, 132, 80, 20, 0, N},
    {IDC_ED_CATEGORY, L"EDIT", L"", kLine, 90, 132, 340, 20, 0, T},
    {0, L"STATIC", L"MLO:", 0, 10, 162, 60, 20, 0, N},
    {IDC_ED_MLO, L"EDIT", L"", kLine, 90, 162, 340, 20, 0, T},
    {0, L"STATIC", L"CLO:", 0, 10, 192, 60, 20, 0, N},
    {IDC_ED_CLO, L"EDIT", L"", kLine, 90, 192, 340, 20, 0, T},
    {0, L"STATIC", L"PLO:", 0, 10, 222, 60, 20, 0, N},
    {IDC_ED_PLO, L"EDIT", L"", kLine, 90, 222, 340, 20, 0, T},
    {0, L"STATIC", L"Question:", 0, 10, 252, 80, 20, 0, N},
    {IDC_ED_QUESTION, L"EDIT", L"", kMulti, 10, 272, 420, 80, 0, T},
    {3131, L"STATIC", L"Choice A:", 0, 10, 362, 70, 20, kMcGroup, N},
    {IDC_ED_CHOICE_A, L"EDIT", L"", kLine, 90, 362, 340, 20, kMcGroup, T},
    {3132, L"STATIC", L"Choice B:", 0, 10, 387, 70, 20, kMcGroup, N},
    {IDC_ED_CHOICE_A + 1, L"EDIT", L"", kLine, 90, 387, 340, 20, kMcGroup, T},
    {3133, L"STATIC", L"Choice C:", 0, 10, 412, 70, 20, kMcGroup, N},
    {IDC_ED_CHOICE_A + 2, L"EDIT", L"", kLine, 90, 412, 340, 20, kMcGroup, T},
    {3134, L"STATIC", L"Choice D:", 0, 10, 437, 70, 20, kMcGroup, N},
    {IDC_ED_CHOICE_A + 3, L"EDIT", L"", kLine, 90, 437, 340, 20, kMcGroup, T},
    {0, L"STATIC", L"Correct:", 0, 10, 467, 70, 20, 0, N},
    {IDC_ED_CORRECT, L"COMBOBOX", L"", kList | WS_VSCROLL, 90, 465, 70, 200, kMcGroup, S},
    {IDC_ED_ADD_CHOICE, L"BUTTON", L"Add C&hoice", WS_TABSTOP, 170, 464, 100, 24, kMcGroup, N},
    {IDC_ED_REMOVE_CHOICE, L"BUTTON", L"&Remove Last Choice", WS_TABSTOP, 280, 464, 150, 24, kMcGroup, N},
    {IDC_ED_TRUE_FALSE, L"COMBOBOX", L"", kList, 90, 465, 80, 100, kTfGroup, S},
    {3135, L"STATIC", L"Answer:", 0, 10, 497, 70, 20, kNumGroup, N},
    {IDC_ED_ANSWER, L"EDIT", L"", kLine, 90, 497, 340, 20, kNumGroup, T},
    {3140, L"STATIC", L"Render as:", 0, 450, 90, 90, 20, kAlgGroup, N},
    {IDC_ED_RENDER_AS, L"EDIT", L"", kLine, 540, 90, 310, 20, kAlgGroup, T},
    {3142, L"STATIC", L"Template:", 0, 450, 120, 90, 20, kAlgGroup, N},
    {IDC_ED_TEMPLATE, L"EDIT", L"", kMulti, 450, 140, 400, 60, kAlgGroup, T},
    {3144, L"STATIC", L"Correct formula:", 0, 450, 210, 110, 20, kAlgGroup, N},
    {IDC_ED_FORMULA, L"EDIT", L"", kLine, 560, 210, 290, 20, kAlgGroup, T},
    {3146, L"STATIC", L"Format string:", 0, 450, 240, 100, 20, kAlgGroup, N},
    {IDC_ED_FORMAT, L"EDIT", L"", kLine, 550, 240, 300, 20, kAlgGroup, T},
    {3148, L"STATIC", L"Choice count:", 0, 450, 270, 100, 20, kAlgGroup, N},
    {IDC_ED_CHOICE_COUNT, L"EDIT", L"", kLine, 550, 270, 80, 20, kAlgGroup, T},
    {3150, L"STATIC", L"Parameters JSON:", 0, 450, 300, 150, 20, kAlgGroup, N},
    {IDC_ED_PARAMETERS, L"EDIT", L"", kMulti, 450, 320, 400, 60, kAlgGroup, T},
    {3152, L"STATIC", L"Constants JSON:", 0, 450, 390, 150, 20, kAlgGroup, N},
    {IDC_ED_CONSTANTS, L"EDIT", L"", kMulti, 450, 410, 400, 60, kAlgGroup, T},
    {3154, L"STATIC", L"Distractors JSON:", 0, 450, 480, 150, 20, kAlgGroup, N},
    {IDC_ED_DISTRACTORS, L"EDIT", L"", kMulti, 450, 500, 400, 60, kAlgGroup, T},
    {IDC_ED_OK, L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 10, 580, 80, 30, 0, N},
    {IDC_ED_CANCEL, L"BUTTON", L"Cancel", WS_TABSTOP, 110, 580, 80, 30, 0, N},
    {IDC_ED_APPLY, L"BUTTON", L"&Apply", WS_TABSTOP, 210, 580, 80, 30, 0, N},
};
// The choices past D: a column of their own beside A-D, rows going down from A's.
constexpr int kExtraChoices = kMaxChoices - kMinChoices;
const wchar_t* const kExtraChoiceLabels[kExtraChoices] = {
    L"Choice E:", L"Choice F:", L"Choice G:", L"Choice H:", L"Choice I:", L"Choice J:", L"Choice K:", L"Choice L:",
    L"Choice M:", L"Choice N:", L"Choice O:", L"Choice P:", L"Choice Q:", L"Choice R:", L"Choice S:", L"Choice T:",
    L"Choice U:", L"Choice V:", L"Choice W:", L"Choice X:", L"Choice Y:", L"Choice Z:"};
constexpr int ChoiceRowTop(int index) { return 362 + 25 * (index - kMinChoices); }
constexpr size_t kBaseControls = sizeof kControls / sizeof kControls[0];
const std::array<ControlSpec, kBaseControls + 2 * kExtraChoices> kAllControls = [] {
    std::array<ControlSpec, kBaseControls + 2 * kExtraChoices> all{};
    size_t at = 0;
    for (const ControlSpec& spec : kControls) all[at++] = spec;
    for (int k = kMinChoices; k < kMaxChoices; ++k) {
        const int group = ExtraChoiceGroup(k);
        all[at++] = {ChoiceLabelId(k), L"STATIC", kExtraChoiceLabels[k - kMinChoices], 0, 450, ChoiceRowTop(k), 70, 20,
                     group, N};
        all[at++] = {ChoiceFieldId(k), L"EDIT", L"", kLine, 520, ChoiceRowTop(k), 330, 20, group, T};
    }
    return all;
}();
const ControlTable kTable{kAllControls.data(), kAllControls.size()};
const int kButtonsTop = 580;

const wchar_t* const kTypeEntries[] = {L"Multiple choice", L"True/False", L"Numerical", L"Algorithmic"};
const wchar_t* const kLetterEntries[kMaxChoices] = {L"A", L"B", L"C", L"D", L"E", L"F", L"G", L"H", L"I",
                                                    L"J", L"K", L"L", L"M", L"N", L"O", L"P", L"Q", L"R",
                                                    L"S", L"T", L"U", L"V", L"W", L"X", L"Y", L"Z"};
const wchar_t* const kTruthEntries[] = {L"True", L"False"};

int TypeIndex(HWND window)
{
    HWND list = GetDlgItem(window, IDC_ED_TYPE);
    const int index = list ? static_cast<int>(SendMessageW(list, CB_GETCURSEL, 0, 0)) : 0;
    return index >= 0 && index <= 3 ? index : 0;
}

void SetScrollRange(HWND window);

void UpdateTypeSpecificVisibility(HWND window)
{
    const int type = TypeIndex(window);
    for (int group = kMcGroup; group <= kAlgGroup; ++group) ShowControlGroup(window, kTable, group, group == type + 1);
    for (int k = kMinChoices; k < kMaxChoices; ++k)
        ShowControlGroup(window, kTable, ExtraChoiceGroup(k), type == 0 && k < g_editor.choiceCount);
    EnableWindow(GetDlgItem(window, IDC_ED_ADD_CHOICE), g_editor.choiceCount < kMaxChoices);
    EnableWindow(GetDlgItem(window, IDC_ED_REMOVE_CHOICE), g_editor.choiceCount > kMinChoices);
    const int lastRow = type == 0 && g_editor.choiceCount > kMinChoices ? ChoiceRowTop(g_editor.choiceCount - 1) + 40 : 0;
    g_editor.contentHeight = std::max(kButtonsTop + 50, lastRow);
    SetScrollRange(window);
}

// The correct-letter list offers a letter for each choice shown, keeping the selection.
void SetChoiceCount(HWND window, int count)
{
    g_editor.choiceCount = count;
    HWND list = GetDlgItem(window, IDC_ED_CORRECT);
    const int selection = static_cast<int>(SendMessageW(list, CB_GETCURSEL, 0, 0));
    FillComboBox(list, kLetterEntries, static_cast<size_t>(count));
    SendMessageW(list, CB_SETCURSEL, selection >= 0 && selection < count ? selection : 0, 0);
}

// The controls' values; the hidden fields of choices past the shown ones are not the form's.
FormModel ReadEditorForm(HWND window)
{
    FormModel form;
    ReadForm(window, kTable, form);
    SetFormChoiceCount(form, g_editor.choiceCount);
    return form;
}

// Puts a form into the controls and remembers what they then hold.
void ShowForm(HWND window, const FormModel& stored)
{
    ShowWaitCursor();
    SetChoiceCount(window, FormChoiceCount(stored));
    WriteForm(window, kTable, DisplayItemForm(stored));
    for (const ControlSpec& spec : kTable)
        if (spec.field == FieldKind::Text) SendDlgItemMessageW(window, spec.id, EM_SETREADONLY, IsCutField(stored, spec.id), 0);
    UpdateTypeSpecificVisibility(window);
    g_editor.shown = ReadEditorForm(window);
}

void McEditorLoadJsonItem(HWND window, size_t position)
{
    const json* items = g_jsonDoc.is_object() && g_jsonDoc.contains("items") ? &g_jsonDoc["items"] : nullptr;
    if (!items || !items->is_array() || position >= items->size()) return;
    ShowForm(window, LoadItemForm((*items)[position]));
    g_editor.editing = position;
    g_editor.loaded = (*items)[position];
    const json& id = (*items)[position].is_object() ? (*items)[position].value("id", json()) : json();
    g_editor.editingId = id.is_string() ? id.get<std::string>() : std::string();
}

void McEditorClearControls(HWND window)
{
    FormModel cleared = ClearedItemForm();
    cleared.selections[IDC_ED_TYPE] = TypeIndex(window); // the new item is of the current type
    ShowForm(window, cleared);
    g_editor.editing = kNewItem;
    g_editor.loaded = json();
}

// The item list of the current type, without touching the fields.
void FillItemEntries(HWND window)
{
    HWND list = GetDlgItem(window, IDC_ED_ITEM);
    if (!list) return;
    const std::vector<size_t>& positions = g_editor.indices[TypeIndex(window)];
    const std::vector<std::u16string> entries = ItemListEntries(g_jsonDoc, positions);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    size_t bytes = 0;
    for (const auto& entry : entries) bytes += (entry.size() + 1) * sizeof(wchar_t);
    SendMessageW(list, CB_INITSTORAGE, entries.size(), bytes);
    for (const auto& entry : entries) SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WidePtr(entry)));
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
}

void FillItemComboForCurrentType(HWND window)
{
    FillItemEntries(window);
    const std::vector<size_t>& positions = g_editor.indices[TypeIndex(window)];
    SendDlgItemMessageW(window, IDC_ED_ITEM, CB_SETCURSEL, 0, 0);
    if (!positions.empty())
        McEditorLoadJsonItem(window, positions[0]);
    else
        McEditorClearControls(window);
}

void OnItemSelected(HWND window)
{
    HWND list = GetDlgItem(window, IDC_ED_ITEM);
    const int selection = static_cast<int>(SendMessageW(list, CB_GETCURSEL, 0, 0));
    if (selection < 0) return;
    const std::vector<size_t>& positions = g_editor.indices[TypeIndex(window)];
    if (static_cast<size_t>(selection) < positions.size())
        McEditorLoadJsonItem(window, positions[selection]);
    else
        McEditorClearControls(window);
}

// The saved item's entry in the list, and the form showing it as stored: one item's work.
void ShowSavedItem(HWND window, size_t position, bool added)
{
    HWND list = GetDlgItem(window, IDC_ED_ITEM);
    std::vector<size_t>& positions = g_editor.indices[TypeIndex(window)];
    size_t entry = 0;
    if (added) {
        entry = positions.size(); // appended to the document, so last of its type
        positions.push_back(position);
    } else {
        entry = std::find(positions.begin(), positions.end(), position) - positions.begin();
        if (list) SendMessageW(list, CB_DELETESTRING, entry, 0);
    }
    const std::u16string text = ItemListEntry(g_jsonDoc["items"][position]);
    if (list) {
        SendMessageW(list, CB_INSERTSTRING, entry, reinterpret_cast<LPARAM>(WidePtr(text)));
        SendMessageW(list, CB_SETCURSEL, entry, 0);
    }
    McEditorLoadJsonItem(window, position);
}

// The item in the form changed since it was loaded (the raw view, an undo): the fields
// typed here over such a change are named, and the user chooses. True to save.
bool KeepChangesUnderForm(HWND window, const FormModel& form, const json& current)
{
    if (g_editor.editing == kNewItem || current.is_null()) return true;
    const std::vector<int> fields = FieldsChangedUnderForm(form, g_editor.shown, g_editor.loaded, current);
    if (fields.empty()) return true;
    std::u16string names;
    for (int id : fields) names += (names.empty() ? u"" : u", ") + FieldLabel(id);
    switch (ShowMessageBox(window,
                           u"Item " + s2w(ItemIdText(current)) + u" was changed elsewhere (the raw view or Undo) since "
                           u"the Item Editor showed it, in what you typed here too: " + names +
                               u".\n\nYes: save what you typed over that change.\nNo: show the item as it is now "
                               u"(what you typed here is dropped).\nCancel: go on editing.",
                           u"Item Editor", MsgIcon::Warning, MsgButtons::YesNoCancel)) {
    case MsgAnswer::Yes: return true;
    case MsgAnswer::No: McEditorLoadJsonItem(window, g_editor.editing); return false;
    default: return false;
    }
}

bool McEditorSaveControlsToJson(HWND window)
{
    // The raw view's changes go into the document before the item does (the editor's list
    // follows them), else the raw text made from the document would lose them.
    if (!ApplyRawViewEditsFirst(window) || !IsWindow(window)) return false;
    const FormModel form = ReadEditorForm(window);
    std::u16string error;
    size_t position = 0;
    bool added = false;
    const json before = [&] {
        const int selection = form.Selection(IDC_ED_ITEM);
        const std::vector<size_t>& positions = g_editor.indices[TypeIndex(window)];
        return selection >= 0 && static_cast<size_t>(selection) < positions.size() ? g_jsonDoc["items"][positions[selection]]
                                                                                : json();
    }();
    if (!KeepChangesUnderForm(window, form, before)) return false;
    bool changed = false;
    if (!SaveItemFormStep(g_editor.indices, form, &g_editor.shown, error, position, added, changed)) {
        if (!error.empty()) ShowMessageBox(window, error, u"Error", MsgIcon::Error);
        return false;
    }
    // One item changed in place: its block of the main view follows, or the view is made
    // again when the user looks at it. An item saved as it was is no change.
    if (changed) ShowItemsEdited({position});
    else NotifyDocumentEdited();
    ShowSavedItem(window, position, added);
    return true;
}

bool FormHoldsEdits(HWND window) { return FormEdited(ReadEditorForm(window), g_editor.shown); }

void AddChoice(HWND window)
{
    if (g_editor.choiceCount >= kMaxChoices) return;
    const int added = g_editor.choiceCount;
    SetChoiceCount(window, added + 1);
    SetDlgItemTextW(window, ChoiceFieldId(added), L"");
    UpdateTypeSpecificVisibility(window);
    SetFocus(GetDlgItem(window, ChoiceFieldId(added)));
}

void RemoveLastChoice(HWND window)
{
    if (g_editor.choiceCount <= kMinChoices) return;
    const int last = g_editor.choiceCount - 1;
    if (SendDlgItemMessageW(window, IDC_ED_CORRECT, CB_GETCURSEL, 0, 0) == last) {
        ShowMessageBox(window,
                       u"Choice " + std::u16string(1, static_cast<char16_t>(u'A' + last)) +
                           u" is the correct answer. Choose another correct answer before removing it.",
                       u"Item Editor", MsgIcon::Warning);
        return;
    }
    SetChoiceCount(window, last);
    UpdateTypeSpecificVisibility(window);
    SetFocus(GetDlgItem(window, IDC_ED_REMOVE_CHOICE));
}

void CloseIfConfirmed(HWND window)
{
    if (ConfirmCloseMcEditor(window)) DestroyWindow(window);
}

void SetScrollRange(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    SCROLLINFO info{sizeof info};
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = g_editor.contentHeight > 0 ? g_editor.contentHeight - 1 : 0;
    info.nPage = static_cast<UINT>(client.bottom);
    info.nPos = g_editor.scrollPos;
    SetScrollInfo(window, SB_VERT, &info, TRUE);
    // A shorter form (choices removed) may leave the position past the new end.
    info.fMask = SIF_POS;
    GetScrollInfo(window, SB_VERT, &info);
    if (info.nPos != g_editor.scrollPos) {
        ScrollWindow(window, 0, g_editor.scrollPos - info.nPos, nullptr, nullptr);
        g_editor.scrollPos = info.nPos;
    }
}

void OnVScroll(HWND window, int request)
{
    if (g_editor.contentHeight < 1) return;
    SCROLLINFO info{sizeof info};
    info.fMask = SIF_ALL;
    GetScrollInfo(window, SB_VERT, &info);
    ScrollRequest kind = ScrollRequest::Other;
    switch (request) {
    case SB_LINEUP: kind = ScrollRequest::LineUp; break;
    case SB_LINEDOWN: kind = ScrollRequest::LineDown; break;
    case SB_PAGEUP: kind = ScrollRequest::PageUp; break;
    case SB_PAGEDOWN: kind = ScrollRequest::PageDown; break;
    case SB_THUMBTRACK: kind = ScrollRequest::Track; break;
    default: break;
    }
    const int next = NextScrollPosition(kind, info.nPos, info.nTrackPos, static_cast<int>(info.nPage), info.nMin,
                                        info.nMax);
    const int old = info.nPos;
    if (next == old) return;
    info.fMask = SIF_POS;
    info.nPos = next;
    SetScrollInfo(window, SB_VERT, &info, TRUE);
    g_editor.scrollPos = next;
    ScrollWindow(window, 0, old - next, nullptr, nullptr); // moves the child controls too
    UpdateWindow(window);
}

void OnCreate(HWND window)
{
    g_editor.hWnd = window;
    unsigned hidden = (1u << kTfGroup) | (1u << kNumGroup) | (1u << kAlgGroup);
    for (int k = kMinChoices; k < kMaxChoices; ++k) hidden |= 1u << ExtraChoiceGroup(k);
    g_editor.choiceCount = kMinChoices;
    CreateControls(window, kTable, reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)), 0, hidden);
    FillComboBox(GetDlgItem(window, IDC_ED_TYPE), kTypeEntries, 4);
    FillComboBox(GetDlgItem(window, IDC_ED_CORRECT), kLetterEntries, kMinChoices);
    FillComboBox(GetDlgItem(window, IDC_ED_TRUE_FALSE), kTruthEntries, 2);
    for (int id : {IDC_ED_TYPE, IDC_ED_CORRECT, IDC_ED_TRUE_FALSE}) SendDlgItemMessageW(window, id, CB_SETCURSEL, 0, 0);
    g_editor.scrollPos = 0;
    UpdateTypeSpecificVisibility(window);
    FillItemComboForCurrentType(window);
    FocusFirstControl(window);
}

} // namespace

static bool ConfirmCloseMcEditor(HWND owner)
{
    HWND window = g_editor.hWnd;
    return !IsWindow(window) || !FormHoldsEdits(window) ||
           ConfirmDropTypedValues(owner, window,
                                  u"The Item Editor holds changes that are not in the testbank. Discard them?",
                                  u"Item Editor");
}

static void McEditorDocumentItemsChanged()
{
    HWND window = g_editor.hWnd;
    if (!IsWindow(window)) return;
    g_editor.indices = BuildIndexLists(g_jsonDoc);
    FillItemEntries(window);
    // The entry of the item in the form: a new item stays new, an item keeps its place.
    const std::vector<size_t>& positions = g_editor.indices[TypeIndex(window)];
    size_t entry = positions.size();
    if (g_editor.editing != kNewItem) {
        entry = std::find(positions.begin(), positions.end(), g_editor.editing) - positions.begin();
        if (entry == positions.size()) { // no longer of this type: show the list from its start
            FillItemComboForCurrentType(window);
            return;
        }
    }
    SendDlgItemMessageW(window, IDC_ED_ITEM, CB_SETCURSEL, entry, 0);
    // An untouched form follows its item (an undo, the raw view); a typed one is kept, and
    // saving it asks where it would go over such a change.
    if (g_editor.editing < g_jsonDoc["items"].size() && g_jsonDoc["items"][g_editor.editing] != g_editor.loaded &&
        !FormHoldsEdits(window))
        McEditorLoadJsonItem(window, g_editor.editing);
}

static void McEditorDocumentReread()
{
    if (!IsWindow(g_editor.hWnd)) return;
    // The item in the form by its ID; gone, the typed values stay as a new item.
    if (g_editor.editing != kNewItem) {
        g_editor.editing = kNewItem;
        const json* items = g_jsonDoc.is_object() && g_jsonDoc.contains("items") ? &g_jsonDoc["items"] : nullptr;
        if (items && items->is_array() && !g_editor.editingId.empty())
            for (size_t i = 0; i < items->size(); ++i)
                if ((*items)[i].is_object() && (*items)[i].value("id", json()) == g_editor.editingId) {
                    g_editor.editing = i;
                    break;
                }
    }
    McEditorDocumentItemsChanged();
}

HWND GetMcEditorWindow() { return g_editor.hWnd; }

void CloseMcEditor()
{
    if (IsWindow(g_editor.hWnd)) DestroyWindow(g_editor.hWnd);
}

void OpenMcEditor(HWND owner)
{
    if (!g_hasJson) {
        ShowMessageBox(owner, u"No JSON loaded. Use File -> New Testbank or File -> Open first.", u"Info",
                       MsgIcon::Info);
        return;
    }
    if (!g_jsonDoc.is_object() || !g_jsonDoc.contains("items") || !g_jsonDoc["items"].is_array()) {
        ShowMessageBox(owner, u"Current JSON has no 'items' array.", u"Error", MsgIcon::Error);
        return;
    }
    // An open editor's lists already follow every change of the items.
    if (IsWindow(g_editor.hWnd)) {
        SetForegroundWindow(g_editor.hWnd);
        return;
    }
    g_editor.indices = BuildIndexLists(g_jsonDoc);
    g_editor.scrollPos = 0;
    g_editor.contentHeight = 0;
    CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CLIENTEDGE | WS_EX_CONTROLPARENT, L"McEditorWindowClass",
                    L"Item Editor", WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_VSCROLL | WS_CLIPCHILDREN | WS_VISIBLE,
                    CW_USEDEFAULT, CW_USEDEFAULT, 900, 700, g_hMainWnd, nullptr, g_hInst, nullptr);
}

static LRESULT CALLBACK McEditorWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (HandleDialogWindowMessage(window, message, wParam, lParam, IDC_ED_OK, result)) return result;
    switch (message) {
    case WM_ACTIVATE: KeepDialogFocus(window, wParam, g_editor.savedFocus); return 0;
    case WM_CREATE: OnCreate(window); return 0;
    case WM_SIZE:
        if (g_editor.contentHeight >= 1) SetScrollRange(window);
        return 0;
    case WM_VSCROLL: OnVScroll(window, LOWORD(wParam)); return 0;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_ED_TYPE:
            if (HIWORD(wParam) == CBN_SELCHANGE) {
                UpdateTypeSpecificVisibility(window);
                FillItemComboForCurrentType(window);
            }
            break;
        case IDC_ED_ITEM:
            if (HIWORD(wParam) == CBN_SELCHANGE) OnItemSelected(window);
            break;
        case IDOK:
        case IDC_ED_OK:
            if (McEditorSaveControlsToJson(window)) DestroyWindow(window);
            break;
        case IDC_ED_APPLY: McEditorSaveControlsToJson(window); break;
        case IDC_ED_ADD_CHOICE: AddChoice(window); break;
        case IDC_ED_REMOVE_CHOICE: RemoveLastChoice(window); break;
        case IDCANCEL:
        case IDC_ED_CANCEL: CloseIfConfirmed(window); break;
        default: break;
        }
        return 0;
    case WM_CLOSE: CloseIfConfirmed(window); return 0;
    case WM_DESTROY:
        g_editor.hWnd = nullptr;
        g_editor.savedFocus = nullptr;
        return 0;
    default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

const ToolWindow kItemEditorWindow = {
    L"McEditorWindowClass", // className
    McEditorWndProc, // proc
    u"Item Editor Window Registration Failed!", // registrationFailure
    false, // whiteBackground
    GetMcEditorWindow, // window
    nullptr, // translate
    CloseMcEditor, // documentReplaced
    McEditorDocumentReread, // documentReread
    McEditorDocumentItemsChanged, // itemsChanged
    ConfirmCloseMcEditor, // confirmDiscard
};
