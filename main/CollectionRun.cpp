#include "main/CollectionRun.h"

#include "base/Failure.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "main/Collecting.h"
#include "main/Extraction.h"
#include "main/FolderSearch.h"
#include "main/LinkTable.h"

#include <algorithm>
#include <new>
#include <set>

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

void ConvertNulBytes(std::span<std::uint8_t> rest, RunView& view) {
    while (!rest.empty()) {
        const auto chunk = rest.first(std::min(rest.size(), kConversionChunk));
        ReplaceNulBytes(chunk);
        rest = rest.subspan(chunk.size());
        view.KeepResponsive();
    }
}

// Decodes the whole characters of `bytes` piece by piece into the scanner,
// until the link record has ended: the rest of the text cannot change the
// links. With `atEnd`, `bytes` end the document and are decoded to their
// last byte. The number of bytes decoded.
std::size_t ScanForLinks(std::span<const std::uint8_t> bytes, bool atEnd, RunView& view,
                         RunSystem& system, LinkRecordScanner& scanner) {
    const CodePageShape codePage = system.AnsiCodePage();
    std::u16string piece;
    std::size_t decoded = 0;
    while (decoded < bytes.size() && !scanner.Done()) {
        const auto rest = bytes.subspan(decoded);
        const std::size_t length =
            atEnd && rest.size() <= kConversionChunk
                ? rest.size()
                : WholeCharacterPrefix(rest.first(std::min(rest.size(), kConversionChunk)),
                                       codePage);
        // A character cut by the end of what was read waits for the next piece.
        if (length == 0)
            break;
        piece.clear();
        system.DecodeAppend(rest.first(length), piece);
        scanner.Feed(piece);
        decoded += length;
        view.KeepResponsive();
    }
    return decoded;
}

// Reads the document a piece at a time, converting and scanning each as it
// arrives, and stops once the link record has ended (only a document without
// one is read to its end). A part that could not be read after that is never
// asked for. Whether the whole document was read.
bool ReadUntilRecordEnds(std::u16string_view path, RunView& view, RunSystem& system,
                         LinkRecordScanner& scanner, DocumentBytes& bytes) {
    const auto reader = system.OpenDocument(path);
    std::size_t decoded = 0;
    for (;;) {
        const std::size_t held = bytes.size();
        const bool atEnd = reader->ReadPiece(bytes) == 0;
        ConvertNulBytes(std::span(bytes).subspan(held), view);
        decoded += ScanForLinks(std::span(bytes).subspan(decoded), atEnd, view, system, scanner);
        if (atEnd || scanner.Done()) {
            scanner.Finish();
            return atEnd;
        }
        view.KeepResponsive();
    }
}

void SizeColumns(RunView& view, const Links& links) {
    for (int column : {kFileName, kPath}) {
        const std::u16string text = CellText(links, column, LongestCellRow(links, column));
        view.SetColumnWidth(column, view.TextWidth(text) + view.ScaledWidth(50));
    }
}

// Tests where images are. A share's host that has not answered in time is not
// asked again in this run.
class Locator {
public:
    Locator(RunView& view, RunSystem& system)
        : view_(view)
        , system_(system) {}

    RunSystem::Presence Locate(std::u16string_view path) {
        const std::u16string host = FoldedHost(path);
        if (!host.empty() && silentHosts_.contains(host))
            return RunSystem::Presence::SilentHost;
        const auto presence = system_.Locate(path, [this] { view_.KeepResponsive(); });
        if (presence == RunSystem::Presence::SilentHost)
            silentHosts_.insert(host);
        return presence;
    }

private:
    // Host names know no case.
    static std::u16string FoldedHost(std::u16string_view path) {
        std::u16string host(HostOf(path));
        for (char16_t& c : host)
            if (c >= u'a' && c <= u'z')
                c = static_cast<char16_t>(c - u'a' + u'A');
        return host;
    }

    RunView& view_;
    RunSystem& system_;
    std::set<std::u16string> silentHosts_;
};

// Whether the subfolder search left folders unlisted.
bool MarkLinks(RunView& view, RunSystem& system, const RunOptions& options,
               std::u16string_view documentPath, Links& links) {
    Locator locator(view, system);
    SubfolderSearch subfolders(system, FolderPartOf(documentPath),
                               [&view] { view.KeepResponsive(); });
    for (std::size_t index = 0; index < links.size(); ++index) {
        Link& link = links[index];
        link.mark = Mark::Missing;
        // Only a full path names the same file whatever the current folder.
        const auto atPath =
            IsFullPath(link.path) ? locator.Locate(link.path) : RunSystem::Presence::NoFile;
        if (atPath == RunSystem::Presence::File) {
            link.mark = Mark::Found;
            link.source = link.path;
        } else if (options.errSearch) {
            std::u16string beside = BesideDocument(documentPath, link.fileName);
            const auto besidePresence = locator.Locate(beside);
            if (besidePresence == RunSystem::Presence::File) {
                link.mark = Mark::Beside;
                link.source = std::move(beside);
            } else if (options.subSearch && besidePresence == RunSystem::Presence::NoFile) {
                if (auto deeper = subfolders.Find(link.fileName)) {
                    link.mark = Mark::Beside;
                    link.source = std::move(*deeper);
                }
            }
        }
        if (link.mark == Mark::Missing && atPath == RunSystem::Presence::SilentHost)
            link.reason = HostOf(link.path);
        view.LinkChanged(index);
        // A link to a slow or unreachable share can take seconds to test.
        view.KeepResponsive();
    }
    return subfolders.LimitReached();
}

void CollectImages(RunView& view, Collector& collector, Links& links) {
    for (std::size_t index = 0; index < links.size(); ++index) {
        view.StepProgress();
        Link& link = links[index];
        if (link.IsFound()) {
            Collector::Result result = collector.Collect(link.source, link.fileName);
            link.outcome = result.outcome;
            link.reason = std::move(result.reason);
        } else {
            link.outcome = Outcome::NotFound;
        }
        view.LinkChanged(index);
        view.KeepResponsive();
    }
}

// Copies the document itself by the same rules as its images; what went
// wrong, if anything.
std::optional<std::u16string> CollectDocument(Collector& collector,
                                              std::u16string_view documentPath) {
    Link document;
    document.path = documentPath;
    document.source = documentPath;
    const Collector::Result result = collector.Collect(documentPath, FileNameOf(documentPath));
    if (Collected(result.outcome))
        return std::nullopt;
    if (result.outcome == Outcome::Refused)
        return std::u16string(TrimmedReason(result.reason));
    document.outcome = result.outcome;
    return OutcomeText(document);
}

} // namespace

std::u16string CannotOpenMessage(std::u16string_view path, std::u16string_view description) {
    std::u16string text = u"ファイル ";
    text += path;
    text += u" は開けません。 ";
    text += TrimmedDescription(description);
    text += u' ';
    return text;
}

std::u16string BesideDocument(std::u16string_view documentPath, std::u16string_view fileName) {
    return JoinPath(FolderPartOf(documentPath), fileName);
}

Summary SummaryOf(int links, int failures,
                  const std::optional<std::u16string>& documentCopyFailure) {
    Summary summary;
    if (failures == 0)
        summary = {MessageKind::Information,
                   u"画像収集が完了しました。\r\n成功：  " + Decimal(links) + u"個\r\n失敗：  0個"};
    else
        summary = {MessageKind::Error, u"一部画像の収集を失敗しました！\r\n成功：  " +
                                           Decimal(links - failures) + u"個\r\n失敗：  " +
                                           Decimal(failures) + u"個"};
    if (documentCopyFailure) {
        summary.kind = MessageKind::Error;
        summary.text += u"\r\nAIファイルをコピーできませんでした：" + *documentCopyFailure;
    }
    return summary;
}

RunEnd CollectionRun(RunView& view, RunSystem& system, Links& links,
                     std::u16string_view suggestedDocument) {
    links.clear();
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

    const auto documentPath = system.PromptDocument(suggestedDocument);
    if (!documentPath) {
        view.SetDestinationLine(u"");
        view.SetStatus(u"");
        return RunEnd::DocumentCancelled;
    }
    view.DocumentChosen(*destination, *documentPath);

    LinkRecordScanner scanner;
    {
        DocumentRedrawGuard redraw(view);
        view.StepProgress();
        view.SetStatus(u"ファイル読込中...");
        try {
            // Conversion and decoding go on piece by piece while the document
            // is read; their steps are still shown, as they always were.
            DocumentBytes bytes;
            const bool whole = ReadUntilRecordEnds(*documentPath, view, system, scanner, bytes);
            view.StepProgress();
            view.SetStatus(u"読込データ変換中...");
            view.SetStatus(u"変換済データ展開中...");
            view.SetDocument(std::move(bytes), *documentPath, whole);
        } catch (const std::bad_alloc&) {
            throw Failure(CannotOpenMessage(*documentPath, system.OutOfMemoryDescription()));
        }
    }
    view.StepProgress();
    view.SetStatus(u"画像パス情報抽出中...");

    for (const auto& path : scanner.Paths()) {
        Link& link = links.emplace_back();
        link.path = path;
        link.fileName = FileNameOf(path);
        view.LinkAdded();
    }
    if (!scanner.Found()) {
        view.ShowMessage(MessageKind::Error, kNoLinkMessage);
        return RunEnd::NoLinkRecord;
    }

    view.SetProgressMax(RowCount(links) + 3);
    view.SetStatus(u"詳細リスト整形中...");
    SizeColumns(view, links);

    view.SetStatus(u"リンク画像ファイルのコピー中...");
    const bool subfolderLimitReached = MarkLinks(view, system, options, *documentPath, links);
    const std::u16string_view endStatus = subfolderLimitReached ? kSubfolderLimitStatus : u"";
    if (subfolderLimitReached)
        view.SetStatus(kSubfolderLimitStatus);
    view.StepProgress();
    Collector collector(system, *destination, [&view] { view.KeepResponsive(); });
    std::optional<std::u16string> documentCopyFailure;
    if (options.aiCopy)
        documentCopyFailure = CollectDocument(collector, *documentPath);
    CollectImages(view, collector, links);
    if (options.folderOpen)
        system.OpenFolder(*destination);

    view.SetStatus(u"収集結果の計算中...");
    // An image found but not collected has failed as surely as a missing one.
    const auto failures =
        std::count_if(links.begin(), links.end(), [](const Link& link) { return link.Failed(); });
    view.SetStatus(endStatus);
    const Summary summary =
        SummaryOf(static_cast<int>(links.size()), static_cast<int>(failures), documentCopyFailure);
    view.ShowMessage(summary.kind, summary.text);
    return RunEnd::Completed;
}

} // namespace marovan
