// Settings values through ParseIniInteger and IniValueIsTrue, against a
// reading of the same rules built on std::from_chars, and written integers
// read back in each of their notations.

#include "settings/IniValue.h"
#include "tests/fuzz/FuzzCheck.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace {

using marovan::settings::IniValueIsTrue;
using marovan::settings::ParseIniInteger;

std::optional<std::int32_t> ReferenceInteger(std::u16string_view text) {
    // Every unit the rules name is ASCII; any other unit makes it no integer.
    std::string ascii;
    for (const char16_t c : text) {
        if (c > 0x7F)
            return std::nullopt;
        ascii += static_cast<char>(c);
    }
    std::string_view s = ascii;
    s.remove_prefix(std::min(s.find_first_not_of(' '), s.size()));
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    int base = 10;
    for (const std::string_view prefix : {"0x", "0X", "$", "x", "X"}) {
        if (s.starts_with(prefix)) {
            base = 16;
            s.remove_prefix(prefix.size());
            break;
        }
    }
    // from_chars takes no sign and no prefix for an unsigned type, so what is
    // left must be digits only.
    std::uint64_t magnitude = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), magnitude, base);
    if (s.empty() || error != std::errc{} || end != s.data() + s.size())
        return std::nullopt;
    constexpr std::uint64_t kLimit = std::uint64_t{1} << 31;
    if (magnitude > (negative ? kLimit : kLimit - 1))
        return std::nullopt;
    const auto value = static_cast<std::int64_t>(magnitude);
    return static_cast<std::int32_t>(negative ? -value : value);
}

void Check(std::u16string_view text) {
    const auto integer = ParseIniInteger(text);
    FUZZ_CHECK(integer == ReferenceInteger(text));
    FUZZ_CHECK(IniValueIsTrue(text) == (integer.value_or(0) != 0));
}

std::u16string Widen(std::string_view s) {
    return std::u16string(s.begin(), s.end());
}

std::string Hex(std::uint32_t magnitude, bool upper) {
    char digits[16];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, magnitude, 16);
    FUZZ_CHECK(error == std::errc{});
    std::string out(digits, end);
    if (upper)
        for (char& c : out)
            c = static_cast<char>(c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c);
    return out;
}

void CheckWritten(std::int32_t value, std::uint8_t style) {
    const std::string blanks(style & 3, ' ');
    const bool negative = value < 0;
    // The magnitude of INT32_MIN does not fit an int32_t.
    const auto magnitude = static_cast<std::uint32_t>(negative ? -std::int64_t{value} : value);
    const std::string sign = negative ? "-" : ((style & 4) ? "+" : "");
    const std::string_view prefixes[] = {"$", "x", "X", "0x", "0X"};
    FUZZ_CHECK(ParseIniInteger(Widen(blanks + std::to_string(value))) == value);
    FUZZ_CHECK(ParseIniInteger(Widen(blanks + sign + std::to_string(magnitude))) == value);
    for (const std::string_view prefix : prefixes) {
        const std::string hex =
            blanks + sign + std::string(prefix) + Hex(magnitude, (style & 8) != 0);
        FUZZ_CHECK(ParseIniInteger(Widen(hex)) == value);
    }
    // One past either end of 32 bits is no integer.
    if (value == INT32_MAX)
        FUZZ_CHECK(!ParseIniInteger(Widen(blanks + sign + "2147483648")));
    if (value == INT32_MIN)
        FUZZ_CHECK(!ParseIniInteger(Widen(blanks + "-2147483649")));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One unit per byte, except that 0xFF takes the next two bytes as one
    // unit: characters beyond ASCII whose low byte is a digit must not
    // read as that digit.
    std::u16string text;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0xFF && i + 2 < size) {
            text += static_cast<char16_t>(data[i + 1] | data[i + 2] << 8);
            i += 2;
        } else {
            text += static_cast<char16_t>(data[i]);
        }
    }
    Check(text);

    if (size >= 5) {
        std::int32_t value = 0;
        std::memcpy(&value, data, sizeof value);
        CheckWritten(value, data[4]);
        CheckWritten(INT32_MAX, data[4]);
        CheckWritten(INT32_MIN, data[4]);
    }
    return 0;
}
