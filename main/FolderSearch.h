#pragma once
// The search for a missing image in the subfolders of the document's folder.
//
// The order, which decides which of several files of one name is taken:
// - a subfolder of the document's folder named "Links" (in any case) comes
//   first, because that is where packaging puts a document's images; its
//   whole subtree is searched breadth first before anything else;
// - then the other subfolders of the document's folder and their subtrees,
//   breadth first together (all their children before any grandchild);
// - the document's folder's children are at depth 1, and nothing below
//   depth 4 is searched, in the Links subtree as in the others;
// - within one folder, subfolders follow ordinal case-insensitive name
//   order, as the system compares file names;
// - hidden folders, system folders and reparse points are not entered.
// The first file of the name in that order wins.

#include "main/CollectionRun.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace marovan {

// The ordinal case fold of file names: each UTF-16 unit by itself mapped to
// its upper case, as the file system compares names, for the letters of the
// Latin, Greek and Cyrillic alphabets and the full-width Latin letters.
char16_t FoldedUnit(char16_t unit) noexcept;
std::u16string FoldedName(std::u16string_view name);
// Negative, zero or positive as `a` sorts before, with or after `b`.
int CompareFoldedNames(std::u16string_view a, std::u16string_view b) noexcept;

inline constexpr int kSubfolderDepthLimit = 4;
inline constexpr std::size_t kSubfolderLimit = 20000;
inline constexpr std::u16string_view kLinksFolderName = u"Links";
inline constexpr std::u16string_view kSubfolderLimitStatus =
    u"サブフォルダが多いため、最初の20000フォルダだけを探しました";

// The subfolders of one folder, listed once, on the first search, however
// many links are looked for.
class SubfolderSearch {
public:
    // `betweenFolders` is called after each folder is listed, so that the
    // window stays alive while a large tree is listed.
    SubfolderSearch(RunSystem& system, std::u16string_view folder,
                    std::function<void()> betweenFolders);

    // Where the first file named `fileName` is, in the order above.
    std::optional<std::u16string> Find(std::u16string_view fileName);
    // Whether some folders were left unlisted because there were too many.
    bool LimitReached() const noexcept { return limitReached_; }
    // How many subfolders were listed.
    std::size_t FoldersListed() const noexcept { return foldersListed_; }

private:
    struct Pending {
        std::u16string path;
        int depth;
    };
    void ListTree();
    // The folder's searchable subfolders in name order, its files indexed.
    // Nothing when its share's host did not answer.
    std::optional<std::vector<FolderListing::Subfolder>> ListOne(const std::u16string& path,
                                                                 bool indexFiles);
    // False when the search must end here: the folder limit was reached or
    // a share's host did not answer.
    bool SearchBreadthFirst(std::vector<Pending> level);

    RunSystem& system_;
    std::u16string folder_;
    std::function<void()> betweenFolders_;
    bool listed_ = false;
    bool limitReached_ = false;
    std::size_t foldersListed_ = 0;
    // Folded file name to where it was first found.
    std::unordered_map<std::u16string, std::u16string> firstByName_;
};

} // namespace marovan
