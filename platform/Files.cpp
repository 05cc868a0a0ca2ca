#include "platform/Files.h"

#include "base/DeviceNames.h"
#include "base/Failure.h"
#include "platform/Handles.h"
#include "platform/WinText.h"

#include <algorithm>
#include <climits>
#include <cwchar>
#include <new>
#include <optional>

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

FilePieces::FilePieces(std::wstring_view path, std::uint64_t from) {
    const std::wstring name(path);
    if (NamesDevice(View(path)))
        ThrowCannotOpen(ERROR_FILE_NOT_FOUND);
    file_.reset(::CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file_)
        ThrowCannotOpen(::GetLastError());
    if (::GetFileType(file_.get()) != FILE_TYPE_DISK)
        ThrowCannotOpen(ERROR_FILE_NOT_FOUND);
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file_.get(), &size))
        ThrowCannotOpen(::GetLastError());
    size_ = static_cast<std::uint64_t>(size.QuadPart);
    offset_ = std::min(from, size_);
    LARGE_INTEGER start{};
    start.QuadPart = static_cast<LONGLONG>(offset_);
    if (offset_ != 0 && !::SetFilePointerEx(file_.get(), start, nullptr, FILE_BEGIN))
        ThrowCannotOpen(::GetLastError());
}

std::size_t FilePieces::ReadPiece(DocumentBytes& bytes) {
    const std::uint64_t left = size_ - offset_;
    if (left == 0)
        return 0;
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, kPiece));
    const std::size_t held = bytes.size();
    try {
        if (bytes.capacity() - held < want) {
            // Doubling keeps the copies to about the size read; the cap keeps
            // a document read to its end from holding more than itself.
            const std::uint64_t whole = held + left;
            const std::uint64_t doubled =
                std::max<std::uint64_t>(2 * bytes.capacity(), held + want);
            bytes.reserve(static_cast<std::size_t>(std::min(doubled, whole)));
        }
        bytes.resize(held + want);
    } catch (const std::bad_alloc&) {
        ThrowCannotOpen(ERROR_NOT_ENOUGH_MEMORY);
    } catch (const std::length_error&) {
        ThrowCannotOpen(ERROR_NOT_ENOUGH_MEMORY);
    }
    DWORD got = 0;
    if (!::ReadFile(file_.get(), bytes.data() + held, static_cast<DWORD>(want), &got, nullptr)) {
        const DWORD error = ::GetLastError();
        bytes.resize(held);
        ThrowCannotOpen(error);
    }
    bytes.resize(held + got);
    // A file that shrank while it was read ends here.
    offset_ = got == 0 ? size_ : offset_ + got;
    return got;
}

DocumentBytes ReadWholeFile(std::wstring_view path, const std::function<void()>& betweenPieces) {
    FilePieces file(path);
    DocumentBytes bytes;
    try {
        bytes.reserve(static_cast<std::size_t>(file.Size()));
    } catch (const std::bad_alloc&) {
        ThrowCannotOpen(ERROR_NOT_ENOUGH_MEMORY);
    } catch (const std::length_error&) {
        ThrowCannotOpen(ERROR_NOT_ENOUGH_MEMORY);
    }
    while (file.ReadPiece(bytes) != 0)
        if (betweenPieces)
            betweenPieces();
    return bytes;
}

namespace {

// Nothing when the system cannot make the path whole.
std::optional<std::wstring> WholePath(const std::wstring& given) {
    std::wstring full(given.size() + 1, L'\0');
    for (;;) {
        const DWORD length = ::GetFullPathNameW(given.c_str(), static_cast<DWORD>(full.size()),
                                                full.data(), nullptr);
        if (length == 0)
            return std::nullopt;
        if (length < full.size()) {
            full.resize(length);
            return full;
        }
        full.resize(length);
    }
}

} // namespace

void FailCriticalErrorsSilently() noexcept {
    ::SetErrorMode(::GetErrorMode() | SEM_FAILCRITICALERRORS);
}

std::wstring FullPath(std::wstring_view path) {
    std::wstring given(path);
    return WholePath(given).value_or(given);
}

std::wstring LongPathForm(std::wstring_view path) {
    std::wstring given(path);
    if (given.size() < MAX_PATH || given.starts_with(L"\\\\?\\"))
        return given;
    const std::optional<std::wstring> whole = WholePath(given);
    if (!whole)
        return given;
    const std::wstring& full = *whole;
    if (full.starts_with(L"\\\\"))
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

namespace {

// A new file of a name no other file has, beside `path`; its name in `name`.
UniqueFile CreateFileBeside(const std::wstring& path, std::wstring& name) {
    for (unsigned attempt = 0;; ++attempt) {
        wchar_t suffix[40] = {};
        std::swprintf(suffix, std::size(suffix), L".%lx-%x.tmp",
                      static_cast<unsigned long>(::GetCurrentProcessId()), attempt);
        name = path + suffix;
        UniqueFile file(::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file)
            return file;
        const DWORD error = ::GetLastError();
        if ((error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) || attempt >= 100)
            throw SystemError(error);
    }
}

// A new file beside the target, closed and deleted unless it has taken the
// target's place.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::wstring& target)
        : file_(CreateFileBeside(target, name_)) {}
    ~TemporaryFile() {
        file_.reset();
        if (!name_.empty())
            ::DeleteFileW(name_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    HANDLE handle() const noexcept { return file_.get(); }
    void Close() noexcept { file_.reset(); }
    // Moves the closed file over `target`.
    void Replace(const std::wstring& target) {
        if (!::MoveFileExW(name_.c_str(), target.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            throw SystemError(::GetLastError());
        name_.clear();
    }

private:
    std::wstring name_;
    UniqueFile file_;
};

} // namespace

void WriteWholeFile(std::wstring_view path, std::string_view bytes) {
    const std::wstring target = LongPathForm(path);
    TemporaryFile temporary(target);
    while (!bytes.empty()) {
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        DWORD written = 0;
        if (!::WriteFile(temporary.handle(), bytes.data(), piece, &written, nullptr))
            throw SystemError(::GetLastError());
        bytes.remove_prefix(written);
    }
    if (!::FlushFileBuffers(temporary.handle()))
        throw SystemError(::GetLastError());
    temporary.Close();
    temporary.Replace(target);
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
