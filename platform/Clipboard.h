#pragma once
// Text for other programs through the clipboard.

#include <windows.h>

#include <string_view>

namespace marovan::win {

// Puts `text` on the clipboard as Unicode text, in place of what was there,
// with `owner` as the clipboard's owner. Throws SystemError when the
// clipboard cannot be opened or take the text.
void PutTextOnClipboard(HWND owner, std::wstring_view text);

} // namespace marovan::win
