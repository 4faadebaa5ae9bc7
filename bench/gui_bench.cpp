// Window stages under Wine, each timed against a bare control doing the same visible work
// in the same run (the floor). Run by bench/run.sh through Wine; not a test.
#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/AppMain.h"
#include "app/DocumentCommands.h"
#include "app/MainWindow.h"
#include "editor/EditorForm.h"
#include "editor/ItemEditor.h"
#include "export/ExamExport.h"
#include "find/FindReplace.h"
#include "fixup/FixupLogic.h"
#include "fixup/ImportFixup.h"
#include "formats/ImportFormats.h"
#include "ui/ScriptedUi.h"
#include "ui/Shell.h"
#include "ui/TextView.h"
#include "ui/ViewText.h"
#include "util/FileUtil.h"
#include "util/StringUtil.h"
#include "util/Win32Text.h"

namespace {

void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

double Seconds(const std::function<void()>& run)
{
    const auto start = std::chrono::steady_clock::now();
    run();
    Pump();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Best of `repeats`, with `setup` and `teardown` outside the timing.
double Best(int repeats, const std::function<void()>& setup, const std::function<void()>& run,
            const std::function<void()>& teardown)
{
    double best = 1e9;
    for (int r = 0; r < repeats; ++r) {
        setup();
        Pump();
        best = std::min(best, Seconds(run));
        teardown();
        Pump();
    }
    return best;
}

void InstallDocument(size_t n, bool withMlo = true)
{
    ResetAllState();
    json items = json::array();
    for (size_t i = 0; i < n; ++i) {
        json item = {{"id", "Q" + std::to_string(i)},
                     {"type", "multiple_choice"},
                     {"category", "Chapter " + std::to_string(i % 12)},
                     {"question", "Question " + std::to_string(i) + ": what is the value of x when x = " +
                                      std::to_string(i % 97) + "? Explain the steps in a sentence or two."},
                     {"choices", {{"A", "a"}, {"B", "b"}, {"C", "c"}, {"D", "d"}}},
                     {"correct", "A"},
                     {"objectives", {{"MLO", withMlo ? "m" : ""}, {"CLO", "c"}, {"PLO", "p"}}}};
        items.push_back(std::move(item));
    }
    g_jsonDoc = json::object();
    g_jsonDoc["items"] = std::move(items);
    g_rawJsonText = DumpJsonForRawView(g_jsonDoc);
    g_hasJson = true;
    RefreshEditView(g_hMainWnd);
}

// The floor for list stages: a bare report list view with check boxes, filled with the
// same rows and texts, redraw off while filling.
HWND g_bareList = nullptr;
void BareListOpen(size_t n)
{
    g_bareList = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE | LVS_REPORT,
                                 0, 0, 880, 600, nullptr, nullptr, g_hInst, nullptr);
    SendMessageW(g_bareList, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    for (int c = 0; c < 4; ++c) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = 150;
        column.pszText = const_cast<wchar_t*>(L"c");
        SendMessageW(g_bareList, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
    }
    SendMessageW(g_bareList, WM_SETREDRAW, FALSE, 0);
    SendMessageW(g_bareList, LVM_SETITEMCOUNT, n, 0);
    const json& items = g_jsonDoc["items"];
    for (size_t i = 0; i < n; ++i) {
        const std::wstring id = ToWide(s2w(items[i]["id"].get<std::string>()));
        const std::wstring q = ToWide(s2w(items[i]["question"].get<std::string>()));
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<wchar_t*>(id.c_str());
        const int at = static_cast<int>(SendMessageW(g_bareList, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        for (int c = 1; c < 4; ++c) {
            LVITEMW sub{};
            sub.iSubItem = c;
            sub.pszText = const_cast<wchar_t*>(c == 3 ? q.c_str() : L"text");
            SendMessageW(g_bareList, LVM_SETITEMTEXTW, at, reinterpret_cast<LPARAM>(&sub));
        }
        LVITEMW state{};
        state.stateMask = LVIS_STATEIMAGEMASK;
        state.state = INDEXTOSTATEIMAGEMASK(2);
        SendMessageW(g_bareList, LVM_SETITEMSTATE, at, reinterpret_cast<LPARAM>(&state));
    }
    SendMessageW(g_bareList, WM_SETREDRAW, TRUE, 0);
    UpdateWindow(g_bareList);
}
void BareListSetAll(bool check)
{
    LVITEMW state{};
    state.stateMask = LVIS_STATEIMAGEMASK;
    state.state = INDEXTOSTATEIMAGEMASK(check ? 2 : 1);
    const int rows = static_cast<int>(SendMessageW(g_bareList, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) SendMessageW(g_bareList, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
}
void BareListClose()
{
    DestroyWindow(g_bareList);
    g_bareList = nullptr;
}

// The floor for raw-view stages: a bare view control holding the same raw text.
HWND g_bareEdit = nullptr;
void BareEditOpen()
{
    RegisterTextViewClass(g_hInst);
    g_bareEdit = CreateWindowExW(WS_EX_CLIENTEDGE, kTextViewClass, L"",
                                 WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                                     ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL,
                                 0, 0, 880, 600, nullptr, nullptr, g_hInst, nullptr);
    SendMessageW(g_bareEdit, EM_SETLIMITTEXT, 0, 0);
    SetWindowTextW(g_bareEdit, ToWide(g_rawJsonText).c_str());
    SendMessageW(g_bareEdit, EM_SETSEL, 0, 0);
}
// What a search must do at least: read the text, select, scroll.
void BareEditFind(const std::u16string& pattern)
{
    const std::u16string text = GetWindowTextU(g_bareEdit);
    const size_t at = text.find(pattern);
    SendMessageW(g_bareEdit, EM_SETSEL, at, at + pattern.size());
    SendMessageW(g_bareEdit, EM_SCROLLCARET, 0, 0);
}
void BareEditClose()
{
    DestroyWindow(g_bareEdit);
    g_bareEdit = nullptr;
}

// The floor for the editor: a bare drop-down list given one entry per item.
HWND g_bareCombo = nullptr;
void BareComboOpen(size_t n)
{
    g_bareCombo = CreateWindowExW(0, L"COMBOBOX", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE | CBS_DROPDOWNLIST, 0, 0, 420,
                                  200, nullptr, nullptr, g_hInst, nullptr);
    SendMessageW(g_bareCombo, WM_SETREDRAW, FALSE, 0);
    SendMessageW(g_bareCombo, CB_INITSTORAGE, n + 1, (n + 1) * 16);
    for (size_t i = 0; i < n; ++i)
        SendMessageW(g_bareCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ToWide(u"Q" + DecimalW(i)).c_str()));
    SendMessageW(g_bareCombo, WM_SETREDRAW, TRUE, 0);
    SendMessageW(g_bareCombo, CB_SETCURSEL, 0, 0);
    UpdateWindow(g_bareCombo);
}
void BareComboClose()
{
    DestroyWindow(g_bareCombo);
    g_bareCombo = nullptr;
}

// The floor for the main view: a bare view control with the view's styles, filling the
// same client area, given the same text after holding the same previous text.
HWND g_bareFrame = nullptr;
HWND g_bareView = nullptr;
void BareViewOpen(const std::u16string& before)
{
    g_bareFrame = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, 900,
                                  700, nullptr, nullptr, g_hInst, nullptr);
    RECT client;
    GetClientRect(g_bareFrame, &client);
    RegisterTextViewClass(g_hInst);
    g_bareView = CreateWindowExW(WS_EX_CLIENTEDGE, kTextViewClass, L"",
                                 WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
                                     ES_AUTOHSCROLL | ES_NOHIDESEL,
                                 0, 0, client.right, client.bottom, g_bareFrame, nullptr, g_hInst, nullptr);
    SendMessageW(g_bareView, EM_SETLIMITTEXT, 0, 0);
    SetWindowTextW(g_bareView, WidePtr(before));
    UpdateWindow(g_bareFrame);
}
void BareViewSet(const std::u16string& text)
{
    SetWindowTextW(g_bareView, WidePtr(text));
    UpdateWindow(g_bareFrame);
}
void BareViewClose()
{
    DestroyWindow(g_bareFrame);
    g_bareFrame = g_bareView = nullptr;
}

// Banks with one long text: comma-separated numbers of about `chars` characters.
std::string Numbers(size_t chars)
{
    std::string text;
    for (size_t i = 0; text.size() < chars; ++i) text += std::to_string(i) + ",";
    return text;
}
json LongTextItem(const std::string& id, const std::string& question, bool withMlo)
{
    json item = {{"id", id},           {"type", "multiple_choice"}, {"question", question},
                 {"choices", {{"A", "a"}, {"B", "b"}, {"C", "c"}, {"D", "d"}}}, {"correct", "A"},
                 {"objectives", {{"CLO", "c"}, {"PLO", "p"}}}};
    if (withMlo) item["objectives"]["MLO"] = "m";
    return item;
}
// `count` short items after `first`, written where File > Open finds them.
std::u16string WriteBank(const std::string& name, json first, size_t count)
{
    json items = json::array();
    items.push_back(std::move(first));
    for (size_t i = 0; i < count; ++i)
        items.push_back(LongTextItem("S" + std::to_string(i), "Question " + std::to_string(i) + " about x?", true));
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::u16string path = FromWide(temp) + s2w(name);
    json doc = json::object();
    doc["items"] = std::move(items);
    SaveFileText(path, DumpJsonForRawView(doc));
    return path;
}
// The same characters in lines of `width`: what the control costs for them at best.
std::u16string InLines(const std::u16string& text, size_t width)
{
    std::u16string out;
    for (size_t at = 0; at < text.size(); at += width) out += text.substr(at, width) + u"\r\n";
    return out;
}

// The sizes of a section, or none when the run is for another section.
template <size_t N> std::vector<size_t> Unless(bool skip, const size_t (&sizes)[N])
{
    return skip ? std::vector<size_t>{} : std::vector<size_t>(sizes, sizes + N);
}

void Press(HWND window, int id) { SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

struct Row {
    std::string stage;
    std::vector<double> seconds, floor;
};

} // namespace

int wmain(int argc, wchar_t** argv)
{
    INITCOMMONCONTROLSEX init{sizeof init, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&init);
    // Message boxes answered at once ("No matches found." after the one replacement).
    static ScriptedModalUi script;
    g_modalUi = &script;
    if (!StartApplication(GetModuleHandleW(nullptr), SW_SHOWNORMAL)) return 1;
    // --edits: only the work on one item or every item (bulk sizes then as the first two arguments).
    const bool editsOnly = argc > 1 && lstrcmpW(argv[1], L"--edits") == 0;
    // Two sizes, the second ten times the first unless given.
    const size_t sizes[] = {argc > 1 ? static_cast<size_t>(_wtoi(argv[1])) : 1000,
                            argc > 2 ? static_cast<size_t>(_wtoi(argv[2])) : 10000};
    std::vector<Row> rows = {{"Select Items: open", {}, {}},
                             {"Select Items: Select All", {}, {}},
                             {"Find Next (raw view)", {}, {}},
                             {"Replace (raw view)", {}, {}},
                             {"Item Editor: open", {}, {}},
                             {"Select Items: search key", {}, {}},
                             {"Select Items: sort", {}, {}},
                             {"Item Editor: Apply", {}, {}}};
    for (size_t n : Unless(editsOnly, sizes)) {
        InstallDocument(n);
        const int repeats = n >= 5000 ? 2 : 5;
        rows[0].seconds.push_back(Best(
            repeats, [] {}, [] { OpenExamExportWindow(g_hMainWnd); }, [] { CloseExamExportWindow(); }));
        rows[0].floor.push_back(Best(repeats, [] {}, [n] { BareListOpen(n); }, [] { BareListClose(); }));
        rows[1].seconds.push_back(Best(
            repeats,
            [] {
                OpenExamExportWindow(g_hMainWnd);
                Press(GetExamExportWindow(), IDC_EXAM_NONE);
            },
            [] { Press(GetExamExportWindow(), IDC_EXAM_ALL); }, [] { CloseExamExportWindow(); }));
        rows[1].floor.push_back(Best(
            repeats,
            [n] {
                BareListOpen(n);
                BareListSetAll(false);
            },
            [] { BareListSetAll(true); }, [] { BareListClose(); }));

        // The last item's ID: the search crosses the whole text.
        const std::u16string last = u"\"Q" + DecimalW(n - 1) + u"\"";
        auto openFind = [&last] {
            OpenReplaceDialog(g_hMainWnd);
            SetDlgItemTextW(GetFindReplaceWindow(), IDC_FR_FIND, ToWide(last).c_str());
            SetDlgItemTextW(GetFindReplaceWindow(), IDC_FR_REPLACE_WITH, L"\"X\"");
            SendMessageW(g_hEdit, EM_SETSEL, 0, 0);
        };
        auto closeFind = [] {
            DestroyWindow(GetFindReplaceWindow());
            g_viewRaw = false;
            RebuildRawText();
            RefreshEditView(g_hMainWnd);
        };
        rows[2].seconds.push_back(
            Best(repeats, openFind, [] { Press(GetFindReplaceWindow(), IDC_FR_FIND_NEXT); }, closeFind));
        rows[2].floor.push_back(Best(repeats, BareEditOpen, [&last] { BareEditFind(last); }, BareEditClose));
        rows[3].seconds.push_back(Best(
            repeats,
            [&] {
                openFind();
                Press(GetFindReplaceWindow(), IDC_FR_FIND_NEXT);
            },
            [] { Press(GetFindReplaceWindow(), IDC_FR_REPLACE); }, closeFind));
        rows[3].floor.push_back(Best(
            repeats,
            [&last] {
                BareEditOpen();
                BareEditFind(last);
            },
            [&last] {
                SendMessageW(g_bareEdit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"\"X\""));
                const std::u16string text = GetWindowTextU(g_bareEdit); // the raw text kept in step
                BareEditFind(last);
            },
            BareEditClose));

        rows[4].seconds.push_back(Best(
            repeats, [] {}, [] { OpenMcEditor(g_hMainWnd); }, [] { CloseMcEditor(); }));
        rows[4].floor.push_back(Best(repeats, [] {}, [n] { BareComboOpen(n); }, BareComboClose));

        // A keystroke in the search box keeping a tenth of the rows ("Chapter 3"), against
        // a bare list filled with that many rows.
        rows[5].seconds.push_back(Best(
            repeats, [] { OpenExamExportWindow(g_hMainWnd); },
            [] { SetDlgItemTextW(GetExamExportWindow(), IDC_EXAM_SEARCH, L"chapter 3"); }, [] { CloseExamExportWindow(); }));
        rows[5].floor.push_back(Best(repeats, [] {}, [n] { BareListOpen(n / 12); }, [] { BareListClose(); }));
        // A header click on the question column, against the bare list's own sort.
        rows[6].seconds.push_back(Best(
            repeats, [] { OpenExamExportWindow(g_hMainWnd); },
            [] {
                HWND window = GetExamExportWindow();
                NMLISTVIEW click{};
                click.hdr.hwndFrom = GetDlgItem(window, IDC_EXAM_LIST);
                click.hdr.idFrom = IDC_EXAM_LIST;
                click.hdr.code = LVN_COLUMNCLICK;
                click.iItem = -1;
                click.iSubItem = 3;
                SendMessageW(window, WM_NOTIFY, IDC_EXAM_LIST, reinterpret_cast<LPARAM>(&click));
                UpdateWindow(window);
            },
            [] { CloseExamExportWindow(); }));
        rows[6].floor.push_back(Best(
            repeats, [n] { BareListOpen(n); },
            [] {
                SendMessageW(g_bareList, LVM_SORTITEMSEX, 0,
                             reinterpret_cast<LPARAM>(+[](LPARAM a, LPARAM b, LPARAM) -> int {
                                 wchar_t x[64], y[64];
                                 ListView_GetItemText(g_bareList, static_cast<int>(a), 3, x, 64);
                                 ListView_GetItemText(g_bareList, static_cast<int>(b), 3, y, 64);
                                 return lstrcmpiW(x, y);
                             }));
                UpdateWindow(g_bareList);
            },
            [] { BareListClose(); }));
        // Apply on one item with a changed question: one item's work at every size (the
        // floor is one entry replaced in a bare drop-down list).
        rows[7].seconds.push_back(Best(
            repeats,
            [] {
                OpenMcEditor(g_hMainWnd);
                SetDlgItemTextW(GetMcEditorWindow(), IDC_ED_QUESTION, L"Changed question");
            },
            [] { Press(GetMcEditorWindow(), IDC_ED_APPLY); },
            [] {
                CloseMcEditor();
                RefreshStaleView();
            }));
        rows[7].floor.push_back(Best(
            repeats, [n] { BareComboOpen(n); },
            [] {
                SendMessageW(g_bareCombo, CB_DELETESTRING, 0, 0);
                SendMessageW(g_bareCombo, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(L"Q0 - Changed question"));
                SendMessageW(g_bareCombo, CB_SETCURSEL, 0, 0);
            },
            BareComboClose));
    }
    // The main window on larger banks: open, toggle to raw and back.
    const size_t viewSizes[] = {argc > 3 ? static_cast<size_t>(_wtoi(argv[3])) : 10000,
                                argc > 4 ? static_cast<size_t>(_wtoi(argv[4])) : 100000};
    std::vector<Row> viewRows = {{"Open: listing shown", {}, {}}, {"Toggle to raw", {}, {}}, {"Toggle back", {}, {}}};
    for (size_t n : Unless(editsOnly, viewSizes)) {
        InstallDocument(n);
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        const std::u16string path = FromWide(temp) + u"gui-bench-" + DecimalW(n) + u".json";
        SaveFileText(path, g_rawJsonText);
        ResetAllState();
        RefreshEditView(g_hMainWnd);
        auto command = [](int id) {
            SendMessageW(g_hMainWnd, WM_COMMAND, id, 0);
            UpdateWindow(g_hMainWnd);
        };
        auto reset = [] {
            ResetAllState();
            RefreshEditView(g_hMainWnd);
        };
        auto open = [&] {
            script.openPaths.push_back(path);
            command(IDM_FILE_OPEN);
            DestroyWindow(FindWindowW(L"ImportFixupWindowClass", nullptr));
        };
        viewRows[0].seconds.push_back(Best(1, [] {}, open, reset));
        open();
        const std::u16string listing = GetWindowTextU(g_hEdit);
        const std::u16string raw = g_rawJsonText;
        reset();
        viewRows[0].floor.push_back(Best(1, [] { BareViewOpen(u""); }, [&] { BareViewSet(listing); }, BareViewClose));
        viewRows[1].seconds.push_back(Best(2, open, [&] { command(IDM_VIEW_TOGGLE_RAW); }, reset));
        viewRows[1].floor.push_back(Best(2, [&] { BareViewOpen(listing); }, [&] { BareViewSet(raw); }, BareViewClose));
        viewRows[2].seconds.push_back(Best(
            2,
            [&] {
                open();
                command(IDM_VIEW_TOGGLE_RAW);
            },
            [&] { command(IDM_VIEW_TOGGLE_RAW); }, reset));
        viewRows[2].floor.push_back(Best(2, [&] { BareViewOpen(raw); }, [&] { BareViewSet(listing); }, BareViewClose));
        DeleteFileW(WidePtr(path));
    }
    // Long texts: the windows against a bare no-wrap view given the same characters in
    // lines of the display limit (a bare control given them as one line grows with the
    // square of its length: 16,000 characters take seconds, a megabyte hours).
    const size_t longSizes[] = {64 * 1024, 256 * 1024, 1024 * 1024};
    std::vector<Row> longRows = {{"Editor: long question", {}, {}},
                                 {"Open: wizard, long question", {}, {}},
                                 {"Open: long parameter line", {}, {}},
                                 {"Open: long question", {}, {}}};
    auto openPath = [](const std::u16string& path) {
        script.openPaths.push_back(path);
        SendMessageW(g_hMainWnd, WM_COMMAND, IDM_FILE_OPEN, 0);
        UpdateWindow(g_hMainWnd);
    };
    auto closeAll = [] {
        DestroyWindow(FindWindowW(L"ImportFixupWindowClass", nullptr));
        CloseMcEditor();
        ResetAllState();
        RefreshEditView(g_hMainWnd);
    };
    for (size_t size : Unless(editsOnly, longSizes)) {
        const std::string numbers = Numbers(size);
        const std::u16string floorText = InLines(s2w(numbers), kDisplayLineLimit);
        const double floor = Best(2, [] { BareViewOpen(u""); }, [&] { BareViewSet(floorText); }, BareViewClose);
        const std::u16string withMlo = WriteBank("long-q.json", LongTextItem("L", numbers, true), 10);
        const std::u16string noMlo = WriteBank("long-fix.json", LongTextItem("L", numbers, false), 10);
        json algorithm = LongTextItem("P", "Parameters", true);
        algorithm["type"] = "algorithmic";
        json params = json::array();
        for (size_t i = 0; params.size() * 7 < size; ++i) params.push_back(i);
        algorithm["algorithm"] = {{"template", "x"}, {"parameters", {{"n", params}}}};
        const std::u16string paramBank = WriteBank("long-p.json", algorithm, 10);
        longRows[0].seconds.push_back(
            Best(2, [&] { openPath(withMlo); }, [] { OpenMcEditor(g_hMainWnd); }, closeAll));
        longRows[1].seconds.push_back(Best(2, [] {}, [&] { openPath(noMlo); }, closeAll));
        longRows[2].seconds.push_back(Best(2, [] {}, [&] { openPath(paramBank); }, closeAll));
        longRows[3].seconds.push_back(Best(2, [] {}, [&] { openPath(withMlo); }, closeAll));
        for (Row& row : longRows) row.floor.push_back(floor);
        for (const auto& path : {withMlo, noMlo, paramBank}) DeleteFileW(WidePtr(path));
    }
    // A large bank with one long line against a bank of the same size with short lines.
    const size_t bankMb = argc > 7 ? static_cast<size_t>(_wtoi(argv[7])) : 62;
    const size_t shortItems = bankMb * 1024 * 1024 / 330;
    double bigLongSeconds = 0, bigShortSeconds = 0;
    if (!editsOnly) {
        const std::u16string bigLong = WriteBank("big-long.json", LongTextItem("L", Numbers(480 * 1024), true), shortItems - 1500);
        const std::u16string bigShort = WriteBank("big-short.json", LongTextItem("L", "Short", true), shortItems);
        bigLongSeconds = Best(1, [] {}, [&] { openPath(bigLong); }, closeAll);
        bigShortSeconds = Best(1, [] {}, [&] { openPath(bigShort); }, closeAll);
        DeleteFileW(WidePtr(bigLong));
        DeleteFileW(WidePtr(bigShort));
    }
    // Work on one item, or on all at once, at a small and a large bank. One item's work must
    // not grow with the bank; work on every item must cost about what opening and dumping
    // the bank costs in the process (what `testbank raw` does); the views are rebuilt once,
    // when the user looks, against a bare control given the same text; Replace and Replace
    // All against a bare edit control doing the same edit.
    const int bulkArg = editsOnly ? 2 : 5;
    const size_t bulkSizes[] = {argc > bulkArg ? static_cast<size_t>(_wtoi(argv[bulkArg])) : 1000,
                                argc > bulkArg + 1 ? static_cast<size_t>(_wtoi(argv[bulkArg + 1])) : 100000};
    std::vector<Row> bulkRows = {{"Wizard: Save & Next", {}, {}},       {"Wizard: Apply to All", {}, {}},
                                 {"Item Editor: Apply", {}, {}},        {"Views rebuilt on a look", {}, {}},
                                 {"Replace (raw view)", {}, {}},        {"Replace All (raw view)", {}, {}},
                                 {"Bare view: one block replaced", {}, {}},
                                 {"Undo + Redo of an Apply", {}, {}}};
    for (size_t n : bulkSizes) {
        InstallDocument(n, false);
        // One item lacking only its type keeps the wizard open after Apply to All.
        g_jsonDoc["items"].push_back({{"id", "T"}, {"question", "Typeless"}, {"objectives", {{"MLO", "m"}}}});
        g_rawJsonText = DumpJsonForRawView(g_jsonDoc);
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        const std::u16string path = FromWide(temp) + u"gui-bench-bulk.json";
        SaveFileText(path, g_rawJsonText);
        const std::u16string rawText = g_rawJsonText;
        ResetAllState();
        RefreshEditView(g_hMainWnd);
        script.openPaths.push_back(path);
        SendMessageW(g_hMainWnd, WM_COMMAND, IDM_FILE_OPEN, 0);
        HWND wizard = GetImportFixupWindow();
        if (!wizard) {
            std::printf("The fixup wizard did not open on the bulk bank%s%s\n", script.messages.empty() ? "" : ": ",
                        script.messages.empty() ? "" : w2s(script.messages.back().text).c_str());
            return 1;
        }
        const double dump = Best(
            1, [] {},
            [&rawText] {
                json document;
                std::u16string error;
                NoteList notes;
                ParseAndValidateJson(rawText, document, error, notes, nullptr);
                const std::u16string dumped = DumpJsonForRawView(document);
            },
            [] {});
        bulkRows[0].seconds.push_back(Best(
            3, [wizard] { SetDlgItemTextW(wizard, IDC_FIX_MLO, L"Typed"); }, [wizard] { Press(wizard, IDC_FIX_SAVE); },
            [] {}));
        bulkRows[0].floor.push_back(dump);
        bulkRows[1].seconds.push_back(Best(
            1,
            [wizard] {
                SetDlgItemTextW(wizard, IDC_FIX_MLO, L"All");
                script.answers.push_back(MsgAnswer::Yes);
            },
            [wizard] { Press(wizard, IDC_FIX_APPLY_ALL); }, [] {}));
        bulkRows[1].floor.push_back(dump);
        if (GetImportFixupWindow()) DestroyWindow(GetImportFixupWindow());
        RefreshStaleView();
        DeleteFileW(WidePtr(path));

        bulkRows[2].seconds.push_back(Best(
            2,
            [] {
                OpenMcEditor(g_hMainWnd);
                SetDlgItemTextW(GetMcEditorWindow(), IDC_ED_QUESTION, L"Changed question");
            },
            [] { Press(GetMcEditorWindow(), IDC_ED_APPLY); }, [] {}));
        bulkRows[2].floor.push_back(dump);
        // The Apply left the views stale: they are made when the user looks.
        bulkRows[3].seconds.push_back(Best(1, [] {}, [] { RefreshStaleView(); }, [] {}));
        CloseMcEditor();
        // The editor's Apply taken back and done again, the view kept current in place.
        bulkRows[7].seconds.push_back(Best(
            3, [] {},
            [] {
                SendMessageW(g_hMainWnd, WM_COMMAND, IDM_EDIT_UNDO, 0);
                SendMessageW(g_hMainWnd, WM_COMMAND, IDM_EDIT_REDO, 0);
                UpdateWindow(g_hMainWnd);
            },
            [] {}));
        bulkRows[7].floor.push_back(dump);
        const std::u16string listing = GetWindowTextU(g_hEdit);
        bulkRows[3].floor.push_back(
            Best(1, [&] { BareViewOpen(listing); }, [&] { BareViewSet(listing); }, BareViewClose));
        // What the control itself costs for an in-place edit near the top: the floor of the
        // editor's and the wizard's updates of the view.
        const std::u16string block = listing.substr(0, std::min<size_t>(listing.size(), 400));
        BareViewOpen(listing);
        BareViewSet(listing);
        bulkRows[6].seconds.push_back(Best(
            3, [] {},
            [&] {
                SendMessageW(g_bareView, EM_SETSEL, 0, block.size());
                SendMessageW(g_bareView, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(WidePtr(block)));
                UpdateWindow(g_bareFrame);
            },
            [] {}));
        BareViewClose();
        bulkRows[6].floor.push_back(dump);

        // One Replace click at the last item, and Replace All of a word in every item.
        const std::u16string last = u"\"Q" + DecimalW(n - 1) + u"\"";
        auto openReplace = [](const std::u16string& find, const wchar_t* with) {
            OpenReplaceDialog(g_hMainWnd);
            SetDlgItemTextW(GetFindReplaceWindow(), IDC_FR_FIND, WidePtr(find));
            SetDlgItemTextW(GetFindReplaceWindow(), IDC_FR_REPLACE_WITH, with);
            SendMessageW(g_hEdit, EM_SETSEL, 0, 0);
        };
        auto closeReplace = [] {
            DestroyWindow(GetFindReplaceWindow());
            g_viewRaw = false;
            RebuildRawText();
            RefreshEditView(g_hMainWnd);
        };
        bulkRows[4].seconds.push_back(Best(
            2,
            [&] {
                openReplace(last, L"\"X\"");
                Press(GetFindReplaceWindow(), IDC_FR_FIND_NEXT);
            },
            [] { Press(GetFindReplaceWindow(), IDC_FR_REPLACE); }, closeReplace));
        bulkRows[4].floor.push_back(Best(
            2,
            [&last] {
                BareEditOpen();
                BareEditFind(last);
            },
            [&last] {
                SendMessageW(g_bareEdit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"\"X\""));
                const std::u16string text = GetWindowTextU(g_bareEdit);
                BareEditFind(last);
            },
            BareEditClose));
        // Made in one pass: replacing in place moves the whole tail once per occurrence.
        std::u16string replaced;
        for (size_t from = 0;;) {
            const size_t at = g_rawJsonText.find(u"Chapter", from);
            replaced.append(g_rawJsonText, from, at == std::u16string::npos ? std::u16string::npos : at - from);
            if (at == std::u16string::npos) break;
            replaced += u"Part";
            from = at + 7;
        }
        bulkRows[5].seconds.push_back(Best(
            1, [&] { openReplace(u"Chapter", L"Part"); }, [] { Press(GetFindReplaceWindow(), IDC_FR_REPLACE_ALL); },
            closeReplace));
        bulkRows[5].floor.push_back(
            Best(1, [] { BareEditOpen(); }, [&replaced] { SetWindowTextW(g_bareEdit, WidePtr(replaced)); }, BareEditClose));
    }

    // Work that takes seconds at a large bank, against what the command line does in this
    // process (import: read, convert, normalize, dump; save: parse and dump the text) and
    // against a bare edit control given the text the window ends up showing.
    std::vector<Row> slowRows = {{"Import (window)", {}, {}}, {"Save from the raw view", {}, {}},
                                 {"Save from the listing", {}, {}}};
    std::vector<std::vector<double>> slowBare(3);
    for (size_t n : bulkSizes) {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        const std::u16string trivia = FromWide(temp) + u"gui-bench-trivia.json";
        {
            std::string bytes = "{\"response_code\":0,\"results\":[";
            for (size_t i = 0; i < n; ++i)
                bytes += std::string(i ? "," : "") + R"({"type":"multiple","difficulty":"easy","category":"Chapter )" +
                         std::to_string(i % 12) + R"(","question":"Question )" + std::to_string(i) +
                         R"(: what is the value?","correct_answer":"a","incorrect_answers":["b","c","d"]})";
            WriteFileBytesSafely(trivia, bytes + "]}");
        }
        ResetAllState();
        RefreshEditView(g_hMainWnd);
        slowRows[0].seconds.push_back(Best(
            1, [] {},
            [&] {
                script.openPaths.push_back(trivia);
                SendMessageW(g_hMainWnd, WM_COMMAND, IDM_FILE_IMPORT, 0);
                UpdateWindow(g_hMainWnd);
            },
            [] { DestroyWindow(FindWindowW(L"ImportFixupWindowClass", nullptr)); }));
        const std::u16string imported = GetWindowTextU(g_hEdit);
        slowRows[0].floor.push_back(Best(
            1, [] {},
            [&] {
                ImportedBank bank;
                std::string message;
                json document;
                std::u16string error;
                NoteList notes;
                std::vector<ImportIssue> issues;
                if (ImportBankFile(trivia, ImportFormat::Auto, bank, message) &&
                    ValidateTestbankDocument(std::move(bank.document), document, error, notes, &issues))
                    DumpJsonForRawView(document);
            },
            [] {}));
        slowBare[0].push_back(Best(1, [] { BareViewOpen(u""); }, [&] { BareViewSet(imported); }, BareViewClose));
        DeleteFileW(WidePtr(trivia));

        // The imported bank saved once, then saved again from each view.
        const std::u16string saved = FromWide(temp) + u"gui-bench-saved.json";
        script.savePaths.push_back(saved);
        SendMessageW(g_hMainWnd, WM_COMMAND, IDM_FILE_SAVE, 0);
        SendMessageW(g_hMainWnd, WM_COMMAND, IDM_VIEW_TOGGLE_RAW, 0);
        const std::u16string raw = GetWindowTextU(g_hEdit);
        auto save = [] {
            SendMessageW(g_hMainWnd, WM_COMMAND, IDM_FILE_SAVE, 0);
            UpdateWindow(g_hMainWnd);
        };
        slowRows[1].seconds.push_back(Best(1, [] {}, save, [] {}));
        slowRows[1].floor.push_back(Best(
            1, [] {},
            [&raw] {
                json document;
                std::u16string error;
                NoteList notes;
                ParseAndValidateJson(raw, document, error, notes, nullptr);
                DumpJsonForRawView(document);
            },
            [] {}));
        slowBare[1].push_back(Best(1, [&] { BareViewOpen(u""); }, [&] { BareViewSet(raw); }, BareViewClose));
        SendMessageW(g_hMainWnd, WM_COMMAND, IDM_VIEW_TOGGLE_RAW, 0);
        slowRows[2].seconds.push_back(Best(1, [] {}, save, [] {}));
        slowRows[2].floor.push_back(slowRows[1].floor.back());
        slowBare[2].push_back(slowBare[1].back());
        DeleteFileW(WidePtr(saved));
        ResetAllState();
        RefreshEditView(g_hMainWnd);
    }

    if (!editsOnly) {
        std::printf("Window stages under Wine: seconds, and the ratio to a bare control doing the same work;\n");
        std::printf("growth = (time at %zu / time at %zu) / %.1f, 1.0 is linear.\n\n", sizes[1], sizes[0],
                    double(sizes[1]) / double(sizes[0]));
        std::printf("%-26s %10zu %10s %10zu %10s %8s\n", "stage (items, seconds)", sizes[0], "ratio", sizes[1], "ratio",
                    "growth");
        for (const Row& row : rows)
            std::printf("%-26s %10.3f %10.2f %10.3f %10.2f %8.2f\n", row.stage.c_str(), row.seconds[0],
                        row.seconds[0] / row.floor[0], row.seconds[1], row.seconds[1] / row.floor[1],
                        row.seconds[1] / row.seconds[0] / (double(sizes[1]) / double(sizes[0])));
        std::printf("\nMain window against a bare edit control given the same text:\n\n");
        std::printf("%-26s %10zu %10s %10zu %10s %8s\n", "stage (items, seconds)", viewSizes[0], "ratio", viewSizes[1],
                    "ratio", "growth");
        for (const Row& row : viewRows)
            std::printf("%-26s %10.3f %10.2f %10.3f %10.2f %8.2f\n", row.stage.c_str(), row.seconds[0],
                        row.seconds[0] / row.floor[0], row.seconds[1], row.seconds[1] / row.floor[1],
                        row.seconds[1] / row.seconds[0] / (double(viewSizes[1]) / double(viewSizes[0])));
    }
    std::printf("\nOne item, or every item, at %zu and %zu items: seconds; ratio to opening and dumping the\n"
                "bank in the process (what testbank raw does) for the wizard and the editor, to a bare edit\n"
                "control given the same text for the views and Replace All, doing the same replacement and\n"
                "search for Replace; and the time at %zu over the time at %zu.\n\n",
                bulkSizes[0], bulkSizes[1], bulkSizes[1], bulkSizes[0]);
    std::printf("%-26s %10zu %10s %10zu %10s %8s\n", "stage (items, seconds)", bulkSizes[0], "ratio", bulkSizes[1],
                "ratio", "large/small");
    for (const Row& row : bulkRows)
        std::printf("%-26s %10.3f %10.2f %10.3f %10.2f %8.2f\n", row.stage.c_str(), row.seconds[0],
                    row.seconds[0] / row.floor[0], row.seconds[1], row.seconds[1] / row.floor[1],
                    row.seconds[1] / row.seconds[0]);
    std::printf("\nSlow work at %zu and %zu items: seconds, the ratio to the command line's work in this\n"
                "process (cli) and to a bare edit control given the text the window then shows (bare).\n\n",
                bulkSizes[0], bulkSizes[1]);
    std::printf("%-26s %10zu %6s %6s %10zu %6s %6s\n", "stage (items, seconds)", bulkSizes[0], "cli", "bare",
                bulkSizes[1], "cli", "bare");
    for (size_t r = 0; r < slowRows.size(); ++r) {
        const Row& row = slowRows[r];
        std::printf("%-26s %10.3f %6.2f %6.2f %10.3f %6.2f %6.2f\n", row.stage.c_str(), row.seconds[0],
                    row.seconds[0] / row.floor[0], row.seconds[0] / slowBare[r][0], row.seconds[1],
                    row.seconds[1] / row.floor[1], row.seconds[1] / slowBare[r][1]);
    }
    if (!editsOnly) {
        std::printf("\nLong texts against a bare no-wrap view given the same characters in %zu-character lines;\n",
                    kDisplayLineLimit);
        std::printf("growth = time per doubling of the text.\n\n");
        std::printf("%-28s %8s %6s %8s %6s %8s %6s %7s %7s\n", "stage (text, seconds)", "64K", "ratio", "256K", "ratio",
                    "1M", "ratio", "growth", "growth");
        for (const Row& row : longRows)
            std::printf("%-28s %8.3f %6.2f %8.3f %6.2f %8.3f %6.2f %7.2f %7.2f\n", row.stage.c_str(), row.seconds[0],
                        row.seconds[0] / row.floor[0], row.seconds[1], row.seconds[1] / row.floor[1], row.seconds[2],
                        row.seconds[2] / row.floor[2], std::sqrt(row.seconds[1] / row.seconds[0]),
                        std::sqrt(row.seconds[2] / row.seconds[1]));
        std::printf("\nOpen of a %zu MB bank: with one 480 KB line %.3f s, with short lines only %.3f s: ratio %.2f\n",
                    bankMb, bigLongSeconds, bigShortSeconds, bigLongSeconds / bigShortSeconds);
    }
    std::fflush(stdout);
    DestroyWindow(g_hMainWnd);
    return 0;
}
