#pragma once
// The file-open prompt. It remembers the last path chosen in it, and starts
// there next time.

#include <windows.h>

#include <optional>
#include <string>

namespace marovan::win {

class FilePrompt {
public:
    // `filter` is in the "name|patterns" form, entries separated by "|".
    FilePrompt(std::wstring title, std::wstring filter)
        : title_(std::move(title))
        , filter_(std::move(filter)) {}

    // The chosen path, or nothing when cancelled. A typed name is accepted
    // without checking that the file exists.
    std::optional<std::wstring> Show(HWND owner);

private:
    std::wstring title_;
    std::wstring filter_;
    std::wstring lastPath_;
};

} // namespace marovan::win
