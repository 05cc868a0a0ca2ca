// Links that name folders, devices, unreachable hosts, the document itself,
// files already in the destination, clashing names and locked files: the
// marks say what was found, the destination gets exactly the found images,
// and no source is changed.

#include "tests/e2e/Driver.h"
#include "tests/e2e/Fixtures.h"
#include "tests/e2e/Hashes.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <iostream>
#include <optional>

namespace marovan::e2e {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

class BadInputLink : public testing::Test {
protected:
    struct Row {
        const char* name;
        std::vector<std::wstring> links;
        std::vector<std::wstring> marks;
        // The destination's files before and after the run.
        std::map<std::wstring, Bytes> before;
        std::map<std::wstring, Bytes> after;
        // Held by the driver without sharing for the length of the run.
        std::optional<fs::path> locked;
        // Copies the system refuses; how they count is a test of its own.
        int refused = 0;
    };

    fs::path Image(const fs::path& path, unsigned seed) {
        fs::create_directories(path.parent_path());
        WriteBytes(path, PngImage(seed));
        return path;
    }

    // Starts the program with the search beside the document switched on, so
    // that every row also shows what that search does with its links.
    static Marovan Start() {
        return Marovan::Start({}, Marovan::WithSettings(L"[OPTION]\r\nERR Search=1\r\n"));
    }

    RunOutcome ExpectRun(const Marovan& app, const Row& row) {
        SCOPED_TRACE(row.name);
        const fs::path document = documents / L"links.ai";
        WriteBytes(document, AiDocument(row.links));
        EmptyFolder(destination);
        for (const auto& [name, bytes] : row.before)
            WriteBytes(destination / name, bytes);
        const Snapshot untouched({documents, images});

        RunOutcome outcome;
        {
            std::optional<HANDLE> lock;
            if (row.locked) {
                lock = ::CreateFileW(row.locked->c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
                EXPECT_NE(*lock, INVALID_HANDLE_VALUE) << "cannot lock the image";
            }
            try {
                outcome = CollectAndAnswer(app, destination, document, milliseconds(60000));
            } catch (...) {
                if (lock)
                    ::CloseHandle(*lock);
                throw;
            }
            if (lock)
                ::CloseHandle(*lock);
        }
        std::cout << "[ figures ] " << row.name << ": the run took " << outcome.took.count()
                  << " ms\n";
        for (const auto& box : outcome.systemBoxes)
            std::cout << "[ system box ] " << row.name << ": '" << Utf8(box.caption) << "' "
                      << Utf8(box.text) << "\n";
        if (row.refused == 0) {
            ExpectSummary(outcome.last, row.marks);
        } else {
            EXPECT_TRUE(IsProgramsLastBox(outcome.last));
            ExpectSummary(outcome.last, row.marks, static_cast<std::size_t>(row.refused));
        }
        const LinkRows rows = ReadLinkRows(app);
        EXPECT_EQ(rows.paths, row.links);
        EXPECT_EQ(rows.marks, row.marks);
        EXPECT_EQ(HashesOf(destination), HashesOfFiles(row.after));
        untouched.ExpectUnchanged();
        return outcome;
    }

    TempFolder temp{L"bad-link"};
    fs::path documents = temp.Folder(L"作品");
    fs::path images = temp.Folder(L"画像");
    fs::path destination = temp.Folder(L"収集先");
};

TEST_F(BadInputLink, FoldersAndDevicesAreNotFilesAndAreNeitherOpenedNorCopied) {
    // A folder at the link's path, and one beside the document under the
    // link's file name: copying either would bring a whole tree along.
    const fs::path folder = images / L"フォルダ.psd";
    Image(folder / L"inside.png", 1);
    Image(documents / L"beside.psd" / L"inside.png", 2);
    const Row rows[] = {
        {"folder",
         {folder.wstring(), L"C:\\gone\\beside.psd", images.wstring() + L"\\"},
         {L"×", L"×", L"×"},
         {},
         {},
         {}},
        // Each of these would open a device, or block on a serial port, if
        // the program opened them; beside the document they name devices too.
        {"devices",
         {L"CON", L"NUL", L"C:\\gone\\COM1", L"C:\\gone\\nul.png", L"COM1:", L"\\\\.\\NUL",
          L"\\\\.\\COM1", L"\\\\.\\PhysicalDrive0", L"\\\\?\\GLOBALROOT\\Device\\Null", L"LPT1.psd",
          L"C:\\gone\\AUX .tif", L"CONIN$"},
         std::vector<std::wstring>(12, L"×"),
         {},
         {},
         {}},
    };
    Marovan app = Start();
    app.WaitForMainWindow();
    for (const Row& row : rows) {
        const RunOutcome outcome = ExpectRun(app, row);
        ExpectNoSystemBoxes(outcome);
    }
}

TEST_F(BadInputLink, AnUnreachableHostIsMissingAndTheSearchBesideTheDocumentStillWorks) {
    const fs::path beside = Image(documents / L"a.psd", 3);
    const Row rows[] = {
        {"unroutable-address",
         {L"\\\\192.0.2.1\\share\\a.psd", L"\\\\192.0.2.1\\share\\gone.psd"},
         {L"△", L"×"},
         {},
         {{L"a.psd", ReadBytes(beside)}},
         {}},
        {"unresolvable-name",
         {L"\\\\marovan-no-such-host.invalid\\share\\a.psd",
          L"//marovan-no-such-host.invalid/s/b.png"},
         {L"△", L"×"},
         {},
         {{L"a.psd", ReadBytes(beside)}},
         {}},
    };
    Marovan app = Start();
    app.WaitForMainWindow();
    for (const Row& row : rows) {
        const RunOutcome outcome = ExpectRun(app, row);
        ExpectNoSystemBoxes(outcome);
    }
}

TEST_F(BadInputLink, TheDocumentItselfAndAFileAlreadyInTheDestinationSurviveTheirCopy) {
    const fs::path image = Image(images / L"a.png", 4);
    const Bytes inDestination = PngImage(5);
    const fs::path document = documents / L"links.ai";
    // The document holds its own path: its bytes are known only once the
    // links are, and stay the same on every run.
    const std::vector<std::wstring> selfLinks{document.wstring(), image.wstring()};
    const Bytes self = AiDocument(selfLinks);
    const Row rows[] = {
        {"the-document",
         selfLinks,
         {L"○", L"○"},
         {},
         {{L"links.ai", self}, {L"a.png", ReadBytes(image)}},
         {}},
        // Source and destination are one file.
        {"a-file-in-the-destination",
         {(destination / L"same.png").wstring(), image.wstring()},
         {L"○", L"○"},
         {{L"same.png", inDestination}},
         {{L"same.png", inDestination}, {L"a.png", ReadBytes(image)}},
         {}},
    };
    Marovan app = Start();
    app.WaitForMainWindow();
    for (const Row& row : rows) {
        const RunOutcome outcome = ExpectRun(app, row);
        ExpectNoSystemBoxes(outcome);
    }
}

TEST_F(BadInputLink, OfTwoImagesWithOneNameTheFirstStays) {
    // The later image is not copied over the earlier one: the print shop
    // would get one picture for two placements. It counts as a failure.
    const fs::path first = Image(images / L"一" / L"x.png", 6);
    const fs::path second = Image(images / L"二" / L"x.png", 7);
    const Row rows[] = {
        {"first-then-second",
         {first.wstring(), second.wstring()},
         {L"○", L"○"},
         {},
         {{L"x.png", ReadBytes(first)}},
         {},
         1},
        {"second-then-first",
         {second.wstring(), first.wstring()},
         {L"○", L"○"},
         {},
         {{L"x.png", ReadBytes(second)}},
         {},
         1},
    };
    Marovan app = Start();
    app.WaitForMainWindow();
    for (const Row& row : rows) {
        const RunOutcome outcome = ExpectRun(app, row);
        ExpectNoSystemBoxes(outcome);
    }
}

TEST_F(BadInputLink, ALockedImageIsFoundButNothingOfItReachesTheDestination) {
    // Found, since it exists; its copy fails, and leaves no file half made.
    const fs::path locked = Image(images / L"locked.png", 8);
    const fs::path free = Image(images / L"free.png", 9);
    const Row row{"locked", {locked.wstring(), free.wstring()}, {L"○", L"○"},
                  {},       {{L"free.png", ReadBytes(free)}},   locked,
                  1};
    Marovan app = Start();
    app.WaitForMainWindow();
    const RunOutcome outcome = ExpectRun(app, row);
    ExpectNoSystemBoxes(outcome);
}

TEST_F(BadInputLink, ARefusedCopyCountsAsAFailure) {
    const fs::path locked = Image(images / L"locked.png", 10);
    const fs::path free = Image(images / L"free.png", 11);
    const Row row{"refused", {locked.wstring(), free.wstring()}, {L"○", L"○"},
                  {},        {{L"free.png", ReadBytes(free)}},   locked,
                  1};
    Marovan app = Start();
    app.WaitForMainWindow();
    const RunOutcome outcome = ExpectRun(app, row);
    ExpectBox(outcome.last, L"エラー",
              L"一部画像の収集を失敗しました！\r\n成功：  1個\r\n失敗：  1個", Icon::Error);
}

} // namespace
} // namespace marovan::e2e
