#include "tests/e2e/Picture.h"

#include "platform/Handles.h"
#include "tests/e2e/Fixtures.h"
#include "tests/e2e/Remote.h"

#include <zlib.h>

#include <cstdlib>
#include <string>

namespace marovan::e2e {

std::uint32_t Picture::Pixel(int x, int y) const {
    const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
    return (std::uint32_t{rgb[at]} << 16) | (std::uint32_t{rgb[at + 1]} << 8) | rgb[at + 2];
}

Picture CaptureScreen(const RECT& area) {
    Picture picture;
    picture.width = area.right - area.left;
    picture.height = area.bottom - area.top;
    if (picture.width <= 0 || picture.height <= 0)
        throw DriverError(L"nothing to capture: empty screen area");

    win::WindowDc screen(nullptr);
    win::UniqueDc memory(::CreateCompatibleDC(screen.get()));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    win::UniqueBitmap bitmap(
        ::CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!memory || !bitmap || !bits)
        throw DriverError(L"cannot make a bitmap for the screenshot");
    {
        win::SelectedObject selected(memory.get(), bitmap.get());
        if (!::BitBlt(memory.get(), 0, 0, picture.width, picture.height, screen.get(), area.left,
                      area.top, SRCCOPY | CAPTUREBLT))
            throw DriverError(L"cannot copy the screen (error " +
                              std::to_wstring(::GetLastError()) + L")");
        ::GdiFlush();
    }
    const auto* bgra = static_cast<const std::uint8_t*>(bits);
    const std::size_t pixels = static_cast<std::size_t>(picture.width) * picture.height;
    picture.rgb.resize(pixels * 3);
    for (std::size_t i = 0; i < pixels; ++i) {
        picture.rgb[i * 3] = bgra[i * 4 + 2];
        picture.rgb[i * 3 + 1] = bgra[i * 4 + 1];
        picture.rgb[i * 3 + 2] = bgra[i * 4];
    }
    return picture;
}

Picture CaptureDesktop() {
    const int left = ::GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
    const RECT area{left, top, left + ::GetSystemMetrics(SM_CXVIRTUALSCREEN),
                    top + ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    return CaptureScreen(area);
}

namespace {

void AppendBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void AppendChunk(std::vector<std::uint8_t>& out, const char (&type)[5],
                 const std::vector<std::uint8_t>& data) {
    AppendBigEndian(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = ::crc32(0L, out.data() + typeAt, static_cast<uInt>(data.size() + 4));
    AppendBigEndian(out, static_cast<std::uint32_t>(crc));
}

} // namespace

std::vector<std::uint8_t> EncodePng(const Picture& picture) {
    std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

    std::vector<std::uint8_t> header;
    AppendBigEndian(header, static_cast<std::uint32_t>(picture.width));
    AppendBigEndian(header, static_cast<std::uint32_t>(picture.height));
    header.insert(header.end(), {8, 2, 0, 0, 0}); // 8-bit RGB, no interlace
    AppendChunk(out, "IHDR", header);

    // Each scan line is preceded by its filter type; 0 (none) is enough here.
    const std::size_t stride = static_cast<std::size_t>(picture.width) * 3;
    std::vector<std::uint8_t> raw;
    raw.reserve((stride + 1) * picture.height);
    for (int y = 0; y < picture.height; ++y) {
        raw.push_back(0);
        const auto line = picture.rgb.begin() + static_cast<std::ptrdiff_t>(y * stride);
        raw.insert(raw.end(), line, line + static_cast<std::ptrdiff_t>(stride));
    }
    uLongf packedSize = ::compressBound(static_cast<uLong>(raw.size()));
    std::vector<std::uint8_t> packed(packedSize);
    if (::compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 6) !=
        Z_OK)
        throw DriverError(L"zlib could not compress the picture");
    packed.resize(packedSize);
    AppendChunk(out, "IDAT", packed);
    AppendChunk(out, "IEND", {});
    return out;
}

Picture Pattern(int width, int height, unsigned seed) {
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.rgb.resize(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
            picture.rgb[at] = static_cast<std::uint8_t>(x * 16 + seed * 40);
            picture.rgb[at + 1] = static_cast<std::uint8_t>(y * 16 + seed * 90);
            picture.rgb[at + 2] = static_cast<std::uint8_t>((x ^ y) * 8 + seed * 7);
        }
    return picture;
}

std::filesystem::path SaveScreenshot(std::wstring_view name) {
    const wchar_t* shots = ::_wgetenv(L"MAROVAN_SHOTS");
    std::filesystem::path folder =
        shots && *shots ? std::filesystem::path(shots) : std::filesystem::temp_directory_path();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const std::filesystem::path path = folder / (std::wstring(name) + L".png");
    WriteBytes(path, EncodePng(CaptureDesktop()));
    return path;
}

Ink InkOf(const Picture& picture) {
    Ink ink;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const std::uint32_t p = picture.Pixel(x, y);
            const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            ++ink.pixels;
            ink.white += p == 0xFFFFFF;
            ink.red += r > 180 && r - g > 60 && r - b > 60;
            ink.blue += b > 180 && b - r > 60 && b - g > 60;
        }
    return ink;
}

} // namespace marovan::e2e
