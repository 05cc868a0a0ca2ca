#include "main/WindowsRunSystem.h"

#include "base/Failure.h"
#include "base/Paths.h"
#include "platform/Collecting.h"
#include "platform/Files.h"
#include "platform/Shell.h"
#include "platform/WinText.h"
#include "settings/Settings.h"

namespace marovan {

using win::U16;
using win::View;
using win::Wide;

WindowsRunSystem::WindowsRunSystem(UINT codePage)
    : codePage_(codePage)
    , shareProbe_([](const std::wstring& path) { return win::IsRegularFile(path); })
    , codePageShape_(win::CodePageShapeOf(codePage))
    , documentPrompt_(L"イラストレーターファイルを選択してください", L"AIファイル|*.ai;*AI") {}

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

std::optional<std::u16string> WindowsRunSystem::PromptDocument() {
    const auto path = documentPrompt_.Show(owner_);
    if (!path)
        return std::nullopt;
    return U16(*path);
}

bool WindowsRunSystem::IsFolder(std::u16string_view path) {
    const DWORD attributes = ::GetFileAttributesW(win::LongPathForm(View(path)).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

DocumentBytes WindowsRunSystem::ReadDocument(std::u16string_view path,
                                             const std::function<void()>& keepResponsive) {
    try {
        return win::ReadWholeFile(win::LongPathForm(View(path)), keepResponsive);
    } catch (const SystemError& error) {
        throw CannotOpenDocument(path, U16(win::SystemMessage(error.Code())));
    }
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

std::optional<FileFacts> WindowsRunSystem::FactsOf(std::u16string_view path) {
    return win::FactsOf(win::LongPathForm(View(path)));
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
