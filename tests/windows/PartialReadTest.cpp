// A run reads a real document only until its link record has ended: a part
// of the file that cannot be read after that (a byte range another program
// holds locked) no longer fails the run, while one before it still does.

#include "AnsweredRunSystem.h"
#include "ScratchFolder.h"

#include "base/Failure.h"
#include "main/CollectionRun.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "tests/support/RecordingView.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace marovan {
namespace {

using win::FilePieces;

std::u16string U16(std::wstring_view text) {
    return {text.begin(), text.end()};
}

// A byte range of a file held locked by another handle, as another program
// would hold it.
class LockedRange {
public:
    LockedRange(const std::wstring& path, std::uint64_t from, std::uint64_t length)
        : file_(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                              nullptr)) {
        range_.Offset = static_cast<DWORD>(from);
        range_.OffsetHigh = static_cast<DWORD>(from >> 32);
        length_ = length;
        held_ = file_ && ::LockFileEx(file_.get(), LOCKFILE_EXCLUSIVE_LOCK |
                                                       LOCKFILE_FAIL_IMMEDIATELY,
                                      0, static_cast<DWORD>(length),
                                      static_cast<DWORD>(length >> 32), &range_);
    }
    ~LockedRange() {
        if (held_)
            ::UnlockFileEx(file_.get(), 0, static_cast<DWORD>(length_),
                           static_cast<DWORD>(length_ >> 32), &range_);
    }
    LockedRange(const LockedRange&) = delete;
    LockedRange& operator=(const LockedRange&) = delete;
    bool held() const noexcept { return held_; }

private:
    win::UniqueFile file_;
    OVERLAPPED range_{};
    std::uint64_t length_ = 0;
    bool held_ = false;
};

constexpr std::string_view kRecord = "%!PS\r\n%%DocumentFiles:C:\\a.png\r\n%%+C:\\b.png\r\n";

class PartialReadTest : public testing::Test {
protected:
    PartialReadTest() {
        ::CreateDirectoryW(destination.c_str(), nullptr);
        // The record at the start of 4 MiB.
        std::string bytes(kRecord);
        bytes += "%%EndComments\r\n";
        bytes.resize(kSize, 'x');
        test::WriteBytes(document, bytes);
    }

    RunEnd Run() {
        test::AnsweredRunSystem system;
        system.folder = U16(destination);
        system.document = U16(document);
        return CollectionRun(view, system, links);
    }

    static constexpr std::size_t kSize = 4u << 20;
    test::ScratchFolder temp{L"partial"};
    std::wstring destination = temp / L"collected";
    std::wstring document = temp / L"doc.ai";
    testing_support::RecordingView view;
    Links links;
};

TEST_F(PartialReadTest, PiecesGrowTheBufferOnlyAsTheyAreRead) {
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

TEST_F(PartialReadTest, ALockedRangeFailsThePieceThatReachesIt) {
    const LockedRange locked(document, 3 * FilePieces::kPiece + 1, 100);
    ASSERT_TRUE(locked.held());
    FilePieces file(document);
    DocumentBytes bytes;
    for (int piece = 0; piece < 3; ++piece)
        ASSERT_EQ(file.ReadPiece(bytes), FilePieces::kPiece);
    try {
        file.ReadPiece(bytes);
        FAIL() << "a locked range was read";
    } catch (const SystemError& error) {
        EXPECT_EQ(error.Code(), static_cast<unsigned long>(ERROR_LOCK_VIOLATION));
    }
    EXPECT_EQ(bytes.size(), 3 * FilePieces::kPiece) << "a failed piece left bytes behind";
}

TEST_F(PartialReadTest, ALockedTailAfterTheRecordKeepsTheLinks) {
    const LockedRange locked(document, 1u << 20, kSize - (1u << 20));
    ASSERT_TRUE(locked.held());
    ASSERT_EQ(Run(), RunEnd::Completed);
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[0].path, u"C:\\a.png");
    EXPECT_EQ(links[1].path, u"C:\\b.png");
    EXPECT_EQ(view.document.size(), FilePieces::kPiece) << "read beyond the record's piece";
    EXPECT_FALSE(view.documentWhole);
    EXPECT_EQ(view.documentPath, U16(document));
}

TEST_F(PartialReadTest, ALockedRangeInTheRecordFailsTheRunWithTheCannotOpenReport) {
    const LockedRange locked(document, 20, 10);
    ASSERT_TRUE(locked.held());
    try {
        Run();
        FAIL() << "the run read a locked record";
    } catch (const Failure& failure) {
        const std::u16string prefix = u"ファイル " + U16(document) + u" は開けません。 ";
        EXPECT_EQ(failure.Message().substr(0, prefix.size()), prefix);
        EXPECT_GT(failure.Message().size(), prefix.size() + 1) << "no reason given";
    }
    EXPECT_TRUE(links.empty());
}

} // namespace
} // namespace marovan
