#include "settings/Settings.h"

#include "base/Failure.h"
#include "platform/Handles.h"
#include "platform/WinText.h"
#include "settings/IniValue.h"
#include "settings/ProgramFile.h"
#include "settings/SettingsFile.h"

#include <windows.h>

#include <string>

namespace marovan::settings {

namespace {

constexpr wchar_t kFileName[] = L"MRV.ini";
constexpr wchar_t kSection[] = L"OPTION";
constexpr wchar_t kAiCopy[] = L"AI Copy";
constexpr wchar_t kFolderOpen[] = L"Folder Open";
constexpr wchar_t kErrSearch[] = L"ERR Search";
constexpr wchar_t kSendTo[] = L"Sendto";
constexpr wchar_t kSubSearch[] = L"Sub Search";
constexpr wchar_t kNestedLinks[] = L"Nested Links";

constexpr wchar_t kHeader[] = L"// Marovan\r\n"
                              L"// Marovanソフトの設定ファイルです。\r\n"
                              L"// ソフトと同じフォルダに置いてください。\r\n"
                              L"// ソフトが無い場合は削除しても大丈夫です。\r\n";

// The report names the close of a file that never opened, not the refusal.
constexpr char16_t kNotCreated[] = u"I/O エラー 103";

std::u16string IoError(DWORD code) {
    return u"I/O エラー " + win::U16(std::to_wstring(code));
}

bool IsFile(const std::wstring& path) noexcept {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string AnsiText(std::wstring_view text) {
    const int length = ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                             nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                              length, nullptr, nullptr);
    return bytes;
}

std::wstring ReadValue(const std::wstring& path, const wchar_t* key) {
    // A result one short of the buffer may have been cut off.
    std::wstring value(64, L'\0');
    for (;;) {
        const DWORD length = ::GetPrivateProfileStringW(
            kSection, key, L"", value.data(), static_cast<DWORD>(value.size()), path.c_str());
        if (length + 1 < value.size() || value.size() >= (1u << 20)) {
            value.resize(length);
            return value;
        }
        value.resize(value.size() * 2);
    }
}

bool ReadFlag(const std::wstring& path, const wchar_t* key) {
    return IniValueIsTrue(win::View(ReadValue(path, key)));
}

// Reading never fails: without a path to read, every option is off.
std::wstring PathForReading() {
    try {
        return SettingsPath();
    } catch (const Failure&) {
        return {};
    }
}

} // namespace

std::wstring SettingsPath() {
    return FolderOf(ExecutablePath()) + kFileName;
}

void EnsureExists() {
    EnsureExistsAt(SettingsPath());
}
RunOptions ReadRunOptions() {
    return ReadRunOptionsFrom(PathForReading());
}
AllOptions ReadAll() {
    return ReadAllFrom(PathForReading());
}
void WriteAll(const AllOptions& options) {
    WriteAllTo(SettingsPath(), options);
}

void EnsureExistsAt(const std::wstring& path) {
    if (IsFile(path))
        return;
    win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        // Someone else made it in the meantime: that file is as good as ours.
        if (::GetLastError() == ERROR_FILE_EXISTS && IsFile(path))
            return;
        throw Failure(kNotCreated);
    }
    const std::string header = AnsiText(kHeader);
    DWORD written = 0;
    if (!::WriteFile(file.get(), header.data(), static_cast<DWORD>(header.size()), &written,
                     nullptr))
        throw Failure(IoError(::GetLastError()));
    if (written != header.size())
        throw Failure(IoError(ERROR_HANDLE_DISK_FULL));
}

AllOptions ReadAllFrom(const std::wstring& path) {
    AllOptions options;
    if (path.empty())
        return options;
    options.aiCopy = ReadFlag(path, kAiCopy);
    options.folderOpen = ReadFlag(path, kFolderOpen);
    options.errSearch = ReadFlag(path, kErrSearch);
    options.sendTo = ReadFlag(path, kSendTo);
    options.subSearch = ReadFlag(path, kSubSearch);
    options.nestedLinks = ReadFlag(path, kNestedLinks);
    return options;
}

RunOptions ReadRunOptionsFrom(const std::wstring& path) {
    const AllOptions all = ReadAllFrom(path);
    return {all.aiCopy, all.folderOpen, all.errSearch, all.subSearch, all.nestedLinks};
}

void WriteAllTo(const std::wstring& path, const AllOptions& options) {
    WriteAllTo(
        path, options,
        [](const wchar_t* section, const wchar_t* key, const wchar_t* value, const wchar_t* file) {
            return ::WritePrivateProfileStringW(section, key, value, file) != FALSE;
        });
}

void WriteAllTo(const std::wstring& path, const AllOptions& options, const ProfileWriter& write) {
    const std::pair<const wchar_t*, bool> keys[] = {
        {kAiCopy, options.aiCopy},       {kFolderOpen, options.folderOpen},
        {kErrSearch, options.errSearch}, {kSendTo, options.sendTo},
        {kSubSearch, options.subSearch}, {kNestedLinks, options.nestedLinks}};
    for (const auto& [key, on] : keys) {
        if (!write(kSection, key, on ? L"1" : L"0", path.c_str()))
            throw Failure(win::U16(path) + u" に書き込めません");
    }
}

} // namespace marovan::settings
