#include "main/Extraction.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace marovan {
namespace {

struct Extracted {
    bool found = false;
    std::vector<std::u16string> paths;
};

Extracted Extract(std::u16string_view text) {
    Extracted result;
    result.found = ExtractLinks(text, [&](std::u16string_view path, std::u16string_view) {
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

TEST(ExtractLinks, GivesEachPathWithItsFileName) {
    std::vector<std::pair<std::u16string, std::u16string>> links;
    ExtractLinks(u"%%DocumentFiles:C:\\work\\a.psd\r\n%%+ C:\\x\\ b.png\r\n"
                 u"%%+Macintosh HD:Users:c.tif\r\n%%+C:\\x\\\r\n",
                 [&](std::u16string_view path, std::u16string_view name) {
                     links.emplace_back(path, name);
                 });
    const std::vector<std::pair<std::u16string, std::u16string>> expected = {
        {u"C:\\work\\a.psd", u"a.psd"},
        {u" C:\\x\\ b.png", u" b.png"},
        {u"Macintosh HD:Users:c.tif", u"c.tif"},
        {u"C:\\x\\", u""},
    };
    EXPECT_EQ(links, expected);
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

TEST(ReplaceNulBytes, TurnsEveryNulIntoAComma) {
    std::vector<std::uint8_t> bytes = {0, 'a', 0, 0, 0x82, 0xA0, 0};
    ReplaceNulBytes(bytes);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{',', 'a', ',', ',', 0x82, 0xA0, ','}));
}

} // namespace
} // namespace marovan
