// The import fixup wizard, opened by the real Open command on a real file.
#include "fixup/FixupLogic.h"
#include "fixup/ImportFixup.h"
#include "gui/GuiFixture.h"

namespace {

class FixupWizard : public GuiTest {
protected:
    HWND Wizard() const { return GetImportFixupWindow(); }
    std::string Text(int id) const { return U8(GetWindowTextU(GetDlgItem(Wizard(), id))); }
    void Type(int id, const wchar_t* text)
    {
        SetDlgItemTextW(Wizard(), id, text);
        Pump();
    }
    void Press(int id)
    {
        SendMessageW(Wizard(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(Wizard(), id)));
        Pump();
    }
    int TypeEntry() const { return static_cast<int>(SendDlgItemMessageW(Wizard(), IDC_FIX_TYPE, CB_GETCURSEL, 0, 0)); }
    bool Enabled(int id) const { return IsWindowEnabled(GetDlgItem(Wizard(), id)); }
    const json& Item(size_t i) const { return g_jsonDoc["items"][i]; }
};

// b: type unrecognised; a: no MLO, stored as "tf"; c: complete.
const char kImported[] = R"({"items":[
  {"id":"b","type":"essay","question":"Line one\nline two","objectives":{"MLO":"mb"}},
  {"id":"a","type":"tf","question":"True?","correct":true},
  {"id":"c","type":"mc","question":"Fine","objectives":{"MLO":"m","CLO":"c","PLO":"p"}}]})";

} // namespace

TEST_F(FixupWizard, OpensByItselfModalAndWalksTheIssues)
{
    script_.openPaths.push_back(File("imported.json", kImported));
    SendMessageW(main, WM_COMMAND, IDM_FILE_OPEN, 0);
    Pump();
    ASSERT_NE(Wizard(), nullptr);
    EXPECT_TRUE(IsWindowVisible(Wizard()));
    EXPECT_FALSE(IsWindowEnabled(main));
    wchar_t title[64];
    GetWindowTextW(Wizard(), title, 64);
    EXPECT_STREQ(title, L"Fix Imported Items");
    EXPECT_EQ(GetWindow(Wizard(), GW_OWNER), main);

    // Visited in ID order: a first.
    EXPECT_EQ(Text(IDC_FIX_HEADER), "Fix item 1 of 2  (missing: MLO)");
    EXPECT_EQ(Text(IDC_FIX_ID), "a");
    EXPECT_EQ(Text(IDC_FIX_QUESTION), "True?");
    EXPECT_EQ(TypeEntry(), 1); // "tf" is a true/false item
    EXPECT_EQ(Text(IDC_FIX_MLO), "");
    for (int id : {IDC_FIX_BACK, IDC_FIX_SKIP, IDC_FIX_SAVE, IDC_FIX_CLOSE}) EXPECT_TRUE(Enabled(id));

    // A blank MLO is refused with the warning, and nothing changes anywhere.
    const json before = g_jsonDoc;
    const std::u16string rawBefore = g_rawJsonText;
    Type(IDC_FIX_MLO, L"  \t");
    Type(IDC_FIX_CLO, L"typed");
    Press(IDC_FIX_SAVE);
    ASSERT_EQ(Texts(), std::vector<std::string>{"MLO is required for this item."});
    EXPECT_EQ(U8(script_.messages[0].caption), "Missing Learning Objective");
    EXPECT_EQ(script_.messages[0].icon, MsgIcon::Warning);
    EXPECT_EQ(script_.messages[0].owner, Wizard());
    EXPECT_EQ(g_jsonDoc, before);
    EXPECT_EQ(g_rawJsonText, rawBefore);
    EXPECT_FALSE(g_modified);
    EXPECT_EQ(Text(IDC_FIX_CLO), "typed"); // stays on the issue, text intact

    // Skip and back drop typed text and reload from the document.
    Press(IDC_FIX_SKIP);
    EXPECT_EQ(Text(IDC_FIX_HEADER), "Fix item 2 of 2  (missing: type)");
    EXPECT_EQ(Text(IDC_FIX_QUESTION), "Line one\r\nline two");
    EXPECT_EQ(TypeEntry(), 0);
    EXPECT_EQ(Text(IDC_FIX_MLO), "mb");
    Press(IDC_FIX_BACK);
    EXPECT_EQ(Text(IDC_FIX_ID), "a");
    EXPECT_EQ(Text(IDC_FIX_CLO), "");

    // A good save writes the item in place, marks the document modified and moves on; the
    // item's block of the listing follows in place, the raw text when it is next needed.
    Type(IDC_FIX_MLO, L"Main");
    Press(IDC_FIX_SAVE);
    EXPECT_EQ(Item(1)["type"], "true_false");
    EXPECT_EQ(Item(1)["correct"], "True");
    EXPECT_EQ(Item(1)["objectives"], json::parse(R"({"MLO":"Main","CLO":"","PLO":""})"));
    EXPECT_TRUE(g_modified);
    EXPECT_EQ(g_document.raw, RawText::Stale);
    EXPECT_NE(ViewText().find("[a]\r\nType: true_false\r\nCategory: \r\nObjectives:\r\n  MLO: Main"), std::string::npos);
    // The notes, made from every item, wait for the wizard to close: a save costs one item.
    EXPECT_TRUE(g_document.notesStale);
    EXPECT_EQ(GetWindowTextU(main), u"*imported.json - Exam Testbank Viewer/Editor");
    EXPECT_EQ(Text(IDC_FIX_ID), "b");
    EXPECT_EQ(Text(IDC_FIX_HEADER), "Fix item 2 of 2  (missing: type)");

    // Flagged for its type, saved with a blank MLO: written, now unresolved for its MLO.
    SendDlgItemMessageW(Wizard(), IDC_FIX_TYPE, CB_SETCURSEL, 2, 0);
    Type(IDC_FIX_MLO, L"");
    Press(IDC_FIX_SAVE);
    EXPECT_EQ(Item(0)["type"], "numerical");
    EXPECT_EQ(Item(0)["objectives"]["MLO"], "");
    EXPECT_EQ(Text(IDC_FIX_ID), "b");
    Press(IDC_FIX_SAVE);
    EXPECT_EQ(Texts().back(), "MLO is required for this item.");

    // The last save closes the wizard, gives the main window back and shows every fix.
    Type(IDC_FIX_MLO, L"M");
    Press(IDC_FIX_SAVE);
    EXPECT_EQ(Wizard(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_TRUE(g_fixupIssues.empty());
    EXPECT_EQ(g_shell.shows, ViewShows::ListingInParts); // the listing is current
    EXPECT_EQ(ViewText(), U8(DisplayOnlyText(FormatCurrentListing())));
    EnsureRawTextCurrent();
    EXPECT_EQ(g_rawJsonText, DumpJsonForRawView(g_jsonDoc));
    EXPECT_NE(ViewText().find("[a]\r\nType: true_false"), std::string::npos);
    EXPECT_NE(ViewText().find("[b]\r\nType: numerical"), std::string::npos);
}

TEST_F(FixupWizard, CloseGivesTheMainWindowBackAndKeepsSavedWork)
{
    script_.openPathLists.push_back({File("first.json", R"([{"id":"x","type":"mc","objectives":{"MLO":"m"}}])"),
                                     File("second.json", kImported)});
    SendMessageW(main, WM_COMMAND, IDM_FILE_OPEN_MERGE, 0);
    Pump();
    ASSERT_NE(Wizard(), nullptr);
    EXPECT_FALSE(IsWindowEnabled(main));
    EXPECT_EQ(Text(IDC_FIX_HEADER), "Fix item 1 of 2  (missing: MLO)");

    // Opening again while it is open keeps the wizard's own list.
    OpenImportFixupWindow(main, {{"zz", true, true}});
    EXPECT_EQ(Text(IDC_FIX_ID), "a");

    Press(IDC_FIX_CLOSE);
    EXPECT_EQ(Wizard(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(main));

    // A bank with nothing to fix opens nothing; neither does an empty list.
    OpenImportFixupWindow(main, {});
    OpenImportFixupWindow(main, {{"", true, true}, {"q", false, false}});
    EXPECT_EQ(Wizard(), nullptr);

    // The caption's close box works the same way.
    OpenImportFixupWindow(main, {{"a", false, true}});
    ASSERT_NE(Wizard(), nullptr);
    SendMessageW(Wizard(), WM_CLOSE, 0, 0);
    Pump();
    EXPECT_EQ(Wizard(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_TRUE(script_.messages.empty());
}
