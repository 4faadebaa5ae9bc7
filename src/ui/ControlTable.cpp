#include "ui/ControlTable.h"

#include "util/Win32Text.h"

namespace {

bool IsComboBox(const ControlSpec& spec) { return lstrcmpiW(spec.className, L"COMBOBOX") == 0; }

} // namespace

bool CreateControls(HWND parent, ControlTable table, HFONT font, int scrollY, unsigned hiddenGroups)
{
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    bool all = true;
    for (const ControlSpec& spec : table) {
        const bool hidden = spec.group > 0 && (hiddenGroups & (1u << spec.group));
        const DWORD style = WS_CHILD | spec.style | (hidden ? 0 : WS_VISIBLE);
        HWND control = CreateWindowExW(spec.exStyle, spec.className, spec.text, style, spec.x, spec.y - scrollY, spec.width,
                                       spec.height, parent,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), instance, nullptr);
        if (!control) {
            all = false;
            continue;
        }
        if (font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        // The default limit of about 30,000 characters would silently refuse typing in a
        // long question or JSON field.
        if (lstrcmpiW(spec.className, L"EDIT") == 0) SendMessageW(control, EM_SETLIMITTEXT, 0, 0);
    }
    return all;
}

void MoveControl(HWND parent, int id, int x, int y, int width, int height)
{
    if (HWND control = GetDlgItem(parent, id)) MoveWindow(control, x, y, width, height, TRUE);
}

void ShowControlGroup(HWND parent, ControlTable table, int group, bool show)
{
    for (const ControlSpec& spec : table) {
        if (spec.group != group || spec.id == 0) continue;
        if (HWND control = GetDlgItem(parent, spec.id)) ShowWindow(control, show ? SW_SHOW : SW_HIDE);
    }
}

void ReadForm(HWND parent, ControlTable table, FormModel& form)
{
    for (const ControlSpec& spec : table) {
        HWND control = spec.id ? GetDlgItem(parent, spec.id) : nullptr;
        if (!control) continue;
        if (spec.field == FieldKind::Text)
            form.texts[spec.id] = GetWindowTextU(control);
        else if (spec.field == FieldKind::Selection)
            form.selections[spec.id] = static_cast<int>(SendMessageW(control, CB_GETCURSEL, 0, 0));
    }
}

void WriteForm(HWND parent, ControlTable table, const FormModel& form)
{
    for (const ControlSpec& spec : table) {
        HWND control = spec.id ? GetDlgItem(parent, spec.id) : nullptr;
        if (!control) continue;
        if (spec.field == FieldKind::Text) {
            auto it = form.texts.find(spec.id);
            if (it != form.texts.end()) SetWindowTextW(control, ToWide(it->second).c_str());
        } else if (spec.field == FieldKind::Selection && IsComboBox(spec)) {
            auto it = form.selections.find(spec.id);
            if (it != form.selections.end()) SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(it->second), 0);
        }
    }
}

void FillComboBox(HWND combo, const wchar_t* const* entries, size_t count)
{
    if (!combo) return;
    SendMessageW(combo, WM_SETREDRAW, FALSE, 0);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (size_t i = 0; i < count; ++i) SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entries[i]));
    SendMessageW(combo, WM_SETREDRAW, TRUE, 0);
}
