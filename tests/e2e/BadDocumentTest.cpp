// Documents that are empty, broken, huge, not files at all or not readable:
// every run ends with the program's own message, copies only what it found,
// and leaves the document and the images as they were.

#include "tests/e2e/Driver.h"
#include "tests/e2e/Fixtures.h"
#include "tests/e2e/Hashes.h"
#include "tests/support/LinuxProcess.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <psapi.h>

#include <fstream>
#include <iostream>
#include <iterator>
#include <limits>
#include <optional>

namespace marovan::e2e {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

Bytes Ascii(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

Bytes Repeated(std::uint8_t byte, std::size_t count) {
    return Bytes(count, byte);
}

// A document's head and tail around the given record bytes, with the 0x00
// bytes of binary parts on both sides.
Bytes AroundRecord(const Bytes& record) {
    return Join({Ascii("%PDF-1.6\r\n%\xE2\xE3\xCF\xD3\r\n"), Repeated(0, 300),
                 Ascii("%!PS-Adobe-3.0 \r\n%%Creator: Adobe Illustrator(R) 24.0\r\n"), record,
                 Ascii("%%DocumentFonts: KozGoPr6N-Regular\r\n%%EndComments\r\n"), Repeated(0, 300),
                 Ascii("%%EOF\r")});
}

// Text as code page 932 decodes it on this system: the oracle for bytes that
// only the system's decoder can say how it reads.
std::wstring Decoded932(const Bytes& bytes) {
    const auto* input = reinterpret_cast<const char*>(bytes.data());
    const int size = static_cast<int>(bytes.size());
    std::wstring text(
        static_cast<std::size_t>(::MultiByteToWideChar(932, 0, input, size, nullptr, 0)), L'\0');
    ::MultiByteToWideChar(932, 0, input, size, text.data(), static_cast<int>(text.size()));
    return text;
}

std::wstring SystemDescription(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = buffer ? std::wstring(buffer, length) : L"";
    ::LocalFree(buffer);
    while (!text.empty() && (text.back() <= L' ' || text.back() == L'.'))
        text.pop_back();
    return text;
}

std::wstring CannotOpen(const fs::path& document, DWORD code) {
    return L"ファイル " + document.wstring() + L" は開けません。 " + SystemDescription(code) + L" ";
}

// The Linux process that runs `program` under Wine, found by the path of its
// executable on its command line (each program runs from a folder of its own).
int LinuxProcessOf(const Program& program) {
    const std::string exe = program.Executable().filename().string();
    const std::string folder = program.Folder().filename().string();
    return test::LinuxProcessWhoseCommandLineHolds({folder, exe});
}

// What `program` holds in memory, read from outside: its private bytes, or,
// where Wine gives none, the resident size of its Linux process.
struct MemoryInUse {
    std::uint64_t bytes = 0;
    const char* source = "";
};

MemoryInUse MemoryOf(const Program& program) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    if (::GetProcessMemoryInfo(program.Handle(),
                               reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                               sizeof(counters)) &&
        counters.PrivateUsage != 0)
        return {counters.PrivateUsage, "private bytes (GetProcessMemoryInfo)"};
    const int pid = LinuxProcessOf(program);
    std::ifstream status("Z:\\proc\\" + std::to_string(pid) + "\\status");
    std::string key;
    while (pid != 0 && status >> key) {
        std::uint64_t kib = 0;
        if (key == "VmRSS:" && status >> kib)
            return {kib * 1024, "VmRSS of the Linux process (GetProcessMemoryInfo gave none)"};
        status.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    }
    return {};
}

class BadInputDocument : public testing::Test {
protected:
    // One link row as the table should show it; the image is copied when
    // the mark is "○".
    struct Link {
        std::wstring path;
        std::wstring fileName;
        std::wstring mark;
    };
    struct Case {
        const char* name;
        Bytes bytes;
        bool hasRecord;
        std::vector<Link> links;
    };

    Bytes InImages(std::wstring_view name) { return Cp932((images / name).wstring()); }

    fs::path Image(std::wstring_view name, unsigned seed) {
        const fs::path path = images / name;
        WriteBytes(path, PngImage(seed));
        return path;
    }

    // One run of `app` on a document of these bytes, checked from the
    // message to the last byte of the destination.
    void ExpectRun(const Marovan& app, const Case& row) {
        SCOPED_TRACE(row.name);
        const fs::path document = documents / (std::wstring(L"doc-") + Widened(row.name) + L".ai");
        WriteBytes(document, row.bytes);
        EmptyFolder(destination);
        const Snapshot untouched({documents, images});

        const RunOutcome outcome = CollectAndAnswer(app, destination, document);
        ExpectNoSystemBoxes(outcome);
        const LinkRows rows = ReadLinkRows(app);
        std::vector<std::wstring> marks, paths, names;
        std::map<std::wstring, Bytes> copied;
        for (const Link& link : row.links) {
            marks.push_back(link.mark);
            paths.push_back(link.path);
            names.push_back(link.fileName);
            if (link.mark == L"○")
                copied[link.fileName] = ReadBytes(link.path);
        }
        if (row.hasRecord) {
            ExpectSummary(outcome.last, marks);
            EXPECT_EQ(rows.marks, marks);
        } else {
            ExpectBox(outcome.last, L"エラー", L"リンク情報は見つかりませんでした。", Icon::Error);
        }
        EXPECT_EQ(rows.paths, paths);
        EXPECT_EQ(rows.fileNames, names);
        EXPECT_EQ(HashesOf(destination), HashesOfFiles(copied));
        untouched.ExpectUnchanged();
    }

    // A path cut inside a two-byte character: code page 932 takes the line
    // end's first byte as the missing trail byte, yet the line must still end
    // there, so that the next link keeps its own row.
    Case CutCharacterBefore(std::string_view lineEnd) {
        const std::wstring next = Image(L"next.png", 6).wstring();
        const std::wstring cut = L"cut" + Decoded932(Ascii("\x82"));
        return Case{"cut-character",
                    AroundRecord(Join({Ascii("%%DocumentFiles:C:\\gone\\cut\x82"), Ascii(lineEnd),
                                       Ascii("%%+"), InImages(L"next.png"), Ascii(lineEnd)})),
                    true,
                    {{L"C:\\gone\\" + cut, cut, L"×"}, {next, L"next.png", L"○"}}};
    }

    static std::wstring Widened(std::string_view ascii) {
        return std::wstring(ascii.begin(), ascii.end());
    }

    TempFolder temp{L"bad-doc"};
    fs::path documents = temp.Folder(L"作品");
    fs::path images = temp.Folder(L"画像");
    fs::path destination = temp.Folder(L"収集先");
};

TEST_F(BadInputDocument, EmptyZeroAndCutOffDocumentsEndWithTheProgramsOwnMessage) {
    const std::wstring found = Image(L"a.png", 1).wstring();
    const Bytes record = Join({Ascii("%%DocumentFiles:"), InImages(L"a.png")});
    const Case cases[] = {
        {"empty", {}, false, {}},
        {"only-nul-bytes", Repeated(0, 200000), false, {}},
        {"marker-is-the-last-thing", Join({Repeated(0, 100), Ascii("%%DocumentFiles:")}), true, {}},
        {"path-without-line-end", Join({Repeated(0, 100), record}), true, {}},
        // A lone CR ends a line, as in documents saved on a Mac, also as
        // the very last byte.
        {"path-ended-by-a-lone-cr",
         Join({Repeated(0, 100), record, Ascii("\r")}),
         true,
         {{found, L"a.png", L"○"}}},
        {"second-path-without-line-end",
         Join({Repeated(0, 100), record, Ascii("\r\n%%+C:\\gone\\b.png")}),
         true,
         {{found, L"a.png", L"○"}}},
        {"marker-cut-by-the-end", Join({Repeated(0, 100), Ascii("%%DocumentFile")}), false, {}},
    };
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    for (const Case& row : cases)
        ExpectRun(app, row);
}

TEST_F(BadInputDocument, PathsWithBytesCodePage932CannotDecodeOrMapsOutsideItsCharacters) {
    // Bytes that code page 932 maps to characters of the private use area
    // (its user-defined rows, and the single bytes A0, FD to FF) name real
    // files; a NUL in a path is read as the comma that replaced it.
    const std::wstring userDefined = Image(L"\uE000\uE757.png", 2).wstring();
    const std::wstring singles = Image(L"\uF8F0\uF8F1\uF8F2\uF8F3.png", 3).wstring();
    const std::wstring comma = Image(L"a,b.png", 4).wstring();
    // A name written as UTF-8 by a program that does not know code page 932.
    const std::wstring emoji = Image(L"写真\U0001F600.png", 5).wstring();
    const Bytes emojiUtf8 = Join({Ascii("\xE5\x86\x99\xE7\x9C\x9F\xF0\x9F\x98\x80.png")});
    const std::wstring emojiSeen = (images / Decoded932(emojiUtf8)).wstring();
    const Case cases[] = {
        {"private-use",
         AroundRecord(
             Join({Ascii("%%DocumentFiles:"), InImages(L""), Ascii("\xF0\x40\xF9\xFC.png\r\n%%+"),
                   InImages(L""), Ascii("\xA0\xFD\xFE\xFF.png\r\n")})),
         true,
         {{userDefined, L"\uE000\uE757.png", L"○"},
          {singles, L"\uF8F0\uF8F1\uF8F2\uF8F3.png", L"○"}}},
        {"nul-in-path",
         AroundRecord(Join({Ascii("%%DocumentFiles:"), InImages(L"a"),
                            Ascii(std::string_view("\0b.png\r\n", 8))})),
         true,
         {{comma, L"a,b.png", L"○"}}},
        {"utf8-name",
         AroundRecord(Join({Ascii("%%DocumentFiles:"), InImages(L""), emojiUtf8, Ascii("\r\n")})),
         true,
         {{emojiSeen, fs::path(emojiSeen).filename().wstring(), L"×"}}},
        // A lead byte with a trail byte it cannot take, a lone trail byte,
        // an unassigned pair: each becomes the system's substitute; the
        // table shows what the system decoded.
        {"invalid-pairs",
         AroundRecord(Ascii("%%DocumentFiles:C:\\gone\\\x82\x20x.png\r\n%%+C:\\gone\\\x80y.png\r\n"
                            "%%+C:\\gone\\\x85\x40z.png\r\n")),
         true,
         {{L"C:\\gone\\" + Decoded932(Ascii("\x82\x20x.png")), Decoded932(Ascii("\x82\x20x.png")),
           L"×"},
          {L"C:\\gone\\\u0080y.png", L"\u0080y.png", L"×"},
          {L"C:\\gone\\" + Decoded932(Ascii("\x85\x40z.png")), Decoded932(Ascii("\x85\x40z.png")),
           L"×"}}},
    };
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    for (const Case& row : cases)
        ExpectRun(app, row);
}

TEST_F(BadInputDocument, ALeadByteRightBeforeCrLfDoesNotSwallowTheNextLink) {
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    ExpectRun(app, CutCharacterBefore("\r\n"));
}

TEST_F(BadInputDocument, ALeadByteRightBeforeALoneCrDoesNotSwallowTheNextLink) {
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    ExpectRun(app, CutCharacterBefore("\r"));
}

TEST_F(BadInputDocument, RecordsAcrossThe256KiBPiecesOfTheReaderReadWhole) {
    // The program reads the document in pieces of 256 KiB; a marker, a line
    // end or a two-byte character cut by the end of the first piece must
    // come out whole. "メ" is 83 81 in code page 932: both bytes are lead
    // bytes. (The record starts after 0x00 bytes, so decoding starts at its
    // marker; a link across its 64 KiB decoding pieces is the Windows tests'
    // CodePageRun case, for each kind of code page.)
    const std::wstring katakana = Image(L"メメメ.png", 7).wstring();
    const std::wstring plain = Image(L"b.png", 8).wstring();
    constexpr std::size_t kPiece = 256 * 1024;
    const auto at = [](std::size_t offset, const Bytes& record) {
        return Join({Repeated(0, offset), record, Ascii("%%EndComments\r\n"), Repeated(0, 100)});
    };
    const Bytes toKatakana = Join({Ascii("%%DocumentFiles:"), InImages(L"")});
    const Bytes katakanaRecord = Join({toKatakana, Cp932(L"メメメ.png"), Ascii("\r\n")});
    const Bytes plainRecord = Join({Ascii("%%DocumentFiles:"), InImages(L"b.png"), Ascii("\r\n")});
    std::vector<Case> cases;
    for (std::size_t cut : {1, 2, 3}) // inside the first, second, third katakana byte pair
        cases.push_back({cut == 1   ? "katakana-cut-1"
                         : cut == 2 ? "katakana-cut-2"
                                    : "katakana-cut-3",
                         at(kPiece - toKatakana.size() - cut, katakanaRecord),
                         true,
                         {{katakana, L"メメメ.png", L"○"}}});
    cases.push_back({"marker-cut", at(kPiece - 7, plainRecord), true, {{plain, L"b.png", L"○"}}});
    cases.push_back({"crlf-cut",
                     at(kPiece - plainRecord.size() + 1, plainRecord),
                     true,
                     {{plain, L"b.png", L"○"}}});
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    for (const Case& row : cases)
        ExpectRun(app, row);
}

TEST_F(BadInputDocument, APathOf100000CharactersIsMissingAndShownWhole) {
    const std::wstring name = std::wstring(100000 - 12, L'あ') + L".png";
    const std::wstring path = L"C:\\gone\\" + name;
    ASSERT_EQ(path.size(), 100000u);
    const Case row{"long-path",
                   AroundRecord(Join({Ascii("%%DocumentFiles:"), Cp932(path), Ascii("\r\n%%+"),
                                      InImages(L"c.png"), Ascii("\r\n")})),
                   true,
                   {{path, name, L"×"}, {Image(L"c.png", 9).wstring(), L"c.png", L"○"}}};
    // With the search beside the document, the long name is looked for
    // there too.
    Marovan app = Marovan::Start({}, Marovan::WithSettings(L"[OPTION]\r\nERR Search=1\r\n"));
    app.WaitForMainWindow();
    ExpectRun(app, row);
}

TEST_F(BadInputDocument, ARecordOf10000LinksIsListedMarkedAndCountedInFull) {
    // Mostly missing, as in a document whose images were moved, with a few
    // found and the same image placed many times.
    const fs::path first = Image(L"first.png", 10);
    const fs::path last = Image(L"last.png", 11);
    std::vector<std::wstring> links;
    for (int i = 0; i < 10000; ++i)
        links.push_back(i == 0          ? first.wstring()
                        : i % 2500 == 0 ? last.wstring()
                                        : L"C:\\gone\\image" + std::to_wstring(i) + L".psd");
    const fs::path document = documents / L"many.ai";
    WriteBytes(document, AiDocument(links));
    const Snapshot untouched({documents, images});
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    const RunOutcome outcome = CollectAndAnswer(app, destination, document, milliseconds(90000));
    std::cout << "[ figures ] 10000 links: the run took " << outcome.took.count() << " ms\n";
    ExpectNoSystemBoxes(outcome);
    ExpectBox(outcome.last, L"エラー",
              L"一部画像の収集を失敗しました！\r\n成功：  4個\r\n失敗：  9996個", Icon::Error);
    ASSERT_EQ(app.TableRowCount(), 10002u);
    for (const std::size_t row :
         {std::size_t{1}, std::size_t{2}, std::size_t{2501}, std::size_t{10000}}) {
        SCOPED_TRACE(row);
        EXPECT_EQ(app.TableCell(row, 0), std::to_wstring(row));
        EXPECT_EQ(app.TableCell(row, 3), links[row - 1]);
        EXPECT_EQ(app.TableCell(row, 1), row == 1 || row % 2500 == 1 ? L"○" : L"×");
    }
    EXPECT_EQ(app.TableCell(10001, 3), L"");
    const ProgressBar bar = app.Progress();
    EXPECT_EQ(bar.maximum, 10005);
    EXPECT_EQ(bar.position, 10005);
    EXPECT_EQ(HashesOf(destination),
              HashesOfFiles({{L"first.png", ReadBytes(first)}, {L"last.png", ReadBytes(last)}}));
    untouched.ExpectUnchanged();
}

TEST_F(BadInputDocument, AFolderNamedLikeADocumentIsNotReadAsOne) {
    const fs::path folder = documents / L"x.ai";
    fs::create_directories(folder);
    WriteBytes(folder / L"inside.png", PngImage(12));
    const Snapshot untouched({documents, images});
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    app.PressCollect();
    app.ChooseFolder(destination);
    app.SubmitFileName(kDocumentPromptTitle, folder);
    // The prompt either opens the folder, as a user's double click would, or
    // hands its path to the program, which then cannot read it.
    const HWND prompt = app.WaitForDocumentPrompt();
    app.WaitUntil(L"the file prompt to open the folder or to close", [&] {
        return !::IsWindowVisible(prompt) || app.DocumentPromptFileName() != folder.wstring() ||
               app.FindMessageBox();
    });
    if (::IsWindow(prompt) && ::IsWindowVisible(prompt) && !app.FindMessageBox()) {
        app.CancelDocumentPrompt();
        app.WaitForStatus(L"");
        EXPECT_EQ(app.Destination(), L"");
        EXPECT_EQ(app.Progress().position, 1);
    } else {
        const RunOutcome outcome = AnswerUntilLastBox(app);
        ExpectNoSystemBoxes(outcome);
        EXPECT_EQ(Utf8(outcome.last.caption), "Marovan");
        const std::wstring prefix = L"ファイル " + folder.wstring() + L" は開けません。 ";
        EXPECT_EQ(Utf8(outcome.last.text.substr(0, prefix.size())), Utf8(prefix));
    }
    EXPECT_EQ(app.FindMessageBox(), nullptr);
    EXPECT_EQ(app.TableRowCount(), 2u);
    EXPECT_EQ(HashesOf(destination), Hashes{});
    untouched.ExpectUnchanged();
}

// A handle of the driver's on a file, held for the length of a scope.
class HeldFile {
public:
    HeldFile(const fs::path& path, DWORD access, DWORD share)
        : handle_(::CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr)) {
        if (handle_ == INVALID_HANDLE_VALUE)
            throw DriverError(L"cannot hold " + path.wstring() + L" (error " +
                              std::to_wstring(::GetLastError()) + L")");
    }
    ~HeldFile() { ::CloseHandle(handle_); }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

private:
    HANDLE handle_;
};

TEST_F(BadInputDocument, ADocumentThatCannotBeOpenedGivesTheReportAndTheNextRunWorks) {
    const fs::path image = Image(L"a.png", 13);
    const Bytes bytes = AiDocument({image.wstring()});
    struct Row {
        const char* name;
        std::wstring file;   // written beforehand, unless empty
        std::wstring chosen; // typed into the prompt
        DWORD access;        // of the driver's handle during the run, 0 for none
        DWORD share;
        DWORD error; // 0: the run completes
    };
    const std::wstring held = (documents / L"held.ai").wstring();
    const Row rows[] = {
        // The name is typed after the file went: the prompt does not check.
        {"deleted", L"", (documents / L"消えた.ai").wstring(), 0, 0, ERROR_FILE_NOT_FOUND},
        {"folder-gone", L"", (documents / L"無い\\a.ai").wstring(), 0, 0, ERROR_PATH_NOT_FOUND},
        {"held-for-writing", held, held, GENERIC_WRITE,
         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, ERROR_SHARING_VIOLATION},
        {"locked", held, held, GENERIC_READ, 0, ERROR_SHARING_VIOLATION},
        // Another reader who lets others read is no obstacle.
        {"held-by-a-reader", held, held, GENERIC_READ, FILE_SHARE_READ, 0},
    };
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EmptyFolder(destination);
        if (!row.file.empty())
            WriteBytes(row.file, bytes);
        const Snapshot untouched({documents, images});
        {
            std::optional<HeldFile> hold;
            if (row.access)
                hold.emplace(row.file, row.access, row.share);
            const RunOutcome outcome = CollectAndAnswer(app, destination, row.chosen);
            ExpectNoSystemBoxes(outcome);
            if (row.error) {
                ExpectBox(outcome.last, L"Marovan", CannotOpen(row.chosen, row.error), Icon::Error);
                EXPECT_EQ(app.Status(), L"ファイル読込中...");
                EXPECT_EQ(app.TableRowCount(), 2u);
                EXPECT_EQ(HashesOf(destination), Hashes{});
            } else {
                ExpectSummary(outcome.last, {L"○"});
                EXPECT_EQ(HashesOf(destination), HashesOfFiles({{L"a.png", ReadBytes(image)}}));
            }
        }
        untouched.ExpectUnchanged();
    }
    // The window still takes input after the last report.
    app.PressClearDetails();
    app.WaitForStatus(L"");
}

TEST_F(BadInputDocument, ADocumentOf2GiBIsReadAndItsRecordNearTheStartFound) {
    const fs::path image = Image(L"big.png", 14);
    const fs::path document = documents / L"big.ai";
    WriteBytes(document, AiDocument({image.wstring(), L"C:\\gone\\x.png"}));
    constexpr LONGLONG kSize = LONGLONG{1} << 31;
    {
        // Extended without writing: the rest reads as 0x00 bytes.
        const HANDLE file = ::CreateFileW(document.c_str(), GENERIC_WRITE, 0, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        LARGE_INTEGER end{};
        end.QuadPart = kSize;
        const bool extended =
            ::SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && ::SetEndOfFile(file);
        ::CloseHandle(file);
        ASSERT_TRUE(extended);
    }
    ASSERT_EQ(fs::file_size(document), static_cast<std::uintmax_t>(kSize));
    const Snapshot untouched({documents, images});
    Marovan app = Marovan::Start();
    app.WaitForMainWindow();
    const MemoryInUse before = MemoryOf(app);
    ASSERT_NE(before.bytes, 0u) << "the program's memory cannot be read";
    const RunOutcome outcome = CollectAndAnswer(app, destination, document, milliseconds(100000));
    std::cout << "[ figures ] 2 GiB document: the run took " << outcome.took.count() << " ms\n";
    ExpectNoSystemBoxes(outcome);
    ExpectSummary(outcome.last, {L"○", L"×"});
    const LinkRows rows = ReadLinkRows(app);
    EXPECT_EQ(rows.paths, (std::vector<std::wstring>{image.wstring(), L"C:\\gone\\x.png"}));
    EXPECT_EQ(HashesOf(destination), HashesOfFiles({{L"big.png", ReadBytes(image)}}));
    untouched.ExpectUnchanged();

    const MemoryInUse shown = MemoryOf(app);

    // Clearing the details lets go of what the run kept.
    const auto start = std::chrono::steady_clock::now();
    app.PressClearDetails();
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(app.Main(), WM_NULL, 0, 0, SMTO_NORMAL, 60000, &ignored);
    std::cout << "[ figures ] 2 GiB document: clearing the details took "
              << std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - start)
                     .count()
              << " ms\n";
    app.WaitForStatus(L"");
    const MemoryInUse cleared = MemoryOf(app);
    const auto mib = [](const MemoryInUse& m) { return static_cast<double>(m.bytes) / (1 << 20); };
    std::cout << "[ figures ] 2 GiB document, " << before.source << ": " << mib(before)
              << " MiB before the run, " << mib(shown) << " MiB with its links shown, "
              << mib(cleared) << " MiB after clearing\n";
    // The run reads the document only up to its record: what it keeps of it
    // is a piece of its head, lost among what the prompts and the shell load.
    constexpr std::uint64_t kMiB = 1 << 20;
    EXPECT_LT(shown.bytes, before.bytes + 128 * kMiB) << "the run holds the document";
    // Clearing only lets go.
    EXPECT_LE(cleared.bytes, shown.bytes + kMiB) << "clearing took memory";
    EXPECT_EQ(app.TableRowCount(), 2u);
}

} // namespace
} // namespace marovan::e2e
