#include "ui/TextView.h"

#include <imm.h>
#include <usp10.h>

#include <algorithm>
#include <memory>
#include <string>

#include "ui/TextBuffer.h"
#include "ui/TextViewAccessible.h"

namespace {

constexpr int kMargin = 2;
enum MenuCommand { kUndo = 1, kCut, kCopy, kPaste, kDelete, kSelectAll };

struct UndoStep {
    bool valid = false;
    size_t start = 0;
    std::u16string removed;
    size_t inserted = 0;
    bool typing = false;
};

struct View {
    HWND hwnd = nullptr;
    TextBuffer text;
    size_t anchor = 0, caret = 0;
    HFONT font = nullptr;
    int lineHeight = 16, charWidth = 8;
    size_t firstLine = 0;
    int xScroll = 0;
    int widest = 0;     // pixels: the longest line's estimate, or more once the caret went further
    int stickyX = -1;   // where Up and Down keep the caret, across short lines
    int wheelRest = 0;
    bool modified = false, focused = false, dragging = false;
    size_t limit = 0xFFFFFFFF;
    UndoStep undo;
    SCROLLINFO shownBars[2]{}; // as last set: Wine draws a bar again on every set
};

View* Of(HWND hwnd)
{
    wchar_t name[32] = L"";
    if (!hwnd || !GetClassNameW(hwnd, name, 32) || lstrcmpW(name, kTextViewClass) != 0) return nullptr;
    return reinterpret_cast<View*>(GetWindowLongPtrW(hwnd, 0));
}

bool ReadOnly(const View& v) { return GetWindowLongW(v.hwnd, GWL_STYLE) & ES_READONLY; }
size_t SelStart(const View& v) { return std::min(v.anchor, v.caret); }
size_t SelEnd(const View& v) { return std::max(v.anchor, v.caret); }

void Notify(const View& v, WORD code)
{
    SendMessageW(GetParent(v.hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(v.hwnd), code),
                 reinterpret_cast<LPARAM>(v.hwnd));
}

// A DC with the view's font selected, for measuring.
class FontDc {
public:
    explicit FontDc(const View& v) : hwnd_(v.hwnd), dc_(GetDC(v.hwnd))
    {
        old_ = SelectObject(dc_, v.font ? v.font : GetStockObject(SYSTEM_FONT));
    }
    ~FontDc()
    {
        SelectObject(dc_, old_);
        ReleaseDC(hwnd_, dc_);
    }
    HDC get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
    HGDIOBJ old_;
};

RECT Client(const View& v)
{
    RECT r{};
    GetClientRect(v.hwnd, &r);
    return r;
}

size_t LinesInSight(const View& v) { return std::max<LONG>(1, Client(v).bottom / v.lineHeight); }

// Lines longer than this are laid out in logical order even with right-to-left text: the
// shaping engine lays out a whole line at once, and a raw line may be megabytes long.
constexpr size_t kLongestBidiLine = 4000;

// Right-to-left letters (Hebrew, Arabic, Syriac, Thaana, N'Ko... and their presentation
// forms): such a line is laid out by the shaping engine, which orders its runs for display.
bool NeedsBidiLayout(const std::u16string& line)
{
    if (line.size() > kLongestBidiLine) return false;
    for (char16_t c : line)
        if ((c >= 0x0590 && c <= 0x08FF) || (c >= 0xFB1D && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFE)) return true;
    return false;
}

struct Shaped {
    SCRIPT_STRING_ANALYSIS analysis = nullptr;
    ~Shaped()
    {
        if (analysis) ScriptStringFree(&analysis);
    }
};

// A line as measured and drawn: tab stops every eight average characters, in pixels; a
// line with right-to-left text through the shaping engine, in the order it is shown.
struct ShownLine {
    size_t start = 0, end = 0; // the line's characters in the text
    std::u16string text;
    long long tab = 64;
    bool bidi = false;
    mutable std::unique_ptr<Shaped> shaped;

    // The line's layout for the font selected in `dc`; null when it could not be made.
    SCRIPT_STRING_ANALYSIS Layout(HDC dc) const
    {
        if (!bidi) return nullptr;
        if (!shaped) {
            shaped = std::make_unique<Shaped>();
            int tabStop = static_cast<int>(tab);
            SCRIPT_TABDEF tabs{1, 4, &tabStop, 0}; // one stop every `tab` device pixels
            if (FAILED(ScriptStringAnalyse(dc, text.data(), static_cast<int>(text.size()),
                                           static_cast<int>(text.size() * 3 / 2 + 16), -1,
                                           SSA_GLYPHS | SSA_FALLBACK | SSA_TAB, 0, nullptr, nullptr, nullptr, &tabs,
                                           nullptr, &shaped->analysis)))
                shaped->analysis = nullptr;
        }
        return shaped->analysis;
    }

    const wchar_t* At(size_t k) const { return reinterpret_cast<const wchar_t*>(text.data() + k); }
    int RunWidth(HDC dc, size_t a, size_t b) const
    {
        SIZE size{};
        if (b > a) GetTextExtentPoint32W(dc, At(a), static_cast<int>(b - a), &size);
        return size.cx;
    }
    // How many of the characters [a, b) fit in `room` pixels; a long run is measured only
    // as far as needed.
    size_t RunFit(HDC dc, size_t a, size_t b, long long room) const
    {
        if (room <= 0 || b <= a) return 0;
        const int extent = static_cast<int>(std::min<long long>(room, 0x7FFFFFFF));
        size_t count = std::min<size_t>(b - a, 256);
        for (;;) {
            int fit = 0;
            SIZE size{};
            GetTextExtentExPointW(dc, At(a), static_cast<int>(count), extent, &fit, nullptr, &size);
            if (static_cast<size_t>(fit) < count || count == b - a) return static_cast<size_t>(fit);
            count = std::min(b - a, count * 4);
        }
    }
    // Pixels from the line's start to the caret before character k (after the last one
    // for the line's end), where the character is shown.
    int X(HDC dc, size_t k) const
    {
        if (SCRIPT_STRING_ANALYSIS layout = Layout(dc)) {
            int x = 0;
            if (text.empty()) return 0;
            if (k < text.size()) ScriptStringCPtoX(layout, static_cast<int>(k), FALSE, &x);
            else ScriptStringCPtoX(layout, static_cast<int>(text.size()) - 1, TRUE, &x);
            return x;
        }
        const long long x = TabbedX(text, std::min(k, text.size()), tab,
                                    [&](size_t a, size_t b) { return static_cast<long long>(RunWidth(dc, a, b)); });
        return static_cast<int>(std::min<long long>(x, 0x3FFFFFFF));
    }
    // How many characters from the start end within `extent` pixels.
    size_t Fit(HDC dc, long long extent) const
    {
        if (extent <= 0) return 0;
        return TabbedFit(
            text, extent, tab, [&](size_t a, size_t b, long long room) { return RunFit(dc, a, b, room); },
            [&](size_t a, size_t b) { return static_cast<long long>(RunWidth(dc, a, b)); });
    }
    // The caret place nearest `extent` pixels from the line's start.
    size_t Nearest(HDC dc, long long extent) const
    {
        if (SCRIPT_STRING_ANALYSIS layout = Layout(dc)) {
            int cp = 0, trailing = 0;
            const int x = static_cast<int>(std::clamp<long long>(extent, -1, 0x3FFFFFFF));
            if (FAILED(ScriptStringXtoCP(layout, x, &cp, &trailing))) return 0;
            if (cp < 0) return 0;
            return std::min(text.size(), static_cast<size_t>(cp) + (trailing ? 1 : 0));
        }
        size_t column = Fit(dc, extent);
        if (column < text.size()) {
            const int before = X(dc, column), after = X(dc, column + 1);
            if (extent - before > after - extent) ++column;
        }
        return column;
    }
    // The line drawn from `origin`, the characters [selA, selB) as selected; false when
    // the line is drawn in logical order (by Draw).
    bool DrawShaped(HDC dc, int origin, int y, const RECT& clip, size_t selA, size_t selB) const
    {
        SCRIPT_STRING_ANALYSIS layout = Layout(dc);
        if (!layout) return false;
        ScriptStringOut(layout, origin, y, ETO_CLIPPED, &clip, static_cast<int>(selA), static_cast<int>(selB), FALSE);
        return true;
    }
    // Characters [a, b) drawn with the line starting at `origin`.
    void Draw(HDC dc, int origin, int y, const RECT& clip, size_t a, size_t b) const
    {
        while (a < b) {
            const size_t t = std::min(text.find(u'\t', a), b);
            if (t > a) ExtTextOutW(dc, origin + X(dc, a), y, ETO_CLIPPED, &clip, At(a), static_cast<UINT>(t - a), nullptr);
            a = t + 1;
        }
    }
};

ShownLine LineAt(const View& v, size_t line)
{
    ShownLine s;
    s.start = v.text.LineStart(line);
    s.end = v.text.LineEnd(line);
    s.text = v.text.Range(s.start, s.end);
    s.tab = 8LL * v.charWidth;
    s.bidi = NeedsBidiLayout(s.text);
    return s;
}

// Pixels from the text's left edge (scrolling aside) to a place.
int XOf(const View& v, size_t offset)
{
    const ShownLine line = LineAt(v, v.text.LineOf(offset));
    FontDc dc(v);
    return kMargin + line.X(dc.get(), std::min(offset, line.end) - line.start);
}

// The place of a line nearest `x` in the client area.
size_t OffsetInLine(const View& v, size_t line, int x)
{
    const ShownLine s = LineAt(v, line);
    FontDc dc(v);
    const int extent = x + v.xScroll - kMargin;
    size_t offset = s.start + s.Nearest(dc.get(), extent);
    // Never between the halves of a surrogate pair.
    if (offset > s.start && offset < s.end && v.text.At(offset) >= 0xDC00 && v.text.At(offset) < 0xE000) --offset;
    return std::min(offset, s.end);
}

// The place nearest a point of the client area.
size_t OffsetAt(const View& v, int x, int y)
{
    const long long row = y < 0 ? -1 : y / v.lineHeight;
    const long long wanted = static_cast<long long>(v.firstLine) + row;
    return OffsetInLine(v, static_cast<size_t>(std::clamp<long long>(wanted, 0, v.text.LineCount() - 1)), x);
}

void UpdateScrollBars(View& v)
{
    const RECT client = Client(v);
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    si.nMax = static_cast<int>(std::min<size_t>(v.text.LineCount(), 0x7FFFFFFF) - 1);
    si.nPage = static_cast<UINT>(LinesInSight(v));
    si.nPos = static_cast<int>(v.firstLine);
    auto set = [&](int bar) {
        SCROLLINFO& shown = v.shownBars[bar == SB_VERT];
        if (shown.nMax == si.nMax && shown.nPage == si.nPage && shown.nPos == si.nPos && shown.cbSize) return;
        shown = si;
        SetScrollInfo(v.hwnd, bar, &si, TRUE);
    };
    set(SB_VERT);
    const long long estimate = static_cast<long long>(v.text.LongestLine()) * v.charWidth + 2 * kMargin + v.charWidth;
    v.widest = static_cast<int>(std::min<long long>(std::max<long long>(v.widest, estimate), 0x3FFFFFFF));
    si.nMax = v.widest;
    si.nPage = static_cast<UINT>(std::max<LONG>(0, client.right));
    si.nPos = v.xScroll;
    set(SB_HORZ);
}

void UpdateCaret(View& v)
{
    if (!v.focused) return;
    const size_t line = v.text.LineOf(v.caret);
    if (line < v.firstLine || line > v.firstLine + LinesInSight(v)) {
        SetCaretPos(-100, -100);
        return;
    }
    const int y = static_cast<int>(line - v.firstLine) * v.lineHeight;
    SetCaretPos(XOf(v, v.caret) - v.xScroll, y);
    NotifyWinEvent(EVENT_OBJECT_LOCATIONCHANGE, v.hwnd, OBJID_CARET, CHILDID_SELF);
}

// An input method's composition window goes at the caret, in the view's font.
void PlaceComposition(const View& v)
{
    HIMC context = ImmGetContext(v.hwnd);
    if (!context) return;
    COMPOSITIONFORM form{};
    form.dwStyle = CFS_POINT;
    const long long row = static_cast<long long>(v.text.LineOf(v.caret)) - static_cast<long long>(v.firstLine);
    const long long shownRow = std::clamp<long long>(row, 0, static_cast<long long>(LinesInSight(v)));
    form.ptCurrentPos = {XOf(v, v.caret) - v.xScroll, static_cast<LONG>(shownRow * v.lineHeight)};
    ImmSetCompositionWindow(context, &form);
    LOGFONTW font{};
    if (GetObjectW(v.font ? v.font : GetStockObject(SYSTEM_FONT), sizeof font, &font)) ImmSetCompositionFontW(context, &font);
    ImmReleaseContext(v.hwnd, context);
}

void Redraw(View& v)
{
    InvalidateRect(v.hwnd, nullptr, FALSE);
    UpdateCaret(v);
}

size_t MostFirstLine(const View& v)
{
    const size_t lines = v.text.LineCount(), sight = LinesInSight(v);
    return lines > sight ? lines - sight : 0;
}

void ScrollTo(View& v, long long firstLine, long long x)
{
    const size_t first = static_cast<size_t>(std::clamp<long long>(firstLine, 0, MostFirstLine(v)));
    const int most = std::max<int>(0, v.widest - Client(v).right);
    const int left = static_cast<int>(std::clamp<long long>(x, 0, most));
    if (first == v.firstLine && left == v.xScroll) return;
    v.firstLine = first;
    v.xScroll = left;
    UpdateScrollBars(v);
    Redraw(v);
}

void ScrollCaretIntoView(View& v)
{
    const size_t line = v.text.LineOf(v.caret), sight = LinesInSight(v);
    long long first = static_cast<long long>(v.firstLine);
    if (line < v.firstLine) first = static_cast<long long>(line);
    else if (line >= v.firstLine + sight) first = static_cast<long long>(line - sight + 1);
    const int x = XOf(v, v.caret), width = Client(v).right;
    v.widest = std::max(v.widest, x + v.charWidth + kMargin);
    long long left = v.xScroll;
    if (x < v.xScroll + kMargin) left = std::max(0, x - width / 4);
    else if (x > v.xScroll + width - kMargin - 1) left = x - width * 3 / 4;
    UpdateScrollBars(v);
    ScrollTo(v, first, left);
}

void SetSelection(View& v, size_t anchor, size_t caret)
{
    v.anchor = std::min(anchor, v.text.Size());
    v.caret = std::min(caret, v.text.Size());
    Redraw(v);
    NotifyWinEvent(EVENT_OBJECT_TEXTSELECTIONCHANGED, v.hwnd, OBJID_CLIENT, CHILDID_SELF);
}

// The caret moved by the user: with Shift the selection grows, and the caret is kept in sight.
void MoveCaret(View& v, size_t offset, bool extend, bool keepColumn = false)
{
    if (!keepColumn) v.stickyX = -1;
    SetSelection(v, extend ? v.anchor : offset, offset);
    ScrollCaretIntoView(v);
}

void Replace(View& v, std::u16string_view with, bool canUndo, bool typing)
{
    const size_t start = SelStart(v), end = SelEnd(v);
    if (!canUndo) {
        v.undo = UndoStep{};
    } else if (typing && v.undo.valid && v.undo.typing && start == end && v.undo.start + v.undo.inserted == start) {
        v.undo.inserted += with.size(); // a run of typing is undone at once
    } else {
        v.undo = UndoStep{true, start, v.text.Range(start, end), with.size(), typing};
    }
    v.text.Replace(start, end, with);
    v.anchor = v.caret = start + with.size();
    v.modified = true;
    v.stickyX = -1;
    ScrollCaretIntoView(v); // the scroll bars set for the new text too
    Redraw(v);
    NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, v.hwnd, OBJID_CLIENT, CHILDID_SELF);
    Notify(v, EN_CHANGE);
}

bool Undo(View& v)
{
    if (!v.undo.valid) return false;
    const UndoStep step = v.undo;
    v.anchor = step.start;
    v.caret = step.start + step.inserted;
    Replace(v, step.removed, true, false); // itself undone by the next undo, as the edit control does
    SetSelection(v, step.start, step.start + step.removed.size());
    return true;
}

void Copy(View& v)
{
    const std::u16string text = v.text.Range(SelStart(v), SelEnd(v));
    if (text.empty() || !OpenClipboard(v.hwnd)) return;
    EmptyClipboard();
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(char16_t))) {
        if (void* data = GlobalLock(memory)) {
            std::copy(text.c_str(), text.c_str() + text.size() + 1, static_cast<char16_t*>(data));
            GlobalUnlock(memory);
            if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
        } else {
            GlobalFree(memory);
        }
    }
    CloseClipboard();
}

void Paste(View& v)
{
    if (ReadOnly(v) || !OpenClipboard(v.hwnd)) return;
    std::u16string text;
    if (HANDLE memory = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* data = static_cast<const char16_t*>(GlobalLock(memory))) {
            text = data;
            GlobalUnlock(memory);
        }
    }
    CloseClipboard();
    if (!text.empty()) Replace(v, text, true, false);
}

void DeleteSelection(View& v)
{
    if (!ReadOnly(v) && SelStart(v) != SelEnd(v)) Replace(v, u"", true, false);
}

void OnKeyDown(View& v, WPARAM key)
{
    const bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
    const TextBuffer& t = v.text;
    const size_t line = t.LineOf(v.caret);
    switch (key) {
    case VK_LEFT:
        if (!shift && v.anchor != v.caret) MoveCaret(v, SelStart(v), false);
        else MoveCaret(v, ctrl ? t.PreviousWord(v.caret) : t.PreviousPlace(v.caret), shift);
        break;
    case VK_RIGHT:
        if (!shift && v.anchor != v.caret) MoveCaret(v, SelEnd(v), false);
        else MoveCaret(v, ctrl ? t.NextWord(v.caret) : t.NextPlace(v.caret), shift);
        break;
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT: {
        const long long page = static_cast<long long>(std::max<size_t>(1, LinesInSight(v) - 1));
        const long long step = key == VK_UP ? -1 : key == VK_DOWN ? 1 : key == VK_PRIOR ? -page : page;
        const size_t target = static_cast<size_t>(std::clamp<long long>(static_cast<long long>(line) + step, 0,
                                                                          static_cast<long long>(t.LineCount()) - 1));
        if (v.stickyX < 0) v.stickyX = XOf(v, v.caret);
        if (key == VK_PRIOR || key == VK_NEXT) ScrollTo(v, static_cast<long long>(v.firstLine) + step, v.xScroll);
        MoveCaret(v, OffsetInLine(v, target, v.stickyX - v.xScroll), shift, true);
        break;
    }
    case VK_HOME: MoveCaret(v, ctrl ? 0 : t.LineStart(line), shift); break;
    case VK_END: MoveCaret(v, ctrl ? t.Size() : t.LineEnd(line), shift); break;
    case VK_DELETE:
        if (shift) {
            Copy(v);
            DeleteSelection(v);
        } else if (!ReadOnly(v)) {
            if (v.anchor == v.caret) v.caret = ctrl ? t.NextWord(v.caret) : t.NextPlace(v.caret);
            DeleteSelection(v);
        }
        break;
    case VK_INSERT:
        if (shift) Paste(v);
        else if (ctrl) Copy(v);
        break;
    default: break;
    }
}

void OnChar(View& v, wchar_t c)
{
    switch (c) {
    case 0x01: SetSelection(v, 0, v.text.Size()); return; // Ctrl+A
    case 0x03: Copy(v); return;                           // Ctrl+C
    case 0x16: Paste(v); return;                          // Ctrl+V
    case 0x18:                                            // Ctrl+X
        Copy(v);
        DeleteSelection(v);
        return;
    case 0x1A: // Ctrl+Z
        if (!ReadOnly(v)) Undo(v);
        return;
    default: break;
    }
    if (ReadOnly(v)) return;
    if (c == L'\b') {
        if (v.anchor == v.caret) v.anchor = v.text.PreviousPlace(v.caret);
        DeleteSelection(v);
    } else if (c == L'\r') {
        Replace(v, u"\r\n", true, false);
    } else if (c == L'\t' || c >= 0x20) {
        if (c != 0x7F) Replace(v, std::u16string_view(reinterpret_cast<const char16_t*>(&c), 1), true, true);
    }
}

void ShowContextMenu(View& v, LPARAM where)
{
    POINT at{static_cast<short>(LOWORD(where)), static_cast<short>(HIWORD(where))};
    if (where == -1) { // from the keyboard: at the caret
        const long long row = static_cast<long long>(v.text.LineOf(v.caret)) - static_cast<long long>(v.firstLine) + 1;
        at = {XOf(v, v.caret) - v.xScroll, static_cast<int>(std::clamp<long long>(row, 0, LinesInSight(v))) * v.lineHeight};
        ClientToScreen(v.hwnd, &at);
    }
    const bool writable = !ReadOnly(v), selected = v.anchor != v.caret;
    HMENU menu = CreatePopupMenu();
    auto item = [&](UINT id, const wchar_t* text, bool enabled) {
        AppendMenuW(menu, MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED), id, text);
    };
    item(kUndo, L"&Undo", writable && v.undo.valid);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    item(kCut, L"Cu&t", writable && selected);
    item(kCopy, L"&Copy", selected);
    item(kPaste, L"&Paste", writable && IsClipboardFormatAvailable(CF_UNICODETEXT));
    item(kDelete, L"&Delete", writable && selected);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    item(kSelectAll, L"Select &All", v.text.Size() > 0);
    const int chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, v.hwnd, nullptr);
    DestroyMenu(menu);
    switch (chosen) {
    case kUndo: Undo(v); break;
    case kCut: Copy(v); DeleteSelection(v); break;
    case kCopy: Copy(v); break;
    case kPaste: Paste(v); break;
    case kDelete: DeleteSelection(v); break;
    case kSelectAll: SetSelection(v, 0, v.text.Size()); break;
    default: break;
    }
}

void Paint(View& v)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(v.hwnd, &ps);
    const RECT client = Client(v);
    const bool grey = ReadOnly(v) || !IsWindowEnabled(v.hwnd);
    const UINT colorMessage = grey ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT;
    HBRUSH background = reinterpret_cast<HBRUSH>(
        SendMessageW(GetParent(v.hwnd), colorMessage, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(v.hwnd)));
    if (!background)
        background = reinterpret_cast<HBRUSH>(
            DefWindowProcW(v.hwnd, colorMessage, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(v.hwnd)));
    const COLORREF textColor = GetTextColor(dc);
    HGDIOBJ oldFont = SelectObject(dc, v.font ? v.font : GetStockObject(SYSTEM_FONT));
    SetBkMode(dc, TRANSPARENT);
    const bool showSelection = v.anchor != v.caret && (v.focused || (GetWindowLongW(v.hwnd, GWL_STYLE) & ES_NOHIDESEL));
    const size_t selStart = SelStart(v), selEnd = SelEnd(v);
    const size_t firstRow = static_cast<size_t>(std::max<LONG>(0, ps.rcPaint.top) / v.lineHeight);
    for (size_t row = firstRow; static_cast<LONG>(row) * v.lineHeight < ps.rcPaint.bottom; ++row) {
        const int y = static_cast<int>(row) * v.lineHeight;
        RECT band{0, y, client.right, y + v.lineHeight};
        FillRect(dc, &band, background);
        const size_t line = v.firstLine + row;
        if (line >= v.text.LineCount()) continue;
        const ShownLine s = LineAt(v, line);
        const int origin = kMargin - v.xScroll;
        SetTextColor(dc, textColor);
        if (s.bidi) {
            size_t a = 0, b = 0;
            if (showSelection && selStart <= s.end && selEnd >= s.start) {
                a = std::max(selStart, s.start) - s.start;
                b = std::min(selEnd, s.end) - s.start;
            }
            if (s.DrawShaped(dc, origin, y, band, a, b)) continue;
        }
        // Only the characters in sight are drawn: a line may be megabytes long.
        const size_t from = s.Fit(dc, v.xScroll - kMargin);
        const size_t to = std::min(s.text.size(), s.Fit(dc, v.xScroll + client.right) + 1);
        s.Draw(dc, origin, y, band, from, to);
        if (showSelection && selStart <= s.end && selEnd >= s.start) {
            const size_t a = std::max(from, std::max(selStart, s.start) - s.start);
            const size_t b = std::min(to, std::min(selEnd, s.end) - s.start);
            if (b > a) {
                RECT mark{origin + s.X(dc, a), y, origin + s.X(dc, b), y + v.lineHeight};
                FillRect(dc, &mark, GetSysColorBrush(COLOR_HIGHLIGHT));
                SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
                s.Draw(dc, origin, y, band, a, b);
            }
        }
    }
    SelectObject(dc, oldFont);
    EndPaint(v.hwnd, &ps);
}

void SetFont(View& v, HFONT font, bool redraw)
{
    v.font = font;
    FontDc dc(v);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc.get(), &tm);
    v.lineHeight = std::max<int>(1, tm.tmHeight);
    v.charWidth = std::max<int>(1, tm.tmAveCharWidth);
    v.widest = 0;
    if (v.focused) {
        DestroyCaret();
        CreateCaret(v.hwnd, nullptr, 1, v.lineHeight);
        ShowCaret(v.hwnd);
    }
    UpdateScrollBars(v);
    ScrollTo(v, static_cast<long long>(v.firstLine), v.xScroll);
    if (redraw) Redraw(v);
    else UpdateCaret(v);
}

void OnScroll(View& v, int bar, WORD code)
{
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    GetScrollInfo(v.hwnd, bar, &si);
    const bool vertical = bar == SB_VERT;
    const long long line = vertical ? 1 : v.charWidth;
    const long long page = vertical ? std::max<long long>(1, static_cast<long long>(LinesInSight(v)) - 1)
                                    : std::max<long long>(1, Client(v).right - v.charWidth);
    long long pos = vertical ? static_cast<long long>(v.firstLine) : v.xScroll;
    switch (code) {
    case SB_LINEUP: pos -= line; break;
    case SB_LINEDOWN: pos += line; break;
    case SB_PAGEUP: pos -= page; break;
    case SB_PAGEDOWN: pos += page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: pos = si.nTrackPos; break;
    case SB_TOP: pos = 0; break;
    case SB_BOTTOM: pos = si.nMax; break;
    default: return;
    }
    if (vertical) ScrollTo(v, pos, v.xScroll);
    else ScrollTo(v, static_cast<long long>(v.firstLine), pos);
}

LRESULT CALLBACK TextViewProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    View* view = reinterpret_cast<View*>(GetWindowLongPtrW(hwnd, 0));
    if (message == WM_NCCREATE) {
        view = new View;
        view->hwnd = hwnd;
        SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(view));
    }
    if (!view) return DefWindowProcW(hwnd, message, wParam, lParam);
    View& v = *view;
    switch (message) {
    case WM_NCDESTROY:
        SetWindowLongPtrW(hwnd, 0, 0);
        delete view;
        return 0;
    case WM_CREATE:
        SetFont(v, nullptr, false);
        if (const wchar_t* name = reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpszName)
            v.text.SetText(reinterpret_cast<const char16_t*>(name));
        UpdateScrollBars(v);
        return 0;
    case WM_SETTEXT: {
        const auto* text = reinterpret_cast<const char16_t*>(lParam);
        v.text.SetText(text ? std::u16string_view(text) : std::u16string_view());
        v.anchor = v.caret = 0;
        v.firstLine = 0;
        v.xScroll = 0;
        v.widest = 0;
        v.modified = false;
        v.undo = UndoStep{};
        UpdateScrollBars(v);
        Redraw(v);
        NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, hwnd, OBJID_CLIENT, CHILDID_SELF);
        return TRUE;
    }
    case WM_GETTEXT: {
        if (!wParam || !lParam) return 0;
        const size_t count = std::min<size_t>(v.text.Size(), wParam - 1);
        auto* out = reinterpret_cast<char16_t*>(lParam);
        v.text.CopyTo(0, count, out);
        out[count] = u'\0';
        return static_cast<LRESULT>(count);
    }
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(v.text.Size());
    case WM_SETFONT: SetFont(v, reinterpret_cast<HFONT>(wParam), LOWORD(lParam) != 0); return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(v.font);
    case WM_SIZE:
        UpdateScrollBars(v);
        ScrollTo(v, static_cast<long long>(v.firstLine), v.xScroll);
        Redraw(v);
        return 0;
    case WM_PAINT: Paint(v); return 0;
    case WM_GETOBJECT:
        if (static_cast<LONG>(lParam) == OBJID_CLIENT)
            if (const LRESULT answer = AnswerTextViewAccessible(hwnd, wParam)) return answer;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_ERASEBKGND: return 1;
    case WM_SETFOCUS:
        v.focused = true;
        CreateCaret(hwnd, nullptr, 1, v.lineHeight);
        UpdateCaret(v);
        ShowCaret(hwnd);
        InvalidateRect(hwnd, nullptr, FALSE);
        Notify(v, EN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        v.focused = false;
        v.dragging = false;
        DestroyCaret();
        InvalidateRect(hwnd, nullptr, FALSE);
        Notify(v, EN_KILLFOCUS);
        return 0;
    case WM_ENABLE:
    case WM_STYLECHANGED: InvalidateRect(hwnd, nullptr, FALSE); return 0;
    case WM_GETDLGCODE: return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS | DLGC_WANTALLKEYS;
    case WM_KEYDOWN: OnKeyDown(v, wParam); return 0;
    case WM_CHAR: OnChar(v, static_cast<wchar_t>(wParam)); return 0;
    case WM_IME_STARTCOMPOSITION:
    case WM_IME_COMPOSITION:
        PlaceComposition(v); // the committed text comes back as WM_CHAR
        return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_LBUTTONDOWN:
        SetFocus(hwnd);
        MoveCaret(v, OffsetAt(v, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))),
                  (wParam & MK_SHIFT) != 0);
        v.dragging = true;
        SetCapture(hwnd);
        return 0;
    case WM_LBUTTONDBLCLK: {
        size_t start = 0, end = 0;
        v.text.WordAt(OffsetAt(v, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))), start, end);
        SetSelection(v, start, end);
        return 0;
    }
    case WM_MOUSEMOVE:
        if (v.dragging)
            MoveCaret(v, OffsetAt(v, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))), true);
        return 0;
    case WM_LBUTTONUP:
        if (v.dragging) ReleaseCapture();
        v.dragging = false;
        return 0;
    case WM_CAPTURECHANGED: v.dragging = false; return 0;
    case WM_MOUSEWHEEL: {
        UINT lines = 3;
        SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
        v.wheelRest += GET_WHEEL_DELTA_WPARAM(wParam);
        const int notches = v.wheelRest / WHEEL_DELTA;
        v.wheelRest -= notches * WHEEL_DELTA;
        const long long by = lines == WHEEL_PAGESCROLL ? static_cast<long long>(LinesInSight(v)) : lines;
        ScrollTo(v, static_cast<long long>(v.firstLine) - notches * by, v.xScroll);
        return 0;
    }
    case WM_VSCROLL: OnScroll(v, SB_VERT, LOWORD(wParam)); return 0;
    case WM_HSCROLL: OnScroll(v, SB_HORZ, LOWORD(wParam)); return 0;
    case WM_CONTEXTMENU: ShowContextMenu(v, lParam); return 0;
    case WM_COPY: Copy(v); return 0;
    case WM_CUT:
        Copy(v);
        DeleteSelection(v);
        return 0;
    case WM_PASTE: Paste(v); return 0;
    case WM_CLEAR: DeleteSelection(v); return 0;
    case WM_UNDO:
    case EM_UNDO: return Undo(v);
    case EM_CANUNDO: return v.undo.valid;
    case EM_EMPTYUNDOBUFFER: v.undo = UndoStep{}; return 0;
    case EM_GETSEL: {
        const DWORD start = static_cast<DWORD>(SelStart(v)), end = static_cast<DWORD>(SelEnd(v));
        if (wParam) *reinterpret_cast<DWORD*>(wParam) = start;
        if (lParam) *reinterpret_cast<DWORD*>(lParam) = end;
        return MAKELRESULT(std::min<DWORD>(start, 0xFFFF), std::min<DWORD>(end, 0xFFFF));
    }
    case EM_SETSEL: {
        // -1 as the start drops the selection; -1 as the end is the end of the text.
        const int start = static_cast<int>(wParam), end = static_cast<int>(lParam);
        if (start == -1) SetSelection(v, v.caret, v.caret);
        else SetSelection(v, static_cast<size_t>(start), end < 0 ? v.text.Size() : static_cast<size_t>(end));
        return 0;
    }
    case EM_REPLACESEL: {
        const auto* text = reinterpret_cast<const char16_t*>(lParam);
        Replace(v, text ? std::u16string_view(text) : std::u16string_view(), wParam != 0, false);
        return 0;
    }
    case EM_SCROLLCARET: ScrollCaretIntoView(v); return TRUE;
    case EM_LINESCROLL:
        ScrollTo(v, static_cast<long long>(v.firstLine) + static_cast<int>(lParam),
                 v.xScroll + static_cast<long long>(static_cast<int>(wParam)) * v.charWidth);
        return TRUE;
    case EM_GETFIRSTVISIBLELINE: return static_cast<LRESULT>(v.firstLine);
    case EM_GETLINECOUNT: return static_cast<LRESULT>(v.text.LineCount());
    case EM_LINEFROMCHAR: {
        const int at = static_cast<int>(wParam);
        return static_cast<LRESULT>(v.text.LineOf(at < 0 ? v.caret : static_cast<size_t>(at)));
    }
    case EM_LINEINDEX: {
        const int line = static_cast<int>(wParam);
        const size_t which = line < 0 ? v.text.LineOf(v.caret) : static_cast<size_t>(line);
        return which < v.text.LineCount() ? static_cast<LRESULT>(v.text.LineStart(which)) : -1;
    }
    case EM_LINELENGTH: {
        const int at = static_cast<int>(wParam);
        const size_t line = v.text.LineOf(at < 0 ? v.caret : static_cast<size_t>(at));
        return static_cast<LRESULT>(v.text.LineEnd(line) - v.text.LineStart(line));
    }
    case EM_GETLINE: {
        if (wParam >= v.text.LineCount() || !lParam) return 0;
        const size_t start = v.text.LineStart(wParam);
        const size_t count = std::min<size_t>(v.text.LineEnd(wParam) - start, *reinterpret_cast<WORD*>(lParam));
        v.text.CopyTo(start, start + count, reinterpret_cast<char16_t*>(lParam));
        return static_cast<LRESULT>(count);
    }
    case EM_POSFROMCHAR: {
        if (wParam > v.text.Size()) return -1;
        const long long row = static_cast<long long>(v.text.LineOf(wParam)) - static_cast<long long>(v.firstLine);
        const int x = XOf(v, wParam) - v.xScroll, y = static_cast<int>(row * v.lineHeight);
        return MAKELRESULT(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(static_cast<short>(y)));
    }
    case EM_CHARFROMPOS: {
        const size_t at = OffsetAt(v, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        return MAKELRESULT(static_cast<WORD>(at), static_cast<WORD>(v.text.LineOf(at)));
    }
    case EM_GETRECT:
        if (lParam) {
            RECT r = Client(v);
            r.left += kMargin;
            *reinterpret_cast<RECT*>(lParam) = r;
        }
        return 0;
    case EM_GETMODIFY: return v.modified;
    case EM_SETMODIFY: v.modified = wParam != 0; return 0;
    case EM_SETREADONLY: {
        const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
        SetWindowLongW(hwnd, GWL_STYLE, wParam ? style | ES_READONLY : style & ~ES_READONLY);
        InvalidateRect(hwnd, nullptr, FALSE);
        return TRUE;
    }
    case EM_SETLIMITTEXT: v.limit = wParam ? wParam : 0xFFFFFFFF; return 0;
    case EM_GETLIMITTEXT: return static_cast<LRESULT>(v.limit);
    default: return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

} // namespace

bool RegisterTextViewClass(HINSTANCE instance)
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(instance, kTextViewClass, &wc)) return true;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = TextViewProc;
    wc.cbWndExtra = sizeof(View*);
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_IBEAM);
    wc.lpszClassName = kTextViewClass;
    return RegisterClassExW(&wc) != 0;
}

std::u16string_view TextViewText(HWND view)
{
    View* v = Of(view);
    return v ? v->text.Text() : std::u16string_view();
}

std::u16string TextViewRange(HWND view, size_t start, size_t end)
{
    View* v = Of(view);
    return v ? v->text.Range(start, end) : std::u16string();
}
