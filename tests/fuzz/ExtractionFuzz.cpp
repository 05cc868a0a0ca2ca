// Document bytes through the portable half of the reading: NUL replacement,
// a stand-in decoding, the link record, file names, PositionFrom and the
// character boundary of a piece.

#include "base/CodePage.h"
#include "main/Extraction.h"
#include "tests/fuzz/FuzzCheck.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace {

using marovan::ExtractLinks;
using marovan::FileNameOf;
using marovan::PositionFrom;

constexpr std::u16string_view kMarker = u"%%DocumentFiles:";
constexpr std::u16string_view kContinuation = u"%%+";
constexpr auto npos = std::u16string_view::npos;

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

bool IsPathSeparator(char16_t unit) {
    return unit == u'\\' || unit == u'/' || unit == u':';
}

void CheckReplaceNulBytes(const std::vector<std::uint8_t>& original,
                          const std::vector<std::uint8_t>& replaced) {
    FUZZ_CHECK(original.size() == replaced.size());
    for (std::size_t i = 0; i < original.size(); ++i)
        FUZZ_CHECK(replaced[i] == (original[i] == 0 ? ',' : original[i]));
}

void CheckFileName(std::u16string_view path, std::u16string_view name) {
    FUZZ_CHECK(name == FileNameOf(path));
    FUZZ_CHECK(path.ends_with(name));
    FUZZ_CHECK(name.find_first_of(u"\\/:") == npos);
    // Nothing of the name was cut: what precedes it is the last separator.
    if (name.size() < path.size())
        FUZZ_CHECK(IsPathSeparator(path[path.size() - name.size() - 1]));
}

// The record as the reading rules describe it, walked line by line.
void CheckRecord(std::u16string_view text, bool found, const std::vector<std::u16string>& paths) {
    const std::size_t marker = text.find(kMarker);
    FUZZ_CHECK(found == (marker != npos));
    if (!found) {
        FUZZ_CHECK(paths.empty());
        return;
    }
    std::size_t at = marker + kMarker.size();
    for (std::size_t i = 0;; ++i) {
        const std::size_t end = text.find_first_of(u"\r\n", at);
        if (end == npos) {
            FUZZ_CHECK(paths.size() == i); // an unterminated path is not taken
            return;
        }
        FUZZ_CHECK(i < paths.size());
        FUZZ_CHECK(paths[i] == text.substr(at, end - at));
        at = end + (text.substr(end, 2) == u"\r\n" ? 2 : 1);
        if (!text.substr(at).starts_with(kContinuation)) {
            FUZZ_CHECK(paths.size() == i + 1);
            return;
        }
        at += kContinuation.size();
    }
}

void CheckPositionFrom(std::u16string_view needle, std::u16string_view text, std::ptrdiff_t index) {
    const std::size_t got = PositionFrom(needle, text, index);
    std::size_t start = index <= 0 ? 0 : static_cast<std::size_t>(index);
    if (start >= text.size()) {
        FUZZ_CHECK(got == 0);
        return;
    }
    if (index > 0 && IsHighSurrogate(text[start - 1]) && IsLowSurrogate(text[start]))
        ++start; // offset `start` is the second half of a pair
    const std::size_t expected = text.find(needle, start);
    FUZZ_CHECK(got == (expected == npos ? 0 : expected + 1));
}

void CheckPositionsIn(std::u16string_view text, const std::uint8_t* data, std::size_t size) {
    const auto byte = [&](std::size_t i) -> std::size_t { return i < size ? data[i] : 0; };
    const auto length = static_cast<std::ptrdiff_t>(text.size());
    const std::ptrdiff_t indexes[] = {std::numeric_limits<std::ptrdiff_t>::min(),
                                      -1,
                                      0,
                                      1,
                                      static_cast<std::ptrdiff_t>(byte(0) | byte(1) << 8),
                                      static_cast<std::ptrdiff_t>(byte(2)),
                                      length - 1,
                                      length,
                                      length + 1,
                                      std::numeric_limits<std::ptrdiff_t>::max()};
    const std::size_t from = text.empty() ? 0 : (byte(3) | byte(4) << 8) % text.size();
    const std::u16string_view needles[] = {
        kMarker, kContinuation, u"\r\n", u"", text.substr(from, byte(5) % 8), text.substr(from, 1)};
    for (const auto needle : needles)
        for (const std::ptrdiff_t index : indexes)
            CheckPositionFrom(needle, text, index);
    // Searches that would start on the second half of a pair, and next to it.
    int pairs = 0;
    for (std::size_t i = 1; i < text.size() && pairs < 8; ++i) {
        if (!IsHighSurrogate(text[i - 1]))
            continue;
        ++pairs;
        for (const std::ptrdiff_t index :
             {static_cast<std::ptrdiff_t>(i) - 1, static_cast<std::ptrdiff_t>(i),
              static_cast<std::ptrdiff_t>(i) + 1}) {
            CheckPositionFrom(text.substr(i, 1), text, index);
            CheckPositionFrom(text.substr(i - 1, 2), text, index);
            CheckPositionFrom(u"", text, index);
        }
    }
}

// The forward reading of a code page: a lead byte takes the next byte with
// it, whatever that is.
void CheckWholeCharacterPrefix(const std::vector<std::uint8_t>& bytes) {
    marovan::LeadBytes lead{};
    for (int b = 0x81; b <= 0x9F; ++b)
        lead[static_cast<std::size_t>(b)] = true;
    for (int b = 0xE0; b <= 0xFC; ++b)
        lead[static_cast<std::size_t>(b)] = true;
    std::size_t boundary = 0;
    std::size_t at = 0;
    while (at < bytes.size()) {
        at += lead[bytes[at]] ? 2 : 1;
        if (at <= bytes.size())
            boundary = at;
    }
    FUZZ_CHECK(marovan::WholeCharacterPrefix(bytes, marovan::CodePageShape::DoubleByte(lead)) ==
               boundary);
}

// UTF-8: the bytes are cut before their last sequence exactly when its lead
// byte promises more bytes than there are left.
void CheckUtf8Prefix(const std::vector<std::uint8_t>& bytes) {
    std::size_t expected = bytes.size();
    for (std::size_t p = bytes.size(); p-- > 0;) {
        const std::uint8_t b = bytes[p];
        if ((b & 0xC0) == 0x80)
            continue;
        const std::size_t length = b >= 0xF0 && b <= 0xF4   ? 4
                                   : b >= 0xE0 && b <= 0xEF ? 3
                                   : b >= 0xC2 && b <= 0xDF ? 2
                                                            : 1;
        if (length > bytes.size() - p)
            expected = p;
        break;
    }
    FUZZ_CHECK(marovan::WholeCharacterPrefix(bytes, marovan::CodePageShape::Utf8()) == expected);
}

// A text that arrives in pieces, cut where the input's bytes say, reads as
// the whole text.
void CheckScannerInPieces(std::u16string_view text, const std::uint8_t* data, std::size_t size,
                          bool found, const std::vector<std::u16string>& paths) {
    marovan::LinkRecordScanner scanner;
    std::size_t at = 0;
    for (std::size_t i = 0; at < text.size(); ++i) {
        const std::size_t piece = size == 0 ? text.size() : 1 + data[i % size] % 64;
        scanner.Feed(text.substr(at, piece));
        at += std::min(piece, text.size() - at);
    }
    scanner.Finish();
    FUZZ_CHECK(scanner.Found() == found);
    FUZZ_CHECK(scanner.Paths() == paths);
}

// The stretch ends right after the first lead byte that a CR or LF follows,
// found here by walking the characters from the start.
void CheckStretchKeepingLineEnds(const std::vector<std::uint8_t>& bytes) {
    marovan::LeadBytes lead{};
    for (int b = 0x81; b <= 0x9F; ++b)
        lead[static_cast<std::size_t>(b)] = true;
    std::size_t expected = bytes.size();
    for (std::size_t i = 0; i + 1 < bytes.size();) {
        if (lead[bytes[i]]) {
            if (bytes[i + 1] == '\r' || bytes[i + 1] == '\n') {
                expected = i + 1;
                break;
            }
            i += 2;
        } else {
            ++i;
        }
    }
    FUZZ_CHECK(marovan::StretchKeepingLineEnds(bytes, marovan::CodePageShape::DoubleByte(lead)) ==
               expected);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> original(data, data + size);
    std::vector<std::uint8_t> bytes = original;
    marovan::ReplaceNulBytes(bytes);
    CheckReplaceNulBytes(original, bytes);
    CheckWholeCharacterPrefix(original);
    CheckUtf8Prefix(original);
    CheckStretchKeepingLineEnds(original);

    // Stands in for the code-page decoder, which only Windows has: one unit
    // per byte keeps every ASCII structure of the document where it was.
    const std::u16string text(bytes.begin(), bytes.end());

    std::vector<std::u16string> paths;
    const bool found = ExtractLinks(text, [&](std::u16string_view path, std::u16string_view name) {
        FUZZ_CHECK(text.find(path) != npos);
        FUZZ_CHECK(path.find_first_of(u"\r\n") == npos);
        CheckFileName(path, name);
        paths.emplace_back(path);
    });
    CheckRecord(text, found, paths);

    CheckScannerInPieces(text, data, size, found, paths);

    CheckFileName(text, FileNameOf(text));
    CheckPositionsIn(text, data, size);
    // Pairs of bytes as units reach the surrogate rule of PositionFrom, which
    // one unit per byte never does.
    std::u16string wide(size / 2, u'\0');
    for (std::size_t i = 0; i < wide.size(); ++i)
        wide[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
    CheckPositionsIn(wide, data, size);
    return 0;
}
