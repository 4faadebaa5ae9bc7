// Work that sequences of windows used to lose: each case driven as a user drives it, with
// the document (and what would be saved) checked afterwards.
#include <atomic>

#include "editor/EditorForm.h"
#include "editor/ItemEditor.h"
#include "export/ExamExport.h"
#include "fixup/FixupLogic.h"
#include "find/FindReplace.h"
#include "fixup/ImportFixup.h"
#include "gui/GuiFixture.h"
#include "ui/AppServices.h"
#include "ui/Shell.h"

namespace {

const char kBank[] = R"({"items":[
  {"id":"MC1","type":"multiple_choice","question":"Which fruit is red? apples","choices":{"A":"x","B":"y","C":"","D":""},
   "correct":"A","objectives":{"MLO":"m","CLO":"c","PLO":"p"}},
  {"id":"MC2","type":"multiple_choice","question":"Two","choices":{"A":"x","B":"y","C":"","D":""},"correct":"B",
   "objectives":{"MLO":"m","CLO":"c","PLO":"p"}},
  {"id":"TF1","type":"true_false","question":"Three","correct":"True","objectives":{"MLO":"m","CLO":"c","PLO":"p"}},
  {"id":"MC3","type":"multiple_choice","question":"Four","choices":{"A":"x","B":"y","C":"","D":""},"correct":"A",
   "objectives":{"MLO":"m","CLO":"c","PLO":"p"}}]})";

const char kMore[] = R"({"items":[
  {"id":"MC10","type":"multiple_choice","question":"Ten","choices":{"A":"x","B":"y","C":"","D":""},"correct":"A",
   "objectives":{"MLO":"m","CLO":"c","PLO":"p"}},
  {"id":"MC11","type":"multiple_choice","question":"Eleven","choices":{"A":"x","B":"y","C":"","D":""},"correct":"A",
   "objectives":{"MLO":"m","CLO":"c","PLO":"p"}}]})";

const char kNotApplied[] = "The changes in the raw JSON view could not be applied to the testbank, so nothing was "
                          "done. Correct the text there first.\n\nJSON parse error: ";
const char kDiscardEditor[] = "The Item Editor holds changes that are not in the testbank. Discard them?";

class LostEdits : public GuiTest {
protected:
    HWND Editor() const { return GetMcEditorWindow(); }
    std::string EditorText(int id) const { return U8(GetWindowTextU(GetDlgItem(Editor(), id))); }
    void Click(HWND window, int id)
    {
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
        Pump();
    }
    void Choose(HWND window, int id, int entry)
    {
        SendDlgItemMessageW(window, id, CB_SETCURSEL, entry, 0);
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
        Pump();
    }
    void Type(HWND window, int id, const std::u16string& text)
    {
        SetWindowTextW(GetDlgItem(window, id), WidePtr(text));
        Pump();
    }
    std::vector<std::string> Entries(HWND window, int id) const
    {
        std::vector<std::string> out;
        const int n = static_cast<int>(SendDlgItemMessageW(window, id, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            wchar_t text[256] = L"";
            SendDlgItemMessageW(window, id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            out.push_back(U8(FromWide(text)));
        }
        return out;
    }
    // The user clicks into the main window: it comes to the front.
    void Look()
    {
        SendMessageW(main, WM_ACTIVATE, WA_CLICKACTIVE, 0);
        Pump();
    }
    // The last message box's text; "" when none was shown.
    std::string LastMessage() const { return script_.messages.empty() ? "" : U8(script_.messages.back().text); }
    std::vector<std::string> Ids() const
    {
        std::vector<std::string> ids;
        for (const json& item : g_jsonDoc["items"]) ids.push_back(item.value("id", ""));
        return ids;
    }
    void OpenBank(const char* bytes = kBank)
    {
        script_.openPaths.push_back(File("bank.json", bytes));
        Command(IDM_FILE_OPEN);
        ASSERT_TRUE(g_hasJson);
    }
    // The raw view with "apples" typed over as "PEARS".
    void TypePearsInRawView()
    {
        Command(IDM_VIEW_TOGGLE_RAW);
        std::u16string raw = GetWindowTextU(g_hEdit);
        raw.replace(raw.find(u"apples"), 6, u"PEARS");
        TypeIntoView(raw);
    }
};

} // namespace

// Saving an item or an exam changes the document the raw text is made from: what was typed
// there goes into the document first, and nobody asks to throw it away.
TEST_F(LostEdits, TypedRawTextIsAppliedBeforeAnotherWindowChangesTheDocument)
{
    OpenBank();
    Command(IDM_EDIT_ITEMS); // showing MC1 as loaded, "apples"
    ASSERT_NE(Editor(), nullptr);
    TypePearsInRawView();
    Type(Editor(), IDC_ED_CLO, u"c2");

    // Apply: the typed question and the editor's CLO both reach the document.
    Click(Editor(), IDC_ED_APPLY);
    EXPECT_TRUE(script_.messages.empty()) << LastMessage();
    EXPECT_EQ(g_jsonDoc["items"][0]["question"], "Which fruit is red? PEARS");
    EXPECT_EQ(g_jsonDoc["items"][0]["objectives"]["CLO"], "c2");
    EXPECT_EQ(EditorText(IDC_ED_QUESTION), "Which fruit is red? PEARS");

    // The same for OK over more typing; the user comes back to the main window first.
    Look();
    std::u16string raw = GetWindowTextU(g_hEdit);
    raw.replace(raw.find(u"\"Two\""), 5, u"\"Two typed\"");
    TypeIntoView(raw);
    Choose(Editor(), IDC_ED_ITEM, 1);
    Type(Editor(), IDC_ED_MLO, u"m2");
    Click(Editor(), IDC_ED_OK);
    EXPECT_EQ(Editor(), nullptr);
    EXPECT_EQ(g_jsonDoc["items"][1]["question"], "Two typed");
    EXPECT_EQ(g_jsonDoc["items"][1]["objectives"]["MLO"], "m2");

    // Save Selections: the exam holds the typed text.
    Command(IDM_CREATE_SELECT);
    ASSERT_NE(GetExamExportWindow(), nullptr);
    Look();
    raw = GetWindowTextU(g_hEdit);
    raw.replace(raw.find(u"\"Four\""), 6, u"\"Four typed\"");
    TypeIntoView(raw);
    script_.savePaths.push_back(Join(dir, "exam.json"));
    Command(IDM_CREATE_SAVE_SELECTIONS);
    EXPECT_NE(ReadBytes(Join(dir, "exam.json")).find("Four typed"), std::string::npos);

    // And the saved testbank holds all of it.
    Command(IDM_FILE_SAVE);
    const std::string saved = ReadBytes(g_currentPath);
    for (const char* text : {"PEARS", "Two typed", "Four typed", "\"c2\"", "\"m2\""})
        EXPECT_NE(saved.find(text), std::string::npos) << text;
}

// Typed text that does not parse stops the other window's action with the place of the
// error, and everything stays: the typed text, the editor's values, the document.
TEST_F(LostEdits, UnparsedRawTextStopsTheActionAndKeepsEverything)
{
    OpenBank();
    Command(IDM_EDIT_ITEMS);
    Command(IDM_VIEW_TOGGLE_RAW);
    const std::u16string typed = GetWindowTextU(g_hEdit) + u"\r\n}";
    TypeIntoView(typed);
    Type(Editor(), IDC_ED_CLO, u"c2");
    const json before = g_jsonDoc;

    for (int button : {IDC_ED_APPLY, IDC_ED_OK}) {
        Click(Editor(), button);
        EXPECT_EQ(LastMessage().rfind(kNotApplied, 0), 0u) << LastMessage();
        EXPECT_NE(LastMessage().find("line "), std::string::npos);
        EXPECT_NE(LastMessage().find(", column "), std::string::npos);
        ASSERT_NE(Editor(), nullptr);
        EXPECT_EQ(EditorText(IDC_ED_CLO), "c2");
        EXPECT_EQ(GetWindowTextU(g_hEdit), typed);
        EXPECT_EQ(g_jsonDoc, before);
    }
    // The caret is put at the error (the end of the text, past the closing brace).
    DWORD start = 0;
    SendMessageW(g_hEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
    EXPECT_GE(start, typed.size() - 1);

    script_.savePaths.push_back(Join(dir, "exam.json"));
    Command(IDM_CREATE_SAVE_SELECTIONS);
    EXPECT_EQ(LastMessage().rfind(kNotApplied, 0), 0u);
    EXPECT_TRUE(script_.suggestedNames.empty());
    EXPECT_FALSE(fs::exists(fs::path(ToWide(Join(dir, "exam.json")))));
    EXPECT_EQ(GetWindowTextU(g_hEdit), typed);

    // Leaving the raw view: the only place the changes can be discarded, in words that say so.
    script_.answers = {MsgAnswer::No};
    Command(IDM_VIEW_TOGGLE_RAW);
    EXPECT_NE(LastMessage().find("Discard every change made in the raw JSON view (typed or replaced)"),
              std::string::npos);
    EXPECT_TRUE(g_viewRaw);
    EXPECT_EQ(GetWindowTextU(g_hEdit), typed);
    script_.answers = {MsgAnswer::Yes};
    Command(IDM_VIEW_TOGGLE_RAW);
    EXPECT_FALSE(g_viewRaw);
    EXPECT_EQ(g_jsonDoc, before);
    EXPECT_EQ(g_rawJsonText, DumpJsonForRawView(g_jsonDoc));
}

// Replace All, then the editor: no question about typing, the replacements stay and are saved.
TEST_F(LostEdits, ReplacementsSurviveTheItemEditor)
{
    OpenBank();
    Command(IDM_EDIT_ITEMS);
    Command(IDM_EDIT_REPLACE);
    HWND find = GetFindReplaceWindow();
    ASSERT_NE(find, nullptr);
    Type(find, IDC_FR_FIND, u"\"x\"");
    Type(find, IDC_FR_REPLACE_WITH, u"\"ex\"");
    Click(find, IDC_FR_REPLACE_ALL);
    EXPECT_EQ(LastMessage(), "Replaced 3 occurrences.");
    Click(find, IDC_FR_CLOSE);
    ASSERT_EQ(GetFindReplaceWindow(), nullptr);

    Choose(Editor(), IDC_ED_ITEM, 1); // MC2, shown from the document before the replacements
    Type(Editor(), IDC_ED_QUESTION, u"Two, edited");
    const size_t asked = script_.messages.size();
    Click(Editor(), IDC_ED_APPLY);
    EXPECT_EQ(script_.messages.size(), asked) << LastMessage();
    Click(Editor(), IDC_ED_OK);
    EXPECT_EQ(script_.messages.size(), asked) << LastMessage();
    for (size_t i : {0, 1, 3}) EXPECT_EQ(g_jsonDoc["items"][i]["choices"]["A"], "ex") << i;
    EXPECT_EQ(g_jsonDoc["items"][1]["question"], "Two, edited");
    Command(IDM_FILE_SAVE);
    const std::string saved = ReadBytes(g_currentPath);
    EXPECT_EQ(saved.find("\"x\""), std::string::npos);
    EXPECT_NE(saved.find("Two, edited"), std::string::npos);
}

// Replacements, like typing, survive Edit Long Lines, Save Selections, a merge and the
// wizard: each takes them into the testbank first, and nobody asks to throw them away.
TEST_F(LostEdits, ReplacementsSurviveLongLinesSaveSelectionsAndTheWizard)
{
    OpenBank();
    Command(IDM_EDIT_REPLACE);
    HWND find = GetFindReplaceWindow();
    ASSERT_NE(find, nullptr);
    Type(find, IDC_FR_FIND, u"\"x\"");
    Type(find, IDC_FR_REPLACE_WITH, u"\"ex\"");
    Click(find, IDC_FR_REPLACE_ALL);
    Click(find, IDC_FR_CLOSE);
    const size_t asked = script_.messages.size();

    Command(IDM_VIEW_RAW_LONG_LINES);
    EXPECT_EQ(script_.messages.size(), asked) << LastMessage();
    EXPECT_NE(GetWindowTextU(g_hEdit).find(u"\"ex\""), std::u16string::npos);

    Command(IDM_CREATE_SELECT);
    ASSERT_NE(GetExamExportWindow(), nullptr);
    script_.savePaths.push_back(Join(dir, "exam.json"));
    Command(IDM_CREATE_SAVE_SELECTIONS);
    EXPECT_NE(ReadBytes(Join(dir, "exam.json")).find("\"ex\""), std::string::npos);
    DestroyWindow(GetExamExportWindow());
    Pump();

    script_.openPathLists.push_back({File("imported.json", R"({"items":[{"id":"z","type":"tf","question":"q"}]})")});
    Command(IDM_FILE_OPEN_MERGE);
    HWND wizard = GetImportFixupWindow();
    ASSERT_NE(wizard, nullptr);
    Type(wizard, IDC_FIX_MLO, u"mz");
    Click(wizard, IDC_FIX_SAVE);
    EXPECT_EQ(GetImportFixupWindow(), nullptr);
    Command(IDM_FILE_SAVE);
    const std::string saved = ReadBytes(g_currentPath);
    EXPECT_EQ(saved.find("\"x\""), std::string::npos);
    EXPECT_NE(saved.find("\"mz\""), std::string::npos);
    for (size_t i : {0, 1, 3}) EXPECT_EQ(g_jsonDoc["items"][i]["choices"]["A"], "ex") << i;
}

// Text typed in the raw view before a merge opens the wizard is merged into, and the
// wizard's fix saved with it.
TEST_F(LostEdits, TypedRawTextSurvivesAMergeAndTheWizard)
{
    OpenBank();
    TypePearsInRawView();
    script_.openPathLists.push_back({File("imported.json", R"({"items":[{"id":"z","type":"tf","question":"q"}]})")});
    Command(IDM_FILE_OPEN_MERGE);
    HWND wizard = GetImportFixupWindow();
    ASSERT_NE(wizard, nullptr);
    Type(wizard, IDC_FIX_MLO, u"mz");
    Click(wizard, IDC_FIX_SAVE);
    EXPECT_EQ(GetImportFixupWindow(), nullptr);
    Command(IDM_FILE_SAVE);
    const std::string saved = ReadBytes(g_currentPath);
    EXPECT_NE(saved.find("PEARS"), std::string::npos);
    EXPECT_NE(saved.find("\"mz\""), std::string::npos);
}

// A window that cannot have the raw view's changes applied (nobody answers) changes
// nothing: the typed text and the document stay as they were.
TEST_F(LostEdits, WithNobodyToApplyRawChangesOtherWindowsRefuse)
{
    OpenBank();
    Command(IDM_EDIT_ITEMS);
    TypePearsInRawView();
    const std::u16string typed = GetWindowTextU(g_hEdit);
    Type(Editor(), IDC_ED_CLO, u"c2");
    const json before = g_jsonDoc;
    const AppServices saved = Services();
    AppServices services = saved;
    services.applyRawEdits = nullptr;
    SetAppServices(services);
    Click(Editor(), IDC_ED_APPLY);
    Click(Editor(), IDC_ED_OK);
    SetAppServices(saved);
    EXPECT_EQ(g_jsonDoc, before);
    EXPECT_EQ(GetWindowTextU(g_hEdit), typed);
    ASSERT_NE(Editor(), nullptr);
    EXPECT_EQ(EditorText(IDC_ED_CLO), "c2");
    // With the application answering again, both go in.
    Click(Editor(), IDC_ED_APPLY);
    EXPECT_EQ(g_jsonDoc["items"][0]["question"], "Which fruit is red? PEARS");
    EXPECT_EQ(g_jsonDoc["items"][0]["objectives"]["CLO"], "c2");
}

// OK on an item nobody changed leaves the document unchanged.
TEST_F(LostEdits, OkOnAnUntouchedItemIsNoChange)
{
    OpenBank();
    Command(IDM_EDIT_ITEMS);
    Choose(Editor(), IDC_ED_ITEM, 2);
    Click(Editor(), IDC_ED_OK);
    EXPECT_FALSE(g_modified);
    wchar_t title[200] = L"";
    GetWindowTextW(main, title, 200);
    EXPECT_NE(title[0], L'*');
}

// The editor's lists follow the document: after a merge "<New item>" is still the new
// item, typed values stay, and OK appends instead of overwriting a merged item.
TEST_F(LostEdits, NewItemInTheEditorSurvivesAMerge)
{
    OpenBank();
    Command(IDM_EDIT_ITEMS);
    Choose(Editor(), IDC_ED_ITEM, 3);
    ASSERT_EQ(Entries(Editor(), IDC_ED_ITEM).at(3), "<New item>");
    Type(Editor(), IDC_ED_ID, u"NEW1");
    Type(Editor(), IDC_ED_QUESTION, u"Typed before the merge");

    script_.openPathLists.push_back({File("more.json", kMore)});
    Command(IDM_FILE_OPEN_MERGE);
    ASSERT_EQ(Ids(), (std::vector<std::string>{"MC1", "MC2", "TF1", "MC3", "MC10", "MC11"}));
    ASSERT_NE(Editor(), nullptr);
    EXPECT_EQ(Entries(Editor(), IDC_ED_ITEM),
              (std::vector<std::string>{"MC1 - Which fruit is red? apples", "MC2 - Two", "MC3 - Four", "MC10 - Ten",
                                        "MC11 - Eleven", "<New item>"}));
    EXPECT_EQ(SendDlgItemMessageW(Editor(), IDC_ED_ITEM, CB_GETCURSEL, 0, 0), 5);
    EXPECT_EQ(EditorText(IDC_ED_ID), "NEW1");

    // Opening the editor again changes nothing either.
    Command(IDM_EDIT_ITEMS);
    EXPECT_EQ(EditorText(IDC_ED_ID), "NEW1");
    Click(Editor(), IDC_ED_OK);
    EXPECT_EQ(Editor(), nullptr);
    EXPECT_EQ(Ids(), (std::vector<std::string>{"MC1", "MC2", "TF1", "MC3", "MC10", "MC11", "NEW1"}));
    EXPECT_EQ(g_jsonDoc["items"][4]["question"], "Ten");

    // An existing item keeps its entry through a merge too.
    Command(IDM_EDIT_ITEMS);
    Choose(Editor(), IDC_ED_ITEM, 1);
    Type(Editor(), IDC_ED_QUESTION, u"Two, edited");
    script_.openPathLists.push_back({File("third.json", R"({"items":[{"id":"MC20","type":"mc","question":"q",
        "objectives":{"MLO":"m","CLO":"c","PLO":"p"}}]})")});
    Command(IDM_FILE_OPEN_MERGE);
    EXPECT_EQ(SendDlgItemMessageW(Editor(), IDC_ED_ITEM, CB_GETCURSEL, 0, 0), 1);
    Click(Editor(), IDC_ED_OK);
    EXPECT_EQ(g_jsonDoc["items"][1]["question"], "Two, edited");
    EXPECT_EQ(g_jsonDoc["items"][1]["id"], "MC2");
}

// Exit, New and Open ask while the editor or the wizard holds typed values.
TEST_F(LostEdits, TypedValuesInToolWindowsAreAskedAboutBeforeTheyGo)
{
    OpenBank();
    Command(IDM_EDIT_ITEMS);
    Choose(Editor(), IDC_ED_ITEM, 3);
    Type(Editor(), IDC_ED_ID, u"NEW1");

    for (int command : {IDM_FILE_EXIT, IDM_FILE_NEW, IDM_FILE_OPEN}) {
        script_.answers = {MsgAnswer::No};
        script_.openPaths.push_back(File("other.json", kMore));
        Command(command);
        EXPECT_EQ(LastMessage(), kDiscardEditor) << command;
        EXPECT_TRUE(IsWindow(main));
        ASSERT_NE(Editor(), nullptr);
        EXPECT_EQ(EditorText(IDC_ED_ID), "NEW1");
        EXPECT_EQ(Ids().size(), 4u);
        script_.openPaths.clear();
    }
    // Untouched, the editor asks nothing: New goes ahead at once.
    Choose(Editor(), IDC_ED_ITEM, 0);
    const size_t asked = script_.messages.size();
    Command(IDM_FILE_NEW);
    EXPECT_EQ(script_.messages.size(), asked);
    EXPECT_EQ(Ids().size(), 0u);

    // The wizard: Close over a typed MLO asks; No keeps it.
    script_.openPaths.push_back(File("imported.json", R"({"items":[{"id":"a","type":"tf","question":"q"}]})"));
    Command(IDM_FILE_OPEN);
    HWND wizard = GetImportFixupWindow();
    ASSERT_NE(wizard, nullptr);
    Type(wizard, IDC_FIX_MLO, u"typed");
    script_.answers = {MsgAnswer::No};
    Click(wizard, IDC_FIX_CLOSE);
    EXPECT_EQ(LastMessage(), "The Fix Imported Items window holds changes that are not in the testbank. Discard them?");
    ASSERT_EQ(GetImportFixupWindow(), wizard);
    script_.answers = {MsgAnswer::Yes};
    SendMessageW(wizard, WM_CLOSE, 0, 0);
    Pump();
    EXPECT_EQ(GetImportFixupWindow(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(main));
}

// A NUL shows as a mark in the editor; an edit keeps everything after it.
TEST_F(LostEdits, NulInAFieldIsShownAndKept)
{
    OpenBank(R"({"items":[{"id":"N","type":"mc","question":"before\u0000after","choices":{"A":"x","B":"y"},
        "correct":"A","objectives":{"MLO":"m\u0000n","CLO":"c","PLO":"p"}}]})");
    Command(IDM_EDIT_ITEMS);
    EXPECT_EQ(EditorText(IDC_ED_QUESTION), "before\xE2\x90\x80" "after");
    EXPECT_EQ(EditorText(IDC_ED_MLO), "m\xE2\x90\x80n");
    Type(Editor(), IDC_ED_QUESTION, GetWindowTextU(GetDlgItem(Editor(), IDC_ED_QUESTION)) + u" edited");
    Click(Editor(), IDC_ED_OK);
    EXPECT_EQ(g_jsonDoc["items"][0]["question"], std::string("before\0after edited", 19));
    EXPECT_EQ(g_jsonDoc["items"][0]["objectives"]["MLO"], std::string("m\0n", 3));
}

// The second press of a double click, or a held Enter, never saves the next item unseen.
TEST_F(LostEdits, DoubleClickOnSaveAndNextActsOnTheItemSeen)
{
    OpenBank(R"({"items":[{"id":"a","question":"q1","choices":{"A":"x","B":"y"},"objectives":{"MLO":"m"}},
        {"id":"b","question":"q2","choices":{"A":"x","B":"y"},"objectives":{"MLO":"m"}},
        {"id":"c","question":"q3","choices":{"A":"x","B":"y"},"objectives":{"MLO":"m"}}]})");
    HWND wizard = GetImportFixupWindow();
    ASSERT_NE(wizard, nullptr);
    ASSERT_EQ(g_fixupIssues.size(), 3u);
    HWND save = GetDlgItem(wizard, IDC_FIX_SAVE);
    const LPARAM inside = MAKELPARAM(5, 5);
    for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        SendMessageW(save, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, inside);
    Pump();
    ASSERT_EQ(GetImportFixupWindow(), wizard);
    EXPECT_FALSE(g_fixupIssues[0].missingType);
    EXPECT_TRUE(g_fixupIssues[1].missingType);
    EXPECT_EQ(U8(GetWindowTextU(GetDlgItem(wizard, IDC_FIX_ID))), "b");

    // Enter saves; its repeats while the key is held do not.
    SetFocus(save);
    for (LPARAM repeat : {LPARAM(1), LPARAM(1) | (LPARAM(1) << 30), LPARAM(1) | (LPARAM(1) << 30)})
        PostMessageW(save, WM_KEYDOWN, VK_RETURN, repeat);
    Pump();
    EXPECT_FALSE(g_fixupIssues[1].missingType);
    EXPECT_TRUE(g_fixupIssues[2].missingType);
    EXPECT_EQ(U8(GetWindowTextU(GetDlgItem(wizard, IDC_FIX_ID))), "c");
}

// Every edit box takes typing beyond the control's default limit of about 30,000.
TEST_F(LostEdits, EditBoxesTakeLongTexts)
{
    OpenBank();
    Command(IDM_EDIT_ITEMS);
    HWND question = GetDlgItem(Editor(), IDC_ED_QUESTION);
    std::wstring text; // short lines: a long paragraph costs Wine's word wrap seconds
    while (text.size() < 65536) text += std::wstring(62, L'q') + L"\r\n";
    SetWindowTextW(question, text.c_str());
    SendMessageW(question, EM_SETSEL, text.size(), text.size());
    SendMessageW(question, WM_CHAR, L'x', 1);
    EXPECT_EQ(GetWindowTextLengthW(question), static_cast<int>(text.size() + 1));
    Click(Editor(), IDC_ED_OK);
    EXPECT_EQ(g_jsonDoc["items"][0]["question"].get<std::string>().size(), text.size() + 1);

    Command(IDM_EDIT_ITEMS);
    Command(IDM_EDIT_REPLACE);
    for (HWND window : {GetFindReplaceWindow(), GetMcEditorWindow()}) {
        if (!window) continue;
        for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            wchar_t name[16] = L"";
            GetClassNameW(child, name, 16);
            if (lstrcmpiW(name, L"EDIT") == 0) EXPECT_GT(SendMessageW(child, EM_GETLIMITTEXT, 0, 0), 1 << 20);
        }
    }
}

// While the wizard or Find/Replace is open, no other window can change the document.
TEST_F(LostEdits, ModalWindowsDisableEveryOtherWindow)
{
    OpenBank();
    Command(IDM_EDIT_ITEMS);
    Command(IDM_CREATE_SELECT);
    HWND select = GetExamExportWindow();
    ASSERT_NE(select, nullptr);
    Command(IDM_EDIT_FIND);
    HWND find = GetFindReplaceWindow();
    ASSERT_NE(find, nullptr);
    EXPECT_FALSE(IsWindowEnabled(main));
    EXPECT_FALSE(IsWindowEnabled(Editor()));
    EXPECT_FALSE(IsWindowEnabled(select));
    EXPECT_TRUE(IsWindowEnabled(find));
    Click(find, IDC_FR_CLOSE);
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_TRUE(IsWindowEnabled(Editor()));
    EXPECT_TRUE(IsWindowEnabled(select));

    // The wizard opened by a merge: the same, and everything comes back after it.
    script_.openPathLists.push_back({File("imported.json", R"({"items":[{"id":"z","type":"tf","question":"q"}]})")});
    Command(IDM_FILE_OPEN_MERGE);
    HWND wizard = GetImportFixupWindow();
    ASSERT_NE(wizard, nullptr);
    EXPECT_FALSE(IsWindowEnabled(main));
    EXPECT_FALSE(IsWindowEnabled(Editor()));
    EXPECT_FALSE(IsWindowEnabled(select));
    Type(wizard, IDC_FIX_MLO, u"mz");
    Click(wizard, IDC_FIX_SAVE);
    EXPECT_EQ(GetImportFixupWindow(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_TRUE(IsWindowEnabled(Editor()));
    EXPECT_TRUE(IsWindowEnabled(select));
}

// Work behind the progress window: Cancel gives the windows back at once, and work that
// ends by itself reports so.
TEST_F(LostEdits, LongWorkCanBeCancelled)
{
    static std::atomic<bool> release{false};
    release = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) {
        if (HWND progress = FindWindowW(L"TestbankProgressWindow", nullptr))
            PostMessageW(progress, WM_COMMAND, IDCANCEL, 0);
    });
    const bool finished = RunWithProgress(main, u"Waiting", [] {
        while (!release) Sleep(10);
    });
    KillTimer(nullptr, timer);
    release = true;
    EXPECT_FALSE(finished);
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_EQ(FindWindowW(L"TestbankProgressWindow", nullptr), nullptr);
    int result = 0;
    EXPECT_TRUE(RunWithProgress(main, u"Quick", [&result] { result = 42; }));
    EXPECT_EQ(result, 42);
}
