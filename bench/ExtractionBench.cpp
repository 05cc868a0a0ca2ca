// Prints how fast the per-document work of a run goes on a synthetic
// document: NUL replacement in chunks and link extraction.

#include "main/Extraction.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace marovan;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

} // namespace

int main() {
    constexpr std::size_t kSize = 256u << 20;
    std::vector<std::uint8_t> bytes(kSize);
    for (std::size_t i = 0; i < kSize; ++i)
        bytes[i] = static_cast<std::uint8_t>((i * 2654435761u) >> 24);

    auto start = Clock::now();
    for (std::size_t at = 0; at < bytes.size(); at += 64 * 1024)
        ReplaceNulBytes(std::span(bytes).subspan(at, std::min<std::size_t>(64 * 1024, kSize - at)));
    const double convert = Seconds(start);

    // The record near the end, as in many documents, with 2,000 links.
    std::u16string text(bytes.begin(), bytes.end());
    std::u16string record = u"%%DocumentFiles:C:\\work\\images\\photo0.psd\r\n";
    for (int i = 1; i < 2000; ++i)
        record += u"%%+C:\\work\\images\\photo" + std::u16string(1, u'0' + i % 10) + u".psd\r\n";
    text.replace(text.size() - record.size() * 2, record.size(), record);
    for (auto& c : text)
        if (c == u'%')
            c = u'#';
    text.replace(text.size() - record.size() * 2, record.size(), record);

    start = Clock::now();
    std::size_t links = 0;
    ExtractLinks(text, [&](std::u16string_view, std::u16string_view) { ++links; });
    const double extract = Seconds(start);

    std::printf("document: %zu MiB\n", kSize >> 20);
    std::printf("NUL replacement: %.3f s (%.0f MiB/s)\n", convert, (kSize >> 20) / convert);
    std::printf("extraction of %zu links: %.3f s (%.0f MiB of text/s)\n", links, extract,
                (text.size() * 2 >> 20) / extract);
    return 0;
}
