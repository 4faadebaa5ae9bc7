// The find and replace window over the real raw view control.
#include "find/FindReplace.h"
#include "gui/GuiFixture.h"

namespace {

class FindReplace : public GuiTest {
protected:
    HWND Window() const { return GetFindReplaceWindow(); }
    void Field(int id, const std::u16string& text)
    {
        SetDlgItemTextW(Window(), id, ToWide(text).c_str());
        Pump();
    }
    void Press(int id)
    {
        SendMessageW(Window(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(Window(), id)));
        Pump();
    }
    std::pair<DWORD, DWORD> Selection() const
    {
        DWORD start = 0, end = 0;
        SendMessageW(g_hEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        return {start, end};
    }
    // A document whose raw view then holds exactly `text`, typed by the user.
    void RawViewHolding(const std::u16string& text)
    {
        Command(IDM_FILE_NEW);
        Command(IDM_VIEW_TOGGLE_RAW);
        TypeIntoView(text);
        SendMessageW(g_hEdit, EM_SETSEL, 0, 0);
    }
    bool Shown(int id) const { return IsWindowVisible(GetDlgItem(Window(), id)); }
    std::wstring Title() const
    {
        wchar_t title[32] = L"";
        GetWindowTextW(Window(), title, 32);
        return title;
    }
};

using Sel = std::pair<DWORD, DWORD>;
const int kReplaceRow[] = {6003, IDC_FR_REPLACE_WITH, IDC_FR_REPLACE};
const int kAlwaysShown[] = {6001, IDC_FR_FIND, IDC_FR_MATCH_CASE, IDC_FR_FIND_NEXT, IDC_FR_CLOSE};

} // namespace

TEST_F(FindReplace, FindWalksTheMatchesAndWraps)
{
    RawViewHolding(u"aXa xa");
    Command(IDM_EDIT_FIND);
    ASSERT_NE(Window(), nullptr);
    EXPECT_EQ(Title(), L"Find");
    EXPECT_FALSE(IsWindowEnabled(main));
    EXPECT_EQ(GetFocus(), GetDlgItem(Window(), IDC_FR_FIND));
    for (int id : kReplaceRow) EXPECT_FALSE(Shown(id)) << id;
    for (int id : kAlwaysShown) EXPECT_TRUE(Shown(id)) << id;

    Press(IDC_FR_FIND_NEXT);
    EXPECT_EQ(Texts(), std::vector<std::string>{"Enter text to find."});
    Field(IDC_FR_FIND, u"xa");
    Press(IDC_FR_FIND_NEXT);
    EXPECT_EQ(Selection(), Sel(1, 3));
    Press(IDC_FR_FIND_NEXT);
    EXPECT_EQ(Selection(), Sel(4, 6));
    Press(IDC_FR_FIND_NEXT);
    EXPECT_EQ(Selection(), Sel(1, 3));
    SendDlgItemMessageW(Window(), IDC_FR_MATCH_CASE, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(g_hEdit, EM_SETSEL, 0, 0);
    Press(IDC_FR_FIND_NEXT);
    EXPECT_EQ(Selection(), Sel(4, 6));
    Press(IDC_FR_FIND_NEXT);
    EXPECT_EQ(Selection(), Sel(4, 6));
    EXPECT_EQ(Texts().size(), 1u);

    Field(IDC_FR_FIND, u"zz");
    SendMessageW(g_hEdit, EM_SETSEL, 0, 0);
    Press(IDC_FR_FIND_NEXT);
    EXPECT_EQ(Texts().back(), "No matches found.");
    EXPECT_EQ(U8(script_.messages.back().caption), "Find");
    EXPECT_EQ(script_.messages.back().owner, Window());

    // Tab moves between the window's controls; Replace... switches the mode in place.
    SetFocus(GetDlgItem(Window(), IDC_FR_FIND));
    PostMessageW(GetDlgItem(Window(), IDC_FR_FIND), WM_KEYDOWN, VK_TAB, 0);
    Pump();
    EXPECT_EQ(GetFocus(), GetDlgItem(Window(), IDC_FR_MATCH_CASE));
    Command(IDM_EDIT_REPLACE);
    EXPECT_EQ(Title(), L"Replace");
    EXPECT_TRUE(Shown(IDC_FR_REPLACE_WITH));
    EXPECT_EQ(U8(GetWindowTextU(GetDlgItem(Window(), IDC_FR_FIND))), "zz"); // typed text stays

    Press(IDC_FR_CLOSE);
    EXPECT_EQ(Window(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(main));
}

TEST_F(FindReplace, ReplaceChangesOnlyTheHighlightedMatch)
{
    RawViewHolding(u"a a");
    Command(IDM_EDIT_REPLACE);
    ASSERT_NE(Window(), nullptr);
    for (int id : kReplaceRow) EXPECT_TRUE(Shown(id)) << id;
    Field(IDC_FR_FIND, u"a");
    Field(IDC_FR_REPLACE_WITH, u"aa");
    Press(IDC_FR_REPLACE);
    EXPECT_EQ(Texts(), std::vector<std::string>{"Use Find Next first so the match is highlighted."});
    EXPECT_EQ(U8(script_.messages.back().caption), "Replace");

    Press(IDC_FR_FIND_NEXT);
    EXPECT_EQ(Selection(), Sel(0, 1));
    Press(IDC_FR_REPLACE);
    EXPECT_EQ(ViewText(), "aa a");
    EXPECT_EQ(Selection(), Sel(3, 4));
    EXPECT_EQ(g_document.raw, RawText::EditedInView); // the text stays in the control until a view is made from it

    // A moved selection, or a click on Match case, forgets the match.
    SendMessageW(g_hEdit, EM_SETSEL, 2, 4);
    Press(IDC_FR_REPLACE);
    EXPECT_EQ(Texts().back(), "Use Find Next first so the match is highlighted.");
    Press(IDC_FR_FIND_NEXT);
    SendMessageW(Window(), WM_COMMAND, MAKEWPARAM(IDC_FR_MATCH_CASE, BN_CLICKED), 0);
    Press(IDC_FR_REPLACE);
    EXPECT_EQ(Texts().back(), "Use Find Next first so the match is highlighted.");
    EXPECT_EQ(ViewText(), "aa a");

    // Replacing the last occurrence says so at once.
    Field(IDC_FR_FIND, u" a");
    Field(IDC_FR_REPLACE_WITH, u"!");
    Press(IDC_FR_FIND_NEXT);
    Press(IDC_FR_REPLACE);
    EXPECT_EQ(ViewText(), "aa!");
    EXPECT_EQ(Texts().back(), "No matches found.");
    EXPECT_EQ(U8(script_.messages.back().caption), "Replace"); // the mode's caption
}

TEST_F(FindReplace, AReplacementIsAnEditThatLeavingTheRawViewAsksAbout)
{
    script_.openPaths.push_back(File("bank.json", R"({"items":[{"id":"Q1","type":"multiple_choice","question":"Old text",
        "objectives":{"MLO":"m","CLO":"c","PLO":"p"}}]})"));
    Command(IDM_FILE_OPEN);
    const json document = g_jsonDoc;
    Command(IDM_EDIT_REPLACE);
    Field(IDC_FR_FIND, u"Old");
    Field(IDC_FR_REPLACE_WITH, u"New");
    Press(IDC_FR_FIND_NEXT);
    Press(IDC_FR_REPLACE);
    EXPECT_NE(ViewText().find("\"question\": \"New text\""), std::string::npos);
    EXPECT_EQ(g_jsonDoc, document);
    EXPECT_TRUE(g_modified);
    Press(IDC_FR_CLOSE);

    // Leaving the raw view takes the replacement into the document, unasked: listing and
    // Save agree.
    const size_t asked = script_.messages.size();
    Command(IDM_VIEW_TOGGLE_RAW);
    EXPECT_EQ(script_.messages.size(), asked);
    EXPECT_FALSE(g_viewRaw);
    EXPECT_NE(ViewText().find("New text"), std::string::npos);
    EXPECT_EQ(g_jsonDoc["items"][0]["question"], "New text");
    EXPECT_EQ(g_rawJsonText, DumpJsonForRawView(g_jsonDoc));
    Command(IDM_VIEW_TOGGLE_RAW);
    TypeIntoView(u"{\"items\": [{\"id\": \"Q1\", \"question\": \"Old text\"}]}");
    Command(IDM_VIEW_TOGGLE_RAW);
    EXPECT_EQ(g_jsonDoc["items"][0]["question"], "Old text");

    // Kept and saved from the raw view, the replacement reaches the file.
    Command(IDM_EDIT_REPLACE);
    Field(IDC_FR_FIND, u"Old");
    Field(IDC_FR_REPLACE_WITH, u"New");
    Press(IDC_FR_FIND_NEXT);
    Press(IDC_FR_REPLACE);
    Press(IDC_FR_CLOSE);
    Command(IDM_FILE_SAVE);
    EXPECT_NE(ReadBytes(g_currentPath).find("New text"), std::string::npos);
    EXPECT_FALSE(g_modified);
}

TEST_F(FindReplace, ReplaceInALargeRawView)
{
    std::string items;
    for (int i = 0; i < 1500; ++i)
        items += std::string(i ? "," : "") + R"({"id":"Q)" + std::to_string(i) + R"(","type":"mc","question":"Question number )" +
                 std::to_string(i) + R"( is long enough","objectives":{"MLO":"m","CLO":"c","PLO":"p"}})";
    script_.openPaths.push_back(File("large.json", "{\"items\":[" + items + "]}"));
    Command(IDM_FILE_OPEN);
    Command(IDM_EDIT_REPLACE);
    ASSERT_GT(GetWindowTextLengthW(g_hEdit), 100000);
    const std::u16string before = GetWindowTextU(g_hEdit);
    const size_t target = before.find(u"\"Q1499\"");
    SendMessageW(g_hEdit, EM_SETSEL, target, target);
    Field(IDC_FR_FIND, u"question number 1499");
    Field(IDC_FR_REPLACE_WITH, u"Changed");
    Press(IDC_FR_FIND_NEXT);
    Press(IDC_FR_REPLACE);
    std::u16string expected = before;
    expected.replace(before.find(u"Question number 1499"), 20, u"Changed");
    EXPECT_EQ(GetWindowTextU(g_hEdit), expected);
    EXPECT_EQ(Texts(), std::vector<std::string>{"No matches found."});
}
