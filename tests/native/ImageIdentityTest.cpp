#include "main/ImageIdentity.h"

#include <gtest/gtest.h>

namespace marovan {
namespace {

FileIdentity WithId(std::uint8_t id, std::uint64_t volume = 7) {
    FileIdentity identity;
    identity.hasId = true;
    identity.volume = volume;
    identity.id[15] = id; // the high bytes of a 128-bit identity count too
    return identity;
}

FileIdentity AtPath(const char16_t* path) {
    FileIdentity identity;
    identity.finalPath = path;
    return identity;
}

TEST(SameImage, OneFile) {
    struct Case {
        const char* what;
        FileIdentity a, b;
        bool same;
    };
    const Case cases[] = {
        {"one identity", WithId(1), WithId(1), true},
        {"two identities", WithId(1), WithId(2), false},
        {"the same index on another volume", WithId(1), WithId(1, 8), false},
        {"no identity: the same final path", AtPath(u"C:\\a"), AtPath(u"C:\\a"), true},
        {"no identity: other paths", AtPath(u"C:\\a"), AtPath(u"C:\\b"), false},
        {"no identity on one side", WithId(1), AtPath(u"C:\\a"), false},
        {"no identity and no path", AtPath(u""), AtPath(u""), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SameFile(c.a, c.b), c.same) << c.what;
        EXPECT_EQ(SameFile(c.b, c.a), c.same) << c.what << " (the other way)";
    }
}

TEST(SameImage, SameSizeAndTimeWithinTwoSeconds) {
    constexpr std::int64_t kSecond = 10'000'000;
    struct Case {
        const char* what;
        FileFacts a, b;
        bool same;
    };
    const Case cases[] = {
        {"one size and time", {10, 5}, {10, 5}, true},
        {"two seconds apart", {10, 0}, {10, 2 * kSecond}, true},
        {"more than two seconds apart", {10, 0}, {10, 2 * kSecond + 1}, false},
        {"another size", {10, 0}, {11, 0}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SameSizeAndTime(c.a, c.b), c.same) << c.what;
        EXPECT_EQ(SameSizeAndTime(c.b, c.a), c.same) << c.what << " (the other way)";
    }
}

} // namespace
} // namespace marovan
