#include "tests/e2e/Fixtures.h"

#include "tests/e2e/Picture.h"
#include "tests/e2e/Remote.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <fstream>

namespace marovan::e2e {

namespace fs = std::filesystem;

TempFolder::TempFolder(std::wstring_view purpose) {
    static std::atomic<unsigned> serial{0};
    // Under the drive's root rather than the user's Temp folder: Wine's folder
    // prompt often fails to select folders inside the user's profile.
    const std::wstring temp = L"C:\\marovan-e2e";
    std::error_code ignored;
    fs::create_directories(temp, ignored);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate =
            fs::path(temp) /
            (L"marovan-" + std::wstring(purpose) + L"-" + std::to_wstring(::GetCurrentProcessId()) +
             L"-" + std::to_wstring(serial++) + L"-" + std::to_wstring(::GetTickCount()));
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            path_ = candidate;
            return;
        }
    }
    throw DriverError(L"cannot create a temporary folder under " + temp);
}

TempFolder::~TempFolder() {
    if (path_.empty())
        return;
    std::error_code error;
    fs::remove_all(path_, error);
}

TempFolder::TempFolder(TempFolder&& other) noexcept
    : path_(std::move(other.path_)) {
    other.path_.clear();
}

fs::path TempFolder::Folder(std::wstring_view name) const {
    const fs::path folder = path_ / name;
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        throw DriverError(L"cannot create folder " + folder.wstring());
    return folder;
}

fs::path PathFromEnvironment(const wchar_t* variable) {
    const wchar_t* value = ::_wgetenv(variable);
    if (!value || !*value)
        throw DriverError(std::wstring(L"environment variable ") + variable +
                          L" is not set (run the tests through ctest)");
    std::wstring path = value;
    if (path.front() == L'/')
        path = L"Z:" + path;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

void WriteBytes(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw DriverError(L"cannot write " + path.wstring());
}

Bytes ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw DriverError(L"cannot read " + path.wstring());
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes Cp932(std::wstring_view text) {
    if (text.empty())
        return {};
    BOOL lossy = FALSE;
    const int size =
        ::WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                              nullptr, 0, nullptr, &lossy);
    Bytes out(static_cast<std::size_t>(size));
    ::WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                          reinterpret_cast<char*>(out.data()), size, nullptr, &lossy);
    if (lossy)
        throw DriverError(L"not representable in code page 932: " + std::wstring(text));
    return out;
}

std::map<std::wstring, Bytes> FilesBelow(const fs::path& folder) {
    std::map<std::wstring, Bytes> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), folder).wstring()] = ReadBytes(entry.path());
    return files;
}

std::vector<std::wstring> NamesIn(const fs::path& folder) {
    std::vector<std::wstring> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().wstring());
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

void Append(Bytes& out, std::string_view ascii) {
    // One byte at a time: GCC 12 warns wrongly about a range insert here.
    out.reserve(out.size() + ascii.size());
    for (const char c : ascii)
        out.push_back(static_cast<std::uint8_t>(c));
}

void Append(Bytes& out, const Bytes& bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

// Stands in for the compressed streams of a real document.
void AppendBinary(Bytes& out, unsigned seed, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i)
        out.push_back(i % 7 == 0 ? 0x00 : static_cast<std::uint8_t>((i * 131 + seed * 17) | 0x80));
}

} // namespace

Bytes AiDocument(const std::vector<std::wstring>& links, LineEnd lineEnd, bool withRecord) {
    const std::string_view end = lineEnd == LineEnd::CrLf ? "\r\n"
                                 : lineEnd == LineEnd::Cr ? "\r"
                                                          : "\n";
    Bytes out;
    Append(out, "%PDF-1.6");
    Append(out, end);
    out.insert(out.end(), {'%', 0xE2, 0xE3, 0xCF, 0xD3});
    Append(out, end);
    Append(out, "1 0 obj\r<</Length 2048/Filter/FlateDecode>>stream\r\n");
    AppendBinary(out, 1, 2048);
    Append(out, "\r\nendstream\rendobj\r");
    Append(out, "2 0 obj\r<</Length 1024>>stream\r\n");
    for (std::string_view line :
         {"%!PS-Adobe-3.0 ", "%%Creator: Adobe Illustrator(R) 24.0", "%%AI8_CreatorVersion: 24.0.1",
          "%%For: (e2e) ()", "%%Title: (test.ai)", "%%CreationDate: 2024/05/01 10:00",
          "%%BoundingBox: 0 0 595 842"}) {
        Append(out, line);
        Append(out, end);
    }
    if (withRecord) {
        Append(out, "%%DocumentFiles:");
        for (std::size_t i = 0; i < links.size(); ++i) {
            if (i > 0)
                Append(out, "%%+");
            Append(out, Cp932(links[i]));
            Append(out, end);
        }
    }
    for (std::string_view line : {"%%DocumentFonts: KozGoPr6N-Regular", "%%EndComments"}) {
        Append(out, line);
        Append(out, end);
    }
    Append(out, "endstream\rendobj\r3 0 obj\r<</Length 4096/Filter/FlateDecode>>stream\r\n");
    AppendBinary(out, 2, 4096);
    Append(out, "\r\nendstream\rendobj\rtrailer\r<</Size 4/Root 1 0 R>>\r%%EOF\r");
    return out;
}

Bytes PngImage(unsigned seed) {
    return EncodePng(Pattern(8, 8, seed));
}

LockedFile::LockedFile(const fs::path& path)
    : handle_(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}

LockedFile::~LockedFile() {
    if (held())
        ::CloseHandle(handle_);
}

bool LockedFile::held() const noexcept {
    return handle_ != INVALID_HANDLE_VALUE;
}

EnvironmentVariable::EnvironmentVariable(std::wstring name, const std::wstring& value)
    : name_(std::move(name)) {
    if (const DWORD size = ::GetEnvironmentVariableW(name_.c_str(), nullptr, 0)) {
        std::wstring earlier(size, L'\0');
        earlier.resize(::GetEnvironmentVariableW(name_.c_str(), earlier.data(), size));
        earlier_ = std::move(earlier);
    }
    if (!::SetEnvironmentVariableW(name_.c_str(), value.c_str()))
        throw DriverError(L"cannot set the environment variable " + name_);
}

EnvironmentVariable::~EnvironmentVariable() {
    ::SetEnvironmentVariableW(name_.c_str(), earlier_ ? earlier_->c_str() : nullptr);
}

} // namespace marovan::e2e
