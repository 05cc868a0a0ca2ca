#include "main/LinkExport.h"

#include "base/Paths.h"
#include "base/Text.h"

#include <array>
#include <vector>

namespace marovan {

namespace {

constexpr std::u16string_view kLineEnd = u"\r\n";
constexpr std::u16string_view kDocumentTitle = u"AIファイル";
constexpr std::array<std::u16string_view, 5> kTitles = {u"番号", u"結果", u"ファイル名", u"パス",
                                                        u"詳細"};

// A link's number counts from 1 within its document, as the table numbers it.
std::vector<std::size_t> NumbersOf(const Links& links) {
    std::vector<std::size_t> numbers(links.size());
    for (std::size_t i = 0; i < links.size(); ++i)
        numbers[i] = (i > 0 && links[i - 1].document == links[i].document) ? numbers[i - 1] + 1 : 1;
    return numbers;
}

using Row = std::vector<std::u16string>;

// The header and one row per chosen link; out-of-range indexes are skipped.
std::vector<Row> TableOf(const Links& links, const DocumentPaths& documents,
                         std::span<const std::size_t> indexes) {
    const bool batch = documents.size() > 1;
    std::vector<Row> rows;
    Row header;
    if (batch)
        header.emplace_back(kDocumentTitle);
    for (const auto title : kTitles)
        header.emplace_back(title);
    rows.push_back(std::move(header));
    const std::vector<std::size_t> numbers = NumbersOf(links);
    for (const std::size_t index : indexes) {
        if (index >= links.size())
            continue;
        const Link& link = links[index];
        Row row;
        if (batch)
            row.push_back(link.document < documents.size() ? documents[link.document]
                                                           : std::u16string());
        row.push_back(Decimal(static_cast<long long>(numbers[index])));
        row.emplace_back(MarkText(link.mark));
        row.push_back(link.fileName);
        row.push_back(link.path);
        row.push_back(OutcomeText(link));
        rows.push_back(std::move(row));
    }
    return rows;
}

std::u16string PlainField(std::u16string field) {
    for (char16_t& c : field)
        if (c == u'\t' || c == u'\r' || c == u'\n')
            c = u' ';
    return field;
}

std::u16string CsvField(const std::u16string& field) {
    if (field.find_first_of(u",\"\r\n") == std::u16string::npos)
        return field;
    std::u16string quoted = u"\"";
    for (const char16_t c : field) {
        if (c == u'"')
            quoted += u'"';
        quoted += c;
    }
    quoted += u'"';
    return quoted;
}

template <typename FieldForm>
std::u16string Joined(const std::vector<Row>& rows, char16_t separator, FieldForm form) {
    std::u16string text;
    for (const Row& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i > 0)
                text += separator;
            text += form(row[i]);
        }
        text += kLineEnd;
    }
    return text;
}

} // namespace

std::u16string LinksAsText(const Links& links, const DocumentPaths& documents,
                           std::span<const std::size_t> indexes) {
    return Joined(TableOf(links, documents, indexes), u'\t', PlainField);
}

std::string LinksAsCsv(const Links& links, const DocumentPaths& documents,
                       std::span<const std::size_t> indexes) {
    return "\xEF\xBB\xBF" + Utf8Of(Joined(TableOf(links, documents, indexes), u',', CsvField));
}

std::u16string CsvFileName(const DocumentPaths& documents) {
    constexpr std::u16string_view kSuffix = u"リンク.csv";
    if (documents.empty())
        return std::u16string(kSuffix);
    std::u16string_view name = FileNameOf(documents.front());
    const auto dot = name.rfind(u'.');
    if (dot != std::u16string_view::npos && dot > 0)
        name = name.substr(0, dot);
    return std::u16string(name) + u"_" + std::u16string(kSuffix);
}

} // namespace marovan
