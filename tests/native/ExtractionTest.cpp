#include "main/Extraction.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace marovan {
namespace {

struct Link {
    std::u16string path;
    std::u16string fileName;
    bool operator==(const Link&) const = default;
};

struct Extracted {
    bool found = false;
    std::vector<std::u16string> paths;
};

Extracted Extract(std::u16string_view text) {
    Extracted result;
    result.found = ExtractLinks(text, [&](std::u16string_view path, std::u16string_view name) {
        EXPECT_EQ(name, FileNameOf(path));
        result.paths.emplace_back(path);
    });
    return result;
}

struct ExtractionCase {
    const char* name;
    std::u16string_view text;
    bool found;
    std::vector<std::u16string> paths;
};

void PrintTo(const ExtractionCase& c, std::ostream* out) {
    *out << c.name;
}

class ExtractionTable : public testing::TestWithParam<ExtractionCase> {};

TEST_P(ExtractionTable, YieldsThePathsOfTheFirstRecord) {
    const auto& c = GetParam();
    const Extracted result = Extract(c.text);
    EXPECT_EQ(result.found, c.found);
    EXPECT_EQ(result.paths, c.paths);
}

const ExtractionCase kExtractionCases[] = {
    {"CrLf",
     u"%!PS\r\n%%DocumentFiles:C:\\work\\a.psd\r\n%%+C:\\work\\b.tif\r\n%%EndComments\r\n",
     true,
     {u"C:\\work\\a.psd", u"C:\\work\\b.tif"}},
    {"LoneCr",
     u"%%DocumentFiles:/Users/k/a.png\r%%+/Users/k/b.png\r%%Title\r",
     true,
     {u"/Users/k/a.png", u"/Users/k/b.png"}},
    {"LoneLf",
     u"%%DocumentFiles:a.png\n%%+b.png\n%%+c.png\n",
     true,
     {u"a.png", u"b.png", u"c.png"}},
    {"MixedLineEnds", u"%%DocumentFiles:a\r\n%%+b\r%%+c\n%%+d\r\n", true, {u"a", u"b", u"c", u"d"}},
    {"EmptyPath", u"%%DocumentFiles:\r\n", true, {u""}},
    {"EmptyContinuation", u"%%DocumentFiles:a\r\n%%+\r\n%%+b\r\n", true, {u"a", u"", u"b"}},
    {"UnterminatedLastPathIsNotTaken", u"%%DocumentFiles:a\r\n%%+b", true, {u"a"}},
    {"UnterminatedFirstPath", u"xx%%DocumentFiles:C:\\a.png", true, {}},
    {"BlankLineEndsTheRecord", u"%%DocumentFiles:a\r\n\r\n%%+b\r\n", true, {u"a"}},
    {"LfThenCrIsTwoLineEnds", u"%%DocumentFiles:a\n\r%%+b\n", true, {u"a"}},
    {"ContinuationMustStartTheLine", u"%%DocumentFiles:a\r\n %%+b\r\n", true, {u"a"}},
    {"ContinuationCutByTheEnd", u"%%DocumentFiles:a\r\n%%", true, {u"a"}},
    {"LowerCaseMarkerIsNoMarker", u"%%documentfiles:a\r\n", false, {}},
    {"NoMarker", u"%!PS-Adobe-3.0\r\n%%Creator: x\r\n", false, {}},
    {"EmptyText", u"", false, {}},
    {"MarkerNotAtLineStart", u"junk%%DocumentFiles:a\r\n", true, {u"a"}},
    {"LeadingAndTrailingSpacesStay",
     u"%%DocumentFiles: C:\\x\\ a.png \r\n",
     true,
     {u" C:\\x\\ a.png "}},
    {"SecondMarkerIgnored",
     u"%%DocumentFiles:a\r\n%%EndComments\r\n%%DocumentFiles:b\r\n",
     true,
     {u"a"}},
    {"CommasFromNulBytesStay", u",,%%DocumentFiles:a,b\r\n%%+c\r\n", true, {u"a,b", u"c"}},
    {"JapanesePath", u"%%DocumentFiles:C:\\画像\\写真１.psd\r\n", true, {u"C:\\画像\\写真１.psd"}},
};

// A text that arrives in pieces reads as the whole text, wherever it is cut.
TEST_P(ExtractionTable, ReadsTheSameInPieces) {
    const auto& c = GetParam();
    for (std::size_t cut = 0; cut <= c.text.size(); ++cut) {
        LinkRecordScanner scanner;
        scanner.Feed(c.text.substr(0, cut));
        scanner.Feed(c.text.substr(cut));
        scanner.Finish();
        EXPECT_EQ(scanner.Found(), c.found) << "cut at " << cut;
        EXPECT_EQ(scanner.Paths(), c.paths) << "cut at " << cut;
    }
    LinkRecordScanner unitByUnit;
    for (char16_t unit : c.text)
        unitByUnit.Feed(std::u16string_view(&unit, 1));
    unitByUnit.Finish();
    EXPECT_EQ(unitByUnit.Found(), c.found);
    EXPECT_EQ(unitByUnit.Paths(), c.paths);
}

INSTANTIATE_TEST_SUITE_P(Records, ExtractionTable, testing::ValuesIn(kExtractionCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FileNameOf, TakesWhatFollowsTheLastSeparator) {
    const std::pair<std::u16string_view, std::u16string_view> cases[] = {
        {u"C:\\work\\a.psd", u"a.psd"},
        {u"/Users/name/folder/a.png", u"a.png"},
        {u"Macintosh HD:Users:a.tif", u"a.tif"},
        {u"C:a.png", u"a.png"},
        {u"a.png", u"a.png"},
        {u" C:\\x\\ b.png", u" b.png"},
        {u"C:\\x\\", u""},
        {u"", u""},
        {u"C:\\mixed/sep\\c.eps", u"c.eps"},
    };
    for (const auto& [path, name] : cases)
        EXPECT_EQ(FileNameOf(path), name) << std::string(path.begin(), path.end());
}

TEST(PositionFrom, FindsFromAZeroBasedIndexAndAnswersOneBased) {
    const std::u16string_view text = u"ab\r\ncd\r\n";
    EXPECT_EQ(PositionFrom(u"\r\n", text, 0), 3u);
    EXPECT_EQ(PositionFrom(u"\r\n", text, -5), 3u);
    EXPECT_EQ(PositionFrom(u"\r\n", text, 2), 3u);
    EXPECT_EQ(PositionFrom(u"\r\n", text, 3), 7u);
    EXPECT_EQ(PositionFrom(u"\r\n", text, 7), 0u);
    EXPECT_EQ(PositionFrom(u"\r\n", text, 8), 0u);
    EXPECT_EQ(PositionFrom(u"x", text, 0), 0u);
    EXPECT_EQ(PositionFrom(u"a", u"", 0), 0u);
}

TEST(PositionFrom, NeverStartsInsideASurrogatePair) {
    // U+1F600 is D83D DE00. With index 1 the unit at 1-based position 1 is a
    // high surrogate, so the search starts at offset 2, past the low surrogate.
    const std::u16string text = u"\U0001F600\xDE00x";
    EXPECT_EQ(PositionFrom(u"\xDE00", text, 1), 3u);
    EXPECT_EQ(PositionFrom(u"\xDE00", text, 0), 2u);
    // Index 2: 1-based position 2 is the low surrogate; no skip.
    EXPECT_EQ(PositionFrom(u"\xDE00", text, 2), 3u);
    // A lone high surrogate starts no pair: nothing is skipped.
    EXPECT_EQ(PositionFrom(u"A",
                           u"\xD800"
                           u"A",
                           1),
              2u);
}

TEST(LinkRecordScanner, IsDoneOnlyOnceTheRecordHasEnded) {
    LinkRecordScanner scanner;
    scanner.Feed(u"junk %%Document");
    EXPECT_FALSE(scanner.Found());
    scanner.Feed(u"Files:a\r\n%%+b\r");
    EXPECT_TRUE(scanner.Found());
    EXPECT_FALSE(scanner.Done());
    EXPECT_EQ(scanner.Paths(), std::vector<std::u16string>{u"a"});
    scanner.Feed(u"\n%");
    EXPECT_FALSE(scanner.Done());
    scanner.Feed(u"%EndComments");
    EXPECT_TRUE(scanner.Done());
    scanner.Feed(u"\r\n%%+c\r\n");
    EXPECT_EQ(scanner.Paths(), (std::vector<std::u16string>{u"a", u"b"}));
}

TEST(WholeCharacterPrefix, EndsAtACharacterBoundary) {
    LeadBytes lead{};
    for (int b = 0x81; b <= 0x9F; ++b)
        lead[b] = true;
    struct Case {
        std::vector<std::uint8_t> bytes;
        std::size_t prefix;
    };
    const Case cases[] = {
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
        EXPECT_EQ(WholeCharacterPrefix(c.bytes, lead), c.prefix) << testing::PrintToString(c.bytes);
}

TEST(StretchKeepingLineEnds, EndsAfterALeadByteThatALineEndFollows) {
    LeadBytes lead{};
    for (int b = 0x81; b <= 0x9F; ++b)
        lead[b] = true;
    struct Case {
        std::vector<std::uint8_t> bytes;
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
        EXPECT_EQ(StretchKeepingLineEnds(c.bytes, lead), c.stretch)
            << testing::PrintToString(c.bytes);
}

TEST(ReplaceNulBytes, TurnsEveryNulIntoAComma) {
    std::vector<std::uint8_t> bytes = {0, 'a', 0, 0, 0x82, 0xA0, 0};
    ReplaceNulBytes(bytes);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{',', 'a', ',', ',', 0x82, 0xA0, ','}));
}

} // namespace
} // namespace marovan
