#include "platform/Window.h"

#include "base/Failure.h"
#include "platform/Dpi.h"
#include "platform/MessageBoxes.h"
#include "platform/WinText.h"

#include <algorithm>
#include <new>
#include <utility>
#include <vector>

namespace marovan::win {

void ReportCurrentException(HWND owner) noexcept {
    try {
        throw;
    } catch (const Failure& failure) {
        ReportFailure(owner, failure.Message());
    } catch (const std::bad_alloc&) {
        ReportFailure(owner, U16(SystemMessage(ERROR_NOT_ENOUGH_MEMORY)));
    } catch (const std::exception& e) {
        std::string what = e.what();
        ReportFailure(owner, std::u16string(what.begin(), what.end()));
    } catch (...) {
        ReportFailure(owner, u"Unexpected failure");
    }
}

namespace {

HWND CreateChildOf(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int id,
                   DWORD exStyle) {
    const HWND child = ::CreateWindowExW(
        exStyle, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
    if (!child)
        throw Failure(U16(SystemMessage(::GetLastError())));
    return child;
}

void MoveTo(HWND window, const RECT& rect) noexcept {
    ::SetWindowPos(window, nullptr, rect.left, rect.top, rect.right - rect.left,
                   rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

Window::~Window() {
    if (hwnd_) {
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        ::DestroyWindow(std::exchange(hwnd_, nullptr));
    }
}

void Window::RegisterWindowClass(const wchar_t* className, HBRUSH background, HICON icon,
                                 HICON smallIcon, HCURSOR cursor) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    if (::GetClassInfoExW(instance, className, &wc))
        return;
    wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = &Window::Procedure;
    wc.hInstance = instance;
    wc.hIcon = icon;
    wc.hIconSm = smallIcon;
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    if (!::RegisterClassExW(&wc))
        throw Failure(U16(SystemMessage(::GetLastError())));
}

void Window::Create(const wchar_t* className, const wchar_t* title, DWORD style, DWORD exStyle,
                    int x, int y, int width, int height, HWND parent) {
    if (!::CreateWindowExW(exStyle, className, title, style, x, y, width, height, parent, nullptr,
                           ::GetModuleHandleW(nullptr), this))
        throw Failure(U16(SystemMessage(::GetLastError())));
}

LRESULT Window::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return Default(message, wParam, lParam);
}

LRESULT Window::Default(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DPICHANGED) {
        MoveTo(hwnd_, *reinterpret_cast<const RECT*>(lParam));
        OnDpiChanged(dpi_);
        return 0;
    }
    return ::DefWindowProcW(hwnd_, message, wParam, lParam);
}

void Window::OnDpiChanged(int) {}

HWND Window::CreateControl(const wchar_t* className, const wchar_t* text, DWORD style, int id,
                           DWORD exStyle) const {
    return CreateChildOf(hwnd_, className, text, style, id, exStyle);
}

LRESULT CALLBACK Window::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Window*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = window;
        self->dpi_ = DpiOf(window);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (!self)
        return ::DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_DPICHANGED)
        self->dpi_ = HIWORD(wParam);
    LRESULT result = 0;
    if (!Guarded(window, [&] { result = self->OnMessage(message, wParam, lParam); }))
        result = 0;
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

INT_PTR Dialog::RunModal(HWND owner, const wchar_t* caption, DWORD style, DWORD exStyle) {
    // An empty template: DLGTEMPLATE, then no menu, the default class and the
    // caption, each a WORD-aligned UTF-16 string.
    std::vector<WORD> memory(sizeof(DLGTEMPLATE) / sizeof(WORD) + 2 + wcslen(caption) + 1 + 2, 0);
    auto* tpl = reinterpret_cast<DLGTEMPLATE*>(memory.data());
    tpl->style = style;
    tpl->dwExtendedStyle = exStyle;
    WORD* tail = memory.data() + sizeof(DLGTEMPLATE) / sizeof(WORD);
    *tail++ = 0; // no menu
    *tail++ = 0; // default dialog class
    for (const wchar_t* c = caption; *c; ++c)
        *tail++ = static_cast<WORD>(*c);
    *tail = 0;
    initFailed_ = false;
    const INT_PTR result =
        ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), tpl, owner, &Dialog::Procedure,
                                  reinterpret_cast<LPARAM>(this));
    // A dialog whose OnInit failed has been reported, and ended with -1; the
    // last error means nothing then. Any other -1 is the system's refusal.
    if (result == -1 && !initFailed_)
        throw Failure(U16(SystemMessage(::GetLastError())));
    return result;
}

bool Dialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

void Dialog::OnDpiChanged(int) {}

void Dialog::TakeDpiChange(const RECT& suggested) {
    MoveTo(hwnd_, suggested);
    OnDpiChanged(dpi_);
}

HWND Dialog::CreateControl(const wchar_t* className, const wchar_t* text, DWORD style, int id,
                           DWORD exStyle) const {
    return CreateChildOf(hwnd_, className, text, style, id, exStyle);
}

bool Dialog::SizeForDpi(int dpi, SIZE& size) const noexcept {
    if (client96_.cx <= 0 || client96_.cy <= 0)
        return false;
    const RECT frame =
        WindowRectForClient(Scale(client96_.cx, dpi), Scale(client96_.cy, dpi),
                            static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_STYLE)),
                            static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)), dpi);
    size = {frame.right - frame.left, frame.bottom - frame.top};
    return true;
}

void Dialog::SizeClientAndCentre(int width96, int height96) {
    client96_ = {width96, height96};
    SIZE size{};
    SizeForDpi(dpi_, size);
    ::SetWindowPos(hwnd_, nullptr, 0, 0, size.cx, size.cy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT owner{};
    if (HWND ownerWindow = ::GetWindow(hwnd_, GW_OWNER);
        ownerWindow && ::GetWindowRect(ownerWindow, &owner))
        CentreOn(hwnd_, owner);
}

INT_PTR CALLBACK Dialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Dialog*>(::GetWindowLongPtrW(window, DWLP_USER));
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        self->hwnd_ = window;
        self->dpi_ = DpiOf(window);
        ::SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        LeaveDpiChangesToDialog(window);
        // A dialog whose controls cannot be made closes again; the report
        // has been made.
        if (!Guarded(window, [&] { self->OnInit(); })) {
            self->initFailed_ = true;
            ::EndDialog(window, -1);
        }
        return FALSE; // OnInit sets the focus itself
    }
    if (!self)
        return FALSE;
    if (message == WM_DPICHANGED)
        self->dpi_ = HIWORD(wParam);
    LRESULT result = 0;
    bool handled = false;
    Guarded(window, [&] {
        handled = self->OnMessage(message, wParam, lParam, result);
        if (!handled && message == WM_DPICHANGED) {
            self->TakeDpiChange(*reinterpret_cast<const RECT*>(lParam));
            handled = true;
        }
        if (!handled && message == WM_GETDPISCALEDSIZE &&
            self->SizeForDpi(static_cast<int>(wParam), *reinterpret_cast<SIZE*>(lParam))) {
            result = TRUE;
            handled = true;
        }
    });
    if (message == WM_NCDESTROY)
        self->hwnd_ = nullptr;
    if (!handled)
        return FALSE;
    // These few messages return their value directly, not via DWLP_MSGRESULT.
    if ((message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) ||
        message == WM_COMPAREITEM || message == WM_VKEYTOITEM || message == WM_CHARTOITEM ||
        message == WM_QUERYDRAGICON)
        return static_cast<INT_PTR>(result);
    ::SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
}

void CentreOn(HWND window, const RECT& over) noexcept {
    RECT own{};
    ::GetWindowRect(window, &own);
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromRect(&over, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    int x = over.left + (over.right - over.left - width) / 2;
    int y = over.top + (over.bottom - over.top - height) / 2;
    x = std::max<int>(work.left, std::min<int>(x, work.right - width));
    y = std::max<int>(work.top, std::min<int>(y, work.bottom - height));
    ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

// One side of FittedInto: a start and a length within [low, high).
void FitSpan(LONG& start, LONG& end, LONG low, LONG high, LONG minimum) noexcept {
    const LONG length = std::max(std::min(end - start, high - low), minimum);
    start = std::max(low, std::min(start, high - length));
    end = start + length;
}

} // namespace

RECT FittedInto(const RECT& window, const RECT& work, SIZE minimum) noexcept {
    RECT fitted = window;
    FitSpan(fitted.left, fitted.right, work.left, work.right, minimum.cx);
    FitSpan(fitted.top, fitted.bottom, work.top, work.bottom, minimum.cy);
    return fitted;
}

void KeepInWorkArea(HWND window) noexcept {
    RECT own{};
    if (!::GetWindowRect(window, &own))
        return;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor))
        return;
    // The system fills in its own minimum before it asks; the window may
    // raise it.
    MINMAXINFO limits{};
    limits.ptMinTrackSize = {::GetSystemMetrics(SM_CXMINTRACK), ::GetSystemMetrics(SM_CYMINTRACK)};
    ::SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    const RECT fitted =
        FittedInto(own, monitor.rcWork, {limits.ptMinTrackSize.x, limits.ptMinTrackSize.y});
    if (::EqualRect(&fitted, &own))
        return;
    ::SetWindowPos(window, nullptr, fitted.left, fitted.top, fitted.right - fitted.left,
                   fitted.bottom - fitted.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace marovan::win
