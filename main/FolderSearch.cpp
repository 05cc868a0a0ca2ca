#include "main/FolderSearch.h"

#include "base/Paths.h"

#include <algorithm>
#include <utility>

namespace marovan {

namespace {

// Pairs of a capital and its small letter side by side, capital first at
// even or at odd code points.
bool InPairedBlock(char16_t unit, char16_t first, char16_t last) noexcept {
    return unit >= first && unit <= last;
}

char16_t FoldedLatinExtended(char16_t unit) noexcept {
    // Ā..į, Ĳ..ķ and Ŋ..ŷ: capital at even code points. The dotted and the
    // dotless i (İ, ı) are no pair to the file system.
    if (InPairedBlock(unit, 0x0100, 0x012F) || InPairedBlock(unit, 0x0132, 0x0137) ||
        InPairedBlock(unit, 0x014A, 0x0177))
        return unit % 2 == 1 ? static_cast<char16_t>(unit - 1) : unit;
    // Ĺ..ň and Ź..ž: capital at odd code points.
    if (InPairedBlock(unit, 0x0139, 0x0148) || InPairedBlock(unit, 0x0179, 0x017E))
        return unit % 2 == 0 ? static_cast<char16_t>(unit - 1) : unit;
    if (unit == 0x00FF)
        return 0x0178; // ÿ
    return unit;
}

char16_t FoldedGreek(char16_t unit) noexcept {
    if ((unit >= 0x03B1 && unit <= 0x03C1) || (unit >= 0x03C3 && unit <= 0x03CB))
        return static_cast<char16_t>(unit - 0x20);
    // Ͱ..ͳ, Ͷͷ and Ϙ..ϯ: capital at even code points; Ϸϸ and Ϻϻ at odd ones.
    if (InPairedBlock(unit, 0x0370, 0x0373) || InPairedBlock(unit, 0x0376, 0x0377) ||
        InPairedBlock(unit, 0x03D8, 0x03EF))
        return unit % 2 == 1 ? static_cast<char16_t>(unit - 1) : unit;
    if (unit == 0x03F8 || unit == 0x03FB)
        return static_cast<char16_t>(unit - 1);
    if (unit >= 0x037B && unit <= 0x037D)
        return static_cast<char16_t>(unit + 0x82);
    // The final sigma (ς) stays itself: the system does not take it for Σ.
    switch (unit) {
    case 0x03AC:
        return 0x0386;
    case 0x03AD:
    case 0x03AE:
    case 0x03AF:
        return static_cast<char16_t>(unit - 0x25);
    case 0x03CC:
        return 0x038C;
    case 0x03D7:
        return 0x03CF;
    case 0x03F2:
        return 0x03F9;
    case 0x03F3:
        return 0x037F;
    case 0x03CD:
    case 0x03CE:
        return static_cast<char16_t>(unit - 0x3F);
    default:
        return unit;
    }
}

char16_t FoldedCyrillic(char16_t unit) noexcept {
    if (unit >= 0x0430 && unit <= 0x044F)
        return static_cast<char16_t>(unit - 0x20);
    if (unit >= 0x0450 && unit <= 0x045F)
        return static_cast<char16_t>(unit - 0x50);
    if (InPairedBlock(unit, 0x0460, 0x0481) || InPairedBlock(unit, 0x048A, 0x04BF) ||
        InPairedBlock(unit, 0x04D0, 0x04FF))
        return unit % 2 == 1 ? static_cast<char16_t>(unit - 1) : unit;
    // Ӂ..ӎ: capital at odd code points; ӏ's capital is Ӏ.
    if (InPairedBlock(unit, 0x04C1, 0x04CE))
        return unit % 2 == 0 ? static_cast<char16_t>(unit - 1) : unit;
    if (unit == 0x04CF)
        return 0x04C0;
    return unit;
}

bool Searchable(const FolderListing::Subfolder& folder) noexcept {
    return !folder.hidden && !folder.system && !folder.reparsePoint;
}

} // namespace

char16_t FoldedUnit(char16_t unit) noexcept {
    if (unit < 0x80)
        return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - 0x20) : unit;
    if (unit >= 0xE0 && unit <= 0xFE && unit != 0xF7)
        return static_cast<char16_t>(unit - 0x20);
    if (unit < 0x0180)
        return FoldedLatinExtended(unit);
    if (unit >= 0x0370 && unit < 0x0400)
        return FoldedGreek(unit);
    if (unit >= 0x0400 && unit < 0x0500)
        return FoldedCyrillic(unit);
    if (unit >= 0xFF41 && unit <= 0xFF5A) // full-width ａ..ｚ
        return static_cast<char16_t>(unit - 0x20);
    return unit;
}

std::u16string FoldedName(std::u16string_view name) {
    std::u16string folded(name);
    for (char16_t& unit : folded)
        unit = FoldedUnit(unit);
    return folded;
}

int CompareFoldedNames(std::u16string_view a, std::u16string_view b) noexcept {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const char16_t x = FoldedUnit(a[i]);
        const char16_t y = FoldedUnit(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

SubfolderSearch::SubfolderSearch(RunSystem& system, std::u16string_view folder,
                                 std::function<void()> betweenFolders)
    : system_(system)
    , folder_(folder)
    , betweenFolders_(std::move(betweenFolders)) {}

std::optional<std::u16string> SubfolderSearch::Find(std::u16string_view fileName) {
    if (!listed_)
        ListTree();
    const auto found = firstByName_.find(FoldedName(fileName));
    if (found == firstByName_.end())
        return std::nullopt;
    return found->second;
}

std::optional<std::vector<FolderListing::Subfolder>>
SubfolderSearch::ListOne(const std::u16string& path, bool indexFiles) {
    auto listing = system_.ListFolder(path, betweenFolders_);
    if (betweenFolders_)
        betweenFolders_();
    if (!listing)
        return std::nullopt;
    if (indexFiles) {
        ++foldersListed_;
        for (const std::u16string& file : listing->files)
            firstByName_.try_emplace(FoldedName(file), JoinPath(path, file));
    }
    std::erase_if(listing->subfolders, [](const auto& folder) { return !Searchable(folder); });
    std::sort(listing->subfolders.begin(), listing->subfolders.end(),
              [this](const auto& a, const auto& b) {
                  return system_.CompareFileNames(a.name, b.name) < 0;
              });
    return std::move(listing->subfolders);
}

void SubfolderSearch::ListTree() {
    listed_ = true;
    // The folder's own files are the ones beside the document, tested already.
    const auto children = ListOne(folder_, false);
    if (!children)
        return;
    std::vector<Pending> links;
    std::vector<Pending> others;
    for (const auto& child : *children) {
        auto& group = system_.CompareFileNames(child.name, kLinksFolderName) == 0 ? links : others;
        group.push_back({JoinPath(folder_, child.name), 1});
    }
    if (SearchBreadthFirst(std::move(links)))
        SearchBreadthFirst(std::move(others));
}

bool SubfolderSearch::SearchBreadthFirst(std::vector<Pending> level) {
    // A folder counts against the limit as it is listed, so that the folders
    // listed are the first ones in the order of the search.
    while (!level.empty()) {
        std::vector<Pending> next;
        for (const Pending& folder : level) {
            if (foldersListed_ >= kSubfolderLimit) {
                limitReached_ = true;
                return false;
            }
            const auto children = ListOne(folder.path, true);
            // A host that does not answer is not asked again.
            if (!children)
                return false;
            if (folder.depth >= kSubfolderDepthLimit)
                continue;
            for (const auto& child : *children)
                next.push_back({JoinPath(folder.path, child.name), folder.depth + 1});
        }
        level = std::move(next);
    }
    return true;
}

} // namespace marovan
