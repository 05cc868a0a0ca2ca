#include "FakeRun.h"

#include "base/Failure.h"
#include "main/CollectionRun.h"
#include "main/Extraction.h"
#include "main/LinkTable.h"

#include <gtest/gtest.h>

namespace marovan {
namespace {

using testing_support::Bytes;
using testing_support::Event;
using testing_support::FakeSystem;
using testing_support::FakeView;

class CollectionRunTest : public testing::Test {
protected:
    CollectionRunTest()
        : system(view) {}

    void Document(std::string_view bytes) { system.files[u"C:\\work\\doc.ai"] = Bytes(bytes); }
    void Image(std::u16string path) { system.files[std::move(path)] = Bytes("img"); }

    RunEnd Run() { return CollectionRun(view, system, view.links, view.documents); }
    std::u16string Cell(int column, int row) const { return CellText(view.links, column, row); }

    // A table left by an earlier run, which every run must clear first.
    void LeaveEarlierRun() {
        view.links.push_back({u"old", u"old", Mark::Found, u"old", Outcome::Copied, u""});
        view.destinationLine = u"old";
        view.progress = 9;
        view.documentText = u"old";
    }

    FakeView view;
    FakeSystem system;
};

TEST_F(CollectionRunTest, CancelledFolderPromptEndsSilentlyWithEverythingCleared) {
    LeaveEarlierRun();
    system.folderAnswer.reset();
    EXPECT_EQ(Run(), RunEnd::FolderCancelled);
    EXPECT_EQ(RowCount(view.links), 2);
    EXPECT_EQ(Cell(kFileName, 0), u"ファイル名");
    EXPECT_EQ(view.status, u"");
    EXPECT_EQ(view.destinationLine, u"");
    EXPECT_EQ(view.progress, 0);
    EXPECT_EQ(view.progressMax, 1000);
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(system.folderPromptText, u"画像を収集する保存フォルダを指定");
    EXPECT_EQ(system.folderPromptInitial, u"C:\\users\\me\\Desktop");
    EXPECT_EQ(view.statusHistory,
              (std::vector<std::u16string>{u"デスクトップパス取得中...",
                                           u"リンクデータ収集フォルダの指定を待機中...", u""}));
}

TEST_F(CollectionRunTest, CancelledFilePromptKeepsOneProgressStep) {
    system.documentAnswer.reset();
    EXPECT_EQ(Run(), RunEnd::DocumentCancelled);
    EXPECT_EQ(view.status, u"");
    EXPECT_EQ(view.destinationLine, u"");
    EXPECT_EQ(view.progress, 1);
    EXPECT_EQ(view.statusHistory.at(2), u"AIファイルの指定を待機中...");
    EXPECT_TRUE(view.messages.empty());
    EXPECT_TRUE(system.readPath.empty());
}

TEST_F(CollectionRunTest, TheFilePromptIsGivenTheRunsSuggestion) {
    system.documentAnswer.reset();
    EXPECT_EQ(CollectionRun(view, system, view.links, view.documents, u"C:\\送る\\作品.ai"),
              RunEnd::DocumentCancelled);
    EXPECT_EQ(system.documentSuggestion, u"C:\\送る\\作品.ai");
    EXPECT_EQ(Run(), RunEnd::DocumentCancelled);
    EXPECT_EQ(system.documentSuggestion, u"");
}

TEST_F(CollectionRunTest, DocumentWithoutRecordShowsTheNoLinkError) {
    Document("%!PS-Adobe-3.0\r\n%%Creator: x\r\n");
    EXPECT_EQ(Run(), RunEnd::NoLinkRecord);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(view.messages[0].text, u"リンク情報は見つかりませんでした。");
    EXPECT_EQ(view.status, u"画像パス情報抽出中...");
    EXPECT_EQ(view.progress, 4);
    EXPECT_EQ(view.progressMax, 1000);
    EXPECT_EQ(RowCount(view.links), 2);
    EXPECT_EQ(view.destinationLine, u"\u3000\u3000D:\\collected");
    EXPECT_FALSE(view.redrawSuspended);
}

TEST_F(CollectionRunTest, EmptyDocumentHasNoRecord) {
    Document("");
    EXPECT_EQ(Run(), RunEnd::NoLinkRecord);
    EXPECT_EQ(view.documentText, u"");
}

TEST_F(CollectionRunTest, UnreadableDocumentFailsAtTheReadingStep) {
    system.readFailure = u"The process cannot access the file because it is being used by "
                         u"another process.\r\n";
    try {
        Run();
        FAIL() << "expected a failure";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.Message(),
                  u"ファイル C:\\work\\doc.ai は開けません。 The process cannot access the file "
                  u"because it is being used by another process ");
        EXPECT_EQ(WithFullStop(failure.Message()), failure.Message());
    }
    EXPECT_EQ(view.status, u"ファイル読込中...");
    EXPECT_EQ(view.progress, 2);
    EXPECT_FALSE(view.redrawSuspended);
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(CollectionRunTest, ThreeCp932LinksFillTheTableAndAFullBar) {
    // "C:\画像\写真1.psd" and friends in Shift_JIS, with NUL bytes around.
    using namespace std::string_literals;
    Document("\0\0%!PS\r\n%%DocumentFiles:C:\\\x89\xe6\x91\x9c\\\x8e\xca\x90\x5e"
             "1.psd\r\n%%+C:\\work\\b.tif\r\n%%+/Users/k/\x83\x4a.png\r\n%%End\0"s);
    EXPECT_EQ(Run(), RunEnd::Completed);
    ASSERT_EQ(RowCount(view.links), 5);
    EXPECT_EQ(Cell(kRowNumber, 1), u"1");
    EXPECT_EQ(Cell(kRowNumber, 2), u"2");
    EXPECT_EQ(Cell(kRowNumber, 3), u"3");
    EXPECT_EQ(Cell(kPath, 1), u"C:\\画像\\写真1.psd");
    EXPECT_EQ(Cell(kFileName, 1), u"写真1.psd");
    EXPECT_EQ(Cell(kFileName, 2), u"b.tif");
    EXPECT_EQ(Cell(kPath, 3), u"/Users/k/カ.png");
    EXPECT_EQ(Cell(kFileName, 3), u"カ.png");
    for (int column = 0; column < kColumnCount; ++column)
        EXPECT_EQ(Cell(column, 4), u"");
    EXPECT_EQ(view.progressMax, 8);
    EXPECT_EQ(view.progress, 8);
    EXPECT_EQ(view.documentText.substr(0, 4), u",,%!");
    EXPECT_EQ(view.documentText.back(), u',');
    EXPECT_EQ(view.status, u"");
    EXPECT_FALSE(view.redrawSuspended);
    EXPECT_EQ(view.statusHistory,
              (std::vector<std::u16string>{
                  u"デスクトップパス取得中...", u"リンクデータ収集フォルダの指定を待機中...",
                  u"AIファイルの指定を待機中...", u"ファイル読込中...", u"読込データ変換中...",
                  u"変換済データ展開中...", u"画像パス情報抽出中...", u"詳細リスト整形中...",
                  u"リンク画像ファイルのコピー中...", u"収集結果の計算中...", u""}));
}

TEST_F(CollectionRunTest, ColumnWidthsFollowTheFirstLongestCellPlusFifty) {
    // The file names "a1.png" and "bb.png" tie, longer than the header
    // "ファイル名": the first is measured. The path column follows its longest
    // path.
    Document("%%DocumentFiles:C:\\a1.png\r\n%%+C:\\long\\bb.png\r\n%%+C:\\x\\c.png\r\n");
    Run();
    EXPECT_EQ(view.measuredTexts, (std::vector<std::u16string>{u"a1.png", u"C:\\long\\bb.png"}));
    EXPECT_EQ(view.columnWidths.at(kFileName), 6 * 10 + 50);
    EXPECT_EQ(view.columnWidths.at(kPath), 14 * 10 + 50);
    EXPECT_EQ(view.columnWidths.count(kRowNumber), 0u);
}

TEST_F(CollectionRunTest, LongDocumentsLetTheInterfaceBreatheDuringConversion) {
    std::string bytes(1 << 20, '\0');
    Document(bytes);
    Run();
    EXPECT_GE(view.responsiveCalls, 16);
    EXPECT_EQ(view.documentText, std::u16string(1 << 20, u','));
}

TEST_F(CollectionRunTest, DecodingInPiecesNeverCutsACharacter) {
    // Two-byte characters in the record, after one ASCII byte, so that every
    // 64 KiB cut falls inside a character unless the run moves it.
    std::string path = "C:\\a";
    std::u16string expected = u"C:\\a";
    for (int i = 0; i < 300000; ++i) {
        path += i % 7 == 0 ? "\x81\x81" : "\x82\xa0"; // "＝" and "あ"
        expected += i % 7 == 0 ? u'\xFF1D' : u'\x3042';
    }
    const std::string record = "%%DocumentFiles:" + path + "\\a.psd\r\n%%End\r\n";
    const std::string bytes = "binary\r\n" + record;
    Document(bytes);
    EXPECT_EQ(Run(), RunEnd::Completed);
    EXPECT_TRUE(Cell(kPath, 1) == expected + u"\\a.psd");

    ASSERT_GT(system.decodedPieces.size(), 8u);
    std::string decoded;
    std::u16string text;
    for (const auto& piece : system.decodedPieces) {
        decoded.append(piece.begin(), piece.end());
        text += testing_support::DecodeCp932(piece);
    }
    EXPECT_TRUE(decoded == record);
    EXPECT_TRUE(text == testing_support::DecodeCp932(Bytes(record)));
    EXPECT_EQ(text.find(u'\x30FB'), std::u16string::npos);
}

// The text is decoded from a character start before the first bytes of the
// record marker: what the run finds is what decoding the whole text finds.
struct MarkerCase {
    const char* name;
    std::string bytes;
};

const MarkerCase kMarkerCases[] = {
    {"NoMarker", std::string(5000, '\x82')},
    {"MarkerAtTheStart", "%%DocumentFiles:C:\\a.png\r\n"},
    // A lead byte right before the marker may take its first "%".
    {"LeadByteBefore", "\x82%%DocumentFiles:C:\\x.png\r\n%%DocumentFiles:C:\\y.png\r\n"},
    // Lead bytes pair up from the last byte that ends a character.
    {"EvenRunOfLeadBytes", "x\x81\x82%%DocumentFiles:C:\\a.png\r\n"},
    {"OddRunOfLeadBytes",
     "x\x81\x82\x83%%DocumentFiles:C:\\x.png\r\n%%DocumentFiles:C:\\y.png\r\n"},
    {"NulBytesBefore", std::string("\0\0\x82\0", 4) + "%%DocumentFiles:C:\\a.png\r\n"},
    {"MarkerInsideTwoByteText", "\x82\xa0\x82%%DocumentFiles:\x82\xa0.png\r\n"},
};

class MarkerSearch : public CollectionRunTest, public testing::WithParamInterface<MarkerCase> {};

TEST_P(MarkerSearch, FindsWhatTheWholeTextHolds) {
    const MarkerCase& c = GetParam();
    std::vector<std::uint8_t> shown = Bytes(c.bytes);
    ReplaceNulBytes(shown);
    std::vector<std::u16string> expected;
    const bool found = ExtractLinks(
        testing_support::DecodeCp932(shown),
        [&](std::u16string_view path, std::u16string_view) { expected.emplace_back(path); });
    for (const std::size_t piece : {1u, 5u, 17u, 65536u}) {
        SCOPED_TRACE(piece);
        system.pieceSize = piece;
        system.decodedPieces.clear();
        Document(c.bytes);
        EXPECT_EQ(Run(), found ? RunEnd::Completed : RunEnd::NoLinkRecord);
        std::vector<std::u16string> paths;
        for (const Link& link : view.links)
            paths.push_back(link.path);
        EXPECT_TRUE(paths == expected);
        if (!found) {
            EXPECT_TRUE(system.decodedPieces.empty()) << "nothing to find, nothing decoded";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Documents, MarkerSearch, testing::ValuesIn(kMarkerCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CollectionRunTest, DecodingStopsWhenTheRecordHasEnded) {
    std::string bytes = "%%DocumentFiles:a.png\r\n%%+b.png\r\n%%EndComments\r\n";
    bytes += std::string(1 << 20, 'x');
    Document(bytes);
    EXPECT_EQ(Run(), RunEnd::Completed);
    EXPECT_EQ(static_cast<int>(view.links.size()), 2);
    EXPECT_EQ(system.decodedPieces.size(), 1u);
    // The debug view still gets the whole document.
    EXPECT_EQ(view.documentText.size(), bytes.size());
}

// --- Reading only what the links need ----------------------------------------

// Ends with its last line end; what follows it is not "%%+".
constexpr std::string_view kRecord = "%%DocumentFiles:C:\\a.png\r\n%%+C:\\b.png\r\n";

// `before` bytes of binary filler, the record (or not), then `after` bytes.
std::string LargeDocument(std::size_t before, bool record, std::size_t after) {
    std::string bytes;
    for (std::size_t i = 0; i < before; ++i)
        bytes += static_cast<char>(i % 251 == 0 ? 0 : 'a' + i % 23);
    if (record)
        bytes += kRecord;
    bytes += std::string(after, '\0');
    return bytes;
}

struct ReadCase {
    const char* name;
    std::size_t before;
    bool record;
    std::size_t after;
    bool readToTheEnd;
};

void PrintTo(const ReadCase& c, std::ostream* out) {
    *out << c.name;
}

class Reading : public CollectionRunTest, public testing::WithParamInterface<ReadCase> {};

TEST_P(Reading, StopsOncePastTheRecordElseReadsItAll) {
    const ReadCase& c = GetParam();
    const std::string bytes = LargeDocument(c.before, c.record, c.after);
    Document(bytes);
    EXPECT_EQ(Run(), c.record ? RunEnd::Completed : RunEnd::NoLinkRecord);
    EXPECT_EQ(view.links.size(), c.record ? 2u : 0u);
    if (c.readToTheEnd) {
        EXPECT_EQ(system.bytesRead, bytes.size());
    } else {
        // The piece in which the record ended, and perhaps the next, which
        // shows that no "%%+" line follows.
        const std::size_t recordEnd = c.before + kRecord.size();
        EXPECT_GT(system.bytesRead, recordEnd);
        EXPECT_LE(system.bytesRead, recordEnd + 2 * system.pieceSize);
    }
    // The view gets what was read from the start, or nothing when the run let
    // the bytes before the record marker go, as it does past its first piece;
    // it is told to read the rest whenever some may be left.
    if (c.before >= system.pieceSize) {
        EXPECT_TRUE(view.document.empty()) << "the bytes before the record are let go";
    } else {
        EXPECT_EQ(view.document.size(), system.bytesRead);
    }
    if (view.documentWhole) {
        EXPECT_EQ(view.document.size(), bytes.size());
    }
    EXPECT_EQ(view.documentPath, u"C:\\work\\doc.ai");
    std::string shown = bytes;
    std::replace(shown.begin(), shown.end(), '\0', ',');
    EXPECT_TRUE(view.documentText == testing_support::DecodeCp932(Bytes(shown)))
        << "the debug view lacks part of the document";
}

const ReadCase kReadCases[] = {
    {"RecordNearTheStartOfTwoMiB", 1000, true, 2 << 20, false},
    {"RecordAtTheHalfOfTwoMiB", 1 << 20, true, 1 << 20, false},
    {"NoRecordIsReadToTheEnd", 2 << 20, false, 0, true},
    {"RecordAtTheVeryEnd", 2 << 20, true, 0, true},
    {"RecordEndingAtAPieceEnd", 64 * 1024 - kRecord.size(), true, 1 << 20, false},
    {"DocumentSmallerThanAPiece", 100, true, 100, true},
};

INSTANTIATE_TEST_SUITE_P(Documents, Reading, testing::ValuesIn(kReadCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CollectionRunTest, PiecesOfAnySizeDecodeAsTheWholeDocument) {
    // Two-byte characters after one ASCII byte: most cuts of the reading fall
    // inside a character, and the record comes after them.
    std::string bytes = "a\r\n%%DocumentFiles:C:\\a";
    for (int i = 0; i < 3000; ++i)
        bytes += i % 7 == 0 ? "\x81\x81" : "\x82\xa0";
    bytes += "\\\x89\xe6\\\x8e\xca.psd\r\n%%End\r\n";
    const std::size_t marker = bytes.find("%%");
    for (const std::size_t piece : {1u, 2u, 3u, 4097u, 65537u}) {
        SCOPED_TRACE(piece);
        system.pieceSize = piece;
        system.bytesRead = 0;
        system.decodedPieces.clear();
        Document(bytes);
        EXPECT_EQ(Run(), RunEnd::Completed);
        EXPECT_TRUE(Cell(kPath, 1).ends_with(u"\\画\\写.psd"));
        std::string decoded;
        std::u16string text;
        for (const auto& decodedPiece : system.decodedPieces) {
            decoded.append(decodedPiece.begin(), decodedPiece.end());
            text += testing_support::DecodeCp932(decodedPiece);
        }
        EXPECT_EQ(decoded, bytes.substr(marker, decoded.size()));
        EXPECT_EQ(text.find(u'\x30FB'), std::u16string::npos);
        EXPECT_TRUE(view.documentText == testing_support::DecodeCp932(Bytes(bytes)));
    }
}

TEST_F(CollectionRunTest, APartThatCannotBeReadAfterTheRecordIsNeverAskedFor) {
    const std::string bytes = LargeDocument(1000, true, 4 << 20);
    Document(bytes);
    system.unreadableFrom = 1000 + kRecord.size() + 2 * system.pieceSize;
    EXPECT_EQ(Run(), RunEnd::Completed);
    ASSERT_EQ(view.links.size(), 2u);
    EXPECT_EQ(view.links[1].path, u"C:\\b.png");
    EXPECT_EQ(view.messages.back().kind, MessageKind::Error); // both images missing
    EXPECT_EQ(view.messages.back().text.find(u"開けません"), std::u16string::npos);
}

TEST_F(CollectionRunTest, APartThatCannotBeReadBeforeTheRecordEndsFailsTheRun) {
    // A piece that cannot be read in the filler, and one inside the record.
    for (const std::size_t unreadable : {std::size_t{70000}, std::size_t{200000 + 30}}) {
        SCOPED_TRACE(unreadable);
        view = FakeView();
        system.unreadableFrom = unreadable;
        Document(LargeDocument(200000, true, 4 << 20));
        try {
            Run();
            FAIL() << "expected a failure";
        } catch (const Failure& failure) {
            EXPECT_EQ(
                failure.Message(),
                u"ファイル C:\\work\\doc.ai は開けません。 The process cannot access the file "
                u"because another process has locked a portion of the file ");
        }
        EXPECT_EQ(view.status, u"ファイル読込中...");
        EXPECT_EQ(view.progress, 2);
        EXPECT_FALSE(view.redrawSuspended);
        EXPECT_TRUE(view.links.empty());
    }
}

TEST_F(CollectionRunTest, OptionsAreReadAfreshByEveryRun) {
    system.folderAnswer.reset();
    Run();
    Run();
    EXPECT_EQ(system.optionReads, 2);
}

struct MarkCase {
    const char* name;
    bool errSearch;
    std::vector<std::u16string> existing;
    std::u16string expectedMark;
    std::vector<std::u16string> expectedCopies;
};

void PrintTo(const MarkCase& c, std::ostream* out) {
    *out << c.name;
}

class Marking : public CollectionRunTest, public testing::WithParamInterface<MarkCase> {};

TEST_P(Marking, MarksAndCopiesEachLink) {
    const MarkCase& c = GetParam();
    system.options.errSearch = c.errSearch;
    Document("%%DocumentFiles:C:\\images\\a.png\r\n");
    for (const auto& path : c.existing)
        Image(path);
    Run();
    EXPECT_EQ(Cell(kResult, 1), c.expectedMark);
    std::vector<std::u16string> copies;
    for (const Event& e : view.events)
        if (e.what == "copy")
            copies.push_back(e.text);
    EXPECT_EQ(copies, c.expectedCopies);
}

const MarkCase kMarkCases[] = {
    {"AtItsPath",
     false,
     {u"C:\\images\\a.png"},
     u"○",
     {u"C:\\images\\a.png -> D:\\collected\\a.png"}},
    {"AtItsPathWinsOverBeside",
     true,
     {u"C:\\images\\a.png", u"C:\\work\\a.png"},
     u"○",
     {u"C:\\images\\a.png -> D:\\collected\\a.png"}},
    {"BesideTheDocumentWithSearch",
     true,
     {u"C:\\work\\a.png"},
     u"△",
     {u"C:\\work\\a.png -> D:\\collected\\a.png"}},
    {"BesideTheDocumentWithoutSearch", false, {u"C:\\work\\a.png"}, u"×", {}},
    {"Missing", true, {}, u"×", {}},
};

INSTANTIATE_TEST_SUITE_P(Links, Marking, testing::ValuesIn(kMarkCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CollectionRunTest, EmptyPathIsMissingEvenWithSearch) {
    system.options.errSearch = true;
    Document("%%DocumentFiles:\r\n");
    Run();
    EXPECT_EQ(Cell(kResult, 1), u"×");
    // An empty path is no full path and is not tested; the alternative
    // location is the document folder itself, which is no file.
    EXPECT_EQ(system.existenceTests, (std::vector<std::u16string>{u"C:\\work\\"}));
}

TEST_F(CollectionRunTest, CopiesTheDocumentFirstThenImagesInRowOrderThenOpens) {
    system.options = {.aiCopy = true, .folderOpen = true, .errSearch = true};
    Document("%%DocumentFiles:C:\\i\\1.png\r\n%%+C:\\i\\2.png\r\n%%+C:\\i\\3.png\r\n"
             "%%+C:\\i\\1.png\r\n");
    Image(u"C:\\i\\1.png");
    Image(u"C:\\work\\3.png");
    Run();
    const std::vector<Event> expected = {
        {"mark", u"○"},
        {"mark", u"×"},
        {"mark", u"△"},
        {"mark", u"○"},
        {"copy", u"C:\\work\\doc.ai -> D:\\collected\\doc.ai"},
        {"copy", u"C:\\i\\1.png -> D:\\collected\\1.png"},
        {"copy", u"C:\\work\\3.png -> D:\\collected\\3.png"},
        {"open", u"D:\\collected"},
        {"message", u"一部画像の収集を失敗しました！\r\n成功：  3個\r\n失敗：  1個"},
    };
    EXPECT_EQ(view.events, expected);
    EXPECT_EQ(view.messages.back().kind, MessageKind::Error);
    EXPECT_EQ(view.progress, view.progressMax);
    EXPECT_EQ(view.progressMax, 9);
}

TEST_F(CollectionRunTest, AllFoundGivesTheInformationSummary) {
    Document("%%DocumentFiles:C:\\i\\1.png\r\n%%+C:\\i\\2.png\r\n");
    Image(u"C:\\i\\1.png");
    Image(u"C:\\i\\2.png");
    Run();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].kind, MessageKind::Information);
    EXPECT_EQ(view.messages[0].text, u"画像収集が完了しました。\r\n成功：  2個\r\n失敗：  0個");
}

TEST_F(CollectionRunTest, ARefusedCopyCountsAsAFailureAndKeepsItsMark) {
    system.options.errSearch = true;
    Document("%%DocumentFiles:C:\\i\\1.png\r\n%%+C:\\gone\\2.png\r\n%%+C:\\i\\3.png\r\n");
    Image(u"C:\\i\\1.png");
    Image(u"C:\\work\\2.png");
    Image(u"C:\\i\\3.png");
    system.refusedCopies = {u"C:\\i\\1.png", u"C:\\work\\2.png"};
    Run();
    EXPECT_EQ(Cell(kResult, 1), u"○");
    EXPECT_EQ(Cell(kResult, 2), u"△");
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(view.messages[0].text,
              u"一部画像の収集を失敗しました！\r\n成功：  1個\r\n失敗：  2個");
}

TEST_F(CollectionRunTest, ZeroLinksStillCopiesTheDocumentAndReportsNothingFailed) {
    system.options.aiCopy = true;
    Document("%%DocumentFiles:unterminated");
    EXPECT_EQ(Run(), RunEnd::Completed);
    const std::vector<Event> expected = {
        {"copy", u"C:\\work\\doc.ai -> D:\\collected\\doc.ai"},
        {"message", u"画像収集が完了しました。\r\n成功：  0個\r\n失敗：  0個"},
    };
    EXPECT_EQ(view.events, expected);
    EXPECT_EQ(view.progressMax, 5);
    EXPECT_EQ(view.progress, 5);
}

TEST(Summary, CountsSuccessesAndFailuresInDecimal) {
    EXPECT_EQ(SummaryOf(12, 0).text, u"画像収集が完了しました。\r\n成功：  12個\r\n失敗：  0個");
    EXPECT_EQ(SummaryOf(12, 0).kind, MessageKind::Information);
    EXPECT_EQ(SummaryOf(1234, 1000).text,
              u"一部画像の収集を失敗しました！\r\n成功：  234個\r\n失敗：  1000個");
    EXPECT_EQ(SummaryOf(3, 3).kind, MessageKind::Error);
}

TEST(BesideDocument, JoinsTheDocumentFolderAndTheFileName) {
    EXPECT_EQ(BesideDocument(u"C:\\work\\doc.ai", u"a.png"), u"C:\\work\\a.png");
    EXPECT_EQ(BesideDocument(u"C:\\doc.ai", u"a.png"), u"C:\\a.png");
    EXPECT_EQ(BesideDocument(u"\\\\server\\share\\doc.ai", u"a.png"), u"\\\\server\\share\\a.png");
    EXPECT_EQ(BesideDocument(u"C:\\work\\doc.ai", u""), u"C:\\work\\");
}

TEST(CannotOpenMessage, TrimsTheDescriptionButKeepsAClosingIdeographicStop) {
    EXPECT_EQ(CannotOpenMessage(u"C:\\a.ai", u"指定されたファイルが見つかりません。\r\n"),
              u"ファイル C:\\a.ai は開けません。 指定されたファイルが見つかりません。 ");
    EXPECT_EQ(CannotOpenMessage(u"C:\\a.ai", u"Access denied. . \r\n"),
              u"ファイル C:\\a.ai は開けません。 Access denied ");
}

TEST(WithFullStop, AppendsAStopAfterCharactersAboveIt) {
    EXPECT_EQ(WithFullStop(u"I/O エラー 103"), u"I/O エラー 103.");
    EXPECT_EQ(WithFullStop(u"書き込めません"), u"書き込めません.");
    EXPECT_EQ(WithFullStop(u"ends in a blank "), u"ends in a blank ");
    EXPECT_EQ(WithFullStop(u"ends in a stop."), u"ends in a stop.");
    EXPECT_EQ(WithFullStop(u"ends in a comma,"), u"ends in a comma,");
    EXPECT_EQ(WithFullStop(u""), u"");
}

// Documents dropped on the window, collected as one batch.
class Batch : public CollectionRunTest {
protected:
    void DocumentAt(const std::u16string& path, std::string_view bytes) {
        system.files[path] = Bytes(bytes);
    }
    BatchEnd Drop(std::vector<std::u16string> paths) {
        return CollectBatch(view, system, paths, view.links, view.documents);
    }
    std::vector<std::u16string> Copies() const { return view.EventsOf("copy"); }
};

TEST_F(Batch, ReadsTheDroppedFilesInTheirOrderWithOneFolderPromptAndNoFilePrompt) {
    DocumentAt(u"C:\\w\\b.ai", "%%DocumentFiles:C:\\i\\b.png\r\n");
    DocumentAt(u"C:\\w\\a.ai", "%%DocumentFiles:C:\\i\\a.png\r\n");
    system.folders[u"C:\\w\\sub"];
    system.folders[u"C:\\w\\more.ai"];
    EXPECT_EQ(Drop({u"C:\\w\\b.ai", u"C:\\w\\sub", u"C:\\w\\a.ai", u"C:\\w\\more.ai"}),
              BatchEnd::Completed);
    EXPECT_EQ(system.readPaths, (std::vector<std::u16string>{u"C:\\w\\b.ai", u"C:\\w\\a.ai"}));
    EXPECT_EQ(view.documents, (DocumentPaths{u"C:\\w\\b.ai", u"C:\\w\\a.ai"}));
    EXPECT_EQ(system.folderPrompts, 1);
    EXPECT_EQ(system.folderPromptText, u"画像を収集する保存フォルダを指定");
    EXPECT_EQ(system.documentPrompts, 0);
    EXPECT_EQ(system.optionReads, 1);
    ASSERT_EQ(view.links.size(), 2u);
    EXPECT_EQ(view.links[0].path, u"C:\\i\\b.png");
    EXPECT_EQ(view.links[0].document, 0u);
    EXPECT_EQ(view.links[1].path, u"C:\\i\\a.png");
    EXPECT_EQ(view.links[1].document, 1u);
    EXPECT_EQ(view.destinationLine, u"\u3000\u3000D:\\collected");
    // The debug view holds the last document's text.
    EXPECT_EQ(view.documentText, u"%%DocumentFiles:C:\\i\\a.png\r\n");
    EXPECT_FALSE(view.redrawSuspended);
    EXPECT_EQ(view.status, u"");
    EXPECT_EQ(view.progress, view.progressMax);
    EXPECT_EQ(view.progressMax, 1 + 2 * 4 + 2);
}

TEST_F(Batch, NothingHappensWhenNoFileIsLeft) {
    system.folders[u"C:\\w\\sub"];
    for (const std::vector<std::u16string>& dropped :
         {std::vector<std::u16string>{u"C:\\w\\sub"}, std::vector<std::u16string>{}}) {
        LeaveEarlierRun();
        view.documents = {u"C:\\old.ai"};
        EXPECT_EQ(Drop(dropped), BatchEnd::NothingDropped);
        EXPECT_EQ(system.folderPrompts, 0);
        EXPECT_TRUE(view.statusHistory.empty());
        EXPECT_EQ(view.destinationLine, u"old") << "the earlier run's details were cleared";
        EXPECT_EQ(view.links.size(), 1u);
        EXPECT_EQ(view.documents, DocumentPaths{u"C:\\old.ai"});
        view.links.clear();
    }
}

TEST_F(Batch, ACancelledFolderPromptLeavesEverythingCleared) {
    DocumentAt(u"C:\\w\\a.ai", "%%DocumentFiles:C:\\i\\a.png\r\n");
    LeaveEarlierRun();
    view.documents = {u"C:\\old.ai", u"C:\\old2.ai"};
    system.folderAnswer.reset();
    EXPECT_EQ(Drop({u"C:\\w\\a.ai", u"C:\\w\\a.ai"}), BatchEnd::FolderCancelled);
    EXPECT_TRUE(view.links.empty());
    EXPECT_TRUE(view.documents.empty());
    EXPECT_EQ(RowCount(view.links, view.documents), 2);
    EXPECT_EQ(view.destinationLine, u"");
    EXPECT_EQ(view.status, u"");
    EXPECT_TRUE(system.readPaths.empty());
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(Batch, OneNameHoldsOneImageAcrossTheDocuments) {
    DocumentAt(u"C:\\w\\a.ai", "%%DocumentFiles:C:\\x\\logo.png\r\n%%+C:\\x\\a.png\r\n");
    DocumentAt(u"C:\\w\\b.ai", "%%DocumentFiles:C:\\y\\logo.png\r\n%%+C:\\x\\a.png\r\n");
    Image(u"C:\\x\\logo.png");
    Image(u"C:\\y\\logo.png");
    Image(u"C:\\x\\a.png");
    Drop({u"C:\\w\\a.ai", u"C:\\w\\b.ai"});
    EXPECT_EQ(Copies(), (std::vector<std::u16string>{u"C:\\x\\logo.png -> D:\\collected\\logo.png",
                                                     u"C:\\x\\a.png -> D:\\collected\\a.png"}));
    ASSERT_EQ(view.links.size(), 4u);
    EXPECT_EQ(view.links[2].outcome, Outcome::NameTaken);
    EXPECT_EQ(view.links[3].outcome, Outcome::SameAsAbove);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(view.messages[0].text, u"一部画像の収集を失敗しました！\r\n成功：  3個\r\n失敗：  1個"
                                     u"\r\na.ai：成功 2個 / 失敗 0個\r\nb.ai：成功 1個 / 失敗 1個");
}

TEST_F(Batch, EachKindOfDocumentHasItsSummaryLineAndAnyTroubleMakesItAnErrorBox) {
    DocumentAt(u"C:\\w\\ok.ai", "%%DocumentFiles:C:\\i\\1.png\r\n");
    DocumentAt(u"C:\\w\\none.ai", "%!PS\r\n%%Creator: x\r\n");
    DocumentAt(u"C:\\w\\ok2.ai", "%%DocumentFiles:C:\\i\\2.png\r\n");
    Image(u"C:\\i\\1.png");
    Image(u"C:\\i\\2.png");
    struct Case {
        const char* what;
        std::vector<std::u16string> dropped;
        MessageKind kind;
        std::u16string text;
    };
    const Case cases[] = {
        {"all collected",
         {u"C:\\w\\ok.ai", u"C:\\w\\ok2.ai"},
         MessageKind::Information,
         u"画像収集が完了しました。\r\n成功：  2個\r\n失敗：  0個\r\nok.ai：成功 1個 / 失敗 0個"
         u"\r\nok2.ai：成功 1個 / 失敗 0個"},
        {"one cannot be opened",
         {u"C:\\w\\ok.ai", u"C:\\w\\gone.ai"},
         MessageKind::Error,
         u"画像収集が完了しました。\r\n成功：  1個\r\n失敗：  0個\r\nok.ai：成功 1個 / 失敗 0個"
         u"\r\ngone.ai：開けません（File not found）"},
        {"one without a record",
         {u"C:\\w\\none.ai", u"C:\\w\\ok2.ai"},
         MessageKind::Error,
         u"画像収集が完了しました。\r\n成功：  1個\r\n失敗：  0個"
         u"\r\nnone.ai：リンク情報は見つかりませんでした\r\nok2.ai：成功 1個 / 失敗 0個"},
        {"a lone document that cannot be opened",
         {u"C:\\w\\gone.ai"},
         MessageKind::Error,
         u"画像収集が完了しました。\r\n成功：  0個\r\n失敗：  0個\r\ngone.ai：開けません（File "
         u"not found）"},
        {"a lone document as a run has it",
         {u"C:\\w\\ok.ai"},
         MessageKind::Information,
         u"画像収集が完了しました。\r\n成功：  1個\r\n失敗：  0個"},
    };
    for (const Case& c : cases) {
        view.messages.clear();
        system.files.erase(u"D:\\collected\\1.png");
        system.files.erase(u"D:\\collected\\2.png");
        EXPECT_EQ(Drop(c.dropped), BatchEnd::Completed) << c.what;
        ASSERT_EQ(view.messages.size(), 1u) << c.what;
        EXPECT_EQ(view.messages[0].kind, c.kind) << c.what;
        EXPECT_EQ(view.messages[0].text, c.text) << c.what;
        EXPECT_EQ(view.progress, view.progressMax) << c.what;
        EXPECT_EQ(view.documents, c.dropped) << c.what;
    }
}

TEST_F(Batch, ADocumentGivenUpOnAddsNoLinksAndTheBatchGoesOn) {
    DocumentAt(u"C:\\w\\a.ai", "%%DocumentFiles:C:\\i\\1.png\r\n");
    DocumentAt(u"C:\\w\\c.ai", "%%DocumentFiles:C:\\i\\3.png\r\n");
    Drop({u"C:\\w\\a.ai", u"C:\\w\\gone.ai", u"C:\\w\\c.ai"});
    ASSERT_EQ(view.links.size(), 2u);
    EXPECT_EQ(view.links[0].document, 0u);
    EXPECT_EQ(view.links[1].document, 2u);
    EXPECT_EQ(Cell(kResult, 0), u"結果");
    EXPECT_EQ(view.progress, view.progressMax);
    EXPECT_EQ(view.progressMax, 1 + 3 * 4 + 2);
    // No general error report: only the summary.
    EXPECT_EQ(view.messages.size(), 1u);
}

TEST_F(Batch, CopiesEachDocumentWhenAskedAndOpensTheFolderOnceAtTheEnd) {
    system.options = {.aiCopy = true, .folderOpen = true, .errSearch = false};
    DocumentAt(u"C:\\w\\a.ai", "%%DocumentFiles:C:\\i\\1.png\r\n");
    DocumentAt(u"C:\\v\\b.ai", "%%DocumentFiles:C:\\i\\2.png\r\n");
    Image(u"C:\\i\\1.png");
    Drop({u"C:\\w\\a.ai", u"C:\\v\\b.ai"});
    const std::vector<Event> expected = {
        {"mark", u"○"},
        {"copy", u"C:\\w\\a.ai -> D:\\collected\\a.ai"},
        {"copy", u"C:\\i\\1.png -> D:\\collected\\1.png"},
        {"mark", u"×"},
        {"copy", u"C:\\v\\b.ai -> D:\\collected\\b.ai"},
        {"open", u"D:\\collected"},
        {"message", u"一部画像の収集を失敗しました！\r\n成功：  1個\r\n失敗：  1個"
                    u"\r\na.ai：成功 1個 / 失敗 0個\r\nb.ai：成功 0個 / 失敗 1個"},
    };
    EXPECT_EQ(view.events, expected);
}

TEST_F(Batch, ADocumentCopyThatFailsIsToldUnderItsDocument) {
    system.options.aiCopy = true;
    DocumentAt(u"C:\\w\\a.ai", "%%DocumentFiles:C:\\i\\1.png\r\n");
    DocumentAt(u"C:\\v\\b.ai", "%%DocumentFiles:C:\\i\\1.png\r\n");
    Image(u"C:\\i\\1.png");
    system.refusedCopies = {u"C:\\v\\b.ai"};
    Drop({u"C:\\w\\a.ai", u"C:\\v\\b.ai"});
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(view.messages[0].text,
              u"画像収集が完了しました。\r\n成功：  2個\r\n失敗：  0個\r\na.ai：成功 1個 / 失敗 0個"
              u"\r\nb.ai：成功 1個 / 失敗 0個\r\nAIファイルをコピーできませんでした：Access is "
              u"denied");
}

TEST_F(Batch, ALoneDroppedDocumentShowsTheTableOfARun) {
    const std::string_view bytes = "%%DocumentFiles:C:\\i\\1.png\r\n%%+C:\\long\\22.png\r\n";
    Document(bytes);
    Image(u"C:\\i\\1.png");
    Run();
    const Links runLinks = view.links;
    const auto runEvents = view.events;
    const auto runWidths = view.columnWidths;
    view.events.clear();
    system.files.erase(u"D:\\collected\\1.png");
    Drop({u"C:\\work\\doc.ai"});
    EXPECT_EQ(view.events, runEvents);
    EXPECT_EQ(view.columnWidths, runWidths);
    ASSERT_EQ(RowCount(view.links, view.documents), RowCount(runLinks));
    for (int row = 0; row < RowCount(runLinks); ++row)
        for (int column = 0; column < kColumnCount; ++column)
            EXPECT_EQ(CellText(view.links, view.documents, column, row),
                      CellText(runLinks, column, row));
}

TEST_F(Batch, ColumnWidthsFitTheBoldDocumentNamesToo) {
    DocumentAt(u"C:\\w\\a-rather-long-name.ai", "%%DocumentFiles:C:\\i\\1.png\r\n");
    DocumentAt(u"C:\\w\\b.ai", "%%DocumentFiles:C:\\i\\2.png\r\n");
    Drop({u"C:\\w\\a-rather-long-name.ai", u"C:\\w\\b.ai"});
    // 21 bold characters at 12 pixels, wider than any link's name; measured
    // again as each document's links come.
    EXPECT_EQ(view.measuredBoldTexts, (std::vector<std::u16string>(2, u"a-rather-long-name.ai")));
    EXPECT_EQ(view.columnWidths.at(kFileName), 21 * 12 + 50);
    EXPECT_EQ(view.columnWidths.at(kPath), 10 * 10 + 50);
}

} // namespace
} // namespace marovan
