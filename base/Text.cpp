#include "base/Text.h"

namespace marovan {

std::u16string_view TrimmedDescription(std::u16string_view description) noexcept {
    while (!description.empty() && (description.back() <= u' ' || description.back() == u'.'))
        description.remove_suffix(1);
    return description;
}

std::u16string_view TrimmedReason(std::u16string_view description) noexcept {
    for (;;) {
        description = TrimmedDescription(description);
        if (description.empty() || description.back() != u'\u3002')
            return description;
        description.remove_suffix(1);
    }
}

std::string Utf8Of(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size() * 3);
    const auto put = [&bytes](unsigned value) { bytes += static_cast<char>(value); };
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
            ++i;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = 0xFFFD;
        }
        if (code < 0x80) {
            put(code);
        } else if (code < 0x800) {
            put(0xC0 | (code >> 6));
            put(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            put(0xE0 | (code >> 12));
            put(0x80 | ((code >> 6) & 0x3F));
            put(0x80 | (code & 0x3F));
        } else {
            put(0xF0 | (code >> 18));
            put(0x80 | ((code >> 12) & 0x3F));
            put(0x80 | ((code >> 6) & 0x3F));
            put(0x80 | (code & 0x3F));
        }
    }
    return bytes;
}

} // namespace marovan
