#include "inf/PngReader.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>

namespace marovan {

namespace {

constexpr std::array<std::uint8_t, 8> kSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

enum ColourType : std::uint8_t {
    kGrey = 0,
    kRgb = 2,
    kPalette = 3,
    kGreyAlpha = 4,
    kRgba = 6,
};

std::uint32_t ReadU32(const std::uint8_t* p) noexcept {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

bool IsType(const std::uint8_t* type, const char (&name)[5]) noexcept {
    return std::memcmp(type, name, 4) == 0;
}

int ChannelsOf(std::uint8_t colourType) noexcept {
    switch (colourType) {
    case kGrey:
    case kPalette:
        return 1;
    case kGreyAlpha:
        return 2;
    case kRgb:
        return 3;
    case kRgba:
        return 4;
    default:
        return 0;
    }
}

struct Header {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint8_t colourType = 0;
    int channels = 0;
    std::size_t rowBytes = 0; // without the filter byte
};

PngError ParseHeader(std::span<const std::uint8_t> data, Header& header) noexcept {
    if (data.size() != 13)
        return PngError::BadHeader;
    header.width = ReadU32(data.data());
    header.height = ReadU32(data.data() + 4);
    const std::uint8_t depth = data[8];
    header.colourType = data[9];
    const std::uint8_t compression = data[10];
    const std::uint8_t filter = data[11];
    const std::uint8_t interlace = data[12];
    constexpr std::uint32_t kMaxDimension = 0x7FFFFFFF;
    if (header.width == 0 || header.height == 0 || header.width > kMaxDimension ||
        header.height > kMaxDimension || compression != 0 || filter != 0 || interlace > 1)
        return PngError::BadHeader;
    if (ChannelsOf(header.colourType) == 0)
        return PngError::BadHeader;
    if (depth != 8)
        return PngError::UnsupportedFormat;
    if (interlace == 1)
        return PngError::Interlaced;
    if (std::uint64_t{header.width} * header.height > kPngMaxPixels)
        return PngError::TooLarge;
    header.channels = ChannelsOf(header.colourType);
    header.rowBytes = std::size_t{header.width} * static_cast<std::size_t>(header.channels);
    return PngError::None;
}

// Inflates the joined IDAT contents into exactly `expected` bytes.
PngError Inflate(const std::vector<std::uint8_t>& compressed, std::size_t expected,
                 std::vector<std::uint8_t>& out) {
    // Deflate cannot expand data more than about 1032 times: a tiny file that
    // claims a huge picture is refused before its room is taken.
    if (expected / 1032 > compressed.size() + 1)
        return PngError::WrongDataSize;
    // One spare byte tells "exactly right" from "too much".
    out.assign(expected + 1, 0);
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return PngError::CorruptData;
    stream.next_in = const_cast<Bytef*>(compressed.data());
    stream.next_out = out.data();
    PngError error = PngError::None;
    // zlib counts in uInt: feed and drain in slices that fit.
    constexpr std::size_t kSlice = std::numeric_limits<uInt>::max();
    std::size_t inLeft = compressed.size();
    std::size_t outLeft = out.size();
    for (;;) {
        if (stream.avail_in == 0 && inLeft > 0) {
            stream.avail_in = static_cast<uInt>(std::min(inLeft, kSlice));
            inLeft -= stream.avail_in;
        }
        if (stream.avail_out == 0 && outLeft > 0) {
            stream.avail_out = static_cast<uInt>(std::min(outLeft, kSlice));
            outLeft -= stream.avail_out;
        }
        const int status = inflate(&stream, Z_NO_FLUSH);
        if (status == Z_STREAM_END) {
            if (stream.total_out != expected)
                error = PngError::WrongDataSize;
            break;
        }
        if (status == Z_OK)
            continue;
        if (status == Z_BUF_ERROR) {
            // No progress possible: either the output is full (too much
            // data) or the input ran out before the stream's end.
            error = (stream.avail_out == 0 && outLeft == 0) ? PngError::WrongDataSize
                                                            : PngError::CorruptData;
            break;
        }
        error = PngError::CorruptData;
        break;
    }
    inflateEnd(&stream);
    out.resize(expected);
    return error;
}

std::uint8_t Paeth(int a, int b, int c) noexcept {
    const int p = a + b - c;
    const int pa = std::abs(p - a);
    const int pb = std::abs(p - b);
    const int pc = std::abs(p - c);
    if (pa <= pb && pa <= pc)
        return static_cast<std::uint8_t>(a);
    if (pb <= pc)
        return static_cast<std::uint8_t>(b);
    return static_cast<std::uint8_t>(c);
}

// Undoes the row filters in place; afterwards row y's samples start at
// 1 + y * (rowBytes + 1).
PngError Unfilter(std::vector<std::uint8_t>& data, const Header& header) noexcept {
    const std::size_t stride = header.rowBytes + 1;
    const std::size_t bpp = static_cast<std::size_t>(header.channels);
    for (std::uint32_t y = 0; y < header.height; ++y) {
        std::uint8_t* row = data.data() + y * stride;
        const std::uint8_t filter = row[0];
        std::uint8_t* cur = row + 1;
        const std::uint8_t* prev = y > 0 ? cur - stride : nullptr;
        for (std::size_t i = 0; i < header.rowBytes; ++i) {
            const int a = i >= bpp ? cur[i - bpp] : 0;
            const int b = prev ? prev[i] : 0;
            const int c = (prev && i >= bpp) ? prev[i - bpp] : 0;
            int predictor = 0;
            switch (filter) {
            case 0:
                break;
            case 1:
                predictor = a;
                break;
            case 2:
                predictor = b;
                break;
            case 3:
                predictor = (a + b) / 2;
                break;
            case 4:
                predictor = Paeth(a, b, c);
                break;
            default:
                return PngError::BadFilter;
            }
            cur[i] = static_cast<std::uint8_t>(cur[i] + predictor);
        }
    }
    return PngError::None;
}

struct Palette {
    std::array<std::array<std::uint8_t, 4>, 256> entries{};
    std::size_t count = 0;
};

// The transparent colour of a grey or RGB picture, as its tRNS names it.
struct ColourKey {
    std::array<std::uint16_t, 3> sample{};
};

void ToRgba(const std::vector<std::uint8_t>& data, const Header& header, const Palette& palette,
            const std::optional<ColourKey>& key, std::vector<std::uint8_t>& rgba) {
    rgba.resize(std::size_t{header.width} * header.height * 4);
    const std::size_t stride = header.rowBytes + 1;
    std::uint8_t* out = rgba.data();
    for (std::uint32_t y = 0; y < header.height; ++y) {
        const std::uint8_t* in = data.data() + y * stride + 1;
        for (std::uint32_t x = 0; x < header.width; ++x, out += 4) {
            switch (header.colourType) {
            case kGrey:
                out[0] = out[1] = out[2] = in[0];
                out[3] = (key && key->sample[0] == in[0]) ? 0 : 255;
                in += 1;
                break;
            case kGreyAlpha:
                out[0] = out[1] = out[2] = in[0];
                out[3] = in[1];
                in += 2;
                break;
            case kRgb:
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
                out[3] = (key && key->sample[0] == in[0] && key->sample[1] == in[1] &&
                          key->sample[2] == in[2])
                             ? 0
                             : 255;
                in += 3;
                break;
            case kRgba:
                std::memcpy(out, in, 4);
                in += 4;
                break;
            default: // palette; indices were checked before
                std::memcpy(out, palette.entries[in[0]].data(), 4);
                in += 1;
                break;
            }
        }
    }
}

PngImage Fail(PngError error) {
    PngImage image;
    image.error = error;
    return image;
}

} // namespace

std::string_view PngErrorText(PngError error) noexcept {
    switch (error) {
    case PngError::None:
        return "no error";
    case PngError::NotPng:
        return "not a PNG file";
    case PngError::Truncated:
        return "the PNG data ends inside a chunk";
    case PngError::BadCrc:
        return "a PNG chunk has a wrong CRC";
    case PngError::MissingHeader:
        return "the PNG data does not start with IHDR";
    case PngError::BadHeader:
        return "the PNG header is malformed";
    case PngError::UnsupportedFormat:
        return "the PNG bit depth or colour type is not supported";
    case PngError::Interlaced:
        return "interlaced PNG pictures are not supported";
    case PngError::TooLarge:
        return "the PNG picture is too large";
    case PngError::BadPalette:
        return "the PNG palette is missing or malformed";
    case PngError::BadTransparency:
        return "the PNG transparency chunk is malformed";
    case PngError::BadChunkOrder:
        return "the PNG chunks are out of order";
    case PngError::UnknownCritical:
        return "the PNG data has an unknown critical chunk";
    case PngError::MissingData:
        return "the PNG data has no image data";
    case PngError::MissingEnd:
        return "the PNG data has no end chunk";
    case PngError::CorruptData:
        return "the PNG image data is corrupt";
    case PngError::WrongDataSize:
        return "the PNG image data has the wrong size";
    case PngError::BadFilter:
        return "the PNG image data names an unknown filter";
    }
    return "unknown PNG error";
}

PngImage DecodePng(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kSignature.size() ||
        std::memcmp(bytes.data(), kSignature.data(), kSignature.size()) != 0)
        return Fail(PngError::NotPng);

    Header header;
    bool haveHeader = false;
    Palette palette;
    bool havePalette = false;
    bool haveTransparency = false;
    std::optional<ColourKey> key;
    std::vector<std::uint8_t> compressed;
    enum class DataState { Before, Inside, After } dataState = DataState::Before;
    bool ended = false;

    std::size_t pos = kSignature.size();
    while (!ended) {
        if (pos == bytes.size())
            return Fail(PngError::MissingEnd);
        if (bytes.size() - pos < 12)
            return Fail(PngError::Truncated);
        const std::uint32_t length = ReadU32(bytes.data() + pos);
        if (bytes.size() - pos - 12 < length)
            return Fail(PngError::Truncated);
        const std::uint8_t* type = bytes.data() + pos + 4;
        const std::span<const std::uint8_t> data(type + 4, length);
        const std::uint32_t stored = ReadU32(type + 4 + length);
        const auto computed =
            static_cast<std::uint32_t>(crc32(crc32(0, nullptr, 0), type, 4 + length));
        if (stored != computed)
            return Fail(PngError::BadCrc);
        pos += 12 + std::size_t{length};

        if (!haveHeader) {
            if (!IsType(type, "IHDR"))
                return Fail(PngError::MissingHeader);
            if (const PngError error = ParseHeader(data, header); error != PngError::None)
                return Fail(error);
            haveHeader = true;
            continue;
        }
        if (IsType(type, "IDAT")) {
            if (dataState == DataState::After)
                return Fail(PngError::BadChunkOrder);
            if (header.colourType == kPalette && !havePalette)
                return Fail(PngError::BadPalette);
            dataState = DataState::Inside;
            compressed.insert(compressed.end(), data.begin(), data.end());
            continue;
        }
        if (dataState == DataState::Inside)
            dataState = DataState::After;
        if (IsType(type, "IEND")) {
            if (dataState == DataState::Before)
                return Fail(PngError::MissingData);
            ended = true;
        } else if (IsType(type, "IHDR")) {
            return Fail(PngError::BadChunkOrder);
        } else if (IsType(type, "PLTE")) {
            if (havePalette || dataState != DataState::Before || haveTransparency)
                return Fail(PngError::BadChunkOrder);
            if (length == 0 || length % 3 != 0 || length / 3 > 256 || header.colourType == kGrey ||
                header.colourType == kGreyAlpha)
                return Fail(PngError::BadPalette);
            palette.count = length / 3;
            for (std::size_t i = 0; i < palette.count; ++i)
                palette.entries[i] = {data[3 * i], data[3 * i + 1], data[3 * i + 2], 255};
            havePalette = true;
        } else if (IsType(type, "tRNS")) {
            if (haveTransparency || dataState != DataState::Before)
                return Fail(PngError::BadChunkOrder);
            haveTransparency = true;
            switch (header.colourType) {
            case kPalette:
                if (!havePalette)
                    return Fail(PngError::BadChunkOrder);
                if (length > palette.count)
                    return Fail(PngError::BadTransparency);
                for (std::size_t i = 0; i < length; ++i)
                    palette.entries[i][3] = data[i];
                break;
            case kGrey:
                if (length != 2)
                    return Fail(PngError::BadTransparency);
                key = ColourKey{{static_cast<std::uint16_t>((data[0] << 8) | data[1]), 0, 0}};
                break;
            case kRgb:
                if (length != 6)
                    return Fail(PngError::BadTransparency);
                key = ColourKey{{static_cast<std::uint16_t>((data[0] << 8) | data[1]),
                                 static_cast<std::uint16_t>((data[2] << 8) | data[3]),
                                 static_cast<std::uint16_t>((data[4] << 8) | data[5])}};
                break;
            default: // pictures with an alpha channel have no tRNS
                return Fail(PngError::BadTransparency);
            }
        } else if ((type[0] & 0x20) == 0) {
            return Fail(PngError::UnknownCritical);
        }
        // Other ancillary chunks (gamma, text, times...) do not change the pixels.
    }

    std::vector<std::uint8_t> raw;
    if (const PngError error = Inflate(compressed, (header.rowBytes + 1) * header.height, raw);
        error != PngError::None)
        return Fail(error);
    compressed = {};
    if (const PngError error = Unfilter(raw, header); error != PngError::None)
        return Fail(error);
    if (header.colourType == kPalette) {
        const std::size_t stride = header.rowBytes + 1;
        for (std::uint32_t y = 0; y < header.height; ++y)
            for (std::size_t x = 0; x < header.rowBytes; ++x)
                if (raw[y * stride + 1 + x] >= palette.count)
                    return Fail(PngError::BadPalette);
    }

    PngImage image;
    image.width = header.width;
    image.height = header.height;
    ToRgba(raw, header, palette, key, image.rgba);
    return image;
}

} // namespace marovan
