// Reading a real document piece by piece: memory grows only with what was
// read. (Locked byte ranges are tested end to end: under Wine a lock binds
// only other processes.)

#include "ScratchFolder.h"

#include "platform/Files.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace marovan {
namespace {

using win::FilePieces;

constexpr std::string_view kRecord = "%!PS\r\n%%DocumentFiles:C:\\a.png\r\n%%+C:\\b.png\r\n";

class FilePiecesTest : public testing::Test {
protected:
    FilePiecesTest() {
        // The record at the start of 4 MiB.
        std::string bytes(kRecord);
        bytes += "%%EndComments\r\n";
        bytes.resize(kSize, 'x');
        test::WriteBytes(document, bytes);
    }

    static constexpr std::size_t kSize = 4u << 20;
    test::ScratchFolder temp{L"pieces"};
    std::wstring document = temp / L"doc.ai";
};

TEST_F(FilePiecesTest, PiecesGrowTheBufferOnlyAsTheyAreRead) {
    FilePieces file(document);
    EXPECT_EQ(file.Size(), kSize);
    DocumentBytes bytes;
    ASSERT_EQ(file.ReadPiece(bytes), FilePieces::kPiece);
    EXPECT_LT(bytes.capacity(), 2 * FilePieces::kPiece) << "a buffer for the whole file up front";
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + kRecord.size()), kRecord);
    while (file.ReadPiece(bytes) != 0) {
        EXPECT_LE(bytes.capacity(), 2 * bytes.size());
    }
    EXPECT_EQ(bytes.size(), kSize);
    EXPECT_EQ(bytes.capacity(), kSize) << "more held than the file needs";

    // From an offset: the rest, as the debug view reads it.
    FilePieces rest(document, kSize - 10);
    DocumentBytes tail;
    EXPECT_EQ(rest.ReadPiece(tail), 10u);
    EXPECT_EQ(rest.ReadPiece(tail), 0u);
    EXPECT_EQ(std::string(tail.begin(), tail.end()), std::string(10, 'x'));
}

} // namespace
} // namespace marovan
