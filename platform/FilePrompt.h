#pragma once
// The file-open prompt. It remembers the last path chosen in it, and starts
// there next time.

#include <windows.h>

#include <commdlg.h>

#include <optional>
#include <string>

namespace marovan::win {

// The system's prompt and the function that tells its errors from a cancel;
// tests stand in for them.
struct FilePromptSystem {
    BOOL(WINAPI* open)(OPENFILENAMEW*) = &::GetOpenFileNameW;
    DWORD(WINAPI* extendedError)() = &::CommDlgExtendedError;
};

class FilePrompt {
public:
    using System = FilePromptSystem;

    // `filter` is in the "name|patterns" form, entries separated by "|".
    FilePrompt(std::wstring title, std::wstring filter, System system = {})
        : title_(std::move(title))
        , filter_(std::move(filter))
        , system_(system) {}

    // The chosen path, or nothing when cancelled. A typed name is accepted
    // without checking that the file exists. Throws Failure, naming the
    // system's error code, when the prompt fails. The process's current
    // folder is the same afterwards as before.
    std::optional<std::wstring> Show(HWND owner);

private:
    std::wstring title_;
    std::wstring filter_;
    System system_;
    std::wstring lastPath_;
};

} // namespace marovan::win
