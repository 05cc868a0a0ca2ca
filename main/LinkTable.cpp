#include "main/LinkTable.h"

#include "base/Text.h"

#include <array>

namespace marovan {

namespace {

constexpr std::array<std::u16string_view, kColumnCount> kHeader = {u"", u"結果", u"ファイル名",
                                                                   u"パス"};

// Number of UTF-16 units in a cell, without building its text.
std::size_t CellLength(const Links& links, int column, int row) {
    if (row == 0)
        return HeaderText(column).size();
    if (row > static_cast<int>(links.size()))
        return 0;
    const Link& link = links[static_cast<std::size_t>(row - 1)];
    switch (column) {
    case kRowNumber:
        return Decimal(row).size();
    case kResult:
        return MarkText(link.mark).size();
    case kFileName:
        return link.fileName.size();
    case kPath:
        return link.path.size();
    }
    return 0;
}

} // namespace

std::u16string_view HeaderText(int column) noexcept {
    return column >= 0 && column < kColumnCount ? kHeader[static_cast<std::size_t>(column)]
                                                : std::u16string_view{};
}

std::u16string CellText(const Links& links, int column, int row) {
    if (row == 0)
        return std::u16string(HeaderText(column));
    if (row < 0 || row > static_cast<int>(links.size()))
        return {};
    const Link& link = links[static_cast<std::size_t>(row - 1)];
    switch (column) {
    case kRowNumber:
        return Decimal(row);
    case kResult:
        return std::u16string(MarkText(link.mark));
    case kFileName:
        return link.fileName;
    case kPath:
        return link.path;
    }
    return {};
}

int LongestCellRow(const Links& links, int column) {
    int longest = 0;
    std::size_t longestLength = CellLength(links, column, 0);
    for (int row = 1; row < RowCount(links); ++row) {
        const std::size_t length = CellLength(links, column, row);
        if (length > longestLength) {
            longest = row;
            longestLength = length;
        }
    }
    return longest;
}

} // namespace marovan
