#include "settings/SendTo.h"

#include "base/Failure.h"
#include "base/Text.h"
#include "platform/Handles.h"
#include "platform/ShellLink.h"
#include "platform/WinText.h"
#include "settings/ProgramFile.h"

#include <windows.h>

namespace marovan::sendto {

namespace {
constexpr wchar_t kShellFolders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr wchar_t kSendToValue[] = L"SendTo";
constexpr wchar_t kShortcutName[] = L"\\Marovan.lnk";
} // namespace

std::wstring SendToFolder(HRESULT* whyNone) {
    return SendToFolderWith(&::SHGetKnownFolderPath, whyNone);
}

std::wstring SendToFolderWith(KnownFolderLookup lookup, HRESULT* whyNone) {
    PWSTR raw = nullptr;
    const HRESULT result = lookup(FOLDERID_SendTo, KF_FLAG_DEFAULT, nullptr, &raw);
    // The string is the caller's to free whether the look-up succeeded or not.
    const win::UniqueCoTaskString path(raw);
    if (SUCCEEDED(result) && path && *path.get())
        return path.get();
    std::wstring folder = ShellFoldersSendTo();
    if (whyNone)
        *whyNone = FAILED(result) ? result : HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    return folder;
}

std::wstring ShellFoldersSendTo() {
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kShellFolders, 0, KEY_QUERY_VALUE, &opened) !=
        ERROR_SUCCESS)
        return {};
    const win::UniqueKey key(opened);
    // A REG_EXPAND_SZ value comes back expanded, as REG_SZ: a path to use.
    constexpr DWORD kTypes = RRF_RT_REG_SZ;
    DWORD bytes = 0;
    if (::RegGetValueW(key.get(), nullptr, kSendToValue, kTypes, nullptr, nullptr, &bytes) !=
        ERROR_SUCCESS)
        return {};
    // The value may grow between the two calls; then ask again.
    for (;;) {
        std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
        bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        const LSTATUS status =
            ::RegGetValueW(key.get(), nullptr, kSendToValue, kTypes, nullptr, text.data(), &bytes);
        if (status == ERROR_MORE_DATA)
            continue;
        if (status != ERROR_SUCCESS)
            return {};
        text.resize(bytes / sizeof(wchar_t));
        while (!text.empty() && text.back() == L'\0')
            text.pop_back();
        return text;
    }
}

std::wstring ShortcutPath(std::wstring_view sendToFolder) {
    return std::wstring(sendToFolder) + kShortcutName;
}

void ApplyAt(bool registered, std::wstring_view sendToFolder, std::wstring_view executable,
             HRESULT whyNoFolder) {
    if (sendToFolder.empty()) {
        if (!registered)
            return;
        if (SUCCEEDED(whyNoFolder))
            whyNoFolder = HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
        const std::wstring reason = win::SystemMessage(static_cast<unsigned long>(whyNoFolder));
        throw Failure(u"「送る」フォルダがありません：" +
                      std::u16string(TrimmedDescription(win::View(reason))));
    }
    const std::wstring shortcut = ShortcutPath(sendToFolder);
    if (registered) {
        win::SaveShellLink(shortcut, executable, settings::FolderOf(executable));
        return;
    }
    if (::DeleteFileW(shortcut.c_str()))
        return;
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return;
    throw Failure(win::U16(shortcut) + u" を削除できません：" +
                  std::u16string(TrimmedDescription(win::View(win::SystemMessage(error)))));
}

bool IsRegistered() {
    const std::wstring folder = SendToFolder();
    if (folder.empty())
        return false;
    const DWORD attributes = ::GetFileAttributesW(ShortcutPath(folder).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void Apply(bool registered) {
    HRESULT whyNone = S_OK;
    const std::wstring folder = SendToFolder(&whyNone);
    ApplyAt(registered, folder, settings::ExecutablePath(), whyNone);
}

} // namespace marovan::sendto
