// What becomes of each link's image in the destination folder: one name holds
// one image, nothing is replaced silently, and every link ends with an
// outcome the window can tell.

#include "FakeRun.h"

#include "base/Paths.h"
#include "main/CollectionRun.h"

#include <gtest/gtest.h>

namespace marovan {
namespace {

using testing_support::Bytes;
using testing_support::Event;
using testing_support::FakeSystem;
using testing_support::FakeView;

class CollectingTest : public testing::Test {
protected:
    CollectingTest()
        : system(view) {}

    RunEnd Run() { return CollectionRun(view, system, view.links, view.documents); }
    void Record(std::string_view lines) {
        system.files[u"C:\\work\\doc.ai"] = Bytes("%%DocumentFiles:" + std::string(lines) + "\r\n");
    }
    void File(const std::u16string& path, std::string_view content) {
        system.files[path] = Bytes(content);
    }
    std::vector<Outcome> Outcomes() const {
        std::vector<Outcome> outcomes;
        for (const Link& link : view.links)
            outcomes.push_back(link.outcome);
        return outcomes;
    }
    std::vector<std::u16string> Texts() const {
        std::vector<std::u16string> texts;
        for (const Link& link : view.links)
            texts.push_back(OutcomeText(link));
        return texts;
    }
    std::vector<std::u16string> Events(const char* what) const { return view.EventsOf(what); }
    std::string Content(const std::u16string& path) const {
        const auto& bytes = system.files.at(path);
        return {bytes.begin(), bytes.end()};
    }

    FakeView view;
    FakeSystem system;
};

TEST_F(CollectingTest, ALaterImageOfTheSameNameDoesNotReplaceTheFirst) {
    Record("C:\\photos\\same.png\r\n%%+C:\\other2\\same.png");
    File(u"C:\\photos\\same.png", "first");
    File(u"C:\\other2\\same.png", "second");
    Run();
    EXPECT_EQ(Outcomes(), (std::vector<Outcome>{Outcome::Copied, Outcome::NameTaken}));
    EXPECT_EQ(Texts(), (std::vector<std::u16string>{
                           u"コピーしました",
                           u"同じ名前の別の画像を先にコピーしたため、コピーしていません"}));
    EXPECT_EQ(Content(u"D:\\collected\\same.png"), "first");
    EXPECT_EQ(view.messages.back().text,
              u"一部画像の収集を失敗しました！\r\n成功：  1個\r\n失敗：  1個");
}

TEST_F(CollectingTest, ASourceLinkedAgainIsCopiedOnce) {
    Record("C:\\i\\a.png\r\n%%+C:\\i\\A.PNG\r\n%%+C:\\i\\a.png");
    File(u"C:\\i\\a.png", "image");
    File(u"C:\\i\\A.PNG", "image"); // the same file as the system sees it
    system.times[u"C:\\i\\a.png"] = system.times[u"C:\\i\\A.PNG"] = 42;
    Run();
    EXPECT_EQ(Outcomes(),
              (std::vector<Outcome>{Outcome::Copied, Outcome::SameAsAbove, Outcome::SameAsAbove}));
    EXPECT_EQ(Texts()[1], u"上の行と同じ画像です");
    EXPECT_EQ(Events("copy").size(), 1u);
    EXPECT_EQ(view.messages.back().kind, MessageKind::Information);
}

TEST_F(CollectingTest, CollectingAgainIntoTheSameFolderCopiesNothing) {
    system.options.aiCopy = true;
    Record("C:\\i\\a.png\r\n%%+C:\\i\\b.png");
    File(u"C:\\i\\a.png", "a");
    File(u"C:\\i\\b.png", "b");
    Run();
    view.events.clear();
    Run();
    EXPECT_EQ(Outcomes(), (std::vector<Outcome>{Outcome::AlreadyThere, Outcome::AlreadyThere}));
    EXPECT_EQ(Texts()[0], u"保存フォルダに同じファイルがあります");
    EXPECT_TRUE(Events("copy").empty());
    EXPECT_TRUE(Events("recycle").empty());
    EXPECT_EQ(view.messages.back().text, u"画像収集が完了しました。\r\n成功：  2個\r\n失敗：  0個");
    // Size and time settle it: no file had to be opened for its identity.
    EXPECT_TRUE(system.identityLookups.empty());
}

TEST_F(CollectingTest, OneFileIsOneImageEvenWhenItsTimeMovedBetweenTheLooks) {
    // The link names the file in the destination by another path; it was
    // written to between the two looks, so only its identity tells.
    Record("C:\\i\\a.png");
    File(u"C:\\i\\a.png", "image");
    File(u"D:\\collected\\a.png", "image");
    system.ids[u"C:\\i\\a.png"] = system.ids[u"D:\\collected\\a.png"] = 7;
    system.times[u"C:\\i\\a.png"] = 1'000'000'000;
    system.times[u"D:\\collected\\a.png"] = 1'100'000'000;
    Run();
    EXPECT_EQ(Outcomes(), std::vector<Outcome>{Outcome::AlreadyThere});
    EXPECT_TRUE(Events("copy").empty());
    EXPECT_TRUE(Events("recycle").empty());
    EXPECT_FALSE(system.identityLookups.empty());
}

// A file of the link's name already in the destination, and what is done
// with it.
struct ExistingCase {
    const char* name;
    std::int64_t existingTime; // the image's own time is 1'000'000'000
    std::size_t existingSize;
    FakeSystem::Recycling recycling;
    Outcome outcome;
    std::u16string text;
    std::string left; // in the destination afterwards
    std::vector<std::u16string> recycled;
};

void PrintTo(const ExistingCase& c, std::ostream* out) {
    *out << c.name;
}

class ExistingFile : public CollectingTest, public testing::WithParamInterface<ExistingCase> {};

TEST_P(ExistingFile, IsLeftRecycledOrKept) {
    const ExistingCase& c = GetParam();
    Record("C:\\i\\a.png");
    File(u"C:\\i\\a.png", "new");
    system.times[u"C:\\i\\a.png"] = 1'000'000'000;
    File(u"D:\\collected\\a.png", std::string(c.existingSize, 'o'));
    system.times[u"D:\\collected\\a.png"] = c.existingTime;
    system.recycling = c.recycling;
    Run();
    EXPECT_EQ(Outcomes(), std::vector<Outcome>{c.outcome});
    EXPECT_EQ(Texts(), std::vector<std::u16string>{c.text});
    EXPECT_EQ(Content(u"D:\\collected\\a.png"), c.left);
    EXPECT_EQ(Events("recycle"), c.recycled);
    EXPECT_EQ(view.messages.back().kind,
              Collected(c.outcome) ? MessageKind::Information : MessageKind::Error);
}

const std::u16string kTarget = u"D:\\collected\\a.png";
const ExistingCase kExistingCases[] = {
    {"SameSizeAndTimeIsTheSameImage",
     1'000'000'000,
     3,
     FakeSystem::Recycling::Recycled,
     Outcome::AlreadyThere,
     u"保存フォルダに同じファイルがあります",
     "ooo",
     {}},
    {"TwoSecondsApartOnFatIsTheSameImage",
     1'020'000'000,
     3,
     FakeSystem::Recycling::Recycled,
     Outcome::AlreadyThere,
     u"保存フォルダに同じファイルがあります",
     "ooo",
     {}},
    {"ADifferentTimeGoesToTheRecycleBin",
     1'030'000'000,
     3,
     FakeSystem::Recycling::Recycled,
     Outcome::Replaced,
     u"保存フォルダの同名ファイルをごみ箱に移して、コピーしました",
     "new",
     {kTarget}},
    {"ADifferentSizeGoesToTheRecycleBin",
     1'000'000'000,
     4,
     FakeSystem::Recycling::Recycled,
     Outcome::Replaced,
     u"保存フォルダの同名ファイルをごみ箱に移して、コピーしました",
     "new",
     {kTarget}},
    {"DecliningKeepsTheOldFile",
     0,
     3,
     FakeSystem::Recycling::Declined,
     Outcome::KeptExisting,
     u"保存フォルダの同名ファイルを残したため、コピーしていません",
     "ooo",
     {kTarget}},
    {"ARecycleBinThatRefusesKeepsTheOldFile",
     0,
     3,
     FakeSystem::Recycling::Failed,
     Outcome::Refused,
     u"コピーできませんでした：The process cannot access the file",
     "ooo",
     {kTarget}},
};

INSTANTIATE_TEST_SUITE_P(Destination, ExistingFile, testing::ValuesIn(kExistingCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CollectingTest, ARefusedCopyKeepsTheSystemsReason) {
    Record("C:\\i\\a.png");
    File(u"C:\\i\\a.png", "a");
    system.refusedCopies = {u"C:\\i\\a.png"};
    Run();
    EXPECT_EQ(view.links[0].mark, Mark::Found);
    EXPECT_EQ(Texts(), std::vector<std::u16string>{u"コピーできませんでした：Access is denied"});
}

TEST_F(CollectingTest, TheOutcomeNamesAnotherPlaceItWasCopiedFrom) {
    system.options.errSearch = true;
    Record("C:\\gone\\a.png\r\n%%+C:\\gone\\b.png");
    File(u"C:\\work\\a.png", "a");
    Run();
    EXPECT_EQ(Texts(), (std::vector<std::u16string>{u"C:\\work\\a.png からコピーしました",
                                                    u"見つかりません"}));
}

TEST_F(CollectingTest, OnlyFullPathsAreTestedWhereTheyPoint) {
    // Each of these names a file here, but only relative to a current folder
    // or drive, which has nothing to do with the document.
    Record("rel.png\r\n%%+\\x.png\r\n%%+C:y.png\r\n%%+/Users/k/z.png\r\n%%+C:\\full.png\r\n"
           "%%+\\\\server\\share\\s.png\r\n%%+\\\\?\\C:\\long.png");
    for (const char16_t* path :
         {u"rel.png", u"\\x.png", u"C:y.png", u"/Users/k/z.png", u"C:\\full.png",
          u"\\\\server\\share\\s.png", u"\\\\?\\C:\\long.png"})
        File(path, std::string(1, static_cast<char>(path[0])));
    Run();
    std::vector<Mark> marks;
    for (const Link& link : view.links)
        marks.push_back(link.mark);
    EXPECT_EQ(marks, (std::vector<Mark>{Mark::Missing, Mark::Missing, Mark::Missing, Mark::Missing,
                                        Mark::Found, Mark::Found, Mark::Found}));
}

TEST_F(CollectingTest, BesideTheDocumentStillFindsWhatARelativePathNames) {
    system.options.errSearch = true;
    Record("rel.png");
    File(u"rel.png", "not this one");
    File(u"C:\\work\\rel.png", "this one");
    Run();
    EXPECT_EQ(view.links[0].mark, Mark::Beside);
    EXPECT_EQ(Content(u"D:\\collected\\rel.png"), "this one");
}

TEST_F(CollectingTest, AHostThatDoesNotAnswerIsAskedOncePerRun) {
    system.options.errSearch = true;
    Record("\\\\nas\\share\\a.png\r\n%%+\\\\NAS\\share\\b.png\r\n%%+C:\\i\\c.png");
    File(u"C:\\work\\b.png", "beside");
    File(u"C:\\i\\c.png", "c");
    system.silentHosts = {u"nas", u"NAS"};
    Run();
    std::vector<Mark> marks;
    for (const Link& link : view.links)
        marks.push_back(link.mark);
    EXPECT_EQ(marks, (std::vector<Mark>{Mark::Missing, Mark::Beside, Mark::Found}));
    EXPECT_EQ(Texts(), (std::vector<std::u16string>{u"見つかりません（nas が応答しません）",
                                                    u"C:\\work\\b.png からコピーしました",
                                                    u"コピーしました"}));
    const auto asked =
        std::count_if(system.existenceTests.begin(), system.existenceTests.end(),
                      [](const std::u16string& path) { return !HostOf(path).empty(); });
    EXPECT_EQ(asked, 1) << "the silent host was asked again";
    Run();
    EXPECT_EQ(std::count_if(system.existenceTests.begin(), system.existenceTests.end(),
                            [](const std::u16string& path) { return !HostOf(path).empty(); }),
              2)
        << "the next run asks afresh";
}

TEST_F(CollectingTest, AFailedDocumentCopyAddsALineAndMakesAnErrorBox) {
    system.options.aiCopy = true;
    Record("C:\\i\\a.png");
    File(u"C:\\i\\a.png", "a");
    system.refusedCopies = {u"C:\\work\\doc.ai"};
    Run();
    EXPECT_EQ(view.messages.back().kind, MessageKind::Error);
    EXPECT_EQ(view.messages.back().text,
              u"画像収集が完了しました。\r\n成功：  1個\r\n失敗：  0個\r\n"
              u"AIファイルをコピーできませんでした：Access is denied");
}

TEST_F(CollectingTest, AnImageNamedLikeTheDocumentDoesNotReplaceItsCopy) {
    system.options.aiCopy = true;
    Record("C:\\i\\doc.ai");
    File(u"C:\\i\\doc.ai", "a placed document");
    Run();
    EXPECT_EQ(Outcomes(), std::vector<Outcome>{Outcome::NameTaken});
    EXPECT_EQ(Content(u"D:\\collected\\doc.ai"), Content(u"C:\\work\\doc.ai"));
}

} // namespace
} // namespace marovan
