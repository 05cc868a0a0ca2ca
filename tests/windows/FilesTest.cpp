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
#include <functional>
#include <mutex>
#include <span>
#include <string_view>
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

TEST(ErrorMode, CriticalErrorsFailSilentlyAndTheRestOfTheModeIsKept) {
    const UINT before = ::GetErrorMode();
    for (const UINT mode : {0u, static_cast<UINT>(SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX),
                            static_cast<UINT>(SEM_FAILCRITICALERRORS)}) {
        ::SetErrorMode(mode);
        FailCriticalErrorsSilently();
        EXPECT_EQ(::GetErrorMode(), mode | SEM_FAILCRITICALERRORS) << "from mode " << mode;
    }
    ::SetErrorMode(before);
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

// The shell's file operation answers partly in codes of its own, older than
// the system's codes, whose numbers mean something else to the system: 0x78
// would read "not implemented", 0xB7 "already exists".
TEST(ShellOperationError, TellsTheShellsOwnCodesInTheSystemsAndPassesTheSystemsOn) {
    struct Case {
        int result;
        DWORD error;
    };
    const DWORD unexplained = static_cast<DWORD>(E_FAIL);
    const Case cases[] = {
        // The shell's codes, by their meaning.
        {0x75, ERROR_CANCELLED},
        {0x78, ERROR_ACCESS_DENIED},
        {0x79, ERROR_FILENAME_EXCED_RANGE},
        {0x7C, ERROR_BAD_PATHNAME},
        {0x81, ERROR_FILENAME_EXCED_RANGE},
        {0x82, ERROR_WRITE_PROTECT},
        {0x85, ERROR_FILE_TOO_LARGE},
        {0x88, ERROR_WRITE_PROTECT},
        {0xB7, ERROR_FILENAME_EXCED_RANGE},
        {0x402, ERROR_BAD_PATHNAME},
        {0x10074, ERROR_ACCESS_DENIED},
        // The shell's, unexplained: a failure of no known cause.
        {0x77, unexplained},
        {0x7B, unexplained},
        {0x90, unexplained},
        {0x10000, unexplained},
        {0x10081, unexplained},
        {-1, unexplained},
        // The system's own, as they are.
        {ERROR_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND},
        {ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED},
        {ERROR_SHARING_VIOLATION, ERROR_SHARING_VIOLATION},
        {ERROR_DISK_FULL, ERROR_DISK_FULL},
        {ERROR_FILENAME_EXCED_RANGE, ERROR_FILENAME_EXCED_RANGE},
        {ERROR_CANCELLED, ERROR_CANCELLED},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ShellOperationError(c.result), c.error) << std::hex << "0x" << c.result;
    // Whatever the shell's range holds, its number is never read as the
    // system's.
    for (int result = 0x71; result <= 0xB7; ++result)
        EXPECT_NE(ShellOperationError(result), static_cast<DWORD>(result))
            << std::hex << "0x" << result;
    // A failure of no known cause still has the system's words.
    EXPECT_FALSE(SystemMessage(unexplained).starts_with(L"System error"));
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

// Notes the paths this program hands to the system's file calls, by putting
// a stand-in into the program's own import table, which every call of the
// program goes through, on any thread; the stand-in passes each call on.
// Wine takes paths of any length in any form, so only what the calls were
// given can show that a deep path went in the form that Windows needs.
class FileCallWatch {
public:
    FileCallWatch() {
        Watch("GetFileAttributesW", &NoteGetFileAttributes, realGetFileAttributes_);
        Watch("GetFileAttributesExW", &NoteGetFileAttributesEx, realGetFileAttributesEx_);
        Watch("CreateFileW", &NoteCreateFile, realCreateFile_);
        Watch("CopyFileExW", &NoteCopyFileEx, realCopyFileEx_);
    }
    ~FileCallWatch() {
        for (const Patched& patched : patched_)
            Put(patched.slot, patched.real);
        std::lock_guard lock(mutex_);
        paths_.clear();
    }
    FileCallWatch(const FileCallWatch&) = delete;
    FileCallWatch& operator=(const FileCallWatch&) = delete;

    bool complete() const { return patched_.size() == 4; }
    // The paths given since the last call.
    static std::vector<std::wstring> Take() {
        std::lock_guard lock(mutex_);
        return std::exchange(paths_, {});
    }

private:
    struct Patched {
        void** slot;
        void* real;
    };

    static void Note(LPCWSTR path) {
        std::lock_guard lock(mutex_);
        paths_.emplace_back(path ? path : L"");
    }
    static DWORD WINAPI NoteGetFileAttributes(LPCWSTR path) {
        Note(path);
        return realGetFileAttributes_(path);
    }
    static BOOL WINAPI NoteGetFileAttributesEx(LPCWSTR path, GET_FILEEX_INFO_LEVELS level,
                                               LPVOID data) {
        Note(path);
        return realGetFileAttributesEx_(path, level, data);
    }
    static HANDLE WINAPI NoteCreateFile(LPCWSTR path, DWORD access, DWORD share,
                                        LPSECURITY_ATTRIBUTES security, DWORD disposition,
                                        DWORD flags, HANDLE model) {
        Note(path);
        return realCreateFile_(path, access, share, security, disposition, flags, model);
    }
    static BOOL WINAPI NoteCopyFileEx(LPCWSTR from, LPCWSTR to, LPPROGRESS_ROUTINE progress,
                                      LPVOID data, LPBOOL cancel, DWORD flags) {
        Note(from);
        Note(to);
        return realCopyFileEx_(from, to, progress, data, cancel, flags);
    }

    // The import table's entry for a function of kernel32 in this program.
    static void** ImportSlot(const char* function) {
        auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports =
            nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* module =
                 reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
             module->Name; ++module) {
            if (::lstrcmpiA(reinterpret_cast<const char*>(base + module->Name), "kernel32.dll") !=
                    0 ||
                !module->OriginalFirstThunk)
                continue;
            auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->OriginalFirstThunk);
            auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
            for (; name->u1.AddressOfData; ++name, ++slot) {
                if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal))
                    continue;
                const auto* byName =
                    reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
                if (std::string_view(reinterpret_cast<const char*>(byName->Name)) == function)
                    return reinterpret_cast<void**>(&slot->u1.Function);
            }
        }
        return nullptr;
    }
    static void Put(void** slot, void* value) {
        DWORD protection = 0;
        if (!::VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &protection))
            return;
        *slot = value;
        ::VirtualProtect(slot, sizeof(*slot), protection, &protection);
    }
    template <class Function> void Watch(const char* name, Function stand, Function& real) {
        void** slot = ImportSlot(name);
        if (!slot)
            return;
        real = reinterpret_cast<Function>(*slot);
        patched_.push_back({slot, *slot});
        Put(slot, reinterpret_cast<void*>(stand));
    }

    static inline std::mutex mutex_;
    static inline std::vector<std::wstring> paths_;
    static inline decltype(&::GetFileAttributesW) realGetFileAttributes_ = nullptr;
    static inline decltype(&::GetFileAttributesExW) realGetFileAttributesEx_ = nullptr;
    static inline decltype(&::CreateFileW) realCreateFile_ = nullptr;
    static inline decltype(&::CopyFileExW) realCopyFileEx_ = nullptr;
    std::vector<Patched> patched_;
};

TEST_F(FilesTest, AnImageDeeperThanMaxPathIsFoundAndCopiedThroughItsLongForm) {
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
    const std::wstring copy = folder + L"\\copy.png";
    WindowsRunSystem system;
    const std::u16string source(image.begin(), image.end());
    const FileCallWatch watch;
    ASSERT_TRUE(watch.complete()) << "the program's file calls cannot be watched";
    struct Step {
        const char* what;
        std::function<bool()> works;
    };
    const Step steps[] = {
        {"Locate", [&] { return system.Locate(source, {}) == RunSystem::Presence::File; }},
        {"FactsOf", [&] { return system.FactsOf(source).has_value(); }},
        {"IdentityOf", [&] { return system.IdentityOf(source).has_value(); }},
        {"CopyImage", [&] { return !system.CopyImage(source, View(copy), {}).has_value(); }},
    };
    for (const Step& step : steps) {
        FileCallWatch::Take();
        EXPECT_TRUE(step.works()) << step.what;
        const std::vector<std::wstring> given = FileCallWatch::Take();
        EXPECT_FALSE(given.empty()) << step.what << " called none of the watched calls";
        for (const std::wstring& path : given)
            EXPECT_TRUE(path.starts_with(L"\\\\?\\"))
                << step.what << " gave " << std::string(path.begin(), path.end());
    }
    EXPECT_EQ(ReadBytes(LongPathForm(copy)), "deep");
}

} // namespace
} // namespace marovan::win
