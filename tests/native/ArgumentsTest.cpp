#include "main/Arguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace marovan {
namespace {

TEST(CountArguments, FollowsTheSeparatorAndQuoteRules) {
    const std::pair<std::u16string_view, int> cases[] = {
        {u"Marovan.exe", 0},
        {u"", 0},
        {u"\"C:\\Program Files\\Marovan.exe\"", 0},
        {u"Marovan.exe a.ai", 1},
        {u"Marovan.exe a.ai b.ai", 2},
        {u"Marovan.exe   a.ai\t\tb.ai  ", 2},
        {u"Marovan.exe \"C:\\my docs\\a.ai\"", 1},
        {u"Marovan.exe C:\\my\" docs\"\\a.ai", 1},
        {u"Marovan.exe \"\" a.ai", 1},
        {u"Marovan.exe \"\"\"\" a.ai", 1},
        {u"Marovan.exe \"\"", 0},
        {u"Marovan.exe a\"\"b", 1},
        {u"Marovan.exe \" \"", 1},
        {u"Marovan.exe a.ai \"", 1},
        {u"Marovan.exe \"unterminated quote", 1},
        {u"Marovan.exe a\\\"b c\"", 1},
        {u"Marovan.exe \x01x\x1Fy\x20z", 3},
        {u"Marovan.exe a\u3000b", 1},
        {std::u16string_view(u"Marovan.exe a\0b c", 17), 1},
    };
    for (const auto& [line, count] : cases)
        EXPECT_EQ(CountArguments(line), count) << std::string(line.begin(), line.end());
}

// The values the start-up runs' prompts start on: quotes go wherever they
// stand, separators inside them stay.
TEST(ArgumentValues, AreTheArgumentsWithoutTheirQuotes) {
    using Values = std::vector<std::u16string>;
    const std::pair<std::u16string_view, Values> cases[] = {
        {u"Marovan.exe", {}},
        {u"\"C:\\Program Files\\Marovan.exe\" \"C:\\my docs\\作品.ai\"", {u"C:\\my docs\\作品.ai"}},
        {u"Marovan.exe a.ai\tb.ai", {u"a.ai", u"b.ai"}},
        {u"Marovan.exe C:\\my\" docs\"\\a.ai", {u"C:\\my docs\\a.ai"}},
        {u"Marovan.exe \"\" a.ai \"", {u"a.ai"}},
        {u"Marovan.exe \" \"", {u" "}},
        {u"Marovan.exe \"unterminated quote", {u"unterminated quote"}},
    };
    for (const auto& [line, values] : cases) {
        EXPECT_EQ(ArgumentValues(line), values) << std::string(line.begin(), line.end());
        EXPECT_EQ(CountArguments(line), static_cast<int>(values.size()));
    }
}

} // namespace
} // namespace marovan
