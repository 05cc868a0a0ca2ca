// The links of placed .ai, .pdf and .eps files: read like documents, inserted
// under the file that places them, and collected with the document's own.

#include "FakeRun.h"

#include "base/Text.h"
#include "main/CollectionRun.h"
#include "main/LinkExport.h"
#include "main/LinkTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace marovan {
namespace {

using testing_support::Bytes;
using testing_support::Event;
using testing_support::FakeSystem;
using testing_support::FakeView;

constexpr std::u16string_view kDocument = u"C:\\work\\doc.ai";

class NestedLinks : public testing::Test {
protected:
    NestedLinks()
        : system(view) {
        system.options.nestedLinks = true;
    }

    // A file with a link record of `links` (none at all without links).
    void Placing(const std::u16string& path, const std::vector<std::string>& links) {
        std::string bytes = "%PDF-1.5\r\n%\xE2\xE3\xCF\xD3\r\n";
        for (std::size_t i = 0; i < links.size(); ++i)
            bytes += (i == 0 ? "%%DocumentFiles:" : "%%+") + links[i] + "\r\n";
        bytes += "%%EndComments\r\n";
        bytes += std::string(100, '\0');
        system.files[path] = Bytes(bytes);
    }
    void Image(const std::u16string& path) { system.files[path] = Bytes("img " + Narrow(path)); }
    static std::string Narrow(const std::u16string& text) { return {text.begin(), text.end()}; }

    RunEnd Run() { return CollectionRun(view, system, view.links, view.documents); }

    struct Row {
        std::u16string number;
        std::u16string mark;
        std::u16string name;
        int depth;
        bool operator==(const Row&) const = default;
    };
    std::vector<Row> Rows() const {
        std::vector<Row> rows;
        for (int row = 1; row + 1 < RowCount(view.links, view.documents); ++row) {
            const TableRow at = RowAt(view.links, view.documents, row);
            if (at.kind != RowKind::Link)
                continue;
            rows.push_back({CellText(view.links, view.documents, kRowNumber, row),
                            CellText(view.links, view.documents, kResult, row),
                            CellText(view.links, view.documents, kFileName, row),
                            view.links[at.index].depth});
        }
        return rows;
    }
    std::vector<std::u16string> Copies() const { return view.EventsOf("copy"); }
    std::u16string Summary() const { return view.messages.at(0).text; }

    FakeView view;
    FakeSystem system;
};

TEST_F(NestedLinks, AreInsertedUnderTheirFileDepthFirstAndNumberedOn) {
    Placing(std::u16string(kDocument), {"C:\\i\\a.ai", "C:\\i\\x.png", "C:\\i\\b.Pdf"});
    Placing(u"C:\\i\\a.ai", {"C:\\j\\a1.png", "C:\\j\\c.EPS"});
    Placing(u"C:\\j\\c.EPS", {"C:\\k\\c1.png"});
    Placing(u"C:\\i\\b.Pdf", {"C:\\k\\b1.png"});
    for (const auto* image : {u"C:\\i\\x.png", u"C:\\j\\a1.png", u"C:\\k\\c1.png"})
        Image(image);
    EXPECT_EQ(Run(), RunEnd::Completed);

    const std::u16string indent(kNestingIndent);
    const std::vector<Row> expected = {
        {u"1", u"○", u"a.ai", 0},
        {u"2", u"○", indent + u"a1.png", 1},
        {u"3", u"○", indent + u"c.EPS", 1},
        {u"4", u"○", indent + indent + u"c1.png", 2},
        {u"5", u"○", u"x.png", 0},
        {u"6", u"○", u"b.Pdf", 0},
        {u"7", u"×", indent + u"b1.png", 1},
    };
    EXPECT_EQ(Rows(), expected);
    EXPECT_EQ(indent, u"\u3000\u2514 ");
    for (const Link& link : view.links)
        EXPECT_EQ(link.document, 0u);
    EXPECT_EQ(view.insertions,
              (std::vector<testing_support::RecordingView::Insertion>{{1, 2}, {3, 1}, {6, 1}}));
    EXPECT_EQ(view.linksShown, 7u);
    EXPECT_EQ(system.readPaths,
              (std::vector<std::u16string>{std::u16string(kDocument), u"C:\\i\\a.ai",
                                           u"C:\\j\\c.EPS", u"C:\\i\\b.Pdf"}));
    // The debug view keeps the document's own text.
    EXPECT_EQ(view.documentPath, kDocument);
    EXPECT_NE(view.documentText.find(u"C:\\i\\x.png"), std::u16string::npos);

    // Copies, the clipboard and the CSV keep the plain names and number on.
    const std::vector<std::size_t> all = {0, 1, 2, 3, 4, 5, 6};
    const std::u16string text = LinksAsText(view.links, view.documents, all);
    EXPECT_NE(text.find(u"\r\n4\t○\tc1.png\tC:\\k\\c1.png\t"), std::u16string::npos)
        << Narrow(text);
    EXPECT_EQ(text.find(u'\u2514'), std::u16string::npos);
    EXPECT_NE(LinksAsCsv(view.links, view.documents, all).find("\r\n7,×,b1.png,C:\\k\\b1.png,"),
              std::string::npos);
    EXPECT_EQ(Copies(), (std::vector<std::u16string>{
                            u"C:\\i\\a.ai -> D:\\collected\\a.ai",
                            u"C:\\j\\a1.png -> D:\\collected\\a1.png",
                            u"C:\\j\\c.EPS -> D:\\collected\\c.EPS",
                            u"C:\\k\\c1.png -> D:\\collected\\c1.png",
                            u"C:\\i\\x.png -> D:\\collected\\x.png",
                            u"C:\\i\\b.Pdf -> D:\\collected\\b.Pdf",
                        }));

    // Every inserted link has its step: the bar still ends full.
    EXPECT_EQ(view.progressMax, 1 + 4 + 7);
    EXPECT_EQ(view.progress, view.progressMax);
    EXPECT_EQ(Summary(), u"一部画像の収集を失敗しました！\r\n成功：  6個\r\n失敗：  1個");
    // The file name column is as wide as its longest cell, indents included.
    EXPECT_EQ(view.columnWidths.at(kFileName), static_cast<int>(2 * indent.size() + 6) * 10 + 50);
}

TEST_F(NestedLinks, OffGivesTheDocumentsOwnLinksAlone) {
    Placing(std::u16string(kDocument), {"C:\\i\\a.ai", "C:\\i\\x.png"});
    Placing(u"C:\\i\\a.ai", {"C:\\j\\a1.png"});
    Image(u"C:\\i\\x.png");
    Image(u"C:\\j\\a1.png");
    system.options.nestedLinks = false;
    Run();
    EXPECT_EQ(Rows(), (std::vector<Row>{{u"1", u"○", u"a.ai", 0}, {u"2", u"○", u"x.png", 0}}));
    EXPECT_EQ(system.readPaths, std::vector<std::u16string>{std::u16string(kDocument)});
    EXPECT_TRUE(view.insertions.empty());
    EXPECT_EQ(view.progressMax, 1 + 4 + 2);
    EXPECT_EQ(view.progress, view.progressMax);
    EXPECT_EQ(Summary(), u"画像収集が完了しました。\r\n成功：  2個\r\n失敗：  0個");
}

TEST_F(NestedLinks, ACycleEndsAtTheFirstDocumentReadAgain) {
    // doc.ai places b.ai, which places doc.ai back, by another spelling of its path.
    Placing(std::u16string(kDocument), {"C:\\i\\b.ai"});
    Placing(u"C:\\i\\b.ai", {"c:\\WORK\\doc.ai", "C:\\i\\b.ai"});
    system.files[u"c:\\WORK\\doc.ai"] = system.files.at(std::u16string(kDocument));
    Run();
    const std::u16string indent(kNestingIndent);
    EXPECT_EQ(Rows(), (std::vector<Row>{{u"1", u"○", u"b.ai", 0},
                                        {u"2", u"○", indent + u"doc.ai", 1},
                                        {u"3", u"○", indent + u"b.ai", 1}}));
    EXPECT_EQ(system.readPaths,
              (std::vector<std::u16string>{std::u16string(kDocument), u"C:\\i\\b.ai"}));
    EXPECT_EQ(view.progress, view.progressMax);
}

TEST_F(NestedLinks, AFileLinkedTwiceIsReadOnce) {
    // Two placed files place the same d.ai; the document places it too.
    Placing(std::u16string(kDocument), {"C:\\i\\b.ai", "C:\\i\\c.ai", "C:\\i\\d.ai"});
    Placing(u"C:\\i\\b.ai", {"C:\\i\\d.ai"});
    Placing(u"C:\\i\\c.ai", {"C:\\i\\d.ai"});
    Placing(u"C:\\i\\d.ai", {"C:\\i\\e.png"});
    Run();
    EXPECT_EQ(std::count(system.readPaths.begin(), system.readPaths.end(), u"C:\\i\\d.ai"), 1);
    const std::u16string indent(kNestingIndent);
    EXPECT_EQ(Rows(), (std::vector<Row>{{u"1", u"○", u"b.ai", 0},
                                        {u"2", u"○", indent + u"d.ai", 1},
                                        {u"3", u"×", indent + indent + u"e.png", 2},
                                        {u"4", u"○", u"c.ai", 0},
                                        {u"5", u"○", indent + u"d.ai", 1},
                                        {u"6", u"○", u"d.ai", 0}}));
}

TEST_F(NestedLinks, GoNoDeeperThanEightLevels) {
    // doc.ai places l1.ai, which places l2.ai, and so on to l11.ai.
    Placing(std::u16string(kDocument), {"C:\\n\\l1.ai"});
    for (int level = 1; level <= 10; ++level)
        Placing(u"C:\\n\\l" + Decimal(level) + u".ai",
                {"C:\\n\\l" + std::to_string(level + 1) + ".ai"});
    Placing(u"C:\\n\\l11.ai", {});
    Run();
    ASSERT_EQ(view.links.size(), 9u);
    for (std::size_t i = 0; i < view.links.size(); ++i) {
        EXPECT_EQ(view.links[i].fileName, u"l" + Decimal(static_cast<long long>(i + 1)) + u".ai");
        EXPECT_EQ(view.links[i].depth, i);
    }
    EXPECT_EQ(system.readPaths.back(), u"C:\\n\\l8.ai");
    EXPECT_EQ(system.readPaths.size(), 9u);
    EXPECT_EQ(view.progress, view.progressMax);
}

TEST_F(NestedLinks, AreLookedForBesideAndBelowThePlacedFile) {
    system.options.errSearch = true;
    system.options.subSearch = true;
    Placing(std::u16string(kDocument), {"C:\\art\\p.ai"});
    Placing(u"C:\\art\\p.ai", {"C:\\gone\\q.png", "/Users/k/r.png", "C:\\gone\\s.png"});
    Image(u"C:\\art\\q.png");         // beside the placed file
    Image(u"C:\\art\\Links\\r.png");  // below it
    Image(u"C:\\work\\s.png");        // beside the document only
    Image(u"C:\\work\\Links\\r.png"); // below the document only
    Run();
    ASSERT_EQ(view.links.size(), 4u);
    EXPECT_EQ(view.links[1].mark, Mark::Beside);
    EXPECT_EQ(view.links[1].source, u"C:\\art\\q.png");
    EXPECT_EQ(view.links[2].mark, Mark::Beside);
    EXPECT_EQ(view.links[2].source, u"C:\\art\\Links\\r.png");
    EXPECT_EQ(view.links[3].mark, Mark::Missing);
    EXPECT_EQ(OutcomeText(view.links[2]), u"C:\\art\\Links\\r.png からコピーしました");
}

TEST_F(NestedLinks, AFileThatCannotBeReadOrHasNoRecordAddsNothing) {
    Placing(std::u16string(kDocument),
            {"C:\\i\\locked.ai", "C:\\i\\plain.eps", "C:\\i\\gone.pdf", "C:\\i\\x.png"});
    Placing(u"C:\\i\\locked.ai", {"C:\\i\\y.png"});
    system.unreadable.insert(u"C:\\i\\locked.ai");
    system.files[u"C:\\i\\plain.eps"] = Bytes("%!PS-Adobe-3.0 EPSF-3.0\r\n%%EndComments\r\n");
    Image(u"C:\\i\\x.png");
    EXPECT_EQ(Run(), RunEnd::Completed);
    EXPECT_EQ(Rows(), (std::vector<Row>{{u"1", u"○", u"locked.ai", 0},
                                        {u"2", u"○", u"plain.eps", 0},
                                        {u"3", u"×", u"gone.pdf", 0},
                                        {u"4", u"○", u"x.png", 0}}));
    EXPECT_EQ(view.links[0].outcome, Outcome::Copied);
    // A missing file is not even tried.
    EXPECT_EQ(system.readPaths,
              (std::vector<std::u16string>{std::u16string(kDocument), u"C:\\i\\locked.ai",
                                           u"C:\\i\\plain.eps"}));
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(Summary(), u"一部画像の収集を失敗しました！\r\n成功：  3個\r\n失敗：  1個");
    EXPECT_EQ(view.progress, view.progressMax);
}

TEST_F(NestedLinks, OneNameHoldsOneImageAcrossLevels) {
    Placing(std::u16string(kDocument), {"C:\\x\\logo.png", "C:\\i\\p.ai"});
    Placing(u"C:\\i\\p.ai", {"C:\\y\\logo.png", "C:\\x\\logo.png"});
    Image(u"C:\\x\\logo.png");
    Image(u"C:\\y\\logo.png");
    Run();
    ASSERT_EQ(view.links.size(), 4u);
    EXPECT_EQ(view.links[2].outcome, Outcome::NameTaken);
    EXPECT_EQ(view.links[3].outcome, Outcome::SameAsAbove);
    EXPECT_EQ(Copies(), (std::vector<std::u16string>{u"C:\\x\\logo.png -> D:\\collected\\logo.png",
                                                     u"C:\\i\\p.ai -> D:\\collected\\p.ai"}));
    EXPECT_EQ(Summary(), u"一部画像の収集を失敗しました！\r\n成功：  3個\r\n失敗：  1個");
}

TEST_F(NestedLinks, OnlyAFileBroughtIntoTheDestinationIsRead) {
    // The same name placed from two folders: the second file is not collected,
    // so its links are not either. A file left as it was is read.
    Placing(std::u16string(kDocument), {"C:\\a\\p.ai", "C:\\b\\p.ai", "C:\\c\\q.ai"});
    Placing(u"C:\\a\\p.ai", {});
    Placing(u"C:\\b\\p.ai", {"C:\\b\\1.png"});
    Placing(u"C:\\c\\q.ai", {"C:\\c\\2.png"});
    system.files[u"D:\\collected\\q.ai"] = system.files.at(u"C:\\c\\q.ai");
    system.times[u"D:\\collected\\q.ai"] = 7;
    system.times[u"C:\\c\\q.ai"] = 7;
    Run();
    EXPECT_EQ(view.links[1].outcome, Outcome::NameTaken);
    EXPECT_EQ(view.links[2].outcome, Outcome::AlreadyThere);
    EXPECT_EQ(system.readPaths, (std::vector<std::u16string>{std::u16string(kDocument),
                                                             u"C:\\a\\p.ai", u"C:\\c\\q.ai"}));
    ASSERT_EQ(view.links.size(), 4u);
    EXPECT_EQ(view.links[3].path, u"C:\\c\\2.png");
}

TEST_F(NestedLinks, CountInTheBatchUnderTheirDocument) {
    // a.ai places n.ai and b.ai, a document of the batch itself, which is
    // read as such and not again under a.ai.
    Placing(u"C:\\w\\a.ai", {"C:\\i\\n.ai", "C:\\w\\b.ai"});
    Placing(u"C:\\i\\n.ai", {"C:\\i\\1.png", "C:\\i\\gone.png"});
    Placing(u"C:\\w\\b.ai", {"C:\\i\\2.png"});
    Image(u"C:\\i\\1.png");
    Image(u"C:\\i\\2.png");
    const std::vector<std::u16string> dropped = {u"C:\\w\\a.ai", u"C:\\w\\b.ai"};
    EXPECT_EQ(CollectBatch(view, system, dropped, view.links, view.documents), BatchEnd::Completed);
    const std::u16string indent(kNestingIndent);
    EXPECT_EQ(Rows(), (std::vector<Row>{{u"1", u"○", u"n.ai", 0},
                                        {u"2", u"○", indent + u"1.png", 1},
                                        {u"3", u"×", indent + u"gone.png", 1},
                                        {u"4", u"○", u"b.ai", 0},
                                        {u"1", u"○", u"2.png", 0}}));
    EXPECT_EQ(CellText(view.links, view.documents, kFileName, 6), u"b.ai") << "its group's row";
    EXPECT_EQ(system.readPaths,
              (std::vector<std::u16string>{u"C:\\w\\a.ai", u"C:\\i\\n.ai", u"C:\\w\\b.ai"}));
    EXPECT_EQ(Summary(), u"一部画像の収集を失敗しました！\r\n成功：  4個\r\n失敗：  1個"
                         u"\r\na.ai：成功 3個 / 失敗 1個\r\nb.ai：成功 1個 / 失敗 0個");
    EXPECT_EQ(view.progress, view.progressMax);
    EXPECT_EQ(view.progressMax, 1 + 2 * 4 + 5);
}

} // namespace
} // namespace marovan
