#pragma once
// The program's message boxes: one OK button, which Esc and the close box
// also answer, centred on the work area of the monitor nearest to the owner.

#include "base/MessageKind.h"

#include <windows.h>

#include <string_view>

namespace marovan::win {

inline constexpr wchar_t kApplicationTitle[] = L"Marovan";

// An error box ("エラー", error icon) or an information box ("情報").
void ShowMessageBox(HWND owner, MessageKind kind, std::u16string_view text) noexcept;

// The general error report: caption "Marovan", stop icon, the message with
// its full stop.
void ReportFailure(HWND owner, std::u16string_view message) noexcept;

} // namespace marovan::win
