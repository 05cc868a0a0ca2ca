#pragma once
// The link table as the main window shows it: four text columns (row number,
// result mark, file name, path), the header in row 0, one row per link in
// document order, and always one empty row at the end. With links of more
// than one document, each document's links follow a row of its own that
// names it, and are numbered from 1 under it. The rows are the run's links
// and documents; the header, the row numbers, the document rows and the
// empty last row are display only.

#include "main/Links.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace marovan {

enum Column : int { kRowNumber = 0, kResult = 1, kFileName = 2, kPath = 3, kColumnCount = 4 };

// Shown once per level before the file name of a link read from a placed
// file, so that it stands under the file that placed it.
inline constexpr std::u16string_view kNestingIndent = u"\u3000\u2514 ";

// What a row of the table shows.
enum class RowKind { Header, Document, Link, End };
struct TableRow {
    RowKind kind;
    std::size_t index = 0; // of the document or the link
};

// Whether the documents' links are shown in groups, each under its document's row.
inline bool Grouped(const DocumentPaths& documents) noexcept {
    return documents.size() > 1;
}

int RowCount(const Links& links, const DocumentPaths& documents);
// Rows outside the table are End rows.
TableRow RowAt(const Links& links, const DocumentPaths& documents, int row);

// The header titles; column 0 has none.
std::u16string_view HeaderText(int column) noexcept;

// The text of a cell; rows and columns outside the table are empty. A
// document's row shows its file name only; a link read from a placed file
// shows its file name after the nesting indent of each level.
std::u16string CellText(const Links& links, const DocumentPaths& documents, int column, int row);

// The row of the first longest cell of `column` among the rows drawn in the
// table's font: every row, header and empty last row included, but the
// documents' rows, whose names are bold. A later cell of equal length does
// not replace it.
int LongestCellRow(const Links& links, const DocumentPaths& documents, int column);
// The row of the first longest document name, or -1 without document rows.
int LongestDocumentRow(const Links& links, const DocumentPaths& documents);

// The table of one document's links.
inline int RowCount(const Links& links) {
    return RowCount(links, {});
}
inline std::u16string CellText(const Links& links, int column, int row) {
    return CellText(links, {}, column, row);
}
inline int LongestCellRow(const Links& links, int column) {
    return LongestCellRow(links, {}, column);
}

} // namespace marovan
