// Start-up runs, one for each document given on the command line (Send To):
// a run that ends by a cancelled prompt or without links is followed by the
// next, a run that ends in an error ends them all, and only then does the
// main window appear. Each run prompts for the folder and the document as the
// collect button does; the file prompt starts on the run's argument when that
// names an existing file.

#include "tests/e2e/Driver.h"
#include "tests/e2e/Fixtures.h"
#include "tests/e2e/Hashes.h"
#include "tests/e2e/Input.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

namespace marovan::e2e {
namespace {

namespace fs = std::filesystem;

class StartupRuns : public testing::Test {
protected:
    StartupRuns() {
        WriteBytes(noRecord, AiDocument({}, LineEnd::CrLf, false));
        WriteBytes(image, PngImage(1));
        WriteBytes(document, AiDocument({image.wstring()}));
    }

    // What follows a run: the next run's folder prompt, or the main window.
    // True for the prompt, shown while the window is not.
    static bool NextRunStarted(const Marovan& app) {
        const auto promptShown = [&] {
            const HWND prompt = app.FindFolderPrompt();
            return prompt && ::IsWindowVisible(prompt);
        };
        app.WaitUntil(L"the next start-up run's folder prompt or the main window",
                      [&] { return promptShown() || app.MainWindowVisible(); });
        return promptShown() && !app.MainWindowVisible();
    }

    // The main window is up and no further run is coming.
    static void ExpectNoMoreRuns(const Marovan& app) {
        ASSERT_FALSE(NextRunStarted(app)) << "a run followed the last start-up run";
        app.WaitForMainWindow();
        app.AwaitPostedMessages();
        EXPECT_EQ(app.FindFolderPrompt(), nullptr) << "a run started after the window appeared";
    }

    TempFolder temp{L"startup"};
    fs::path destination = temp.Folder(L"収集先");
    fs::path noRecord = temp / L"記録なし.ai";
    fs::path image = temp.Folder(L"画像") / L"a.png";
    fs::path document = temp / L"作品.ai";
};

TEST_F(StartupRuns, ACancelledPromptOrADocumentWithoutLinksIsFollowedByTheNextRun) {
    Marovan app = Marovan::Start({L"\"一.ai\"", L"\"二.ai\"", L"\"三.ai\"", L"\"四.ai\""});
    ASSERT_TRUE(NextRunStarted(app)) << "no first run";
    app.CancelFolderPrompt();

    ASSERT_TRUE(NextRunStarted(app)) << "no run after the cancelled folder prompt";
    app.ChooseFolder(destination);
    app.CancelDocumentPrompt();

    ASSERT_TRUE(NextRunStarted(app)) << "no run after the cancelled document prompt";
    app.ChooseFolder(destination);
    app.ChooseDocument(noRecord);
    app.ExpectErrorBox(L"リンク情報は見つかりませんでした。");

    ASSERT_TRUE(NextRunStarted(app)) << "no run after the document without links";
    app.ChooseFolder(destination);
    app.ChooseDocument(document);
    ExpectSummary(app.AnswerMessageBox(), {L"○"});

    ExpectNoMoreRuns(app);
    // The window shows what the last run left, with an empty progress bar.
    EXPECT_EQ(ReadLinkRows(app).paths, std::vector<std::wstring>{image.wstring()});
    EXPECT_EQ(app.Progress().position, 0);
    EXPECT_EQ(NamesIn(destination), std::vector<std::wstring>{L"a.png"});
}

TEST_F(StartupRuns, ARunThatEndsInAnErrorEndsThemAndTheWindowAppears) {
    Marovan app = Marovan::Start({L"\"一.ai\"", L"\"二.ai\"", L"\"三.ai\""});
    ASSERT_TRUE(NextRunStarted(app)) << "no first run";
    app.ChooseFolder(destination);
    app.ChooseDocument(noRecord);
    app.ExpectErrorBox(L"リンク情報は見つかりませんでした。");

    // The prompt takes a name it does not check; the document is not there.
    ASSERT_TRUE(NextRunStarted(app)) << "no run after the document without links";
    const fs::path gone = temp / L"無い.ai";
    app.ChooseFolder(destination);
    app.ChooseDocument(gone);
    const MessageBoxContent report = app.AnswerMessageBox();
    EXPECT_EQ(Utf8(report.caption), "Marovan");
    EXPECT_EQ(Utf8(NameOf(report.icon)), Utf8(NameOf(Icon::Error)));
    EXPECT_TRUE(report.text.starts_with(L"ファイル " + gone.wstring() + L" は開けません。"))
        << Utf8(report.text);

    ExpectNoMoreRuns(app);
    EXPECT_EQ(app.Progress().position, 0) << "the window appears with an empty progress bar";
    EXPECT_EQ(app.TableRowCount(), 2u) << "the failed run cleared the table";
    EXPECT_TRUE(NamesIn(destination).empty());
}

TEST_F(StartupRuns, TheFilePromptOpensOnTheArgumentAndEnterAcceptsIt) {
    Marovan app = Marovan::Start({L"\"" + document.wstring() + L"\""});
    ASSERT_TRUE(NextRunStarted(app)) << "no start-up run";
    app.ChooseFolder(destination);
    const HWND prompt = app.WaitForDocumentPrompt();
    EXPECT_EQ(app.DocumentPromptFileName(), document.filename().wstring());
    EXPECT_EQ(fs::path(app.FilePromptFolder(kDocumentPromptTitle)), document.parent_path());

    app.WaitUntil(L"the file prompt to take the keyboard", [&] {
        GUITHREADINFO gui{};
        gui.cbSize = sizeof(gui);
        return ::GetGUIThreadInfo(::GetWindowThreadProcessId(prompt, nullptr), &gui) &&
               gui.hwndActive == prompt;
    });
    PressKey(VK_RETURN);
    ExpectSummary(app.AnswerMessageBox(), {L"○"});
    ExpectNoMoreRuns(app);
    EXPECT_EQ(ReadLinkRows(app).paths, std::vector<std::wstring>{image.wstring()});
    EXPECT_EQ(NamesIn(destination), std::vector<std::wstring>{L"a.png"});
}

TEST_F(StartupRuns, AnArgumentNamingNoFileLeavesThePromptAsItWas) {
    const fs::path folderArgument = temp.Folder(L"フォルダ.ai");
    Marovan app = Marovan::Start(
        {L"\"" + (temp / L"無い.ai").wstring() + L"\"", L"\"" + folderArgument.wstring() + L"\""});
    for (int run = 0; run < 2; ++run) {
        ASSERT_TRUE(NextRunStarted(app)) << "no run " << run;
        app.ChooseFolder(destination);
        EXPECT_EQ(app.DocumentPromptFileName(), L"") << "run " << run;
        app.CancelDocumentPrompt();
    }
    ExpectNoMoreRuns(app);
}

} // namespace
} // namespace marovan::e2e
