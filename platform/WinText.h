#pragma once
// The core speaks char16_t; Windows speaks wchar_t. On Windows both are
// UTF-16 code units, so conversion is a copy.

#include <string>
#include <string_view>

namespace marovan::win {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t must be UTF-16");

inline std::wstring_view View(std::u16string_view text) noexcept {
    return {reinterpret_cast<const wchar_t*>(text.data()), text.size()};
}
inline std::u16string_view View(std::wstring_view text) noexcept {
    return {reinterpret_cast<const char16_t*>(text.data()), text.size()};
}
inline std::wstring Wide(std::u16string_view text) {
    return std::wstring(View(text));
}
inline std::u16string U16(std::wstring_view text) {
    return std::u16string(View(text));
}

// The system's description of an error code, as FormatMessage gives it.
std::wstring SystemMessage(unsigned long code);

} // namespace marovan::win
