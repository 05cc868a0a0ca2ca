#pragma once
// The program's PNG reader, for the pictures it carries itself. It takes the
// plain kind of file those are (8 bits per sample, grey, RGB, palette, grey
// with alpha or RGBA, not interlaced) and refuses everything else with a
// reason, whatever the bytes are.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace marovan {

enum class PngError {
    None,
    NotPng,            // the file does not start with the PNG signature
    Truncated,         // the data ends inside a chunk
    BadCrc,            // a chunk's check value does not match its bytes
    MissingHeader,     // the first chunk is not IHDR
    BadHeader,         // IHDR has a wrong length or a value PNG does not define
    UnsupportedFormat, // a bit depth or colour type the reader does not take
    Interlaced,        // Adam7 interlacing, which the reader does not take
    TooLarge,          // dimensions beyond what the reader will allocate
    BadPalette,        // PLTE missing, misplaced or malformed
    BadTransparency,   // tRNS malformed for the colour type
    BadChunkOrder,     // a chunk where PNG does not allow it
    UnknownCritical,   // a critical chunk the reader does not know
    MissingData,       // no IDAT before IEND
    MissingEnd,        // the data ends without IEND
    CorruptData,       // the compressed image data does not inflate
    WrongDataSize,     // the image data inflates to the wrong number of bytes
    BadFilter,         // a row names a filter type PNG does not define
};

// A short English description of the error, for messages and test output.
std::string_view PngErrorText(PngError error) noexcept;

// Decoded pixels: rows top to bottom, 4 bytes per pixel in the order R, G,
// B, A, alpha straight (not premultiplied).
struct PngImage {
    PngError error = PngError::None;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> rgba;

    explicit operator bool() const noexcept { return error == PngError::None; }
};

// The largest picture the reader decodes, in pixels: far above anything the
// program ships, far below what would exhaust memory.
constexpr std::uint64_t kPngMaxPixels = std::uint64_t{1} << 24;

PngImage DecodePng(std::span<const std::uint8_t> bytes);

} // namespace marovan
