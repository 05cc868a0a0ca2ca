#include "platform/Dpi.h"

#include "platform/Handles.h"

#include <shellscalingapi.h>

#include <cwchar>

namespace marovan::win {

namespace {

template <typename Function> Function Lookup(const wchar_t* module, const char* name) noexcept {
    HMODULE handle = ::GetModuleHandleW(module);
    if (!handle)
        handle = ::LoadLibraryExW(module, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return handle
               ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(handle, name)))
               : nullptr;
}

using SetContextFn = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, MONITOR_DPI_TYPE, UINT*, UINT*);

int SystemDpi() noexcept {
    const WindowDc screen(nullptr);
    const int dpi = screen.get() ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : kDefaultDpi;
    return dpi > 0 ? dpi : kDefaultDpi;
}

int MonitorDpi(HMONITOR monitor) noexcept {
    static const auto getDpiForMonitor =
        Lookup<GetDpiForMonitorFn>(L"shcore.dll", "GetDpiForMonitor");
    UINT x = 0, y = 0;
    if (getDpiForMonitor && monitor &&
        SUCCEEDED(getDpiForMonitor(monitor, MDT_EFFECTIVE_DPI, &x, &y)) && y > 0)
        return static_cast<int>(y);
    return SystemDpi();
}

} // namespace

void EnableDpiAwareness() noexcept {
    if (const auto setContext =
            Lookup<SetContextFn>(L"user32.dll", "SetProcessDpiAwarenessContext")) {
        if (setContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2) ||
            setContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE))
            return;
    }
    using SetAwarenessFn = HRESULT(WINAPI*)(PROCESS_DPI_AWARENESS);
    if (const auto setAwareness = Lookup<SetAwarenessFn>(L"shcore.dll", "SetProcessDpiAwareness")) {
        if (SUCCEEDED(setAwareness(PROCESS_PER_MONITOR_DPI_AWARE)))
            return;
    }
    ::SetProcessDPIAware();
}

void LeaveDpiChangesToDialog(HWND dialog) noexcept {
    // Windows 10 1703 and later. Wine has neither the function nor per-monitor
    // v2, so there the manager never steps in and the look-up simply fails.
    using SetDialogBehaviourFn =
        BOOL(WINAPI*)(HWND, DIALOG_DPI_CHANGE_BEHAVIORS, DIALOG_DPI_CHANGE_BEHAVIORS);
    static const auto setBehaviour =
        Lookup<SetDialogBehaviourFn>(L"user32.dll", "SetDialogDpiChangeBehavior");
    if (setBehaviour)
        setBehaviour(dialog, DDC_DISABLE_ALL, DDC_DISABLE_ALL);
}

int DpiOf(HWND window) noexcept {
    static const auto getDpiForWindow = Lookup<GetDpiForWindowFn>(L"user32.dll", "GetDpiForWindow");
    if (getDpiForWindow && window) {
        if (const UINT dpi = getDpiForWindow(window))
            return static_cast<int>(dpi);
    }
    return window ? MonitorDpi(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST)) : SystemDpi();
}

int DpiAt(POINT point) noexcept {
    return MonitorDpi(::MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST));
}

RECT WindowRectForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle,
                         int dpi) noexcept {
    static const auto adjustForDpi =
        Lookup<AdjustForDpiFn>(L"user32.dll", "AdjustWindowRectExForDpi");
    RECT rect{0, 0, clientWidth, clientHeight};
    if (!adjustForDpi || !adjustForDpi(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi)))
        ::AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    return rect;
}

namespace {

int CALLBACK NoteFontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool FontInstalled(const wchar_t* face) noexcept {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
    bool found = false;
    const WindowDc screen(nullptr);
    if (screen.get())
        ::EnumFontFamiliesExW(screen.get(), &wanted, &NoteFontFound,
                              reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

// The Japanese faces the program names, and what stands in for them where
// they are not installed: a font linked in by the system draws the glyphs,
// but its bold is hardly bolder.
const wchar_t* FaceFor(const wchar_t* face) noexcept {
    struct Substitute {
        const wchar_t* face;
        const wchar_t* standIn;
    };
    static constexpr Substitute kSubstitutes[] = {
        {L"ＭＳ ゴシック", L"Noto Sans Mono CJK JP"},
        {L"ＭＳ Ｐゴシック", L"Noto Sans CJK JP"},
        {L"メイリオ", L"Noto Sans CJK JP"},
    };
    for (const Substitute& s : kSubstitutes)
        if (wcscmp(face, s.face) == 0 && !FontInstalled(face) && FontInstalled(s.standIn))
            return s.standIn;
    return face;
}

} // namespace

HFONT CreateScaledFont(const FontSpec& spec, int dpi) noexcept {
    return ::CreateFontW(-Scale(spec.height96, dpi), 0, 0, 0, spec.bold ? FW_BOLD : FW_NORMAL,
                         spec.italic, spec.underline, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                         FaceFor(spec.face));
}

} // namespace marovan::win
