#pragma once
// Shortcut files (.lnk) through the shell's ShellLink object.

#include <string_view>

namespace marovan::win {

// Writes a shortcut at `linkPath` to `target`, started in `workingFolder`,
// replacing a file of that name. A ShellLink object that cannot be made is a
// failure ("<description>, ClassID: {...}"), and so is a shortcut that cannot
// be saved ("<path> に書き込めません：<reason>"). COM must be initialised on
// this thread.
void SaveShellLink(std::wstring_view linkPath, std::wstring_view target,
                   std::wstring_view workingFolder);

} // namespace marovan::win
