#pragma once
// The About dialog's rights line and contact addresses, kept in this one
// place. The addresses are placeholders until the program has real ones.

namespace marovan {

inline constexpr wchar_t kRightsLine[] = L"(C) 2026 Marovan developers";
inline constexpr wchar_t kContactMail[] = L"marovan@example.com";
inline constexpr wchar_t kWebPage[] = L"https://example.com/marovan/";

} // namespace marovan
