// The settings file and the Options dialog as a user meets them: the file a
// first start leaves, the dialog's boxes, OK and Cancel, the Send To
// shortcut, and the failures the user is shown.

#include "resources/resource.h"
#include "tests/e2e/Driver.h"
#include "tests/e2e/Fixtures.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

namespace marovan::e2e {
namespace {

namespace fs = std::filesystem;

constexpr wchar_t kHeader[] = L"// Marovan\r\n"
                              L"// Marovanソフトの設定ファイルです。\r\n"
                              L"// ソフトと同じフォルダに置いてください。\r\n"
                              L"// ソフトが無い場合は削除しても大丈夫です。\r\n";

Bytes Ascii(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The lines of a file, blank ones dropped: where the system puts a blank line
// between the header and a new section is its own business.
std::vector<std::string> Lines(const Bytes& bytes) {
    std::vector<std::string> lines;
    std::string line;
    for (std::uint8_t b : bytes) {
        if (b == '\n') {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (!line.empty())
                lines.push_back(line);
            line.clear();
        } else {
            line.push_back(static_cast<char>(b));
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

std::vector<std::string> HeaderLines() {
    const Bytes header = Cp932(kHeader);
    return Lines(header);
}

// The user's Send To folder, as the shell folders of the prefix name it.
fs::path SendToFolder() {
    wchar_t text[MAX_PATH * 2] = {};
    DWORD bytes = sizeof(text);
    if (::RegGetValueW(HKEY_CURRENT_USER,
                       L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                       L"SendTo", RRF_RT_REG_SZ, nullptr, text, &bytes) != ERROR_SUCCESS)
        return {};
    return text;
}

class Options : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(sendTo_.empty()) << "the test prefix has no Send To folder";
        fs::remove(shortcut_);
    }
    void TearDown() override { fs::remove(shortcut_); }

    // Presses "Option" and waits for the dialog.
    HWND OpenOptions(const Marovan& app) const {
        app.WaitForMainWindow();
        app.Press(L"Option");
        return app.WaitForWindow(L"#32770", L"Option");
    }
    static bool Checked(HWND dialog, int id) {
        return Send(::GetDlgItem(dialog, id), BM_GETCHECK) == BST_CHECKED;
    }
    static std::vector<bool> Boxes(HWND dialog) {
        return {Checked(dialog, IDC_OPT_AI_COPY), Checked(dialog, IDC_OPT_FOLDER_OPEN),
                Checked(dialog, IDC_OPT_ERR_SEARCH), Checked(dialog, IDC_OPT_SENDTO)};
    }
    // Posted, as a user's click would be: OK may open a message box.
    static void Click(HWND dialog, int id) {
        ::PostMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0);
    }
    static void SetBox(const Marovan& app, HWND dialog, int id, bool on) {
        if (Checked(dialog, id) != on)
            Click(dialog, id);
        app.WaitUntil(L"the box to change", [&] { return Checked(dialog, id) == on; });
    }
    static void WaitClosed(const Marovan& app, HWND dialog) {
        app.WaitUntil(L"the Options dialog to close", [&] { return !::IsWindow(dialog); });
    }
    // Opens the dialog, sets Send To, presses OK and waits for the close.
    void OkWithSendTo(const Marovan& app, bool on) const {
        const HWND dialog = OpenOptions(app);
        SetBox(app, dialog, IDC_OPT_SENDTO, on);
        Click(dialog, IDC_OPT_OK);
        WaitClosed(app, dialog);
    }

    const fs::path sendTo_ = SendToFolder();
    const fs::path shortcut_ = sendTo_ / L"Marovan.lnk";
};

TEST_F(Options, AFirstStartWritesTheHeaderAndTheDialogOpensClear) {
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    const fs::path ini = app.Folder() / L"MRV.ini";
    ASSERT_TRUE(fs::exists(ini));
    EXPECT_EQ(ReadBytes(ini), Cp932(kHeader));

    const HWND dialog = OpenOptions(app);
    EXPECT_THAT(Boxes(dialog), testing::ElementsAre(false, false, false, false));
    app.Screenshot(L"options-dialog");
    Click(dialog, IDC_OPT_CANCEL);
    WaitClosed(app, dialog);
}

TEST_F(Options, CancelAndTheCloseBoxChangeNothing) {
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    const fs::path ini = app.Folder() / L"MRV.ini";
    const Bytes before = ReadBytes(ini);
    const auto sendToBefore = FilesBelow(sendTo_);

    HWND dialog = OpenOptions(app);
    for (int id : {IDC_OPT_AI_COPY, IDC_OPT_FOLDER_OPEN, IDC_OPT_ERR_SEARCH, IDC_OPT_SENDTO})
        SetBox(app, dialog, id, true);
    Click(dialog, IDC_OPT_CANCEL);
    WaitClosed(app, dialog);

    dialog = OpenOptions(app);
    EXPECT_THAT(Boxes(dialog), testing::ElementsAre(false, false, false, false));
    SetBox(app, dialog, IDC_OPT_ERR_SEARCH, true);
    ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    WaitClosed(app, dialog);

    EXPECT_EQ(ReadBytes(ini), before);
    EXPECT_EQ(FilesBelow(sendTo_), sendToBefore);
}

TEST_F(Options, OkWritesTheSixKeysInOrderAfterTheHeader) {
    Marovan app = Marovan::Start();
    HWND dialog = OpenOptions(app);
    SetBox(app, dialog, IDC_OPT_ERR_SEARCH, true);
    Click(dialog, IDC_OPT_OK);
    WaitClosed(app, dialog);

    std::vector<std::string> expected = HeaderLines();
    for (const char* line : {"[OPTION]", "AI Copy=0", "Folder Open=0", "ERR Search=1", "Sendto=0",
                             "Sub Search=0", "Nested Links=0"})
        expected.push_back(line);
    EXPECT_EQ(Lines(ReadBytes(app.Folder() / L"MRV.ini")), expected);
    EXPECT_FALSE(fs::exists(shortcut_));

    dialog = OpenOptions(app);
    EXPECT_THAT(Boxes(dialog), testing::ElementsAre(false, false, true, false));
    Click(dialog, IDC_OPT_CANCEL);
    WaitClosed(app, dialog);
}

TEST_F(Options, SixBoxesTheFifthFollowingErrSearchAndOkWritesThemAll) {
    // A settings file of the four older keys: the new boxes open clear.
    Marovan app = Marovan::Start(
        {}, Marovan::WithSettings(
                L"[OPTION]\r\nAI Copy=1\r\nFolder Open=0\r\nERR Search=0\r\nSendto=0\r\n"));
    HWND dialog = OpenOptions(app);
    const auto enabled = [](HWND d) {
        return ::IsWindowEnabled(::GetDlgItem(d, IDC_OPT_SUB_SEARCH)) != FALSE;
    };
    std::vector<std::wstring> captions;
    for (int id : {IDC_OPT_AI_COPY, IDC_OPT_FOLDER_OPEN, IDC_OPT_ERR_SEARCH, IDC_OPT_SENDTO,
                   IDC_OPT_SUB_SEARCH, IDC_OPT_NESTED_LINKS})
        captions.push_back(TextOf(::GetDlgItem(dialog, id)));
    EXPECT_THAT(captions,
                testing::ElementsAre(
                    L"AIファイルも収集フォルダにコピーする", L"画像収集後に収集フォルダを開く",
                    L"画像パスにファイルが無い場合、AIファイルのあるフォルダ内を探す",
                    L"右クリックの「送る」に登録する", L"サブフォルダも探す",
                    L"配置したAI・PDF・EPSのリンクも集める"));
    EXPECT_THAT(Boxes(dialog), testing::ElementsAre(true, false, false, false));
    EXPECT_FALSE(Checked(dialog, IDC_OPT_SUB_SEARCH));
    EXPECT_FALSE(Checked(dialog, IDC_OPT_NESTED_LINKS));
    EXPECT_FALSE(enabled(dialog)) << "Sub Search is enabled without ERR Search";
    SetBox(app, dialog, IDC_OPT_ERR_SEARCH, true);
    app.WaitUntil(L"the Sub Search box to be enabled", [&] { return enabled(dialog); });
    SetBox(app, dialog, IDC_OPT_SUB_SEARCH, true);
    SetBox(app, dialog, IDC_OPT_NESTED_LINKS, true);
    app.Screenshot(L"options-dialog-six-boxes");
    SetBox(app, dialog, IDC_OPT_ERR_SEARCH, false);
    app.WaitUntil(L"the Sub Search box to be disabled", [&] { return !enabled(dialog); });
    SetBox(app, dialog, IDC_OPT_ERR_SEARCH, true);
    app.WaitUntil(L"the Sub Search box to be enabled", [&] { return enabled(dialog); });
    Click(dialog, IDC_OPT_OK);
    WaitClosed(app, dialog);

    std::vector<std::string> expected;
    for (const char* line : {"[OPTION]", "AI Copy=1", "Folder Open=0", "ERR Search=1", "Sendto=0",
                             "Sub Search=1", "Nested Links=1"})
        expected.push_back(line);
    EXPECT_EQ(Lines(ReadBytes(app.Folder() / L"MRV.ini")), expected);
}

TEST_F(Options, SendToBoxCreatesOneShortcutAndRemovesIt) {
    Marovan app = Marovan::Start();
    OkWithSendTo(app, true);
    EXPECT_TRUE(fs::exists(shortcut_));
    OkWithSendTo(app, true);
    EXPECT_THAT(NamesIn(sendTo_), testing::Contains(L"Marovan.lnk").Times(1));
    // OK with the box ticked also repairs a shortcut deleted meanwhile.
    fs::remove(shortcut_);
    OkWithSendTo(app, true);
    EXPECT_TRUE(fs::exists(shortcut_));
    OkWithSendTo(app, false);
    EXPECT_FALSE(fs::exists(shortcut_));
}

TEST_F(Options, WithoutASettingsFileTheBoxesAreClearAndOkWritesNoHeader) {
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    const fs::path ini = app.Folder() / L"MRV.ini";
    WriteBytes(ini, Concat(Cp932(kHeader), Ascii("[OPTION]\r\nAI Copy=1\r\nSendto=1\r\n")));
    HWND dialog = OpenOptions(app);
    EXPECT_THAT(Boxes(dialog), testing::ElementsAre(true, false, false, true));
    Click(dialog, IDC_OPT_CANCEL);
    WaitClosed(app, dialog);

    ASSERT_TRUE(fs::remove(ini));
    dialog = OpenOptions(app);
    EXPECT_THAT(Boxes(dialog), testing::ElementsAre(false, false, false, false));
    Click(dialog, IDC_OPT_OK);
    WaitClosed(app, dialog);
    EXPECT_THAT(Lines(ReadBytes(ini)),
                testing::ElementsAre("[OPTION]", "AI Copy=0", "Folder Open=0", "ERR Search=0",
                                     "Sendto=0", "Sub Search=0", "Nested Links=0"));
}

TEST_F(Options, ARefusedWriteIsReportedAndTheDialogStaysOpen) {
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    // A folder where the file belongs refuses every write, even to root.
    const fs::path ini = app.Folder() / L"MRV.ini";
    ASSERT_TRUE(fs::remove(ini));
    ASSERT_TRUE(fs::create_directory(ini));

    const HWND dialog = OpenOptions(app);
    SetBox(app, dialog, IDC_OPT_SENDTO, true);
    Click(dialog, IDC_OPT_OK);
    app.ExpectFailureReport(ini.wstring() + L" に書き込めません.");
    EXPECT_TRUE(::IsWindowVisible(dialog));
    EXPECT_TRUE(fs::is_directory(ini));
    EXPECT_FALSE(fs::exists(shortcut_)) << "Send To was applied after the refused write";
    Click(dialog, IDC_OPT_CANCEL);
    WaitClosed(app, dialog);
}

TEST_F(Options, AShortcutTheSendToFolderCannotTakeIsReportedAndNotStoredAsThere) {
    // A folder of the shortcut's name stands in for a Send To folder that
    // cannot be written.
    ASSERT_FALSE(fs::exists(shortcut_));
    ASSERT_TRUE(fs::create_directory(shortcut_));
    struct Removed {
        fs::path folder;
        ~Removed() {
            std::error_code ignored;
            fs::remove(folder, ignored);
        }
    } removed{shortcut_};
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    const fs::path ini = app.Folder() / L"MRV.ini";
    const HWND dialog = OpenOptions(app);
    SetBox(app, dialog, IDC_OPT_SENDTO, true);
    Click(dialog, IDC_OPT_OK);
    const MessageBoxContent report = app.AnswerMessageBox();
    EXPECT_EQ(Utf8(report.caption), "Marovan");
    const std::wstring says = shortcut_.wstring() + L" に書き込めません：";
    EXPECT_EQ(Utf8(report.text.substr(0, says.size())), Utf8(says));
    EXPECT_GT(report.text.size(), says.size() + 1) << "the system's reason is missing";
    EXPECT_TRUE(::IsWindowVisible(dialog)) << "the dialog must stay open";
    EXPECT_FALSE(Checked(dialog, IDC_OPT_SENDTO)) << "the box says the shortcut is there";
    EXPECT_THAT(Lines(ReadBytes(ini)), testing::Contains("Sendto=0"));
    Click(dialog, IDC_OPT_CANCEL);
    WaitClosed(app, dialog);
}

TEST_F(Options, AProgramFolderWithoutRoomForTheFileReportsOnceAndStillRuns) {
    // Send To must work from a folder the program cannot write, as under
    // Program Files: the report comes once, then the start-up run.
    Marovan app = Marovan::Start({L"\"C:\\送る.ai\""}, [](const fs::path& folder) {
        fs::create_directory(folder / L"MRV.ini");
    });
    app.ExpectFailureReport(L"I/O エラー 103.");
    app.WaitForFolderPrompt();
    app.CancelFolderPrompt();
    app.WaitForMainWindow();
    app.AwaitPostedMessages();
    EXPECT_EQ(app.FindFolderPrompt(), nullptr) << "a second run started";
    EXPECT_EQ(app.FindMessageBox(), nullptr) << "the report came again";
}

TEST_F(Options, AStartWithOneDocumentPerformsOneRunBeforeTheWindowAppears) {
    TempFolder temp(L"sendto-run");
    const fs::path document = temp / L"作品.ai";
    WriteBytes(document, AiDocument({}));
    Marovan app = Marovan::Start({L"\"" + document.wstring() + L"\""});
    app.WaitForFolderPrompt();
    EXPECT_FALSE(app.MainWindowVisible());
    app.CancelFolderPrompt();
    app.WaitForMainWindow();
    app.AwaitPostedMessages();
    EXPECT_EQ(app.FindFolderPrompt(), nullptr) << "a second run started";
}

} // namespace
} // namespace marovan::e2e
