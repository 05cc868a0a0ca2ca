#pragma once
// The file-open prompt. It remembers the last path chosen in it, and starts
// there next time unless it is given a path to start on.

#include <windows.h>

#include <commdlg.h>

#include <optional>
#include <string>
#include <string_view>

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
    // folder is the same afterwards as before. A full path in `start` opens
    // the prompt in its folder with its file name filled in.
    std::optional<std::wstring> Show(HWND owner, std::wstring_view start = {});

private:
    std::wstring title_;
    std::wstring filter_;
    System system_;
    std::wstring lastPath_;
};

// The save prompt, owned by `owner`, opened in `folder` with `name` filled
// in; `filter` as for FilePrompt, `extension` added to a name typed without
// one. An existing file is replaced only once the user has agreed. The chosen
// path, or nothing when cancelled; throws Failure when the prompt fails. The
// process's current folder is the same afterwards as before.
std::optional<std::wstring> PromptSavePath(HWND owner, std::wstring_view folder,
                                           std::wstring_view name, std::wstring_view filter,
                                           const wchar_t* extension);

} // namespace marovan::win
