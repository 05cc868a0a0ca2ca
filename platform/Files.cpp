#include "platform/Files.h"

#include "main/CollectionRun.h"
#include "main/DeviceNames.h"
#include "main/Failure.h"
#include "platform/Handles.h"
#include "platform/WinText.h"

#include <algorithm>
#include <array>
#include <climits>
#include <new>

namespace marovan::win {

namespace {

[[noreturn]] void ThrowCannotOpen(std::wstring_view path, DWORD error) {
    throw Failure(CannotOpenMessage(View(path), View(SystemMessage(error))));
}

// Opens the path for attribute queries only (no read or write access), so
// that a locked file can still be looked at.
UniqueFile OpenForQuery(const std::wstring& path, DWORD flags) noexcept {
    return UniqueFile(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, flags, nullptr));
}

bool IsLockedError(DWORD error) noexcept {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// A locked file: its directory entry tells whether it is a folder.
bool LockedEntryIsFile(const std::wstring& path) noexcept {
    WIN32_FIND_DATAW data{};
    const HANDLE find = ::FindFirstFileW(path.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    ::FindClose(find);
    return !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

std::vector<std::uint8_t> ReadWholeFile(std::wstring_view path) {
    const std::wstring name(path);
    if (NamesDevice(View(path)))
        ThrowCannotOpen(path, ERROR_FILE_NOT_FOUND);
    UniqueFile file(::CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
                                  nullptr));
    if (!file)
        ThrowCannotOpen(path, ::GetLastError());
    if (::GetFileType(file.get()) != FILE_TYPE_DISK)
        ThrowCannotOpen(path, ERROR_FILE_NOT_FOUND);
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size))
        ThrowCannotOpen(path, ::GetLastError());

    std::vector<std::uint8_t> bytes;
    try {
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
    } catch (const std::bad_alloc&) {
        ThrowCannotOpen(path, ERROR_NOT_ENOUGH_MEMORY);
    } catch (const std::length_error&) {
        ThrowCannotOpen(path, ERROR_NOT_ENOUGH_MEMORY);
    }
    // ReadFile takes at most 4 GiB - 1 at a time; a file that shrank while
    // read ends where its data ends.
    constexpr std::size_t kMaxRead = 1u << 30;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD want = static_cast<DWORD>(std::min(bytes.size() - done, kMaxRead));
        DWORD got = 0;
        if (!::ReadFile(file.get(), bytes.data() + done, want, &got, nullptr))
            ThrowCannotOpen(path, ::GetLastError());
        if (got == 0)
            break;
        done += got;
    }
    bytes.resize(done);
    return bytes;
}

bool IsRegularFile(std::wstring_view path) noexcept {
    try {
        if (path.empty() || NamesDevice(View(path)))
            return false;
        const std::wstring name(path);
        const DWORD attributes = ::GetFileAttributesW(name.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return IsLockedError(::GetLastError()) && LockedEntryIsFile(name);
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            return false;
        if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            return true;
        // A link: follow it to its target.
        const UniqueFile target = OpenForQuery(name, FILE_FLAG_BACKUP_SEMANTICS);
        if (!target)
            return IsLockedError(::GetLastError());
        BY_HANDLE_FILE_INFORMATION info{};
        return ::GetFileType(target.get()) == FILE_TYPE_DISK &&
               ::GetFileInformationByHandle(target.get(), &info) &&
               !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    } catch (...) {
        return false;
    }
}

std::u16string DecodeCodePage(std::span<const std::uint8_t> bytes, UINT codePage) {
    // MultiByteToWideChar counts in int. Longer input goes in pieces cut at
    // character boundaries, found by walking the lead bytes from the start of
    // each piece, as the decoder itself would.
    std::array<bool, 256> lead{};
    CPINFO info{};
    if (::GetCPInfo(codePage, &info) && info.MaxCharSize > 1)
        for (int b = 0; b < 256; ++b)
            lead[b] = ::IsDBCSLeadByteEx(codePage, static_cast<BYTE>(b)) != 0;

    constexpr std::size_t kPiece = 256u << 20;
    std::u16string text;
    text.reserve(bytes.size());
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t end = std::min(bytes.size(), at + kPiece);
        if (end < bytes.size()) {
            std::size_t i = at;
            while (i < end)
                i += lead[bytes[i]] ? 2 : 1;
            end = std::min(i, bytes.size());
        }
        const auto* input = reinterpret_cast<const char*>(bytes.data() + at);
        const int inputLength = static_cast<int>(end - at);
        const int units = ::MultiByteToWideChar(codePage, 0, input, inputLength, nullptr, 0);
        const std::size_t offset = text.size();
        text.resize(offset + static_cast<std::size_t>(units));
        ::MultiByteToWideChar(codePage, 0, input, inputLength,
                              reinterpret_cast<wchar_t*>(text.data() + offset), units);
        at = end;
    }
    return text;
}

} // namespace marovan::win
