// Print Exam... from the Create menu and from the Select Items window.
#include "gui/GuiFixture.h"

#include "cli/TestbankCli.h"
#include "export/ExamExport.h"
#include "export/ExamSelection.h"
#include "print/PrintExamDialog.h"

namespace {

std::vector<std::u16string> g_opened;
bool RecordOpen(const std::u16string& path)
{
    g_opened.push_back(path);
    return true;
}

class PrintExam : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        g_opened.clear();
        saved_ = Services();
        AppServices services = saved_;
        services.openInBrowser = RecordOpen;
        SetAppServices(services);
    }
    void TearDown() override
    {
        SetAppServices(saved_);
        GuiTest::TearDown();
    }
    AppServices saved_;
    HWND Dialog() const { return GetPrintExamWindow(); }
    void Set(int id, const wchar_t* text)
    {
        SetWindowTextW(GetDlgItem(Dialog(), id), text);
        Pump();
    }
    std::string Get(int id) const { return U8(GetWindowTextU(GetDlgItem(Dialog(), id))); }
    void Press(HWND window, int id)
    {
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
        Pump();
    }
    // The command run in this process: the program's document and selection are its own
    // again afterwards, as if it had run apart.
    std::string Testbank(std::vector<std::string> args)
    {
        const DocumentState document = g_document;
        const ExamSelectionState selection = g_examSelection;
        std::string out, err;
        EXPECT_EQ(RunTestbankCommand(args, out, err), 0) << err;
        g_document = document;
        g_examSelection = selection;
        return out;
    }
};

const char kBank[] = R"({"items":[
  {"id":"M1","type":"multiple_choice","question":"Pick one","choices":{"A":"x","B":"y","C":"z","D":"w"},
   "correct":"B","objectives":{"MLO":"m"}},
  {"id":"M2","type":"multiple_choice","question":"Pick all","choices":{"A":"x","B":"y","C":"All of the above","D":""},
   "correct":"C","objectives":{"MLO":"m"}},
  {"id":"T1","type":"true_false","question":"Sure?","correct":"False","objectives":{"MLO":"m"}},
  {"id":"N1","type":"numerical","question":"How many?","answer":"3","objectives":{"MLO":"m"}},
  {"id":"G1","type":"algorithmic","question":"Add","algorithm":{},"objectives":{"MLO":"m"}}]})";

} // namespace

TEST_F(PrintExam, FromSelectItemsThePageAndTheKey)
{
    const std::u16string bank = File("midterm.json", kBank);
    script_.openPaths.push_back(bank);
    Command(IDM_FILE_OPEN);
    Command(IDM_CREATE_PRINT);
    EXPECT_EQ(Texts().back(), "No selections yet. Use Create -> Select Items first.");
    EXPECT_EQ(U8(script_.messages.back().caption), "Print Exam");
    EXPECT_EQ(Dialog(), nullptr);

    Command(IDM_CREATE_SELECT);
    HWND select = GetExamExportWindow();
    ASSERT_NE(select, nullptr);
    Press(select, IDC_EXAM_PRINT);
    ASSERT_NE(Dialog(), nullptr);
    EXPECT_FALSE(IsWindowEnabled(main)); // modal over the program
    EXPECT_FALSE(IsWindowEnabled(select));
    EXPECT_EQ(Get(IDC_PRINT_TITLE), "midterm");
    EXPECT_EQ(Get(IDC_PRINT_VERSIONS), "1");
    EXPECT_EQ(SendDlgItemMessageW(Dialog(), IDC_PRINT_KEY, BM_GETCHECK, 0, 0), BST_CHECKED);

    // A bad number is refused with the reason; the dialog stays.
    Set(IDC_PRINT_VERSIONS, L"0");
    Press(Dialog(), IDC_PRINT_SAVE);
    EXPECT_EQ(Texts().back(), "Versions must be a whole number from 1 to 50.");
    EXPECT_EQ(GetFocus(), GetDlgItem(Dialog(), IDC_PRINT_VERSIONS));
    Set(IDC_PRINT_VERSIONS, L"2");
    Set(IDC_PRINT_SEED, L"12x");
    Press(Dialog(), IDC_PRINT_SAVE);
    EXPECT_NE(Texts().back().find("The seed must be a whole number"), std::string::npos);
    Set(IDC_PRINT_SEED, L"5");
    Set(IDC_PRINT_TITLE, L"Midterm <A>");

    // The save dialog cancelled: nothing written, the dialog stays.
    Press(Dialog(), IDC_PRINT_SAVE);
    ASSERT_NE(Dialog(), nullptr);
    ASSERT_EQ(script_.offeredTypes.size(), 1u);
    EXPECT_EQ(U8(script_.offeredTypes[0][0].extension), "html");

    const std::u16string page = Join(dir, "paper.html"), key = Join(dir, "paper-key.csv");
    script_.savePaths = {page, key};
    script_.answers.push_back(MsgAnswer::Yes);
    Press(Dialog(), IDC_PRINT_SAVE);
    EXPECT_EQ(Dialog(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_EQ(U8(script_.suggestedNames.back()), U8(key)); // beside the page
    EXPECT_EQ(script_.dialogTitles, (std::vector<std::u16string>{u"Save Printable Exam As", u"Save Printable Exam As",
                                                                 u"Save Answer Key As"})); // the first cancelled
    EXPECT_EQ(ReadBytes(key).substr(0, 25), "version,number,id,answer\n");
    const std::string told = Texts().back();
    EXPECT_EQ(told.find("Printed 4 of 5 items in 2 versions"), 0u) << told;
    EXPECT_NE(told.find("G1: algorithmic"), std::string::npos);
    EXPECT_NE(told.find("Open the page in the browser to print it?"), std::string::npos);
    EXPECT_EQ(script_.messages.back().icon, MsgIcon::Question);
    EXPECT_EQ(g_opened, std::vector<std::u16string>{page});

    // Opened again, the dialog offers what was typed; without the key, one save dialog.
    Press(select, IDC_EXAM_PRINT);
    ASSERT_NE(Dialog(), nullptr) << Texts().back();
    EXPECT_EQ(Get(IDC_PRINT_TITLE), "Midterm <A>");
    EXPECT_EQ(Get(IDC_PRINT_SEED), "5");
    SendDlgItemMessageW(Dialog(), IDC_PRINT_KEY, BM_SETCHECK, BST_UNCHECKED, 0);
    const std::u16string second = Join(dir, "second.html");
    script_.savePaths = {second};
    const size_t asked = script_.suggestedNames.size();
    Press(Dialog(), IDC_PRINT_SAVE); // No to the browser: the empty answer queue
    EXPECT_EQ(script_.suggestedNames.size(), asked + 1);
    EXPECT_EQ(ReadBytes(second), ReadBytes(page));
    EXPECT_EQ(g_opened.size(), 1u);

    // The page is what the command makes (last: the command runs on this process's document).
    EXPECT_EQ(ReadBytes(page), Testbank({"print", w2s(bank), "--versions", "2", "--seed", "5", "--title", "Midterm <A>"}));
}

TEST_F(PrintExam, NothingPrintableAndCancel)
{
    script_.openPaths.push_back(File("bank.json", kBank));
    Command(IDM_FILE_OPEN);
    Command(IDM_CREATE_SELECT);
    HWND select = GetExamExportWindow();
    ASSERT_NE(select, nullptr);
    Press(select, IDC_EXAM_NONE);
    Press(select, IDC_EXAM_PRINT);
    EXPECT_EQ(Texts().back(), "No items selected.");
    // Only the algorithmic item checked: said why, no dialog.
    g_examSelectedIds = {"G1"};
    DestroyWindow(select);
    Pump();
    Command(IDM_CREATE_PRINT);
    EXPECT_EQ(Dialog(), nullptr);
    EXPECT_EQ(Texts().back(), "Nothing to print: none of the 1 selected items can be printed.\n\nLeft out 1 item:\n"
                              "G1: algorithmic items are generated per student and cannot be printed");
    g_examSelectedIds = {"M1"};
    Command(IDM_CREATE_PRINT);
    ASSERT_NE(Dialog(), nullptr);
    SendMessageW(Dialog(), WM_COMMAND, IDCANCEL, 0); // Escape
    Pump();
    EXPECT_EQ(Dialog(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_TRUE(script_.savePaths.empty() && script_.offeredTypes.empty());
}
