#include "main/LinkTable.h"

#include "base/Paths.h"
#include "base/Text.h"

#include <algorithm>
#include <array>

namespace marovan {

namespace {

constexpr std::array<std::u16string_view, kColumnCount> kHeader = {u"", u"結果", u"ファイル名",
                                                                   u"パス"};

// Links come in document order: the index of the first link of `document`
// or of a later one.
std::size_t FirstLinkOf(const Links& links, std::size_t document) {
    return static_cast<std::size_t>(
        std::partition_point(links.begin(), links.end(),
                             [&](const Link& link) { return link.document < document; }) -
        links.begin());
}

// A link's number: its place among its document's links, from 1.
int NumberOf(const Links& links, std::size_t index) {
    return static_cast<int>(index - FirstLinkOf(links, links[index].document)) + 1;
}

// Number of UTF-16 units in a cell, without building its text.
std::size_t CellLength(const Links& links, const DocumentPaths& documents, int column, int row) {
    const TableRow at = RowAt(links, documents, row);
    switch (at.kind) {
    case RowKind::Header:
        return HeaderText(column).size();
    case RowKind::Document:
        return column == kFileName ? FileNameOf(documents[at.index]).size() : 0;
    case RowKind::End:
        return 0;
    case RowKind::Link:
        break;
    }
    const Link& link = links[at.index];
    switch (column) {
    case kRowNumber:
        return Decimal(NumberOf(links, at.index)).size();
    case kResult:
        return MarkText(link.mark).size();
    case kFileName:
        return kNestingIndent.size() * link.depth + link.fileName.size();
    case kPath:
        return link.path.size();
    }
    return 0;
}

} // namespace

int RowCount(const Links& links, const DocumentPaths& documents) {
    const std::size_t groups = Grouped(documents) ? documents.size() : 0;
    return static_cast<int>(links.size() + groups) + 2;
}

TableRow RowAt(const Links& links, const DocumentPaths& documents, int row) {
    if (row == 0)
        return {RowKind::Header};
    if (row < 0 || row >= RowCount(links, documents) - 1)
        return {RowKind::End};
    const auto item = static_cast<std::size_t>(row - 1);
    if (!Grouped(documents))
        return {RowKind::Link, item};
    // Document d's row comes after the rows of the d documents before it and
    // of their links: the last document whose row is not below this one holds it.
    const auto groupItem = [&](std::size_t document) {
        return document + FirstLinkOf(links, document);
    };
    std::size_t low = 0;
    std::size_t high = documents.size();
    while (high - low > 1) {
        const std::size_t middle = low + (high - low) / 2;
        if (groupItem(middle) <= item)
            low = middle;
        else
            high = middle;
    }
    if (groupItem(low) == item)
        return {RowKind::Document, low};
    return {RowKind::Link, item - low - 1};
}

std::u16string_view HeaderText(int column) noexcept {
    return column >= 0 && column < kColumnCount ? kHeader[static_cast<std::size_t>(column)]
                                                : std::u16string_view{};
}

std::u16string CellText(const Links& links, const DocumentPaths& documents, int column, int row) {
    const TableRow at = RowAt(links, documents, row);
    switch (at.kind) {
    case RowKind::Header:
        return std::u16string(HeaderText(column));
    case RowKind::Document:
        return column == kFileName ? std::u16string(FileNameOf(documents[at.index]))
                                   : std::u16string();
    case RowKind::End:
        return {};
    case RowKind::Link:
        break;
    }
    const Link& link = links[at.index];
    switch (column) {
    case kRowNumber:
        return Decimal(NumberOf(links, at.index));
    case kResult:
        return std::u16string(MarkText(link.mark));
    case kFileName: {
        std::u16string text;
        text.reserve(kNestingIndent.size() * link.depth + link.fileName.size());
        for (int level = 0; level < link.depth; ++level)
            text += kNestingIndent;
        return text + link.fileName;
    }
    case kPath:
        return link.path;
    }
    return {};
}

int LongestCellRow(const Links& links, const DocumentPaths& documents, int column) {
    int longest = 0;
    std::size_t longestLength = CellLength(links, documents, column, 0);
    for (int row = 1; row < RowCount(links, documents); ++row) {
        if (RowAt(links, documents, row).kind == RowKind::Document)
            continue;
        const std::size_t length = CellLength(links, documents, column, row);
        if (length > longestLength) {
            longest = row;
            longestLength = length;
        }
    }
    return longest;
}

int LongestDocumentRow(const Links& links, const DocumentPaths& documents) {
    if (!Grouped(documents))
        return -1;
    std::size_t longest = 0;
    for (std::size_t document = 1; document < documents.size(); ++document)
        if (FileNameOf(documents[document]).size() > FileNameOf(documents[longest]).size())
            longest = document;
    return static_cast<int>(longest + FirstLinkOf(links, longest)) + 1;
}

} // namespace marovan
