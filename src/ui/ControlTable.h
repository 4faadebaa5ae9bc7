#pragma once
// Windows laid out at fixed pixel rectangles: one constant table per window, the controls
// made from it, groups shown or hidden, and the form model copied to and from the controls.
#include <cstddef>

#include <windows.h>

#include "ui/FormModel.h"

// What a control holds for the form model.
enum class FieldKind { None, Text, Selection };

struct ControlSpec {
    int id; // 0: a label no code looks up
    const wchar_t* className;
    const wchar_t* text;
    DWORD style; // WS_CHILD is added; WS_VISIBLE unless the group starts hidden
    int x, y, width, height;
    int group; // 0: always shown
    FieldKind field;
    DWORD exStyle = 0;
};

struct ControlTable {
    const ControlSpec* specs;
    size_t count;
    const ControlSpec* begin() const { return specs; }
    const ControlSpec* end() const { return specs + count; }
};

template <size_t N>
constexpr ControlTable MakeControlTable(const ControlSpec (&specs)[N])
{
    return ControlTable{specs, N};
}

// Creates every control of the table as a child of `parent`, offset up by `scrollY`, with
// the given font (none: the system's default). Controls of `hiddenGroups` (a bit per group
// number) start hidden. False when a control could not be made.
bool CreateControls(HWND parent, ControlTable table, HFONT font = nullptr, int scrollY = 0,
                    unsigned hiddenGroups = 0);
// Moves one control (for windows whose layout follows their size), repainting it; a
// missing control is skipped.
void MoveControl(HWND parent, int id, int x, int y, int width, int height);
// Shows or hides every control of one group.
void ShowControlGroup(HWND parent, ControlTable table, int group, bool show);
// The field controls' values into the model, and back. Missing controls are skipped.
void ReadForm(HWND parent, ControlTable table, FormModel& form);
void WriteForm(HWND parent, ControlTable table, const FormModel& form);
// Replaces the entries of a drop-down list; no redraw while it fills.
void FillComboBox(HWND combo, const wchar_t* const* entries, size_t count);
