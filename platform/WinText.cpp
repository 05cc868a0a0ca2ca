#include "platform/WinText.h"

#include "platform/Handles.h"

#include <windows.h>

namespace marovan::win {

std::wstring SystemMessage(unsigned long code) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    // Owned before anything that can throw: the copy below may run out of memory.
    const UniqueLocal owned(buffer);
    std::wstring text;
    if (length && buffer)
        text.assign(buffer, length);
    if (text.empty())
        text = L"System error " + std::to_wstring(code);
    return text;
}

} // namespace marovan::win
