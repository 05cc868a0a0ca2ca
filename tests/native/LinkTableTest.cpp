#include "main/LinkTable.h"

#include "base/Text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace marovan {
namespace {

Links LinksNamed(const std::vector<std::u16string>& names) {
    Links links;
    for (const auto& name : names)
        links.push_back({u"C:\\i\\" + name, name, Mark::Untested, u"", Outcome::Pending, u""});
    return links;
}

TEST(LinkTable, ShowsHeaderLinksAndOneEmptyRow) {
    Links links = LinksNamed({u"a.png", u"b.tif"});
    links[0].mark = Mark::Found;
    links[1].mark = Mark::Missing;
    ASSERT_EQ(RowCount(links), 4);
    const std::vector<std::vector<std::u16string>> expected = {
        {u"", u"結果", u"ファイル名", u"パス"},
        {u"1", u"○", u"a.png", u"C:\\i\\a.png"},
        {u"2", u"×", u"b.tif", u"C:\\i\\b.tif"},
        {u"", u"", u"", u""},
    };
    for (int row = 0; row < RowCount(links); ++row)
        for (int column = 0; column < kColumnCount; ++column)
            EXPECT_EQ(CellText(links, column, row), expected[row][column]) << row << "," << column;
    EXPECT_EQ(RowCount(Links{}), 2);
}

// Links of three documents, the second of which gave none.
Links LinksOfThreeDocuments() {
    Links links = LinksNamed({u"a.png", u"b.png", u"c.png", u"d.png"});
    links[0].mark = Mark::Found;
    links[1].mark = Mark::Missing;
    links[2].document = 2;
    links[3].document = 2;
    links[3].mark = Mark::Beside;
    return links;
}

TEST(LinkTable, GroupsTheLinksOfSeveralDocumentsUnderTheirNames) {
    const Links links = LinksOfThreeDocuments();
    const DocumentPaths documents = {u"C:\\w\\表紙.ai", u"C:\\w\\empty.ai", u"D:\\x\\裏.ai"};
    ASSERT_EQ(RowCount(links, documents), 9);
    const std::vector<std::vector<std::u16string>> expected = {
        {u"", u"結果", u"ファイル名", u"パス"},
        {u"", u"", u"表紙.ai", u""},
        {u"1", u"○", u"a.png", u"C:\\i\\a.png"},
        {u"2", u"×", u"b.png", u"C:\\i\\b.png"},
        {u"", u"", u"empty.ai", u""},
        {u"", u"", u"裏.ai", u""},
        {u"1", u"", u"c.png", u"C:\\i\\c.png"},
        {u"2", u"△", u"d.png", u"C:\\i\\d.png"},
        {u"", u"", u"", u""},
    };
    for (int row = 0; row < RowCount(links, documents); ++row)
        for (int column = 0; column < kColumnCount; ++column)
            EXPECT_EQ(CellText(links, documents, column, row), expected[row][column])
                << row << "," << column;

    struct Expected {
        RowKind kind;
        std::size_t index;
    };
    const Expected rows[] = {{RowKind::Header, 0}, {RowKind::Document, 0}, {RowKind::Link, 0},
                             {RowKind::Link, 1},   {RowKind::Document, 1}, {RowKind::Document, 2},
                             {RowKind::Link, 2},   {RowKind::Link, 3},     {RowKind::End, 0},
                             {RowKind::End, 0}};
    for (int row = 0; row < 10; ++row) {
        const TableRow at = RowAt(links, documents, row);
        EXPECT_EQ(at.kind, rows[row].kind) << row;
        if (at.kind == RowKind::Link || at.kind == RowKind::Document) {
            EXPECT_EQ(at.index, rows[row].index) << row;
        }
    }
    EXPECT_EQ(RowAt(links, documents, -1).kind, RowKind::End);
}

TEST(LinkTable, OneDocumentHasNoGroupRow) {
    const Links links = LinksNamed({u"a.png", u"b.png"});
    for (const DocumentPaths& documents : {DocumentPaths{}, DocumentPaths{u"C:\\w\\a.ai"}}) {
        EXPECT_EQ(RowCount(links, documents), 4);
        EXPECT_EQ(CellText(links, documents, kRowNumber, 2), u"2");
        EXPECT_EQ(RowAt(links, documents, 1).kind, RowKind::Link);
        EXPECT_EQ(LongestDocumentRow(links, documents), -1);
    }
}

TEST(LinkTable, BoldDocumentNamesAreMeasuredApartFromTheLinks) {
    const Links links = LinksOfThreeDocuments();
    // The longest file name cell is a document's; the links' longest is the header.
    const DocumentPaths documents = {u"C:\\w\\a.ai", u"C:\\w\\a-long-name.ai", u"C:\\w\\b.ai"};
    EXPECT_EQ(LongestCellRow(links, documents, kFileName), 0);
    EXPECT_EQ(LongestDocumentRow(links, documents), 4);
    EXPECT_EQ(LongestCellRow(links, documents, kPath), 2);
}

TEST(LinkTable, MarksReadAsTheTableShowsThem) {
    EXPECT_EQ(MarkText(Mark::Untested), u"");
    EXPECT_EQ(MarkText(Mark::Found), u"\u25CB");
    EXPECT_EQ(MarkText(Mark::Beside), u"\u25B3");
    EXPECT_EQ(MarkText(Mark::Missing), u"\u00D7");
}

TEST(LinkTable, TheFirstLongestCellWinsAColumn) {
    struct Case {
        const char* what;
        std::vector<std::u16string> names;
        int column;
        int row;
    };
    const Case cases[] = {
        {"the header when nothing is longer", {u"a.png", u"b.png"}, kFileName, 0},
        {"the first of two equally long names", {u"ab", u"cdefgh", u"ijklmn"}, kFileName, 2},
        {"a longer name after a tie", {u"abcdef", u"ghijkl", u"mnopqrs"}, kFileName, 3},
        {"the header of an empty table", {}, kPath, 0},
        {"a row number once it is the longest", std::vector<std::u16string>(10, u""), kRowNumber,
         10},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LongestCellRow(LinksNamed(c.names), c.column), c.row) << c.what;
}

TEST(LinkTable, NestedLinksAreIndentedPerLevelAndMeasuredSo) {
    // "ab.png" two levels down is longer than "abcdefgh.png" at the top.
    Links links = LinksNamed({u"p.ai", u"q.ai", u"ab.png", u"abcdefgh.png", u"r.png"});
    links[1].depth = 1;
    links[2].depth = 2;
    links[4].depth = 1;
    const std::vector<std::u16string> names = {u"ファイル名",
                                               u"p.ai",
                                               u"\u3000\u2514 q.ai",
                                               u"\u3000\u2514 \u3000\u2514 ab.png",
                                               u"abcdefgh.png",
                                               u"\u3000\u2514 r.png",
                                               u""};
    for (int row = 0; row < RowCount(links); ++row) {
        EXPECT_EQ(CellText(links, kFileName, row), names[static_cast<std::size_t>(row)]) << row;
        // The other columns and the numbering do not know the levels.
        if (row > 0 && row < 6) {
            EXPECT_EQ(CellText(links, kRowNumber, row), Decimal(row));
            EXPECT_EQ(CellText(links, kPath, row), links[static_cast<std::size_t>(row - 1)].path);
        }
    }
    EXPECT_EQ(LongestCellRow(links, kFileName), 3);
    EXPECT_EQ(LongestCellRow(links, kPath), 4);
}

TEST(Links, SucceedOnlyWhenTheImageIsInTheDestination) {
    const std::pair<Outcome, bool> cases[] = {
        {Outcome::Pending, true},      {Outcome::Copied, false},   {Outcome::AlreadyThere, false},
        {Outcome::Replaced, false},    {Outcome::NameTaken, true}, {Outcome::SameAsAbove, false},
        {Outcome::KeptExisting, true}, {Outcome::Refused, true},   {Outcome::NotFound, true},
    };
    for (const auto& [outcome, failed] : cases) {
        Link link;
        link.outcome = outcome;
        EXPECT_EQ(link.Failed(), failed) << static_cast<int>(outcome);
    }
}

} // namespace
} // namespace marovan
