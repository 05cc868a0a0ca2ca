// Destinations that hold the document itself, refuse every write, vanish
// after they were chosen or are the root of a drive: the run ends with its
// summary, nothing is written anywhere else, and no source is changed.

#include "tests/e2e/Driver.h"
#include "tests/e2e/Fixtures.h"
#include "tests/e2e/Hashes.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <iostream>

namespace marovan::e2e {
namespace {

namespace fs = std::filesystem;

void PrintSystemBoxes(const char* row, const RunOutcome& outcome) {
    for (const auto& box : outcome.systemBoxes)
        std::cout << "[ system box ] " << row << ": '" << Utf8(box.caption) << "' "
                  << Utf8(box.text) << "\n";
}

class BadInputDestination : public testing::Test {
protected:
    fs::path Image(const fs::path& path, unsigned seed) {
        fs::create_directories(path.parent_path());
        WriteBytes(path, PngImage(seed));
        return path;
    }

    TempFolder temp{L"bad-dest"};
    fs::path documents = temp.Folder(L"作品");
    fs::path images = temp.Folder(L"画像");
};

TEST_F(BadInputDestination, TheDocumentsOwnFolderKeepsTheDocumentAndTheImageBesideIt) {
    // The document and the image found beside it are copied onto themselves.
    const fs::path image = Image(images / L"a.png", 1);
    const fs::path beside = Image(documents / L"beside.png", 2);
    WriteBytes(documents / L"other.txt", Cp932(L"関係のないファイル"));
    const fs::path document = documents / L"作品.ai";
    WriteBytes(document,
               AiDocument({image.wstring(), L"C:\\gone\\beside.png", L"C:\\gone\\missing.png"}));
    const Hashes before = HashesOf(documents);
    const Snapshot untouched({images});
    Marovan app =
        Marovan::Start({}, Marovan::WithSettings(L"[OPTION]\r\nAI Copy=1\r\nERR Search=1\r\n"));
    app.WaitForMainWindow();
    const RunOutcome outcome = CollectAndAnswer(app, documents, document);
    PrintSystemBoxes("own-folder", outcome);
    ExpectNoSystemBoxes(outcome);
    ExpectSummary(outcome.last, {L"○", L"△", L"×"});
    EXPECT_EQ(ReadLinkRows(app).marks, (std::vector<std::wstring>{L"○", L"△", L"×"}));
    Hashes after = before;
    after[L"a.png"] = HashFile(image);
    EXPECT_EQ(HashesOf(documents), after);
    untouched.ExpectUnchanged();
}

TEST_F(BadInputDestination, NamesTakenByFoldersOrLockedFilesRefuseTheirCopies) {
    // The tests run as root, for whom neither a read-only attribute nor
    // removed Unix permissions stop a write, and the folder prompt of Wine
    // shows no kernel file system; what refuses a copy for everyone is a
    // name already taken by a folder, or by a file held open without sharing.
    const fs::path a = Image(images / L"a.png", 3);
    const fs::path b = Image(images / L"b.png", 4);
    const fs::path c = Image(images / L"c.png", 5);
    const fs::path document = documents / L"doc.ai";
    WriteBytes(document, AiDocument({a.wstring(), b.wstring(), c.wstring(), L"C:\\gone\\d.png"}));
    const fs::path destination = temp.Folder(L"収集先");
    // a.png is a folder holding a file; b.png is held open; c.png is free.
    Image(destination / L"a.png" / L"inside.png", 6);
    const Bytes old = PngImage(7);
    WriteBytes(destination / L"b.png", old);
    Hashes expected = HashesOf(destination);
    expected[L"c.png"] = HashFile(c);
    const Snapshot untouched({documents, images});
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    RunOutcome outcome;
    {
        const HANDLE held = ::CreateFileW((destination / L"b.png").c_str(), GENERIC_READ, 0,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        try {
            outcome = CollectAndAnswer(app, destination, document);
        } catch (...) {
            ::CloseHandle(held);
            throw;
        }
        ::CloseHandle(held);
    }
    PrintSystemBoxes("names-taken", outcome);
    ExpectNoSystemBoxes(outcome);
    // How refused copies count is BadInputLink.ARefusedCopyCountsAsAFailure.
    EXPECT_TRUE(IsProgramsLastBox(outcome.last));
    // a.png and b.png are refused.
    ExpectSummary(outcome.last, {L"○", L"○", L"○", L"×"}, 2);
    EXPECT_EQ(ReadLinkRows(app).marks, (std::vector<std::wstring>{L"○", L"○", L"○", L"×"}));
    EXPECT_EQ(HashesOf(destination), expected);
    untouched.ExpectUnchanged();
}

TEST_F(BadInputDestination, AReadOnlyFolderTakesTheCopiesAsOnWindows) {
    // On folders the read-only attribute does not stop new files.
    const fs::path destination = temp.Folder(L"読み取り専用");
    ASSERT_TRUE(::SetFileAttributesW(destination.c_str(), FILE_ATTRIBUTE_READONLY));
    const fs::path a = Image(images / L"a.png", 5);
    const fs::path document = documents / L"doc.ai";
    WriteBytes(document, AiDocument({a.wstring()}));
    const Snapshot untouched({documents, images});
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    const RunOutcome outcome = CollectAndAnswer(app, destination, document);
    PrintSystemBoxes("read-only", outcome);
    ExpectNoSystemBoxes(outcome);
    ExpectSummary(outcome.last, {L"○"});
    EXPECT_EQ(HashesOf(destination), HashesOfFiles({{L"a.png", ReadBytes(a)}}));
    untouched.ExpectUnchanged();
    ::SetFileAttributesW(destination.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(BadInputDestination, ADestinationRemovedAfterItWasChosenBecomesNoFile) {
    // The folder goes while the file prompt is open. The copies must not
    // turn into a file of the folder's name, each image overwriting the last.
    const fs::path destination = temp.Folder(L"消える");
    const fs::path a = Image(images / L"a.png", 6);
    const fs::path b = Image(images / L"b.png", 7);
    const fs::path document = documents / L"doc.ai";
    WriteBytes(document, AiDocument({a.wstring(), b.wstring()}));
    const Snapshot untouched({documents, images});
    const Hashes besideBefore = HashesOf(temp.path());
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    app.PressCollect();
    app.ChooseFolder(destination);
    app.WaitForDocumentPrompt();
    fs::remove(destination);
    app.ChooseDocument(document);
    const RunOutcome outcome = AnswerUntilLastBox(app);
    PrintSystemBoxes("removed", outcome);
    EXPECT_TRUE(IsProgramsLastBox(outcome.last));
    // The counts agree with what the destination holds: both copies, or none.
    ExpectSummary(outcome.last, {L"○", L"○"}, fs::is_directory(destination) ? 0 : 2);
    EXPECT_FALSE(fs::is_regular_file(destination))
        << "the copies became a file named like the folder, holding "
        << (fs::is_regular_file(destination) && HashFile(destination) == HashFile(b)
                ? "the last image"
                : "something");
    // Nothing else appeared next to it: either no folder, or the folder
    // made anew with the copies in it.
    Hashes expected = besideBefore;
    expected.erase(L"消える\\");
    if (fs::is_directory(destination)) {
        expected[L"消える\\"] = 0;
        expected[L"消える\\a.png"] = HashFile(a);
        expected[L"消える\\b.png"] = HashFile(b);
    }
    if (!fs::is_regular_file(destination)) {
        EXPECT_EQ(HashesOf(temp.path()), expected);
    }
    untouched.ExpectUnchanged();
}

// A drive letter of this session only, for a folder of the test.
class MappedDrive {
public:
    MappedDrive(wchar_t letter, const fs::path& target)
        : name_{letter, L':'} {
        mapped_ = ::DefineDosDeviceW(0, name_.c_str(), target.c_str()) != FALSE;
    }
    ~MappedDrive() {
        if (mapped_)
            ::DefineDosDeviceW(DDD_REMOVE_DEFINITION, name_.c_str(), nullptr);
    }
    MappedDrive(const MappedDrive&) = delete;
    MappedDrive& operator=(const MappedDrive&) = delete;
    bool mapped() const noexcept { return mapped_; }
    fs::path Root() const { return name_ + L"\\"; }

private:
    std::wstring name_;
    bool mapped_ = false;
};

wchar_t FreeDriveLetter() {
    const DWORD used = ::GetLogicalDrives();
    for (wchar_t letter = L'M'; letter <= L'Y'; ++letter)
        if (!(used & (1u << (letter - L'A'))))
            return letter;
    return 0;
}

TEST_F(BadInputDestination, ADriveRootThatTakesNoFileGetsNothingAndNothingLandsElsewhere) {
    // A drive letter defined for this session only: the folder prompt accepts
    // its root, but under Wine no file can be created through it, for root
    // or anyone. The copies fail; they must not land anywhere else.
    const fs::path backing = temp.Folder(L"drive");
    const wchar_t letter = FreeDriveLetter();
    ASSERT_NE(letter, 0) << "no free drive letter";
    const MappedDrive drive(letter, backing);
    ASSERT_TRUE(drive.mapped()) << "DefineDosDeviceW failed with error " << ::GetLastError();
    {
        // What the scenario is about: a root the prompt offers but that takes
        // no file. A system on which it takes files cannot run it.
        const fs::path probe = drive.Root() / L"probe";
        const HANDLE file = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            ::CloseHandle(file);
            ::DeleteFileW(probe.c_str());
        }
        ASSERT_EQ(file, INVALID_HANDLE_VALUE)
            << Utf8(drive.Root().wstring()) << " takes files on this system";
    }
    const fs::path a = Image(images / L"a.png", 8);
    const fs::path document = documents / L"doc.ai";
    WriteBytes(document, AiDocument({a.wstring(), L"C:\\gone\\b.png"}));
    const Snapshot untouched({documents, images, backing});
    const std::vector<std::wstring> rootNames = NamesIn(L"C:\\");
    Marovan app = Marovan::Start({}, Marovan::WithSettings(L"[OPTION]\r\nAI Copy=1\r\n"));
    app.WaitForMainWindow();
    const std::vector<std::wstring> programNames = NamesIn(app.Folder());
    app.PressCollect();
    app.ChooseDriveRoot(drive.Root());
    app.ChooseDocument(document);
    const RunOutcome outcome = AnswerUntilLastBox(app);
    PrintSystemBoxes("refusing-root", outcome);
    ExpectNoSystemBoxes(outcome);
    // How refused copies count is BadInputLink.ARefusedCopyCountsAsAFailure.
    EXPECT_TRUE(IsProgramsLastBox(outcome.last));
    // a.png is refused; the document's own copy is no link and not counted,
    // but its refusal is told on a line of its own.
    ExpectSummary(outcome.last, {L"○", L"×"}, 1, true);
    EXPECT_EQ(ReadLinkRows(app).marks, (std::vector<std::wstring>{L"○", L"×"}));
    EXPECT_EQ(app.Destination(), L"\u3000\u3000" + drive.Root().wstring())
        << "a drive root keeps its separator";
    EXPECT_EQ(NamesIn(L"C:\\"), rootNames);
    EXPECT_EQ(NamesIn(app.Folder()), programNames);
    untouched.ExpectUnchanged();
}

TEST_F(BadInputDestination, TheRootOfTheSystemDriveTakesTheCopiesAndNothingElse) {
    // Names of this test's own, removed again whatever happens.
    const std::wstring name = L"marovan-e2e-root-" + std::to_wstring(::GetCurrentProcessId());
    const fs::path a = Image(images / (name + L"-a.png"), 9);
    const fs::path b = Image(images / (name + L"-b.png"), 10);
    const fs::path root = L"C:\\";
    struct Cleanup {
        std::vector<fs::path> paths;
        ~Cleanup() {
            for (const auto& path : paths) {
                std::error_code ignored;
                fs::remove(path, ignored);
            }
        }
    } cleanup{{root / a.filename(), root / b.filename()}};
    const fs::path document = documents / L"doc.ai";
    WriteBytes(document, AiDocument({a.wstring(), b.wstring()}));
    const std::vector<std::wstring> namesBefore = NamesIn(root);
    const Snapshot untouched({documents, images});
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    app.PressCollect();
    app.ChooseDriveRoot(root);
    app.ChooseDocument(document);
    const RunOutcome outcome = AnswerUntilLastBox(app);
    PrintSystemBoxes("system-root", outcome);
    ExpectNoSystemBoxes(outcome);
    ExpectSummary(outcome.last, {L"○", L"○"});
    EXPECT_EQ(app.Destination(), L"\u3000\u3000C:\\");
    std::vector<std::wstring> namesAfter = namesBefore;
    namesAfter.push_back(a.filename().wstring());
    namesAfter.push_back(b.filename().wstring());
    std::sort(namesAfter.begin(), namesAfter.end());
    EXPECT_EQ(NamesIn(root), namesAfter);
    EXPECT_EQ(HashesOf(root / a.filename()),
              HashesOfFiles({{a.filename().wstring(), ReadBytes(a)}}));
    EXPECT_EQ(HashesOf(root / b.filename()),
              HashesOfFiles({{b.filename().wstring(), ReadBytes(b)}}));
    untouched.ExpectUnchanged();
}

} // namespace
} // namespace marovan::e2e
