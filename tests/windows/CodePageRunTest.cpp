// A run decodes a document in pieces of 64 KiB, each cut at a character
// boundary of the code page it decodes with. A link whose characters straddle
// a cut must come out whole in every kind of code page: double-byte, UTF-8
// (the system ANSI code page some offices switch on) and single-byte.

#include "AnsweredRunSystem.h"
#include "ScratchFolder.h"

#include "main/CollectionRun.h"
#include "main/WindowsRunSystem.h"
#include "tests/support/RecordingView.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

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

class CodePageRun : public testing::TestWithParam<CodePageCase> {};

TEST_P(CodePageRun, ALinkAcrossAPieceBoundaryDecodesWhole) {
    const CodePageCase& c = GetParam();
    ASSERT_TRUE(::IsValidCodePage(c.codePage)) << "the system lacks code page " << c.codePage;
    const std::string marker = "%%DocumentFiles:";
    const std::string path = Encode(c.path, c.codePage);
    ASSERT_EQ(path.find('?'), std::string::npos) << "the path does not fit the code page";
    const std::size_t firstWide = Encode(L"C:\\", c.codePage).size();

    test::ScratchFolder temp(L"codepage");
    const std::wstring destination = temp / L"collected";
    ASSERT_TRUE(::CreateDirectoryW(destination.c_str(), nullptr));
    const std::wstring document = temp / L"doc.ai";
    // The piece boundary falls 1, 2 and 3 bytes into the first character
    // that takes several bytes, and right before it.
    constexpr std::size_t kPiece = 64 * 1024;
    for (std::size_t into = 0; into <= 3; ++into) {
        const std::size_t pathAt = kPiece - firstWide - into;
        std::string bytes(pathAt - marker.size() - 2, 'x');
        bytes += "\r\n" + marker + path + "\r\n%%+C:\\plain.png\r\n%%EndComments\r\n";
        test::WriteBytes(document, bytes);

        testing_support::RecordingView view;
        Links links;
        DocumentPaths documents;
        test::AnsweredRunSystem system(c.codePage);
        system.folder = U16(destination);
        system.document = U16(document);
        ASSERT_EQ(CollectionRun(view, system, links, documents), RunEnd::Completed) << into;
        ASSERT_EQ(links.size(), 2u) << into;
        EXPECT_EQ(links[0].path, U16(c.path)) << "cut " << into << " bytes into a character";
        EXPECT_EQ(links[1].path, u"C:\\plain.png") << into;
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

INSTANTIATE_TEST_SUITE_P(EachKind, CodePageRun, testing::ValuesIn(kCodePages),
                         [](const auto& info) { return std::to_string(info.param.codePage); });

} // namespace
} // namespace marovan
