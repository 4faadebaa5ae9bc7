// The main window through its menu.
#include "gui/GuiFixture.h"

#include <commdlg.h>

namespace {

using MainWindow = GuiTest;

const unsigned char kRedPng[] = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00, 0x00,
    0x28, 0x00, 0x00, 0x00, 0x14, 0x08, 0x02, 0x00, 0x00, 0x00, 0x70, 0x24, 0xe8, 0xec, 0x00, 0x00, 0x00, 0x23, 0x49,
    0x44, 0x41, 0x54, 0x78, 0xda, 0xed, 0xcd, 0xb1, 0x0d, 0x00, 0x00, 0x08, 0xc0, 0xa0, 0xfe, 0xff, 0xb4, 0x9e, 0xe1,
    0x20, 0x09, 0x3b, 0x4d, 0x9d, 0x48, 0x2c, 0x16, 0x8b, 0xc5, 0x62, 0xb1, 0xf8, 0x4f, 0xbc, 0x7d, 0xfa, 0x1d, 0x0e,
    0xa2, 0x1e, 0x87, 0x3d, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

const char kBank[] = R"({"items":[{"id":"Q1","type":"multiple_choice","question":"Pick","choices":{"A":"a","B":"b","C":"c","D":"d"},
  "correct":"B","objectives":{"MLO":"m","CLO":"c","PLO":"p"}}]})";

} // namespace

TEST_F(MainWindow, StartsEmptyWithMenuAndPlaceholder)
{
    wchar_t title[64];
    GetWindowTextW(main, title, 64);
    EXPECT_STREQ(title, L"Exam Testbank Viewer/Editor");
    RECT frame;
    GetWindowRect(main, &frame);
    EXPECT_EQ(frame.right - frame.left, 900);
    EXPECT_EQ(frame.bottom - frame.top, 700);

    HMENU bar = GetMenu(main);
    ASSERT_EQ(GetMenuItemCount(bar), 5);
    const wchar_t* tops[] = {L"&File", L"&Edit", L"&Create", L"&View", L"&Help"};
    const std::vector<std::pair<int, std::wstring>> items[] = {
        {{1000, L"&New Testbank"}, {1001, L"&Open...\tCtrl+O"}, {1005, L"Open && &Merge..."}, {1006, L"&Import..."}, {1007, L"Import && Mer&ge..."}, {1002, L"&Save\tCtrl+S"},
         {1003, L"Save &As..."}, {0, L""}, {1004, L"E&xit"}},
        {{3005, L"&Undo\tCtrl+Z"}, {3006, L"Red&o\tCtrl+Y"}, {0, L""}, {3001, L"&Edit/Add Items..."}, {0, L""}, {3002, L"&Find...\tCtrl+F"}, {3003, L"&Replace...\tCtrl+H"},
         {0, L""}, {3004, L"Find &Duplicates..."}},
        {{4100, L"&Select Items"}, {4101, L"&Save Selections"}, {4102, L"&Print Exam..."}, {0, L""}, {4110, L"&Coverage Report..."}},
        {{2001, L"&Font..."}, {2002, L"Toggle &Raw JSON View"}, {2003, L"Edit &Long Lines in Raw View"},
         {2004, L"Save All &Notes As..."}},
        {{5001, L"&About Testbank Editor..."}}};
    for (int m = 0; m < 5; ++m) {
        wchar_t text[64];
        GetMenuStringW(bar, m, text, 64, MF_BYPOSITION);
        EXPECT_STREQ(text, tops[m]);
        HMENU sub = GetSubMenu(bar, m);
        ASSERT_EQ(GetMenuItemCount(sub), static_cast<int>(items[m].size()));
        for (size_t i = 0; i < items[m].size(); ++i) {
            EXPECT_EQ(static_cast<int>(GetMenuItemID(sub, static_cast<int>(i))), items[m][i].first);
            GetMenuStringW(sub, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
            EXPECT_EQ(std::wstring(text), items[m][i].second);
        }
    }

    EXPECT_FALSE(ViewVisible());
    EXPECT_TRUE(ViewReadOnly());
    EXPECT_EQ(PixelAtClientCentre(), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(GetBrandIconLarge(), nullptr);
    // Without a logo every class carries the stock application icon.
    for (const wchar_t* name : {L"ExamBankViewerWindowClass", L"McEditorWindowClass", L"ExamExportWindowClass",
                                L"ImportFixupWindowClass", L"FindReplaceWindowClass", L"PrintExamWindowClass"}) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), name, &wc)) << name;
        EXPECT_EQ(wc.hIcon, LoadIconW(nullptr, IDI_APPLICATION));
        EXPECT_EQ(wc.hIconSm, LoadIconW(nullptr, IDI_APPLICATION));
        EXPECT_EQ(wc.style, static_cast<UINT>(CS_HREDRAW | CS_VREDRAW));
    }

    Command(IDM_VIEW_TOGGLE_RAW); // nothing, silently
    EXPECT_FALSE(ViewVisible());
    Command(IDM_EDIT_FIND);
    Command(IDM_EDIT_REPLACE);
    ASSERT_EQ(script_.messages.size(), 2u);
    EXPECT_EQ(U8(script_.messages[0].caption), "Find");
    EXPECT_EQ(U8(script_.messages[1].caption), "Replace");
    EXPECT_EQ(Texts(), (std::vector<std::string>{"No JSON loaded.", "No JSON loaded."}));
    EXPECT_EQ(script_.messages[0].owner, main);
    EXPECT_FALSE(g_viewRaw);
}

TEST_F(MainWindow, NewToggleAndFindSwitchViews)
{
    Command(IDM_FILE_NEW);
    EXPECT_TRUE(ViewVisible());
    EXPECT_TRUE(ViewReadOnly());
    EXPECT_EQ(ViewText(), "");
    Command(IDM_VIEW_TOGGLE_RAW);
    EXPECT_FALSE(ViewReadOnly());
    EXPECT_EQ(ViewText(), "{\r\n  \"items\": []\r\n}");
    Command(IDM_VIEW_TOGGLE_RAW);
    EXPECT_TRUE(ViewReadOnly());
    Command(IDM_EDIT_FIND); // from the formatted view: switches to raw first
    EXPECT_TRUE(g_viewRaw);
    EXPECT_FALSE(ViewReadOnly());
    EXPECT_TRUE(script_.messages.empty());
    SendMessageW(GetFindReplaceWindow(), WM_CLOSE, 0, 0);
    Pump();
    EXPECT_NE(PixelAtClientCentre(), RGB(255, 0, 0));
}

TEST_F(MainWindow, OpenMergeSaveAndSaveAsThroughTheMenu)
{
    const std::u16string path = File("bank.json", kBank);
    script_.openPaths.push_back(path);
    Command(IDM_FILE_OPEN);
    EXPECT_TRUE(script_.messages.empty());
    EXPECT_EQ(ViewText().substr(0, 20), "[Q1]\r\nType: multiple");
    EXPECT_TRUE(ViewReadOnly());

    script_.openPaths.push_back(File("empty.json", ""));
    Command(IDM_FILE_OPEN);
    ASSERT_EQ(Texts(), std::vector<std::string>{"Failed to read file or file is empty."});
    EXPECT_EQ(script_.messages[0].owner, main);
    EXPECT_EQ(script_.messages[0].icon, MsgIcon::Error);
    EXPECT_EQ(ViewText().substr(0, 4), "[Q1]");

    script_.openPathLists.push_back({File("more.json", R"([{"id":"Q1","type":"mc","question":"Other"}])")});
    Command(IDM_FILE_OPEN_MERGE);
    EXPECT_NE(ViewText().find("[Q1a]\r\nType: mc"), std::string::npos);
    EXPECT_NE(ViewText().find("Validation notes (1):"), std::string::npos);

    const std::u16string bad = File("bad.json", "{");
    script_.openPathLists.push_back({bad});
    Command(IDM_FILE_OPEN_MERGE);
    EXPECT_EQ(Texts().back().rfind("Error in file:\n" + U8(bad) + "\n\nJSON parse error: ", 0), 0u);
    EXPECT_NE(ViewText().find("[Q1a]"), std::string::npos);

    Command(IDM_FILE_SAVE);
    EXPECT_EQ(Texts().back(), "File saved successfully.\n\n" + U8(g_currentPath));
    EXPECT_EQ(ReadBytes(path), U8(g_rawJsonText));
    EXPECT_NE(ReadBytes(path).find("\"Q1a\""), std::string::npos);

    const std::u16string copy = Join(dir, "copy.json");
    script_.savePaths.push_back(copy);
    Command(IDM_FILE_SAVE_AS);
    EXPECT_EQ(script_.suggestedNames.back(), path);
    EXPECT_EQ(ReadBytes(copy), ReadBytes(path));
    EXPECT_EQ(g_currentPath, copy);

    script_.savePaths.push_back(Join(dir, "missing-dir/x.json"));
    Command(IDM_FILE_SAVE_AS);
    EXPECT_EQ(Texts().back(), "Failed to save file.");
    EXPECT_EQ(g_currentPath, copy);
    const std::string before = ReadBytes(copy);
    g_saveFailAt = SaveFailStep::Flush; // the disk fails while writing
    Command(IDM_FILE_SAVE);
    g_saveFailAt = SaveFailStep::None;
    EXPECT_EQ(Texts().back(), "Failed to save file.");
    EXPECT_EQ(ReadBytes(copy), before);
    EXPECT_EQ(script_.messages.back().icon, MsgIcon::Error);
}

TEST_F(MainWindow, RawViewTypingSaveAndDiscardQuestion)
{
    std::string big = R"({"items":[)";
    for (int i = 0; i < 800; ++i)
        big += (i ? "," : "") + std::string(R"({"id":"Q)") + std::to_string(i) +
               R"(","type":"numerical","question":"What is the value of item )" + std::to_string(i) + R"(?","answer":1})";
    big += "]}";
    script_.openPaths.push_back(File("big.json", big));
    Command(IDM_FILE_OPEN);
    Command(IDM_VIEW_TOGGLE_RAW);
    const int length = GetWindowTextLengthW(g_hEdit);
    ASSERT_GT(length, 100000);
    SendMessageW(g_hEdit, EM_SETSEL, 3, 3);
    SendMessageW(g_hEdit, WM_CHAR, L' ', 0);
    EXPECT_EQ(GetWindowTextLengthW(g_hEdit), length + 1);

    // Leaving the raw view applies what parses, unasked (the space goes with the dump, and
    // the document is the one opened: nothing to save).
    Command(IDM_VIEW_TOGGLE_RAW);
    EXPECT_FALSE(g_viewRaw);
    EXPECT_TRUE(Texts().empty());
    EXPECT_FALSE(g_modified);
    Command(IDM_VIEW_TOGGLE_RAW);
    EXPECT_EQ(GetWindowTextLengthW(g_hEdit), length);
    // What does not parse asks to discard it, named so; no answer keeps it.
    SendMessageW(g_hEdit, EM_SETSEL, 0, 0);
    SendMessageW(g_hEdit, WM_CHAR, L'x', 0);
    Command(IDM_VIEW_TOGGLE_RAW);
    EXPECT_TRUE(g_viewRaw);
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_NE(Texts()[0].find("Discard every change made in the raw JSON view"), std::string::npos);
    EXPECT_EQ(GetWindowTextLengthW(g_hEdit), length + 1);
    script_.answers.push_back(MsgAnswer::Yes);
    Command(IDM_VIEW_TOGGLE_RAW);
    EXPECT_FALSE(g_viewRaw);
    Command(IDM_VIEW_TOGGLE_RAW);
    EXPECT_EQ(GetWindowTextLengthW(g_hEdit), length); // the typed x is gone

    // Save in the raw view parses what is typed; bad text writes nothing.
    TypeIntoView(u"{\"items\": [{\"id\": \"X\"}]");
    Command(IDM_FILE_SAVE);
    EXPECT_EQ(Texts().back().rfind("JSON parse error: ", 0), 0u);
    EXPECT_EQ(ViewText(), "{\"items\": [{\"id\": \"X\"}]");
    TypeIntoView(u"{\"items\": [{\"id\": \"X\"}]}");
    Command(IDM_FILE_SAVE);
    EXPECT_EQ(Texts().back(), "File saved successfully.\n\n" + U8(g_currentPath));
    EXPECT_EQ(ViewText().substr(0, 13), "{\r\n  \"items\":");
    EXPECT_NE(ReadBytes(g_currentPath).find("\"correct\": \"A\""), std::string::npos);
}

TEST_F(MainWindow, ClosingAsksAboutUnsavedWork)
{
    const std::u16string path = File("bank.json", kBank);
    script_.openPaths.push_back(path);
    Command(IDM_FILE_OPEN);
    Command(IDM_VIEW_TOGGLE_RAW);
    SendMessageW(g_hEdit, WM_CHAR, L' ', 0);
    Command(IDM_FILE_EXIT); // Cancel
    EXPECT_TRUE(IsWindow(main));
    EXPECT_EQ(Texts(), std::vector<std::string>{"Save changes to the current testbank?"});
    script_.answers.push_back(MsgAnswer::Yes); // saves the typed text first
    SendMessageW(main, WM_CLOSE, 0, 0);
    Pump();
    EXPECT_FALSE(IsWindow(main));
    EXPECT_EQ(ReadBytes(path).substr(0, 14), "{\r\n  \"items\": ");
}

// Windows asks before a shutdown as closing asks; an end that comes anyway keeps the typed work.
TEST_F(MainWindow, SessionEndAsksAboutUnsavedWorkAndKeepsIt)
{
    const std::u16string path = File("bank.json", kBank);
    script_.openPaths.push_back(path);
    Command(IDM_FILE_OPEN);
    EXPECT_TRUE(SendMessageW(main, WM_QUERYENDSESSION, 0, 0)); // nothing unsaved: no question
    EXPECT_TRUE(script_.messages.empty());
    SendMessageW(main, WM_ENDSESSION, TRUE, 0);
    EXPECT_FALSE(fs::exists(fs::path(Join(dir, "bank.unsaved.json"))));

    Command(IDM_VIEW_TOGGLE_RAW);
    TypeIntoView(u"{\"items\": [{\"id\": \"typed\"");
    EXPECT_FALSE(SendMessageW(main, WM_QUERYENDSESSION, 0, 0)); // Cancel: the session may not end
    EXPECT_EQ(Texts(), std::vector<std::string>{"Save changes to the current testbank?"});
    SendMessageW(main, WM_ENDSESSION, TRUE, 0); // ended anyway
    EXPECT_EQ(ReadBytes(Join(dir, "bank.unsaved.json")), "{\"items\": [{\"id\": \"typed\"");
    EXPECT_EQ(ReadBytes(path), kBank);
    // A critical end is not asked about; the next copy goes beside the first.
    EXPECT_TRUE(SendMessageW(main, WM_QUERYENDSESSION, 0, ENDSESSION_CRITICAL));
    EXPECT_EQ(script_.messages.size(), 1u);
    SendMessageW(main, WM_ENDSESSION, TRUE, ENDSESSION_CRITICAL);
    EXPECT_TRUE(fs::exists(fs::path(Join(dir, "bank.unsaved-2.json"))));

    script_.answers.push_back(MsgAnswer::No); // let it go: nothing is kept
    EXPECT_TRUE(SendMessageW(main, WM_QUERYENDSESSION, 0, 0));
    SendMessageW(main, WM_ENDSESSION, TRUE, 0);
    EXPECT_FALSE(fs::exists(fs::path(Join(dir, "bank.unsaved-3.json"))));
    EXPECT_TRUE(IsWindow(main));
}

TEST_F(MainWindow, FontDialogRemembersTheChoice)
{
    static std::vector<std::pair<LONG, std::wstring>> seen;
    static bool confirm = true;
    g_chooseFont = [](CHOOSEFONTW* cf) -> BOOL {
        seen.emplace_back(cf->lpLogFont->lfHeight, cf->lpLogFont->lfFaceName);
        EXPECT_EQ(cf->Flags, static_cast<DWORD>(CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT));
        if (!confirm) return FALSE;
        cf->lpLogFont->lfHeight = -20;
        lstrcpyW(cf->lpLogFont->lfFaceName, L"Courier New");
        return TRUE;
    };
    Command(IDM_VIEW_FONT);
    EXPECT_NE(g_hFont, nullptr);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(g_hEdit, WM_GETFONT, 0, 0)), g_hFont);
    confirm = false;
    HFONT chosen = g_hFont;
    Command(IDM_VIEW_FONT);
    EXPECT_EQ(g_hFont, chosen);
    g_chooseFont = ChooseFontW;
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], std::make_pair(LONG(-16), std::wstring(L"Segoe UI")));
    EXPECT_EQ(seen[1], std::make_pair(LONG(-20), std::wstring(L"Courier New")));
}

TEST_F(MainWindow, ViewFillsTheClientArea)
{
    Command(IDM_FILE_NEW);
    SetWindowPos(main, nullptr, 0, 0, 640, 480, SWP_NOMOVE | SWP_NOZORDER);
    Pump();
    RECT client, view;
    GetClientRect(main, &client);
    GetWindowRect(g_hEdit, &view);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&view), 2);
    EXPECT_EQ(view.left, 0);
    EXPECT_EQ(view.top, 0);
    EXPECT_EQ(view.right, client.right);
    EXPECT_EQ(view.bottom, client.bottom);
    ShowWindow(main, SW_MINIMIZE);
    Pump();
    GetWindowRect(g_hEdit, &view);
    EXPECT_EQ(view.right - view.left, 0);
    ShowWindow(main, SW_RESTORE);
}

TEST_F(MainWindow, LogoIsPaintedAndMadeIntoIconsElsePlaceholderText)
{
    const fs::path logo = ExeDir() / "logo.png";
    WriteBytes(logo.u16string(), std::string(reinterpret_cast<const char*>(kRedPng), sizeof kRedPng));
    ShutdownBranding();
    ASSERT_TRUE(InitBranding());
    EXPECT_NE(GetBrandIconLarge(), nullptr);
    EXPECT_NE(GetBrandIconSmall(), nullptr);
    EXPECT_EQ(PixelAtClientCentre(), RGB(255, 0, 0));
    ShutdownBranding();
    fs::remove(logo);
    // Without the logo the placeholder text is painted instead.
    ASSERT_TRUE(InitBranding());
    EXPECT_EQ(GetBrandIconLarge(), nullptr);
    EXPECT_EQ(PixelAtClientCentre(), GetSysColor(COLOR_WINDOW));
    EXPECT_GT(InkInTopBand(), 20);
}

TEST_F(MainWindow, EveryItemIsListedAndNothingHidesTheRest)
{
    script_.openPaths.push_back(DataFile("sample.json"));
    Command(IDM_FILE_OPEN);
    if (HWND wizard = FindWindowW(L"ImportFixupWindowClass", nullptr)) DestroyWindow(wizard);
    EXPECT_EQ(ViewText().find("(Unknown item type)"), std::string::npos);
    EXPECT_NE(ViewText().find("Type: tf\r\n"), std::string::npos);
    EXPECT_NE(ViewText().find("A byte holds 8 bits."), std::string::npos);

    // A NUL inside a string shows as a mark and the items after it stay in the view.
    std::string items;
    for (int i = 0; i < 50; ++i)
        items += std::string(i ? "," : "") + R"({"id":"Q)" + std::to_string(i) + R"(","type":"multiple_choice","question":")" +
                 (i == 1 ? "before\\u0000after" : "plain") + R"(","objectives":{"MLO":"m","CLO":"c","PLO":"p"}})";
    script_.openPaths.push_back(File("zero-char.json", "{\"items\":[" + items + "]}"));
    Command(IDM_FILE_OPEN);
    EXPECT_NE(ViewText().find("before\xE2\x90\x80" "after"), std::string::npos);
    EXPECT_NE(ViewText().find("[Q49]"), std::string::npos);
}

TEST_F(MainWindow, KeyboardFocusShortcutsAndMergeOverTypedText)
{
    const std::u16string path = File("bank.json", kBank);
    script_.openPaths.push_back(path);
    Command(IDM_FILE_OPEN);
    EXPECT_EQ(GetFocus(), g_hEdit); // after a command the view has the keys
    SetFocus(main);
    EXPECT_EQ(GetFocus(), g_hEdit);

    // Ctrl+S and Ctrl+F, typed in the view, run their menu commands.
    auto ctrl = [&](char key) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_CONTROL] = 0x80;
        SetKeyboardState(keys);
        PostMessageW(g_hEdit, WM_KEYDOWN, key, 1);
        Pump();
        keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
    };
    ctrl('S');
    EXPECT_EQ(Texts().back(), "File saved successfully.\n\n" + U8(g_currentPath));
    ctrl('F');
    ASSERT_NE(GetFindReplaceWindow(), nullptr);
    wchar_t title[16];
    GetWindowTextW(GetFindReplaceWindow(), title, 16);
    EXPECT_STREQ(title, L"Find");
    SendMessageW(GetFindReplaceWindow(), WM_CLOSE, 0, 0);
    Pump();
    ctrl('H');
    ASSERT_NE(GetFindReplaceWindow(), nullptr);
    GetWindowTextW(GetFindReplaceWindow(), title, 16);
    EXPECT_STREQ(title, L"Replace");
    SendMessageW(GetFindReplaceWindow(), WM_CLOSE, 0, 0);
    Pump();
    script_.openPaths.push_back(path);
    ctrl('O');
    EXPECT_EQ(g_viewRaw, false); // the Open command ran and installed the file again

    // Open && Merge over text typed into the raw view: what does not parse stops it and stays.
    Command(IDM_VIEW_TOGGLE_RAW);
    TypeIntoView(u"{\"items\": []} typed");
    script_.openPathLists.push_back({File("more.json", R"([{"id":"Z","type":"mc"}])")});
    Command(IDM_FILE_OPEN_MERGE);
    EXPECT_NE(Texts().back().find("could not be applied"), std::string::npos);
    EXPECT_EQ(ViewText(), "{\"items\": []} typed");
    EXPECT_EQ(g_jsonDoc["items"].size(), 1u);
    // What parses is merged into.
    TypeIntoView(u"{\"items\": [{\"id\": \"T\", \"type\": \"mc\"}]}");
    Command(IDM_FILE_OPEN_MERGE);
    ASSERT_EQ(g_jsonDoc["items"].size(), 2u);
    EXPECT_EQ(g_jsonDoc["items"][0]["id"], "T");
    EXPECT_EQ(GetWindowTextU(g_hEdit), g_rawJsonText);
}
