// Settings files that are a folder, in another encoding, or megabytes of
// garbage: the program starts, runs with the options it can read (the
// defaults otherwise) and never changes the file by running.

#include "tests/e2e/Driver.h"
#include "tests/e2e/Fixtures.h"
#include "tests/e2e/Hashes.h"

#include <gtest/gtest.h>

#include <iostream>

namespace marovan::e2e {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

constexpr wchar_t kOptionsOn[] = L"[OPTION]\r\nAI Copy=1\r\nERR Search=1\r\n";

Bytes Utf16(std::wstring_view text, bool bigEndian) {
    Bytes out = bigEndian ? Bytes{0xFE, 0xFF} : Bytes{0xFF, 0xFE};
    for (const wchar_t c : text) {
        const auto high = static_cast<std::uint8_t>(c >> 8), low = static_cast<std::uint8_t>(c);
        out.push_back(bigEndian ? high : low);
        out.push_back(bigEndian ? low : high);
    }
    return out;
}

Bytes Utf8Bom(std::wstring_view text) {
    Bytes out{0xEF, 0xBB, 0xBF};
    const std::string utf8 = Utf8(text);
    out.insert(out.end(), utf8.begin(), utf8.end());
    return out;
}

// Bytes of every value but "[", so that no section can begin by chance.
Bytes Garbage(std::size_t size) {
    Bytes out(size);
    std::uint32_t state = 12345;
    for (auto& byte : out) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(state >> 24);
        if (byte == '[')
            byte = ']';
    }
    return out;
}

class BadInputSettings : public testing::Test {
protected:
    // One run on a document with one image at its path and one beside it,
    // then the checks: the marks say whether the search beside the document
    // was on, the destination whether the document was copied.
    void ExpectRunWith(const Marovan& app, bool optionsOn) {
        EmptyFolder(destination);
        const Snapshot untouched({documents, images});
        const RunOutcome outcome =
            CollectAndAnswer(app, destination, document, milliseconds(60000));
        std::cout << "[ figures ] the run took " << outcome.took.count() << " ms\n";
        ExpectNoSystemBoxes(outcome);
        const std::vector<std::wstring> marks = optionsOn ? std::vector<std::wstring>{L"○", L"△"}
                                                          : std::vector<std::wstring>{L"○", L"×"};
        ExpectSummary(outcome.last, marks);
        EXPECT_EQ(ReadLinkRows(app).marks, marks);
        std::map<std::wstring, Bytes> copied{{L"a.png", ReadBytes(image)}};
        if (optionsOn) {
            copied[L"beside.png"] = ReadBytes(beside);
            copied[L"doc.ai"] = ReadBytes(document);
        }
        EXPECT_EQ(HashesOf(destination), HashesOfFiles(copied));
        untouched.ExpectUnchanged();
    }

    fs::path Image(const fs::path& path, unsigned seed) {
        WriteBytes(path, PngImage(seed));
        return path;
    }

    TempFolder temp{L"bad-settings"};
    fs::path documents = temp.Folder(L"作品");
    fs::path images = temp.Folder(L"画像");
    fs::path destination = temp.Folder(L"収集先");
    fs::path image = Image(images / L"a.png", 1);
    fs::path beside = Image(documents / L"beside.png", 2);
    fs::path document = [this] {
        const fs::path path = documents / L"doc.ai";
        WriteBytes(path, AiDocument({image.wstring(), L"C:\\gone\\beside.png"}));
        return path;
    }();
};

TEST_F(BadInputSettings, AFolderNamedLikeTheSettingsFileGivesTheReportAndTheDefaults) {
    Marovan app = Marovan::Start({}, [](const fs::path& folder) {
        fs::create_directories(folder / L"MRV.ini");
        WriteBytes(folder / L"MRV.ini" / L"inside.txt", Cp932(kOptionsOn));
    });
    const Snapshot settings({app.Folder() / L"MRV.ini"});
    // The file cannot be made: the report names the close of a file that
    // never opened.
    app.ExpectFailureReport(L"I/O エラー 103.");
    app.WaitForMainWindow();
    ExpectRunWith(app, false);
    settings.ExpectUnchanged();
    EXPECT_TRUE(fs::is_directory(app.Folder() / L"MRV.ini"));
}

TEST_F(BadInputSettings, ASettingsFileWithAByteOrderMarkIsRead) {
    const struct {
        const char* name;
        Bytes bytes;
    } rows[] = {
        {"utf-16le", Utf16(kOptionsOn, false)},
        {"utf-16be", Utf16(kOptionsOn, true)},
        {"utf-8", Utf8Bom(L"// 設定\r\n" + std::wstring(kOptionsOn))},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Marovan app = Marovan::Start(
            {}, [&](const fs::path& folder) { WriteBytes(folder / L"MRV.ini", row.bytes); });
        app.WaitForMainWindow();
        EXPECT_EQ(app.FindMessageBox(), nullptr);
        ExpectRunWith(app, true);
        EXPECT_EQ(ReadBytes(app.Folder() / L"MRV.ini"), row.bytes) << "a run only reads the file";
    }
}

TEST_F(BadInputSettings, TenMegabytesOfGarbageGiveTheDefaultsQuickly) {
    const Bytes garbage = Garbage(10 * 1000 * 1000);
    const auto start = steady_clock::now();
    Marovan app = Marovan::Start(
        {}, [&](const fs::path& folder) { WriteBytes(folder / L"MRV.ini", garbage); });
    app.WaitForMainWindow();
    std::cout << "[ figures ] 10 MB settings file: the window was up after "
              << std::chrono::duration_cast<milliseconds>(steady_clock::now() - start).count()
              << " ms\n";
    EXPECT_EQ(app.FindMessageBox(), nullptr);
    ExpectRunWith(app, false);
    EXPECT_EQ(HashFile(app.Folder() / L"MRV.ini"), Fnv1a(garbage)) << "a run only reads the file";
}

} // namespace
} // namespace marovan::e2e
