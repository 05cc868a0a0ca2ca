#include "ScratchFolder.h"

#include "base/Failure.h"
#include "main/WindowsRunSystem.h"
#include "platform/Collecting.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Shell.h"
#include "platform/WinText.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <span>
#include <thread>
#include <vector>

namespace marovan::win {
namespace {

using test::Exists;
using test::ReadBytes;
using test::ScratchFolder;

std::u16string Cp932(const std::string& bytes) {
    return DecodeCodePage({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, 932);
}

TEST(DecodeCodePage, DecodesShiftJisAndSubstitutesWhatItCannot) {
    EXPECT_EQ(Cp932("C:\\\x89\xe6\x91\x9c\\\x8e\xca\x90\x5e.psd"), u"C:\\画像\\写真.psd");
    EXPECT_EQ(Cp932("\x83\x4a\x83\x69 \xb1"), u"カナ ｱ");
    // A lead byte with an invalid trail byte is swallowed with it, even an
    // ASCII one; 0x80 and 0xA0 and 0xFD-0xFF map to private code points.
    EXPECT_EQ(Cp932("\x82\x20\x42"), u"\u30FB\u0042");
    EXPECT_EQ(Cp932("\x80\xa0\xfd"), u"\u0080\uF8F0\uF8F1");
    // A line end after a lead byte stays a line end: the lead byte alone is
    // a substitute.
    EXPECT_EQ(Cp932("a\x82\r%%+b\x9f\nc"), u"a\u30FB\r%%+b\u30FB\nc");
    EXPECT_EQ(Cp932("\x82\x82\r"), u"\uFF42\r");
    // A lead byte cut by the end of the document.
    EXPECT_EQ(Cp932("ab\x82"), u"ab\u30FB");
    EXPECT_EQ(Cp932(""), u"");
}

// The run decodes a document piece by piece, cutting each piece at the last
// character boundary it can see; the text must be the whole document's.
TEST(DecodeCodePage, PiecesCutAtCharacterBoundariesDecodeAsTheWhole) {
    std::vector<std::uint8_t> bytes(200000);
    std::uint32_t x = 12345;
    for (auto& b : bytes) {
        x = x * 1103515245u + 12345u;
        // Many lead bytes in a row, so that the cuts have runs to look back over.
        b = (x >> 16) % 3 == 0 ? static_cast<std::uint8_t>(0x81 + (x >> 8) % 31)
                               : static_cast<std::uint8_t>(x >> 24);
    }
    const std::u16string whole = DecodeCodePage(bytes, 932);
    const CodePageShape shape = CodePageShapeOf(932);
    for (const std::size_t pieceSize : {2u, 3u, 7u, 4096u, 65536u}) {
        std::u16string pieces;
        std::span<const std::uint8_t> rest(bytes);
        while (!rest.empty()) {
            const std::size_t length = rest.size() <= pieceSize
                                           ? rest.size()
                                           : WholeCharacterPrefix(rest.first(pieceSize), shape);
            ASSERT_GT(length, 0u);
            DecodeCodePageAppend(rest.first(length), 932, shape, pieces);
            rest = rest.subspan(length);
        }
        EXPECT_TRUE(pieces == whole) << "pieces of " << pieceSize;
    }
}

TEST(DecodeCodePage, KnowsHowEachCodePageBuildsItsCharacters) {
    const CodePageShape cp932 = CodePageShapeOf(932);
    ASSERT_EQ(cp932.kind, CodePageShape::Kind::DoubleByte);
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(cp932.lead[b], (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) << b;
    for (const UINT doubleByte : {936u, 949u, 950u})
        EXPECT_EQ(CodePageShapeOf(doubleByte).kind, CodePageShape::Kind::DoubleByte) << doubleByte;
    EXPECT_EQ(CodePageShapeOf(CP_UTF8).kind, CodePageShape::Kind::Utf8);
    EXPECT_EQ(CodePageShapeOf(1252).kind, CodePageShape::Kind::SingleByte);
}

TEST(DecodeCodePage, CommasFromNulBytesSurvive) {
    EXPECT_EQ(Cp932(",%%DocumentFiles:a,\r\n"), u",%%DocumentFiles:a,\r\n");
}

TEST(DesktopPath, IsAnExistingFolder) {
    const std::wstring desktop = DesktopPath(nullptr);
    ASSERT_FALSE(desktop.empty());
    EXPECT_LE(desktop.size(), MAX_PATH);
    const DWORD attributes = ::GetFileAttributesW(desktop.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

class FilesTest : public testing::Test {
protected:
    // A file of the scratch folder with the given bytes; its path.
    std::wstring Write(const std::wstring& name, const std::string& bytes) const {
        const std::wstring path = temp / name;
        test::WriteBytes(path, bytes);
        return path;
    }
    std::wstring Folder(const std::wstring& name) const {
        const std::wstring path = temp / name;
        ::CreateDirectoryW(path.c_str(), nullptr);
        return path;
    }

    ScratchFolder temp{L"files"};
};

TEST_F(FilesTest, OnlyRegularFilesExist) {
    const std::wstring file = Write(L"a.png", "png");
    EXPECT_TRUE(IsRegularFile(file));
    EXPECT_TRUE(IsRegularFile(Write(L"写真.psd", "psd")));
    EXPECT_FALSE(IsRegularFile(Folder(L"folder.png")));
    EXPECT_FALSE(IsRegularFile(temp / L"missing.png"));
    EXPECT_FALSE(IsRegularFile(L""));
    EXPECT_FALSE(IsRegularFile(temp.path() + L"\\"));
    // A locked file still exists.
    HANDLE locked = ::CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(IsRegularFile(file));
    ::CloseHandle(locked);
}

TEST_F(FilesTest, DeviceNamesAreNeverFiles) {
    // COM1 reaches a real serial device under Wine; none of these may be
    // opened, let alone found.
    for (const wchar_t* device : {L"COM1", L"NUL", L"C:\\images\\con.png", L"\\\\.\\COM1",
                                  L"\\\\?\\GLOBALROOT\\Device\\Null", L"LPT1.tif", L"aux"}) {
        EXPECT_FALSE(IsRegularFile(device)) << device;
    }
    EXPECT_FALSE(IsRegularFile(temp / L"NUL.png"));
}

TEST_F(FilesTest, ReadsAWholeDocument) {
    std::string bytes("%!PS\0\r\n%%DocumentFiles:a\r\n", 27);
    const std::wstring document = Write(L"doc.ai", bytes);
    const auto read = ReadWholeFile(document);
    EXPECT_EQ(std::string(read.begin(), read.end()), bytes);
    EXPECT_TRUE(ReadWholeFile(Write(L"empty.ai", "")).empty());
}

// The message a run shows for a document it cannot read.
std::u16string FailureOf(const std::wstring& path) {
    try {
        DocumentBytes bytes;
        WindowsRunSystem().OpenDocument(View(path))->ReadPiece(bytes);
    } catch (const Failure& failure) {
        return failure.Message();
    }
    return u"<no failure>";
}

TEST_F(FilesTest, UnreadableDocumentsFailWithTheCannotOpenMessage) {
    const std::u16string prefix = u"ファイル " + U16(temp / L"missing.ai") + u" は開けません。 ";
    const std::u16string missing = FailureOf(temp / L"missing.ai");
    EXPECT_EQ(missing.substr(0, prefix.size()), prefix);
    EXPECT_GT(missing.size(), prefix.size() + 1) << "the system's description is missing";
    EXPECT_EQ(missing.back(), u' ');
    EXPECT_NE(missing[missing.size() - 2], u'.');

    EXPECT_NE(FailureOf(Folder(L"folder.ai")), u"<no failure>");

    // Held open for writing by another program: it is opened for reading
    // while others may only read.
    const std::wstring busy = Write(L"busy.ai", "data");
    HANDLE writer = ::CreateFileW(busy.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_NE(FailureOf(busy), u"<no failure>");
    ::CloseHandle(writer);
    // Only reading once the writer is gone; a reader alone does not stop us.
    HANDLE reader = ::CreateFileW(busy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(ReadWholeFile(busy).size(), 4u);
    ::CloseHandle(reader);
    EXPECT_NE(FailureOf(L"COM1"), u"<no failure>");
}

TEST_F(FilesTest, ACopyKeepsItsTimeAndNeverReplacesAFile) {
    const std::wstring destination = Folder(L"dest");
    // Large enough to take a while, so the window must be kept alive.
    const std::string content = "new image" + std::string(64 << 20, 'x');
    const std::wstring image = Write(L"画像.psd", content);
    int calls = 0;
    EXPECT_EQ(CopyNewFile(image, destination + L"\\画像.psd", [&] { ++calls; }),
              static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_TRUE(ReadBytes(destination + L"\\画像.psd") == content);
    EXPECT_GT(calls, 0) << "the window is not kept alive during a copy";
    const auto source = FactsOf(image);
    const auto copy = FactsOf(destination + L"\\画像.psd");
    ASSERT_TRUE(source && copy);
    EXPECT_EQ(copy->lastWrite, source->lastWrite);
    EXPECT_EQ(copy->size, source->size);
    EXPECT_NE(IdentityOf(destination + L"\\画像.psd")->id, IdentityOf(image)->id);

    Write(L"dest\\a.png", "old");
    EXPECT_EQ(CopyNewFile(Write(L"a.png", "new"), destination + L"\\a.png", {}),
              static_cast<DWORD>(ERROR_FILE_EXISTS));
    EXPECT_EQ(ReadBytes(destination + L"\\a.png"), "old");
}

TEST_F(FilesTest, FactsAndIdentityTellOneFileByAnySpellingAndNothingElse) {
    const std::wstring image = Write(L"a.png", "img");
    Folder(L"same");
    const auto facts = FactsOf(image);
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->size, 3u);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(::GetFileAttributesExW(image.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(facts->lastWrite,
              static_cast<std::int64_t>(
                  (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                  data.ftLastWriteTime.dwLowDateTime));
    const auto identity = IdentityOf(image);
    ASSERT_TRUE(identity);
    EXPECT_TRUE(identity->hasId);
    const auto again = IdentityOf(temp / L"same\\..\\a.png");
    ASSERT_TRUE(again);
    EXPECT_EQ(again->id, identity->id);
    EXPECT_EQ(again->volume, identity->volume);
    EXPECT_NE(IdentityOf(Write(L"b.png", "img"))->id, identity->id);
    for (const std::wstring& none : {temp / L"missing.png", temp / L"same", std::wstring(L"NUL"),
                                     std::wstring(L"COM1"), std::wstring()}) {
        EXPECT_FALSE(FactsOf(none)) << std::string(none.begin(), none.end());
        EXPECT_FALSE(IdentityOf(none)) << std::string(none.begin(), none.end());
    }
}

TEST(FileNames, CompareWithoutCaseAsTheFileSystemDoes) {
    EXPECT_TRUE(SameFileName(L"Same.PNG", L"same.png"));
    EXPECT_TRUE(SameFileName(L"ÉTÉ.psd", L"été.psd"));
    EXPECT_FALSE(SameFileName(L"same.png", L"same.png "));
    EXPECT_FALSE(SameFileName(L"a.png", L"b.png"));
}

// Counts windows other threads of ours show while a copy runs, and closes
// them, so that a copy that asked the user would fail the test, not hang it.
class WindowWatch {
public:
    WindowWatch()
        : thread_([this] {
            while (!stop_) {
                ::EnumWindows(&WindowWatch::Visit, reinterpret_cast<LPARAM>(this));
                ::Sleep(20);
            }
        }) {}
    ~WindowWatch() {
        stop_ = true;
        thread_.join();
    }
    int seen() const { return seen_; }

private:
    static BOOL CALLBACK Visit(HWND window, LPARAM data) {
        auto* self = reinterpret_cast<WindowWatch*>(data);
        DWORD process = 0;
        ::GetWindowThreadProcessId(window, &process);
        if (process == ::GetCurrentProcessId() && ::IsWindowVisible(window)) {
            ++self->seen_;
            ::PostMessageW(window, WM_CLOSE, 0, 0);
        }
        return TRUE;
    }
    std::atomic<bool> stop_{false};
    std::atomic<int> seen_{0};
    std::thread thread_;
};

TEST_F(FilesTest, ARefusedCopyIsReportedByNobody) {
    // A destination inside a file cannot be written to.
    const std::wstring blocked = Write(L"blocker", "x") + L"\\dest\\a.png";
    const std::wstring image = Write(L"a.png", "img");
    WindowWatch watch;
    EXPECT_NE(CopyNewFile(image, blocked, {}), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_FALSE(Exists(blocked));
    EXPECT_EQ(watch.seen(), 0);
    EXPECT_EQ(ReadBytes(image), "img");
}

// Wine's Recycle Bin is the freedesktop trash under XDG_DATA_HOME, which the
// tests point at a folder of the build tree.
TEST_F(FilesTest, RecyclingMovesAFileAwayAndRefusesALockedOneWithoutAsking) {
    const std::wstring old = Write(L"old.png", "old content");
    WindowWatch watch;
    EXPECT_EQ(MoveToRecycleBin(nullptr, old).result, Recycled::Yes);
    EXPECT_FALSE(Exists(old));

    const std::wstring locked = Write(L"locked.png", "locked content");
    HANDLE holder =
        ::CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    const RecycleResult refused = MoveToRecycleBin(nullptr, locked);
    ::CloseHandle(holder);
    EXPECT_EQ(refused.result, Recycled::Failed);
    EXPECT_EQ(refused.error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(ReadBytes(locked), "locked content");
    EXPECT_EQ(watch.seen(), 0);
}

TEST(LongPathForm, TakesPathsOfAnyLengthInTheFormTheSystemTakesAsTheyStand) {
    const std::wstring deep(300, L'd');
    struct Case {
        std::wstring path, form;
    };
    const Case cases[] = {
        {L"C:\\short\\a.png", L"C:\\short\\a.png"},
        {L"C:\\x\\..\\" + deep + L"/a.png", L"\\\\?\\C:\\" + deep + L"\\a.png"},
        {L"\\\\server\\share\\" + deep + L"\\.\\a.png",
         L"\\\\?\\UNC\\server\\share\\" + deep + L"\\a.png"},
        {L"\\\\?\\C:\\" + deep + L"\\..\\a.png", L"\\\\?\\C:\\" + deep + L"\\..\\a.png"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LongPathForm(c.path), c.form) << std::string(c.path.begin(), c.path.end());
}

TEST_F(FilesTest, AnImageDeeperThanMaxPathIsFoundAndCopied) {
    std::wstring folder = temp.path();
    while (folder.size() < 300) {
        folder += L"\\" + std::wstring(40, L'f');
        ASSERT_TRUE(::CreateDirectoryW(LongPathForm(folder).c_str(), nullptr));
    }
    const std::wstring image = folder + L"\\deep.png";
    {
        const UniqueFile file(::CreateFileW(LongPathForm(image).c_str(), GENERIC_WRITE, 0, nullptr,
                                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file);
        DWORD written = 0;
        ASSERT_TRUE(::WriteFile(file.get(), "deep", 4, &written, nullptr));
    }
    WindowsRunSystem system;
    const std::u16string source(image.begin(), image.end());
    EXPECT_EQ(system.Locate(source, {}), RunSystem::Presence::File);
    EXPECT_TRUE(system.FactsOf(source));
    EXPECT_TRUE(system.IdentityOf(source));
    const std::wstring destination = Folder(L"dest");
    EXPECT_EQ(system.CopyImage(source, View(destination + L"\\deep.png"), {}), std::nullopt);
    EXPECT_EQ(ReadBytes(destination + L"\\deep.png"), "deep");
}

} // namespace
} // namespace marovan::win
