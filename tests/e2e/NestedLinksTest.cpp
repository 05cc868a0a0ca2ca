// The links of a placed .ai collected with the document's own, end to end:
// the rows under the file that places them, their marks, the copies and the
// summary.

#include "tests/e2e/Driver.h"
#include "tests/e2e/Fixtures.h"
#include "tests/e2e/Hashes.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace marovan::e2e {
namespace {

namespace fs = std::filesystem;

TEST(NestedLinks, APlacedAiBringsItsImagesAndItsLinkBackEndsTheCycle) {
    TempFolder temp(L"nested");
    const fs::path documents = temp.Folder(L"作品");
    const fs::path parts = temp.Folder(L"部品");
    const fs::path destination = temp.Folder(L"収集先");
    const fs::path document = documents / L"ポスター.ai";
    const fs::path placed = parts / L"部品.ai";
    const fs::path logo = parts / L"ロゴ.png";
    const fs::path photo = documents / L"写真.png";
    const std::wstring missing = L"C:\\gone\\欠品.png";
    WriteBytes(logo, PngImage(1));
    WriteBytes(photo, PngImage(2));
    // The placed file links two images, one missing, and the document back.
    WriteBytes(placed, AiDocument({logo.wstring(), missing, document.wstring()}));
    WriteBytes(document, AiDocument({placed.wstring(), photo.wstring()}));

    Marovan app = Marovan::Start({}, Marovan::WithSettings(L"[OPTION]\r\nNested Links=1\r\n"));
    app.WaitForMainWindow();
    app.PressDetailsToggle();
    const RunOutcome outcome = CollectAndAnswer(app, destination, document);
    ExpectNoSystemBoxes(outcome);
    ExpectSummary(outcome.last, {L"○", L"○", L"×", L"○", L"○"});
    EXPECT_EQ(outcome.last.text, L"一部画像の収集を失敗しました！\r\n成功：  4個\r\n失敗：  1個");

    const std::wstring indent = L"\u3000\u2514 ";
    const std::vector<std::vector<std::wstring>> expected = {
        {L"", L"結果", L"ファイル名", L"パス"},
        {L"1", L"○", L"部品.ai", placed.wstring()},
        {L"2", L"○", indent + L"ロゴ.png", logo.wstring()},
        {L"3", L"×", indent + L"欠品.png", missing},
        {L"4", L"○", indent + L"ポスター.ai", document.wstring()},
        {L"5", L"○", L"写真.png", photo.wstring()},
        {L"", L"", L"", L""},
    };
    EXPECT_EQ(app.Table(), expected);
    const ProgressBar bar = app.Progress();
    EXPECT_EQ(bar.maximum, 1 + 4 + 5);
    EXPECT_EQ(bar.position, bar.maximum);
    EXPECT_EQ(app.Status(), L"");

    // Every image once, under its own name; the document came back as an
    // image of the placed file, and was not read a second time.
    const std::map<std::wstring, Bytes> collected{{L"部品.ai", ReadBytes(placed)},
                                                  {L"ロゴ.png", ReadBytes(logo)},
                                                  {L"ポスター.ai", ReadBytes(document)},
                                                  {L"写真.png", ReadBytes(photo)}};
    EXPECT_EQ(HashesOf(destination), HashesOfFiles(collected));
    app.Screenshot(L"nested-links");
}

} // namespace
} // namespace marovan::e2e
