#include "main/LinkTable.h"

#include "main/Text.h"

namespace marovan {

void LinkTable::WriteHeader() {
    rows_[0][kResult] = u"結果";
    rows_[0][kFileName] = u"ファイル名";
    rows_[0][kPath] = u"パス";
}

int LinkTable::AddLink(std::u16string_view path, std::u16string_view fileName) {
    const int row = RowCount() - 1;
    rows_[row][kRowNumber] = Decimal(row);
    rows_[row][kFileName] = fileName;
    rows_[row][kPath] = path;
    rows_.emplace_back();
    return row;
}

void LinkTable::Clear() {
    rows_.resize(2);
    rows_[1] = Row{};
}

} // namespace marovan
