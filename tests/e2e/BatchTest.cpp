// Documents dropped on the main window, as Explorer drops them: one batch
// with one folder prompt, a table grouped by document, and one summary.

#include "resources/resource.h"
#include "tests/e2e/Driver.h"
#include "tests/e2e/Fixtures.h"
#include "tests/e2e/Input.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <chrono>

namespace marovan::e2e {
namespace {

namespace fs = std::filesystem;

class Batch : public testing::Test {
protected:
    Batch() {
        WriteBytes(logoA, PngImage(1));
        WriteBytes(photoA, PngImage(2));
        WriteBytes(logoB, PngImage(3));
        // Images of one size written within two seconds are taken for copies
        // of one image.
        fs::last_write_time(logoB, fs::last_write_time(logoB) - std::chrono::hours(1));
        WriteBytes(cover, AiDocument({logoA.wstring(), photoA.wstring()}));
        WriteBytes(back, AiDocument({logoB.wstring()}));
    }

    TempFolder temp{L"batch"};
    fs::path documents = temp.Folder(L"作品");
    fs::path logoA = temp.Folder(L"画像A") / L"logo.png";
    fs::path photoA = temp / L"画像A" / L"photo.png";
    // The same file name as the cover's logo, and another image.
    fs::path logoB = temp.Folder(L"画像B") / L"logo.png";
    fs::path cover = documents / L"表紙.ai";
    fs::path back = documents / L"裏.ai";
    fs::path destination = temp.Folder(L"収集先");
};

TEST_F(Batch, TwoDroppedDocumentsAreCollectedTogetherUnderOneFolderPrompt) {
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    app.PressDetailsToggle();
    app.Drop({cover, back});
    EXPECT_EQ(app.FolderPromptText(), L"画像を収集する保存フォルダを指定");
    app.ChooseFolder(destination);
    // The summary comes with no file prompt and no second folder prompt
    // before it: the run would wait on either.
    const MessageBoxContent summary = app.ReadMessageBox();
    app.Screenshot(L"batch-summary");
    app.CloseMessageBox();
    EXPECT_EQ(summary.caption, L"エラー");
    EXPECT_EQ(NameOf(summary.icon), NameOf(Icon::Error));
    EXPECT_EQ(Utf8(summary.text),
              Utf8(L"一部画像の収集を失敗しました！\r\n成功：  2個\r\n失敗：  1個\r\n"
                   L"表紙.ai：成功 2個 / 失敗 0個\r\n裏.ai：成功 0個 / 失敗 1個"));

    const std::vector<std::vector<std::wstring>> expected = {
        {L"", L"結果", L"ファイル名", L"パス"},
        {L"", L"", L"表紙.ai", L""},
        {L"1", L"○", L"logo.png", logoA.wstring()},
        {L"2", L"○", L"photo.png", photoA.wstring()},
        {L"", L"", L"裏.ai", L""},
        {L"1", L"○", L"logo.png", logoB.wstring()},
        {L"", L"", L"", L""},
    };
    EXPECT_EQ(app.Table(), expected);
    EXPECT_EQ(app.Destination(), L"\u3000\u3000" + destination.wstring());
    EXPECT_EQ(app.Status(), L"");
    const ProgressBar bar = app.Progress();
    EXPECT_EQ(bar.position, bar.maximum);
    app.Screenshot(L"batch-grouped-table");
    // A document's row tells its path, a link's row what became of its image.
    EXPECT_EQ(app.StatusOfRow(4), back.wstring());
    EXPECT_EQ(app.StatusOfRow(5), L"同じ名前の別の画像を先にコピーしたため、コピーしていません");
    EXPECT_EQ(app.StatusOfRow(1), cover.wstring());

    // One name, one image: the cover's logo, not the back's.
    const auto copied = FilesBelow(destination);
    ASSERT_EQ(copied.size(), 2u);
    EXPECT_EQ(copied.at(L"logo.png"), ReadBytes(logoA));
    EXPECT_EQ(copied.at(L"photo.png"), ReadBytes(photoA));
}

TEST_F(Batch, DroppingOnlyAFolderDoesNothing) {
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    app.Drop({documents});
    // A batch would be waiting in its folder prompt by now.
    app.AwaitPostedMessages();
    EXPECT_EQ(app.FindFolderPrompt(), nullptr);
    EXPECT_EQ(app.Table().size(), 2u);
    EXPECT_EQ(app.Status(), L"");
}

TEST_F(Batch, ADropDuringARunDoesNothing) {
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    app.PressCollect();
    app.WaitForFolderPrompt();
    app.Drop({cover});
    // Handled by the prompt's message loop, inside the run.
    app.AwaitPostedMessages();
    app.ChooseFolder(destination);
    app.ChooseDocument(back);
    app.ExpectInformationBox(L"画像収集が完了しました。\r\n成功：  1個\r\n失敗：  0個");
    app.AwaitPostedMessages();
    EXPECT_EQ(app.FindFolderPrompt(), nullptr) << "the drop started a batch after the run";
    const auto table = app.Table();
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table[1][3], logoB.wstring());
    EXPECT_EQ(NamesIn(destination), std::vector<std::wstring>{L"logo.png"});
}

} // namespace
} // namespace marovan::e2e
