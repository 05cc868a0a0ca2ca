// Arbitrary files through DecodePng: no crash, no leak, and a picture it
// accepts has the size its header gives.
//
// Almost every mutation of a real PNG breaks a CRC or the zlib stream, which
// the reader refuses at once. So each input is also decoded as repaired: the
// PNG signature, every whole chunk with its CRC recomputed, and the image
// data joined into one IDAT, compressed here when it is not a zlib stream
// already. Mutations of chunk fields and of raw row bytes then reach the
// header, palette, filter and pixel code.

#include "inf/PngReader.h"
#include "tests/fuzz/FuzzCheck.h"

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

namespace {

using marovan::DecodePng;
using marovan::PngError;
using marovan::PngImage;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::uint32_t ReadU32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 |
           std::uint32_t{p[3]};
}

void PutU32(Bytes& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void PutChunk(Bytes& out, const std::uint8_t* type, std::span<const std::uint8_t> data) {
    PutU32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t body = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutU32(out, static_cast<std::uint32_t>(
                    crc32(0, out.data() + body, static_cast<uInt>(out.size() - body))));
}

// Whether `data` is one complete zlib stream (what follows it is ignored).
bool IsZlibStream(const Bytes& data) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return false;
    stream.next_in = const_cast<Bytef*>(data.data());
    stream.avail_in = static_cast<uInt>(data.size());
    static std::uint8_t scratch[1 << 16];
    int status = Z_OK;
    while (status == Z_OK) {
        stream.next_out = scratch;
        stream.avail_out = sizeof scratch;
        status = inflate(&stream, Z_NO_FLUSH);
    }
    inflateEnd(&stream);
    return status == Z_STREAM_END;
}

Bytes Compressed(const Bytes& data) {
    uLongf length = compressBound(static_cast<uLong>(data.size()));
    Bytes out(length);
    FUZZ_CHECK(compress2(out.data(), &length, data.data(), static_cast<uLong>(data.size()), 1) ==
               Z_OK);
    out.resize(length);
    return out;
}

Bytes Repaired(std::span<const std::uint8_t> bytes) {
    Bytes out(kSignature, kSignature + sizeof kSignature);
    if (bytes.size() < sizeof kSignature)
        return out;
    static constexpr std::uint8_t kIdat[4] = {'I', 'D', 'A', 'T'};
    std::optional<std::size_t> idatAt; // where in `out` the joined IDAT goes
    Bytes idat;
    std::size_t pos = sizeof kSignature;
    while (bytes.size() - pos >= 12) {
        const std::uint32_t length = ReadU32(bytes.data() + pos);
        if (bytes.size() - pos - 12 < length)
            break;
        const std::uint8_t* type = bytes.data() + pos + 4;
        const std::span<const std::uint8_t> data(type + 4, length);
        if (std::memcmp(type, kIdat, 4) == 0) {
            if (!idatAt)
                idatAt = out.size();
            idat.insert(idat.end(), data.begin(), data.end());
        } else {
            PutChunk(out, type, data);
        }
        pos += 12 + std::size_t{length};
        if (std::memcmp(type, "IEND", 4) == 0)
            break; // the reader ignores what follows, and so must this
    }
    out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(pos), bytes.end());
    if (idatAt) {
        Bytes chunk;
        PutChunk(chunk, kIdat, IsZlibStream(idat) ? idat : Compressed(idat));
        out.insert(out.begin() + static_cast<std::ptrdiff_t>(*idatAt), chunk.begin(), chunk.end());
    }
    return out;
}

void CheckImage(std::span<const std::uint8_t> bytes, const PngImage& image) {
    FUZZ_CHECK(!marovan::PngErrorText(image.error).empty());
    if (!image) {
        FUZZ_CHECK(image.width == 0 && image.height == 0 && image.rgba.empty());
        return;
    }
    // Accepted: the data starts with the signature and IHDR, whose first two
    // fields are the size.
    FUZZ_CHECK(bytes.size() >= 8 + 8 + 13 + 4);
    FUZZ_CHECK(image.width == ReadU32(bytes.data() + 16));
    FUZZ_CHECK(image.height == ReadU32(bytes.data() + 20));
    FUZZ_CHECK(image.width > 0 && image.height > 0);
    const std::uint64_t pixels = std::uint64_t{image.width} * image.height;
    FUZZ_CHECK(pixels <= marovan::kPngMaxPixels);
    FUZZ_CHECK(image.rgba.size() == pixels * 4);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const PngImage image = DecodePng(bytes);
    CheckImage(bytes, image);

    const Bytes repaired = Repaired(bytes);
    if (repaired.size() == size && std::memcmp(repaired.data(), data, size) == 0)
        return 0;
    const PngImage again = DecodePng(repaired);
    CheckImage(repaired, again);
    // A picture read as it was reads the same with its data in one IDAT.
    if (image) {
        FUZZ_CHECK(again);
        FUZZ_CHECK(again.width == image.width && again.height == image.height);
        FUZZ_CHECK(again.rgba == image.rgba);
    }
    return 0;
}
