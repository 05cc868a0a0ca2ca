#include "platform/Files.h"

#include "base/DeviceNames.h"
#include "base/Failure.h"
#include "platform/Handles.h"
#include "platform/WinText.h"

#include <algorithm>
#include <climits>
#include <new>

namespace marovan::win {

namespace {

[[noreturn]] void ThrowCannotOpen(DWORD error) {
    throw SystemError(error);
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
    const UniqueFind find(::FindFirstFileW(path.c_str(), &data));
    return find && !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

DocumentBytes ReadWholeFile(std::wstring_view path, const std::function<void()>& betweenPieces) {
    const std::wstring name(path);
    if (NamesDevice(View(path)))
        ThrowCannotOpen(ERROR_FILE_NOT_FOUND);
    UniqueFile file(::CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
                                  nullptr));
    if (!file)
        ThrowCannotOpen(::GetLastError());
    if (::GetFileType(file.get()) != FILE_TYPE_DISK)
        ThrowCannotOpen(ERROR_FILE_NOT_FOUND);
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size))
        ThrowCannotOpen(::GetLastError());

    DocumentBytes bytes;
    try {
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
    } catch (const std::bad_alloc&) {
        ThrowCannotOpen(ERROR_NOT_ENOUGH_MEMORY);
    } catch (const std::length_error&) {
        ThrowCannotOpen(ERROR_NOT_ENOUGH_MEMORY);
    }
    // Pieces of a megabyte take about a millisecond each, short enough for
    // the window to stay responsive in between. A file that shrank while read
    // ends where its data ends.
    constexpr std::size_t kPiece = 1u << 20;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD want = static_cast<DWORD>(std::min(bytes.size() - done, kPiece));
        DWORD got = 0;
        if (!::ReadFile(file.get(), bytes.data() + done, want, &got, nullptr))
            ThrowCannotOpen(::GetLastError());
        if (got == 0)
            break;
        done += got;
        if (betweenPieces)
            betweenPieces();
    }
    bytes.resize(done);
    return bytes;
}

std::wstring LongPathForm(std::wstring_view path) {
    std::wstring given(path);
    if (given.size() < MAX_PATH || given.starts_with(L"\\\\?\\"))
        return given;
    std::wstring full(given.size() + 1, L'\0');
    for (;;) {
        const DWORD length = ::GetFullPathNameW(given.c_str(), static_cast<DWORD>(full.size()),
                                                full.data(), nullptr);
        if (length == 0)
            return given;
        if (length < full.size()) {
            full.resize(length);
            break;
        }
        full.resize(length);
    }
    if (full.starts_with(L"\\\\"))
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
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

FolderListing ListFolder(std::wstring_view folder) {
    std::wstring pattern(folder);
    if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/')
        pattern += L'\\';
    pattern = LongPathForm(pattern + L'*');
    WIN32_FIND_DATAW entry{};
    // The short names are not needed, and a large fetch asks a share for many
    // entries at once.
    UniqueFind find(::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry,
                                       FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    // Windows Vista knows neither and refuses them as invalid.
    if (!find && ::GetLastError() == ERROR_INVALID_PARAMETER)
        find.reset(::FindFirstFileExW(pattern.c_str(), FindExInfoStandard, &entry,
                                      FindExSearchNameMatch, nullptr, 0));
    FolderListing listing;
    if (!find)
        return listing;
    do {
        const std::wstring_view name = entry.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const DWORD attributes = entry.dwFileAttributes;
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            listing.subfolders.push_back({U16(name), (attributes & FILE_ATTRIBUTE_HIDDEN) != 0,
                                          (attributes & FILE_ATTRIBUTE_SYSTEM) != 0,
                                          (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
        else
            listing.files.push_back(U16(name));
    } while (::FindNextFileW(find.get(), &entry));
    return listing;
}

CodePageShape CodePageShapeOf(UINT codePage) noexcept {
    CPINFOEXW info{};
    if (!::GetCPInfoExW(codePage, 0, &info) || info.MaxCharSize <= 1)
        return CodePageShape::SingleByte();
    // IsDBCSLeadByteEx names no lead bytes for UTF-8, whose sequences are
    // longer than two bytes.
    if (info.CodePage == CP_UTF8)
        return CodePageShape::Utf8();
    LeadBytes lead{};
    for (int b = 0; b < 256; ++b)
        lead[b] = ::IsDBCSLeadByteEx(info.CodePage, static_cast<BYTE>(b)) != 0;
    return CodePageShape::DoubleByte(lead);
}

namespace {

// One call of the decoder. No code page makes more UTF-16 units than it has
// bytes, so one pass into room for that many does, without counting first.
void DecodeStretch(std::span<const std::uint8_t> bytes, UINT codePage, std::u16string& text) {
    const auto* input = reinterpret_cast<const char*>(bytes.data());
    const int inputLength = static_cast<int>(bytes.size());
    const std::size_t offset = text.size();
    text.resize(offset + bytes.size());
    int units =
        ::MultiByteToWideChar(codePage, 0, input, inputLength,
                              reinterpret_cast<wchar_t*>(text.data() + offset), inputLength);
    if (units == 0 && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        units = ::MultiByteToWideChar(codePage, 0, input, inputLength, nullptr, 0);
        text.resize(offset + static_cast<std::size_t>(units));
        units = ::MultiByteToWideChar(codePage, 0, input, inputLength,
                                      reinterpret_cast<wchar_t*>(text.data() + offset), units);
    }
    text.resize(offset + static_cast<std::size_t>(std::max(units, 0)));
}

} // namespace

void DecodeCodePageAppend(std::span<const std::uint8_t> bytes, UINT codePage,
                          const CodePageShape& shape, std::u16string& text) {
    // MultiByteToWideChar counts in int; the pieces given here are small.
    while (!bytes.empty()) {
        const std::size_t length = StretchKeepingLineEnds(bytes, shape);
        DecodeStretch(bytes.first(length), codePage, text);
        bytes = bytes.subspan(length);
    }
}

std::u16string DecodeCodePage(std::span<const std::uint8_t> bytes, UINT codePage) {
    // Longer input goes in pieces cut at character boundaries.
    constexpr std::size_t kPiece = 256u << 20;
    const CodePageShape shape = CodePageShapeOf(codePage);
    std::u16string text;
    text.reserve(bytes.size());
    while (!bytes.empty()) {
        const std::size_t length = bytes.size() <= kPiece
                                       ? bytes.size()
                                       : WholeCharacterPrefix(bytes.first(kPiece), shape);
        DecodeCodePageAppend(bytes.first(length), codePage, shape, text);
        bytes = bytes.subspan(length);
    }
    return text;
}

} // namespace marovan::win
