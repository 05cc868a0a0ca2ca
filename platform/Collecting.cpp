#include "platform/Collecting.h"

#include "base/DeviceNames.h"
#include "platform/Handles.h"
#include "platform/WinText.h"

#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace marovan::win {

namespace {

std::int64_t Ticks(FILETIME time) noexcept {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
                                     time.dwLowDateTime);
}

// The file's 128-bit identity where the file system has one (ReFS needs all
// 128 bits); an identity of zero is none.
bool ReadFileId(HANDLE file, FileIdentity& identity) noexcept {
    FILE_ID_INFO info{};
    if (!::GetFileInformationByHandleEx(file, FileIdInfo, &info, sizeof(info)))
        return false;
    static_assert(sizeof(info.FileId.Identifier) == sizeof(identity.id));
    std::copy(std::begin(info.FileId.Identifier), std::end(info.FileId.Identifier),
              identity.id.begin());
    identity.volume = info.VolumeSerialNumber;
    return std::any_of(identity.id.begin(), identity.id.end(),
                       [](std::uint8_t b) { return b != 0; });
}

// An existing regular file opened for its attributes alone, so that a file
// another program holds locked can still be looked at, with what the handle
// tells of it; nothing for anything else.
struct OpenedFile {
    UniqueFile handle;
    BY_HANDLE_FILE_INFORMATION info{};
};
std::optional<OpenedFile> OpenForAttributes(std::wstring_view path) {
    if (path.empty() || NamesDevice(View(path)))
        return std::nullopt;
    const std::wstring name(path);
    OpenedFile file{UniqueFile(::CreateFileW(
        name.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr))};
    if (!file.handle || ::GetFileType(file.handle.get()) != FILE_TYPE_DISK ||
        !::GetFileInformationByHandle(file.handle.get(), &file.info) ||
        (file.info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    return file;
}

FileFacts FactsFrom(std::uint32_t sizeHigh, std::uint32_t sizeLow, FILETIME lastWrite) noexcept {
    return {(static_cast<std::uint64_t>(sizeHigh) << 32) | sizeLow, Ticks(lastWrite)};
}

std::u16string FinalPath(HANDLE file) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetFinalPathNameByHandleW(
            file, path.data(), static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED);
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return U16(path);
        }
        path.resize(length);
    }
}

// CopyFileEx keeps the last-write time, so that a later collection into the
// folder sees the same image. ERROR_SUCCESS, or the system's error code.
DWORD CopyKeepingTime(const std::wstring& from, const std::wstring& to) noexcept {
    BOOL cancel = FALSE;
    if (!::CopyFileExW(from.c_str(), to.c_str(), nullptr, nullptr, &cancel,
                       COPY_FILE_FAIL_IF_EXISTS))
        return ::GetLastError();
    return ERROR_SUCCESS;
}

struct CopyJob {
    std::wstring from;
    std::wstring to;
    DWORD error = ERROR_SUCCESS;
    UniqueHandle done;
};

void CALLBACK RunCopy(PTP_CALLBACK_INSTANCE instance, PVOID data) noexcept {
    auto* job = static_cast<CopyJob*>(data);
    // A copy from a slow share can hold this thread for minutes.
    ::CallbackMayRunLong(instance);
    job->error = CopyKeepingTime(job->from, job->to);
    // Set only once this callback has returned: the job may go right after.
    ::SetEventWhenCallbackReturns(instance, job->done.get());
}

// The shell's own failure codes, as its documentation lists them, and the
// system's code of the same meaning.
struct ShellFailure {
    int code;
    DWORD error;
};
constexpr int kShellCodesFirst = 0x71;    // the first of the shell's own codes
constexpr int kShellCodesLast = 0xB7;     // "MAX_PATH was exceeded", the last
constexpr int kShellUnknownError = 0x402; // "typically an invalid path"
constexpr int kOnDestination = 0x10000;   // or-ed in: the failure was at the destination
constexpr ShellFailure kShellFailures[] = {
    {0x71, ERROR_INVALID_PARAMETER},    // source and destination are one file
    {0x72, ERROR_INVALID_PARAMETER},    // several sources, one destination
    {0x73, ERROR_NOT_SAME_DEVICE},      // a rename into another folder
    {0x74, ERROR_ACCESS_DENIED},        // a root folder cannot be moved or renamed
    {0x75, ERROR_CANCELLED},            // cancelled by the user or silently
    {0x76, ERROR_INVALID_PARAMETER},    // the destination lies inside the source
    {0x78, ERROR_ACCESS_DENIED},        // the source's security settings
    {0x79, ERROR_FILENAME_EXCED_RANGE}, // a path of MAX_PATH or more
    {0x7A, ERROR_INVALID_PARAMETER},    // several destinations
    {0x7C, ERROR_BAD_PATHNAME},         // an invalid path
    {0x7D, ERROR_INVALID_PARAMETER},    // source and destination in one folder
    {0x7E, ERROR_ALREADY_EXISTS},       // the destination is a file
    {0x80, ERROR_ALREADY_EXISTS},       // the destination is a folder
    {0x81, ERROR_FILENAME_EXCED_RANGE}, // a name of MAX_PATH or more
    {0x82, ERROR_WRITE_PROTECT},        // the destination is a CD-ROM
    {0x83, ERROR_WRITE_PROTECT},        // ... a DVD
    {0x84, ERROR_WRITE_PROTECT},        // ... a recordable CD
    {0x85, ERROR_FILE_TOO_LARGE},       // too large for the destination
    {0x86, ERROR_WRITE_PROTECT},        // the source is on a CD-ROM
    {0x87, ERROR_WRITE_PROTECT},        // ... a DVD
    {0x88, ERROR_WRITE_PROTECT},        // ... a recordable CD
    {0xB7, ERROR_FILENAME_EXCED_RANGE}, // MAX_PATH exceeded on the way
    {kShellUnknownError, ERROR_BAD_PATHNAME},
    {0x74 | kOnDestination, ERROR_ACCESS_DENIED}, // the destination is a root folder
};
// A failure whose cause nobody told: said as such, not as some cause it
// might have had. No code of the system's own says that in plain words; the
// system's messages hold this one's too.
constexpr DWORD kUnexplained = static_cast<DWORD>(E_FAIL);

// Why a file the shell said it recycled is still there: what the system
// says when asked to delete it now, or, when it would let it go, that no
// cause is known.
DWORD WhyStillThere(const std::wstring& path) noexcept {
    const UniqueFile probe(::CreateFileW(path.c_str(), DELETE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
    return probe ? kUnexplained : ::GetLastError();
}

} // namespace

std::optional<FileFacts> FactsOf(std::wstring_view path) noexcept {
    try {
        if (path.empty() || NamesDevice(View(path)))
            return std::nullopt;
        const std::wstring name(path);
        // Asking by name costs no open, which counts when a run looks at
        // hundreds of images twice (source and target).
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!::GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data) ||
            (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            return std::nullopt;
        // A link's own attributes are not its file's: those take opening it.
        // Wine's CreateSymbolicLinkW makes nothing, so only Windows comes here.
        if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            const auto file = OpenForAttributes(path);
            if (!file)
                return std::nullopt;
            return FactsFrom(file->info.nFileSizeHigh, file->info.nFileSizeLow,
                             file->info.ftLastWriteTime);
        }
        return FactsFrom(data.nFileSizeHigh, data.nFileSizeLow, data.ftLastWriteTime);
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<FileIdentity> IdentityOf(std::wstring_view path) noexcept {
    try {
        const auto file = OpenForAttributes(path);
        if (!file)
            return std::nullopt;
        FileIdentity identity;
        identity.hasId = ReadFileId(file->handle.get(), identity);
        if (!identity.hasId) {
            const std::uint64_t index =
                (static_cast<std::uint64_t>(file->info.nFileIndexHigh) << 32) |
                file->info.nFileIndexLow;
            identity.volume = file->info.dwVolumeSerialNumber;
            identity.id = {};
            for (int i = 0; i < 8; ++i)
                identity.id[i] = static_cast<std::uint8_t>(index >> (8 * i));
            identity.hasId = index != 0;
        }
        if (!identity.hasId)
            identity.finalPath = FinalPath(file->handle.get());
        return identity;
    } catch (...) {
        return std::nullopt;
    }
}

bool SameFileName(std::wstring_view a, std::wstring_view b) noexcept {
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

int CompareFileNames(std::wstring_view a, std::wstring_view b) noexcept {
    switch (::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                   static_cast<int>(b.size()), TRUE)) {
    case CSTR_LESS_THAN:
        return -1;
    case CSTR_GREATER_THAN:
        return 1;
    default:
        return 0;
    }
}

DWORD CopyNewFile(std::wstring_view source, std::wstring_view target,
                  const std::function<void()>& whileCopying) noexcept {
    try {
        if (NamesDevice(View(source)))
            return ERROR_FILE_NOT_FOUND;
        CopyJob job{std::wstring(source), std::wstring(target), ERROR_SUCCESS,
                    UniqueHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr))};
        // The copy runs on a thread of the process's pool, which touches no
        // window, while this one goes on handling its messages: a copy from a
        // slow share can take minutes, and CopyFileEx's progress calls come
        // only between pieces of a megabyte (Wine makes none at all). The
        // pool's threads outlive each copy: a thread of its own for each copy
        // would cost more than copying a small image.
        if (!job.done || !::TrySubmitThreadpoolCallback(&RunCopy, &job, nullptr))
            return CopyKeepingTime(job.from, job.to);
        // The job lives on this stack: nothing leaves before the copy has.
        constexpr DWORD kPace = 8; // milliseconds
        const HANDLE done = job.done.get();
        for (;;) {
            const DWORD woken = ::MsgWaitForMultipleObjects(1, &done, FALSE, kPace, QS_ALLINPUT);
            if (woken == WAIT_OBJECT_0)
                break;
            if (woken == WAIT_FAILED) {
                ::WaitForSingleObject(done, INFINITE);
                break;
            }
            try {
                if (whileCopying)
                    whileCopying();
            } catch (...) {
                // Keeping the window alive is a courtesy; the copy goes on.
            }
        }
        return job.error;
    } catch (...) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

std::optional<bool> AskWithin(std::function<bool()> question, DWORD patience,
                              const std::function<void()>& whileWaiting) {
    // Shared with the thread, which may outlive this call.
    struct Asking {
        std::function<bool()> question;
        UniqueHandle answered{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
        std::atomic<bool> answer{false};
    };
    auto asking = std::make_shared<Asking>();
    asking->question = std::move(question);
    if (!asking->answered)
        return asking->question();
    std::thread([asking] {
        bool answer = false;
        try {
            answer = asking->question();
        } catch (...) {
        }
        asking->answer = answer;
        ::SetEvent(asking->answered.get());
    }).detach();

    const ULONGLONG deadline = ::GetTickCount64() + patience;
    const HANDLE answered = asking->answered.get();
    for (;;) {
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline)
            return std::nullopt;
        const DWORD woken = ::MsgWaitForMultipleObjects(
            1, &answered, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 8)),
            QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0)
            return asking->answer.load();
        if (woken == WAIT_FAILED)
            return std::nullopt;
        if (whileWaiting)
            whileWaiting();
    }
}

DWORD ShellOperationError(int result) noexcept {
    for (const ShellFailure& failure : kShellFailures)
        if (failure.code == result)
            return failure.error;
    const bool shellsOwn = (result >= kShellCodesFirst && result <= kShellCodesLast) ||
                           (result & kOnDestination) != 0 || result < 0;
    return shellsOwn ? kUnexplained : static_cast<DWORD>(result);
}

RecycleResult MoveToRecycleBin(HWND owner, std::wstring_view path) noexcept {
    try {
        const std::wstring name(path);
        // The shell's file operations take no path of MAX_PATH or more.
        if (name.size() >= MAX_PATH)
            return {Recycled::Failed, ERROR_FILENAME_EXCED_RANGE};
        // A file the shell cannot delete would have it ask about that in a
        // box of its own; such a file is refused here instead, with the reason.
        {
            const UniqueFile probe(::CreateFileW(
                name.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                nullptr, OPEN_EXISTING, 0, nullptr));
            if (!probe)
                return {Recycled::Failed, ::GetLastError()};
        }
        std::wstring from = name;
        from.append(2, L'\0'); // the list ends in two NULs
        SHFILEOPSTRUCTW operation{};
        operation.hwnd = owner;
        operation.wFunc = FO_DELETE;
        operation.pFrom = from.c_str();
        // No questions and no error boxes, except the warning that the file
        // would be destroyed for good rather than recycled.
        operation.fFlags =
            FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI | FOF_WANTNUKEWARNING;
        const int result = ::SHFileOperationW(&operation);
        if (operation.fAnyOperationsAborted)
            return {Recycled::Declined};
        if (result != 0)
            return {Recycled::Failed, ShellOperationError(result)};
        if (::GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES)
            return {Recycled::Failed, WhyStillThere(name)};
        return {Recycled::Yes};
    } catch (...) {
        return {Recycled::Failed, ERROR_NOT_ENOUGH_MEMORY};
    }
}

} // namespace marovan::win
