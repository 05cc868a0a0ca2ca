#pragma once
// The link table as the main window shows it: four text columns (row number,
// result mark, file name, path), the header in row 0, one row per link in
// document order, and always one empty row at the end, so that
// RowCount == links + 2. The rows are the run's links; the header, the row
// numbers and the empty last row are display only.

#include "main/Links.h"

#include <string>
#include <string_view>

namespace marovan {

enum Column : int { kRowNumber = 0, kResult = 1, kFileName = 2, kPath = 3, kColumnCount = 4 };

inline int RowCount(const Links& links) noexcept {
    return static_cast<int>(links.size()) + 2;
}

// The header titles; column 0 has none.
std::u16string_view HeaderText(int column) noexcept;

// The text of a cell; rows and columns outside the table are empty.
std::u16string CellText(const Links& links, int column, int row);

// The row of the first longest cell of `column` over every row, header and
// empty last row included; a later cell of equal length does not replace it.
int LongestCellRow(const Links& links, int column);

} // namespace marovan
