// What became of each link, as the window tells it: the mark of an image that
// did not reach the destination in red, the outcome in a tip over its row and
// in the status line when the row is selected.

#include "resources/resource.h"
#include "tests/e2e/Driver.h"
#include "tests/e2e/Fixtures.h"
#include "tests/e2e/Hashes.h"
#include "tests/e2e/Input.h"
#include "tests/e2e/Picture.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <optional>
#include <string>
#include <vector>

namespace marovan::e2e {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

// The program's tip on screen, if one shows, and what it says.
std::wstring ShownTip(const Program& app) {
    for (HWND window : app.Windows()) {
        wchar_t name[64] = {};
        ::GetClassNameW(window, name, 64);
        if (std::wstring_view(name) != L"tooltips_class32" || !::IsWindowVisible(window))
            continue;
        wchar_t text[1024] = {};
        DWORD_PTR length = 0;
        ::SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text),
                              SMTO_ABORTIFHUNG, 2000, &length);
        return text;
    }
    return {};
}

class OutcomeDisplay : public testing::Test {
protected:
    // Each image written an hour apart from the last, as images made on
    // different occasions are: two of one size written within 2 seconds
    // would be taken for the same image.
    fs::path Image(const fs::path& path, unsigned seed) {
        fs::create_directories(path.parent_path());
        WriteBytes(path, PngImage(seed));
        fs::last_write_time(path, fs::last_write_time(path) - std::chrono::hours(++age_));
        return path;
    }
    int age_ = 0;
    // Rests the pointer on the row until its tip shows; what it says. A tip
    // shows once the pointer has rested a while, so it is nudged only now and
    // then (a move under Wine is at times not seen until the next).
    std::wstring TipForRow(const Marovan& app, std::size_t row) {
        // The previous row's tip goes first, or it could be read for this row.
        const POINT away = Centre(ScreenRect(::GetDlgItem(app.Main(), IDC_TITLE)));
        MovePointer(away);
        app.WaitUntil(L"no tip to be shown", [&] { return ShownTip(app).empty(); });
        ShowRow(app, row);
        // The file name cell: the path column runs on past the window's edge.
        const POINT at = Centre(app.CellOnScreen(row, 2));
        std::wstring tip;
        int nudges = 0;
        auto next = std::chrono::steady_clock::now();
        app.WaitUntil(L"the row's tip", [&] {
            if (std::chrono::steady_clock::now() >= next) {
                MovePointer({at.x + (nudges++ % 2), at.y});
                next = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
            }
            tip = ShownTip(app);
            return !tip.empty();
        });
        return tip;
    }
    // Scrolls the table so that the row is in view.
    void ShowRow(const Marovan& app, std::size_t row) {
        const HWND table = ::GetDlgItem(app.Main(), IDC_LINK_TABLE);
        DWORD_PTR ignored = 0;
        ::SendMessageTimeoutW(table, LVM_ENSUREVISIBLE, row - 1, FALSE, SMTO_ABORTIFHUNG, 2000,
                              &ignored);
        app.AwaitPostedMessages();
    }
    // Read before any row is selected: a selected row is drawn highlighted.
    void ExpectRed(const Marovan& app, std::size_t row, bool red) {
        ShowRow(app, row);
        RECT cell = app.CellOnScreen(row, 1);
        cell.left += 5;
        cell.right -= 1;
        cell.bottom -= 1;
        const Ink ink = InkOf(CaptureScreen(cell));
        if (red) {
            EXPECT_GT(ink.red, 4) << "row " << row << " should be red";
            EXPECT_EQ(ink.blue, 0) << "row " << row;
        } else {
            EXPECT_GT(ink.blue, 4) << "row " << row << " should be blue";
            EXPECT_EQ(ink.red, 0) << "row " << row;
        }
    }

    TempFolder temp{L"outcome-display"};
    fs::path documents = temp.Folder(L"作品");
    fs::path images = temp.Folder(L"images");
    fs::path destination = temp.Folder(L"収集先");
};

TEST_F(OutcomeDisplay, OfTwoSameNamedImagesTheLaterShowsRedWithWhy) {
    const fs::path first = Image(images / L"photos" / L"same.png", 1);
    const fs::path second = Image(images / L"other2" / L"same.png", 2);
    const fs::path document = documents / L"doc.ai";
    WriteBytes(document, AiDocument({first.wstring(), second.wstring()}));
    const Snapshot untouched({images, documents});
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    app.PressDetailsToggle();
    const RunOutcome outcome = CollectAndAnswer(app, destination, document, milliseconds(60000));
    ExpectNoSystemBoxes(outcome);
    ExpectSummary(outcome.last, {L"○", L"○"}, 1);
    EXPECT_EQ(HashesOf(destination), HashesOfFiles({{L"same.png", ReadBytes(first)}}));
    EXPECT_EQ(ReadLinkRows(app).marks, (std::vector<std::wstring>{L"○", L"○"}));
    ExpectRed(app, 1, false);
    ExpectRed(app, 2, true);
    EXPECT_EQ(TipForRow(app, 2), L"同じ名前の別の画像を先にコピーしたため、コピーしていません");
    EXPECT_EQ(app.StatusOfRow(1), L"コピーしました");
    EXPECT_EQ(app.StatusOfRow(2), L"同じ名前の別の画像を先にコピーしたため、コピーしていません");
    untouched.ExpectUnchanged();
}

TEST_F(OutcomeDisplay, EveryOutcomeIsToldInItsRow) {
    const fs::path a = Image(images / L"a.png", 10);
    Image(documents / L"b.png", 11); // beside the document only
    const fs::path otherA = Image(images / L"other" / L"a.png", 12);
    const fs::path c = Image(images / L"c.png", 13);
    ASSERT_TRUE(::CopyFileW(c.c_str(), (destination / L"c.png").c_str(), TRUE));
    const fs::path d = Image(images / L"d.png", 14);
    Image(destination / L"d.png", 15);
    const fs::path e = Image(images / L"e.png", 16);
    Image(destination / L"e.png", 17);
    const fs::path document = documents / L"doc.ai";
    WriteBytes(document, AiDocument({a.wstring(), L"C:\\gone\\b.png", otherA.wstring(), a.wstring(),
                                     c.wstring(), d.wstring(), e.wstring(), L"C:\\gone\\f.png",
                                     L"\\\\quiet-host\\share\\g.png"}));
    // The program's test seam: this host never answers.
    const EnvironmentVariable silent(L"MAROVAN_TEST_SILENT_HOSTS", L"quiet-host");

    Marovan app = Marovan::Start({}, Marovan::WithSettings(L"[OPTION]\r\nERR Search=1\r\n"));
    app.WaitForMainWindow();
    app.PressDetailsToggle();
    std::optional<LockedFile> lock(destination / L"e.png");
    ASSERT_TRUE(lock->held());
    const RunOutcome outcome = CollectAndAnswer(app, destination, document, milliseconds(60000));
    ExpectNoSystemBoxes(outcome);
    const std::vector<std::wstring> marks = {L"○", L"△", L"○", L"○", L"○", L"○", L"○", L"×", L"×"};
    ExpectSummary(outcome.last, marks, 2);
    EXPECT_EQ(ReadLinkRows(app).marks, marks);

    const std::wstring expected[] = {
        L"コピーしました",
        (documents / L"b.png").wstring() + L" からコピーしました",
        L"同じ名前の別の画像を先にコピーしたため、コピーしていません",
        L"上の行と同じ画像です",
        L"保存フォルダに同じファイルがあります",
        L"保存フォルダの同名ファイルをごみ箱に移して、コピーしました",
        L"コピーできませんでした：",
        L"見つかりません",
        L"見つかりません（quiet-host が応答しません）",
    };
    const bool red[] = {false, false, true, false, false, false, true, true, true};
    for (std::size_t row = 1; row <= 9; ++row)
        ExpectRed(app, row, red[row - 1]);
    for (std::size_t row = 1; row <= 9; ++row) {
        SCOPED_TRACE(row);
        const std::wstring status = app.StatusOfRow(row);
        if (row == 7) {
            EXPECT_EQ(status.substr(0, expected[6].size()), expected[6]);
            EXPECT_GT(status.size(), expected[6].size()) << "the system's reason is missing";
        } else {
            EXPECT_EQ(status, expected[row - 1]);
        }
    }
    const std::wstring tip = TipForRow(app, 7);
    EXPECT_EQ(tip, app.StatusOfRow(7));
    TipForRow(app, 7);
    app.Screenshot(L"outcomes-every-kind-with-a-tip");
    EXPECT_EQ(TipForRow(app, 9), expected[8]);
    app.Screenshot(L"outcomes-silent-host-with-a-tip");
    lock.reset();
    EXPECT_EQ(ReadBytes(destination / L"e.png"), PngImage(17)) << "the locked file was changed";
    EXPECT_EQ(ReadBytes(destination / L"a.png"), ReadBytes(a));
    EXPECT_EQ(ReadBytes(destination / L"d.png"), ReadBytes(d));
}

// A document packaged on a Mac: its paths are Mac paths with CR line ends,
// and its images lie in "Links" beside it or deeper.
TEST_F(OutcomeDisplay, SubSearchTakesImagesFromTheSubfoldersAndNamesWhere) {
    const fs::path links = Image(documents / L"Links" / L"a.png", 20);
    const fs::path deep = Image(documents / L"art" / L"2024" / L"deep.png", 21);
    const fs::path twiceInLinks = Image(documents / L"Links" / L"old" / L"twice.png", 22);
    Image(documents / L"art" / L"twice.png", 23); // shallower, but not under Links
    const fs::path document = documents / L"doc.ai";
    WriteBytes(document, AiDocument({L"/Users/k/Job/Links/a.png", L"/Users/k/Job/deep.png",
                                     L"/Users/k/Job/twice.png", L"/Users/k/Job/none.png"},
                                    LineEnd::Cr));
    const std::vector<std::wstring> names = {L"a.png", L"deep.png", L"twice.png", L"none.png"};

    {
        SCOPED_TRACE("Sub Search off");
        Marovan app = Marovan::Start({}, Marovan::WithSettings(L"[OPTION]\r\nERR Search=1\r\n"));
        app.WaitForMainWindow();
        app.PressDetailsToggle();
        const RunOutcome outcome =
            CollectAndAnswer(app, destination, document, milliseconds(60000));
        ExpectNoSystemBoxes(outcome);
        const std::vector<std::wstring> marks(4, L"×");
        ExpectSummary(outcome.last, marks, 0);
        EXPECT_EQ(ReadLinkRows(app).marks, marks);
        EXPECT_TRUE(NamesIn(destination).empty());
        EXPECT_EQ(app.StatusOfRow(1), L"見つかりません");
    }
    {
        SCOPED_TRACE("Sub Search on");
        Marovan app = Marovan::Start(
            {}, Marovan::WithSettings(L"[OPTION]\r\nERR Search=1\r\nSub Search=1\r\n"));
        app.WaitForMainWindow();
        app.PressDetailsToggle();
        const RunOutcome outcome =
            CollectAndAnswer(app, destination, document, milliseconds(60000));
        ExpectNoSystemBoxes(outcome);
        const std::vector<std::wstring> marks = {L"△", L"△", L"△", L"×"};
        ExpectSummary(outcome.last, marks, 0);
        EXPECT_EQ(ReadLinkRows(app).marks, marks);
        EXPECT_EQ(HashesOf(destination), HashesOfFiles({{L"a.png", ReadBytes(links)},
                                                        {L"deep.png", ReadBytes(deep)},
                                                        {L"twice.png", ReadBytes(twiceInLinks)}}));
        EXPECT_EQ(TipForRow(app, 3), twiceInLinks.wstring() + L" からコピーしました");
        app.Screenshot(L"sub-search-outcome-tip");
        EXPECT_EQ(app.StatusOfRow(1), links.wstring() + L" からコピーしました");
        EXPECT_EQ(app.StatusOfRow(2), deep.wstring() + L" からコピーしました");
        EXPECT_EQ(app.StatusOfRow(3), twiceInLinks.wstring() + L" からコピーしました");
        EXPECT_EQ(app.StatusOfRow(4), L"見つかりません");
    }
}

} // namespace
} // namespace marovan::e2e
