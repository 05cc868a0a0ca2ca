#include "main/WindowsRunSystem.h"

#include "base/Failure.h"
#include "base/Paths.h"
#include "platform/Collecting.h"
#include "platform/Files.h"
#include "platform/Shell.h"
#include "platform/WinText.h"
#include "settings/Settings.h"

#include <algorithm>
#include <memory>

namespace marovan {

using win::U16;
using win::View;
using win::Wide;

WindowsRunSystem::WindowsRunSystem(UINT codePage)
    : codePage_(codePage)
    , shareProbe_([](const std::wstring& path) { return win::IsRegularFile(path); })
    , shareLister_([](const std::wstring& folder) { return win::ListFolder(folder); })
    , codePageShape_(win::CodePageShapeOf(codePage))
    , documentPrompt_(L"イラストレーターファイルを選択してください", L"AIファイル|*.ai;*AI") {}

WindowsRunSystem::~WindowsRunSystem() {
    if (silenceEnds_)
        ::SetEvent(silenceEnds_->get());
}

std::u16string WindowsRunSystem::DesktopPath() {
    return U16(win::DesktopPath(owner_));
}

RunOptions WindowsRunSystem::ReadRunOptions() {
    return settings::ReadRunOptions();
}

std::optional<std::u16string> WindowsRunSystem::PromptFolder(std::u16string_view prompt,
                                                             std::u16string_view initialFolder) {
    const auto folder = win::BrowseForFolder(owner_, View(prompt), View(initialFolder));
    if (!folder)
        return std::nullopt;
    return U16(*folder);
}

std::optional<std::u16string> WindowsRunSystem::PromptDocument(std::u16string_view suggested) {
    std::wstring start;
    if (!suggested.empty()) {
        start = win::FullPath(View(suggested));
        if (!win::IsRegularFile(win::LongPathForm(start)))
            start.clear();
    }
    const auto path = documentPrompt_.Show(owner_, start);
    if (!path)
        return std::nullopt;
    return U16(*path);
}

bool WindowsRunSystem::IsFolder(std::u16string_view path) {
    const DWORD attributes = ::GetFileAttributesW(win::LongPathForm(View(path)).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {

// A step of reading a document, with the system's failure turned into the
// run's report.
template <class Step> auto ReportingFailure(std::u16string_view path, Step step) {
    try {
        return step();
    } catch (const SystemError& error) {
        throw CannotOpenDocument(path, U16(win::SystemMessage(error.Code())));
    }
}

class FileDocumentReader : public RunSystem::DocumentReader {
public:
    explicit FileDocumentReader(std::u16string_view path)
        : path_(path)
        , pieces_(ReportingFailure(
              path, [&] { return win::FilePieces(win::LongPathForm(View(path))); })) {}

    std::size_t ReadPiece(DocumentBytes& bytes) override {
        return ReportingFailure(path_, [&] { return pieces_.ReadPiece(bytes); });
    }

private:
    std::u16string path_;
    win::FilePieces pieces_;
};

} // namespace

std::unique_ptr<RunSystem::DocumentReader>
WindowsRunSystem::OpenDocument(std::u16string_view path) {
    return std::make_unique<FileDocumentReader>(path);
}

CodePageShape WindowsRunSystem::AnsiCodePage() {
    return codePageShape_;
}

void WindowsRunSystem::DecodeAppend(std::span<const std::uint8_t> bytes, std::u16string& text) {
    win::DecodeCodePageAppend(bytes, codePage_, codePageShape_, text);
}

std::u16string WindowsRunSystem::OutOfMemoryDescription() {
    return U16(win::SystemMessage(ERROR_NOT_ENOUGH_MEMORY));
}

RunSystem::Presence WindowsRunSystem::Locate(std::u16string_view path,
                                             const std::function<void()>& keepResponsive) {
    std::wstring name = win::LongPathForm(View(path));
    if (HostOf(path).empty())
        return win::IsRegularFile(name) ? Presence::File : Presence::NoFile;
    // A host that is off or gone can keep the system's answer back for half
    // a minute or more.
    const auto answer = win::AskWithin([probe = shareProbe_, name] { return probe(name); },
                                       static_cast<DWORD>(sharePatience_.count()), keepResponsive);
    if (!answer)
        return Presence::SilentHost;
    return *answer ? Presence::File : Presence::NoFile;
}

void WindowsRunSystem::SetShareProbe(FileProbe probe, std::chrono::milliseconds patience) {
    shareProbe_ = std::move(probe);
    sharePatience_ = patience;
}

void WindowsRunSystem::SetShareLister(FolderLister lister) {
    shareLister_ = std::move(lister);
}

void WindowsRunSystem::SilenceHosts(std::vector<std::u16string> hosts) {
    if (hosts.empty())
        return;
    if (!silenceEnds_) {
        win::UniqueHandle ends(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (!ends)
            throw SystemError(::GetLastError());
        silenceEnds_ = std::make_shared<const win::UniqueHandle>(std::move(ends));
    }
    // A question to a silenced host waits, without spinning, until this
    // system goes, long after the run stopped waiting for its answer; it then
    // ends without asking. True when it was silenced.
    auto silenced = [hosts = std::move(hosts), ends = silenceEnds_](const std::wstring& path) {
        const std::u16string host(HostOf(U16(path)));
        if (std::none_of(hosts.begin(), hosts.end(), [&](const std::u16string& silent) {
                // Host names, like file names, compare without case.
                return win::SameFileName(View(silent), View(host));
            }))
            return false;
        ::WaitForSingleObject(ends->get(), INFINITE);
        return true;
    };
    shareProbe_ = [silenced, probe = std::move(shareProbe_)](const std::wstring& path) {
        return !silenced(path) && probe(path);
    };
    shareLister_ = [silenced, lister = std::move(shareLister_)](const std::wstring& folder) {
        return silenced(folder) ? FolderListing{} : lister(folder);
    };
}

void WindowsRunSystem::SilenceHostsNamedByTests() {
    constexpr wchar_t kVariable[] = L"MAROVAN_TEST_SILENT_HOSTS";
    const DWORD size = ::GetEnvironmentVariableW(kVariable, nullptr, 0);
    if (size == 0)
        return;
    std::wstring value(size, L'\0');
    value.resize(::GetEnvironmentVariableW(kVariable, value.data(), size));
    std::vector<std::u16string> hosts;
    std::size_t start = 0;
    while (start <= value.size()) {
        const std::size_t end = std::min(value.find(L';', start), value.size());
        if (end > start)
            hosts.push_back(U16(std::wstring_view(value).substr(start, end - start)));
        start = end + 1;
    }
    SilenceHosts(std::move(hosts));
}

int WindowsRunSystem::CompareFileNames(std::u16string_view a, std::u16string_view b) {
    return win::CompareFileNames(View(a), View(b));
}

std::optional<FolderListing>
WindowsRunSystem::ListFolder(std::u16string_view folder,
                             const std::function<void()>& keepResponsive) {
    std::wstring name(View(folder));
    if (HostOf(folder).empty())
        return win::ListFolder(name);
    // As for Locate: a host that does not answer must not hold the run. The
    // listing is shared with the asking thread, which may outlive this call.
    auto listing = std::make_shared<FolderListing>();
    const auto answered = win::AskWithin(
        [lister = shareLister_, name, listing] {
            *listing = lister(name);
            return true;
        },
        static_cast<DWORD>(sharePatience_.count()), keepResponsive);
    if (!answered)
        return std::nullopt;
    return std::move(*listing);
}

std::optional<FileFacts> WindowsRunSystem::FactsOf(std::u16string_view path) {
    return win::FactsOf(win::LongPathForm(View(path)));
}

std::optional<FileIdentity> WindowsRunSystem::IdentityOf(std::u16string_view path) {
    return win::IdentityOf(win::LongPathForm(View(path)));
}

bool WindowsRunSystem::SameFileName(std::u16string_view a, std::u16string_view b) {
    return win::SameFileName(View(a), View(b));
}

std::optional<std::u16string>
WindowsRunSystem::CopyImage(std::u16string_view source, std::u16string_view target,
                            const std::function<void()>& keepResponsive) {
    const DWORD error = win::CopyNewFile(win::LongPathForm(View(source)),
                                         win::LongPathForm(View(target)), keepResponsive);
    if (error == ERROR_SUCCESS)
        return std::nullopt;
    return U16(win::SystemMessage(error));
}

RunSystem::RecycleResult WindowsRunSystem::Recycle(std::u16string_view path) {
    const win::RecycleResult recycled = win::MoveToRecycleBin(owner_, View(path));
    switch (recycled.result) {
    case win::Recycled::Yes:
        return {Recycling::Recycled, {}};
    case win::Recycled::Declined:
        return {Recycling::Declined, {}};
    case win::Recycled::Failed:
        break;
    }
    return {Recycling::Failed, U16(win::SystemMessage(recycled.error))};
}

void WindowsRunSystem::OpenFolder(std::u16string_view folder) {
    win::OpenInShell(owner_, View(folder), SW_SHOWNORMAL);
    folderOpened_ = true;
}

} // namespace marovan
