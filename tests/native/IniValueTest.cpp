#include "settings/IniValue.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using marovan::settings::IniValueIsTrue;
using marovan::settings::ParseIniInteger;

struct ValueCase {
    std::u16string text;
    std::optional<std::int32_t> integer;
};

class IniValue : public testing::TestWithParam<ValueCase> {};

TEST_P(IniValue, ReadsAsItsIntegerAndTrueOnlyWhenNotZero) {
    const ValueCase& c = GetParam();
    EXPECT_EQ(ParseIniInteger(c.text), c.integer);
    EXPECT_EQ(IniValueIsTrue(c.text), c.integer.value_or(0) != 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, IniValue,
    testing::Values(
        // What the program writes, and decimal variants a hand edit gives.
        ValueCase{u"1", 1}, ValueCase{u"0", 0}, ValueCase{u"2", 2}, ValueCase{u" 1", 1},
        ValueCase{u"   7", 7}, ValueCase{u"-1", -1}, ValueCase{u"+5", 5}, ValueCase{u" -0", 0},
        ValueCase{u"007", 7},
        // Hexadecimal after each of its prefixes, digits in either case.
        ValueCase{u"$10", 16}, ValueCase{u"0x0", 0}, ValueCase{u"X1F", 31}, ValueCase{u"x1f", 31},
        ValueCase{u"0XfF", 255}, ValueCase{u"-$1", -1}, ValueCase{u" +0x10", 16},
        // The edges of 32 bits.
        ValueCase{u"2147483647", 2147483647}, ValueCase{u"-2147483648", INT32_MIN},
        ValueCase{u"$7FFFFFFF", 2147483647}, ValueCase{u"2147483648", std::nullopt},
        ValueCase{u"-2147483649", std::nullopt}, ValueCase{u"$80000000", std::nullopt},
        ValueCase{u"99999999999", std::nullopt},
        ValueCase{u"100000000000000000000000000000000000001", std::nullopt},
        // No integer at all.
        ValueCase{u"", std::nullopt}, ValueCase{u" ", std::nullopt},
        ValueCase{u"yes", std::nullopt}, ValueCase{u"true", std::nullopt},
        ValueCase{u"1a", std::nullopt}, ValueCase{u"1 ", std::nullopt},
        ValueCase{u"0x", std::nullopt}, ValueCase{u"$", std::nullopt},
        ValueCase{u"-", std::nullopt}, ValueCase{u"+-1", std::nullopt},
        ValueCase{u"- 1", std::nullopt}, ValueCase{u"$0x1", std::nullopt},
        ValueCase{u"1.0", std::nullopt}, ValueCase{u"１", std::nullopt},
        ValueCase{u"0b1", std::nullopt}));

} // namespace
