#pragma once
// Where the program's file version sits in its version information, and the
// version line the About dialog makes of it. The string table is named after
// the first translation entry, language first, then code page, as eight
// upper-case hexadecimal digits.

#include <cstdint>
#include <string>
#include <string_view>

namespace marovan {

// `translation` is one entry of the translation table read as a 32-bit
// value: the language in the low 16 bits, the code page in the high 16 bits.
// 0x04E40409 gives u"040904E4".
std::u16string StringTableName(std::uint32_t translation);

// The query path of FileVersion in that table, e.g.
// u"\\StringFileInfo\\040904E4\\FileVersion".
std::u16string FileVersionQuery(std::uint32_t translation);

// How far the look-up of the file version got.
enum class VersionLookup {
    Found,                // FileVersion has a value
    NoVersionInformation, // the file carries no version information
    NoTranslation,        // the translation table is missing or empty
    NoFileVersion,        // the string table has no FileVersion value
};

// The version line as the dialog is laid out, kept when there is no
// FileVersion to show.
inline constexpr char16_t kVersionLineAsLaidOut[] = u"Version:0.0.0";

// The About dialog's version line for the look-up's outcome. Without a
// translation entry there is no string table to read, which to the user is
// the same as having no version information.
std::u16string VersionLine(VersionLookup lookup, std::u16string_view fileVersion);

} // namespace marovan
