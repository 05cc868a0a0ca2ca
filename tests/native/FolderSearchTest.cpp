#include "FakeRun.h"

#include "main/CollectionRun.h"
#include "main/FolderSearch.h"
#include "main/LinkTable.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace marovan {
namespace {

using testing_support::Bytes;
using testing_support::Event;
using testing_support::FakeSystem;
using testing_support::FakeView;

TEST(FoldedUnit, MapsSmallLettersToCapitalsAndLeavesTheRest) {
    const std::pair<char16_t, char16_t> cases[] = {
        {u'a', u'A'},   {u'z', u'Z'},   {u'A', u'A'},   {u'_', u'_'},   {u'{', u'{'},
        {u'1', u'1'},   {u'ä', u'Ä'},   {u'þ', u'Þ'},   {u'÷', u'÷'},   {u'ß', u'ß'},
        {u'ÿ', u'Ÿ'},   {u'ā', u'Ā'},   {u'ı', u'ı'},   {u'i', u'I'},   {u'ĳ', u'Ĳ'},
        {u'Ā', u'Ā'},   {u'ķ', u'Ķ'},   {u'ł', u'Ł'},   {u'Ł', u'Ł'},   {u'ž', u'Ž'},
        {u'ŋ', u'Ŋ'},   {u'α', u'Α'},   {u'ω', u'Ω'},   {u'ς', u'ς'},   {u'ά', u'Ά'},
        {u'ώ', u'Ώ'},   {u'ж', u'Ж'},   {u'я', u'Я'},   {u'ё', u'Ё'},   {u'џ', u'Џ'},
        {u'ѣ', u'Ѣ'},   {u'ҋ', u'Ҋ'},   {u'ӂ', u'Ӂ'},   {u'ӏ', u'Ӏ'},   {u'ӿ', u'Ӿ'},
        {u'ϣ', u'Ϣ'},   {u'ϸ', u'Ϸ'},   {u'ͻ', u'Ͻ'},   {u'ϳ', u'Ϳ'},  {u'ａ', u'Ａ'},
        {u'ｚ', u'Ｚ'}, {u'Ａ', u'Ａ'}, {u'あ', u'あ'}, {u'ア', u'ア'}, {u'ｱ', u'ｱ'},
    };
    for (const auto& [unit, folded] : cases)
        EXPECT_EQ(static_cast<int>(FoldedUnit(unit)), static_cast<int>(folded))
            << std::hex << static_cast<int>(unit);
}

TEST(CompareFoldedNames, OrdersByCapitalsUnitByUnit) {
    // "_" lies between the capitals and the small letters: without the fold
    // it would sort before "b" and after "B".
    EXPECT_LT(CompareFoldedNames(u"ax", u"Bx"), 0);
    EXPECT_LT(CompareFoldedNames(u"b", u"_"), 0);
    EXPECT_LT(CompareFoldedNames(u"B", u"_"), 0);
    EXPECT_EQ(CompareFoldedNames(u"Links", u"lINKS"), 0);
    EXPECT_EQ(CompareFoldedNames(u"Ｌｉｎｋｓ", u"ｌＩＮＫＳ"), 0);
    EXPECT_NE(CompareFoldedNames(u"Links", u"Ｌｉｎｋｓ"), 0);
    EXPECT_LT(CompareFoldedNames(u"Link", u"links"), 0);
    EXPECT_GT(CompareFoldedNames(u"links2", u"LINKS"), 0);
    EXPECT_EQ(FoldedName(u"Äbc.PNG"), u"ÄBC.PNG");
}

class SubfolderSearchTest : public testing::Test {
protected:
    SubfolderSearchTest()
        : system(view) {}

    void File(const std::u16string& path) { system.files[path] = Bytes("img"); }
    std::optional<std::u16string> Find(std::u16string_view name) { return search.Find(name); }

    FakeView view;
    FakeSystem system;
    SubfolderSearch search{system, u"C:\\work\\", [this] { view.KeepResponsive(); }};
};

struct OrderCase {
    const char* name;
    std::vector<std::u16string> files;
    std::u16string expected; // where x.png is found; empty for nowhere
};

void PrintTo(const OrderCase& c, std::ostream* out) {
    *out << c.name;
}

class SearchOrder : public SubfolderSearchTest, public testing::WithParamInterface<OrderCase> {};

TEST_P(SearchOrder, TakesTheFirstFileOfTheName) {
    for (const auto& path : GetParam().files)
        File(path);
    const auto found = Find(u"x.png");
    EXPECT_EQ(found.value_or(u""), GetParam().expected);
}

const OrderCase kOrderCases[] = {
    {"LinksBeforeAnEarlierName",
     {u"C:\\work\\a\\x.png", u"C:\\work\\Links\\x.png"},
     u"C:\\work\\Links\\x.png"},
    {"LinksInAnyCase",
     {u"C:\\work\\a\\x.png", u"C:\\work\\lINKS\\x.png"},
     u"C:\\work\\lINKS\\x.png"},
    {"TheLinksSubtreeBeforeShallowerOthers",
     {u"C:\\work\\a\\x.png", u"C:\\work\\links\\p\\q\\x.png"},
     u"C:\\work\\links\\p\\q\\x.png"},
    {"ALinksFolderDeeperDownIsNoOtherFolder",
     {u"C:\\work\\b\\x.png", u"C:\\work\\a\\Links\\x.png"},
     u"C:\\work\\b\\x.png"},
    {"BreadthBeforeDepth",
     {u"C:\\work\\a\\b\\x.png", u"C:\\work\\z\\x.png"},
     u"C:\\work\\z\\x.png"},
    {"NamesWithoutCase",
     {u"C:\\work\\B\\x.png", u"C:\\work\\c\\x.png", u"C:\\work\\a\\x.png"},
     u"C:\\work\\a\\x.png"},
    {"OrdinalAfterTheFold", {u"C:\\work\\_\\x.png", u"C:\\work\\b\\x.png"}, u"C:\\work\\b\\x.png"},
    {"ALevelFollowsTheOrderOfTheLevelAbove",
     {u"C:\\work\\b\\a\\x.png", u"C:\\work\\a\\z\\x.png"},
     u"C:\\work\\a\\z\\x.png"},
    {"FileNamesWithoutCase", {u"C:\\work\\a\\X.PNG"}, u"C:\\work\\a\\X.PNG"},
    {"DepthFourIsSearched", {u"C:\\work\\1\\2\\3\\4\\x.png"}, u"C:\\work\\1\\2\\3\\4\\x.png"},
    {"DepthFiveIsNot", {u"C:\\work\\1\\2\\3\\4\\5\\x.png"}, u""},
    {"DepthFiveIsNotInLinksEither", {u"C:\\work\\Links\\2\\3\\4\\5\\x.png"}, u""},
    {"BesideTheDocumentIsNotThisSearch", {u"C:\\work\\x.png"}, u""},
    {"OnlyThatName", {u"C:\\work\\a\\x.png.bak", u"C:\\work\\a\\xx.png"}, u""},
};

INSTANTIATE_TEST_SUITE_P(Subfolders, SearchOrder, testing::ValuesIn(kOrderCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SubfolderSearchTest, HiddenSystemAndReparseFoldersAreNotEntered) {
    for (const char16_t* folder : {u"a", u"b", u"c", u"Links"}) {
        File(std::u16string(u"C:\\work\\") + folder + u"\\x.png");
        File(std::u16string(u"C:\\work\\") + folder + u"\\deeper\\y.png");
    }
    system.folders[u"C:\\work\\a"].hidden = true;
    system.folders[u"C:\\work\\b"].system = true;
    system.folders[u"C:\\work\\c"].reparsePoint = true;
    system.folders[u"C:\\work\\Links"].hidden = true;
    File(u"C:\\work\\d\\z.png");
    system.folders[u"C:\\work\\d\\e"].reparsePoint = true;
    File(u"C:\\work\\d\\e\\x.png");
    EXPECT_EQ(Find(u"x.png"), std::nullopt);
    EXPECT_EQ(Find(u"y.png"), std::nullopt);
    EXPECT_EQ(Find(u"z.png"), u"C:\\work\\d\\z.png");
    EXPECT_EQ(system.folderListings, (std::vector<std::u16string>{u"C:\\work\\", u"C:\\work\\d"}));
}

TEST_F(SubfolderSearchTest, TheTreeIsListedOnceOnTheFirstSearchAndEachFolderOnce) {
    File(u"C:\\work\\a\\x.png");
    File(u"C:\\work\\a\\b\\y.png");
    File(u"C:\\work\\Links\\z.png");
    system.folders[u"C:\\work\\empty"] = {};
    EXPECT_TRUE(system.folderListings.empty()) << "listed before it was needed";
    EXPECT_EQ(Find(u"y.png"), u"C:\\work\\a\\b\\y.png");
    EXPECT_EQ(Find(u"Z.PNG"), u"C:\\work\\Links\\z.png");
    EXPECT_EQ(Find(u"missing.png"), std::nullopt);
    EXPECT_EQ(system.folderListings,
              (std::vector<std::u16string>{u"C:\\work\\", u"C:\\work\\Links", u"C:\\work\\a",
                                           u"C:\\work\\empty", u"C:\\work\\a\\b"}));
    EXPECT_EQ(search.FoldersListed(), 4u);
    EXPECT_FALSE(search.LimitReached());
    // The window is given its turn after every folder.
    EXPECT_GE(view.responsiveCalls, 5);
}

TEST_F(SubfolderSearchTest, ASilentHostIsAskedOnceAndFindsNothing) {
    system.silentHosts.insert(u"nas");
    system.files[u"\\\\nas\\jobs\\Links\\x.png"] = Bytes("img");
    SubfolderSearch onShare(system, u"\\\\nas\\jobs\\", [this] { view.KeepResponsive(); });
    EXPECT_EQ(onShare.Find(u"x.png"), std::nullopt);
    EXPECT_EQ(onShare.Find(u"y.png"), std::nullopt);
    EXPECT_EQ(system.folderListings, (std::vector<std::u16string>{u"\\\\nas\\jobs\\"}));
    EXPECT_GE(view.responsiveCalls, 1);
}

std::u16string Numbered(int n) {
    char text[16];
    std::snprintf(text, sizeof(text), "f%05d", n);
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

struct LimitCase {
    int folders;
    bool limitReached;
};

class FolderLimit : public SubfolderSearchTest, public testing::WithParamInterface<LimitCase> {};

TEST_P(FolderLimit, AtMostTwentyThousandFoldersAreListed) {
    const int count = GetParam().folders;
    for (int n = 1; n <= count; ++n)
        system.folders[u"C:\\work\\" + Numbered(n)] = {};
    File(u"C:\\work\\" + Numbered(20000) + u"\\last.png");
    File(u"C:\\work\\" + Numbered(count) + u"\\beyond.png");
    EXPECT_EQ(Find(u"last.png"), u"C:\\work\\" + Numbered(20000) + u"\\last.png");
    EXPECT_EQ(Find(u"beyond.png").has_value(), !GetParam().limitReached);
    EXPECT_EQ(search.LimitReached(), GetParam().limitReached);
    EXPECT_EQ(search.FoldersListed(), 20000u);
}

INSTANTIATE_TEST_SUITE_P(Subfolders, FolderLimit,
                         testing::Values(LimitCase{20000, false}, LimitCase{20001, true}),
                         [](const auto& info) { return std::to_string(info.param.folders); });

TEST_F(SubfolderSearchTest, TheLimitCountsTheLinksSubtreeFirst) {
    for (int n = 1; n <= 20000; ++n)
        system.folders[u"C:\\work\\Links\\" + Numbered(n)] = {};
    File(u"C:\\work\\a\\x.png");
    EXPECT_EQ(Find(u"x.png"), std::nullopt);
    EXPECT_TRUE(search.LimitReached());
    EXPECT_EQ(search.FoldersListed(), 20000u);
}

// The run with the search: marks, sources, copies and what the window says.
class SubSearchRun : public testing::Test {
protected:
    SubSearchRun()
        : system(view) {
        system.options.errSearch = true;
        system.options.subSearch = true;
        // Mac paths with CR line ends, as a document packaged on a Mac has them.
        system.files[u"C:\\work\\doc.ai"] =
            Bytes("%%DocumentFiles:/Users/k/Job/Links/a.png\r%%+/Users/k/Job/b.png\r"
                  "%%+/Users/k/Job/Links/a.png\r%%+/Users/k/Job/c.png\r%%+/Users/k/d.png\r"
                  "%%+C:\\images\\e.png\r");
        Image(u"C:\\work\\Links\\a.png");
        Image(u"C:\\work\\art\\2024\\b.png");
        Image(u"C:\\work\\art\\c.png");
        Image(u"C:\\work\\Links\\old\\c.png");
        Image(u"C:\\work\\d.png");
        Image(u"C:\\images\\e.png");
    }
    void Image(const std::u16string& path) { system.files[path] = Bytes("img"); }
    std::vector<std::u16string> Copies() const { return view.EventsOf("copy"); }
    std::u16string Cell(int column, int row) const { return CellText(view.links, column, row); }

    FakeView view;
    FakeSystem system;
};

TEST_F(SubSearchRun, MissingImagesAreTakenFromTheSubfoldersAndSaySo) {
    EXPECT_EQ(CollectionRun(view, system, view.links, view.documents), RunEnd::Completed);
    ASSERT_EQ(view.links.size(), 6u);
    const std::u16string marks[] = {u"△", u"△", u"△", u"△", u"△", u"○"};
    const std::u16string sources[] = {u"C:\\work\\Links\\a.png", u"C:\\work\\art\\2024\\b.png",
                                      u"C:\\work\\Links\\a.png", u"C:\\work\\Links\\old\\c.png",
                                      u"C:\\work\\d.png",        u"C:\\images\\e.png"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(Cell(kResult, i + 1), marks[i]) << i;
        EXPECT_EQ(view.links[i].source, sources[i]) << i;
    }
    EXPECT_EQ(OutcomeText(view.links[0]), u"C:\\work\\Links\\a.png からコピーしました");
    EXPECT_EQ(OutcomeText(view.links[2]), u"上の行と同じ画像です");
    EXPECT_EQ(OutcomeText(view.links[3]), u"C:\\work\\Links\\old\\c.png からコピーしました");
    EXPECT_EQ(OutcomeText(view.links[5]), u"コピーしました");
    EXPECT_EQ(Copies(),
              (std::vector<std::u16string>{u"C:\\work\\Links\\a.png -> D:\\collected\\a.png",
                                           u"C:\\work\\art\\2024\\b.png -> D:\\collected\\b.png",
                                           u"C:\\work\\Links\\old\\c.png -> D:\\collected\\c.png",
                                           u"C:\\work\\d.png -> D:\\collected\\d.png",
                                           u"C:\\images\\e.png -> D:\\collected\\e.png"}));
    // Listed once for the four links that needed it.
    EXPECT_EQ(system.folderListings, (std::vector<std::u16string>{
                                         u"C:\\work\\", u"C:\\work\\Links", u"C:\\work\\Links\\old",
                                         u"C:\\work\\art", u"C:\\work\\art\\2024"}));
    EXPECT_EQ(view.status, u"");
    EXPECT_EQ(view.messages.back().text, u"画像収集が完了しました。\r\n成功：  6個\r\n失敗：  0個");
}

TEST_F(SubSearchRun, WithoutSubSearchOrErrSearchNothingIsListed) {
    for (const bool errSearch : {true, false}) {
        FakeView plainView;
        FakeSystem plain(plainView);
        plain.files = system.files;
        plain.options.errSearch = errSearch;
        plain.options.subSearch = !errSearch; // Sub Search alone does nothing
        CollectionRun(plainView, plain, plainView.links, plainView.documents);
        ASSERT_EQ(plainView.links.size(), 6u);
        const std::u16string beside = errSearch ? u"△" : u"×";
        EXPECT_EQ(CellText(plainView.links, kResult, 5), beside);
        for (int row : {1, 2, 3, 4})
            EXPECT_EQ(CellText(plainView.links, kResult, row), u"×") << row;
        EXPECT_EQ(CellText(plainView.links, kResult, 6), u"○");
        EXPECT_TRUE(plain.folderListings.empty());
    }
}

TEST_F(SubSearchRun, NothingIsListedWhenEveryImageIsFoundEarlier) {
    system.files[u"C:\\work\\doc.ai"] =
        Bytes("%%DocumentFiles:/Users/k/d.png\r%%+C:\\images\\e.png\r");
    CollectionRun(view, system, view.links, view.documents);
    EXPECT_TRUE(system.folderListings.empty());
}

TEST_F(SubSearchRun, AShareThatDidNotAnswerBesideIsNotListed) {
    system.documentAnswer = u"\\\\nas\\jobs\\doc.ai";
    system.files[u"\\\\nas\\jobs\\doc.ai"] = system.files.at(u"C:\\work\\doc.ai");
    system.silentHosts.insert(u"nas");
    CollectionRun(view, system, view.links, view.documents);
    EXPECT_EQ(CellText(view.links, kResult, 1), u"×");
    EXPECT_TRUE(system.folderListings.empty());
}

TEST_F(SubSearchRun, TheStatusLineSaysWhenTheFolderLimitWasReached) {
    for (int n = 1; n <= 20001; ++n)
        system.folders[u"C:\\work\\many\\" + Numbered(n)] = {};
    // Its folder comes after those of "many" at the same depth.
    system.files.erase(u"C:\\work\\art\\2024\\b.png");
    Image(u"C:\\work\\zz\\q\\b.png");
    CollectionRun(view, system, view.links, view.documents);
    EXPECT_EQ(view.status, u"サブフォルダが多いため、最初の20000フォルダだけを探しました");
    EXPECT_EQ(CellText(view.links, kResult, 1), u"△") << "the Links folder comes first";
    EXPECT_EQ(CellText(view.links, kResult, 2), u"×") << "zz\\q lies beyond the limit";
}

} // namespace
} // namespace marovan
