#pragma once
// The start-up runs a command line asks for: one per argument.

#include <string>
#include <string_view>
#include <vector>

namespace marovan {

// The number of arguments after the program name. Characters with codes 1 to
// 32 separate arguments; a double quote opens a stretch, closed by the next
// one, inside which they belong to the argument (the quotes themselves do
// not); two double quotes where an argument would begin are skipped; there is
// no escape character. Counting stops at the first argument whose value is
// empty (a lone quote at the end), and at a NUL.
int CountArguments(std::u16string_view commandLine);

// The arguments themselves, by the same rules, without their quotes.
std::vector<std::u16string> ArgumentValues(std::u16string_view commandLine);

} // namespace marovan
