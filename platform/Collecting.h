#pragma once
// The file operations that collecting images into a folder rests on, each
// without any dialog of the shell's except the one that keeps a file from
// being destroyed for good.

#include "base/FileFacts.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string_view>

namespace marovan::win {

// The size and last-write time of an existing regular file, read without
// opening it where the path is no link. Nothing for a folder, a device or a
// path that names none.
std::optional<FileFacts> FactsOf(std::wstring_view path) noexcept;
// The identity of an existing regular file, which takes opening it. Nothing
// for a folder, a device or a path that names none.
std::optional<FileIdentity> IdentityOf(std::wstring_view path) noexcept;

// Whether two file names name one file in a folder: ordinal comparison
// without case, as the file system compares them.
bool SameFileName(std::wstring_view a, std::wstring_view b) noexcept;
// The order of file names by the same comparison: negative, zero or positive.
int CompareFileNames(std::wstring_view a, std::wstring_view b) noexcept;

// Copies `source` to `target`, which must not exist yet, keeping its
// last-write time. `whileCopying` is called as the copy goes on, so a long
// copy keeps the window alive. ERROR_SUCCESS, or the system's error code.
DWORD CopyNewFile(std::wstring_view source, std::wstring_view target,
                  const std::function<void()>& whileCopying) noexcept;

// Asks `question` on a thread of its own and waits at most `patience`
// milliseconds for its answer, with `whileWaiting` called meanwhile, so that
// a share whose host does not answer cannot hold the window for long. Nothing
// when the time ran out; the question is then left to finish on its own.
std::optional<bool> AskWithin(std::function<bool()> question, DWORD patience,
                              const std::function<void()>& whileWaiting);

// The system's error code nearest to what the shell's file operation
// returned. Some of its values are the shell's own codes, older than the
// system's, which the same numbers mean something else; those are turned
// into the system's code of that meaning, and a value the shell does not
// explain into a failure without a known cause. Any other value is the
// system's code already.
DWORD ShellOperationError(int result) noexcept;

// Moves a file to the Recycle Bin. Where the file would be destroyed for good
// instead, the shell asks the user first.
enum class Recycled { Yes, Declined, Failed };
struct RecycleResult {
    Recycled result;
    DWORD error = ERROR_SUCCESS; // when it failed
};
RecycleResult MoveToRecycleBin(HWND owner, std::wstring_view path) noexcept;

} // namespace marovan::win
