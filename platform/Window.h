#pragma once
// Base classes for the program's windows and dialogs. Each window is one C++
// object; `this` is attached at WM_NCCREATE (windows) or WM_INITDIALOG
// (dialogs) and messages go to the object's own handlers. No exception leaves
// a window procedure: a Failure ends the handler and shows the general error
// report, as does anything unexpected.

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

protected:
    // Registers a window class of this program once; its procedure routes to
    // the object given to Create.
    static void RegisterWindowClass(const wchar_t* className, HBRUSH background, HICON icon,
                                    HICON smallIcon,
                                    HCURSOR cursor = ::LoadCursorW(nullptr, IDC_ARROW));
    // Creates the window with `this` attached; throws Failure when it cannot.
    void Create(const wchar_t* className, const wchar_t* title, DWORD style, DWORD exStyle, int x,
                int y, int width, int height, HWND parent);

    // The default is DefWindowProc.
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) {
        return ::DefWindowProcW(hwnd_, message, wParam, lParam);
    }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
};

class Dialog {
public:
    Dialog() = default;
    virtual ~Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    HWND hwnd() const noexcept { return hwnd_; }

protected:
    // Shows the dialog modally, owned by `owner`, and returns what End gave.
    // The dialog has no controls of its own template: OnInit creates them.
    INT_PTR RunModal(HWND owner, const wchar_t* caption, DWORD style, DWORD exStyle);
    void End(INT_PTR result) noexcept { ::EndDialog(hwnd_, result); }

    virtual void OnInit() = 0;
    // Returns true when the message was handled; `result` is then the value
    // the dialog procedure returns (DWLP_MSGRESULT is set for you).
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Gives the dialog a client area of the given size at 96 DPI, scaled to
    // the dialog's DPI, centred on its owner.
    void SizeClientAndCentre(int width96, int height96);

private:
    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
};

// Centres `window` on `over` (another window's rectangle), kept inside the
// work area of the monitor nearest to `over`.
void CentreOn(HWND window, const RECT& over) noexcept;

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
