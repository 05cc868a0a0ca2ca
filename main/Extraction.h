#pragma once
// Reading the list of linked files out of a document's text: the
// "%%DocumentFiles:" record of its PostScript header comments and the "%%+"
// lines that continue it.

#include "base/Paths.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace marovan {

// 1-based position of the first occurrence of `needle` in `text` starting at
// or after the 0-based offset `index`, or 0 when there is none. An index at or
// past the end gives 0; an index <= 0 searches from the start. The search never
// starts inside a surrogate pair: when the unit at 1-based position `index` is
// the high surrogate of a pair, it starts one unit later.
std::size_t PositionFrom(std::u16string_view needle, std::u16string_view text,
                         std::ptrdiff_t index);

// Calls `addLink(path, fileName)` for every path of the first link record, in
// order. Returns false when the text holds no record marker.
// A line ends at CR LF, a lone CR or a lone LF; an unterminated last path is
// not taken, and a continuation marker must directly follow the previous
// line end.
using AddLink = std::function<void(std::u16string_view path, std::u16string_view fileName)>;
bool ExtractLinks(std::u16string_view text, const AddLink& addLink);

// The same reading for a text that arrives in pieces, as a large document is
// decoded. It keeps only what the record needs: before the marker, the last
// few units (a marker may straddle two pieces); after it, the paths and the
// line being read. Once the record has ended, later pieces cannot change the
// result and need not be decoded at all.
class LinkRecordScanner {
public:
    void Feed(std::u16string_view piece);
    // The text has ended: a final lone CR is a line end, an unfinished path
    // or continuation marker is not taken.
    void Finish();

    bool Done() const noexcept { return state_ == State::Ended; }
    bool Found() const noexcept { return state_ != State::SeekingMarker; }
    const std::vector<std::u16string>& Paths() const noexcept { return paths_; }

private:
    enum class State { SeekingMarker, InPath, AfterLineEnd, Ended };
    // Reads on in `text`; the number of units that are no longer needed.
    std::size_t Advance(std::u16string_view text);

    State state_ = State::SeekingMarker;
    bool finished_ = false;
    std::u16string pending_;      // the text not consumed yet
    std::size_t lineEndFrom_ = 0; // units of the line already searched for its end
    std::vector<std::u16string> paths_;
};

// Where the bytes of the record marker first stand in `bytes`, or npos. Its
// characters are ASCII, and an ASCII character of the decoded text comes from
// the same byte in every ANSI code page, so the text holds no marker before
// that place (there, too, it may be none, when a lead byte before it takes its
// first "%").
std::size_t FindRecordMarker(std::span<const std::uint8_t> bytes);
inline constexpr std::size_t kRecordMarkerLength = 16;

// Replaces every 0x00 byte by a comma, so that the decoded text holds no NUL.
void ReplaceNulBytes(std::span<std::uint8_t> bytes) noexcept;

} // namespace marovan
