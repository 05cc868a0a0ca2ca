#pragma once
// A fresh, empty folder under the temporary folder, removed with everything in
// it when the test ends.

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace marovan::test {

class ScratchFolder {
public:
    explicit ScratchFolder(const wchar_t* tag) {
        wchar_t temp[MAX_PATH + 1] = {};
        ::GetTempPathW(MAX_PATH + 1, temp);
        for (unsigned n = ::GetTickCount();; ++n) {
            path_ = std::wstring(temp) + L"marovan-" + tag + L"-" + std::to_wstring(n);
            if (::CreateDirectoryW(path_.c_str(), nullptr))
                break;
        }
    }
    // Not the shell's deletion: it takes no path deeper than MAX_PATH, and
    // Wine's then deletes in the current folder, which is the build tree.
    ~ScratchFolder() { RemoveTree(L"\\\\?\\" + path_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::wstring& path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    // In the "\\?\" form, which takes paths of any depth.
    static void RemoveTree(const std::wstring& folder) {
        WIN32_FIND_DATAW entry{};
        const HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &entry);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = entry.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                const std::wstring path = folder + L"\\" + name;
                if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                    !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                    RemoveTree(path);
                else if (!::DeleteFileW(path.c_str()))
                    ::RemoveDirectoryW(path.c_str());
            } while (::FindNextFileW(find, &entry));
            ::FindClose(find);
        }
        ::RemoveDirectoryW(folder.c_str());
    }

    std::wstring path_;
};

inline bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline bool IsDirectory(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

inline std::string ReadBytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    out << bytes;
}

} // namespace marovan::test
