#pragma once
// Layout values are written at 96 DPI and scaled by the DPI of the window's
// monitor. The newer DPI functions are looked up at run time, so the program
// still runs where they are missing or refuse (Wine refuses per-monitor v2).

#include <windows.h>

namespace marovan::win {

constexpr int kDefaultDpi = 96;

inline int Scale(int value96, int dpi) noexcept {
    return ::MulDiv(value96, dpi, kDefaultDpi);
}

// Declares per-monitor awareness (v2 when the system has it).
void EnableDpiAwareness() noexcept;
// The DPI the window is laid out for.
int DpiOf(HWND window) noexcept;
// The DPI of the monitor nearest to a point, for windows not created yet.
int DpiAt(POINT point) noexcept;
// Keeps the dialog manager out of a dialog's DPI changes, so that the
// dialog's own handler alone lays it out: under per-monitor v2 the manager
// would otherwise resize it and its controls by its own rule.
void LeaveDpiChangesToDialog(HWND dialog) noexcept;
// AdjustWindowRectEx for the given DPI.
RECT WindowRectForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle,
                         int dpi) noexcept;

// A font of the given face and pixel height (at 96 DPI), scaled to `dpi`.
struct FontSpec {
    const wchar_t* face;
    int height96;
    bool bold = false;
    bool italic = false;
    bool underline = false;
};
HFONT CreateScaledFont(const FontSpec& spec, int dpi) noexcept;

} // namespace marovan::win
