#include "main/CollectionRun.h"

#include "base/Failure.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "main/Collecting.h"
#include "main/Extraction.h"
#include "main/FolderSearch.h"
#include "main/LinkTable.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <memory>
#include <new>
#include <set>
#include <vector>

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
// asked for. Nothing before the first bytes of the record marker can change
// the links, so the text is decoded only from a character start before them,
// a document without them is not decoded at all, and the bytes before them
// are let go as the reading goes on. What `bytes` hold at the end.
enum class HeldBytes { Whole, FromStart, FromRecord };
HeldBytes ReadUntilRecordEnds(std::u16string_view path, RunView& view, RunSystem& system,
                              LinkRecordScanner& scanner, DocumentBytes& bytes) {
    const auto reader = system.OpenDocument(path);
    const CodePageShape codePage = system.AnsiCodePage();
    std::optional<std::size_t> decoded; // from the marker's character start on
    bool headLetGo = false;
    // NUL bytes are turned into commas only in the bytes that are kept: the
    // search and the character starts read them alike.
    std::size_t converted = 0;
    const auto convertHeld = [&] {
        ConvertNulBytes(std::span(bytes).subspan(converted), view);
        converted = bytes.size();
    };
    for (;;) {
        const bool atEnd = reader->ReadPiece(bytes) == 0;
        if (!decoded) {
            const std::size_t marker = FindRecordMarker(bytes);
            if (marker != std::string_view::npos) {
                decoded = CharacterStartAtOrBefore(bytes, marker, codePage);
            } else {
                // Only the last few bytes may begin a marker that the next
                // piece ends; they are kept from a character start on.
                const std::size_t tail = std::min(bytes.size(), kRecordMarkerLength - 1);
                const std::size_t letGo =
                    CharacterStartAtOrBefore(bytes, bytes.size() - tail, codePage);
                bytes.erase(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(letGo));
                headLetGo = headLetGo || letGo != 0;
                converted = 0;
            }
        }
        if (decoded) {
            convertHeld();
            *decoded +=
                ScanForLinks(std::span(bytes).subspan(*decoded), atEnd, view, system, scanner);
        }
        if (atEnd || scanner.Done()) {
            scanner.Finish();
            convertHeld();
            if (headLetGo)
                return HeldBytes::FromRecord;
            return atEnd ? HeldBytes::Whole : HeldBytes::FromStart;
        }
        view.KeepResponsive();
    }
}

void SizeColumns(RunView& view, const Links& links, const DocumentPaths& documents) {
    for (int column : {kFileName, kPath}) {
        const std::u16string text =
            CellText(links, documents, column, LongestCellRow(links, documents, column));
        int width = view.TextWidth(text);
        if (const int row = LongestDocumentRow(links, documents); row >= 0 && column == kFileName)
            width = std::max(width, view.BoldTextWidth(CellText(links, documents, column, row)));
        view.SetColumnWidth(column, width + view.ScaledWidth(50));
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

// The subfolder searches of a run: one per document folder, each folder's
// tree listed at most once however many documents and links need it.
class SubfolderSearches {
public:
    SubfolderSearches(RunView& view, RunSystem& system)
        : view_(view)
        , system_(system) {}

    SubfolderSearch& For(std::u16string_view documentPath) {
        const std::u16string_view folder = FolderPartOf(documentPath);
        auto& search = searches_[FoldedName(folder)];
        if (!search)
            search = std::make_unique<SubfolderSearch>(system_, folder,
                                                       [this] { view_.KeepResponsive(); });
        return *search;
    }
    bool LimitReached() const {
        return std::any_of(searches_.begin(), searches_.end(),
                           [](const auto& entry) { return entry.second->LimitReached(); });
    }

private:
    RunView& view_;
    RunSystem& system_;
    std::map<std::u16string, std::unique_ptr<SubfolderSearch>> searches_;
};

// A document's progress: three steps while it is read, one once its links
// are marked (and then one per link as it is copied). A document a batch
// gives up on takes the rest of these steps at once, so the bar still ends
// full.
class DocumentProgress {
public:
    explicit DocumentProgress(RunView& view)
        : view_(view) {}
    void Step() {
        view_.StepProgress();
        ++taken_;
    }
    void SkipRest() {
        while (taken_ < kSteps)
            Step();
    }
    static constexpr int kSteps = 4;

private:
    RunView& view_;
    int taken_ = 0;
};

// The bar's maximum, which grows as the links of placed files are added, so
// that the bar still ends full.
class ProgressBar {
public:
    explicit ProgressBar(RunView& view)
        : view_(view) {}
    void SetMaximum(int maximum) {
        maximum_ = maximum;
        view_.SetProgressMax(maximum_);
    }
    void Grow(int steps) { SetMaximum(maximum_ + steps); }

private:
    RunView& view_;
    int maximum_ = 0;
};

// The documents a run has read, as the file system compares their paths:
// none is read twice, so files that place each other do not go round.
class DocumentsRead {
public:
    // Whether `path` had not been read yet; it counts as read from now on.
    bool FirstTime(std::u16string_view path) { return folded_.insert(FoldedName(path)).second; }

private:
    std::set<std::u16string> folded_;
};

// Links read from placed files go at most this many levels below their
// document.
constexpr int kNestingLevelLimit = 8;

// Whether a file's links are collected too: the kinds that can place images
// of their own.
bool PlacesLinks(std::u16string_view fileName) {
    const std::u16string name = FoldedName(fileName);
    return name.ends_with(u".AI") || name.ends_with(u".PDF") || name.ends_with(u".EPS");
}

// What every document of a run is collected with: the searches, the
// destination and the documents read are shared, so that a folder is listed
// once and a name holds one image across documents and the files they place.
struct RunCollection {
    RunCollection(RunView& view, RunSystem& system, const RunOptions& options,
                  std::u16string_view destination)
        : view(view)
        , system(system)
        , options(options)
        , locator(view, system)
        , searches(view, system)
        , collector(system, destination, [this] { this->view.KeepResponsive(); })
        , bar(view) {}
    RunCollection(const RunCollection&) = delete;
    RunCollection& operator=(const RunCollection&) = delete;

    RunView& view;
    RunSystem& system;
    const RunOptions& options;
    Locator locator;
    SubfolderSearches searches;
    Collector collector;
    ProgressBar bar;
    DocumentsRead read;
};

// The links of one document: they follow each other in the run's links.
struct LinkSpan {
    std::size_t first;
    std::size_t end;
};

LinkSpan LinksOfDocument(const Links& links, std::uint32_t document) {
    const auto first = std::find_if(links.begin(), links.end(),
                                    [&](const Link& link) { return link.document == document; });
    const auto end = std::find_if(first, links.end(),
                                  [&](const Link& link) { return link.document != document; });
    return {static_cast<std::size_t>(first - links.begin()),
            static_cast<std::size_t>(end - links.begin())};
}

void MarkLinks(RunView& view, Locator& locator, SubfolderSearches& searches,
               const RunOptions& options, std::u16string_view documentPath, Links& links,
               LinkSpan span) {
    for (std::size_t index = span.first; index < span.end; ++index) {
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
                if (auto deeper = searches.For(documentPath).Find(link.fileName)) {
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
}

// The paths of the link record of a file a document places, read as a
// document is, up to the end of its record; none without one. The debug view
// keeps the document's own text. Throws CannotOpenDocument when it cannot be
// read.
std::vector<std::u16string> PlacedLinkPaths(RunView& view, RunSystem& system,
                                            std::u16string_view path) {
    LinkRecordScanner scanner;
    try {
        DocumentBytes bytes;
        ReadUntilRecordEnds(path, view, system, scanner, bytes);
    } catch (const std::bad_alloc&) {
        throw CannotOpenDocument(path, system.OutOfMemoryDescription());
    }
    return scanner.Paths();
}

// Reads the links of the file the link at `index` brought into the
// destination, when it is a kind that places images, not too deep and not
// read before, and inserts them right after it, marked; how many. A file that
// cannot be read adds none, and its own link keeps its outcome.
std::size_t InsertPlacedLinks(RunCollection& run, Links& links, const DocumentPaths& documents,
                              std::size_t index) {
    const Link& placing = links[index];
    const bool collected = placing.outcome == Outcome::Copied ||
                           placing.outcome == Outcome::AlreadyThere ||
                           placing.outcome == Outcome::Replaced;
    if (!collected || !PlacesLinks(placing.fileName) || placing.depth >= kNestingLevelLimit ||
        !run.read.FirstTime(placing.source))
        return 0;
    std::vector<std::u16string> paths;
    try {
        paths = PlacedLinkPaths(run.view, run.system, placing.source);
    } catch (const CannotOpenDocument&) {
        return 0;
    }
    if (paths.empty())
        return 0;

    const std::u16string placedDocument = placing.source;
    std::vector<Link> placed(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        placed[i].path = std::move(paths[i]);
        placed[i].fileName = FileNameOf(placed[i].path);
        placed[i].document = placing.document;
        placed[i].depth = static_cast<std::uint8_t>(placing.depth + 1);
    }
    const LinkSpan span{index + 1, index + 1 + placed.size()};
    links.insert(links.begin() + static_cast<std::ptrdiff_t>(span.first),
                 std::make_move_iterator(placed.begin()), std::make_move_iterator(placed.end()));
    run.view.LinksInserted(span.first, span.end - span.first);
    run.bar.Grow(static_cast<int>(span.end - span.first));
    SizeColumns(run.view, links, documents);
    // Beside, and below, the placed file's own folder.
    MarkLinks(run.view, run.locator, run.searches, run.options, placedDocument, links, span);
    return span.end - span.first;
}

// Copies the images of `span` in row order. With Nested Links, the links of
// a placed file come right after it and are collected next, so that the
// files are followed depth first.
void CollectImages(RunCollection& run, Links& links, const DocumentPaths& documents,
                   LinkSpan span) {
    RunView& view = run.view;
    for (std::size_t index = span.first; index < span.end; ++index) {
        view.StepProgress();
        Link& link = links[index];
        if (link.IsFound()) {
            Collector::Result result = run.collector.Collect(link.source, link.fileName);
            link.outcome = result.outcome;
            link.reason = std::move(result.reason);
        } else {
            link.outcome = Outcome::NotFound;
        }
        view.LinkChanged(index);
        view.KeepResponsive();
        if (run.options.nestedLinks)
            span.end += InsertPlacedLinks(run, links, documents, index);
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

// Reads one document into the debug view and appends its links, tagged with
// `document`; whether it holds a link record. Throws Failure when it cannot
// be read.
bool ReadLinksOf(RunView& view, RunSystem& system, std::u16string_view documentPath,
                 std::uint32_t document, Links& links, DocumentProgress& progress) {
    LinkRecordScanner scanner;
    {
        DocumentRedrawGuard redraw(view);
        progress.Step();
        view.SetStatus(u"ファイル読込中...");
        try {
            // Conversion and decoding go on piece by piece while the document
            // is read; their steps are still shown, as they always were.
            DocumentBytes bytes;
            const HeldBytes held = ReadUntilRecordEnds(documentPath, view, system, scanner, bytes);
            progress.Step();
            view.SetStatus(u"読込データ変換中...");
            view.SetStatus(u"変換済データ展開中...");
            // Without its start the view reads the whole document itself.
            view.SetDocument(held == HeldBytes::FromRecord ? DocumentBytes() : std::move(bytes),
                             documentPath, held == HeldBytes::Whole);
        } catch (const std::bad_alloc&) {
            throw CannotOpenDocument(documentPath, system.OutOfMemoryDescription());
        }
    }
    progress.Step();
    view.SetStatus(u"画像パス情報抽出中...");

    for (const auto& path : scanner.Paths()) {
        Link& link = links.emplace_back();
        link.path = path;
        link.fileName = FileNameOf(path);
        link.document = document;
        view.LinkAdded();
    }
    return scanner.Found();
}

// Marks the links of one document and copies their images (the document
// first, when asked); what went wrong with the document's copy, if anything.
std::optional<std::u16string> CollectLinksOf(RunCollection& run, std::u16string_view documentPath,
                                             std::uint32_t document, Links& links,
                                             const DocumentPaths& documents,
                                             DocumentProgress& progress) {
    const LinkSpan span = LinksOfDocument(links, document);
    MarkLinks(run.view, run.locator, run.searches, run.options, documentPath, links, span);
    if (run.searches.LimitReached())
        run.view.SetStatus(kSubfolderLimitStatus);
    progress.Step();
    std::optional<std::u16string> documentCopyFailure;
    if (run.options.aiCopy)
        documentCopyFailure = CollectDocument(run.collector, documentPath);
    CollectImages(run, links, documents, span);
    return documentCopyFailure;
}

int FailuresAmong(const Links& links, LinkSpan span) {
    // An image found but not collected has failed as surely as a missing one.
    return static_cast<int>(std::count_if(links.begin() + static_cast<std::ptrdiff_t>(span.first),
                                          links.begin() + static_cast<std::ptrdiff_t>(span.end),
                                          [](const Link& link) { return link.Failed(); }));
}

// How one document of a batch went.
struct DocumentEnd {
    enum class Kind { Collected, CannotOpen, NoLinkRecord };
    Kind kind = Kind::Collected;
    int links = 0;
    int failures = 0;
    std::u16string reason;                             // why it cannot be opened
    std::optional<std::u16string> documentCopyFailure; // with AI Copy
};

// The run's summary for every link of the batch; with more than one document,
// or with a lone document that gave nothing, a line per document follows.
Summary BatchSummaryOf(const DocumentPaths& documents, const std::vector<DocumentEnd>& ends) {
    int links = 0;
    int failures = 0;
    bool documentFailed = false;
    for (const DocumentEnd& end : ends) {
        links += end.links;
        failures += end.failures;
        documentFailed = documentFailed || end.kind != DocumentEnd::Kind::Collected ||
                         end.documentCopyFailure.has_value();
    }
    if (ends.size() == 1 && ends[0].kind == DocumentEnd::Kind::Collected)
        return SummaryOf(links, failures, ends[0].documentCopyFailure);
    Summary summary = SummaryOf(links, failures);
    for (std::size_t i = 0; i < ends.size(); ++i) {
        const DocumentEnd& end = ends[i];
        summary.text += u"\r\n";
        summary.text += FileNameOf(documents[i]);
        switch (end.kind) {
        case DocumentEnd::Kind::Collected:
            summary.text += u"：成功 " + Decimal(end.links - end.failures) + u"個 / 失敗 " +
                            Decimal(end.failures) + u"個";
            if (end.documentCopyFailure)
                summary.text +=
                    u"\r\nAIファイルをコピーできませんでした：" + *end.documentCopyFailure;
            break;
        case DocumentEnd::Kind::CannotOpen:
            summary.text += u"：開けません（" + end.reason + u"）";
            break;
        case DocumentEnd::Kind::NoLinkRecord:
            summary.text += u"：リンク情報は見つかりませんでした";
            break;
        }
    }
    if (documentFailed)
        summary.kind = MessageKind::Error;
    return summary;
}

// What both a run and a batch begin with: everything of the last one
// cleared, the options read and the destination asked for; nothing when the
// folder prompt was cancelled.
struct RunStart {
    RunOptions options;
    std::u16string destination;
};
std::optional<RunStart> StartRun(RunView& view, RunSystem& system, Links& links,
                                 DocumentPaths& documents) {
    links.clear();
    documents.clear();
    view.ClearDetails();

    view.SetStatus(u"デスクトップパス取得中...");
    const std::u16string desktop = system.DesktopPath();
    RunStart start{system.ReadRunOptions(), {}};

    view.SetStatus(u"リンクデータ収集フォルダの指定を待機中...");
    auto destination = system.PromptFolder(kFolderPromptText, desktop);
    if (!destination) {
        view.SetDestinationLine(u"");
        view.SetStatus(u"");
        return std::nullopt;
    }
    view.SetDestinationLine(u"\u3000\u3000" + *destination);
    view.StepProgress();
    start.destination = std::move(*destination);
    return start;
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

CannotOpenDocument::CannotOpenDocument(std::u16string_view path, std::u16string_view description)
    : Failure(CannotOpenMessage(path, description))
    , description_(TrimmedDescription(description)) {}

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

RunEnd CollectionRun(RunView& view, RunSystem& system, Links& links, DocumentPaths& documents,
                     std::u16string_view suggestedDocument) {
    const auto start = StartRun(view, system, links, documents);
    if (!start)
        return RunEnd::FolderCancelled;
    const auto& [options, destination] = *start;
    view.SetStatus(u"AIファイルの指定を待機中...");

    const auto documentPath = system.PromptDocument(suggestedDocument);
    if (!documentPath) {
        view.SetDestinationLine(u"");
        view.SetStatus(u"");
        return RunEnd::DocumentCancelled;
    }
    documents.push_back(*documentPath);
    view.DocumentsChosen(destination);

    DocumentProgress progress(view);
    if (!ReadLinksOf(view, system, *documentPath, 0, links, progress)) {
        view.ShowMessage(MessageKind::Error, kNoLinkMessage);
        return RunEnd::NoLinkRecord;
    }

    RunCollection run(view, system, options, destination);
    run.read.FirstTime(*documentPath);
    run.bar.SetMaximum(RowCount(links) + 3);
    view.SetStatus(u"詳細リスト整形中...");
    SizeColumns(view, links, documents);

    view.SetStatus(u"リンク画像ファイルのコピー中...");
    const std::optional<std::u16string> documentCopyFailure =
        CollectLinksOf(run, *documentPath, 0, links, documents, progress);
    if (options.folderOpen)
        system.OpenFolder(destination);

    view.SetStatus(u"収集結果の計算中...");
    const int failures = FailuresAmong(links, {0, links.size()});
    view.SetStatus(run.searches.LimitReached() ? kSubfolderLimitStatus : u"");
    const Summary summary =
        SummaryOf(static_cast<int>(links.size()), failures, documentCopyFailure);
    view.ShowMessage(summary.kind, summary.text);
    return RunEnd::Completed;
}

BatchEnd CollectBatch(RunView& view, RunSystem& system, std::span<const std::u16string> dropped,
                      Links& links, DocumentPaths& documents) {
    DocumentPaths batch;
    for (const std::u16string& path : dropped)
        if (!system.IsFolder(path))
            batch.push_back(path);
    if (batch.empty())
        return BatchEnd::NothingDropped;

    const auto start = StartRun(view, system, links, documents);
    if (!start)
        return BatchEnd::FolderCancelled;
    const auto& [options, destination] = *start;
    documents = std::move(batch);
    view.DocumentsChosen(destination);
    // The bar covers the whole batch: every document's fixed steps from the
    // start, and its links once they are known.
    RunCollection run(view, system, options, destination);
    run.bar.SetMaximum(1 + DocumentProgress::kSteps * static_cast<int>(documents.size()));
    // A document of the batch is read as such, not as a file another places.
    for (const std::u16string& documentPath : documents)
        run.read.FirstTime(documentPath);

    std::vector<DocumentEnd> ends;
    for (std::uint32_t document = 0; document < documents.size(); ++document) {
        const std::u16string& documentPath = documents[document];
        DocumentEnd& end = ends.emplace_back();
        DocumentProgress progress(view);
        try {
            if (!ReadLinksOf(view, system, documentPath, document, links, progress))
                end.kind = DocumentEnd::Kind::NoLinkRecord;
        } catch (const CannotOpenDocument& failure) {
            end.kind = DocumentEnd::Kind::CannotOpen;
            end.reason = failure.Description();
        }
        if (end.kind != DocumentEnd::Kind::Collected) {
            // Whatever it may have found before giving up, it adds no links.
            links.erase(links.begin() +
                            static_cast<std::ptrdiff_t>(LinksOfDocument(links, document).first),
                        links.end());
            progress.SkipRest();
            continue;
        }
        const LinkSpan read = LinksOfDocument(links, document);
        run.bar.Grow(static_cast<int>(read.end - read.first));
        view.SetStatus(u"詳細リスト整形中...");
        SizeColumns(view, links, documents);

        view.SetStatus(u"リンク画像ファイルのコピー中...");
        end.documentCopyFailure =
            CollectLinksOf(run, documentPath, document, links, documents, progress);
        // With the links of the files it places.
        const LinkSpan collected = LinksOfDocument(links, document);
        end.links = static_cast<int>(collected.end - collected.first);
        end.failures = FailuresAmong(links, collected);
    }
    if (options.folderOpen)
        system.OpenFolder(destination);

    view.SetStatus(u"収集結果の計算中...");
    view.SetStatus(run.searches.LimitReached() ? kSubfolderLimitStatus : u"");
    const Summary summary = BatchSummaryOf(documents, ends);
    view.ShowMessage(summary.kind, summary.text);
    return BatchEnd::Completed;
}

} // namespace marovan
