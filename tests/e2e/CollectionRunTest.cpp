// Collection runs as a user performs them: the prompts, the link table, the
// marks, the copies and the summary.

#include "tests/e2e/Driver.h"
#include "tests/e2e/Fixtures.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace marovan::e2e {
namespace {

namespace fs = std::filesystem;

class CollectionRun : public testing::Test {
protected:
    fs::path Document(std::wstring_view name, const std::vector<std::wstring>& links,
                      LineEnd lineEnd = LineEnd::CrLf) {
        const fs::path path = documents / name;
        WriteBytes(path, AiDocument(links, lineEnd));
        return path;
    }

    std::vector<std::wstring> Column(const std::vector<std::vector<std::wstring>>& table,
                                     std::size_t column) {
        std::vector<std::wstring> cells;
        for (const auto& row : table)
            cells.push_back(row.at(column));
        return cells;
    }

    TempFolder temp{L"run"};
    fs::path documents = temp.Folder(L"作品");
    fs::path images = temp.Folder(L"画像");
    fs::path destination = temp.Folder(L"収集先");
};

TEST_F(CollectionRun, FillsTheTableWithThreeCp932Links) {
    const std::wstring a = (images / L"写真１.psd").wstring();
    const std::wstring b = L"C:\\work\\b.tif";
    const std::wstring c = (images / L"ロゴ.eps").wstring();
    const fs::path document = Document(L"ポスター.ai", {a, b, c});
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    app.PressDetailsToggle();
    app.Collect(destination, document);
    const MessageBoxContent summary = app.AnswerMessageBox();
    EXPECT_EQ(summary.caption, L"エラー");
    const auto table = app.Table();
    ASSERT_EQ(table.size(), 5u);
    EXPECT_EQ(Column(table, 0), (std::vector<std::wstring>{L"", L"1", L"2", L"3", L""}));
    EXPECT_EQ(Column(table, 2), (std::vector<std::wstring>{L"ファイル名", L"写真１.psd", L"b.tif",
                                                           L"ロゴ.eps", L""}));
    EXPECT_EQ(Column(table, 3), (std::vector<std::wstring>{L"パス", a, b, c, L""}));
    EXPECT_EQ(app.Destination(), L"\u3000\u3000" + destination.wstring());
    EXPECT_EQ(app.Status(), L"");
    const ProgressBar bar = app.Progress();
    EXPECT_EQ(bar.maximum, 8);
    EXPECT_EQ(bar.position, 8);
    app.Screenshot(L"run-three-links");
}

TEST_F(CollectionRun, ReadsAMacDocumentWithCrLineEndsAndPosixPaths) {
    const fs::path document =
        Document(L"mac.ai", {L"/Users/k/Desktop/a.png", L"/Users/k/画像/b.png"}, LineEnd::Cr);
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    app.Collect(destination, document);
    app.AnswerMessageBox();
    const auto table = app.Table();
    ASSERT_EQ(table.size(), 4u);
    EXPECT_EQ(table[1][2], L"a.png");
    EXPECT_EQ(table[2][2], L"b.png");
    EXPECT_EQ(table[2][3], L"/Users/k/画像/b.png");
}

TEST_F(CollectionRun, DocumentWithoutRecordShowsTheNoLinkError) {
    const fs::path document = documents / L"none.ai";
    WriteBytes(document, AiDocument({}, LineEnd::CrLf, false));
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    app.Collect(destination, document);
    app.ExpectErrorBox(L"リンク情報は見つかりませんでした。");
    EXPECT_EQ(app.Table().size(), 2u);
    EXPECT_EQ(app.Status(), L"画像パス情報抽出中...");
    EXPECT_EQ(app.Progress().position, 4);
}

TEST_F(CollectionRun, UnreadableDocumentGivesTheFailureReport) {
    const fs::path missing = documents / L"消えた.ai";
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    app.Collect(destination, missing);
    const MessageBoxContent report = app.AnswerMessageBox();
    EXPECT_EQ(report.caption, L"Marovan");
    EXPECT_EQ(NameOf(report.icon), NameOf(Icon::Error));
    const std::wstring prefix = L"ファイル " + missing.wstring() + L" は開けません。 ";
    EXPECT_EQ(Utf8(report.text.substr(0, prefix.size())), Utf8(prefix));
    EXPECT_GT(report.text.size(), prefix.size() + 1);
    EXPECT_EQ(app.Status(), L"ファイル読込中...");
    // The window goes on taking input.
    app.PressClearDetails();
    app.WaitForStatus(L"");
}

TEST_F(CollectionRun, CancelledPromptsEndTheRunSilently) {
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    app.PressCollect();
    app.CancelFolderPrompt();
    app.WaitForStatus(L"");
    EXPECT_EQ(app.Destination(), L"");
    EXPECT_EQ(app.Progress().position, 0);
    EXPECT_EQ(app.FindMessageBox(), nullptr);

    app.PressCollect();
    app.ChooseFolder(destination);
    app.CancelDocumentPrompt();
    app.WaitForStatus(L"");
    EXPECT_EQ(app.Destination(), L"");
    EXPECT_EQ(app.Progress().position, 1);
    EXPECT_EQ(app.Table().size(), 2u);
}

TEST_F(CollectionRun, ClearDetailsEmptiesEverythingButTheHeader) {
    const fs::path document = Document(L"a.ai", {L"C:\\x\\1.png", L"C:\\x\\2.png"});
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    app.Collect(destination, document);
    app.AnswerMessageBox();
    ASSERT_EQ(app.Table().size(), 4u);
    app.PressClearDetails();
    app.WaitForTableRows(2);
    EXPECT_EQ(app.Table()[0][1], L"結果");
    EXPECT_EQ(app.Destination(), L"");
    EXPECT_EQ(app.Status(), L"");
    const ProgressBar bar = app.Progress();
    EXPECT_EQ(bar.position, 0);
    EXPECT_EQ(bar.maximum, 1000);
}

TEST_F(CollectionRun, EveryStartupArgumentRunsBeforeTheWindowAppears) {
    const fs::path first = Document(L"1.ai", {L"C:\\x\\one.png"});
    const fs::path second = Document(L"2.ai", {L"C:\\x\\a.png", L"C:\\x\\b.png"});
    Marovan app =
        Marovan::Start({L"\"" + first.wstring() + L"\"", L"\"" + second.wstring() + L"\""});
    for (const fs::path& document : {first, second}) {
        app.ChooseFolder(destination);
        app.ChooseDocument(document);
        app.ReadMessageBox();
        EXPECT_FALSE(app.MainWindowVisible());
        app.CloseMessageBox();
    }
    app.WaitForMainWindow();
    EXPECT_EQ(app.Table().size(), 4u) << "the window shows what the last run left";
    EXPECT_EQ(app.Progress().position, 0);
}

TEST_F(CollectionRun, MarksCopiesAndSummarisesLinksOfAllThreeKinds) {
    const fs::path found = images / L"写真.png";
    WriteBytes(found, PngImage(1));
    WriteBytes(documents / L"beside.png", PngImage(2));
    const fs::path document = Document(
        L"作品.ai", {found.wstring(), L"C:\\gone\\beside.png", L"C:\\gone\\missing.png", L""});
    const Bytes documentBefore = ReadBytes(document);
    Marovan app = Marovan::Start({}, Marovan::WithSettings(L"[OPTION]\r\nERR Search=1\r\n"));
    app.WaitForMainWindow();
    app.PressDetailsToggle();
    app.Collect(destination, document);
    const MessageBoxContent summary = app.ReadMessageBox();
    app.Screenshot(L"run-marks-summary");
    app.CloseMessageBox();
    EXPECT_EQ(summary.caption, L"エラー");
    EXPECT_EQ(NameOf(summary.icon), NameOf(Icon::Error));
    EXPECT_EQ(Utf8(summary.text),
              Utf8(L"一部画像の収集を失敗しました！\r\n成功：  2個\r\n失敗：  2個"));
    const auto table = app.Table();
    ASSERT_EQ(table.size(), 6u);
    EXPECT_EQ(Column(table, 1), (std::vector<std::wstring>{L"結果", L"○", L"△", L"×", L"×", L""}));
    app.Screenshot(L"run-marks");

    const auto copied = FilesBelow(destination);
    ASSERT_EQ(copied.size(), 2u);
    EXPECT_EQ(copied.at(L"写真.png"), ReadBytes(found));
    EXPECT_EQ(copied.at(L"beside.png"), ReadBytes(documents / L"beside.png"));
    EXPECT_EQ(ReadBytes(document), documentBefore);
    // Nothing was written beside the document or the images.
    EXPECT_EQ(NamesIn(documents), (std::vector<std::wstring>{L"beside.png", L"作品.ai"}));
    EXPECT_EQ(NamesIn(images), std::vector<std::wstring>{L"写真.png"});
    EXPECT_EQ(app.Progress().position, app.Progress().maximum);
}

TEST_F(CollectionRun, AllFoundGivesTheInformationBoxAndCopiesTheDocumentWhenAsked) {
    const fs::path a = images / L"a.png";
    const fs::path b = images / L"b.png";
    WriteBytes(a, PngImage(3));
    WriteBytes(b, PngImage(4));
    const fs::path document = Document(L"all.ai", {a.wstring(), b.wstring(), a.wstring()});
    Marovan app = Marovan::Start({}, Marovan::WithSettings(L"[OPTION]\r\nAI Copy=1\r\n"));
    app.WaitForMainWindow();
    app.Collect(destination, document);
    app.ExpectInformationBox(L"画像収集が完了しました。\r\n成功：  3個\r\n失敗：  0個");
    const auto copied = FilesBelow(destination);
    ASSERT_EQ(copied.size(), 3u);
    EXPECT_EQ(copied.at(L"all.ai"), ReadBytes(document));
    EXPECT_EQ(copied.at(L"a.png"), ReadBytes(a));
}

} // namespace
} // namespace marovan::e2e
