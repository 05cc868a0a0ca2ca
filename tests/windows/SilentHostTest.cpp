// A link on a share whose host never answers: the run gives the host a
// bounded time, keeps the window alive meanwhile, and does not ask it again.

#include "AnsweredRunSystem.h"
#include "ScratchFolder.h"

#include "base/Paths.h"
#include "main/CollectionRun.h"
#include "main/WindowsRunSystem.h"
#include "tests/support/RecordingView.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <memory>

namespace marovan {
namespace {

using namespace std::chrono_literals;

std::u16string U16(const std::wstring& text) {
    return {text.begin(), text.end()};
}

TEST(SilentHost, IsGivenABoundedTimeOnceAndTheWindowLivesMeanwhile) {
    test::ScratchFolder temp(L"silent");
    const std::wstring destination = temp / L"collected";
    ASSERT_TRUE(::CreateDirectoryW(destination.c_str(), nullptr));
    const std::wstring image = temp / L"here.png";
    test::WriteBytes(image, "here");
    std::string here(image.begin(), image.end());
    const std::wstring document = temp / L"doc.ai";
    test::WriteBytes(document, "%%DocumentFiles:\\\\silent\\share\\a.png\r\n%%+" + here +
                                   "\r\n%%+\\\\SILENT\\share\\b.png\r\n%%EndComments\r\n");

    // The network stands in: the host never answers; the asking threads are
    // let go when the test ends.
    auto release = std::make_shared<HANDLE>(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    auto asked = std::make_shared<std::atomic<int>>(0);
    test::AnsweredRunSystem system;
    system.folder = U16(destination);
    system.document = U16(document);
    system.SetShareProbe(
        [release, asked](const std::wstring&) {
            ++*asked;
            ::WaitForSingleObject(*release, INFINITE);
            return true;
        },
        300ms);
    testing_support::RecordingView view;
    Links links;
    DocumentPaths documents;
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(CollectionRun(view, system, links, documents), RunEnd::Completed);
    const auto took = std::chrono::steady_clock::now() - started;
    ::SetEvent(*release);

    ASSERT_EQ(links.size(), 3u);
    EXPECT_EQ(links[0].mark, Mark::Missing);
    EXPECT_EQ(OutcomeText(links[0]), u"見つかりません（silent が応答しません）");
    EXPECT_EQ(links[1].mark, Mark::Found);
    EXPECT_EQ(links[2].mark, Mark::Missing);
    EXPECT_EQ(OutcomeText(links[2]), u"見つかりません（SILENT が応答しません）");
    EXPECT_EQ(asked->load(), 1) << "the silent host was asked again";
    EXPECT_GT(view.responsiveCalls, 10) << "the window was not kept alive during the wait";
    std::cout << "[ figures ] the run took "
              << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms\n";
    EXPECT_EQ(test::ReadBytes(destination + L"\\here.png"), "here");
}

// Read rather than waited out: the end-to-end run shows the 5 s in action.
TEST(SilentHost, IsGivenFiveSecondsUnlessTheProgramSaysOtherwise) {
    EXPECT_EQ(WindowsRunSystem().SharePatience(), 5000ms);
    WindowsRunSystem silenced;
    silenced.SilenceHosts({u"quiet"});
    EXPECT_EQ(silenced.SharePatience(), 5000ms) << "silencing a host changed the patience";
}

// Silencing wraps whatever probe and lister were there: only the named hosts,
// in any letters, stop answering.
TEST(SilentHost, SilencedHostsAloneStopAnswering) {
    const struct {
        const char16_t* path;
        bool silent;
    } cases[] = {
        {u"\\\\quiet\\share\\a.png", true},          {u"\\\\QUIET\\share\\a.png", true},
        {u"\\\\?\\UNC\\hushed\\share\\a.png", true}, {u"\\\\quieter\\share\\a.png", false},
        {u"\\\\loud\\share\\a.png", false},
    };
    for (const auto& c : cases) {
        const std::u16string path = c.path;
        SCOPED_TRACE(std::string(path.begin(), path.end()));
        WindowsRunSystem system;
        // Silence is waited out briefly; an answer may take a thread under a
        // busy Wine several hundred milliseconds to come.
        system.SetShareProbe([](const std::wstring&) { return true; }, c.silent ? 300ms : 10s);
        system.SetShareLister([](const std::wstring&) { return FolderListing{}; });
        system.SilenceHosts({u"quiet", u"hushed"});
        EXPECT_EQ(system.Locate(path, {}),
                  c.silent ? RunSystem::Presence::SilentHost : RunSystem::Presence::File);
        const std::u16string folder(FolderPartOf(path));
        EXPECT_EQ(system.ListFolder(folder, {}).has_value(), !c.silent);
    }
}

} // namespace
} // namespace marovan
