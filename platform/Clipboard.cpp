#include "platform/Clipboard.h"

#include "base/Failure.h"
#include "platform/Handles.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace marovan::win {

namespace {

// The clipboard is one for the whole session: another program that has it
// open makes OpenClipboard fail for a moment, so it is tried a few times.
class OpenedClipboard {
public:
    explicit OpenedClipboard(HWND owner) {
        using namespace std::chrono_literals;
        for (int attempt = 0; attempt < 10; ++attempt) {
            if (::OpenClipboard(owner))
                return;
            std::this_thread::sleep_for(20ms);
        }
        throw SystemError(::GetLastError());
    }
    ~OpenedClipboard() { ::CloseClipboard(); }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
};

UniqueGlobal TextBlock(std::wstring_view text) {
    const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
    UniqueGlobal block(::GlobalAlloc(GMEM_MOVEABLE, bytes));
    if (!block)
        throw SystemError(::GetLastError());
    auto* chars = static_cast<wchar_t*>(::GlobalLock(block.get()));
    if (!chars)
        throw SystemError(::GetLastError());
    std::copy(text.begin(), text.end(), chars);
    chars[text.size()] = L'\0';
    ::GlobalUnlock(block.get());
    return block;
}

} // namespace

void PutTextOnClipboard(HWND owner, std::wstring_view text) {
    UniqueGlobal block = TextBlock(text);
    const OpenedClipboard clipboard(owner);
    if (!::EmptyClipboard())
        throw SystemError(::GetLastError());
    if (!::SetClipboardData(CF_UNICODETEXT, block.get()))
        throw SystemError(::GetLastError());
    // The system owns the memory now.
    block.release();
}

} // namespace marovan::win
