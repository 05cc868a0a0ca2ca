#include "inf/VersionName.h"

#include <gtest/gtest.h>

namespace marovan {
namespace {

TEST(VersionName, StringTableIsLanguageThenCodePage) {
    struct Case {
        std::uint32_t translation;
        const char16_t* name;
    };
    for (const Case& c : {
             Case{0x04E40409, u"040904E4"}, // US English, Windows Latin 1
             Case{0x04B00411, u"041104B0"}, // Japanese, Unicode
             Case{0x00000000, u"00000000"},
             Case{0xFFFF0000, u"0000FFFF"},
             Case{0x0000ABCD, u"ABCD0000"},
             Case{0x12345678, u"56781234"},
         }) {
        EXPECT_EQ(StringTableName(c.translation), c.name) << std::hex << c.translation;
    }
}

TEST(VersionName, FileVersionQuery) {
    EXPECT_EQ(FileVersionQuery(0x04E40409), u"\\StringFileInfo\\040904E4\\FileVersion");
}

TEST(VersionName, VersionLine) {
    struct Case {
        VersionLookup lookup;
        const char16_t* fileVersion;
        const char16_t* line;
    };
    for (const Case& c : {
             Case{VersionLookup::Found, u"2.0.0.331", u"Version 2.0.0.331"},
             Case{VersionLookup::NoVersionInformation, u"", u"Version nothing"},
             Case{VersionLookup::NoTranslation, u"", u"Version nothing"},
             Case{VersionLookup::NoFileVersion, u"", u"Version:0.0.0"},
         }) {
        EXPECT_EQ(VersionLine(c.lookup, c.fileVersion), c.line);
    }
}

} // namespace
} // namespace marovan
