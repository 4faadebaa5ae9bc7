// The item editor through Edit > Edit/Add Items..., as a user goes through it.
#include "editor/EditorForm.h"
#include "editor/ItemEditor.h"
#include "gui/GuiFixture.h"

namespace {

class ItemEditor : public GuiTest {
protected:
    HWND Editor() const { return GetMcEditorWindow(); }
    HWND Control(int id) const { return GetDlgItem(Editor(), id); }
    std::string Text(int id) const { return U8(GetWindowTextU(Control(id))); }
    void Type(int id, const wchar_t* text)
    {
        SetWindowTextW(Control(id), text);
        Pump();
    }
    void Choose(int id, int entry)
    {
        SendMessageW(Control(id), CB_SETCURSEL, entry, 0);
        SendMessageW(Editor(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Control(id)));
        Pump();
    }
    int Selected(int id) const { return static_cast<int>(SendMessageW(Control(id), CB_GETCURSEL, 0, 0)); }
    void Press(int id)
    {
        SendMessageW(Editor(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Control(id)));
        Pump();
    }
    std::vector<std::string> Entries(int id) const
    {
        std::vector<std::string> out;
        const int n = static_cast<int>(SendMessageW(Control(id), CB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            wchar_t text[256] = L"";
            SendMessageW(Control(id), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            out.push_back(U8(FromWide(text)));
        }
        return out;
    }
    bool Shown(int id) const { return IsWindowVisible(Control(id)); }
    int Top(int id) const
    {
        RECT rect;
        GetWindowRect(Control(id), &rect);
        POINT corner{rect.left, rect.top};
        ScreenToClient(Editor(), &corner);
        return corner.y;
    }
    void OpenBank()
    {
        script_.openPaths.push_back(File("bank.json", kBank));
        Command(IDM_FILE_OPEN);
        Command(IDM_EDIT_ITEMS);
        ASSERT_NE(Editor(), nullptr);
    }

    static constexpr const char* kBank = R"({"items":[
      {"id":"M1","type":"multiple_choice","question":"Sum?\nThink.","choices":{"A":"4","B":"5","C":"6","D":"7"},
       "correct":"C","objectives":{"MLO":"m","CLO":"c","PLO":"p"}},
      {"id":"T1","type":"tf","question":"Sure?","correct":"False","objectives":{"MLO":"m","CLO":"c","PLO":"  "}},
      {"id":"M2","type":"Multiple Choice","question":"Other","objectives":{"MLO":"m","CLO":"c","PLO":"p"}},
      {"id":"A1","type":"algorithmic","algorithm":{"choice_count":4,"parameters":{"x":1}},
       "objectives":{"MLO":"m","CLO":"c","PLO":"p"}}]})";
};

const int kMcOnly[] = {3131, 3134, IDC_ED_CHOICE_A, IDC_ED_CHOICE_A + 3, IDC_ED_CORRECT};
const int kAlgOnly[] = {3140, IDC_ED_RENDER_AS, IDC_ED_PARAMETERS, 3154, IDC_ED_DISTRACTORS};

} // namespace

TEST_F(ItemEditor, ListsTypesLoadsItemsAndSwitchesFields)
{
    Command(IDM_EDIT_ITEMS);
    EXPECT_EQ(Texts(), std::vector<std::string>{"No JSON loaded. Use File -> New Testbank or File -> Open first."});
    EXPECT_EQ(Editor(), nullptr);

    OpenBank();
    wchar_t title[32];
    GetWindowTextW(Editor(), title, 32);
    EXPECT_STREQ(title, L"Item Editor");
    RECT frame;
    GetWindowRect(Editor(), &frame);
    EXPECT_EQ(frame.right - frame.left, 900);
    EXPECT_EQ(GetWindow(Editor(), GW_OWNER), main);
    EXPECT_EQ(Entries(IDC_ED_TYPE), (std::vector<std::string>{"Multiple choice", "True/False", "Numerical", "Algorithmic"}));

    // Multiple choice: both spellings listed, the first item shown.
    EXPECT_EQ(Entries(IDC_ED_ITEM), (std::vector<std::string>{"M1 - Sum? Think.", "M2 - Other", "<New item>"}));
    EXPECT_EQ(Selected(IDC_ED_ITEM), 0);
    EXPECT_EQ(Text(IDC_ED_ID), "M1");
    EXPECT_EQ(Text(IDC_ED_QUESTION), "Sum?\r\nThink."); // line breaks shown as such
    EXPECT_EQ(Text(IDC_ED_CHOICE_A + 2), "6");
    EXPECT_EQ(Selected(IDC_ED_CORRECT), 2);
    for (int id : kMcOnly) EXPECT_TRUE(Shown(id)) << id;
    for (int id : kAlgOnly) EXPECT_FALSE(Shown(id)) << id;
    EXPECT_FALSE(Shown(IDC_ED_TRUE_FALSE));
    EXPECT_FALSE(Shown(IDC_ED_ANSWER));

    // "tf" is a true/false item; its missing PLO is marked.
    Choose(IDC_ED_TYPE, 1);
    EXPECT_EQ(Entries(IDC_ED_ITEM), (std::vector<std::string>{"T1 - Sure?  [missing LO]", "<New item>"}));
    EXPECT_EQ(Text(IDC_ED_ID), "T1");
    EXPECT_EQ(Selected(IDC_ED_TRUE_FALSE), 1);
    EXPECT_TRUE(Shown(IDC_ED_TRUE_FALSE));
    EXPECT_FALSE(Shown(IDC_ED_CORRECT));

    // No numerical item: only "<New item>", an empty form, the Answer field.
    Choose(IDC_ED_TYPE, 2);
    EXPECT_EQ(Entries(IDC_ED_ITEM), std::vector<std::string>{"<New item>"});
    EXPECT_EQ(Text(IDC_ED_ID), "");
    EXPECT_TRUE(Shown(IDC_ED_ANSWER));
    EXPECT_TRUE(Shown(3135));

    Choose(IDC_ED_TYPE, 3);
    for (int id : kAlgOnly) EXPECT_TRUE(Shown(id)) << id;
    EXPECT_EQ(Text(IDC_ED_CHOICE_COUNT), "4");
    EXPECT_EQ(Text(IDC_ED_PARAMETERS), "{\r\n    \"x\": 1\r\n}");

    // Back to multiple choice; "<New item>" clears the form and keeps the type.
    Choose(IDC_ED_TYPE, 0);
    Choose(IDC_ED_ITEM, 2);
    EXPECT_EQ(Text(IDC_ED_ID), "");
    EXPECT_EQ(Text(IDC_ED_CHOICE_A + 2), "");
    EXPECT_EQ(Selected(IDC_ED_CORRECT), 0);
    EXPECT_EQ(Selected(IDC_ED_TYPE), 0);

    // Opening again brings it forward and keeps what was typed.
    Type(IDC_ED_ID, L"typed");
    Command(IDM_EDIT_ITEMS);
    EXPECT_EQ(Text(IDC_ED_ID), "typed");
    EXPECT_EQ(Entries(IDC_ED_ITEM).size(), 3u);

    // Cancel over typed values asks first: No keeps them, Yes closes writing nothing.
    const json before = g_jsonDoc;
    script_.answers = {MsgAnswer::No, MsgAnswer::Yes};
    Press(IDC_ED_CANCEL);
    ASSERT_NE(Editor(), nullptr);
    EXPECT_EQ(Texts().back(), "The Item Editor holds changes that are not in the testbank. Discard them?");
    EXPECT_EQ(Text(IDC_ED_ID), "typed");
    Press(IDC_ED_CANCEL);
    EXPECT_EQ(Editor(), nullptr);
    EXPECT_EQ(g_jsonDoc, before);
    EXPECT_FALSE(g_modified);
}

TEST_F(ItemEditor, OkSavesEditsAndNewItemsAndRefusesBadForms)
{
    OpenBank();
    const json before = g_jsonDoc;
    const std::u16string rawBefore = g_rawJsonText;

    // A duplicate ID is refused: message, nothing changed, editor still open.
    Type(IDC_ED_ID, L"M2");
    Press(IDC_ED_OK);
    ASSERT_EQ(Texts(), std::vector<std::string>{"Duplicate ID found: M2\nPlease choose a unique ID."});
    EXPECT_EQ(U8(script_.messages[0].caption), "Error");
    EXPECT_EQ(script_.messages[0].owner, Editor());
    EXPECT_EQ(g_jsonDoc, before);
    EXPECT_EQ(g_rawJsonText, rawBefore);
    ASSERT_NE(Editor(), nullptr);

    // Edited and saved: the document, raw text, notes and view follow; the document is modified.
    Type(IDC_ED_ID, L"M1");
    Type(IDC_ED_CHOICE_A, L"four");
    Choose(IDC_ED_CORRECT, 3);
    Press(IDC_ED_OK);
    EXPECT_EQ(Editor(), nullptr);
    EXPECT_EQ(g_jsonDoc["items"][0]["choices"]["A"], "four");
    EXPECT_EQ(g_jsonDoc["items"][0]["correct"], "D");
    EXPECT_EQ(g_jsonDoc["items"][0]["question"], "Sum?\nThink."); // untouched: line feeds kept
    EXPECT_NE(ViewText().find("A) four"), std::string::npos);
    EnsureRawTextCurrent(); // made when first needed (the raw view, Save)
    EXPECT_EQ(g_rawJsonText, DumpJsonForRawView(g_jsonDoc));
    EXPECT_TRUE(g_modified);

    // A new numerical item through "<New item>".
    Command(IDM_EDIT_ITEMS);
    Choose(IDC_ED_TYPE, 2);
    Press(IDC_ED_OK);
    EXPECT_EQ(Texts().back(), "ID cannot be empty.");
    Type(IDC_ED_ID, L"N9");
    Type(IDC_ED_QUESTION, L"How\r\nmany?");
    Type(IDC_ED_ANSWER, L"3.5");
    Press(IDC_ED_OK);
    ASSERT_EQ(g_jsonDoc["items"].size(), 5u);
    EXPECT_EQ(g_jsonDoc["items"][4], json::parse(R"({"id":"N9","type":"numerical","category":"","question":"How\r\nmany?",
        "answer":"3.5","correct":"3.5","objectives":{"MLO":"","CLO":"","PLO":""}})"));
    EXPECT_NE(U8(g_validationWarnings.back()).find("[N9] missing learning outcomes"), std::string::npos);

    // Closing now asks about the unsaved edits.
    script_.answers.push_back(MsgAnswer::Cancel);
    SendMessageW(main, WM_CLOSE, 0, 0);
    Pump();
    EXPECT_EQ(Texts().back(), "Save changes to the current testbank?");
    EXPECT_TRUE(IsWindow(main));
}

TEST_F(ItemEditor, ScrollsAndClosesWhenTheDocumentChangesUnderIt)
{
    OpenBank();
    // The whole form fits at the first size; smaller, it scrolls.
    SendMessageW(Editor(), WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(GetScrollPos(Editor(), SB_VERT), 0);
    SetWindowPos(Editor(), nullptr, 0, 0, 900, 400, SWP_NOMOVE | SWP_NOZORDER);
    Pump();
    const int top = Top(IDC_ED_ID);
    SendMessageW(Editor(), WM_VSCROLL, SB_LINEDOWN, 0);
    Pump();
    EXPECT_EQ(Top(IDC_ED_ID), top - 20);
    RECT client;
    GetClientRect(Editor(), &client);
    SendMessageW(Editor(), WM_VSCROLL, SB_PAGEDOWN, 0);
    SendMessageW(Editor(), WM_VSCROLL, SB_PAGEDOWN, 0);
    Pump();
    EXPECT_EQ(GetScrollPos(Editor(), SB_VERT), 630 - static_cast<int>(client.bottom));
    EXPECT_EQ(Top(IDC_ED_ID), top - GetScrollPos(Editor(), SB_VERT));
    SendMessageW(Editor(), WM_VSCROLL, SB_TOP, 0); // changes nothing
    EXPECT_EQ(Top(IDC_ED_ID), top - GetScrollPos(Editor(), SB_VERT));

    // A raw-view save re-reads the document: the editor stays, on the same item by its ID.
    const int entry = static_cast<int>(SendDlgItemMessageW(Editor(), IDC_ED_ITEM, CB_GETCURSEL, 0, 0));
    Command(IDM_VIEW_TOGGLE_RAW);
    Command(IDM_FILE_SAVE);
    ASSERT_NE(Editor(), nullptr);
    EXPECT_EQ(SendDlgItemMessageW(Editor(), IDC_ED_ITEM, CB_GETCURSEL, 0, 0), entry);
    Command(IDM_FILE_NEW);
    EXPECT_EQ(Editor(), nullptr);
}

TEST_F(ItemEditor, ChoicesPastDAreShownAddedRemovedAndKept)
{
    script_.openPaths.push_back(File("seven.json", R"({"items":[
      {"id":"S7","type":"multiple_choice","question":"Seventh?","correct":"B","objectives":{"MLO":"m","CLO":"c","PLO":"p"},
       "choices":{"A":"1","B":"2","C":"3","D":"4","E":"5","F":"6","G":"7"}},
      {"id":"S4","type":"multiple_choice","question":"Four?","correct":"A","objectives":{"MLO":"m","CLO":"c","PLO":"p"},
       "choices":{"A":"1","B":"2","C":"3","D":"4"}}]})"));
    Command(IDM_FILE_OPEN);
    Command(IDM_EDIT_ITEMS);
    ASSERT_NE(Editor(), nullptr);

    // Seven fields shown, the correct list offers A to G.
    for (int k = 0; k < 7; ++k) EXPECT_TRUE(Shown(ChoiceFieldId(k))) << k;
    EXPECT_TRUE(Shown(ChoiceLabelId(6)));
    EXPECT_FALSE(Shown(ChoiceFieldId(7)));
    EXPECT_EQ(Text(ChoiceFieldId(6)), "7");
    EXPECT_EQ(Entries(IDC_ED_CORRECT), (std::vector<std::string>{"A", "B", "C", "D", "E", "F", "G"}));

    // The key set to G and applied: the document has it and every choice.
    Choose(IDC_ED_CORRECT, 6);
    Press(IDC_ED_APPLY);
    EXPECT_EQ(g_jsonDoc["items"][0]["correct"], "G");
    EXPECT_EQ(g_jsonDoc["items"][0]["choices"]["G"], "7");
    EXPECT_NE(ViewText().find("G) 7"), std::string::npos);

    // The last choice is the key: removing it is refused with a message.
    Press(IDC_ED_REMOVE_CHOICE);
    EXPECT_NE(Texts().back().find("Choice G is the correct answer"), std::string::npos);
    EXPECT_TRUE(Shown(ChoiceFieldId(6)));

    // A four-choice item: nothing past D; one added, typed and made the key.
    Choose(IDC_ED_ITEM, 1);
    EXPECT_FALSE(Shown(ChoiceFieldId(4)));
    EXPECT_EQ(Entries(IDC_ED_CORRECT).size(), 4u);
    EXPECT_FALSE(IsWindowEnabled(Control(IDC_ED_REMOVE_CHOICE)));
    Press(IDC_ED_ADD_CHOICE);
    EXPECT_TRUE(Shown(ChoiceFieldId(4)));
    EXPECT_EQ(Text(ChoiceFieldId(4)), "");
    Type(ChoiceFieldId(4), L"five");
    Choose(IDC_ED_CORRECT, 4);
    Press(IDC_ED_OK);
    EXPECT_EQ(Editor(), nullptr);
    EXPECT_EQ(g_jsonDoc["items"][1]["choices"]["E"], "five");
    EXPECT_EQ(g_jsonDoc["items"][1]["correct"], "E");

    // Removing the last choice takes it out of the item on OK.
    Command(IDM_EDIT_ITEMS);
    Press(IDC_ED_REMOVE_CHOICE); // S7: G is still the key, so refused
    EXPECT_FALSE(Texts().empty());
    Choose(IDC_ED_CORRECT, 0);
    Press(IDC_ED_REMOVE_CHOICE);
    EXPECT_FALSE(Shown(ChoiceFieldId(6)));
    EXPECT_EQ(Entries(IDC_ED_CORRECT).size(), 6u);
    Press(IDC_ED_OK);
    EXPECT_FALSE(g_jsonDoc["items"][0]["choices"].contains("G"));
    EXPECT_EQ(g_jsonDoc["items"][0]["correct"], "A");
}
