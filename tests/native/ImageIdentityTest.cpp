#include "main/ImageIdentity.h"

#include <gtest/gtest.h>

namespace marovan {
namespace {

FileFacts WithId(std::uint8_t id, std::uint64_t size, std::int64_t time) {
    FileFacts facts;
    facts.hasId = true;
    facts.volume = 7;
    facts.id[15] = id; // the high bytes of a 128-bit identity count too
    facts.size = size;
    facts.lastWrite = time;
    return facts;
}

FileFacts AtPath(const char16_t* path, std::uint64_t size, std::int64_t time) {
    FileFacts facts;
    facts.finalPath = path;
    facts.size = size;
    facts.lastWrite = time;
    return facts;
}

TEST(SameImage, OneFileOrTheSameSizeAndTime) {
    constexpr std::int64_t kSecond = 10'000'000;
    struct Case {
        const char* what;
        FileFacts a, b;
        bool same;
    };
    FileFacts otherVolume = WithId(1, 10, 9 * kSecond);
    otherVolume.volume = 8;
    const Case cases[] = {
        {"one file, whatever its times", WithId(1, 10, 0), WithId(1, 10, 99 * kSecond), true},
        {"two files of one size and time", WithId(1, 10, 5), WithId(2, 10, 5), true},
        {"two seconds apart", WithId(1, 10, 0), WithId(2, 10, 2 * kSecond), true},
        {"more than two seconds apart", WithId(1, 10, 0), WithId(2, 10, 2 * kSecond + 1), false},
        {"another size", WithId(1, 10, 0), WithId(2, 11, 0), false},
        {"the same index on another volume", WithId(1, 10, 0), otherVolume, false},
        {"no identity: the same final path", AtPath(u"C:\\a", 1, 0), AtPath(u"C:\\a", 2, 9), true},
        {"no identity: other paths", AtPath(u"C:\\a", 1, 0), AtPath(u"C:\\b", 2, 0), false},
        {"no identity on one side", WithId(1, 1, 0), AtPath(u"C:\\a", 2, 0), false},
        {"no identity and no path", AtPath(u"", 1, 0), AtPath(u"", 2, 0), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SameImage(c.a, c.b), c.same) << c.what;
        EXPECT_EQ(SameImage(c.b, c.a), c.same) << c.what << " (the other way)";
    }
}

} // namespace
} // namespace marovan
