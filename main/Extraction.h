#pragma once
// Reading the list of linked files out of a document's text: the
// "%%DocumentFiles:" record of its PostScript header comments and the "%%+"
// lines that continue it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace marovan {

// 1-based position of the first occurrence of `needle` in `text` starting at
// or after the 0-based offset `index`, or 0 when there is none. An index at or
// past the end gives 0; an index <= 0 searches from the start. The search never
// starts inside a surrogate pair: when the unit at 1-based position `index` is
// a high surrogate, it starts one unit later.
std::size_t PositionFrom(std::u16string_view needle, std::u16string_view text,
                         std::ptrdiff_t index);

// The file-name part of a link's path: what follows its last "\", "/" or ":";
// the whole path when it has none; empty when the path ends in one.
std::u16string_view FileNameOf(std::u16string_view path);

// Calls `addLink(path, fileName)` for every path of the first link record, in
// order. Returns false when the text holds no record marker.
// A line ends at CR LF, a lone CR or a lone LF; an unterminated last path is
// not taken, and a continuation marker must directly follow the previous
// line end.
using AddLink = std::function<void(std::u16string_view path, std::u16string_view fileName)>;
bool ExtractLinks(std::u16string_view text, const AddLink& addLink);

// Replaces every 0x00 byte by a comma, so that the decoded text holds no NUL.
void ReplaceNulBytes(std::span<std::uint8_t> bytes) noexcept;

} // namespace marovan
