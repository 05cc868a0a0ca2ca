// The main window as a user meets it: captions, the details toggle and
// Clear details.

#include "resources/resource.h"
#include "tests/e2e/Driver.h"

#include <gtest/gtest.h>

namespace marovan::e2e {
namespace {

TEST(MainWindow, OpensWithItsCaptionAndEndsTheProgramWhenClosed) {
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    EXPECT_EQ(app.Close(), 0u);
}

TEST(MainWindow, ShowsItsCaptionsCollapsedAtStart) {
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    EXPECT_EQ(app.Title(), L"Marovan");
    EXPECT_EQ(app.ButtonCaption(IDC_COLLECT), L"画像収集");
    EXPECT_EQ(app.ButtonCaption(IDC_OPTION), L"Option");
    EXPECT_EQ(app.ButtonCaption(IDC_DETAILS), L"詳細表示");
    EXPECT_EQ(app.ButtonCaption(IDC_CLEAR_DETAILS), L"詳細クリア");
    EXPECT_EQ(app.ButtonCaption(IDC_INFO), L"Info");
    EXPECT_EQ(app.Status(), L"");
    EXPECT_EQ(app.Destination(), L"");
    EXPECT_EQ(app.WindowSize().cy, 230);
    EXPECT_EQ(app.Tabs(), std::vector<std::wstring>{L"抽出結果"});
    const auto table = app.Table();
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table[0], (std::vector<std::wstring>{L"", L"結果", L"ファイル名", L"パス"}));
    EXPECT_EQ(table[1], (std::vector<std::wstring>{L"", L"", L"", L""}));
    const ProgressBar bar = app.Progress();
    EXPECT_EQ(bar.position, 0);
    EXPECT_EQ(bar.maximum, 1000);
    app.Screenshot(L"main-collapsed");
}

TEST(MainWindow, DetailsToggleSwitchesHeightAndRestoresTheWidth) {
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    app.PressDetailsToggle();
    app.WaitUntil(L"the expanded window", [&] { return app.WindowSize().cy == 450; });
    EXPECT_EQ(app.ButtonCaption(IDC_DETAILS), L"隠す");
    // A user widens the window; expanding keeps a width, collapsing resets it.
    app.ResizeTo(600, 450);
    app.PressDetailsToggle();
    app.WaitUntil(L"the collapsed window", [&] { return app.WindowSize().cy == 230; });
    EXPECT_EQ(app.WindowSize().cx, 450);
    EXPECT_EQ(app.ButtonCaption(IDC_DETAILS), L"詳細表示");
    app.ResizeTo(520, 230);
    app.PressDetailsToggle();
    app.WaitUntil(L"the expanded window", [&] { return app.WindowSize().cy == 450; });
    EXPECT_EQ(app.WindowSize().cx, 520);
}

} // namespace
} // namespace marovan::e2e
