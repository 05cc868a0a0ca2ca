#pragma once
// Base classes for the program's windows and dialogs. Each window is one C++
// object; `this` is attached at WM_NCCREATE (windows) or WM_INITDIALOG
// (dialogs) and messages go to the object's own handlers. No exception leaves
// a window procedure: a Failure ends the handler and shows the general error
// report, as does anything unexpected.
//
// The base keeps the plumbing every window shares: the DPI the window is laid
// out for, the move to the rectangle Windows suggests when that DPI changes
// (then OnDpiChanged, for the window's own layout), and the making of child
// controls.

#include "platform/Dpi.h"

#include <windows.h>

#include <string>

namespace marovan::win {

class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND hwnd() const noexcept { return hwnd_; }
    // The DPI the window is laid out for: its monitor's when it was created,
    // then the one each WM_DPICHANGED names (set before any handler runs).
    int dpi() const noexcept { return dpi_; }

protected:
    // Registers a window class of this program once; its procedure routes to
    // the object given to Create.
    static void RegisterWindowClass(const wchar_t* className, HBRUSH background, HICON icon,
                                    HICON smallIcon,
                                    HCURSOR cursor = ::LoadCursorW(nullptr, IDC_ARROW));
    // Creates the window with `this` attached; throws Failure when it cannot.
    void Create(const wchar_t* className, const wchar_t* title, DWORD style, DWORD exStyle, int x,
                int y, int width, int height, HWND parent);

    // The default is Default.
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // What the base does with a message the window leaves to it: WM_DPICHANGED
    // takes the suggested rectangle and then calls OnDpiChanged; everything
    // else goes to DefWindowProc.
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);
    // The window has just taken its rectangle for `dpi` (which dpi() already
    // gives): make fonts and pictures for it and lay out again. Does nothing
    // by default.
    virtual void OnDpiChanged(int dpi);

    // A visible child control of this window (WS_CHILD | WS_VISIBLE added),
    // placed later by the layout; throws Failure when it cannot be made.
    HWND CreateControl(const wchar_t* className, const wchar_t* text, DWORD style, int id,
                       DWORD exStyle = 0) const;
    // A layout value written at 96 DPI, for this window's DPI.
    int Scaled(int value96) const noexcept { return Scale(value96, dpi_); }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
    int dpi_ = kDefaultDpi;
};

class Dialog {
public:
    Dialog() = default;
    virtual ~Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    HWND hwnd() const noexcept { return hwnd_; }
    // As Window::dpi: the dialog's DPI from WM_INITDIALOG on.
    int dpi() const noexcept { return dpi_; }

protected:
    // Shows the dialog modally, owned by `owner`, and returns what End gave.
    // The dialog has no controls of its own template: OnInit creates them.
    // When OnInit fails, its failure has been reported and the result is -1;
    // when the dialog cannot be shown at all, throws Failure.
    INT_PTR RunModal(HWND owner, const wchar_t* caption, DWORD style, DWORD exStyle);
    void End(INT_PTR result) noexcept { ::EndDialog(hwnd_, result); }

    virtual void OnInit() = 0;
    // Returns true when the message was handled; `result` is then the value
    // the dialog procedure returns (DWLP_MSGRESULT is set for you). A
    // WM_DPICHANGED left unhandled is the base's, as for Window, and so is a
    // WM_GETDPISCALEDSIZE once SizeClientAndCentre has given the size.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // As Window::OnDpiChanged.
    virtual void OnDpiChanged(int dpi);

    // Gives the dialog a client area of the given size at 96 DPI, scaled to
    // the dialog's DPI, centred on its owner. The size is kept: on a move to
    // a monitor of another DPI the frame Windows suggests holds that client
    // area scaled to the new DPI exactly (per-monitor v2 asks for it with
    // WM_GETDPISCALEDSIZE; otherwise it scales the whole frame).
    void SizeClientAndCentre(int width96, int height96);

    // As Window::CreateControl, for this dialog.
    HWND CreateControl(const wchar_t* className, const wchar_t* text, DWORD style, int id,
                       DWORD exStyle = 0) const;
    int Scaled(int value96) const noexcept { return Scale(value96, dpi_); }

private:
    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void TakeDpiChange(const RECT& suggested);
    bool SizeForDpi(int dpi, SIZE& size) const noexcept;
    HWND hwnd_ = nullptr;
    int dpi_ = kDefaultDpi;
    bool initFailed_ = false;
    SIZE client96_{};
};

// A window's text (a control's caption).
std::wstring WindowText(HWND window);

// Centres `window` on `over` (another window's rectangle), kept inside the
// work area of the monitor nearest to `over`.
void CentreOn(HWND window, const RECT& over) noexcept;

// `window`'s rectangle moved into `work`, and shrunk to it where it is larger,
// though never below `minimum`; what is still larger keeps its top left
// corner at the work area's.
RECT FittedInto(const RECT& window, const RECT& work, SIZE minimum) noexcept;

// Keeps `window` inside the work area of its nearest monitor, as FittedInto
// says, with the smallest size the window itself accepts (WM_GETMINMAXINFO).
void KeepInWorkArea(HWND window) noexcept;

// Runs `handler` and reports any exception it throws through the general
// error report, owned by `owner`. For code that Windows calls back.
template <typename Handler> bool Guarded(HWND owner, Handler&& handler) noexcept;

void ReportCurrentException(HWND owner) noexcept;

template <typename Handler> bool Guarded(HWND owner, Handler&& handler) noexcept {
    try {
        handler();
        return true;
    } catch (...) {
        ReportCurrentException(owner);
        return false;
    }
}

} // namespace marovan::win
