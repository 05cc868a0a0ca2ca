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

namespace {

// Shows the open or the save prompt that `system` names, set up by `ofn`,
// with `initial` in its path buffer: a path there is where the prompt
// starts, its folder shown and its name in the name box. The current folder
// is the same afterwards as before. The chosen path; nothing after a cancel
// or the close box; any other end is an error.
std::optional<std::wstring> ShowPrompt(OPENFILENAMEW ofn, std::wstring_view initial,
                                       std::wstring_view filter, FilePromptSystem system) {
    const std::wstring systemFilter = SystemFilter(filter);
    std::vector<wchar_t> file(32768, L'\0');
    std::copy_n(initial.begin(), std::min(initial.size(), file.size() - 1), file.begin());
    ofn.lStructSize = sizeof(ofn);
    ofn.lpstrFilter = systemFilter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.Flags |= OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;
    BOOL chosen = FALSE;
    {
        const CurrentFolderKept currentFolder;
        chosen = system.open(&ofn);
    }
    if (!chosen) {
        if (const DWORD error = system.extendedError())
            throw Failure(PromptFailure(error));
        return std::nullopt;
    }
    return std::wstring(file.data());
}

} // namespace

std::optional<std::wstring> FilePrompt::Show(HWND owner, std::wstring_view start) {
    OPENFILENAMEW ofn{};
    ofn.hwndOwner = owner;
    ofn.lpstrTitle = title_.c_str();
    auto chosen =
        ShowPrompt(ofn, start.empty() ? std::wstring_view(lastPath_) : start, filter_, system_);
    if (chosen)
        lastPath_ = *chosen;
    return chosen;
}

std::optional<std::wstring> PromptSavePath(HWND owner, std::wstring_view folder,
                                           std::wstring_view name, std::wstring_view filter,
                                           const wchar_t* extension) {
    // A full path in the buffer opens the prompt in its folder: the initial
    // folder field alone may give way to the folder the user saved in last.
    std::wstring start(folder);
    if (!start.empty() && start.back() != L'\\' && start.back() != L'/')
        start += L'\\';
    start += name;
    OPENFILENAMEW ofn{};
    ofn.hwndOwner = owner;
    ofn.lpstrDefExt = extension;
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOREADONLYRETURN;
    return ShowPrompt(ofn, start, filter, {&::GetSaveFileNameW, &::CommDlgExtendedError});
}

} // namespace marovan::win
