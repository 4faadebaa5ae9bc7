// The "Select Items" window through the Create menu.
#include "gui/GuiFixture.h"

#include <commctrl.h>

#include "export/ExamExport.h"
#include "export/ExamSelection.h"

namespace {

class SelectItems : public GuiTest {
protected:
    HWND Window() const { return GetExamExportWindow(); }
    HWND List() const { return GetDlgItem(Window(), IDC_EXAM_LIST); }
    int Rows() const { return static_cast<int>(SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0)); }
    bool Checked(int row) const
    {
        return (SendMessageW(List(), LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK) & LVIS_STATEIMAGEMASK) ==
               INDEXTOSTATEIMAGEMASK(2);
    }
    std::vector<bool> Checks() const
    {
        std::vector<bool> out;
        for (int row = 0; row < Rows(); ++row) out.push_back(Checked(row));
        return out;
    }
    // What the user does to a row's box: the row focused, then Space.
    void Click(int row, bool check)
    {
        if (Checked(row) == check) return;
        LVITEMW item{};
        item.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
        item.state = LVIS_FOCUSED | LVIS_SELECTED;
        SendMessageW(List(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
        SendMessageW(List(), WM_KEYDOWN, VK_SPACE, 0);
        SendMessageW(List(), WM_KEYUP, VK_SPACE, 0);
        Pump();
    }
    std::string Cell(int row, int column) const
    {
        wchar_t text[256] = L"";
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = 256;
        SendMessageW(List(), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        return U8(FromWide(text));
    }
    std::string Counter() const { return U8(GetWindowTextU(GetDlgItem(Window(), IDC_EXAM_COUNT))); }
    void Press(int id)
    {
        SendMessageW(Window(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
        Pump();
    }
};

const char kBank[] = R"({"items":[
  {"id":"Q1","type":"multiple_choice","category":"Loops","question":"Line one\nline two","objectives":{"MLO":"m"}},
  {"id":"Q2","type":"true_false","question":"Sure?","correct":"True","objectives":{"MLO":"m"}},
  {"id":"Q3","type":"numerical","question":"How many?","answer":"3","objectives":{"MLO":"m"}}]})";

} // namespace

TEST_F(SelectItems, ChecksCounterAndSavedExam)
{
    Command(IDM_CREATE_SELECT);
    EXPECT_EQ(Texts(), std::vector<std::string>{"No JSON loaded. Use File -> New Testbank or File -> Open first."});
    EXPECT_EQ(Window(), nullptr);

    script_.openPaths.push_back(File("bank.json", kBank));
    Command(IDM_FILE_OPEN);
    Command(IDM_CREATE_SAVE_SELECTIONS);
    EXPECT_EQ(Texts().back(), "No selections yet. Use Create -> Select Items first.");
    EXPECT_EQ(U8(script_.messages.back().caption), "Save Selections");

    Command(IDM_CREATE_SELECT);
    ASSERT_NE(Window(), nullptr);
    wchar_t title[32];
    GetWindowTextW(Window(), title, 32);
    EXPECT_STREQ(title, L"Select Items");
    ASSERT_EQ(Rows(), 3);
    EXPECT_EQ(Cell(0, 0), "Q1");
    EXPECT_EQ(Cell(0, 1), "Multiple choice");
    EXPECT_EQ(Cell(0, 2), "Loops");
    EXPECT_EQ(Cell(0, 3), "Line one line two");
    EXPECT_EQ(Checks(), (std::vector<bool>{true, true, true}));
    EXPECT_EQ(Counter(), "Selected: 3 / 3");

    // A click on a box updates the counter and the set.
    Click(1, false);
    EXPECT_EQ(Counter(), "Selected: 2 / 3");
    EXPECT_EQ(g_examSelectedIds, (std::set<std::string>{"Q1", "Q3"}));

    const std::u16string exam = Join(dir, "exam.json");
    script_.savePaths.push_back(exam);
    Press(IDC_EXAM_SAVE);
    EXPECT_EQ(Texts().back(), "Exam JSON saved successfully.\n\n" + U8(exam));
    EXPECT_EQ(script_.messages.back().owner, Window());
    EXPECT_EQ(script_.suggestedNames.back(), u"exam.json");
    json expected = json::object();
    expected["items"] = json::array({g_jsonDoc["items"][0], g_jsonDoc["items"][2]});
    EXPECT_EQ(ReadBytes(exam), SerializeExam(expected));

    Press(IDC_EXAM_NONE);
    EXPECT_EQ(Counter(), "Selected: 0 / 3");
    const size_t before = script_.messages.size();
    Press(IDC_EXAM_SAVE);
    EXPECT_EQ(Texts().back(), "No items selected.");
    EXPECT_EQ(script_.messages.size(), before + 1); // no save dialog
    Press(IDC_EXAM_ALL);
    EXPECT_EQ(Checks(), (std::vector<bool>{true, true, true}));
    EXPECT_EQ(g_examSelectedIds.size(), 3u);
}

TEST_F(SelectItems, SelectionOutlivesTheWindowNotTheDocument)
{
    script_.openPaths.push_back(File("bank.json", kBank));
    Command(IDM_FILE_OPEN);
    Command(IDM_CREATE_SELECT);
    Click(0, false);
    Press(IDC_EXAM_CLOSE);
    EXPECT_EQ(Window(), nullptr);

    // Reopened: the same checks; an item merged in between comes up unchecked.
    script_.openPathLists.push_back({File("more.json", R"([{"id":"Q9","type":"mc","objectives":{"MLO":"m"}}])")});
    Command(IDM_FILE_OPEN_MERGE);
    Command(IDM_CREATE_SELECT);
    EXPECT_EQ(Checks(), (std::vector<bool>{false, true, true, false}));
    EXPECT_EQ(Counter(), "Selected: 2 / 4");

    // A raw-view save re-reads the document: the rows follow it, the checks stay by ID.
    Command(IDM_VIEW_TOGGLE_RAW);
    std::u16string raw = GetWindowTextU(g_hEdit);
    raw.replace(raw.find(u"\"Q9\""), 4, u"\"Q0\"");
    TypeIntoView(raw);
    Command(IDM_FILE_SAVE);
    ASSERT_NE(Window(), nullptr);
    EXPECT_EQ(Checks(), (std::vector<bool>{false, true, true, false}));
    EXPECT_EQ(g_examSelectedIds, (std::set<std::string>{"Q2", "Q3"}));
    Command(IDM_VIEW_TOGGLE_RAW);

    // Opening another file closes the window and forgets the selection.
    Command(IDM_CREATE_SELECT);
    ASSERT_NE(Window(), nullptr);
    script_.openPaths.push_back(File("other.json", kBank));
    Command(IDM_FILE_OPEN);
    EXPECT_EQ(Window(), nullptr);
    EXPECT_FALSE(g_examSelectionInitialized);
    EXPECT_TRUE(g_examSelectedIds.empty());
}
