// The driver itself, against a stand-in program that shows the same kinds of
// prompts and boxes as Marovan and reports what it was answered.

#include "tests/e2e/Driver.h"
#include "tests/e2e/Fixtures.h"
#include "tests/e2e/Picture.h"

#include <gtest/gtest.h>

#include <set>

namespace marovan::e2e {
namespace {

using std::chrono::milliseconds;

class Probe : public Program {
public:
    explicit Probe(const std::vector<std::wstring>& arguments)
        : Program(PathFromEnvironment(L"MAROVAN_E2E_PROBE"), arguments) {}

    DWORD ExitCode() const {
        DWORD code = 0;
        WaitUntil(L"the probe to end", [&] { return !Running(); });
        ::GetExitCodeProcess(Handle(), &code);
        return code;
    }
};

struct BoxCase {
    const wchar_t* kind;
    const wchar_t* caption;
    Icon icon;
    CloseBy how;
};

TEST(Driver, ReadsAndAnswersMessageBoxesEveryWayAUserCan) {
    const BoxCase cases[] = {
        {L"error", L"エラー", Icon::Error, CloseBy::OkButton},
        {L"information", L"情報", Icon::Information, CloseBy::Escape},
        {L"stop", L"Marovan", Icon::Error, CloseBy::CloseBox},
        {L"information", L"情報", Icon::Information, CloseBy::OkButton},
    };
    for (const BoxCase& c : cases) {
        SCOPED_TRACE(Utf8(c.kind));
        Probe probe({L"box", c.kind, L"\"一部画像の収集を失敗しました！\r\n成功：  1個\""});
        const MessageBoxContent box = probe.ReadMessageBox();
        EXPECT_EQ(Utf8(box.caption), Utf8(c.caption));
        EXPECT_EQ(Utf8(box.text), Utf8(L"一部画像の収集を失敗しました！\r\n成功：  1個"));
        EXPECT_EQ(Utf8(NameOf(box.icon)), Utf8(NameOf(c.icon)));
        EXPECT_EQ(box.buttons, std::vector<std::wstring>{L"OK"});
        probe.CloseMessageBox(c.how);
        // Under Wine, Esc and the close box answer IDCANCEL; Windows says IDOK.
        const DWORD answer = probe.ExitCode();
        if (c.how == CloseBy::OkButton)
            EXPECT_EQ(answer, static_cast<DWORD>(IDOK));
        else
            EXPECT_TRUE(answer == IDOK || answer == IDCANCEL) << answer;
    }
}

TEST(Driver, ChoosesAFolderInTheFolderPrompt) {
    TempFolder temp(L"driver");
    const auto folder = temp.Folder(L"収集先 フォルダ");
    Probe probe({L"folder"});
    EXPECT_EQ(Utf8(probe.FolderPromptText()), Utf8(L"画像を収集する保存フォルダを指定"));
    probe.ChooseFolder(folder);
    EXPECT_EQ(Utf8(probe.AnswerMessageBox().text), Utf8(L"folder:" + folder.wstring()));
}

TEST(Driver, CancelsTheFolderPrompt) {
    Probe probe({L"folder"});
    probe.CancelFolderPrompt();
    EXPECT_EQ(Utf8(probe.AnswerMessageBox().text), "folder:cancelled");
}

TEST(Driver, ChoosesAFileInTheFilePromptAndCancelsIt) {
    TempFolder temp(L"driver");
    const auto document = temp / L"作品 一.ai";
    WriteBytes(document, AiDocument({}));
    {
        Probe probe({L"file"});
        EXPECT_EQ(probe.FilePromptFileName(kDocumentPromptTitle), L"");
        probe.ChooseFile(kDocumentPromptTitle, document);
        EXPECT_EQ(Utf8(probe.AnswerMessageBox().text), Utf8(L"file:" + document.wstring()));
    }
    Probe probe({L"file"});
    probe.CancelFilePrompt(kDocumentPromptTitle);
    EXPECT_EQ(Utf8(probe.AnswerMessageBox().text), "file:cancelled");
}

TEST(Driver, AWaitInVainSaysWhatItWaitedForAndTheHungProgramIsKilled) {
    Probe probe({L"hang"});
    probe.WaitForWindow(L"MarovanProbeOwner", L"Probe");
    try {
        probe.ReadMessageBox(milliseconds(500));
        ADD_FAILURE() << "no message box was open, yet one was read";
    } catch (const DriverError& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find("timed out after 0.5 s waiting for a message box"),
                  std::string::npos)
            << message;
        EXPECT_NE(message.find("MarovanProbeOwner 'Probe'"), std::string::npos) << message;
        EXPECT_NE(message.find("screenshot: "), std::string::npos) << message;
    }
    EXPECT_THROW(probe.Close(milliseconds(1000)), DriverError);
    probe.Kill();
    EXPECT_FALSE(probe.Running());
}

TEST(Driver, ScreenshotsShowWhatIsOnTheScreen) {
    Probe probe({L"box", L"information", L"\"画像収集が完了しました。\""});
    const MessageBoxContent box = probe.ReadMessageBox();
    const Picture seen = CaptureScreen(box.rect);
    std::set<std::uint32_t> colours;
    for (int y = 0; y < seen.height; ++y)
        for (int x = 0; x < seen.width; ++x)
            colours.insert(seen.Pixel(x, y));
    EXPECT_GT(colours.size(), 8u) << "the box's area was captured as a flat picture";

    const auto path = probe.Screenshot(L"driver-information-box");
    const Bytes png = ReadBytes(path);
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(Bytes(png.begin(), png.begin() + 8),
              (Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
    probe.CloseMessageBox();
}

} // namespace
} // namespace marovan::e2e
