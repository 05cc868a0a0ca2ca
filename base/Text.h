#pragma once
// Small text helpers. All program text is UTF-16.

#include <string>
#include <string_view>

namespace marovan {

// The value in decimal, without separators.
inline std::u16string Decimal(long long value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

// The system's description of an error ends in a line break, and often a full
// stop, that would sit in the middle of a sentence built around it: trailing
// blanks, control characters and full stops go.
std::u16string_view TrimmedDescription(std::u16string_view description) noexcept;

// The same for a reason that ends a sentence of the program's own: a closing
// ideographic full stop goes too.
std::u16string_view TrimmedReason(std::u16string_view description) noexcept;

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf8Of(std::u16string_view text);

} // namespace marovan
