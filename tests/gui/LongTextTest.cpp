// Items with long texts in the real windows: every view and field gets lines the edit
// control lays out quickly, and an untouched save writes the file's bytes again.
#include <algorithm>

#include "editor/EditorForm.h"
#include "editor/ItemEditor.h"
#include "fixup/FixupLogic.h"
#include "fixup/ImportFixup.h"
#include "gui/GuiFixture.h"
#include "ui/ViewText.h"

namespace {

class LongText : public GuiTest {
protected:
    // One item lacking its MLO with a question of comma-separated numbers (one line), one
    // with a long word-wrapped paragraph and a long choice, one algorithm with a long
    // parameter list, saved as the program saves (so an untouched save gives these bytes).
    std::string Bank()
    {
        std::string numbers;
        for (int i = 0; numbers.size() < 120000; ++i) numbers += std::to_string(i) + ",";
        std::string paragraph;
        while (paragraph.size() < 60000) paragraph += "A long pasted article, word after word. ";
        json params = json::array();
        for (int i = 0; i < 20000; ++i) params.push_back(i);
        json items = json::array();
        items.push_back({{"id", "A1"}, {"type", "multiple_choice"}, {"question", numbers},
                         {"choices", {{"A", "a"}, {"B", "b"}, {"C", "c"}, {"D", "d"}}}, {"correct", "A"},
                         {"objectives", {{"CLO", "c"}}}});
        items.push_back({{"id", "B1"}, {"type", "multiple_choice"}, {"question", paragraph + "\n" + paragraph},
                         {"choices", {{"A", paragraph}, {"B", "b"}, {"C", "c"}, {"D", "d"}}}, {"correct", "B"},
                         {"objectives", {{"MLO", "m"}, {"CLO", "c"}, {"PLO", "p"}}}});
        items.push_back({{"id", "C1"}, {"type", "algorithmic"}, {"question", "Pick"},
                         {"algorithm", {{"template", numbers}, {"parameters", {{"n", params}}}}},
                         {"objectives", {{"MLO", "m"}, {"CLO", "c"}, {"PLO", "p"}}}});
        json doc = LoadOk(json{{"items", items}}.dump()).doc;
        return U8(DumpJsonForRawView(doc));
    }
    std::u16string ControlText(HWND window, int id) const { return GetWindowTextU(GetDlgItem(window, id)); }
    void Press(HWND window, int id)
    {
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
        Pump();
    }
    // The window still takes and answers messages from another thread.
    static bool Answers(HWND window)
    {
        DWORD_PTR result = 0;
        return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0;
    }
    std::string Saved(const std::u16string& path)
    {
        std::string bytes;
        ReadFileBytes(path, bytes);
        return bytes;
    }
};

} // namespace

TEST_F(LongText, WizardEditorAndViewsShowLongTextsAndSaveThemUntouched)
{
    // The wizard opens on the item that lacks its MLO as the file has it.
    std::string numbers;
    for (int i = 0; numbers.size() < 120000; ++i) numbers += std::to_string(i) + ",";
    script_.openPaths.push_back(File("fix.json", R"({"items":[{"id":"A1","type":"mc","question":")" + numbers + R"("}]})"));
    Command(IDM_FILE_OPEN);

    // The wizard shows the long question broken; closing it changes nothing.
    HWND wizard = GetImportFixupWindow();
    ASSERT_NE(wizard, nullptr);
    EXPECT_TRUE(Answers(wizard));
    const std::u16string question = ControlText(wizard, IDC_FIX_QUESTION);
    EXPECT_LE(LongestLineLength(question), kWrappedLineLimit);
    std::u16string joined;
    for (char16_t c : question)
        if (c != u'\r' && c != u'\n') joined += c;
    // Past what a word-wrapped box takes quickly it is shown in part.
    EXPECT_EQ(joined, CutForDisplay(s2w(g_jsonDoc["items"][0]["question"].get<std::string>()), kShownTextLimit));
    EXPECT_LT(joined.size(), kShownTextLimit + 100);
    Press(wizard, IDC_FIX_CLOSE);
    EXPECT_EQ(GetImportFixupWindow(), nullptr);
    EXPECT_TRUE(script_.messages.empty());

    const std::string bank = Bank();
    const std::u16string path = File("long.json", bank);
    script_.openPaths.push_back(path);
    Command(IDM_FILE_OPEN);
    DestroyWindow(GetImportFixupWindow());
    Pump();

    // The listing and the raw view: no long line; the raw view read-only while broken, and
    // saved from the document, not from what it shows.
    EXPECT_LE(LongestLineLength(GetWindowTextU(g_hEdit)), kDisplayLineLimit);
    Command(IDM_VIEW_TOGGLE_RAW);
    EXPECT_TRUE(ViewReadOnly());
    EXPECT_LE(LongestLineLength(GetWindowTextU(g_hEdit)), kDisplayLineLimit);
    wchar_t title[200];
    GetWindowTextW(main, title, 200);
    EXPECT_NE(std::wstring(title).find(L"long lines shown broken"), std::wstring::npos);
    Command(IDM_FILE_SAVE);
    EXPECT_EQ(Saved(path), bank);
    // Find searches the raw text: a match across a break is found and selected as shown.
    const std::u16string raw = g_rawJsonText, view = GetWindowTextU(g_hEdit);
    const size_t firstBreak = std::mismatch(raw.begin(), raw.end(), view.begin()).first - raw.begin();
    ASSERT_LT(firstBreak, raw.size());
    const std::u16string across = raw.substr(firstBreak - 5, 10);
    Command(IDM_EDIT_REPLACE);
    SetDlgItemTextW(GetFindReplaceWindow(), IDC_FR_FIND, WidePtr(across));
    Press(GetFindReplaceWindow(), IDC_FR_FIND_NEXT);
    DWORD from = 0, to = 0;
    SendMessageW(g_hEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(U8(view.substr(from, to - from)), U8(across.substr(0, 5) + u"\r\n" + across.substr(5)));
    // Replace refuses rather than change a text that is not the raw text.
    SetDlgItemTextW(GetFindReplaceWindow(), IDC_FR_FIND, L"\"A1\"");
    Press(GetFindReplaceWindow(), IDC_FR_FIND_NEXT);
    Press(GetFindReplaceWindow(), IDC_FR_REPLACE);
    ASSERT_FALSE(script_.messages.empty());
    EXPECT_EQ(script_.messages.back().text, kBrokenRawViewNote);
    DestroyWindow(GetFindReplaceWindow());
    Pump();
    Command(IDM_VIEW_TOGGLE_RAW);

    // Each long item in the editor; OK untouched on the complete ones (the one lacking its
    // MLO would gain empty outcomes): the saved file is the same bytes.
    const struct {
        int type, entry;
        bool ok;
    } cases[] = {{0, 0, false}, {0, 1, true}, {3, 0, true}};
    for (const auto& c : cases) {
        Command(IDM_EDIT_ITEMS);
        HWND editor = GetMcEditorWindow();
        ASSERT_NE(editor, nullptr);
        SendDlgItemMessageW(editor, IDC_ED_TYPE, CB_SETCURSEL, c.type, 0);
        SendMessageW(editor, WM_COMMAND, MAKEWPARAM(IDC_ED_TYPE, CBN_SELCHANGE), 0);
        SendDlgItemMessageW(editor, IDC_ED_ITEM, CB_SETCURSEL, c.entry, 0);
        SendMessageW(editor, WM_COMMAND, MAKEWPARAM(IDC_ED_ITEM, CBN_SELCHANGE), 0);
        Pump();
        EXPECT_TRUE(Answers(editor));
        for (int id : {IDC_ED_QUESTION, IDC_ED_TEMPLATE, IDC_ED_PARAMETERS, IDC_ED_CHOICE_A})
            EXPECT_LE(LongestLineLength(ControlText(editor, id)), kDisplayLineLimit + 80) << id;
        // The long choice is cut, and not to be typed over; the short ones are editable.
        EXPECT_EQ((GetWindowLongW(GetDlgItem(editor, IDC_ED_CHOICE_A), GWL_STYLE) & ES_READONLY) != 0,
                  c.type == 0 && c.entry == 1);
        Press(editor, c.ok ? IDC_ED_OK : IDC_ED_CANCEL);
        EXPECT_EQ(GetMcEditorWindow(), nullptr);
        Command(IDM_FILE_SAVE);
        EXPECT_EQ(Saved(path), bank) << c.type << " " << c.entry;
    }
    for (const auto& m : script_.messages)
        EXPECT_TRUE(m.text == u"File saved successfully.\n\n" + g_currentPath || m.text == kBrokenRawViewNote) << U8(m.text);
}

// On request the raw view holds long lines whole and editable; switching either way takes
// typed edits into the document first.
TEST_F(LongText, RawViewShowsLongLinesWholeOnRequest)
{
    const std::string line(1500, 'q');
    script_.openPaths.push_back(File("one.json", R"({"items":[{"id":"Q","type":"tf","question":")" + line + R"(",
        "objectives":{"MLO":"m","CLO":"c","PLO":"p"}}]})"));
    Command(IDM_FILE_OPEN);
    Command(IDM_VIEW_TOGGLE_RAW);
    EXPECT_TRUE(ViewReadOnly());
    EXPECT_NE(GetWindowTextU(g_hEdit), g_rawJsonText);
    Command(IDM_VIEW_RAW_LONG_LINES);
    EXPECT_FALSE(ViewReadOnly());
    EXPECT_EQ(GetWindowTextU(g_hEdit), g_rawJsonText);
    EXPECT_EQ(GetMenuState(GetMenu(main), IDM_VIEW_RAW_LONG_LINES, MF_BYCOMMAND) & MF_CHECKED, MF_CHECKED);
    // Typed text that does not parse stops the switch and stays; text that parses is applied.
    TypeIntoView(u"{\"items\":[]");
    Command(IDM_VIEW_RAW_LONG_LINES);
    EXPECT_EQ(ViewText(), "{\"items\":[]");
    EXPECT_FALSE(ViewReadOnly());
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_NE(Texts()[0].find("could not be applied"), std::string::npos);
    TypeIntoView(s2w(R"({"items":[{"id":"Typed","type":"mc","question":")" + line + R"("}]})"));
    Command(IDM_VIEW_RAW_LONG_LINES);
    EXPECT_TRUE(ViewReadOnly());
    EXPECT_EQ(U8(RawViewText()), U8(g_rawJsonText));
    EXPECT_EQ(g_jsonDoc["items"][0]["id"], "Typed");
    EXPECT_NE(g_rawJsonText.find(s2w(line)), std::u16string::npos);
    EXPECT_EQ(Texts().size(), 1u);
    // Turned on again over the applied text: nothing to apply, nothing asked.
    Command(IDM_VIEW_RAW_LONG_LINES);
    EXPECT_FALSE(ViewReadOnly());
    EXPECT_EQ(Texts().size(), 1u);
}

// A long outcome in the wizard is shown cut and read-only, and saving, for the item and for
// the others it is applied to, writes it whole.
TEST_F(LongText, WizardShowsALongOutcomeCutAndKeepsItWhole)
{
    std::string clo = "CLO";
    for (int i = 0; clo.size() < 5000; ++i) clo += " " + std::to_string(i);
    script_.openPaths.push_back(File("outcome.json", R"({"items":[
        {"id":"A","type":"mc","question":"q","objectives":{"CLO":")" + clo + R"(","PLO":"p"}},
        {"id":"B","type":"mc","question":"q"}]})"));
    Command(IDM_FILE_OPEN);
    HWND wizard = GetImportFixupWindow();
    ASSERT_NE(wizard, nullptr);
    const std::u16string shown = ControlText(wizard, IDC_FIX_CLO);
    EXPECT_LE(shown.size(), kDisplayLineLimit + 80);
    EXPECT_EQ(U8(shown.substr(0, 100)), clo.substr(0, 100));
    EXPECT_NE(GetWindowLongW(GetDlgItem(wizard, IDC_FIX_CLO), GWL_STYLE) & ES_READONLY, 0);
    EXPECT_EQ(GetWindowLongW(GetDlgItem(wizard, IDC_FIX_MLO), GWL_STYLE) & ES_READONLY, 0);
    SetDlgItemTextW(wizard, IDC_FIX_MLO, L"m");
    script_.answers.push_back(MsgAnswer::Yes);
    Press(wizard, IDC_FIX_APPLY_ALL);
    EXPECT_EQ(GetImportFixupWindow(), nullptr);
    for (const json& item : g_jsonDoc["items"]) {
        EXPECT_EQ(item["objectives"]["MLO"], "m");
        EXPECT_EQ(item["objectives"]["CLO"], clo) << item["id"];
    }
}
