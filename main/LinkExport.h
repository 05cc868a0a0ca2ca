#pragma once
// The link table as it leaves the program: tab-separated text for the
// clipboard and CSV bytes for a file, with the same columns. A batch of
// several documents adds a first column naming each link's document.

#include "main/Links.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace marovan {

// Tab-separated lines ending in CR LF: a header line, then one line per link
// of `indexes` (in that order). A tab or line break inside a field becomes a
// space, so that each link stays one line of the pasted table.
std::u16string LinksAsText(const Links& links, const DocumentPaths& documents,
                           std::span<const std::size_t> indexes);

// The same table as CSV in UTF-8 with a byte order mark (spreadsheets take
// the file for their local code page without it), fields quoted where they
// hold a comma, a double quote or a line break, inner quotes doubled, lines
// ending in CR LF.
std::string LinksAsCsv(const Links& links, const DocumentPaths& documents,
                       std::span<const std::size_t> indexes);

// The name the save prompt suggests: "<document name>_リンク.csv", the first
// document's file name without its extension; "リンク.csv" without a document.
std::u16string CsvFileName(const DocumentPaths& documents);

} // namespace marovan
