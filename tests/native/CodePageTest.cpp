#include "base/CodePage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace marovan {
namespace {

using Bytes = std::vector<std::uint8_t>;

CodePageShape ShiftJisLike() {
    LeadBytes lead{};
    for (int b = 0x81; b <= 0x9F; ++b)
        lead[b] = true;
    return CodePageShape::DoubleByte(lead);
}

struct PrefixCase {
    Bytes bytes;
    std::size_t prefix;
};

TEST(WholeCharacterPrefix, DoubleByteEndsAfterEveryWholePair) {
    const PrefixCase cases[] = {
        {{}, 0},
        {{'a', 'b'}, 2},
        {{'a', 0x81}, 1},             // a lead byte waiting for its trail
        {{0x81, 0x81}, 2},            // lead and a trail that looks like a lead
        {{'a', 0x81, 0x81, 0x81}, 3}, // the last lead-looking byte is a lead
        {{0x81, 'a', 0x81, 0x81}, 4}, // the byte before the run always ends a character
        {{0x81, 'a', 0x81}, 2},
        {{0x81, 0x0A}, 2}, // an invalid trail still ends where it ends
        {{0x81}, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WholeCharacterPrefix(c.bytes, ShiftJisLike()), c.prefix)
            << testing::PrintToString(c.bytes);
}

TEST(CharacterStartAtOrBefore, BacksUpToAByteThatEndsACharacter) {
    const struct {
        const char* shape;
        CodePageShape codePage;
        Bytes bytes;
        std::size_t position;
        std::size_t start;
    } cases[] = {
        {"single-byte", CodePageShape::SingleByte(), {0x81, 0x81, '%'}, 2, 2},
        {"double-byte after ASCII", ShiftJisLike(), {'a', '%'}, 1, 1},
        {"double-byte after a trail", ShiftJisLike(), {0x81, 'a', '%'}, 2, 2},
        {"double-byte after leads", ShiftJisLike(), {'a', 0x81, 0x81, 0x81, '%'}, 4, 1},
        {"double-byte, leads from the start", ShiftJisLike(), {0x81, 0x82, '%'}, 2, 0},
        {"UTF-8 inside a sequence", CodePageShape::Utf8(), {'a', 0xE3, 0x81, 0x82, '%'}, 3, 1},
        {"UTF-8 after ASCII", CodePageShape::Utf8(), {0xE3, 0x81, 0x82, 'a', '%'}, 4, 4},
        {"past the end", CodePageShape::SingleByte(), {'a'}, 9, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CharacterStartAtOrBefore(c.bytes, c.position, c.codePage), c.start) << c.shape;
}

TEST(WholeCharacterPrefix, Utf8NeverEndsInsideASequence) {
    const PrefixCase cases[] = {
        {{}, 0},
        {{'a', 'b'}, 2},
        {{'a', 0xC3}, 1},                    // "é" cut after its lead byte
        {{'a', 0xC3, 0xA9}, 3},              // "é" whole
        {{0xE3, 0x81}, 0},                   // "あ" cut after two of three
        {{'x', 0xE3, 0x81, 0x82}, 4},        // "あ" whole
        {{0xF0, 0x9F, 0x98}, 0},             // a four-byte sequence cut after three
        {{0xF0, 0x9F, 0x98, 0x80}, 4},       // and whole
        {{'a', 0x81}, 2},                    // a stray continuation byte begins nothing
        {{'a', 0x80, 0x80, 0x80, 0x80}, 5},  // nor do several
        {{'a', 0xFF}, 2},                    // a byte no sequence starts with
        {{'a', 0xC0}, 2},                    // an overlong lead is invalid on its own
        {{0xE3, 0x81, 0x82, 0xE3, 0x81}, 3}, // cut before the second "あ"
        {{'a', '\r', '\n', 0xE3, 0x81}, 3},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WholeCharacterPrefix(c.bytes, CodePageShape::Utf8()), c.prefix)
            << testing::PrintToString(c.bytes);
}

TEST(WholeCharacterPrefix, SingleByteTakesEverything) {
    const Bytes bytes = {'a', 0x81, 0xC3, 0xE3};
    EXPECT_EQ(WholeCharacterPrefix(bytes, CodePageShape::SingleByte()), bytes.size());
}

TEST(StretchKeepingLineEnds, DoubleByteEndsAfterALeadByteThatALineEndFollows) {
    struct Case {
        Bytes bytes;
        std::size_t stretch;
    };
    const Case cases[] = {
        {{}, 0},
        {{'a', '\r', '\n', 'b'}, 4},
        {{'a', 0x82, '\r', 'b'}, 2},
        {{'a', 0x82, '\n', 'b'}, 2},
        {{0x82, 0x82, '\r'}, 3},       // the second 0x82 is a trail byte
        {{0x82, 0x82, 0x82, '\n'}, 3}, // and here a lead byte again
        {{'\r', 0x82}, 2},
        {{'x', '\n', 0x82, 0x40, '\r', 0x9F, '\r'}, 6},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StretchKeepingLineEnds(c.bytes, ShiftJisLike()), c.stretch)
            << testing::PrintToString(c.bytes);
}

TEST(StretchKeepingLineEnds, OtherCodePagesHaveNoSuchPairs) {
    const Bytes bytes = {'a', 0xE3, '\r', 0x82, '\n', 'b'};
    EXPECT_EQ(StretchKeepingLineEnds(bytes, CodePageShape::Utf8()), bytes.size());
    EXPECT_EQ(StretchKeepingLineEnds(bytes, CodePageShape::SingleByte()), bytes.size());
}

} // namespace
} // namespace marovan
