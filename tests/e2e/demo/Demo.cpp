// A demonstration a newcomer can watch without a display: the real program,
// worked by the end-to-end driver, collects the images of a small example
// document into a fresh folder. It prints what a user would have seen, and
// nothing of GoogleTest unless something went wrong.

#include "tests/e2e/Driver.h"
#include "tests/e2e/Fixtures.h"
#include "tests/e2e/Remote.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace marovan::e2e {
namespace {

namespace fs = std::filesystem;

// The Unix path behind a Z: or C: path, for printing.
std::string UnixPath(const fs::path& path) {
    std::wstring text = path.wstring();
    if (text.size() > 1 && (text[0] == L'Z' || text[0] == L'z') && text[1] == L':')
        text.erase(0, 2);
    else if (const wchar_t* driveC = ::_wgetenv(L"MAROVAN_DRIVE_C");
             driveC && text.size() > 1 && (text[0] == L'C' || text[0] == L'c') && text[1] == L':')
        text = driveC + text.substr(2);
    for (auto& c : text)
        if (c == L'\\')
            c = L'/';
    return Utf8(text);
}

TEST(Demo, CollectsTheImagesOfAnExampleDocument) {
    const fs::path root = PathFromEnvironment(L"MAROVAN_DEMO_DIR");
    const fs::path work = root / L"作品";
    const fs::path images = root / L"画像";
    const fs::path destination = root / L"収集先";
    for (const auto& folder : {work, images, destination})
        fs::create_directories(folder);

    // One image at its path, one found only beside the document, one missing.
    const fs::path photo = images / L"写真.png";
    WriteBytes(photo, PngImage(1));
    WriteBytes(work / L"ロゴ.png", PngImage(2));
    const fs::path document = work / L"ポスター.ai";
    WriteBytes(document, AiDocument({photo.wstring(), L"C:\\以前の場所\\ロゴ.png",
                                     L"C:\\以前の場所\\背景.psd"}));

    Marovan app = Marovan::Start({}, Marovan::WithSettings(L"[OPTION]\r\nERR Search=1\r\n"));
    app.WaitForMainWindow();
    app.PressDetailsToggle();
    app.Collect(destination, document);
    const MessageBoxContent summary = app.ReadMessageBox();
    const fs::path summaryShot = app.Screenshot(L"demo-summary");
    app.CloseMessageBox();
    app.WaitUntil(L"the summary box to close", [&] { return app.FindMessageBox() == nullptr; });
    const fs::path tableShot = app.Screenshot(L"demo-table");

    std::printf("\n== Summary box \"%s\"\n%s\n", Utf8(summary.caption).c_str(),
                Utf8(summary.text).c_str());
    std::printf("\n== Link table\n");
    for (const auto& row : app.Table())
        std::printf("%-4s | %-4s | %-14s | %s\n", Utf8(row[0]).c_str(), Utf8(row[1]).c_str(),
                    Utf8(row[2]).c_str(), Utf8(row[3]).c_str());
    std::printf("\n== Screenshots\n%s\n%s\n", UnixPath(tableShot).c_str(),
                UnixPath(summaryShot).c_str());
    std::printf("\n== Destination folder %s\n", UnixPath(destination).c_str());
    for (const auto& name : NamesIn(destination))
        std::printf("%s (%zu bytes)\n", Utf8(name).c_str(),
                    static_cast<std::size_t>(fs::file_size(destination / name)));
    std::printf("\n");

    EXPECT_EQ(summary.caption, L"エラー");
    EXPECT_EQ(NamesIn(destination), (std::vector<std::wstring>{L"ロゴ.png", L"写真.png"}));
}

// Replaces GoogleTest's own printer: a newcomer sees the demonstration's
// output, and only a failed check adds its place and message.
class FailuresOnly : public ::testing::EmptyTestEventListener {
    void OnTestPartResult(const ::testing::TestPartResult& result) override {
        if (!result.failed())
            return;
        std::printf("demo: check failed at %s:%d\n%s\n",
                    result.file_name() ? result.file_name() : "(unknown file)",
                    result.line_number(), result.message());
        std::fflush(stdout);
    }
};

} // namespace
} // namespace marovan::e2e

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    auto& listeners = ::testing::UnitTest::GetInstance()->listeners();
    delete listeners.Release(listeners.default_result_printer());
    listeners.Append(new marovan::e2e::FailuresOnly);
    return RUN_ALL_TESTS();
}
