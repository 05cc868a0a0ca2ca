#include "platform/MessageBoxes.h"

#include "base/Failure.h"
#include "platform/Handles.h"
#include "platform/WinText.h"
#include "platform/Window.h"

#include <string>
#include <utility>

namespace marovan::win {

namespace {

// MessageBoxW places its box itself; a CBT hook moves the box when it is about
// to be activated, and then lets go. Each box has its own: a box shown while
// another is up (from a message the first one's loop handles) stacks on it.
class BoxCentring {
public:
    explicit BoxCentring(HWND owner) noexcept
        : owner_(owner)
        , outer_(std::exchange(current_, this))
        , hook_(::SetWindowsHookExW(WH_CBT, &BoxCentring::Hook, nullptr, ::GetCurrentThreadId())) {}
    ~BoxCentring() {
        hook_.reset();
        current_ = outer_;
    }
    BoxCentring(const BoxCentring&) = delete;
    BoxCentring& operator=(const BoxCentring&) = delete;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) noexcept {
        const LRESULT next = ::CallNextHookEx(nullptr, code, wParam, lParam);
        BoxCentring* self = current_;
        if (code == HCBT_ACTIVATE && self && self->hook_) {
            self->Centre(reinterpret_cast<HWND>(wParam));
            self->hook_.reset();
        }
        return next;
    }

    // On the work area of the monitor nearest to the owner, or to where the
    // system put the box when it has none.
    void Centre(HWND box) const noexcept {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof(monitor);
        const HMONITOR nearest =
            ::MonitorFromWindow(owner_ ? owner_ : box, MONITOR_DEFAULTTONEAREST);
        if (::GetMonitorInfoW(nearest, &monitor))
            CentreOn(box, monitor.rcWork);
    }

    static thread_local BoxCentring* current_;
    HWND owner_;
    BoxCentring* outer_;
    UniqueHook hook_;
};

thread_local BoxCentring* BoxCentring::current_ = nullptr;

// Throws when there is no memory for the text.
void CentredMessageBox(HWND owner, std::wstring_view text, const wchar_t* caption, UINT type) {
    const std::wstring message(text);
    const BoxCentring centring(owner);
    ::MessageBoxW(owner, message.c_str(), caption, type | MB_OK);
}

// What is left to say when the text of a box could not be made: the system's
// own words for it, from a buffer that needs no allocation.
void ShowOutOfMemoryBox(HWND owner, const wchar_t* caption, UINT type) noexcept {
    wchar_t text[512] = {};
    if (!::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                          ERROR_NOT_ENOUGH_MEMORY, 0, text, static_cast<DWORD>(std::size(text)),
                          nullptr))
        return;
    const BoxCentring centring(owner);
    ::MessageBoxW(owner, text, caption, type | MB_OK);
}

} // namespace

void ShowMessageBox(HWND owner, MessageKind kind, std::u16string_view text,
                    BoxPlace place) noexcept {
    const bool error = kind == MessageKind::Error;
    const wchar_t* caption = error ? L"エラー" : L"情報";
    const UINT type = (error ? MB_ICONERROR : MB_ICONINFORMATION) |
                      (place == BoxPlace::OnTop ? MB_TOPMOST | MB_SETFOREGROUND : 0);
    try {
        CentredMessageBox(owner, View(text), caption, type);
    } catch (...) {
        ShowOutOfMemoryBox(owner, caption, type);
    }
}

void ReportFailure(HWND owner, std::u16string_view message) noexcept {
    try {
        CentredMessageBox(owner, View(WithFullStop(message)), kApplicationTitle, MB_ICONSTOP);
    } catch (...) {
        ShowOutOfMemoryBox(owner, kApplicationTitle, MB_ICONSTOP);
    }
}

} // namespace marovan::win
