#pragma once
// Files the scenarios work on: fresh temporary folders, Illustrator-like
// documents with a link record, and the images they link to.

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace marovan::e2e {

using Bytes = std::vector<std::uint8_t>;

// A folder of its own under the Wine user's temporary folder, removed with
// everything in it when the object goes.
class TempFolder {
public:
    explicit TempFolder(std::wstring_view purpose = L"e2e");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    TempFolder(TempFolder&& other) noexcept;

    const std::filesystem::path& path() const noexcept { return path_; }
    std::filesystem::path operator/(std::wstring_view name) const { return path_ / name; }
    // A subfolder, created.
    std::filesystem::path Folder(std::wstring_view name) const;

private:
    std::filesystem::path path_;
};

// A path given to this program in an environment variable; Unix paths of the
// build tree are reached through Wine's Z: drive.
std::filesystem::path PathFromEnvironment(const wchar_t* variable);

void WriteBytes(const std::filesystem::path& path, const Bytes& bytes);
Bytes ReadBytes(const std::filesystem::path& path);
Bytes Cp932(std::wstring_view text);

// Every regular file below `folder` with its bytes, keyed by relative path.
std::map<std::wstring, Bytes> FilesBelow(const std::filesystem::path& folder);
std::vector<std::wstring> NamesIn(const std::filesystem::path& folder);

enum class LineEnd { CrLf, Cr, Lf };

// The bytes of a modern Illustrator document: a PDF start, a PostScript
// header whose "%%DocumentFiles:" record lists `links` (encoded in CP932)
// with the given line ends, and binary parts holding 0x00 bytes around it.
// No links and `withRecord` false gives a document without a record.
Bytes AiDocument(const std::vector<std::wstring>& links, LineEnd lineEnd = LineEnd::CrLf,
                 bool withRecord = true);

// A file held open without sharing, as another program holding it locked
// would, until this goes.
class LockedFile {
public:
    explicit LockedFile(const std::filesystem::path& path);
    ~LockedFile();
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;
    bool held() const noexcept;

private:
    void* handle_;
};

// An environment variable of this process, and so of every program it starts,
// set until this goes; then it is as before.
class EnvironmentVariable {
public:
    EnvironmentVariable(std::wstring name, const std::wstring& value);
    ~EnvironmentVariable();
    EnvironmentVariable(const EnvironmentVariable&) = delete;
    EnvironmentVariable& operator=(const EnvironmentVariable&) = delete;

private:
    std::wstring name_;
    std::optional<std::wstring> earlier_;
};

// A small real PNG, different for each seed.
Bytes PngImage(unsigned seed);

} // namespace marovan::e2e
