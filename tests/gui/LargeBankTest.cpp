// Working on many items at once: the fixup wizard's bulk outcomes, Select Items' search,
// filters and sort, Replace All, the item editor's Apply, Ctrl+A, the title and the place
// of a parse error.
#include "gui/GuiFixture.h"

#include <commctrl.h>

#include <algorithm>

#include "editor/EditorForm.h"
#include "editor/ItemEditor.h"
#include "export/ExamExport.h"
#include "export/ExamSelection.h"
#include "find/FindReplace.h"
#include "fixup/FixupLogic.h"
#include "fixup/ImportFixup.h"
#include "ui/TextView.h"

namespace {

class LargeBank : public GuiTest {
protected:
    void Press(HWND window, int id)
    {
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
        Pump();
    }
    void Type(HWND window, int id, const wchar_t* text)
    {
        SetDlgItemTextW(window, id, text);
        Pump();
    }
    std::string Text(HWND window, int id) { return U8(GetWindowTextU(GetDlgItem(window, id))); }
    std::string Title() { return U8(GetWindowTextU(main)); }
    // Ctrl+A as typed: the key state says Ctrl is down while the key arrives.
    void CtrlA(HWND control)
    {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_CONTROL] = 0x80;
        SetKeyboardState(keys);
        PostMessageW(control, WM_KEYDOWN, 'A', 0);
        Pump();
        keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
    }
};

const char kUnfixed[] = R"({"items":[
  {"id":"a1","type":"mc","category":"Loops","question":"q"},
  {"id":"a2","type":"mc","category":"Loops","question":"q","objectives":{"CLO":"own","PLO":"p"}},
  {"id":"b1","type":"mc","category":"Sets","question":"q"},
  {"id":"b2","type":"essay","category":"Sets","question":"q","objectives":{"MLO":"m"}},
  {"id":"c1","type":"mc","category":"Sets","question":"q"}]})";

} // namespace

TEST_F(LargeBank, FixupAppliesTheTypedOutcomesToTheRemainingItems)
{
    script_.openPaths.push_back(File("unfixed.json", kUnfixed));
    Command(IDM_FILE_OPEN);
    HWND wizard = GetImportFixupWindow();
    ASSERT_NE(wizard, nullptr);
    EXPECT_EQ(Text(wizard, IDC_FIX_HEADER), "Fix item 1 of 5  (missing: MLO)");

    // The same category: a2 only (a1 is the current item); No changes nothing.
    Type(wizard, IDC_FIX_MLO, L"Iteration");
    Type(wizard, IDC_FIX_CLO, L"C1");
    script_.answers.push_back(MsgAnswer::No);
    Press(wizard, IDC_FIX_APPLY_CATEGORY);
    EXPECT_EQ(Texts().back(), "Apply the MLO \"Iteration\" and the CLO \"C1\" to this item and the 1 other remaining "
                              "item of category \"Loops\" that lacks an MLO?\n\nThe other items keep a CLO or PLO of "
                              "their own; the typed ones fill only those left blank.");
    EXPECT_EQ(U8(script_.messages.back().caption), "Fix Imported Items");
    EXPECT_FALSE(g_modified);
    script_.answers.push_back(MsgAnswer::Yes);
    Press(wizard, IDC_FIX_APPLY_CATEGORY);
    const json& items = g_jsonDoc["items"];
    EXPECT_EQ(items[0]["objectives"], json::parse(R"({"MLO":"Iteration","CLO":"C1","PLO":""})"));
    EXPECT_EQ(items[1]["objectives"], json::parse(R"({"MLO":"Iteration","CLO":"own","PLO":"p"})")); // its own stay
    EXPECT_EQ(items[2]["objectives"].value("MLO", ""), "");
    EXPECT_EQ(Text(wizard, IDC_FIX_ID), "b1");
    EXPECT_EQ(Text(wizard, IDC_FIX_HEADER), "Fix item 3 of 5  (missing: MLO)");

    // Every remaining one: b1 (current), c1; b2 keeps its MLO and still needs its type.
    Type(wizard, IDC_FIX_MLO, L"Sets");
    script_.answers.push_back(MsgAnswer::Yes);
    Press(wizard, IDC_FIX_APPLY_ALL);
    EXPECT_EQ(Texts().back(), "Apply the MLO \"Sets\" to this item and the 1 other remaining item that lacks an MLO?");
    EXPECT_EQ(items[4]["objectives"]["MLO"], "Sets");
    EXPECT_EQ(items[3]["objectives"]["MLO"], "m");
    EXPECT_EQ(Text(wizard, IDC_FIX_ID), "b2");
    // A blank MLO is refused before anything is asked.
    Type(wizard, IDC_FIX_MLO, L" ");
    const size_t asked = script_.messages.size();
    Press(wizard, IDC_FIX_APPLY_ALL);
    EXPECT_EQ(script_.messages.size(), asked + 1);
    EXPECT_EQ(Texts().back(), "Type the MLO to apply first.");

    Type(wizard, IDC_FIX_MLO, L"m");
    Press(wizard, IDC_FIX_SAVE);
    EXPECT_EQ(GetImportFixupWindow(), nullptr);
    EXPECT_NE(ViewText().find("[c1]\r\nType: mc\r\nCategory: Sets\r\nObjectives:\r\n  MLO: Sets"), std::string::npos);
}

// Apply to All over more items than are replaced in place: the listing is made again, not
// left showing the outcomes as they were.
TEST_F(LargeBank, FixupApplyToAllOverManyItemsShowsTheirNewOutcomes)
{
    std::string bank = R"({"items":[)";
    for (int i = 0; i < 60; ++i)
        bank += std::string(i ? "," : "") + R"({"id":"q)" + std::to_string(i) + R"(","type":"mc","question":"q"})";
    script_.openPaths.push_back(File("many.json", bank + "]}"));
    Command(IDM_FILE_OPEN);
    HWND wizard = GetImportFixupWindow();
    ASSERT_NE(wizard, nullptr);
    Type(wizard, IDC_FIX_MLO, L"Sets");
    script_.answers.push_back(MsgAnswer::Yes);
    Press(wizard, IDC_FIX_APPLY_ALL);
    EXPECT_EQ(GetImportFixupWindow(), nullptr);
    const std::string view = ViewText();
    EXPECT_NE(view.find("[q59]\r\nType: mc\r\nCategory: \r\nObjectives:\r\n  MLO: Sets"), std::string::npos) << view.substr(0, 400);
    EXPECT_EQ(view.find("MLO: <missing>"), std::string::npos);
}

namespace {
std::vector<std::wstring> g_createdTitles;
LRESULT CALLBACK RecordWorkingWindows(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        wchar_t name[64] = L"";
        const CREATESTRUCTW* create = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
        if (create->hwndParent) GetClassNameW(create->hwndParent, name, 64);
        if (std::wstring(name) == L"TestbankProgressWindow" && create->lpszName && !IS_INTRESOURCE(create->lpszName))
            g_createdTitles.push_back(create->lpszName);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
} // namespace

// The control takes a large text in one call: a "Working" window says so meanwhile, and
// goes with it (its texts are recorded as the window's controls are made).
TEST_F(LargeBank, ALargeViewTextIsShownBehindAWorkingWindow)
{
    std::string bank = R"({"items":[)";
    for (int i = 0; i < 6000; ++i)
        bank += std::string(i ? "," : "") + R"({"id":"Q)" + std::to_string(i) +
                R"(","type":"tf","correct":true,"objectives":{"MLO":"m","CLO":"c","PLO":"p"},"question":")" +
                std::string(300, 'x') + "\"}";
    script_.openPaths.push_back(File("large.json", bank + "]}"));
    g_createdTitles.clear();
    HHOOK hook = SetWindowsHookExW(WH_CBT, RecordWorkingWindows, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    Command(IDM_FILE_OPEN);
    UnhookWindowsHookEx(hook);
    EXPECT_NE(std::count(g_createdTitles.begin(), g_createdTitles.end(),
                         L"Showing the testbank in the view. A large testbank takes a while."),
              0);
    EXPECT_EQ(FindWindowW(L"TestbankProgressWindow", nullptr), nullptr);
    EXPECT_GT(GetWindowTextLengthW(g_hEdit), 2'000'000);
    EXPECT_EQ(GetActiveWindow(), main);
}

TEST_F(LargeBank, SelectItemsSearchesFiltersSortsAndKeepsHiddenChecks)
{
    script_.openPaths.push_back(File("bank.json", R"({"items":[
      {"id":"Q1","type":"multiple_choice","category":"Loops","question":"While loops","objectives":{"MLO":"m1"}},
      {"id":"Q2","type":"true_false","category":"Sets","question":"Union","objectives":{"MLO":"m2"}},
      {"id":"Q3","type":"multiple_choice","category":"Sets","question":"For LOOPS","objectives":{"MLO":"m1"}}]})"));
    Command(IDM_FILE_OPEN);
    Command(IDM_CREATE_SELECT);
    HWND window = GetExamExportWindow();
    HWND list = GetDlgItem(window, IDC_EXAM_LIST);
    auto rows = [&] {
        std::vector<std::string> ids;
        const int n = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        for (int row = 0; row < n; ++row) {
            wchar_t text[64] = L"";
            LVITEMW item{};
            item.pszText = text;
            item.cchTextMax = 64;
            SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
            ids.push_back(U8(FromWide(text)));
        }
        return ids;
    };
    auto counter = [&] { return Text(window, IDC_EXAM_COUNT); };
    EXPECT_EQ(rows(), (std::vector<std::string>{"Q1", "Q2", "Q3"}));

    // The search looks in ID, question, category and outcomes, case folded.
    Type(window, IDC_EXAM_SEARCH, L"loops");
    EXPECT_EQ(rows(), (std::vector<std::string>{"Q1", "Q3"}));
    EXPECT_EQ(Text(window, IDC_EXAM_SHOWN), "Shown: 2");
    Press(window, IDC_EXAM_CLEAR_SHOWN);
    EXPECT_EQ(counter(), "Selected: 1 / 3");
    EXPECT_EQ(g_examSelectedIds, (std::set<std::string>{"Q2"}));
    Type(window, IDC_EXAM_SEARCH, L"M2");
    EXPECT_EQ(rows(), (std::vector<std::string>{"Q2"}));
    Type(window, IDC_EXAM_SEARCH, L"");

    // Filters: type, then category; the hidden rows keep their checks.
    SendDlgItemMessageW(window, IDC_EXAM_TYPE, CB_SETCURSEL, 1, 0); // "multiple_choice"
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_EXAM_TYPE, CBN_SELCHANGE), 0);
    EXPECT_EQ(rows(), (std::vector<std::string>{"Q1", "Q3"}));
    SendDlgItemMessageW(window, IDC_EXAM_CATEGORY, CB_SETCURSEL, 2, 0); // "Sets"
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_EXAM_CATEGORY, CBN_SELCHANGE), 0);
    EXPECT_EQ(rows(), (std::vector<std::string>{"Q3"}));
    Press(window, IDC_EXAM_SELECT_SHOWN);
    EXPECT_EQ(g_examSelectedIds, (std::set<std::string>{"Q2", "Q3"}));
    SendDlgItemMessageW(window, IDC_EXAM_TYPE, CB_SETCURSEL, 0, 0);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_EXAM_TYPE, CBN_SELCHANGE), 0);
    SendDlgItemMessageW(window, IDC_EXAM_CATEGORY, CB_SETCURSEL, 0, 0);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_EXAM_CATEGORY, CBN_SELCHANGE), 0);
    Pump();

    // A header click sorts by that column; a second one reverses.
    NMLISTVIEW click{};
    click.hdr.hwndFrom = list;
    click.hdr.idFrom = IDC_EXAM_LIST;
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    click.iSubItem = 3;
    SendMessageW(window, WM_NOTIFY, IDC_EXAM_LIST, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(rows(), (std::vector<std::string>{"Q3", "Q2", "Q1"})); // For, Union, While
    SendMessageW(window, WM_NOTIFY, IDC_EXAM_LIST, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(rows(), (std::vector<std::string>{"Q1", "Q2", "Q3"}));
    EXPECT_EQ(counter(), "Selected: 2 / 3");
    EXPECT_EQ(Text(window, IDC_EXAM_SHOWN), "");
}

TEST_F(LargeBank, ReplaceAllIsOneUndoableEdit)
{
    script_.openPaths.push_back(File("bank.json", R"({"items":[{"id":"Q1","category":"Old","question":"old OLD"}]})"));
    Command(IDM_FILE_OPEN);
    Command(IDM_EDIT_REPLACE);
    HWND window = GetFindReplaceWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, IDC_FR_REPLACE_ALL)));
    const std::string before = ViewText();
    Type(window, IDC_FR_FIND, L"old");
    Type(window, IDC_FR_REPLACE_WITH, L"New");
    Press(window, IDC_FR_REPLACE_ALL);
    EXPECT_EQ(Texts().back(), "Replaced 3 occurrences.");
    EXPECT_EQ(U8(script_.messages.back().caption), "Replace");
    EXPECT_EQ(ViewText().find("old"), std::string::npos);
    EXPECT_NE(ViewText().find("\"New New\""), std::string::npos);
    // Taken into the document as one step: Undo takes it back whole.
    EXPECT_FALSE(RawTextEdited());
    EXPECT_EQ(U8(g_rawJsonText), ViewText());
    Command(IDM_EDIT_UNDO);
    EXPECT_EQ(ViewText(), before);

    // Nothing to replace, in the mode's caption; Find mode has no Replace All.
    Type(window, IDC_FR_FIND, L"absent");
    Press(window, IDC_FR_REPLACE_ALL);
    EXPECT_EQ(Texts().back(), "No matches found.");
    EXPECT_EQ(U8(script_.messages.back().caption), "Replace");
    Command(IDM_EDIT_FIND); // the main window is disabled: nothing happens
    OpenFindDialog(main);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, IDC_FR_REPLACE_ALL)));
    Press(window, IDC_FR_FIND_NEXT);
    EXPECT_EQ(U8(script_.messages.back().caption), "Find");

    // Ctrl+A selects the whole field.
    CtrlA(GetDlgItem(window, IDC_FR_FIND));
    DWORD start = 1, end = 0;
    SendDlgItemMessageW(window, IDC_FR_FIND, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 6u);
}

// One item changed through the editor or the wizard: its block is replaced in the view, the
// notes on top follow, where the user was stays in sight; many items make the view again
// once, when the user looks.
TEST_F(LargeBank, OneEditedItemIsReplacedInTheListingInPlace)
{
    std::string bank = R"({"items":[)";
    for (int i = 0; i < 400; ++i)
        bank += std::string(i ? "," : "") + R"({"id":"Q)" + std::to_string(i) +
                R"(","type":"tf","question":"Question )" + std::to_string(i) +
                R"(","correct":true,"objectives":{"MLO":"m","CLO":"c")" + (i == 200 ? "" : R"(,"PLO":"p")") + "}}";
    script_.openPaths.push_back(File("many.json", bank + "]}"));
    Command(IDM_FILE_OPEN);
    ASSERT_EQ(g_jsonDoc["items"].size(), 400u);
    const std::string before = ViewText();
    ASSERT_NE(before.find("[Q200] missing learning outcomes"), std::string::npos);
    SendMessageW(g_hEdit, EM_LINESCROLL, 0, 3000);
    const LRESULT firstLine = SendMessageW(g_hEdit, EM_GETFIRSTVISIBLELINE, 0, 0);
    ASSERT_GT(firstLine, 100);
    auto lineText = [](LRESULT line) {
        const size_t start = static_cast<size_t>(SendMessageW(g_hEdit, EM_LINEINDEX, line, 0));
        return U8(TextViewRange(g_hEdit, start, start + SendMessageW(g_hEdit, EM_LINELENGTH, start, 0)));
    };
    const std::string topLine = lineText(firstLine);
    // A word selected below the edited item (and below the notes that change).
    const size_t word = U8(GetWindowTextU(g_hEdit)).find("Question 300") + 9;
    SendMessageW(g_hEdit, EM_SETSEL, word, word + 3);
    ASSERT_EQ(U8(TextViewRange(g_hEdit, word, word + 3)), "300");

    Command(IDM_EDIT_ITEMS);
    HWND editor = GetMcEditorWindow();
    ASSERT_NE(editor, nullptr);
    SendDlgItemMessageW(editor, IDC_ED_TYPE, CB_SETCURSEL, 1, 0);
    SendMessageW(editor, WM_COMMAND, MAKEWPARAM(IDC_ED_TYPE, CBN_SELCHANGE), 0);
    SendDlgItemMessageW(editor, IDC_ED_ITEM, CB_SETCURSEL, 200, 0);
    SendMessageW(editor, WM_COMMAND, MAKEWPARAM(IDC_ED_ITEM, CBN_SELCHANGE), 0);
    Type(editor, IDC_ED_PLO, L"fixed");
    Type(editor, IDC_ED_QUESTION, L"Question two hundred");
    Press(editor, IDC_ED_OK);
    EXPECT_EQ(GetMcEditorWindow(), nullptr);
    EXPECT_EQ(g_shell.shows, ViewShows::ListingInParts); // kept current in place, not made again
    EXPECT_EQ(g_document.raw, RawText::Stale);
    const std::string after = ViewText();
    EXPECT_EQ(after, U8(DisplayOnlyText(FormatCurrentListing())));
    EXPECT_NE(after.find("Question two hundred"), std::string::npos);
    EXPECT_EQ(after.find("[Q200] missing learning outcomes"), std::string::npos); // the notes followed
    // The selection and the line at the top stay on the text they were on, which moved.
    DWORD start = 0, end = 0;
    SendMessageW(g_hEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_NE(start, word);
    EXPECT_EQ(U8(TextViewRange(g_hEdit, start, end)), "300");
    EXPECT_EQ(lineText(SendMessageW(g_hEdit, EM_GETFIRSTVISIBLELINE, 0, 0)), topLine);
    EXPECT_NE(SendMessageW(g_hEdit, EM_GETFIRSTVISIBLELINE, 0, 0), firstLine);
    RefreshStaleView(); // the user looks: nothing to make again
    EXPECT_EQ(g_shell.shows, ViewShows::ListingInParts);
    // The raw view and the saved file have the change.
    Command(IDM_VIEW_TOGGLE_RAW);
    EXPECT_NE(ViewText().find("\"question\": \"Question two hundred\""), std::string::npos);
    Command(IDM_VIEW_TOGGLE_RAW);
    EXPECT_EQ(ViewText(), after);

    // While the raw view shows, an edit leaves the view to be made again when looked at.
    Command(IDM_VIEW_TOGGLE_RAW);
    Command(IDM_EDIT_ITEMS);
    editor = GetMcEditorWindow();
    ASSERT_NE(editor, nullptr);
    SendDlgItemMessageW(editor, IDC_ED_TYPE, CB_SETCURSEL, 1, 0);
    SendMessageW(editor, WM_COMMAND, MAKEWPARAM(IDC_ED_TYPE, CBN_SELCHANGE), 0);
    Type(editor, IDC_ED_QUESTION, L"Raw shown");
    Press(editor, IDC_ED_OK);
    EXPECT_NE(g_shell.shows, ViewShows::ListingInParts);
    RefreshStaleView();
    EXPECT_NE(ViewText().find("\"question\": \"Raw shown\""), std::string::npos);
}

TEST_F(LargeBank, EditorApplyKeepsTheWindowTitleFollowsAndParseErrorsPointAtThePlace)
{
    EXPECT_EQ(Title(), "Exam Testbank Viewer/Editor");
    Command(IDM_FILE_NEW);
    EXPECT_EQ(Title(), "Untitled - Exam Testbank Viewer/Editor");
    script_.openPaths.push_back(File("bank.json", R"({"items":[
      {"id":"M1","type":"multiple_choice","question":"First","objectives":{"MLO":"m","CLO":"c","PLO":"p"}}]})"));
    Command(IDM_FILE_OPEN);
    EXPECT_EQ(Title(), "bank.json - Exam Testbank Viewer/Editor");

    Command(IDM_EDIT_ITEMS);
    HWND editor = GetMcEditorWindow();
    ASSERT_NE(editor, nullptr);
    Type(editor, IDC_ED_QUESTION, L"Changed");
    const std::string viewBefore = ViewText();
    Press(editor, IDC_ED_APPLY);
    EXPECT_EQ(GetMcEditorWindow(), editor); // Apply keeps the window open
    EXPECT_EQ(g_jsonDoc["items"][0]["question"], "Changed");
    EXPECT_EQ(Text(editor, IDC_ED_ITEM), "M1 - Changed");
    EXPECT_EQ(Title(), "*bank.json - Exam Testbank Viewer/Editor");
    // The item's block of the listing follows at once, in place: the view is what a whole
    // rebuild makes, while the raw text waits until it is needed.
    EXPECT_NE(ViewText(), viewBefore);
    EXPECT_NE(ViewText().find("Question:\r\n  Changed"), std::string::npos);
    EXPECT_EQ(g_document.raw, RawText::Stale);
    EXPECT_EQ(ViewText(), U8(DisplayOnlyText(FormatCurrentListing())));
    // A new item through Apply: listed before "<New item>" and in the form.
    SendDlgItemMessageW(editor, IDC_ED_ITEM, CB_SETCURSEL, 1, 0);
    SendMessageW(editor, WM_COMMAND, MAKEWPARAM(IDC_ED_ITEM, CBN_SELCHANGE), 0);
    Type(editor, IDC_ED_ID, L"M2");
    Type(editor, IDC_ED_QUESTION, L"Second");
    Press(editor, IDC_ED_APPLY);
    EXPECT_EQ(g_jsonDoc["items"].size(), 2u);
    EXPECT_EQ(SendDlgItemMessageW(editor, IDC_ED_ITEM, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(SendDlgItemMessageW(editor, IDC_ED_ITEM, CB_GETCOUNT, 0, 0), 3);
    Press(editor, IDC_ED_OK);
    EXPECT_EQ(GetMcEditorWindow(), nullptr);
    Command(IDM_VIEW_TOGGLE_RAW);
    EXPECT_NE(ViewText().find("\"question\": \"Second\""), std::string::npos);

    // Ctrl+A in the main view; a raw text that does not parse: the caret at the place.
    CtrlA(g_hEdit);
    DWORD start = 1, end = 0;
    SendMessageW(g_hEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, static_cast<DWORD>(GetWindowTextLengthW(g_hEdit)));
    TypeIntoView(u"{\r\n  \"items\": [\r\n    {\"id\": \"a\" \"b\"}]}");
    EXPECT_EQ(Title(), "*bank.json - Exam Testbank Viewer/Editor");
    Command(IDM_FILE_SAVE);
    EXPECT_EQ(Texts().back(), "JSON parse error: line 3, column 18: a comma or closing brace is missing");
    SendMessageW(g_hEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 34u);
    EXPECT_EQ(end, 34u);
}
