#include "platform/FilePrompt.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

namespace marovan::win {

std::optional<std::wstring> FilePrompt::Show(HWND owner) {
    // The filter's "|" separators become the NULs the system expects.
    std::wstring filter = filter_;
    std::replace(filter.begin(), filter.end(), L'|', L'\0');
    filter.append(2, L'\0');

    std::vector<wchar_t> file(32768, L'\0');
    std::copy_n(lastPath_.begin(), std::min(lastPath_.size(), file.size() - 1), file.begin());

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrTitle = title_.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
    if (!::GetOpenFileNameW(&ofn))
        return std::nullopt;
    lastPath_ = file.data();
    return lastPath_;
}

} // namespace marovan::win
