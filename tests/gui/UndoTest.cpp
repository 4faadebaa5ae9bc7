// Edit > Undo and Redo over the changes every window makes, checked by what Save As writes.
#include "editor/EditorForm.h"
#include "editor/ItemEditor.h"
#include "find/FindReplace.h"
#include "fixup/FixupLogic.h"
#include "fixup/ImportFixup.h"
#include "gui/GuiFixture.h"
#include "ui/Shell.h"

namespace {

const char kBank[] = R"({"items":[
  {"id":"MC1","type":"multiple_choice","question":"Which fruit is red? apples","choices":{"A":"x","B":"y","C":"","D":""},
   "correct":"A","objectives":{"MLO":"m","CLO":"c","PLO":"p"}},
  {"id":"MC2","type":"multiple_choice","question":"Two","choices":{"A":"x","B":"y","C":"","D":""},"correct":"B",
   "objectives":{"MLO":"","CLO":"","PLO":""}},
  {"id":"TF1","type":"true_false","question":"Three","correct":"True","objectives":{"MLO":"","CLO":"","PLO":""}},
  {"id":"MC3","type":"multiple_choice","question":"Four","choices":{"A":"x","B":"y","C":"","D":""},"correct":"A",
   "objectives":{"MLO":"","CLO":"","PLO":""}}]})";

class Undo : public GuiTest {
protected:
    HWND Editor() const { return GetMcEditorWindow(); }
    void Click(HWND window, int id)
    {
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
        Pump();
    }
    void Type(HWND window, int id, const std::u16string& text)
    {
        SetWindowTextW(GetDlgItem(window, id), WidePtr(text));
        Pump();
    }
    void OpenBank()
    {
        script_.openPaths.push_back(File("bank.json", kBank));
        Command(IDM_FILE_OPEN);
        ASSERT_TRUE(g_hasJson);
        if (HWND wizard = GetImportFixupWindow()) DestroyWindow(wizard); // the items lacking an MLO
        Pump();
    }
    // What File > Save As writes now.
    std::string SavedAs(const std::string& name)
    {
        const std::u16string path = Join(dir, name);
        script_.savePaths.push_back(path);
        Command(IDM_FILE_SAVE_AS);
        return ReadBytes(path);
    }
    std::string Title() const { return U8(GetWindowTextU(main)); }
    // The Edit menu's entry as the user sees it when the menu opens.
    std::string MenuText(int id)
    {
        HMENU edit = GetSubMenu(GetMenu(main), 1);
        SendMessageW(main, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(edit), 1);
        wchar_t text[256] = L"";
        GetMenuStringW(edit, id, text, 256, MF_BYCOMMAND);
        return U8(FromWide(text));
    }
    ViewShows shownAfter = ViewShows::Nothing;
    bool MenuEnabled(int id)
    {
        HMENU edit = GetSubMenu(GetMenu(main), 1);
        SendMessageW(main, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(edit), 1);
        return !(GetMenuState(edit, id, MF_BYCOMMAND) & MF_GRAYED);
    }
    // Undo (or Redo), then the view compared with the listing made afresh.
    void Step(int id)
    {
        Command(id);
        shownAfter = g_shell.shows; // before the user looks: kept current in place, or left to be made
        SendMessageW(main, WM_ACTIVATE, WA_CLICKACTIVE, 0); // the user looks
        Pump();
        if (!g_viewRaw) {
            EXPECT_EQ(ViewText(), U8(FormatCurrentListing()));
        }
    }
};

} // namespace

TEST_F(Undo, ItemEditorOkUndoneAndRedoneInPlace)
{
    OpenBank();
    const std::string original = SavedAs("original.json");
    EXPECT_FALSE(MenuEnabled(IDM_EDIT_UNDO));
    Command(IDM_EDIT_ITEMS);
    ASSERT_NE(Editor(), nullptr);
    Type(Editor(), IDC_ED_QUESTION, u"Which fruit is red? cherries");
    Click(Editor(), IDC_ED_OK);
    ASSERT_EQ(Editor(), nullptr);
    const std::string edited = SavedAs("edited.json");
    ASSERT_NE(edited, original);
    EXPECT_EQ(MenuText(IDM_EDIT_UNDO), "&Undo Edit Item MC1\tCtrl+Z");

    Step(IDM_EDIT_UNDO);
    EXPECT_EQ(shownAfter, ViewShows::ListingInParts) << "the block replaced where it is";
    EXPECT_EQ(Title().front(), '*') << "saved last as edited.json";
    EXPECT_EQ(MenuText(IDM_EDIT_REDO), "Red&o Edit Item MC1\tCtrl+Y");
    Step(IDM_EDIT_REDO);
    EXPECT_NE(Title().front(), '*') << "back at what edited.json holds";
    Step(IDM_EDIT_UNDO);
    EXPECT_EQ(SavedAs("undone.json"), original);
    Step(IDM_EDIT_REDO);
    EXPECT_EQ(SavedAs("redone.json"), edited);
    EXPECT_FALSE(MenuEnabled(IDM_EDIT_REDO));

    // A new item: undone, its block goes from the end of the listing.
    Command(IDM_EDIT_ITEMS);
    HWND list = GetDlgItem(Editor(), IDC_ED_ITEM);
    SendMessageW(list, CB_SETCURSEL, SendMessageW(list, CB_GETCOUNT, 0, 0) - 1, 0);
    SendMessageW(Editor(), WM_COMMAND, MAKEWPARAM(IDC_ED_ITEM, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    Pump();
    Type(Editor(), IDC_ED_ID, u"MC9");
    Type(Editor(), IDC_ED_QUESTION, u"Nine");
    Click(Editor(), IDC_ED_OK);
    ASSERT_EQ(g_jsonDoc["items"].size(), 5u);
    EXPECT_EQ(MenuText(IDM_EDIT_UNDO), "&Undo Add Item MC9\tCtrl+Z");
    Step(IDM_EDIT_UNDO);
    EXPECT_EQ(g_jsonDoc["items"].size(), 4u);
    EXPECT_EQ(shownAfter, ViewShows::ListingInParts);
    EXPECT_EQ(SavedAs("unadded.json"), edited);
    Step(IDM_EDIT_REDO);
    EXPECT_EQ(shownAfter, ViewShows::ListingInParts);
    EXPECT_EQ(g_jsonDoc["items"].size(), 5u);
}

TEST_F(Undo, ApplyToAllIsOneStep)
{
    script_.openPaths.push_back(File("bank.json", kBank));
    Command(IDM_FILE_OPEN);
    const std::string original = DumpJsonForSave(g_jsonDoc);
    HWND wizard = GetImportFixupWindow();
    ASSERT_NE(wizard, nullptr);
    Type(wizard, IDC_FIX_MLO, u"M7");
    script_.answers.push_back(MsgAnswer::Yes);
    Click(wizard, IDC_FIX_APPLY_ALL);
    ASSERT_EQ(GetImportFixupWindow(), nullptr);
    const std::string applied = SavedAs("applied.json");
    EXPECT_EQ(MenuText(IDM_EDIT_UNDO), "&Undo Apply to All (3 items)\tCtrl+Z");
    Step(IDM_EDIT_UNDO);
    EXPECT_EQ(SavedAs("undone.json"), original);
    Step(IDM_EDIT_REDO);
    EXPECT_EQ(SavedAs("redone.json"), applied);
}

TEST_F(Undo, ReplaceAllIsOneStepAndTypingIsUndoneFirst)
{
    OpenBank();
    const std::string original = SavedAs("original.json");
    Command(IDM_EDIT_REPLACE);
    HWND find = GetFindReplaceWindow();
    ASSERT_NE(find, nullptr);
    Type(find, IDC_FR_FIND, u"\"x\"");
    Type(find, IDC_FR_REPLACE_WITH, u"\"ex\"");
    Click(find, IDC_FR_REPLACE_ALL);
    Click(find, IDC_FR_CLOSE);
    const std::string replaced = SavedAs("replaced.json");
    ASSERT_NE(replaced.find("\"ex\""), std::string::npos);
    EXPECT_EQ(MenuText(IDM_EDIT_UNDO), "&Undo Replace All (3 replacements)\tCtrl+Z");

    // Typing in the raw view: the first Undo takes the typing back, the second the replacement.
    ASSERT_TRUE(g_viewRaw);
    std::u16string raw = GetWindowTextU(g_hEdit);
    SendMessageW(g_hEdit, EM_SETSEL, raw.find(u"apples"), raw.find(u"apples") + 6);
    SendMessageW(g_hEdit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"PEARS"));
    Pump();
    EXPECT_EQ(MenuText(IDM_EDIT_UNDO), "&Undo Raw View Changes\tCtrl+Z");
    Step(IDM_EDIT_UNDO);
    EXPECT_EQ(ViewText().find("PEARS"), std::string::npos);
    EXPECT_EQ(SavedAs("typing-undone.json"), replaced);
    Step(IDM_EDIT_UNDO);
    EXPECT_EQ(SavedAs("undone.json"), original);
    Step(IDM_EDIT_REDO);
    EXPECT_EQ(SavedAs("redone.json"), replaced);
}

// An open Item Editor follows an undo of its item while nothing is typed in it; what is
// typed over a change made elsewhere is never saved without asking.
TEST_F(Undo, ItemEditorFollowsUndoAndAsksBeforeTypingOverAChange)
{
    OpenBank();
    Command(IDM_EDIT_ITEMS);
    Type(Editor(), IDC_ED_QUESTION, u"edited");
    Click(Editor(), IDC_ED_APPLY);
    ASSERT_EQ(g_jsonDoc["items"][0]["question"], "edited");
    Command(IDM_EDIT_UNDO);
    EXPECT_EQ(U8(GetWindowTextU(GetDlgItem(Editor(), IDC_ED_QUESTION))), "Which fruit is red? apples");

    // The same field typed in the raw view and applied, then in the editor.
    Type(Editor(), IDC_ED_QUESTION, u"from the editor");
    Type(Editor(), IDC_ED_CLO, u"c2");
    Command(IDM_VIEW_TOGGLE_RAW);
    std::u16string raw = GetWindowTextU(g_hEdit);
    raw.replace(raw.find(u"apples"), 6, u"PEARS");
    TypeIntoView(raw);
    script_.answers.push_back(MsgAnswer::Cancel);
    Click(Editor(), IDC_ED_APPLY);
    ASSERT_FALSE(script_.messages.empty());
    EXPECT_NE(U8(script_.messages.back().text).find("Question"), std::string::npos);
    EXPECT_EQ(U8(script_.messages.back().text).find("CLO"), std::string::npos) << "the CLO changed nowhere else";
    EXPECT_EQ(g_jsonDoc["items"][0]["question"], "Which fruit is red? PEARS");
    EXPECT_EQ(U8(GetWindowTextU(GetDlgItem(Editor(), IDC_ED_QUESTION))), "from the editor");

    script_.answers.push_back(MsgAnswer::Yes); // the editor's text over it
    Click(Editor(), IDC_ED_APPLY);
    EXPECT_EQ(g_jsonDoc["items"][0]["question"], "from the editor");
    EXPECT_EQ(g_jsonDoc["items"][0]["objectives"]["CLO"], "c2");
    // Undo steps back through both: the editor's save, then the raw view's.
    Command(IDM_EDIT_UNDO);
    EXPECT_EQ(g_jsonDoc["items"][0]["question"], "Which fruit is red? PEARS");
    Command(IDM_EDIT_UNDO);
    EXPECT_EQ(g_jsonDoc["items"][0]["question"], "Which fruit is red? apples");
}
