#include "main/LinkExport.h"

#include "base/Text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace marovan {
namespace {

Link MakeLink(std::u16string path, Mark mark, Outcome outcome, std::size_t document = 0) {
    Link link;
    link.fileName = std::u16string(path.substr(path.find_last_of(u"\\") + 1));
    link.path = std::move(path);
    link.mark = mark;
    link.source = link.IsFound() ? link.path : u"";
    link.outcome = outcome;
    link.document = document;
    return link;
}

std::vector<std::size_t> All(const Links& links) {
    std::vector<std::size_t> indexes(links.size());
    for (std::size_t i = 0; i < indexes.size(); ++i)
        indexes[i] = i;
    return indexes;
}

std::string Bytes(std::u16string_view text) {
    return Utf8Of(text);
}

constexpr char kBom[] = "\xEF\xBB\xBF";

// Fields that a careless writer breaks: separators, quotes and line breaks
// inside a field, Japanese text, an empty field.
TEST(LinkExport, CsvQuotesOnlyTheFieldsThatNeedIt) {
    struct Case {
        const char* what;
        std::u16string path;
        std::u16string expectedPathField;
    };
    const std::vector<Case> cases = {
        {"plain", u"C:\\a\\x.png", u"C:\\a\\x.png"},
        {"comma", u"C:\\a,b\\x.png", u"\"C:\\a,b\\x.png\""},
        {"quote", u"C:\\\"q\"\\x.png", u"\"C:\\\"\"q\"\"\\x.png\""},
        {"line feed", u"C:\\a\nb\\x.png", u"\"C:\\a\nb\\x.png\""},
        {"carriage return", u"C:\\a\rb\\x.png", u"\"C:\\a\rb\\x.png\""},
        {"japanese", u"C:\\写真・猫\\x.png", u"C:\\写真・猫\\x.png"},
        {"quote and comma", u"C:\\\",\\x.png", u"\"C:\\\"\",\\x.png\""},
    };
    for (const Case& c : cases) {
        const Links links = {MakeLink(c.path, Mark::Missing, Outcome::NotFound)};
        const std::string expected = kBom + Bytes(u"番号,結果,ファイル名,パス,詳細\r\n"
                                                  u"1,×,x.png," +
                                                  c.expectedPathField + u",見つかりません\r\n");
        EXPECT_EQ(LinksAsCsv(links, {u"C:\\d.ai"}, All(links)), expected) << c.what;
    }
}

TEST(LinkExport, EmptyFieldsStayEmptyAndFileNamesGetQuotedToo) {
    Links links = {MakeLink(u"C:\\a\\b,\"c\".png", Mark::Untested, Outcome::Pending)};
    links[0].fileName = u"b,\"c\".png";
    EXPECT_EQ(LinksAsCsv(links, {u"C:\\d.ai"}, All(links)),
              kBom + Bytes(u"番号,結果,ファイル名,パス,詳細\r\n"
                           u"1,,\"b,\"\"c\"\".png\",\"C:\\a\\b,\"\"c\"\".png\",\r\n"));
}

TEST(LinkExport, TextOfOneDocumentHasNoDocumentColumn) {
    const Links links = {
        MakeLink(u"C:\\i\\a.png", Mark::Found, Outcome::Copied),
        MakeLink(u"C:\\i\\b.png", Mark::Missing, Outcome::NotFound),
        MakeLink(u"C:\\i\\c.png", Mark::Found, Outcome::SameAsAbove),
    };
    EXPECT_EQ(LinksAsText(links, {u"C:\\作品.ai"}, All(links)),
              u"番号\t結果\tファイル名\tパス\t詳細\r\n"
              u"1\t○\ta.png\tC:\\i\\a.png\tコピーしました\r\n"
              u"2\t×\tb.png\tC:\\i\\b.png\t見つかりません\r\n"
              u"3\t○\tc.png\tC:\\i\\c.png\t上の行と同じ画像です\r\n");
    // A selection keeps each link's own number.
    const std::vector<std::size_t> third = {2};
    EXPECT_EQ(LinksAsText(links, {u"C:\\作品.ai"}, third),
              u"番号\t結果\tファイル名\tパス\t詳細\r\n"
              u"3\t○\tc.png\tC:\\i\\c.png\t上の行と同じ画像です\r\n");
}

TEST(LinkExport, BatchNamesEachLinksDocumentAndNumbersWithinIt) {
    const Links links = {
        MakeLink(u"C:\\i\\a.png", Mark::Found, Outcome::Copied, 0),
        MakeLink(u"C:\\i\\b.png", Mark::Found, Outcome::Copied, 0),
        MakeLink(u"C:\\j\\a.png", Mark::Found, Outcome::NameTaken, 2),
        MakeLink(u"C:\\j\\d.png", Mark::Missing, Outcome::NotFound, 2),
    };
    const DocumentPaths documents = {u"C:\\一.ai", u"C:\\空,\"の\".ai", u"C:\\三.ai"};
    EXPECT_EQ(LinksAsText(links, documents, All(links)),
              u"AIファイル\t番号\t結果\tファイル名\tパス\t詳細\r\n"
              u"C:\\一.ai\t1\t○\ta.png\tC:\\i\\a.png\tコピーしました\r\n"
              u"C:\\一.ai\t2\t○\tb.png\tC:\\i\\b.png\tコピーしました\r\n"
              u"C:\\三.ai\t1\t○\ta.png\tC:\\j\\a.png\t"
              u"同じ名前の別の画像を先にコピーしたため、コピーしていません\r\n"
              u"C:\\三.ai\t2\t×\td.png\tC:\\j\\d.png\t見つかりません\r\n");
    const std::vector<std::size_t> last = {3};
    EXPECT_EQ(LinksAsCsv(links, documents, last),
              kBom + Bytes(u"AIファイル,番号,結果,ファイル名,パス,詳細\r\n"
                           u"C:\\三.ai,2,×,d.png,C:\\j\\d.png,見つかりません\r\n"));
}

TEST(LinkExport, TextKeepsEachLinkOnOneLine) {
    Links links = {MakeLink(u"C:\\a\tb\r\nc.png", Mark::Missing, Outcome::NotFound)};
    links[0].fileName = u"c.png";
    EXPECT_EQ(LinksAsText(links, {u"C:\\d.ai"}, All(links)),
              u"番号\t結果\tファイル名\tパス\t詳細\r\n"
              u"1\t×\tc.png\tC:\\a b  c.png\t見つかりません\r\n");
}

TEST(LinkExport, NoLinksGiveTheHeaderAlone) {
    EXPECT_EQ(LinksAsText({}, {}, {}), u"番号\t結果\tファイル名\tパス\t詳細\r\n");
    EXPECT_EQ(LinksAsCsv({}, {}, {}), kBom + Bytes(u"番号,結果,ファイル名,パス,詳細\r\n"));
}

TEST(LinkExport, SuggestedFileNameDropsTheDocumentsExtension) {
    EXPECT_EQ(CsvFileName({u"C:\\入稿\\表紙.ai"}), u"表紙_リンク.csv");
    EXPECT_EQ(CsvFileName({u"C:\\a.b\\v1.2.ai", u"C:\\z.ai"}), u"v1.2_リンク.csv");
    EXPECT_EQ(CsvFileName({u"C:\\a\\noext"}), u"noext_リンク.csv");
    EXPECT_EQ(CsvFileName({u"C:\\a\\.ai"}), u".ai_リンク.csv");
    EXPECT_EQ(CsvFileName({}), u"リンク.csv");
}

TEST(Utf8Of, EncodesEveryLengthAndReplacesLoneSurrogates) {
    EXPECT_EQ(Utf8Of(u"a"), "a");
    EXPECT_EQ(Utf8Of(u"\u00D7"), "\xC3\x97");
    EXPECT_EQ(Utf8Of(u"\u25CB"), "\xE2\x97\x8B");
    EXPECT_EQ(Utf8Of(u"\U0001F600"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8Of(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
    EXPECT_EQ(Utf8Of(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
}

} // namespace
} // namespace marovan
