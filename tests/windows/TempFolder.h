#pragma once
// A fresh folder under the temporary folder, removed with everything in it.

#include <windows.h>

#include <shellapi.h>

#include <string>

namespace marovan::testing_support {

class TempFolder {
public:
    TempFolder() {
        wchar_t base[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, base);
        static int counter = 0;
        path_ = std::wstring(base) + L"marovan-test-" + std::to_wstring(::GetCurrentProcessId()) +
                L"-" + std::to_wstring(++counter);
        ::CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~TempFolder() {
        std::wstring from = path_;
        from.append(2, L'\0');
        SHFILEOPSTRUCTW op{};
        op.wFunc = FO_DELETE;
        op.pFrom = from.c_str();
        op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
        ::SHFileOperationW(&op);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

    std::wstring Write(const std::wstring& name, const std::string& bytes) const {
        const std::wstring file = *this / name;
        HANDLE h = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        ::CloseHandle(h);
        return file;
    }

    std::wstring Folder(const std::wstring& name) const {
        const std::wstring folder = *this / name;
        ::CreateDirectoryW(folder.c_str(), nullptr);
        return folder;
    }

private:
    std::wstring path_;
};

inline std::string ReadBytes(const std::wstring& file) {
    HANDLE h = ::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                             nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string bytes(::GetFileSize(h, nullptr), '\0');
    DWORD got = 0;
    ::ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    ::CloseHandle(h);
    return bytes;
}

} // namespace marovan::testing_support
