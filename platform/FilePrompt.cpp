#include "platform/FilePrompt.h"

#include "base/Failure.h"
#include "platform/WinText.h"

#include <algorithm>
#include <cwchar>
#include <vector>

namespace marovan::win {

namespace {

// The open prompt leaves the process's current folder where it was showing:
// OFN_NOCHANGEDIR is documented as ineffective for GetOpenFileNameW, so it is
// not asked for (Wine honours it; Windows does not). A current folder keeps
// its folder in use (it cannot be deleted, a stick holding it cannot be
// ejected), so the one from before the prompt is put back, whatever happened.
class CurrentFolderKept {
public:
    CurrentFolderKept() {
        const DWORD length = ::GetCurrentDirectoryW(0, nullptr);
        if (length == 0)
            return;
        folder_.resize(length);
        const DWORD written =
            ::GetCurrentDirectoryW(static_cast<DWORD>(folder_.size()), folder_.data());
        folder_.resize(written < folder_.size() ? written : 0);
    }
    ~CurrentFolderKept() {
        if (!folder_.empty())
            ::SetCurrentDirectoryW(folder_.c_str());
    }
    CurrentFolderKept(const CurrentFolderKept&) = delete;
    CurrentFolderKept& operator=(const CurrentFolderKept&) = delete;

private:
    std::wstring folder_;
};

std::wstring SystemFilter(std::wstring_view filter) {
    // The filter's "|" separators become the NULs the system expects.
    std::wstring result(filter);
    std::replace(result.begin(), result.end(), L'|', L'\0');
    result.append(2, L'\0');
    return result;
}

std::u16string PromptFailure(DWORD code) {
    wchar_t hex[16] = {};
    std::swprintf(hex, std::size(hex), L"0x%04lX", static_cast<unsigned long>(code));
    return u"ファイルを選ぶ画面を開けません (共通ダイアログのエラー " + U16(hex) + u")";
}

} // namespace

std::optional<std::wstring> FilePrompt::Show(HWND owner, std::wstring_view start) {
    const std::wstring filter = SystemFilter(filter_);

    // A path in the buffer is where the prompt starts: its folder is shown,
    // its name is in the name box.
    const std::wstring_view initial = start.empty() ? std::wstring_view(lastPath_) : start;
    std::vector<wchar_t> file(32768, L'\0');
    std::copy_n(initial.begin(), std::min(initial.size(), file.size() - 1), file.begin());

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrTitle = title_.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;
    BOOL chosen = FALSE;
    {
        const CurrentFolderKept currentFolder;
        chosen = system_.open(&ofn);
    }
    if (!chosen) {
        // Zero after a cancel or the close box; anything else is an error.
        if (const DWORD error = system_.extendedError())
            throw Failure(PromptFailure(error));
        return std::nullopt;
    }
    lastPath_ = file.data();
    return lastPath_;
}

std::optional<std::wstring> PromptSavePath(HWND owner, std::wstring_view folder,
                                           std::wstring_view name, std::wstring_view filter,
                                           const wchar_t* extension) {
    const std::wstring systemFilter = SystemFilter(filter);
    // A full path in the buffer opens the prompt in its folder: the initial
    // folder field alone may give way to the folder the user saved in last.
    std::wstring start(folder);
    if (!start.empty() && start.back() != L'\\' && start.back() != L'/')
        start += L'\\';
    start += name;
    std::vector<wchar_t> file(32768, L'\0');
    std::copy_n(start.begin(), std::min(start.size(), file.size() - 1), file.begin());

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = systemFilter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrDefExt = extension;
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_OVERWRITEPROMPT |
                OFN_PATHMUSTEXIST | OFN_NOREADONLYRETURN;
    BOOL chosen = FALSE;
    {
        const CurrentFolderKept currentFolder;
        chosen = ::GetSaveFileNameW(&ofn);
    }
    if (!chosen) {
        if (const DWORD error = ::CommDlgExtendedError())
            throw Failure(PromptFailure(error));
        return std::nullopt;
    }
    return std::wstring(file.data());
}

} // namespace marovan::win
