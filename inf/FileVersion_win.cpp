#include "inf/FileVersion.h"

#include "platform/WinText.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace marovan {

FileVersion ReadFileVersion(const std::wstring& path) {
    FileVersion result;
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0)
        return result;
    std::vector<std::uint8_t> block(size);
    if (!::GetFileVersionInfoW(path.c_str(), 0, size, block.data()))
        return result;

    void* translations = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &translations, &length) ||
        !translations || length < sizeof(std::uint32_t)) {
        result.lookup = VersionLookup::NoTranslation;
        return result;
    }
    // Each entry is two WORDs, language then code page; read as one
    // little-endian value the language is its low half.
    std::uint32_t first = 0;
    std::memcpy(&first, translations, sizeof(first));

    void* text = nullptr;
    UINT characters = 0;
    const std::wstring query = win::Wide(FileVersionQuery(first));
    result.lookup = VersionLookup::NoFileVersion;
    if (!::VerQueryValueW(block.data(), query.c_str(), &text, &characters) || !text)
        return result;
    // The count may or may not include the terminating NUL.
    const auto* chars = static_cast<const wchar_t*>(text);
    std::size_t n = 0;
    while (n < characters && chars[n] != L'\0')
        ++n;
    if (n == 0)
        return result;
    result.lookup = VersionLookup::Found;
    result.value = win::U16(std::wstring_view(chars, n));
    return result;
}

} // namespace marovan
