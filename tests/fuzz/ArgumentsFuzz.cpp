// Command lines through CountArguments: relations between the counts of
// related lines, which hold whatever the line is.

#include "main/Arguments.h"
#include "tests/fuzz/FuzzCheck.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

namespace {

using marovan::CountArguments;

bool IsSeparator(char16_t c) {
    return c >= 1 && c <= 32;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One unit per byte: every unit the rules tell apart (NUL, separators,
    // the double quote) is a byte value.
    const std::u16string line(data, data + size);
    const int count = CountArguments(line);

    const std::u16string_view beforeNul = std::u16string_view(line).substr(0, line.find(u'\0'));
    const auto nonSeparators = std::count_if(beforeNul.begin(), beforeNul.end(),
                                             [](char16_t c) { return !IsSeparator(c); });
    FUZZ_CHECK(count >= 0);
    FUZZ_CHECK(count <= nonSeparators);
    // Each counted argument and the program name before it start with a
    // character that is not a separator.
    if (count > 0)
        FUZZ_CHECK(count + 1 <= nonSeparators);
    FUZZ_CHECK(CountArguments(beforeNul) == count);

    // All separators are alike.
    std::u16string spaced(beforeNul);
    std::replace_if(spaced.begin(), spaced.end(), IsSeparator, u' ');
    FUZZ_CHECK(CountArguments(spaced) == count);

    // The rest holds only outside a quoted stretch, that is after an even
    // number of quotes.
    if (std::count(beforeNul.begin(), beforeNul.end(), u'"') % 2 != 0)
        return 0;
    const std::u16string body(beforeNul);
    const char16_t separator = size > 0 ? static_cast<char16_t>(1 + data[0] % 32) : u' ';
    FUZZ_CHECK(CountArguments(body + separator) == count);
    FUZZ_CHECK(CountArguments(body + separator + u"\"\"") == count);

    // With a program name of its own in front, every argument of the line
    // counts, once per copy of the line, and a plain word after it once more.
    const std::u16string named = u"p " + body;
    const int arguments = CountArguments(named);
    FUZZ_CHECK(CountArguments(named + separator + u"x") == arguments + 1);
    FUZZ_CHECK(CountArguments(named + separator + u"\"a b\"") == arguments + 1);
    FUZZ_CHECK(CountArguments(named + separator + body) == 2 * arguments);
    return 0;
}
