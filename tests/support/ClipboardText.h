#pragma once
// Reading back what a test put on the clipboard, or had the program put there.

#include <windows.h>

#include <string>

namespace marovan::test {

// The clipboard's Unicode text; "(cannot open)" when another window holds
// the clipboard, so that a comparison with any expected text fails.
inline std::wstring ClipboardText() {
    if (!::OpenClipboard(nullptr))
        return L"(cannot open)";
    std::wstring text;
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(::GlobalLock(data))) {
            text = chars;
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return text;
}

} // namespace marovan::test
