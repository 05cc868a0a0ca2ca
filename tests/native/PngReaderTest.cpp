#include "inf/PngReader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace marovan {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A small PNG writer, independent of the reader: it filters rows the way an
// encoder does and lets a test break any part of the file on purpose.
struct TestPng {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint8_t depth = 8;
    std::uint8_t colourType = 6;
    std::uint8_t interlace = 0;
    int channels = 4;
    Bytes pixels;             // unfiltered samples, rows top to bottom
    std::vector<int> filters; // filter type per row; row y uses filters[y % size]
    Bytes palette;            // PLTE contents, when not empty
    Bytes transparency;       // tRNS contents, when not empty
};

void PutU32(Bytes& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void PutChunk(Bytes& out, const char* type, const Bytes& data) {
    PutU32(out, static_cast<std::uint32_t>(data.size()));
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    PutU32(out, static_cast<std::uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

int PaethPredictor(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
}

Bytes FilteredRows(const TestPng& png) {
    const std::size_t rowBytes = std::size_t{png.width} * static_cast<std::size_t>(png.channels);
    const std::size_t bpp = static_cast<std::size_t>(png.channels);
    Bytes out;
    for (std::uint32_t y = 0; y < png.height; ++y) {
        const int filter = png.filters.empty() ? 0 : png.filters[y % png.filters.size()];
        out.push_back(static_cast<std::uint8_t>(filter));
        const std::uint8_t* cur = png.pixels.data() + y * rowBytes;
        const std::uint8_t* prev = y > 0 ? cur - rowBytes : nullptr;
        for (std::size_t i = 0; i < rowBytes; ++i) {
            const int a = i >= bpp ? cur[i - bpp] : 0;
            const int b = prev ? prev[i] : 0;
            const int c = prev && i >= bpp ? prev[i - bpp] : 0;
            const int predictor = filter == 1   ? a
                                  : filter == 2 ? b
                                  : filter == 3 ? (a + b) / 2
                                  : filter == 4 ? PaethPredictor(a, b, c)
                                                : 0;
            out.push_back(static_cast<std::uint8_t>(cur[i] - predictor));
        }
    }
    return out;
}

Bytes Compress(const Bytes& raw) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    Bytes out(size);
    EXPECT_EQ(compress(out.data(), &size, raw.data(), static_cast<uLong>(raw.size())), Z_OK);
    out.resize(size);
    return out;
}

Bytes Header(const TestPng& png) {
    Bytes ihdr;
    PutU32(ihdr, png.width);
    PutU32(ihdr, png.height);
    ihdr.insert(ihdr.end(), {png.depth, png.colourType, 0, 0, png.interlace});
    return ihdr;
}

const Bytes kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// The file, with its image data compressed from `raw` (filtered rows).
Bytes Encode(const TestPng& png, const Bytes& raw) {
    Bytes out = kSignature;
    PutChunk(out, "IHDR", Header(png));
    PutChunk(out, "tEXt", Bytes{'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 'x'});
    if (!png.palette.empty())
        PutChunk(out, "PLTE", png.palette);
    if (!png.transparency.empty())
        PutChunk(out, "tRNS", png.transparency);
    // Image data split over two IDAT chunks, as encoders often do.
    const Bytes compressed = Compress(raw);
    const auto half = static_cast<std::ptrdiff_t>(compressed.size() / 2);
    PutChunk(out, "IDAT", Bytes(compressed.begin(), compressed.begin() + half));
    PutChunk(out, "IDAT", Bytes(compressed.begin() + half, compressed.end()));
    PutChunk(out, "IEND", {});
    return out;
}

Bytes Encode(const TestPng& png) {
    return Encode(png, FilteredRows(png));
}

// Samples that make every predictor matter: neither flat nor smooth.
Bytes NoisySamples(std::size_t count, std::uint32_t seed) {
    Bytes out(count);
    for (auto& b : out) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(seed >> 16);
    }
    return out;
}

TestPng Rgba(std::uint32_t width, std::uint32_t height, std::vector<int> filters = {0}) {
    TestPng png;
    png.width = width;
    png.height = height;
    png.colourType = 6;
    png.channels = 4;
    png.pixels = NoisySamples(std::size_t{width} * height * 4, width * 31 + height);
    png.filters = std::move(filters);
    return png;
}

TEST(PngReader, RgbaRoundTripsThroughEveryFilter) {
    const std::vector<std::vector<int>> cases = {{0}, {1}, {2}, {3}, {4}, {4, 3, 2, 1, 0}};
    for (const auto& filters : cases) {
        const TestPng png = Rgba(7, 6, filters);
        const PngImage image = DecodePng(Encode(png));
        SCOPED_TRACE(testing::Message() << "first filter " << filters[0]);
        ASSERT_TRUE(image) << PngErrorText(image.error);
        EXPECT_EQ(image.width, 7u);
        EXPECT_EQ(image.height, 6u);
        EXPECT_EQ(image.rgba, png.pixels);
    }
}

TEST(PngReader, RgbGetsOpaqueAlpha) {
    for (int filter = 0; filter <= 4; ++filter) {
        TestPng png;
        png.width = 5;
        png.height = 4;
        png.colourType = 2;
        png.channels = 3;
        png.pixels = NoisySamples(5 * 4 * 3, 7);
        png.filters = {filter};
        const PngImage image = DecodePng(Encode(png));
        ASSERT_TRUE(image) << PngErrorText(image.error);
        ASSERT_EQ(image.rgba.size(), 5u * 4 * 4);
        for (std::size_t p = 0; p < 20; ++p) {
            EXPECT_EQ(image.rgba[p * 4 + 0], png.pixels[p * 3 + 0]);
            EXPECT_EQ(image.rgba[p * 4 + 1], png.pixels[p * 3 + 1]);
            EXPECT_EQ(image.rgba[p * 4 + 2], png.pixels[p * 3 + 2]);
            EXPECT_EQ(image.rgba[p * 4 + 3], 255);
        }
    }
}

TEST(PngReader, PaletteWithTransparency) {
    TestPng png;
    png.width = 4;
    png.height = 2;
    png.colourType = 3;
    png.channels = 1;
    png.palette = {10, 20, 30, 40, 50, 60, 70, 80, 90};
    png.transparency = {0, 128}; // entry 2 stays opaque
    png.pixels = {0, 1, 2, 1, 2, 2, 0, 1};
    png.filters = {1, 2};
    const PngImage image = DecodePng(Encode(png));
    ASSERT_TRUE(image) << PngErrorText(image.error);
    const Bytes expected = {10, 20, 30, 0,   40, 50, 60, 128, 70, 80, 90, 255, 40, 50, 60, 128,
                            70, 80, 90, 255, 70, 80, 90, 255, 10, 20, 30, 0,   40, 50, 60, 128};
    EXPECT_EQ(image.rgba, expected);
}

TEST(PngReader, GreyAndGreyAlpha) {
    TestPng grey;
    grey.width = 3;
    grey.height = 1;
    grey.colourType = 0;
    grey.channels = 1;
    grey.pixels = {0, 7, 255};
    grey.transparency = {0, 7};
    PngImage image = DecodePng(Encode(grey));
    ASSERT_TRUE(image) << PngErrorText(image.error);
    EXPECT_EQ(image.rgba, (Bytes{0, 0, 0, 255, 7, 7, 7, 0, 255, 255, 255, 255}));

    TestPng greyAlpha = grey;
    greyAlpha.colourType = 4;
    greyAlpha.channels = 2;
    greyAlpha.pixels = {1, 2, 3, 4, 5, 6};
    greyAlpha.transparency.clear();
    image = DecodePng(Encode(greyAlpha));
    ASSERT_TRUE(image) << PngErrorText(image.error);
    EXPECT_EQ(image.rgba, (Bytes{1, 1, 1, 2, 3, 3, 3, 4, 5, 5, 5, 6}));
}

// Recomputes the CRC of the chunk starting at `at` after a test changed it.
void FixCrc(Bytes& file, std::size_t at) {
    const std::uint32_t length =
        (std::uint32_t{file[at]} << 24) | (file[at + 1] << 16) | (file[at + 2] << 8) | file[at + 3];
    const auto crc = static_cast<std::uint32_t>(crc32(0, file.data() + at + 4, 4 + length));
    for (int i = 0; i < 4; ++i)
        file[at + 8 + length + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
}

constexpr std::size_t kIhdrAt = 8;
constexpr std::size_t kIhdrData = kIhdrAt + 8;

TEST(PngReader, RejectsBrokenFiles) {
    const Bytes good = Encode(Rgba(4, 3, {4}));
    ASSERT_TRUE(DecodePng(good));

    struct Case {
        const char* name;
        Bytes file;
        PngError expected;
    };
    std::vector<Case> cases;
    const auto changed = [&](auto change) {
        Bytes file = good;
        change(file);
        return file;
    };

    cases.push_back({"empty", {}, PngError::NotPng});
    cases.push_back({"wrong signature", changed([](Bytes& f) { f[1] = 'Q'; }), PngError::NotPng});
    cases.push_back({"signature only", kSignature, PngError::MissingEnd});
    cases.push_back(
        {"bad CRC of IHDR", changed([](Bytes& f) { f[kIhdrAt + 8 + 13] ^= 1; }), PngError::BadCrc});
    cases.push_back({"pixel byte flipped", changed([](Bytes& f) { f[f.size() - 20] ^= 0x40; }),
                     PngError::BadCrc});
    cases.push_back(
        {"bad CRC of IEND", changed([](Bytes& f) { f.back() ^= 0x80; }), PngError::BadCrc});
    for (const std::size_t cut : {std::size_t{9}, kIhdrAt + 12, good.size() / 2, good.size() - 1})
        cases.push_back({"truncated", Bytes(good.begin(), good.begin() + static_cast<long>(cut)),
                         PngError::Truncated});
    cases.push_back(
        {"ends without IEND", Bytes(good.begin(), good.end() - 12), PngError::MissingEnd});
    cases.push_back({"IHDR not first", changed([](Bytes& f) {
                         f[kIhdrAt + 4] = 'X';
                         f[kIhdrAt + 5] = 'H';
                         FixCrc(f, kIhdrAt);
                     }),
                     PngError::MissingHeader});

    const auto withHeader = [&](TestPng png, PngError expected, const char* name) {
        cases.push_back({name, Encode(png), expected});
    };
    TestPng png = Rgba(4, 3);
    png.interlace = 1;
    withHeader(png, PngError::Interlaced, "interlaced");
    png = Rgba(4, 3);
    png.interlace = 2;
    withHeader(png, PngError::BadHeader, "unknown interlace method");
    png = Rgba(4, 3);
    png.depth = 16;
    withHeader(png, PngError::UnsupportedFormat, "16-bit samples");
    png.depth = 4;
    withHeader(png, PngError::UnsupportedFormat, "4-bit samples");
    png = Rgba(4, 3);
    png.colourType = 5;
    withHeader(png, PngError::BadHeader, "colour type 5");
    png = Rgba(4, 3);
    png.width = 0;
    withHeader(png, PngError::BadHeader, "zero width");
    png = Rgba(4, 3);
    png.width = 0x80000000u;
    // Only the header is read: the image data need not match.
    cases.push_back({"width beyond PNG's limit", Encode(png, Bytes(5, 0)), PngError::BadHeader});
    png = Rgba(1, 1);
    png.width = 100000;
    png.height = 100000;
    cases.push_back({"absurd dimensions", Encode(png, Bytes(5, 0)), PngError::TooLarge});

    png = Rgba(4, 3);
    Bytes raw = FilteredRows(png);
    cases.push_back({"short image data", Encode(png, Bytes(raw.begin(), raw.end() - 1)),
                     PngError::WrongDataSize});
    Bytes longer = raw;
    longer.push_back(0);
    cases.push_back({"long image data", Encode(png, longer), PngError::WrongDataSize});
    Bytes badFilter = raw;
    badFilter[(4 * 4 + 1) * 2] = 5;
    cases.push_back({"filter type 5", Encode(png, badFilter), PngError::BadFilter});

    // Image data that is not a zlib stream at all.
    Bytes garbage = kSignature;
    PutChunk(garbage, "IHDR", Header(png));
    PutChunk(garbage, "IDAT", Bytes{1, 2, 3, 4, 5, 6});
    PutChunk(garbage, "IEND", {});
    cases.push_back({"not deflate data", garbage, PngError::CorruptData});
    // A zlib stream cut short, with valid chunk CRCs.
    const Bytes compressed = Compress(raw);
    Bytes cut = kSignature;
    PutChunk(cut, "IHDR", Header(png));
    PutChunk(cut, "IDAT", Bytes(compressed.begin(), compressed.end() - 6));
    PutChunk(cut, "IEND", {});
    cases.push_back({"deflate data cut short", cut, PngError::CorruptData});

    Bytes noData = kSignature;
    PutChunk(noData, "IHDR", Header(png));
    PutChunk(noData, "IEND", {});
    cases.push_back({"no IDAT", noData, PngError::MissingData});

    Bytes split = kSignature;
    PutChunk(split, "IHDR", Header(png));
    PutChunk(split, "IDAT", Bytes(compressed.begin(), compressed.begin() + 4));
    PutChunk(split, "tEXt", Bytes{'a', 0, 'b'});
    PutChunk(split, "IDAT", Bytes(compressed.begin() + 4, compressed.end()));
    PutChunk(split, "IEND", {});
    cases.push_back({"IDAT chunks not together", split, PngError::BadChunkOrder});

    Bytes critical = kSignature;
    PutChunk(critical, "IHDR", Header(png));
    PutChunk(critical, "ZZZZ", Bytes{1});
    PutChunk(critical, "IDAT", compressed);
    PutChunk(critical, "IEND", {});
    cases.push_back({"unknown critical chunk", critical, PngError::UnknownCritical});

    TestPng indexed;
    indexed.width = 2;
    indexed.height = 1;
    indexed.colourType = 3;
    indexed.channels = 1;
    indexed.pixels = {0, 1};
    withHeader(indexed, PngError::BadPalette, "palette picture without PLTE");
    indexed.palette = {1, 2, 3};
    withHeader(indexed, PngError::BadPalette, "index beyond the palette");
    indexed.palette = {1, 2, 3, 4, 5, 6};
    indexed.transparency = {1, 2, 3};
    withHeader(indexed, PngError::BadTransparency, "tRNS longer than the palette");
    indexed.palette = {1, 2, 3, 4};
    indexed.transparency.clear();
    withHeader(indexed, PngError::BadPalette, "PLTE not a multiple of three");
    png = Rgba(2, 2);
    png.transparency = {0, 1};
    withHeader(png, PngError::BadTransparency, "tRNS on an RGBA picture");

    for (const Case& c : cases) {
        const PngImage image = DecodePng(c.file);
        EXPECT_EQ(image.error, c.expected)
            << c.name << ": got \"" << PngErrorText(image.error) << "\"";
        EXPECT_TRUE(image.rgba.empty()) << c.name;
    }
}

// The committed pictures, found from this source file's own place.
Bytes ReadResource(const char* name) {
    const std::filesystem::path path =
        std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "resources" / name;
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The pictures the program ships decode, with the transparency they are
// drawn with.
TEST(PngReader, DecodesTheShippedPictures) {
    struct Picture {
        const char* file;
        std::uint32_t width, height;
        bool transparentCorner;
    };
    for (const Picture& p :
         {Picture{"ProgramPicture.png", 300, 300, true}, Picture{"Banner.png", 100, 30, true}}) {
        const Bytes file = ReadResource(p.file);
        ASSERT_FALSE(file.empty()) << p.file;
        const PngImage image = DecodePng(file);
        ASSERT_TRUE(image) << p.file << ": " << PngErrorText(image.error);
        EXPECT_EQ(image.width, p.width) << p.file;
        EXPECT_EQ(image.height, p.height) << p.file;
        ASSERT_EQ(image.rgba.size(), std::size_t{p.width} * p.height * 4);
        EXPECT_EQ(image.rgba[3] == 0, p.transparentCorner) << p.file;
        const std::size_t centre = (std::size_t{p.height} / 2 * p.width + p.width / 2) * 4;
        EXPECT_EQ(image.rgba[centre + 3], 255) << p.file << ": the middle is drawn opaque";
    }
}

} // namespace
} // namespace marovan
