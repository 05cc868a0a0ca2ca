#pragma once
// Shortcut files (.lnk) through the shell's ShellLink object.

#include <string_view>

namespace marovan::win {

// Writes a shortcut at `linkPath` to `target`, started in `workingFolder`,
// replacing a file of that name. Only a ShellLink object that cannot be made
// is a failure ("<description>, ClassID: {...}"); whether the shortcut was
// really saved is not checked. COM must be initialised on this thread.
void SaveShellLink(std::wstring_view linkPath, std::wstring_view target,
                   std::wstring_view workingFolder);

} // namespace marovan::win
