#include "platform/Shell.h"

#include "base/Paths.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/WinText.h"

#include <shellapi.h>
#include <shlobj.h>

#include <optional>

namespace marovan::win {

namespace {

struct FolderPromptState {
    HWND owner;
    std::wstring initialFolder;
};

int CALLBACK FolderPromptCallback(HWND dialog, UINT message, LPARAM, LPARAM data) {
    if (message != BFFM_INITIALIZED)
        return 0;
    const auto* state = reinterpret_cast<const FolderPromptState*>(data);
    if (!state->initialFolder.empty())
        ::SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE,
                       reinterpret_cast<LPARAM>(state->initialFolder.c_str()));
    // Centred on the whole of the monitor nearest to the owner (or to where the
    // system put the prompt when it has none).
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    const HMONITOR nearest =
        ::MonitorFromWindow(state->owner ? state->owner : dialog, MONITOR_DEFAULTTONEAREST);
    if (::GetMonitorInfoW(nearest, &monitor)) {
        RECT own{};
        ::GetWindowRect(dialog, &own);
        const RECT& area = monitor.rcMonitor;
        const int x = area.left + (area.right - area.left - (own.right - own.left)) / 2;
        const int y = area.top + (area.bottom - area.top - (own.bottom - own.top)) / 2;
        ::SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return 0;
}

} // namespace

std::wstring DesktopPath(HWND) {
    // The known-folder call, not the CSIDL one the documentation no longer
    // supports; the string is ours to free whether it succeeds or not.
    PWSTR raw = nullptr;
    const HRESULT result = ::SHGetKnownFolderPath(FOLDERID_Desktop, KF_FLAG_DEFAULT, nullptr, &raw);
    const UniqueCoTaskString path(raw);
    if (FAILED(result) || !path)
        return {};
    return path.get();
}

std::optional<std::wstring> BrowseForFolder(HWND owner, std::wstring_view prompt,
                                            std::wstring_view initialFolder) {
    FolderPromptState state{owner, std::wstring(initialFolder)};
    const std::wstring title(prompt);
    wchar_t displayName[MAX_PATH] = {};
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.pszDisplayName = displayName;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
    info.lpfn = &FolderPromptCallback;
    info.lParam = reinterpret_cast<LPARAM>(&state);
    const UniquePidl chosen(::SHBrowseForFolderW(&info));
    if (!chosen)
        return std::nullopt;
    // Long paths: SHGetPathFromIDListEx takes a buffer of any size.
    std::wstring path(32768, L'\0');
    if (!::SHGetPathFromIDListEx(chosen.get(), path.data(), static_cast<DWORD>(path.size()),
                                 GPFIDL_DEFAULT))
        return std::nullopt;
    path.resize(wcslen(path.c_str()));
    return path;
}

void OpenInShell(HWND owner, std::wstring_view target, int showCommand) noexcept {
    try {
        const std::wstring file(target);
        ::ShellExecuteW(owner, L"open", file.c_str(), nullptr, nullptr, showCommand);
    } catch (...) {
    }
}

} // namespace marovan::win
