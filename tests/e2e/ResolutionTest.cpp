// How the link table shows the marks of a finished run: the Result cells are
// filled white and carry their mark in red ("×") or blue (any other), while
// the header keeps the control's own look.

#include "tests/e2e/Driver.h"
#include "tests/e2e/Fixtures.h"
#include "tests/e2e/Picture.h"

#include <gtest/gtest.h>

namespace marovan::e2e {
namespace {

namespace fs = std::filesystem;

TEST(Resolution, ResultCellsShowMissingInRedAndFoundInBlueOnWhite) {
    TempFolder temp(L"marks");
    const fs::path documents = temp.Folder(L"作品");
    const fs::path destination = temp.Folder(L"収集先");
    const fs::path found = temp / L"ある.png";
    WriteBytes(found, PngImage(5));
    WriteBytes(documents / L"beside.png", PngImage(6));
    const fs::path document = documents / L"色.ai";
    WriteBytes(document,
               AiDocument({found.wstring(), L"C:\\gone\\beside.png", L"C:\\gone\\no.png"}));
    Marovan app = Marovan::Start({}, Marovan::WithSettings(L"[OPTION]\r\nERR Search=1\r\n"));
    app.WaitForMainWindow();
    app.PressDetailsToggle();
    app.Collect(destination, document);
    app.AnswerMessageBox();
    const auto table = app.Table();
    ASSERT_EQ(table.size(), 5u);
    app.Screenshot(L"resolution-marks");

    const std::wstring expected[] = {L"○", L"△", L"×"};
    for (std::size_t row = 1; row <= 3; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(table[row][1], expected[row - 1]);
        RECT cell = app.CellOnScreen(row, 1);
        // Leave out the grid lines and the strip at the cell's left edge
        // that keeps the row's own background.
        cell.left += 5;
        cell.right -= 1;
        cell.bottom -= 1;
        const Ink ink = InkOf(CaptureScreen(cell));
        if (expected[row - 1] == L"×") {
            EXPECT_GT(ink.red, 4);
            EXPECT_EQ(ink.blue, 0);
        } else {
            EXPECT_GT(ink.blue, 4);
            EXPECT_EQ(ink.red, 0);
        }
        EXPECT_GT(ink.white, ink.pixels / 2) << "the cell is filled white";
    }
    const Ink header = InkOf(CaptureScreen(app.CellOnScreen(0, 1)));
    EXPECT_EQ(header.red + header.blue, 0) << "the header cell keeps the control's look";
}

} // namespace
} // namespace marovan::e2e
