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

// Identifies the file a path names, through links and other spellings.
std::optional<BY_HANDLE_FILE_INFORMATION> FileIdentity(const std::wstring& path) noexcept {
    const UniqueFile file(::CreateFileW(
        path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || ::GetFileType(file.get()) != FILE_TYPE_DISK ||
        !::GetFileInformationByHandle(file.get(), &info))
        return std::nullopt;
    return info;
}

// The path that copying `source` into `folder` gives.
std::wstring TargetIn(std::wstring_view folder, std::wstring_view source) {
    return Wide(JoinPath(View(folder), FileNameOf(View(source))));
}

bool SameFile(const std::wstring& a, const std::wstring& b) noexcept {
    const auto first = FileIdentity(a);
    const auto second = first ? FileIdentity(b) : std::nullopt;
    return second && first->dwVolumeSerialNumber == second->dwVolumeSerialNumber &&
           first->nFileIndexHigh == second->nFileIndexHigh &&
           first->nFileIndexLow == second->nFileIndexLow;
}

bool IsFolder(const std::wstring& path) noexcept {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

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

// Source and destination strings of SHFileOperationW end in two NULs.
std::wstring DoubleNulTerminated(std::wstring_view text) {
    std::wstring result(text);
    result.append(2, L'\0');
    return result;
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

bool CopyIntoFolder(HWND owner, std::wstring_view source, std::wstring_view folder) noexcept {
    try {
        // Given a folder that is gone, the shell would make a file of its name.
        const std::wstring destination(folder);
        if (!IsFolder(destination))
            return false;
        // The shell would refuse with a box of its own, or empty the file.
        const std::wstring target = TargetIn(destination, source);
        // (Opening both files costs; a target that is not there is no question.)
        if (::GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES &&
            SameFile(std::wstring(source), target))
            return true;
        const std::wstring from = DoubleNulTerminated(source);
        const std::wstring to = DoubleNulTerminated(folder);
        SHFILEOPSTRUCTW operation{};
        operation.hwnd = owner;
        operation.wFunc = FO_COPY;
        operation.pFrom = from.c_str();
        operation.pTo = to.c_str();
        operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_FILESONLY;
        return ::SHFileOperationW(&operation) == 0 && !operation.fAnyOperationsAborted &&
               IsRegularFile(target);
    } catch (...) {
        return false; // no memory for the strings: the copy is not made
    }
}

void OpenInShell(HWND owner, std::wstring_view target, int showCommand) noexcept {
    try {
        const std::wstring file(target);
        ::ShellExecuteW(owner, L"open", file.c_str(), nullptr, nullptr, showCommand);
    } catch (...) {
    }
}

} // namespace marovan::win
