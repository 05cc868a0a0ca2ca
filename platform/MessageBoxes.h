#pragma once
// The program's message boxes: one OK button, which Esc and the close box
// also answer, centred on the work area of the monitor nearest to the owner.

#include "base/MessageKind.h"

#include <windows.h>

#include <string_view>

namespace marovan::win {

inline constexpr wchar_t kApplicationTitle[] = L"Marovan";

// Where a box stands among other programs' windows.
enum class BoxPlace {
    WithItsOwner,
    // Above every window: another program's window that opened just before
    // (a folder the shell opens) would otherwise come up over it, since the
    // foreground passes to that program when its window appears.
    OnTop,
};

// An error box ("エラー", error icon) or an information box ("情報").
void ShowMessageBox(HWND owner, MessageKind kind, std::u16string_view text,
                    BoxPlace place = BoxPlace::WithItsOwner) noexcept;

// The general error report: caption "Marovan", stop icon, the message with
// its full stop.
void ReportFailure(HWND owner, std::u16string_view message) noexcept;

} // namespace marovan::win
