// The main view's own control, driven with the messages keys and the mouse send it, and
// read back with the edit control's messages the program relies on.
#include "GuiFixture.h"

#include <imm.h>
#include <oleacc.h>

#include <algorithm>
#include <oleacc.h>

#include "ui/Shell.h"

namespace {

class TextView : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        SendMessageW(g_hEdit, EM_SETREADONLY, FALSE, 0);
        ShowWindow(g_hEdit, SW_SHOW);
    }
    void Set(const wchar_t* text) { SetWindowTextW(g_hEdit, text); }
    void Select(size_t start, size_t end) { SendMessageW(g_hEdit, EM_SETSEL, start, end); }
    std::pair<DWORD, DWORD> Selection()
    {
        DWORD start = 0, end = 0;
        SendMessageW(g_hEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        return {start, end};
    }
    // A key as the user presses it, with Shift and Ctrl held or not.
    void Key(WPARAM key, bool shift = false, bool ctrl = false)
    {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        keys[VK_CONTROL] = ctrl ? 0x80 : 0;
        SetKeyboardState(keys);
        SendMessageW(g_hEdit, WM_KEYDOWN, key, 1);
        keys[VK_SHIFT] = keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
    }
    void Char(wchar_t c) { SendMessageW(g_hEdit, WM_CHAR, c, 1); }
    POINT PlaceOf(size_t offset)
    {
        const LRESULT at = SendMessageW(g_hEdit, EM_POSFROMCHAR, offset, 0);
        return {static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    }
    void Click(UINT message, POINT at, WPARAM keys = MK_LBUTTON)
    {
        SendMessageW(g_hEdit, message, keys, MAKELPARAM(at.x + 1, at.y + 2));
        SendMessageW(g_hEdit, WM_LBUTTONUP, 0, MAKELPARAM(at.x + 1, at.y + 2));
    }
};

TEST_F(TextView, KeysMoveTheCaretAndShiftSelects)
{
    Set(L"one two\r\nab\r\nthird line");
    Select(2, 2);
    Key(VK_RIGHT);
    EXPECT_EQ(Selection(), std::make_pair(3ul, 3ul));
    Key(VK_RIGHT, false, true); // Ctrl+Right: over the space to the next word
    EXPECT_EQ(Selection(), std::make_pair(4ul, 4ul));
    Key(VK_END);
    EXPECT_EQ(Selection(), std::make_pair(7ul, 7ul));
    Key(VK_RIGHT); // CR LF is one step
    EXPECT_EQ(Selection(), std::make_pair(9ul, 9ul));
    Key(VK_LEFT);
    EXPECT_EQ(Selection(), std::make_pair(7ul, 7ul));
    // Down keeps the column the caret came from across a short line.
    Key(VK_DOWN);
    EXPECT_EQ(Selection(), std::make_pair(11ul, 11ul));
    Key(VK_DOWN);
    EXPECT_GT(Selection().first, 15ul); // near the same x, not at the line's start
    EXPECT_LT(Selection().first, 23ul);
    Key(VK_HOME, true); // Shift+Home selects back to the line's start
    EXPECT_EQ(Selection().first, 13ul);
    Key(VK_LEFT); // without Shift a selection collapses to its start
    EXPECT_EQ(Selection(), std::make_pair(13ul, 13ul));
    Key(VK_HOME, true, true);
    EXPECT_EQ(Selection(), std::make_pair(0ul, 13ul));
    Char(0x01); // Ctrl+A
    EXPECT_EQ(Selection(), std::make_pair(0ul, 23ul));
}

TEST_F(TextView, TypingDeletingAndUndoChangeTheTextOnce)
{
    Set(L"ab\r\ncd");
    EXPECT_FALSE(SendMessageW(g_hEdit, EM_GETMODIFY, 0, 0));
    Select(2, 2);
    for (wchar_t c : std::wstring(L"xyz")) Char(c);
    EXPECT_EQ(ViewText(), "abxyz\r\ncd");
    EXPECT_TRUE(SendMessageW(g_hEdit, EM_GETMODIFY, 0, 0));
    SendMessageW(g_hEdit, EM_UNDO, 0, 0); // the run of typing goes at once
    EXPECT_EQ(ViewText(), "ab\r\ncd");
    SendMessageW(g_hEdit, EM_UNDO, 0, 0); // and comes back
    EXPECT_EQ(ViewText(), "abxyz\r\ncd");

    Select(7, 7);
    Char(L'\b'); // one step back takes the whole line break
    EXPECT_EQ(ViewText(), "abxyzcd");
    Char(L'\r');
    EXPECT_EQ(ViewText(), "abxyz\r\ncd");
    Select(0, 2);
    Key(VK_DELETE);
    EXPECT_EQ(ViewText(), "xyz\r\ncd");
    EXPECT_EQ(SendMessageW(g_hEdit, EM_GETLINECOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageW(g_hEdit, EM_LINEINDEX, 1, 0), 5);
    EXPECT_EQ(SendMessageW(g_hEdit, EM_LINEFROMCHAR, 6, 0), 1);

    // Read-only: no key changes the text; the program still can.
    SendMessageW(g_hEdit, EM_SETREADONLY, TRUE, 0);
    Select(0, 0);
    Char(L'q');
    Char(L'\b');
    Key(VK_DELETE);
    Char(0x1A);
    EXPECT_EQ(ViewText(), "xyz\r\ncd");
    SendMessageW(g_hEdit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L"P"));
    EXPECT_EQ(ViewText(), "Pxyz\r\ncd");
    EXPECT_FALSE(SendMessageW(g_hEdit, EM_CANUNDO, 0, 0));
    SetWindowTextW(g_hEdit, L"new");
    EXPECT_FALSE(SendMessageW(g_hEdit, EM_GETMODIFY, 0, 0));
}

TEST_F(TextView, TheMousePlacesTheCaretWhereTheCharacterIsShown)
{
    Set(L"alpha beta gamma\r\nsecond line here");
    const POINT beta = PlaceOf(6), here = PlaceOf(30);
    EXPECT_GT(here.y, beta.y);
    Click(WM_LBUTTONDOWN, beta);
    EXPECT_EQ(Selection(), std::make_pair(6ul, 6ul));
    EXPECT_EQ(GetFocus(), g_hEdit);
    Click(WM_LBUTTONDOWN, here, MK_LBUTTON | MK_SHIFT);
    EXPECT_EQ(Selection(), std::make_pair(6ul, 30ul));
    Click(WM_LBUTTONDBLCLK, PlaceOf(12));
    EXPECT_EQ(Selection(), std::make_pair(11ul, 16ul)); // "gamma"
    const LRESULT found = SendMessageW(g_hEdit, EM_CHARFROMPOS, 0, MAKELPARAM(here.x + 1, here.y + 2));
    EXPECT_EQ(LOWORD(found), 30);
    EXPECT_EQ(HIWORD(found), 1);
}

// More lines than a 16-bit scroll position holds, and an item's lines replaced far down.
TEST_F(TextView, ScrollsOverAHundredThousandLinesAndReplacesInPlace)
{
    std::wstring text;
    for (int i = 0; i < 100000; ++i) text += L"line " + std::to_wstring(i) + L"\r\n";
    Set(text.c_str());
    const LRESULT lines = SendMessageW(g_hEdit, EM_GETLINECOUNT, 0, 0);
    EXPECT_EQ(lines, 100001);
    const LRESULT at = SendMessageW(g_hEdit, EM_LINEINDEX, 90000, 0);
    Select(at, at);
    SendMessageW(g_hEdit, EM_SCROLLCARET, 0, 0);
    const LRESULT first = SendMessageW(g_hEdit, EM_GETFIRSTVISIBLELINE, 0, 0);
    EXPECT_LE(first, 90000);
    EXPECT_GT(first, 89900);
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    GetScrollInfo(g_hEdit, SB_VERT, &si);
    EXPECT_EQ(si.nMax, 100000);
    EXPECT_EQ(si.nPos, first);
    SendMessageW(g_hEdit, WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(SendMessageW(g_hEdit, EM_GETFIRSTVISIBLELINE, 0, 0), static_cast<LRESULT>(100001 - si.nPage));
    SendMessageW(g_hEdit, EM_LINESCROLL, 0, -200000);
    EXPECT_EQ(SendMessageW(g_hEdit, EM_GETFIRSTVISIBLELINE, 0, 0), 0);

    Select(at, at + 12); // "line 90000\r\n"
    SendMessageW(g_hEdit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L"A\r\nB\r\nC\r\n"));
    EXPECT_EQ(SendMessageW(g_hEdit, EM_GETLINECOUNT, 0, 0), 100003);
    EXPECT_EQ(SendMessageW(g_hEdit, EM_LINEINDEX, 90003, 0), at + 9);
    wchar_t line[32] = {31};
    line[SendMessageW(g_hEdit, EM_GETLINE, 90003, reinterpret_cast<LPARAM>(line))] = 0;
    EXPECT_STREQ(line, L"line 90001");
    EXPECT_EQ(GetWindowTextLengthW(g_hEdit), static_cast<int>(text.size()) - 12 + 9);
}

TEST_F(TextView, CopyAndPasteGoThroughTheClipboard)
{
    Set(L"copy me");
    Select(0, 4);
    SendMessageW(g_hEdit, WM_COPY, 0, 0);
    Select(7, 7);
    SendMessageW(g_hEdit, WM_PASTE, 0, 0);
    EXPECT_EQ(ViewText(), "copy mecopy");
    Select(0, 5);
    SendMessageW(g_hEdit, WM_CUT, 0, 0);
    EXPECT_EQ(ViewText(), "mecopy");
    SendMessageW(g_hEdit, EM_SETREADONLY, TRUE, 0);
    SendMessageW(g_hEdit, WM_PASTE, 0, 0);
    EXPECT_EQ(ViewText(), "mecopy");
}

// What a screen reader asks: a text box with the view's text as its value.
TEST_F(TextView, AnswersScreenReadersAsATextBox)
{
    Set(L"Q1: first\r\nQ2: second");
    IAccessible* accessible = nullptr;
    ASSERT_EQ(AccessibleObjectFromWindow(g_hEdit, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&accessible)),
              S_OK);
    ASSERT_NE(accessible, nullptr);
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    VARIANT role;
    VariantInit(&role);
    ASSERT_EQ(accessible->get_accRole(self, &role), S_OK);
    EXPECT_EQ(role.vt, VT_I4);
    EXPECT_EQ(role.lVal, ROLE_SYSTEM_TEXT);
    BSTR value = nullptr;
    ASSERT_EQ(accessible->get_accValue(self, &value), S_OK);
    EXPECT_EQ(std::wstring(value ? value : L""), L"Q1: first\r\nQ2: second");
    SysFreeString(value);
    auto state = [&] {
        VARIANT s;
        VariantInit(&s);
        EXPECT_EQ(accessible->get_accState(self, &s), S_OK);
        return s.vt == VT_I4 ? s.lVal : 0;
    };
    EXPECT_FALSE(state() & STATE_SYSTEM_READONLY);
    SendMessageW(g_hEdit, EM_SETREADONLY, TRUE, 0);
    EXPECT_TRUE(state() & STATE_SYSTEM_READONLY);
    // The value is the text of now, not of when the object was made.
    SendMessageW(g_hEdit, EM_SETSEL, 0, 2);
    SendMessageW(g_hEdit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L"Item"));
    ASSERT_EQ(accessible->get_accValue(self, &value), S_OK);
    EXPECT_EQ(std::wstring(value ? value : L""), L"Item: first\r\nQ2: second");
    SysFreeString(value);
    accessible->Release();
}

// A screen reader follows the view by its events: the text, the selection and the caret.
TEST_F(TextView, TellsScreenReadersWhatChanged)
{
    static std::vector<std::pair<DWORD, LONG>> events;
    events.clear();
    HWINEVENTHOOK hook = SetWinEventHook(
        EVENT_OBJECT_LOCATIONCHANGE, EVENT_OBJECT_TEXTSELECTIONCHANGED, nullptr,
        [](HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG, DWORD, DWORD) {
            if (hwnd == g_hEdit) events.emplace_back(event, object);
        },
        GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    Set(L"one two");
    SetFocus(g_hEdit);
    Pump();
    auto seen = [&](DWORD event, LONG object) {
        Pump();
        const bool found = std::find(events.begin(), events.end(), std::make_pair(event, object)) != events.end();
        events.clear();
        return found;
    };
    seen(0, 0);
    Select(4, 7);
    EXPECT_TRUE(seen(EVENT_OBJECT_TEXTSELECTIONCHANGED, OBJID_CLIENT));
    Select(2, 2);
    EXPECT_TRUE(seen(EVENT_OBJECT_LOCATIONCHANGE, OBJID_CARET));
    Char(L'x');
    EXPECT_TRUE(seen(EVENT_OBJECT_VALUECHANGE, OBJID_CLIENT));
    UnhookWinEvent(hook);
}

// An input method composes at the caret, in the view's font, not at the window's corner.
TEST_F(TextView, ImeCompositionOpensAtTheCaretInTheViewsFont)
{
    HFONT old = reinterpret_cast<HFONT>(SendMessageW(g_hEdit, WM_GETFONT, 0, 0));
    HFONT font = CreateFontW(-20, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, L"Courier New");
    SendMessageW(g_hEdit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    Set(L"first line\r\nsecond line");
    Select(17, 17);
    SendMessageW(g_hEdit, WM_IME_STARTCOMPOSITION, 0, 0);
    HIMC context = ImmGetContext(g_hEdit);
    ASSERT_NE(context, nullptr);
    COMPOSITIONFORM form{};
    EXPECT_TRUE(ImmGetCompositionWindow(context, &form));
    EXPECT_EQ(form.dwStyle, static_cast<DWORD>(CFS_POINT));
    const POINT caret = PlaceOf(17);
    EXPECT_EQ(form.ptCurrentPos.x, caret.x);
    EXPECT_EQ(form.ptCurrentPos.y, caret.y);
    EXPECT_GT(caret.y, 0);
    LOGFONTW chosen{};
    EXPECT_TRUE(ImmGetCompositionFontW(context, &chosen));
    EXPECT_EQ(chosen.lfHeight, -20);
    EXPECT_STREQ(chosen.lfFaceName, L"Courier New");
    ImmReleaseContext(g_hEdit, context);
    SendMessageW(g_hEdit, WM_SETFONT, reinterpret_cast<WPARAM>(old), FALSE);
    DeleteObject(font);
}

// Tab stops in pixels: text after a tab starts on a stop whatever the font's widths before it.
TEST_F(TextView, TabsLineUpOnStopsInAProportionalFont)
{
    Set(L"iiii\tx\r\nWWW\ty\r\n\tz");
    const LONG x1 = PlaceOf(5).x, x2 = PlaceOf(12).x, x3 = PlaceOf(16).x;
    EXPECT_EQ(x1, x2);
    EXPECT_EQ(x1, x3);
    EXPECT_GT(x1, PlaceOf(11).x); // past "WWW"
    // A click on the character after the tab finds it.
    Click(WM_LBUTTONDOWN, PlaceOf(12));
    EXPECT_EQ(Selection(), std::make_pair(12ul, 12ul));
}

// An Arabic word inside Latin text is shown right to left: the caret goes where the
// character is shown, a click finds the character under it, a selection covers its glyphs.
TEST_F(TextView, RightToLeftTextIsPlacedClickedAndSelectedWhereShown)
{
    Set(L"abc \u0645\u0631\u062D\u0628\u0627 xyz\r\nnext");
    for (size_t k = 4; k < 8; ++k) EXPECT_GT(PlaceOf(k).x, PlaceOf(k + 1).x) << k; // the run's first letter rightmost
    EXPECT_LT(PlaceOf(3).x, PlaceOf(8).x);
    EXPECT_LT(PlaceOf(4).x, PlaceOf(10).x);
    EXPECT_LT(PlaceOf(0).x, PlaceOf(1).x); // Latin stays left to right
    for (size_t k = 4; k < 8; ++k) {
        const POINT at = PlaceOf(k); // a letter's leading edge is its right side: just left of it is the letter
        const LRESULT found = SendMessageW(g_hEdit, EM_CHARFROMPOS, 0, MAKELPARAM(at.x - 2, at.y + 2));
        EXPECT_EQ(LOWORD(found), k);
    }
    const POINT third = PlaceOf(6);
    SendMessageW(g_hEdit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(third.x - 2, third.y + 2));
    SendMessageW(g_hEdit, WM_LBUTTONUP, 0, MAKELPARAM(third.x - 2, third.y + 2));
    EXPECT_EQ(Selection(), std::make_pair(6ul, 6ul));

    // The second letter selected: highlight on its glyph's place, none on the fourth's.
    SetFocus(g_hEdit);
    Select(5, 6);
    InvalidateRect(g_hEdit, nullptr, FALSE);
    UpdateWindow(g_hEdit);
    HDC dc = GetDC(g_hEdit);
    auto highlighted = [&](LONG left, LONG right) {
        int n = 0;
        for (LONG x = left + 1; x < right - 1; ++x)
            for (LONG y = PlaceOf(0).y + 2; y < PlaceOf(15).y - 2; ++y) n += GetPixel(dc, x, y) == GetSysColor(COLOR_HIGHLIGHT);
        return n;
    };
    EXPECT_GT(highlighted(PlaceOf(6).x, PlaceOf(5).x), 0);
    EXPECT_EQ(highlighted(PlaceOf(8).x, PlaceOf(7).x), 0);
    ReleaseDC(g_hEdit, dc);
}

} // namespace
