#pragma once
// The system as the collection run sees it on Windows: the shell's prompts,
// files, copying and opening, the settings file and the ANSI code page.

#include "main/CollectionRun.h"
#include "platform/FilePrompt.h"
#include "platform/Handles.h"

#include <windows.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace marovan {

class WindowsRunSystem : public RunSystem {
public:
    // Documents are decoded with `codePage`: the system's ANSI code page
    // unless a test names another.
    explicit WindowsRunSystem(UINT codePage = CP_ACP);
    // Lets go the questions still waiting on a silenced host.
    ~WindowsRunSystem() override;
    WindowsRunSystem(const WindowsRunSystem&) = delete;
    WindowsRunSystem& operator=(const WindowsRunSystem&) = delete;
    // The window that owns the prompts and the shell's windows.
    void SetOwner(HWND owner) noexcept { owner_ = owner; }
    // Whether a folder was opened in the shell since the last call.
    bool TakeFolderOpened() noexcept { return std::exchange(folderOpened_, false); }

    std::u16string DesktopPath() override;
    RunOptions ReadRunOptions() override;
    std::optional<std::u16string> PromptFolder(std::u16string_view prompt,
                                               std::u16string_view initialFolder) override;
    std::optional<std::u16string> PromptDocument(std::u16string_view suggested) override;
    std::unique_ptr<DocumentReader> OpenDocument(std::u16string_view path) override;
    bool IsFolder(std::u16string_view path) override;
    CodePageShape AnsiCodePage() override;
    void DecodeAppend(std::span<const std::uint8_t> bytes, std::u16string& text) override;
    std::u16string OutOfMemoryDescription() override;
    Presence Locate(std::u16string_view path, const std::function<void()>& keepResponsive) override;

    // How a file on a share is looked for, and how long its host is given to
    // answer; tests stand in for the network here.
    using FileProbe = std::function<bool(const std::wstring& path)>;
    void SetShareProbe(FileProbe probe, std::chrono::milliseconds patience);
    // How a folder on a share is listed; tests stand in for the network here,
    // with the patience given to SetShareProbe.
    using FolderLister = std::function<FolderListing(const std::wstring& folder)>;
    void SetShareLister(FolderLister lister);
    // How long a share's host is given to answer.
    std::chrono::milliseconds SharePatience() const noexcept { return sharePatience_; }
    // Makes the share probe and lister not answer for these hosts (named
    // without regard to case) while this system lasts, as a host that is off
    // or gone does; others are asked as before.
    void SilenceHosts(std::vector<std::u16string> hosts);
    // Test seam, read once at start-up and set by the end-to-end tests only,
    // since Wine has no host that never answers: the hosts listed in the
    // environment variable MAROVAN_TEST_SILENT_HOSTS, separated by ";", are
    // silenced as by SilenceHosts. Without the variable nothing changes.
    void SilenceHostsNamedByTests();
    std::optional<FileFacts> FactsOf(std::u16string_view path) override;
    std::optional<FileIdentity> IdentityOf(std::u16string_view path) override;
    bool SameFileName(std::u16string_view a, std::u16string_view b) override;
    int CompareFileNames(std::u16string_view a, std::u16string_view b) override;
    std::optional<FolderListing> ListFolder(std::u16string_view folder,
                                            const std::function<void()>& keepResponsive) override;
    std::optional<std::u16string> CopyImage(std::u16string_view source, std::u16string_view target,
                                            const std::function<void()>& keepResponsive) override;
    RecycleResult Recycle(std::u16string_view path) override;
    void OpenFolder(std::u16string_view folder) override;

private:
    HWND owner_ = nullptr;
    bool folderOpened_ = false;
    UINT codePage_;
    FileProbe shareProbe_;
    FolderLister shareLister_;
    std::chrono::milliseconds sharePatience_{5000};
    // Set when this system goes: the end of every silence.
    std::shared_ptr<const win::UniqueHandle> silenceEnds_;
    CodePageShape codePageShape_;
    win::FilePrompt documentPrompt_; // OpenDialog1
};

} // namespace marovan
