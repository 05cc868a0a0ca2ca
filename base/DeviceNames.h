#pragma once
// Paths in a document are untrusted: some name devices, not files. Opening a
// console or a serial port can block forever, and a raw device is no image.

#include <string_view>

namespace marovan {

// True when the path's last component is a reserved device name (CON, PRN,
// AUX, NUL, COM1-COM9, LPT1-LPT9, CONIN$, CONOUT$), with or without an
// extension, trailing blanks or a folder before it; or when the path is in the
// device namespace (\\.\ or \\?\GLOBALROOT).
bool NamesDevice(std::u16string_view path) noexcept;

} // namespace marovan
