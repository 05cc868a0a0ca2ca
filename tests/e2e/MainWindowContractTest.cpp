// What the main window owes Windows where Wine would forgive it, checked from
// outside: the link table's image list stays the program's, a DPI change
// leaves a window that still closes cleanly, the hidden debug view is not
// made visible by a run, and the expanded window stays on its monitor.

#include "resources/resource.h"
#include "tests/e2e/Driver.h"
#include "tests/e2e/Fixtures.h"
#include "tests/e2e/Remote.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <vector>

namespace marovan::e2e {
namespace {

namespace fs = std::filesystem;

LONG StyleOf(HWND window) {
    return ::GetWindowLongW(window, GWL_STYLE);
}

RECT WindowRect(HWND window) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    return rect;
}

// Left, top, right, bottom, comparable and printable.
std::vector<LONG> Edges(const RECT& rect) {
    return {rect.left, rect.top, rect.right, rect.bottom};
}

// WM_DPICHANGED as Windows sends it: the new DPI twice and the suggested
// window rectangle, here in the program's own memory.
void SendDpiChange(const Marovan& app, int dpi, const RECT& suggested) {
    RemoteMemory rect(app.Handle(), sizeof(RECT));
    rect.Write(0, &suggested, sizeof(suggested));
    Send(app.Main(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), rect.At(0));
}

TEST(MainWindowContract, LinkTableLeavesItsImageListsToTheProgram) {
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    HWND table = ::GetDlgItem(app.Main(), IDC_LINK_TABLE);
    ASSERT_NE(table, nullptr);
    EXPECT_NE(StyleOf(table) & LVS_SHAREIMAGELISTS, 0);
    EXPECT_EQ(app.Close(), 0u);
}

TEST(MainWindowContract, TakesTheSuggestedRectangleOfADpiChangeAndStillClosesCleanly) {
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    app.PressDetailsToggle();
    app.WaitUntil(L"the expanded window", [&] { return app.WindowSize().cy == 450; });
    const RECT before = WindowRect(app.Main());
    const RECT larger{before.left, before.top, before.left + (before.right - before.left) * 3 / 2,
                      before.top + (before.bottom - before.top) * 3 / 2};
    SendDpiChange(app, 144, larger);
    EXPECT_EQ(Edges(WindowRect(app.Main())), Edges(larger));
    EXPECT_EQ(app.Table()[0], (std::vector<std::wstring>{L"", L"結果", L"ファイル名", L"パス"}));
    SendDpiChange(app, 96, before);
    EXPECT_EQ(Edges(WindowRect(app.Main())), Edges(before));
    EXPECT_EQ(app.Close(), 0u);
}

TEST(MainWindowContract, ExpandingNearTheScreensBottomKeepsTheWindowInTheWorkArea) {
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ASSERT_TRUE(
        ::GetMonitorInfoW(::MonitorFromWindow(app.Main(), MONITOR_DEFAULTTONEAREST), &monitor));
    const RECT work = monitor.rcWork;
    // Collapsed, just above the bottom: grown downwards it would run off.
    ::SetWindowPos(app.Main(), nullptr, work.left + 20, work.bottom - 240, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_EQ(WindowRect(app.Main()).top, work.bottom - 240);
    const LONG width = WindowRect(app.Main()).right - WindowRect(app.Main()).left;
    app.PressDetailsToggle();
    app.WaitUntil(L"the expanded window", [&] { return app.WindowSize().cy == 450; });
    // The toggle's handler grows the window, then moves it: both are done
    // once a message posted after the press has been handled.
    app.AwaitPostedMessages();
    EXPECT_EQ(Edges(WindowRect(app.Main())),
              Edges({work.left + 20, work.bottom - 450, work.left + 20 + width, work.bottom}));
    EXPECT_EQ(app.Close(), 0u);
}

TEST(MainWindowContract, DebugViewStaysHiddenAfterARunOnTheResultPage) {
    TempFolder temp(L"contract");
    const fs::path destination = temp.Folder(L"収集先");
    const fs::path document = temp / L"doc.ai";
    WriteBytes(document, AiDocument({L"C:\\gone\\missing.png"}));
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    app.PressDetailsToggle();
    app.Collect(destination, document);
    // The summary comes after the run has resumed the view's redrawing.
    app.AnswerMessageBox();
    ASSERT_EQ(app.Tabs(), std::vector<std::wstring>{L"抽出結果"});
    HWND view = ::GetDlgItem(app.Main(), IDC_DOCUMENT_TEXT);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(StyleOf(view) & WS_VISIBLE, 0) << "the debug view covers the link table";
    EXPECT_NE(StyleOf(::GetDlgItem(app.Main(), IDC_LINK_TABLE)) & WS_VISIBLE, 0);
    EXPECT_EQ(app.Close(), 0u);
}

} // namespace
} // namespace marovan::e2e
