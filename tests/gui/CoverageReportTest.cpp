// The "Coverage Report" window through the Create menu.
#include "gui/GuiFixture.h"

#include <commctrl.h>

#include "export/ExamSelection.h"
#include "report/CoverageReport.h"

namespace {

class CoverageWindow : public GuiTest {
protected:
    HWND Window() const { return GetCoverageReportWindow(); }
    HWND Item(int id) const { return GetDlgItem(Window(), id); }
    int Rows() const { return static_cast<int>(SendMessageW(Item(IDC_COV_LIST), LVM_GETITEMCOUNT, 0, 0)); }
    std::string Cell(int row, int column) const
    {
        wchar_t text[256] = L"";
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = 256;
        SendMessageW(Item(IDC_COV_LIST), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        return U8(FromWide(text));
    }
    std::vector<std::string> Codes() const
    {
        std::vector<std::string> out;
        for (int row = 0; row < Rows(); ++row) out.push_back(Cell(row, 0));
        return out;
    }
    std::string Text(int id) const { return U8(GetWindowTextU(Item(id))); }
    void Press(int id)
    {
        SendMessageW(Window(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id)));
        Pump();
    }
    void ChooseLevel(int index)
    {
        SendMessageW(Item(IDC_COV_LEVEL), CB_SETCURSEL, index, 0);
        SendMessageW(Window(), WM_COMMAND, MAKEWPARAM(IDC_COV_LEVEL, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(Item(IDC_COV_LEVEL)));
        Pump();
    }
    void ClickHeader(int column)
    {
        NMLISTVIEW click{};
        click.hdr.hwndFrom = Item(IDC_COV_LIST);
        click.hdr.idFrom = IDC_COV_LIST;
        click.hdr.code = LVN_COLUMNCLICK;
        click.iItem = -1;
        click.iSubItem = column;
        SendMessageW(Window(), WM_NOTIFY, IDC_COV_LIST, reinterpret_cast<LPARAM>(&click));
        Pump();
    }
    // Pixels of the chart in the colour of multiple-choice bars.
    int ChartInk()
    {
        HWND chart = Item(IDC_COV_CHART);
        InvalidateRect(chart, nullptr, TRUE);
        UpdateWindow(chart);
        RECT rc;
        GetClientRect(chart, &rc);
        HDC dc = GetDC(chart);
        int ink = 0;
        for (int y = 0; y < rc.bottom; y += 2)
            for (int x = 0; x < rc.right; x += 2) ink += GetPixel(dc, x, y) == RGB(0x4e, 0x79, 0xa7);
        ReleaseDC(chart, dc);
        return ink;
    }
};

} // namespace

TEST_F(CoverageWindow, CountsSortsChartsAndSaves)
{
    Command(IDM_CREATE_COVERAGE);
    EXPECT_EQ(Texts(), std::vector<std::string>{"No JSON loaded. Use File -> New Testbank or File -> Open first."});
    EXPECT_EQ(U8(script_.messages.back().caption), "Coverage Report");
    EXPECT_EQ(Window(), nullptr);

    script_.openPaths.push_back(File("coverage.json", ReadBytes(DataFile("coverage.json"))));
    Command(IDM_FILE_OPEN);
    Command(IDM_CREATE_COVERAGE);
    ASSERT_NE(Window(), nullptr);
    EXPECT_EQ(U8(GetWindowTextU(Window())), "Coverage Report");
    EXPECT_EQ(Codes(), (std::vector<std::string>{"(blank)", "MLO-1", "MLO-2", "MLO-X", "MLO1", "mlo_1"}));
    EXPECT_EQ(Cell(1, 1), "3");
    EXPECT_EQ(Cell(1, 6), "Arrays; Loops");
    EXPECT_EQ(Cell(1, 7), "MLO1, mlo_1");
    EXPECT_EQ(Text(IDC_COV_SUMMARY), "9 items, 5 codes, 2 with a blank MLO");
    EXPECT_EQ(Text(IDC_COV_BLANKS), "Items with a blank MLO: C7, C8");
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_COV_SELECTION))); // no exam selection yet
    EXPECT_GT(ChartInk(), 50);

    ClickHeader(1); // items, largest first
    EXPECT_EQ(Codes()[0], "MLO-1");
    EXPECT_EQ(Codes()[1], "(blank)");
    ClickHeader(1);
    EXPECT_EQ(Codes().back(), "MLO-1");

    ChooseLevel(1);
    EXPECT_EQ(Rows(), 4);
    EXPECT_EQ(Text(IDC_COV_SUMMARY), "9 items, 3 codes, 1 with a blank CLO");
    EXPECT_EQ(Codes().back(), "CLO-1"); // the sort stays

    // The exam selection, made meanwhile, is offered when the window comes back.
    g_examSelectedIds = {"C1", "C4", "C7"};
    g_examSelectionInitialized = true;
    SendMessageW(Window(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_COV_SELECTION)));
    SendMessageW(Item(IDC_COV_SELECTION), BM_CLICK, 0, 0);
    Pump();
    EXPECT_EQ(Text(IDC_COV_SUMMARY), "3 items, 2 codes, 0 with a blank CLO");

    const std::u16string page = Join(dir, "coverage.html");
    script_.savePaths.push_back(page);
    script_.saveTypes.push_back(0);
    Press(IDC_COV_SAVE);
    EXPECT_EQ(Texts().back(), "Coverage report saved.\n\n" + U8(page));
    EXPECT_EQ(script_.messages.back().owner, Window());
    const std::string html = ReadBytes(page);
    EXPECT_NE(html.find("coverage.json (exam selection): 3 items."), std::string::npos);
    EXPECT_NE(html.find("Items with a blank MLO: C7</p>"), std::string::npos);

    const std::u16string table = Join(dir, "table.csv");
    script_.savePaths.push_back(table);
    script_.saveTypes.push_back(1);
    Press(IDC_COV_SAVE);
    EXPECT_EQ(ReadBytes(table).substr(0, 70), "level,code,items,multiple_choice,true_false,numerical,algorithmic\nMLO,");
}

// Under a high-contrast scheme (white text on black) a label given only the window's
// background kept the DC's black text: every label is given the scheme's text colour.
TEST_F(CoverageWindow, LabelsTakeTheSchemesTextColour)
{
    script_.openPaths.push_back(File("coverage.json", ReadBytes(DataFile("coverage.json"))));
    Command(IDM_FILE_OPEN);
    Command(IDM_CREATE_COVERAGE);
    ASSERT_NE(Window(), nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    for (int id : {IDC_COV_LEVEL_LABEL, IDC_COV_BANK, IDC_COV_SELECTION, IDC_COV_SUMMARY, IDC_COV_BLANKS}) {
        SetTextColor(dc, RGB(1, 2, 3));
        SetBkColor(dc, RGB(4, 5, 6));
        const LRESULT brush = SendMessageW(Window(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                           reinterpret_cast<LPARAM>(Item(id)));
        EXPECT_EQ(GetTextColor(dc), GetSysColor(COLOR_WINDOWTEXT)) << id;
        EXPECT_EQ(GetBkColor(dc), GetSysColor(COLOR_WINDOW)) << id;
        EXPECT_EQ(brush, reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW))) << id;
    }
    DeleteDC(dc);
}

TEST_F(CoverageWindow, FollowsTheDocument)
{
    script_.openPaths.push_back(File("coverage.json", ReadBytes(DataFile("coverage.json"))));
    Command(IDM_FILE_OPEN);
    Command(IDM_CREATE_COVERAGE);
    ASSERT_NE(Window(), nullptr);

    // A merge adds items: counted again at once.
    script_.openPathLists.push_back({File("more.json", R"([{"id":"N1","type":"mc","objectives":{"MLO":"MLO-9"}}])")});
    Command(IDM_FILE_OPEN_MERGE);
    ASSERT_NE(Window(), nullptr);
    EXPECT_EQ(Text(IDC_COV_SUMMARY), "10 items, 6 codes, 2 with a blank MLO");

    // A raw-view save re-reads the document: counted again.
    Command(IDM_VIEW_TOGGLE_RAW);
    TypeIntoView(u"{\"items\":[{\"id\":\"R\",\"type\":\"tf\",\"correct\":\"True\",\"objectives\":{\"MLO\":\"M\"}}]}");
    Command(IDM_FILE_SAVE);
    ASSERT_NE(Window(), nullptr);
    EXPECT_EQ(Text(IDC_COV_SUMMARY), "1 item, 1 code, 0 with a blank MLO");
    Command(IDM_VIEW_TOGGLE_RAW);

    // Another document: the new one's counts.
    script_.openPaths.push_back(DataFile("sample.json"));
    Command(IDM_FILE_OPEN);
    ASSERT_NE(Window(), nullptr);
    EXPECT_EQ(Text(IDC_COV_SUMMARY).find("9 items"), std::string::npos);
    Press(IDC_COV_CLOSE);
    EXPECT_EQ(Window(), nullptr);
}
