// The link table leaves the program as a user takes it: Ctrl+C onto the
// clipboard, "CSVで保存..." from the shortcut menu into a file; and the main
// window's buttons answer their keys, which their tooltips name.

#include "resources/resource.h"
#include "tests/e2e/Driver.h"
#include "tests/e2e/Fixtures.h"
#include "tests/e2e/Hashes.h"
#include "tests/e2e/Input.h"
#include "tests/support/ClipboardText.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <filesystem>
#include <string>
#include <vector>

namespace marovan::e2e {
namespace {

namespace fs = std::filesystem;

HWND FocusOf(HWND window) {
    GUITHREADINFO gui{};
    gui.cbSize = sizeof(gui);
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &gui);
    return gui.hwndFocus;
}

void PressWithControl(WORD key) {
    SendKeys({VK_CONTROL, key}, false);
    SendKeys({VK_CONTROL, key}, true);
}

using test::ClipboardText;

void SetClipboardText(const std::wstring& text) {
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    auto* chars = static_cast<wchar_t*>(::GlobalLock(block));
    std::copy(text.begin(), text.end(), chars);
    chars[text.size()] = L'\0';
    ::GlobalUnlock(block);
    ::SetClipboardData(CF_UNICODETEXT, block);
    ::CloseClipboard();
}

// A shown popup menu of the program (class "#32768").
HWND FindMenu(const Marovan& app) {
    for (HWND window : app.Windows())
        if (ClassOf(window) == L"#32768" && ::IsWindowVisible(window))
            return window;
    return nullptr;
}

std::string Utf8Bytes(std::wstring_view text) {
    return Utf8(text);
}

class ExportAndKeys : public testing::Test {
protected:
    ExportAndKeys() {
        WriteBytes(found, PngImage(1));
        WriteBytes(document, AiDocument({found.wstring(), quoted}));
    }

    // A normal run of the document; the table is on screen afterwards.
    void RunOnce(const Marovan& app) const {
        app.Collect(destination, document);
        ExpectSummary(app.AnswerMessageBox(), {L"○", L"×"});
        app.WaitForMainWindow();
        if (app.ButtonCaption(IDC_DETAILS) == L"詳細表示")
            app.PressDetailsToggle();
    }

    // Tab from the window moves the focus into the table.
    static HWND TabIntoTable(const Marovan& app) {
        const HWND table = ::GetDlgItem(app.Main(), IDC_LINK_TABLE);
        ::SetForegroundWindow(app.Main());
        app.WaitUntil(L"the main window to be active",
                      [&] { return ::GetForegroundWindow() == app.Main(); });
        auto next = std::chrono::steady_clock::now();
        app.WaitUntil(L"Tab to reach the table", [&] {
            if (FocusOf(app.Main()) == table)
                return true;
            if (std::chrono::steady_clock::now() >= next) {
                PressKey(VK_TAB);
                next = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
            }
            return false;
        });
        return table;
    }

    TempFolder temp{L"export"};
    fs::path destination = temp.Folder(L"収集先");
    fs::path found = temp.Folder(L"画像,1") / L"a,b.png";
    // A path with a comma and double quotes, which no file can have.
    std::wstring quoted = (temp / L"無い\"q\".png").wstring();
    fs::path document = temp / L"作品.ai";
};

TEST_F(ExportAndKeys, CtrlCCopiesTheWholeTableAsTheWindowShowsIt) {
    Marovan app = Marovan::Start();
    RunOnce(app);
    SetClipboardText(L"earlier");
    TabIntoTable(app);
    PressWithControl('C');

    // The table read from the window, with the outcome texts the rows tell.
    std::wstring expected = L"番号\t結果\tファイル名\tパス\t詳細\r\n";
    const auto table = app.Table();
    const std::vector<std::wstring> outcomes = {L"コピーしました", L"見つかりません"};
    ASSERT_EQ(table.size(), 4u);
    for (std::size_t row = 1; row <= 2; ++row)
        expected += table[row][0] + L"\t" + table[row][1] + L"\t" + table[row][2] + L"\t" +
                    table[row][3] + L"\t" + outcomes[row - 1] + L"\r\n";
    app.WaitUntil(L"the table on the clipboard", [&] { return ClipboardText() == expected; });
    EXPECT_EQ(table[1][3], found.wstring());
    EXPECT_EQ(table[2][3], quoted);

    // Ctrl+A then Ctrl+C gives the same; a single selected row gives itself.
    SetClipboardText(L"earlier");
    PressWithControl('A');
    PressWithControl('C');
    app.WaitUntil(L"the whole table again", [&] { return ClipboardText() == expected; });
}

TEST_F(ExportAndKeys, TheShortcutMenuSavesTheTableAsCsvWhereTheRunCollected) {
    Marovan app = Marovan::Start();
    RunOnce(app);
    TabIntoTable(app);
    PressWithControl('A');
    // The menu opens at the pointer; both rows stay selected.
    const POINT at = Centre(app.CellOnScreen(1, 2));
    MovePointer(at);
    INPUT click[2] = {};
    click[0].type = click[1].type = INPUT_MOUSE;
    click[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    ::SendInput(2, click, sizeof(INPUT));
    app.WaitUntil(L"the shortcut menu", [&] { return FindMenu(app) != nullptr; });
    app.Screenshot(L"link-table-shortcut-menu");
    PressKey(VK_DOWN);
    PressKey(VK_DOWN);
    PressKey(VK_RETURN);

    const std::wstring saveTitle = L"名前を付けて保存";
    const std::wstring suggested = L"作品_リンク.csv";
    EXPECT_EQ(app.FilePromptFileName(saveTitle), suggested);
    EXPECT_EQ(fs::path(app.FilePromptFolder(saveTitle)), destination);
    app.ChooseFile(saveTitle, destination / suggested);

    const fs::path saved = destination / suggested;
    app.WaitUntil(L"the CSV file", [&] { return fs::exists(saved); });
    const std::string expected =
        "\xEF\xBB\xBF" +
        Utf8Bytes(L"番号,結果,ファイル名,パス,詳細\r\n"
                  L"1,○,\"a,b.png\",\"" +
                  found.wstring() +
                  L"\",コピーしました\r\n"
                  L"2,×,\"無い\"\"q\"\".png\",\"" +
                  (temp.path() / L"無い\"\"q\"\".png").wstring() + L"\",見つかりません\r\n");
    const Bytes bytes = ReadBytes(saved);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected);
    std::vector<std::wstring> names = NamesIn(destination);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"a,b.png", suggested}));
}

TEST_F(ExportAndKeys, TheButtonsAnswerTheirKeysAndTheirTipsNameThem) {
    Marovan app = Marovan::Start();
    const HWND main = app.WaitForMainWindow();
    ::SetForegroundWindow(main);
    app.WaitUntil(L"the main window to be active", [&] { return ::GetForegroundWindow() == main; });

    // Tooltips: caption and key.
    const std::vector<std::pair<int, std::wstring>> tips = {
        {IDC_COLLECT, L"画像収集 (Ctrl+O)"},
        {IDC_OPTION, L"Option (Ctrl+,)"},
        {IDC_DETAILS, L"詳細表示 (Ctrl+D)"},
        {IDC_CLEAR_DETAILS, L"詳細クリア (Ctrl+L)"},
        {IDC_INFO, L"Info (F1)"},
    };
    for (const auto& [id, text] : tips) {
        RECT button{};
        ::GetWindowRect(::GetDlgItem(main, id), &button);
        MovePointer(Centre(button));
        app.WaitUntil(L"the tip " + text, [&] {
            for (HWND window : app.Windows())
                if (ClassOf(window) == TOOLTIPS_CLASSW && ::IsWindowVisible(window) &&
                    TextOf(window) == text)
                    return true;
            return false;
        });
        if (id == IDC_COLLECT)
            app.Screenshot(L"speed-button-tooltip");
    }
    MovePointer({2, 2});

    // F1: the information dialog.
    PressKey(VK_F1);
    const HWND about = app.WaitForWindow(L"#32770", L"Infomation");
    ::PostMessageW(about, WM_SYSCOMMAND, SC_CLOSE, 0);
    app.WaitUntil(L"the information dialog to close", [&] { return !::IsWindow(about); });

    // Ctrl+D: the details, shown and hidden again.
    const SIZE collapsed = app.WindowSize();
    ::SetForegroundWindow(main);
    PressWithControl('D');
    app.WaitUntil(L"the details to show",
                  [&] { return app.ButtonCaption(IDC_DETAILS) == L"隠す"; });
    EXPECT_GT(app.WindowSize().cy, collapsed.cy);
    PressWithControl('D');
    app.WaitUntil(L"the details to hide",
                  [&] { return app.ButtonCaption(IDC_DETAILS) == L"詳細表示"; });

    // Ctrl+,: the options dialog.
    PressWithControl(VK_OEM_COMMA);
    const HWND options = app.WaitForWindow(L"#32770", L"Option");
    ::PostMessageW(options, WM_SYSCOMMAND, SC_CLOSE, 0);
    app.WaitUntil(L"the options dialog to close", [&] { return !::IsWindow(options); });

    // Ctrl+O: a run, up to its folder prompt; Ctrl+L clears what a run left.
    ::SetForegroundWindow(main);
    PressWithControl('O');
    app.ChooseFolder(destination);
    app.ChooseDocument(document);
    app.AnswerMessageBox();
    ASSERT_EQ(app.TableRowCount(), 4u);
    ::SetForegroundWindow(main);
    PressWithControl('L');
    app.WaitUntil(L"Ctrl+L to clear the table", [&] { return app.TableRowCount() == 2u; });
}

} // namespace
} // namespace marovan::e2e
