// A run reads a document in pieces of 256 KiB and decodes it, from a
// character start before the record marker, in pieces of 64 KiB, each cut at
// a character boundary of the code page it decodes with. A link whose
// characters straddle either cut must come out whole in every kind of code
// page: double-byte, UTF-8 (the system ANSI code page some offices switch on)
// and single-byte.

#include "AnsweredRunSystem.h"
#include "ScratchFolder.h"

#include "main/CollectionRun.h"
#include "main/WindowsRunSystem.h"
#include "platform/Files.h"
#include "tests/support/RecordingView.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <tuple>

namespace marovan {
namespace {

std::string Encode(std::wstring_view text, UINT codePage) {
    const int length = ::WideCharToMultiByte(
        codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                          length, nullptr, nullptr);
    return bytes;
}

std::u16string U16(std::wstring_view text) {
    return {text.begin(), text.end()};
}

struct CodePageCase {
    UINT codePage;
    const wchar_t* path; // every character but the ASCII ones takes several bytes
};

void PrintTo(const CodePageCase& c, std::ostream* out) {
    *out << "code page " << c.codePage;
}

// The run decodes this much at a time, from where decoding starts.
constexpr std::size_t kDecodingPiece = 64 * 1024;
constexpr std::size_t kReadPiece = win::FilePieces::kPiece;

// Where the record marker stands (ASCII before it, so decoding starts right
// there) and the cut the link is placed across, both from the file's start.
struct Cut {
    const char* name;
    std::size_t marker;
    std::size_t at;
};

const Cut kCuts[] = {
    {"DecodingPiece", 1000, 1000 + kDecodingPiece},
    {"FirstRead", kReadPiece - 50000, kReadPiece},
    // The marker only in the second piece read: the bytes before it are let
    // go, and the decoding pieces count from it all the same.
    {"DecodingPieceAfterTheFirstRead", kReadPiece + 40000, kReadPiece + 40000 + kDecodingPiece},
    {"SecondRead", 2 * kReadPiece - 30000, 2 * kReadPiece},
};

void PrintTo(const Cut& cut, std::ostream* out) {
    *out << cut.name;
}

// Link lines of missing images, exactly `length` bytes, `length` >= 14: each
// a path, a line end and the "%%+" that goes on with the record.
std::string FillerLinks(std::size_t length, std::size_t& count) {
    constexpr std::size_t kAround = std::char_traits<char>::length("C:\\gone\\\r\n%%+");
    constexpr std::size_t kLongest = kAround + 240;
    std::string lines;
    while (length > 0) {
        std::size_t line = std::min(length, kLongest);
        if (length - line != 0 && length - line <= kAround)
            line = length - kAround - 1; // the last line needs a name of its own
        lines += "C:\\gone\\" + std::string(line - kAround, 'f') + "\r\n%%+";
        length -= line;
        ++count;
    }
    return lines;
}

class CodePageRun : public testing::TestWithParam<std::tuple<CodePageCase, Cut>> {};

TEST_P(CodePageRun, ALinkAcrossAPieceBoundaryDecodesWhole) {
    const auto& [c, cut] = GetParam();
    ASSERT_TRUE(::IsValidCodePage(c.codePage)) << "the system lacks code page " << c.codePage;
    const std::string marker = "%%DocumentFiles:";
    const std::string path = Encode(c.path, c.codePage);
    ASSERT_EQ(path.find('?'), std::string::npos) << "the path does not fit the code page";
    const std::size_t firstWide = Encode(L"C:\\", c.codePage).size();

    test::ScratchFolder temp(L"codepage");
    const std::wstring destination = temp / L"collected";
    ASSERT_TRUE(::CreateDirectoryW(destination.c_str(), nullptr));
    const std::wstring document = temp / L"doc.ai";
    // The cut falls right before the first character that takes several
    // bytes, and 1, 2 and 3 bytes into it.
    for (std::size_t into = 0; into <= 3; ++into) {
        SCOPED_TRACE(testing::Message() << "cut " << into << " bytes into a character");
        const std::size_t pathAt = cut.at - firstWide - into;
        std::size_t fillers = 0;
        std::string bytes(cut.marker - 2, 'x');
        bytes += "\r\n" + marker + FillerLinks(pathAt - cut.marker - marker.size(), fillers);
        ASSERT_EQ(bytes.size(), pathAt) << "the link is not where the cut is";
        bytes += path + "\r\n%%+C:\\plain.png\r\n%%EndComments\r\n";
        bytes += std::string(1000, 'x');
        test::WriteBytes(document, bytes);

        testing_support::RecordingView view;
        Links links;
        DocumentPaths documents;
        test::AnsweredRunSystem system(c.codePage);
        system.folder = U16(destination);
        system.document = U16(document);
        ASSERT_EQ(CollectionRun(view, system, links, documents), RunEnd::Completed);
        ASSERT_EQ(links.size(), fillers + 2);
        EXPECT_EQ(links[0].path, u"C:\\gone\\" + std::u16string(240, u'f'));
        EXPECT_EQ(links[fillers].path, U16(c.path));
        EXPECT_EQ(links[fillers + 1].path, u"C:\\plain.png");
    }
}

const CodePageCase kCodePages[] = {
    {932, L"C:\\写真\\画像.psd"},      // Japanese, Shift_JIS
    {936, L"C:\\照片\\图像.psd"},      // Simplified Chinese, GBK
    {949, L"C:\\사진\\그림.psd"},      // Korean
    {950, L"C:\\照片\\圖像.psd"},      // Traditional Chinese, Big5
    {CP_UTF8, L"C:\\写真\\画像😀.psd"}, // three- and four-byte sequences
    {1252, L"C:\\café\\é.png"},        // one byte a character
};

INSTANTIATE_TEST_SUITE_P(EachKind, CodePageRun,
                         testing::Combine(testing::ValuesIn(kCodePages), testing::ValuesIn(kCuts)),
                         [](const auto& info) {
                             return std::to_string(std::get<0>(info.param).codePage) + "_" +
                                    std::get<1>(info.param).name;
                         });

} // namespace
} // namespace marovan
