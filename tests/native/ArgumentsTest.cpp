#include "main/Arguments.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace marovan
