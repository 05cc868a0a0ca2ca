#include "main/CollectionRun.h"

#include "main/Extraction.h"
#include "main/Failure.h"
#include "main/Text.h"

#include <new>

namespace marovan {

namespace {

// The conversion and the decoding hand control to the interface after every
// chunk of this size; the view decides whether events are due, so the loops
// run at the machine's speed while the window still repaints and takes input.
constexpr std::size_t kConversionChunk = 64 * 1024;

class DocumentRedrawGuard {
public:
    explicit DocumentRedrawGuard(RunView& view)
        : view_(view) {
        view_.BeginDocumentText();
    }
    ~DocumentRedrawGuard() { view_.ResumeDocumentRedraw(); }
    DocumentRedrawGuard(const DocumentRedrawGuard&) = delete;
    DocumentRedrawGuard& operator=(const DocumentRedrawGuard&) = delete;

private:
    RunView& view_;
};

void ConvertNulBytes(DocumentBytes& bytes, RunView& view) {
    std::span<std::uint8_t> rest(bytes);
    while (!rest.empty()) {
        const auto chunk = rest.first(std::min(rest.size(), kConversionChunk));
        ReplaceNulBytes(chunk);
        rest = rest.subspan(chunk.size());
        view.KeepResponsive();
    }
}

// Decodes the document piece by piece into the scanner, and stops as soon as
// the link record has ended: the rest of the text cannot change the links.
void ScanForLinks(std::span<const std::uint8_t> bytes, RunView& view, RunSystem& system,
                  LinkRecordScanner& scanner) {
    const LeadBytes lead = system.AnsiLeadBytes();
    std::u16string piece;
    while (!bytes.empty() && !scanner.Done()) {
        const std::size_t length = bytes.size() <= kConversionChunk
                                       ? bytes.size()
                                       : WholeCharacterPrefix(bytes.first(kConversionChunk), lead);
        piece.clear();
        system.DecodeAppend(bytes.first(length), piece);
        scanner.Feed(piece);
        bytes = bytes.subspan(length);
        view.KeepResponsive();
    }
    scanner.Finish();
}

// Index of the first longest cell of `column`, over every row.
int LongestCellRow(const LinkTable& links, int column) {
    int longest = 0;
    for (int row = 1; row < links.RowCount(); ++row)
        if (links.Cell(column, row).size() > links.Cell(column, longest).size())
            longest = row;
    return longest;
}

void SizeColumns(RunView& view) {
    const LinkTable& links = view.Links();
    for (int column : {kFileName, kPath}) {
        const auto& text = links.Cell(column, LongestCellRow(links, column));
        view.SetColumnWidth(column, view.TextWidth(text) + view.ScaledWidth(50));
    }
}

void MarkLinks(RunView& view, RunSystem& system, const RunOptions& options,
               std::u16string_view documentPath) {
    const LinkTable& links = view.Links();
    for (int row = 1; row <= links.LinkCount(); ++row) {
        std::u16string_view mark = kMarkMissing;
        if (system.FileExists(links.Cell(kPath, row)))
            mark = kMarkFound;
        else if (options.errSearch &&
                 system.FileExists(BesideDocument(documentPath, links.Cell(kFileName, row))))
            mark = kMarkBeside;
        view.SetMark(row, mark);
        // A link to a slow or unreachable share can take seconds to test.
        view.KeepResponsive();
    }
}

// Copies what was found; the number of copies the system refused.
int CopyFoundImages(RunView& view, RunSystem& system, std::u16string_view documentPath,
                    std::u16string_view destination) {
    const LinkTable& links = view.Links();
    int refused = 0;
    for (int row = 1; row <= links.LinkCount(); ++row) {
        view.StepProgress();
        const auto& mark = links.Cell(kResult, row);
        if (mark == kMarkFound)
            refused += !system.CopyIntoFolder(links.Cell(kPath, row), destination);
        else if (mark == kMarkBeside)
            refused += !system.CopyIntoFolder(
                BesideDocument(documentPath, links.Cell(kFileName, row)), destination);
        view.KeepResponsive();
    }
    return refused;
}

int CountMissing(const LinkTable& links) {
    int missing = 0;
    for (int row = 1; row <= links.LinkCount(); ++row)
        missing += links.Cell(kResult, row) == kMarkMissing;
    return missing;
}

} // namespace

std::u16string CannotOpenMessage(std::u16string_view path, std::u16string_view description) {
    while (!description.empty() && (description.back() <= u' ' || description.back() == u'.'))
        description.remove_suffix(1);
    std::u16string text = u"ファイル ";
    text += path;
    text += u" は開けません。 ";
    text += description;
    text += u' ';
    return text;
}

std::u16string BesideDocument(std::u16string_view documentPath, std::u16string_view fileName) {
    const std::size_t separator = documentPath.find_last_of(u"\\/:");
    std::u16string folder(
        documentPath.substr(0, separator == std::u16string_view::npos ? 0 : separator + 1));
    if (!folder.empty() && folder.back() == u':')
        folder += u'\\';
    if (folder.empty() || (folder.back() != u'\\' && folder.back() != u'/'))
        folder += u'\\';
    return folder + std::u16string(fileName);
}

Summary SummaryOf(int links, int failures) {
    if (failures == 0)
        return {MessageKind::Information,
                u"画像収集が完了しました。\r\n成功：  " + Decimal(links) + u"個\r\n失敗：  0個"};
    return {MessageKind::Error, u"一部画像の収集を失敗しました！\r\n成功：  " +
                                    Decimal(links - failures) + u"個\r\n失敗：  " +
                                    Decimal(failures) + u"個"};
}

RunEnd CollectionRun(RunView& view, RunSystem& system) {
    view.ClearDetails();

    view.SetStatus(u"デスクトップパス取得中...");
    const std::u16string desktop = system.DesktopPath();
    const RunOptions options = system.ReadRunOptions();

    view.SetStatus(u"リンクデータ収集フォルダの指定を待機中...");
    const auto destination = system.PromptFolder(kFolderPromptText, desktop);
    if (!destination) {
        view.SetDestinationLine(u"");
        view.SetStatus(u"");
        return RunEnd::FolderCancelled;
    }
    view.SetDestinationLine(u"\u3000\u3000" + *destination);
    view.StepProgress();
    view.SetStatus(u"AIファイルの指定を待機中...");

    const auto documentPath = system.PromptDocument();
    if (!documentPath) {
        view.SetDestinationLine(u"");
        view.SetStatus(u"");
        return RunEnd::DocumentCancelled;
    }

    LinkRecordScanner scanner;
    {
        DocumentRedrawGuard redraw(view);
        view.StepProgress();
        view.SetStatus(u"ファイル読込中...");
        try {
            DocumentBytes bytes =
                system.ReadDocument(*documentPath, [&view] { view.KeepResponsive(); });
            view.StepProgress();
            view.SetStatus(u"読込データ変換中...");
            ConvertNulBytes(bytes, view);
            view.SetStatus(u"変換済データ展開中...");
            ScanForLinks(bytes, view, system, scanner);
            view.SetDocument(std::move(bytes));
        } catch (const std::bad_alloc&) {
            throw Failure(CannotOpenMessage(*documentPath, system.OutOfMemoryDescription()));
        }
    }
    view.StepProgress();
    view.SetStatus(u"画像パス情報抽出中...");

    for (const auto& path : scanner.Paths())
        view.AddLink(path, FileNameOf(path));
    if (!scanner.Found()) {
        view.ShowMessage(MessageKind::Error, kNoLinkMessage);
        return RunEnd::NoLinkRecord;
    }

    view.SetProgressMax(view.Links().RowCount() + 3);
    view.SetStatus(u"詳細リスト整形中...");
    SizeColumns(view);

    view.SetStatus(u"リンク画像ファイルのコピー中...");
    MarkLinks(view, system, options, *documentPath);
    view.StepProgress();
    if (options.aiCopy)
        system.CopyIntoFolder(*documentPath, *destination);
    const int refused = CopyFoundImages(view, system, *documentPath, *destination);
    if (options.folderOpen)
        system.OpenFolder(*destination);

    view.SetStatus(u"収集結果の計算中...");
    // An image found but not collected has failed as surely as a missing one.
    const int failures = CountMissing(view.Links()) + refused;
    view.SetStatus(u"");
    const Summary summary = SummaryOf(view.Links().LinkCount(), failures);
    view.ShowMessage(summary.kind, summary.text);
    return RunEnd::Completed;
}

} // namespace marovan
