// Prints how long the per-document work of a run takes on Windows for a large
// document: reading it whole, replacing its NUL bytes, decoding it with the
// ANSI code page and extracting its links. Usage: marovan_large_bench [MiB]

#include "main/Extraction.h"
#include "platform/Files.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t mib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1024;
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + L"marovan-large-bench.ai";

    // A document of binary data with the record near its end, as many are.
    {
        std::vector<char> chunk(1 << 20);
        for (std::size_t i = 0; i < chunk.size(); ++i)
            chunk[i] = static_cast<char>((i * 2654435761u >> 24) & 0x7F);
        const std::string record = "\r\n%%DocumentFiles:C:\\work\\\x89\xe6\x91\x9c\\a.psd\r\n%%+C:"
                                   "\\work\\b.tif\r\n%%End\r\n";
        HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        for (std::size_t i = 0; i < mib; ++i) {
            if (i == mib - mib / 10 - 1)
                ::WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written,
                            nullptr);
            ::WriteFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &written, nullptr);
        }
        ::CloseHandle(file);
    }

    auto start = Clock::now();
    std::vector<std::uint8_t> bytes = marovan::win::ReadWholeFile(path);
    const double read = Since(start);
    start = Clock::now();
    for (std::size_t at = 0; at < bytes.size(); at += 64 * 1024)
        marovan::ReplaceNulBytes(
            std::span(bytes).subspan(at, std::min<std::size_t>(64 * 1024, bytes.size() - at)));
    const double convert = Since(start);
    start = Clock::now();
    const std::u16string text = marovan::win::DecodeCodePage(bytes, CP_ACP);
    const double decode = Since(start);
    bytes = {};
    start = Clock::now();
    int links = 0;
    marovan::ExtractLinks(text, [&](std::u16string_view, std::u16string_view) { ++links; });
    const double extract = Since(start);
    ::DeleteFileW(path.c_str());

    std::printf("document %zu MiB: read %.2f s, NUL replacement %.2f s, decode %.2f s (%zu units), "
                "extraction %.2f s (%d links)\n",
                mib, read, convert, decode, text.size(), extract, links);
    return links == 2 ? 0 : 1;
}
