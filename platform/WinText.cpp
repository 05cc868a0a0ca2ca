#include "platform/WinText.h"

#include <windows.h>

namespace marovan::win {

std::wstring SystemMessage(unsigned long code) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (length && buffer)
        text.assign(buffer, length);
    if (buffer)
        ::LocalFree(buffer);
    if (text.empty())
        text = L"System error " + std::to_wstring(code);
    return text;
}

} // namespace marovan::win
