// Edit > Find Duplicates: the groups of the open document, and the chosen member shown in
// the main view.
#include "dupes/FindDuplicates.h"
#include "gui/GuiFixture.h"

#include <commctrl.h>

namespace {

const char kBank[] = R"({"items":[
  {"id":"Q1","type":"tf","question":"Ice floats on water.","correct":true,"objectives":{"MLO":"m","CLO":"c","PLO":"p"}},
  {"id":"Q2","type":"tf","question":"Fire is cold.","correct":false,"objectives":{"MLO":"m","CLO":"c","PLO":"p"}},
  {"id":"Q3","type":"tf","question":"ice floats on  WATER","correct":false,"objectives":{"MLO":"m","CLO":"c","PLO":"p"}},
  {"id":"Q4","type":"tf","question":"Fire is cold","correct":false,"objectives":{"MLO":"m","CLO":"c","PLO":"p"}}]})";

class FindDuplicatesWindow : public GuiTest {
protected:
    HWND Window() const { return GetFindDuplicatesWindow(); }
    HWND List() const { return GetDlgItem(Window(), IDC_DUP_LIST); }
    int Rows() const { return static_cast<int>(SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0)); }
    std::string Cell(int row, int column) const
    {
        wchar_t text[256] = L"";
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = 256;
        SendMessageW(List(), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        return U8(std::u16string(reinterpret_cast<const char16_t*>(text)));
    }
    void Select(int row)
    {
        LVITEMW item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(List(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
        Pump();
    }
    void Press(int id)
    {
        SendMessageW(Window(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(Window(), id)));
        Pump();
    }
    std::string SelectedViewText() const
    {
        DWORD start = 0, end = 0;
        SendMessageW(g_hEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        return U8(GetWindowTextU(g_hEdit).substr(start, end - start));
    }
    std::string Summary() const { return U8(GetWindowTextU(GetDlgItem(Window(), IDC_DUP_SUMMARY))); }
};

} // namespace

TEST_F(FindDuplicatesWindow, ListsGroupsAndShowsTheChosenItem)
{
    Command(IDM_EDIT_DUPLICATES);
    EXPECT_EQ(Texts(), std::vector<std::string>{"No JSON loaded."});
    EXPECT_EQ(U8(script_.messages.back().caption), "Find Duplicates");
    EXPECT_EQ(Window(), nullptr);

    script_.openPaths.push_back(File("bank.json", kBank));
    Command(IDM_FILE_OPEN);
    Command(IDM_EDIT_DUPLICATES);
    ASSERT_NE(Window(), nullptr);
    EXPECT_EQ(GetFocus(), GetDlgItem(Window(), IDC_DUP_THRESHOLD));
    ASSERT_EQ(Rows(), 4);
    EXPECT_EQ(Cell(0, 1), "conflict");
    EXPECT_EQ(Cell(1, 3), "Q3");
    EXPECT_EQ(Cell(2, 1), "exact");
    EXPECT_EQ(Cell(3, 4), "Fire is cold");
    EXPECT_EQ(Cell(0, 5), "True"); // the answers, so that a conflict shows without Show Item
    EXPECT_EQ(Cell(1, 5), "False");
    EXPECT_EQ(Summary(), "2 groups: 1 conflict, 1 exact, 0 near");
    EXPECT_EQ(SelectedViewText(), "[Q1]"); // the first row is chosen after each Find

    Select(3);
    EXPECT_EQ(SelectedViewText(), "[Q4]");
    SendMessageW(g_hEdit, EM_SETSEL, 0, 0);
    Press(IDC_DUP_SHOW);
    EXPECT_EQ(SelectedViewText(), "[Q4]");

    // An item deleted meanwhile: Show Item says so.
    script_.messages.clear();
    SetWindowTextW(g_hEdit, L"");
    Press(IDC_DUP_SHOW);
    EXPECT_EQ(Texts(), std::vector<std::string>{"Item Q4 is not in the view any more; choose Find to look again."});
    Command(IDM_VIEW_TOGGLE_RAW);

    // In the raw view the ID's line is selected.
    Select(1);
    EXPECT_EQ(SelectedViewText(), "\"id\": \"Q3\"");

    SetDlgItemTextW(Window(), IDC_DUP_THRESHOLD, L"1.5");
    Press(IDC_DUP_FIND);
    EXPECT_EQ(Texts().back(), "Enter a similarity above 0 and at most 1, such as 0.8.");
    EXPECT_EQ(script_.messages.back().icon, MsgIcon::Error);
    EXPECT_EQ(Rows(), 4); // the list stays

    // Escape closes it, as in a dialog.
    SendMessageW(Window(), WM_COMMAND, IDCANCEL, 0);
    Pump();
    EXPECT_EQ(Window(), nullptr);
}

// Show Item puts the item's first line at the top of the view, not at its bottom edge
// under this window; below this window where it covers the top.
TEST_F(FindDuplicatesWindow, ShowItemPutsTheItemAtTheTop)
{
    std::string bank = R"({"items":[)";
    for (int i = 0; i < 80; ++i)
        bank += R"({"id":"F)" + std::to_string(i) + R"(","type":"tf","question":"Filler number )" + std::to_string(i) +
                R"( about something","correct":true,"objectives":{"MLO":"m","CLO":"c","PLO":"p"}},)";
    bank += R"({"id":"D1","type":"tf","question":"Same question","correct":true,"objectives":{"MLO":"m"}},
               {"id":"D2","type":"tf","question":"Same question","correct":true,"objectives":{"MLO":"m"}})";
    for (int i = 80; i < 160; ++i) // as many after them, so that the view can scroll them to its top
        bank += R"(,{"id":"F)" + std::to_string(i) + R"(","type":"tf","question":"Filler number )" + std::to_string(i) +
                R"( about something","correct":true,"objectives":{"MLO":"m","CLO":"c","PLO":"p"}})";
    bank += "]}";
    script_.openPaths.push_back(File("long.json", bank));
    Command(IDM_FILE_OPEN);
    Command(IDM_EDIT_DUPLICATES);
    RECT view{};
    GetClientRect(g_hEdit, &view);
    MapWindowPoints(g_hEdit, nullptr, reinterpret_cast<POINT*>(&view), 2);
    // Beside the view first, then over its top third.
    SetWindowPos(Window(), nullptr, view.right + 10, view.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    int planted = 0;
    for (int row = 0; row < Rows(); ++row) {
        if (Cell(row, 3)[0] != 'D') continue; // the fillers may be near copies of each other
        ++planted;
        Select(row);
        Press(IDC_DUP_SHOW);
        DWORD start = 0;
        SendMessageW(g_hEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
        EXPECT_EQ(SendMessageW(g_hEdit, EM_GETFIRSTVISIBLELINE, 0, 0), SendMessageW(g_hEdit, EM_LINEFROMCHAR, start, 0));

        const int third = (view.bottom - view.top) / 3;
        SetWindowPos(Window(), nullptr, view.left, view.top - 40, view.right - view.left, 40 + third,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        Press(IDC_DUP_SHOW);
        const LRESULT at = SendMessageW(g_hEdit, EM_POSFROMCHAR, start, 0);
        POINT shown{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
        ClientToScreen(g_hEdit, &shown);
        RECT over{};
        GetWindowRect(Window(), &over);
        EXPECT_GE(shown.y, over.bottom); // in sight below the window, not under it
        EXPECT_LT(shown.y, over.bottom + third);
        SetWindowPos(Window(), nullptr, view.right + 10, view.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    EXPECT_EQ(planted, 2);
}

TEST_F(FindDuplicatesWindow, ClosesWhenAnotherDocumentOpens)
{
    script_.openPaths.push_back(File("bank.json", kBank));
    Command(IDM_FILE_OPEN);
    Command(IDM_EDIT_DUPLICATES);
    ASSERT_NE(Window(), nullptr);
    Command(IDM_FILE_NEW);
    EXPECT_EQ(Window(), nullptr);
}
