#include "inf/PictureFit.h"

#include <algorithm>
#include <cmath>

namespace marovan {

namespace {

// The source samples that make up one target sample along one axis, with
// their weights (summing to one): a tent filter as wide as one target pixel
// when shrinking and one source pixel when stretching.
struct Tap {
    std::uint32_t source;
    float weight;
};

std::vector<std::vector<Tap>> Taps(std::uint32_t from, std::uint32_t to) {
    const double scale = static_cast<double>(from) / to;
    const double radius = std::max(1.0, scale);
    std::vector<std::vector<Tap>> taps(to);
    for (std::uint32_t t = 0; t < to; ++t) {
        const double centre = (t + 0.5) * scale - 0.5;
        const auto first = static_cast<long>(std::floor(centre - radius)) + 1;
        const auto last = static_cast<long>(std::ceil(centre + radius)) - 1;
        double total = 0;
        for (long s = first; s <= last; ++s) {
            const double w = 1.0 - std::abs(s - centre) / radius;
            if (w <= 0)
                continue;
            const auto clamped = static_cast<std::uint32_t>(std::clamp<long>(s, 0, from - 1));
            taps[t].push_back({clamped, static_cast<float>(w)});
            total += w;
        }
        for (Tap& tap : taps[t])
            tap.weight = static_cast<float>(tap.weight / total);
    }
    return taps;
}

} // namespace

FittedPicture FitPicture(const PngImage& picture, std::uint32_t boxWidth, std::uint32_t boxHeight) {
    FittedPicture fitted;
    if (!picture || picture.width == 0 || picture.height == 0 || boxWidth == 0 || boxHeight == 0)
        return fitted;
    // Proportional: the tighter of the two ratios decides.
    const double ratio = std::min(static_cast<double>(boxWidth) / picture.width,
                                  static_cast<double>(boxHeight) / picture.height);
    fitted.width = std::clamp<std::uint32_t>(
        static_cast<std::uint32_t>(std::lround(picture.width * ratio)), 1, boxWidth);
    fitted.height = std::clamp<std::uint32_t>(
        static_cast<std::uint32_t>(std::lround(picture.height * ratio)), 1, boxHeight);

    // Filtering works on premultiplied colour, so transparent pixels lend
    // no colour to their neighbours.
    const std::size_t sourcePixels = std::size_t{picture.width} * picture.height;
    std::vector<float> premultiplied(sourcePixels * 4);
    for (std::size_t i = 0; i < sourcePixels; ++i) {
        const float alpha = picture.rgba[i * 4 + 3] / 255.0f;
        premultiplied[i * 4 + 0] = picture.rgba[i * 4 + 0] * alpha;
        premultiplied[i * 4 + 1] = picture.rgba[i * 4 + 1] * alpha;
        premultiplied[i * 4 + 2] = picture.rgba[i * 4 + 2] * alpha;
        premultiplied[i * 4 + 3] = picture.rgba[i * 4 + 3];
    }

    // Rows first, then columns.
    const auto across = Taps(picture.width, fitted.width);
    const auto down = Taps(picture.height, fitted.height);
    std::vector<float> narrowed(std::size_t{fitted.width} * picture.height * 4, 0.0f);
    for (std::uint32_t y = 0; y < picture.height; ++y)
        for (std::uint32_t x = 0; x < fitted.width; ++x) {
            float* out = &narrowed[(std::size_t{y} * fitted.width + x) * 4];
            for (const Tap& tap : across[x]) {
                const float* in = &premultiplied[(std::size_t{y} * picture.width + tap.source) * 4];
                for (int c = 0; c < 4; ++c)
                    out[c] += in[c] * tap.weight;
            }
        }

    fitted.bgra.resize(std::size_t{fitted.width} * fitted.height * 4);
    const auto toByte = [](float v) {
        return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
    };
    for (std::uint32_t y = 0; y < fitted.height; ++y)
        for (std::uint32_t x = 0; x < fitted.width; ++x) {
            float sum[4] = {0, 0, 0, 0};
            for (const Tap& tap : down[y]) {
                const float* in = &narrowed[(std::size_t{tap.source} * fitted.width + x) * 4];
                for (int c = 0; c < 4; ++c)
                    sum[c] += in[c] * tap.weight;
            }
            std::uint8_t* out = &fitted.bgra[(std::size_t{y} * fitted.width + x) * 4];
            const std::uint8_t alpha = toByte(sum[3]);
            // Premultiplied colour never exceeds its alpha.
            out[0] = std::min(toByte(sum[2]), alpha);
            out[1] = std::min(toByte(sum[1]), alpha);
            out[2] = std::min(toByte(sum[0]), alpha);
            out[3] = alpha;
        }
    return fitted;
}

} // namespace marovan
