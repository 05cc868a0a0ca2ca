#include "platform/MessageBoxes.h"

#include "base/Failure.h"
#include "platform/Handles.h"
#include "platform/WinText.h"
#include "platform/Window.h"

#include <string>

namespace marovan::win {

namespace {

// MessageBoxW places its box itself; a hook moves it once it is about to be
// activated. One box at a time per thread, so one slot is enough.
thread_local HWND centreOwner = nullptr;
thread_local HHOOK centreHook = nullptr;

LRESULT CALLBACK CentreBoxHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        const HWND box = reinterpret_cast<HWND>(wParam);
        MONITORINFO monitor{};
        monitor.cbSize = sizeof(monitor);
        const HMONITOR nearest =
            ::MonitorFromWindow(centreOwner ? centreOwner : box, MONITOR_DEFAULTTOPRIMARY);
        if (::GetMonitorInfoW(nearest, &monitor))
            CentreOn(box, monitor.rcWork);
        const HHOOK hook = std::exchange(centreHook, nullptr);
        ::UnhookWindowsHookEx(hook);
        return 0;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void CentredMessageBox(HWND owner, std::wstring_view text, const wchar_t* caption,
                       UINT type) noexcept {
    centreOwner = owner;
    centreHook = ::SetWindowsHookExW(WH_CBT, &CentreBoxHook, nullptr, ::GetCurrentThreadId());
    const std::wstring message(text);
    ::MessageBoxW(owner, message.c_str(), caption, type | MB_OK);
    if (centreHook)
        ::UnhookWindowsHookEx(std::exchange(centreHook, nullptr));
}

} // namespace

void ShowMessageBox(HWND owner, MessageKind kind, std::u16string_view text) noexcept {
    try {
        if (kind == MessageKind::Error)
            CentredMessageBox(owner, View(text), L"エラー", MB_ICONERROR);
        else
            CentredMessageBox(owner, View(text), L"情報", MB_ICONINFORMATION);
    } catch (...) {
        // Out of memory for the text: nothing left to show it with.
    }
}

void ReportFailure(HWND owner, std::u16string_view message) noexcept {
    try {
        CentredMessageBox(owner, View(WithFullStop(message)), kApplicationTitle, MB_ICONSTOP);
    } catch (...) {
    }
}

} // namespace marovan::win
