#pragma once
// Cutting bytes of a legacy code page into pieces that decode exactly as the
// whole would: every piece must end at a character boundary.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace marovan {

// Which bytes of a double-byte code page begin a two-byte character.
using LeadBytes = std::array<bool, 256>;

// How a code page builds characters from bytes, as far as finding character
// boundaries needs to know.
struct CodePageShape {
    enum class Kind {
        SingleByte, // every byte is a character (1252, 874...)
        DoubleByte, // a lead byte and one trail byte, which may look like anything (932, 936...)
        Utf8,       // a lead byte and up to three continuation bytes 10xxxxxx (65001)
    };
    Kind kind = Kind::SingleByte;
    LeadBytes lead{}; // DoubleByte only

    static CodePageShape SingleByte() noexcept { return {}; }
    static CodePageShape DoubleByte(const LeadBytes& lead) noexcept {
        return {Kind::DoubleByte, lead};
    }
    static CodePageShape Utf8() noexcept { return {Kind::Utf8, {}}; }
};

// The length of the longest prefix of `bytes` that ends at a character
// boundary, given that `bytes` starts at one.
// Double-byte: looks back only over the run of lead-byte values at the end:
// the byte before that run ends a character whatever it is, and from there
// the run pairs up lead and trail.
// UTF-8: cuts before a sequence that the bytes end inside, never within one.
std::size_t WholeCharacterPrefix(std::span<const std::uint8_t> bytes, const CodePageShape& shape);

// A character boundary at or before `position` in `bytes`, which start at
// one: just after the last byte before `position` that can only end a
// character (any byte of a single-byte code page; in a double-byte one a byte
// that is no lead byte, which ends a character whether it stands alone or
// trails a lead byte; in UTF-8 an ASCII byte), or 0 when there is none.
std::size_t CharacterStartAtOrBefore(std::span<const std::uint8_t> bytes, std::size_t position,
                                     const CodePageShape& shape);

// CR and LF are never trail bytes, yet some decoders take one as the trail of
// a lead byte that stands right before it, and a line end, and with it the
// next link, is lost. Decoding stretch by stretch keeps it: the length of the
// first stretch of `bytes` (which starts at a character boundary) ends just
// after such a lead byte, or is the whole. Only double-byte code pages have
// such pairs; in UTF-8 a line end can never continue a sequence.
std::size_t StretchKeepingLineEnds(std::span<const std::uint8_t> bytes, const CodePageShape& shape);

} // namespace marovan
