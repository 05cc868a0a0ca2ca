#pragma once
// Where the running program file is.

#include <string>
#include <string_view>

namespace marovan::settings {

// The executable's full path, however long; throws Failure when the system
// cannot tell it.
std::wstring ExecutablePath();

// The folder part of a path, with its trailing separator ("C:\A\" for
// "C:\A\b.exe"); empty when the path has no folder part.
std::wstring FolderOf(std::wstring_view path);

} // namespace marovan::settings
