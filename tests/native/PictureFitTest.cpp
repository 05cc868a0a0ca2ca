#include "inf/PictureFit.h"

#include <gtest/gtest.h>

#include <array>

namespace marovan {
namespace {

PngImage Filled(std::uint32_t width, std::uint32_t height, std::array<std::uint8_t, 4> rgba) {
    PngImage image;
    image.width = width;
    image.height = height;
    for (std::size_t i = 0; i < std::size_t{width} * height; ++i)
        image.rgba.insert(image.rgba.end(), rgba.begin(), rgba.end());
    return image;
}

TEST(PictureFit, KeepsProportionsWithinTheBox) {
    struct Case {
        std::uint32_t width, height, boxWidth, boxHeight, fittedWidth, fittedHeight;
    };
    for (const Case& c : {
             Case{300, 300, 60, 60, 60, 60},  // the program picture at 96 DPI
             Case{300, 300, 90, 90, 90, 90},  // at 144 DPI
             Case{100, 30, 100, 30, 100, 30}, // the banner as it is
             Case{100, 30, 150, 45, 150, 45}, // the banner stretched
             Case{100, 30, 60, 60, 60, 18},   // wide into a square
             Case{30, 100, 60, 60, 18, 60},   // tall into a square
             Case{1000, 1, 10, 10, 10, 1},    // never below one pixel
         }) {
        const FittedPicture fitted =
            FitPicture(Filled(c.width, c.height, {1, 2, 3, 255}), c.boxWidth, c.boxHeight);
        EXPECT_EQ(fitted.width, c.fittedWidth) << c.width << "x" << c.height;
        EXPECT_EQ(fitted.height, c.fittedHeight) << c.width << "x" << c.height;
        EXPECT_EQ(fitted.bgra.size(), std::size_t{c.fittedWidth} * c.fittedHeight * 4);
    }
}

TEST(PictureFit, PremultipliesAndKeepsFlatColourFlat) {
    // Half-transparent orange, shrunk and stretched: every pixel stays the
    // same colour, premultiplied, in B, G, R, A order.
    for (const std::uint32_t box : {7u, 40u}) {
        const FittedPicture fitted = FitPicture(Filled(20, 20, {255, 128, 0, 128}), box, box);
        ASSERT_FALSE(fitted.bgra.empty());
        for (std::size_t i = 0; i < fitted.bgra.size(); i += 4) {
            EXPECT_EQ(fitted.bgra[i + 0], 0);
            EXPECT_EQ(fitted.bgra[i + 1], 64);
            EXPECT_EQ(fitted.bgra[i + 2], 128);
            EXPECT_EQ(fitted.bgra[i + 3], 128);
        }
    }
}

TEST(PictureFit, TransparentPixelsLendNoColour) {
    // Left half opaque black, right half transparent white: the blend at the
    // border must be partly transparent black, never grey.
    PngImage image = Filled(10, 2, {255, 255, 255, 0});
    for (std::size_t y = 0; y < 2; ++y)
        for (std::size_t x = 0; x < 5; ++x)
            for (int c = 0; c < 4; ++c)
                image.rgba[(y * 10 + x) * 4 + c] = c == 3 ? 255 : 0;
    const FittedPicture fitted = FitPicture(image, 5, 5);
    ASSERT_EQ(fitted.width, 5u);
    bool sawPartial = false;
    for (std::size_t i = 0; i < fitted.bgra.size(); i += 4) {
        EXPECT_EQ(fitted.bgra[i], 0) << "pixel " << i / 4;
        sawPartial |= fitted.bgra[i + 3] > 0 && fitted.bgra[i + 3] < 255;
    }
    EXPECT_TRUE(sawPartial) << "the edge is smoothed";
}

TEST(PictureFit, EmptyInputGivesEmptyResult) {
    PngImage broken;
    broken.error = PngError::BadCrc;
    EXPECT_TRUE(FitPicture(broken, 60, 60).bgra.empty());
    EXPECT_TRUE(FitPicture(Filled(3, 3, {0, 0, 0, 255}), 0, 60).bgra.empty());
}

} // namespace
} // namespace marovan
