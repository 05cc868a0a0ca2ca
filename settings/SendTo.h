#pragma once
// The program's shortcut "Marovan.lnk" in the user's Send To folder, which
// puts the program into the shell's "送る" menu.

#include <windows.h>

#include <shlobj.h>

#include <string>
#include <string_view>

namespace marovan::sendto {

// Creates the shortcut (to the running executable, started in its folder) or
// deletes it. Throws Failure, with the system's reason, when the shortcut
// cannot be made, saved or deleted. Needs COM on this thread.
void Apply(bool registered);

// Whether the shortcut is in the user's Send To folder now.
bool IsRegistered();

// The user's Send To folder as the shell knows it (FOLDERID_SendTo), or, when
// the shell cannot tell, the per-user "Shell Folders" value, which Windows
// keeps only for compatibility and which can be stale; empty when neither has
// one, and then `whyNone`, when given, holds the shell's reason.
std::wstring SendToFolder(HRESULT* whyNone = nullptr);

// SendToFolder with the shell's look-up given (SHGetKnownFolderPath's form).
using KnownFolderLookup = HRESULT(WINAPI*)(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR*);
std::wstring SendToFolderWith(KnownFolderLookup lookup, HRESULT* whyNone = nullptr);

// The "Shell Folders" value alone, read only; empty when the key or the value
// is missing.
std::wstring ShellFoldersSendTo();

// Apply for a given Send To folder and executable. Without a folder there is
// no shortcut to delete, and one to be made is a failure with `whyNoFolder`,
// the shell's reason: it must not land at the root of the current drive.
void ApplyAt(bool registered, std::wstring_view sendToFolder, std::wstring_view executable,
             HRESULT whyNoFolder = HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));

// The shortcut's place in a Send To folder.
std::wstring ShortcutPath(std::wstring_view sendToFolder);

} // namespace marovan::sendto
