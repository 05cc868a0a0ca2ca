#pragma once
// The link table: four text columns (row number, result mark, file name,
// path), the header in row 0, one row per link in document order, and always
// one empty row at the end, so RowCount() == links + 2.

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace marovan {

enum Column : int { kRowNumber = 0, kResult = 1, kFileName = 2, kPath = 3, kColumnCount = 4 };

inline constexpr std::u16string_view kMarkFound = u"\u25CB";   // ○ at its path
inline constexpr std::u16string_view kMarkBeside = u"\u25B3";  // △ beside the document
inline constexpr std::u16string_view kMarkMissing = u"\u00D7"; // ×

class LinkTable {
public:
    using Row = std::array<std::u16string, kColumnCount>;

    LinkTable()
        : rows_(2) {}

    int RowCount() const noexcept { return static_cast<int>(rows_.size()); }
    int LinkCount() const noexcept { return RowCount() - 2; }
    const std::u16string& Cell(int column, int row) const { return rows_.at(row).at(column); }
    void SetCell(int column, int row, std::u16string_view text) { rows_.at(row).at(column) = text; }

    void WriteHeader();
    // Fills the empty last row with the link and appends a new empty row.
    // Returns the index of the row written.
    int AddLink(std::u16string_view path, std::u16string_view fileName);
    // Back to the header plus one empty row; the header is never touched.
    void Clear();

private:
    std::vector<Row> rows_;
};

} // namespace marovan
