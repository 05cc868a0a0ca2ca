#pragma once
// How a value of the settings file is read: an integer, true when not zero.

#include <cstdint>
#include <optional>
#include <string_view>

namespace marovan::settings {

// Leading blanks, an optional sign, then decimal digits, or hexadecimal digits
// after "$", "x" or "0x" (x in either case). Nothing may follow the digits and
// the value must fit a 32-bit signed integer; otherwise there is no integer.
std::optional<std::int32_t> ParseIniInteger(std::u16string_view text) noexcept;

// A value without an integer (empty, a word, trailing characters, too large)
// reads as false, like a missing one.
bool IniValueIsTrue(std::u16string_view text) noexcept;

} // namespace marovan::settings
