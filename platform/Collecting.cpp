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
bool ReadFileId(HANDLE file, FileFacts& facts) noexcept {
    FILE_ID_INFO info{};
    if (!::GetFileInformationByHandleEx(file, FileIdInfo, &info, sizeof(info)))
        return false;
    static_assert(sizeof(info.FileId.Identifier) == sizeof(facts.id));
    std::copy(std::begin(info.FileId.Identifier), std::end(info.FileId.Identifier),
              facts.id.begin());
    facts.volume = info.VolumeSerialNumber;
    return std::any_of(facts.id.begin(), facts.id.end(), [](std::uint8_t b) { return b != 0; });
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

struct CopyJob {
    std::wstring from;
    std::wstring to;
    DWORD error = ERROR_SUCCESS;
};

DWORD WINAPI RunCopy(LPVOID data) {
    auto* job = static_cast<CopyJob*>(data);
    BOOL cancel = FALSE;
    // CopyFileEx keeps the last-write time, so that a later collection into
    // this folder sees the same image.
    if (!::CopyFileExW(job->from.c_str(), job->to.c_str(), nullptr, nullptr, &cancel,
                       COPY_FILE_FAIL_IF_EXISTS))
        job->error = ::GetLastError();
    return 0;
}

} // namespace

std::optional<FileFacts> FactsOf(std::wstring_view path) noexcept {
    try {
        if (path.empty() || NamesDevice(View(path)))
            return std::nullopt;
        const std::wstring name(path);
        // Attribute access alone: a file another program holds locked can
        // still be looked at.
        const UniqueFile file(::CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                            nullptr));
        BY_HANDLE_FILE_INFORMATION info{};
        if (!file || ::GetFileType(file.get()) != FILE_TYPE_DISK ||
            !::GetFileInformationByHandle(file.get(), &info) ||
            (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            return std::nullopt;
        FileFacts facts;
        facts.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
        facts.lastWrite = Ticks(info.ftLastWriteTime);
        facts.hasId = ReadFileId(file.get(), facts);
        if (!facts.hasId) {
            const std::uint64_t index =
                (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
            facts.volume = info.dwVolumeSerialNumber;
            facts.id = {};
            for (int i = 0; i < 8; ++i)
                facts.id[i] = static_cast<std::uint8_t>(index >> (8 * i));
            facts.hasId = index != 0;
        }
        if (!facts.hasId)
            facts.finalPath = FinalPath(file.get());
        return facts;
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
        CopyJob job{std::wstring(source), std::wstring(target)};
        // The copy runs on a thread of its own, which touches no window, while
        // this one goes on handling its messages: a copy from a slow share can
        // take minutes, and CopyFileEx's progress calls come only between
        // pieces of a megabyte (Wine makes none at all).
        const UniqueHandle thread(::CreateThread(nullptr, 0, &RunCopy, &job, 0, nullptr));
        if (!thread) {
            RunCopy(&job);
            return job.error;
        }
        // The job lives on this stack: nothing leaves before the thread has.
        constexpr DWORD kPace = 8; // milliseconds
        const HANDLE handle = thread.get();
        for (;;) {
            const DWORD woken = ::MsgWaitForMultipleObjects(1, &handle, FALSE, kPace, QS_ALLINPUT);
            if (woken == WAIT_OBJECT_0)
                break;
            if (woken == WAIT_FAILED) {
                ::WaitForSingleObject(handle, INFINITE);
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
            return {Recycled::Failed, static_cast<DWORD>(result)};
        if (::GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES)
            return {Recycled::Failed, ERROR_ACCESS_DENIED};
        return {Recycled::Yes};
    } catch (...) {
        return {Recycled::Failed, ERROR_NOT_ENOUGH_MEMORY};
    }
}

} // namespace marovan::win
