#pragma once
// Pictures the driver makes: screenshots of the virtual desktop and small
// PNG images used as linked files in test documents.

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

namespace marovan::e2e {

// Pixels top-down, 3 bytes (R, G, B) each.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;

    std::uint32_t Pixel(int x, int y) const; // 0xRRGGBB
};

// The whole virtual desktop as it is on screen now.
Picture CaptureDesktop();
// A part of the desktop in screen coordinates.
Picture CaptureScreen(const RECT& area);

std::vector<std::uint8_t> EncodePng(const Picture& picture);

// How much of a picture is white, and how much red or blue ink: text is drawn
// with smoothing, so a stroke is a range of tints.
struct Ink {
    int white = 0;
    int red = 0;
    int blue = 0;
    int pixels = 0;
};
Ink InkOf(const Picture& picture);

// A picture of w x h filled with a pattern that depends on `seed`, so that
// different images have different bytes.
Picture Pattern(int width, int height, unsigned seed);

// Saves the desktop as <MAROVAN_SHOTS>/<name>.png and returns that path.
std::filesystem::path SaveScreenshot(std::wstring_view name);

} // namespace marovan::e2e
