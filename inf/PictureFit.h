#pragma once
// Fits a decoded picture into a box for display: scaled proportionally and
// smoothly, transparency kept. The result is what a 32-bit top-down DIB for
// alpha blending holds: B, G, R, A per pixel, colour premultiplied by alpha.

#include "inf/PngReader.h"

#include <cstdint>
#include <vector>

namespace marovan {

struct FittedPicture {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> bgra;
};

// The largest proportional size of `picture` within the box (at least one
// pixel each way), filtered so that neither shrinking nor stretching shows
// jagged edges. An empty picture or box gives an empty result.
FittedPicture FitPicture(const PngImage& picture, std::uint32_t boxWidth, std::uint32_t boxHeight);

} // namespace marovan
