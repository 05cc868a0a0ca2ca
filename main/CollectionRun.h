#pragma once
// One collection run: from the two prompts to the summary message, written
// against what it needs of the main window (RunView) and of the system
// (RunSystem), so that it runs the same with the real window and a fake.

#include "base/CodePage.h"
#include "base/DocumentBytes.h"
#include "base/Failure.h"
#include "base/FileFacts.h"
#include "base/FolderListing.h"
#include "base/MessageKind.h"
#include "main/Links.h"
#include "settings/Options.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace marovan {

// The main window as a run sees it. Every change is made visible at once.
class RunView {
public:
    virtual ~RunView() = default;

    // The run's links have just been emptied: the link table, the debug view,
    // the destination line, the status line and the progress bar go back to
    // their start.
    virtual void ClearDetails() = 0;
    virtual void SetStatus(std::u16string_view text) = 0;
    virtual void StepProgress() = 0;
    virtual void SetProgressMax(int maximum) = 0;
    virtual void SetDestinationLine(std::u16string_view text) = 0;

    // The debug view: emptied and repainted, then its redrawing suspended
    // until the run hands it the document or ends. It takes the bytes the run
    // read, with their NUL bytes replaced, and decodes them itself when it is
    // shown, so that a hidden view costs no copy of the text. When the run
    // stopped reading early (`whole` false), the view reads the rest from
    // `path` itself, and only once it is shown.
    virtual void BeginDocumentText() = 0;
    virtual void SetDocument(DocumentBytes bytes, std::u16string_view path, bool whole) = 0;
    virtual void ResumeDocumentRedraw() = 0;

    // A link was appended to the run's links. The view may show added links
    // at its own pace, but shows them all before the run's next status.
    virtual void LinkAdded() = 0;
    // `count` links were inserted into the run's links at `first`: the links
    // of a file placed by the link before them. Links from `first` on have
    // moved down by `count`. Shown at the view's pace, as added links are.
    virtual void LinksInserted(std::size_t first, std::size_t count) = 0;
    // The link at `index` has changed: its mark, or what its copy did.
    virtual void LinkChanged(std::size_t index) = 0;
    // The run's documents were chosen, and the folder they are collected
    // into: a batch shows a row for each document at once.
    virtual void DocumentsChosen(std::u16string_view destination) = 0;
    // Width in pixels of `text` in the link table's font, in its bold form
    // (the documents' rows), and of a column.
    virtual int TextWidth(std::u16string_view text) = 0;
    virtual int BoldTextWidth(std::u16string_view text) = 0;
    virtual int ScaledWidth(int width96) = 0;
    virtual void SetColumnWidth(int column, int width) = 0;

    // Lets pending interface events be handled when some are due; called often
    // from the conversion loop, so it must be cheap when nothing is due.
    virtual void KeepResponsive() = 0;
    virtual void ShowMessage(MessageKind kind, std::u16string_view text) = 0;
};

// The system as a run sees it. Unexpected failures throw Failure.
class RunSystem {
public:
    virtual ~RunSystem() = default;

    virtual std::u16string DesktopPath() = 0;
    virtual RunOptions ReadRunOptions() = 0;
    virtual std::optional<std::u16string> PromptFolder(std::u16string_view prompt,
                                                       std::u16string_view initialFolder) = 0;
    // The file prompt starts on `suggested` when that names an existing
    // regular file (its folder shown, its name filled in), else with the last
    // document chosen in this instance.
    virtual std::optional<std::u16string> PromptDocument(std::u16string_view suggested) = 0;
    // Whether `path` names an existing folder.
    virtual bool IsFolder(std::u16string_view path) = 0;
    // A document opened for reading only, read from its start one piece at a
    // time, so that a run can stop as soon as it has what it needs. Opening
    // and every piece throw CannotOpenDocument when the file cannot be opened,
    // read or held in memory.
    class DocumentReader {
    public:
        virtual ~DocumentReader() = default;
        // Appends the next piece to `bytes`; the number of bytes appended, 0
        // at the end of the document.
        virtual std::size_t ReadPiece(DocumentBytes& bytes) = 0;
    };
    virtual std::unique_ptr<DocumentReader> OpenDocument(std::u16string_view path) = 0;
    // How the system's ANSI code page builds characters from bytes.
    virtual CodePageShape AnsiCodePage() = 0;
    // Decodes whole characters with the system's ANSI code page and appends
    // them to `text`; never fails.
    virtual void DecodeAppend(std::span<const std::uint8_t> bytes, std::u16string& text) = 0;
    // The system's description of running out of memory.
    virtual std::u16string OutOfMemoryDescription() = 0;

    // Whether an existing regular file is at `path`. A share's host that does
    // not answer in time gives SilentHost; `keepResponsive` is called while
    // the answer is awaited.
    enum class Presence { File, NoFile, SilentHost };
    virtual Presence Locate(std::u16string_view path,
                            const std::function<void()>& keepResponsive) = 0;
    // The size and time of an existing regular file, read without opening
    // it; nothing for anything else.
    virtual std::optional<FileFacts> FactsOf(std::u16string_view path) = 0;
    // The identity of an existing regular file; nothing for anything else.
    virtual std::optional<FileIdentity> IdentityOf(std::u16string_view path) = 0;
    // Whether two file names name one file in a folder.
    virtual bool SameFileName(std::u16string_view a, std::u16string_view b) = 0;
    // The order of file names: ordinal and without case, as the file system
    // compares them. Negative, zero or positive as `a` sorts before, with or
    // after `b`.
    virtual int CompareFileNames(std::u16string_view a, std::u16string_view b) = 0;
    // The subfolders and files of a folder; an empty listing when it cannot
    // be listed. Nothing when a share's host has not answered in time, with
    // `keepResponsive` called while the answer is awaited, as for Locate.
    virtual std::optional<FolderListing>
    ListFolder(std::u16string_view folder, const std::function<void()>& keepResponsive) = 0;
    // Copies a file to `target`, which must not exist yet, keeping its time
    // stamps and without any dialog, with `keepResponsive` called while a long
    // copy goes on. Nothing on success; the system's reason when it failed.
    virtual std::optional<std::u16string>
    CopyImage(std::u16string_view source, std::u16string_view target,
              const std::function<void()>& keepResponsive) = 0;
    // Moves a file to the Recycle Bin. Where it would be destroyed for good
    // instead, the user is asked first and may decline.
    enum class Recycling { Recycled, Declined, Failed };
    struct RecycleResult {
        Recycling result;
        std::u16string reason; // the system's, when it failed
    };
    virtual RecycleResult Recycle(std::u16string_view path) = 0;
    virtual void OpenFolder(std::u16string_view folder) = 0;
};

enum class RunEnd { FolderCancelled, DocumentCancelled, NoLinkRecord, Completed };

// Performs one run on `links` and `documents`, which it empties first and
// which keep what it found when it ends: the document chosen, and its links.
// Throws Failure for an unexpected failure; the caller shows the general
// error report. `suggestedDocument` is handed to the file prompt (a start-up
// run's argument).
RunEnd CollectionRun(RunView& view, RunSystem& system, Links& links, DocumentPaths& documents,
                     std::u16string_view suggestedDocument = {});

// The documents of a batch dropped on the window, collected together: one
// folder prompt and no file prompt, then each of `dropped` in its order, its
// folders left out, is read, marked and copied into that one folder under
// the one-name rule; one summary at the end. Nothing happens when no file is
// left. `links` and `documents` are emptied first, as by a run.
enum class BatchEnd { NothingDropped, FolderCancelled, Completed };
BatchEnd CollectBatch(RunView& view, RunSystem& system, std::span<const std::u16string> dropped,
                      Links& links, DocumentPaths& documents);

// Texts of the run, shared with tests.
inline constexpr std::u16string_view kFolderPromptText = u"画像を収集する保存フォルダを指定";
inline constexpr std::u16string_view kNoLinkMessage = u"リンク情報は見つかりませんでした。";

// "ファイル %s は開けません。 %s " with the system's description trimmed of its
// trailing blanks, control characters and full stops.
std::u16string CannotOpenMessage(std::u16string_view path, std::u16string_view description);

// A document that cannot be opened or read into memory: a Failure with the
// "cannot open" message, which keeps the system's description, trimmed, for
// a batch that reports it on a line of its own.
class CannotOpenDocument : public Failure {
public:
    CannotOpenDocument(std::u16string_view path, std::u16string_view description);
    const std::u16string& Description() const noexcept { return description_; }

private:
    std::u16string description_;
};

// The alternative location of a link: the document's folder joined with the
// link's file name.
std::u16string BesideDocument(std::u16string_view documentPath, std::u16string_view fileName);

// The summary message for n links of which f failed; a document copy that
// failed adds a last line with its reason.
struct Summary {
    MessageKind kind;
    std::u16string text;
};
Summary SummaryOf(int links, int failures,
                  const std::optional<std::u16string>& documentCopyFailure = std::nullopt);

} // namespace marovan
