#include "main/Extraction.h"

#include <algorithm>
#include <optional>

namespace marovan {

namespace {

constexpr std::u16string_view kRecordMarker = u"%%DocumentFiles:";
constexpr std::u16string_view kContinuation = u"%%+";

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

struct LineEnd {
    std::size_t offset; // of its first character
    std::size_t length; // 1 or 2
};

// The first line end at or after `from`: CR LF, a lone CR or a lone LF.
std::optional<LineEnd> FindLineEnd(std::u16string_view text, std::size_t from) {
    const std::size_t found = text.find_first_of(u"\r\n", from);
    if (found == std::u16string_view::npos)
        return std::nullopt;
    const bool crlf = text[found] == u'\r' && found + 1 < text.size() && text[found + 1] == u'\n';
    return LineEnd{found, crlf ? 2u : 1u};
}

} // namespace

std::size_t PositionFrom(std::u16string_view needle, std::u16string_view text,
                         std::ptrdiff_t index) {
    std::size_t start = index <= 0 ? 0 : static_cast<std::size_t>(index);
    if (start >= text.size())
        return 0;
    // 1-based position `index` is the unit at 0-based offset index - 1.
    if (index > 0 && IsHighSurrogate(text[start - 1]))
        ++start;
    const std::size_t found = text.find(needle, start);
    return found == std::u16string_view::npos ? 0 : found + 1;
}

std::u16string_view FileNameOf(std::u16string_view path) {
    const std::size_t separator = path.find_last_of(u"\\/:");
    return separator == std::u16string_view::npos ? path : path.substr(separator + 1);
}

bool ExtractLinks(std::u16string_view text, const AddLink& addLink) {
    const std::size_t marker = PositionFrom(kRecordMarker, text, 0);
    if (marker == 0)
        return false;
    std::size_t start = marker - 1 + kRecordMarker.size();
    for (;;) {
        const auto end = FindLineEnd(text, start);
        if (!end)
            return true;
        const std::u16string_view path = text.substr(start, end->offset - start);
        addLink(path, FileNameOf(path));
        const std::size_t next = end->offset + end->length;
        if (text.substr(next, kContinuation.size()) != kContinuation)
            return true;
        start = next + kContinuation.size();
    }
}

void ReplaceNulBytes(std::span<std::uint8_t> bytes) noexcept {
    std::replace(bytes.begin(), bytes.end(), std::uint8_t{0}, std::uint8_t{','});
}

} // namespace marovan
