#pragma once
// The Windows shell operations the program relies on, each wrapped once.

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace marovan::win {

// The file-system path of the user's desktop (empty when it has none). The
// owner is not needed any more; the parameter stays for the callers.
std::wstring DesktopPath(HWND owner);

// The folder prompt: file-system folders only, with an edit box and a button
// for a new folder, starting on `initialFolder` when it exists, centred on the
// monitor nearest to the owner. The chosen path, or nothing when cancelled.
std::optional<std::wstring> BrowseForFolder(HWND owner, std::wstring_view prompt,
                                            std::wstring_view initialFolder);

// ShellExecuteW "open" with no parameters and no working folder.
void OpenInShell(HWND owner, std::wstring_view target, int showCommand) noexcept;

} // namespace marovan::win
