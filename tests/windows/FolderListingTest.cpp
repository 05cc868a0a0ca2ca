// Listing folders for the search through the document's subfolders, over a
// real tree: what is a subfolder and what keeps one out, paths of any length,
// the system's order of names, and a share whose host does not answer.

#include "AnsweredRunSystem.h"
#include "ScratchFolder.h"

#include "main/FolderSearch.h"
#include "main/WindowsRunSystem.h"
#include "platform/Files.h"
#include "platform/WinText.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <memory>

namespace marovan {
namespace {

using namespace std::chrono_literals;
using test::ScratchFolder;

void MakeFolder(const std::wstring& path, DWORD attributes = 0) {
    ASSERT_TRUE(::CreateDirectoryW(path.c_str(), nullptr)) << ::GetLastError();
    if (attributes) {
        ASSERT_TRUE(::SetFileAttributesW(path.c_str(), attributes)) << ::GetLastError();
    }
}

std::vector<std::u16string> Sorted(std::vector<std::u16string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

class FolderListingTest : public testing::Test {
protected:
    void SetUp() override {
        MakeFolder(temp_ / L"Links");
        MakeFolder(temp_ / L"plain");
        MakeFolder(temp_ / L"hidden", FILE_ATTRIBUTE_HIDDEN);
        MakeFolder(temp_ / L"system", FILE_ATTRIBUTE_SYSTEM);
        test::WriteBytes(temp_ / L"doc.ai", "doc");
        test::WriteBytes(temp_ / L"Links\\a.png", "links a");
        test::WriteBytes(temp_ / L"plain\\a.png", "plain a");
        test::WriteBytes(temp_ / L"hidden\\h.png", "hidden");
    }

    ScratchFolder temp_{L"listing"};
};

TEST_F(FolderListingTest, TellsFoldersFromFilesWithWhatKeepsAFolderOut) {
    const FolderListing listing = win::ListFolder(temp_.path());
    EXPECT_EQ(listing.files, std::vector<std::u16string>{u"doc.ai"});
    ASSERT_EQ(listing.subfolders.size(), 4u);
    for (const auto& folder : listing.subfolders) {
        EXPECT_EQ(folder.hidden, folder.name == u"hidden") << win::Wide(folder.name);
        EXPECT_EQ(folder.system, folder.name == u"system") << win::Wide(folder.name);
        EXPECT_FALSE(folder.reparsePoint) << win::Wide(folder.name);
    }
    std::vector<std::u16string> names;
    for (const auto& folder : listing.subfolders)
        names.push_back(folder.name);
    EXPECT_EQ(Sorted(names),
              (std::vector<std::u16string>{u"Links", u"hidden", u"plain", u"system"}));
    // With or without the closing separator.
    EXPECT_EQ(win::ListFolder(temp_.path() + L"\\Links\\").files,
              std::vector<std::u16string>{u"a.png"});
}

TEST_F(FolderListingTest, AMissingOrEmptyFolderListsNothing) {
    MakeFolder(temp_ / L"empty");
    for (const std::wstring& folder : {temp_ / L"empty", temp_ / L"missing", temp_ / L"doc.ai"}) {
        const FolderListing listing = win::ListFolder(folder);
        EXPECT_TRUE(listing.files.empty()) << folder;
        EXPECT_TRUE(listing.subfolders.empty()) << folder;
    }
}

TEST_F(FolderListingTest, AFolderDeeperThanMaxPathIsListed) {
    std::wstring deep = temp_ / L"plain";
    while (deep.size() < MAX_PATH + 20) {
        deep += L"\\" + std::wstring(40, L'd');
        ASSERT_TRUE(::CreateDirectoryW(win::LongPathForm(deep).c_str(), nullptr));
    }
    const std::wstring image = win::LongPathForm(deep + L"\\deep.png");
    test::WriteBytes(image, "deep");
    ASSERT_TRUE(test::Exists(image));
    EXPECT_EQ(win::ListFolder(deep).files, std::vector<std::u16string>{u"deep.png"});
}

TEST_F(FolderListingTest, TheSearchTakesLinksFirstAndSkipsHiddenFolders) {
    test::WriteBytes(temp_ / L"plain\\b.png", "plain b");
    test::AnsweredRunSystem system;
    int calls = 0;
    SubfolderSearch search(system, win::View(temp_.path() + L"\\"), [&calls] { ++calls; });
    EXPECT_EQ(search.Find(u"A.PNG"), win::U16(temp_ / L"Links\\a.png"));
    EXPECT_EQ(search.Find(u"b.png"), win::U16(temp_ / L"plain\\b.png"));
    EXPECT_EQ(search.Find(u"h.png"), std::nullopt);
    EXPECT_EQ(search.FoldersListed(), 2u);
    EXPECT_EQ(calls, 3);
}

TEST(FileNameOrder, IsOrdinalWithoutCaseAndAgreesWithTheProgramsOwnFold) {
    test::AnsweredRunSystem system;
    EXPECT_LT(system.CompareFileNames(u"b", u"_"), 0);
    EXPECT_LT(system.CompareFileNames(u"ax", u"Bx"), 0);
    EXPECT_EQ(system.CompareFileNames(u"LINKS", u"links"), 0);
    EXPECT_GT(system.CompareFileNames(u"links2", u"Links"), 0);
    // Over the alphabets the program folds itself (Latin to Latin
    // Extended-A, Greek, Cyrillic, full-width Latin), two letters are one name to
    // the system exactly when they are one to the program.
    std::vector<char16_t> units;
    for (char16_t c = 1; c < 0x0180; ++c)
        units.push_back(c);
    for (char16_t c = 0x0370; c < 0x0500; ++c)
        units.push_back(c);
    for (char16_t c = 0xFF00; c < 0xFF60; ++c)
        units.push_back(c);
    std::vector<std::pair<int, int>> differing;
    for (const char16_t a : units)
        for (const char16_t b : units) {
            const bool system_same = system.CompareFileNames({&a, 1}, {&b, 1}) == 0;
            if (system_same != (FoldedUnit(a) == FoldedUnit(b)))
                differing.emplace_back(a, b);
        }
    EXPECT_THAT(differing, testing::IsEmpty());
}

TEST(FolderListingOnAShare, AHostThatDoesNotAnswerIsGivenTheSamePatience) {
    auto release = std::make_shared<HANDLE>(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    test::AnsweredRunSystem system;
    system.SetShareProbe([](const std::wstring&) { return false; }, 300ms);
    system.SetShareLister([release](const std::wstring&) {
        ::WaitForSingleObject(*release, INFINITE);
        return FolderListing{{{u"late", false, false, false}}, {}};
    });
    int calls = 0;
    const auto started = std::chrono::steady_clock::now();
    const auto listing = system.ListFolder(u"\\\\silent\\share\\job", [&calls] { ++calls; });
    const auto took = std::chrono::steady_clock::now() - started;
    ::SetEvent(*release);
    EXPECT_EQ(listing, std::nullopt);
    EXPECT_GT(calls, 10) << "the window was not kept alive during the wait";
    EXPECT_LT(took, 5s);

    system.SetShareLister([](const std::wstring& folder) {
        return FolderListing{{}, {win::U16(folder)}};
    });
    const auto answered = system.ListFolder(u"\\\\quick\\share\\job", [] {});
    ASSERT_TRUE(answered);
    EXPECT_EQ(answered->files, std::vector<std::u16string>{u"\\\\quick\\share\\job"});
}

} // namespace
} // namespace marovan
