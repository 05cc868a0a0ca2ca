#pragma once
// Small text helpers of the portable core. All program text is UTF-16.

#include <cstdint>
#include <string>
#include <string_view>

namespace marovan {

// The value in decimal, without separators.
inline std::u16string Decimal(long long value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

} // namespace marovan
