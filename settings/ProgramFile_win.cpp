#include "settings/ProgramFile.h"

#include "base/Failure.h"
#include "base/Paths.h"
#include "platform/WinText.h"

#include <windows.h>

namespace marovan::settings {

namespace {
constexpr std::size_t kLongestPath = 32768;
}

std::wstring ExecutablePath() {
    // The path may exceed MAX_PATH; a result that fills the buffer is cut off.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            throw Failure(win::U16(win::SystemMessage(::GetLastError())));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() > kLongestPath)
            throw Failure(win::U16(win::SystemMessage(ERROR_FILENAME_EXCED_RANGE)));
        path.resize(path.size() * 2);
    }
}

std::wstring FolderOf(std::wstring_view path) {
    return win::Wide(FolderPartOf(win::View(path)));
}

} // namespace marovan::settings
