// Figures for the collection run on Windows, each against a floor measured in
// the same process, because the machines are shared and noisy: the ratios
// are what to read, the seconds are for information.
//
//   marovan_run_bench [--partial] <Marovan.exe> <marovan_empty_window.exe> [sizes in MiB, e.g.
//   16,256,1024]
//
// --partial runs only row 7 (reading only what the links need), on documents
// of the largest size. "sub-search" or "nested" instead of the sizes runs
// row 4c or 4d alone.
//
// The run under measurement is the program's own: CollectionRun with the
// Windows services of Marovan (files, decoding, copying), behind a view that
// only records what it is told. Only the two prompts are answered by the
// bench. A goal that is missed is printed with "over"; the bench reports, it
// does not gate, and exits 0 unless a run went wrong.

#include "main/CollectionRun.h"
#include "main/Extraction.h"
#include "main/WindowsRunSystem.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/MessagePump.h"
#include "tests/support/LinuxProcess.h"
#include "tests/support/RecordingView.h"

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace marovan;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr int kRounds = 5;
constexpr double kMiB = 1024.0 * 1024.0;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

struct Figures {
    double min = 0;
    double median = 0;
};

Figures Summarise(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return {values.front(), values[values.size() / 2]};
}

[[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error(what);
}

// --- The run, as the bench sees it ----------------------------------------

// Records when each status text was set, and how long the interface went
// without its pending messages being handled.
class BenchView : public testing_support::RecordingView {
public:
    explicit BenchView(const Links& links)
        : links_(links) {}

    void ClearDetails() override {
        RecordingView::ClearDetails();
        statusAt_.clear();
        messages.clear();
    }
    void SetStatus(std::u16string_view text) override {
        const auto now = Clock::now();
        statusAt_[std::u16string(text)] = now;
        status_ = text;
        if (text == u"ファイル読込中...") {
            tracking_ = true;
            lastHandled_ = now;
            longestGap_ = {};
        }
    }
    void SetProgressMax(int) override {
        progressMaxAt_ = Clock::now();
        if (tracking_ && progressMaxAt_ - lastHandled_ > longestGap_) {
            longestGap_ = progressMaxAt_ - lastHandled_;
            longestGapStatus_ = u"(until the links were in the table)";
        }
        tracking_ = false;
    }
    void LinkChanged(std::size_t index) override {
        // Marking comes before any copy.
        if (links_.at(index).outcome == Outcome::Pending)
            lastMarkAt_ = Clock::now();
    }
    void KeepResponsive() override {
        if (!pump_.PumpIfDue() || !tracking_)
            return;
        const auto now = Clock::now();
        if (now - lastHandled_ > longestGap_) {
            longestGap_ = now - lastHandled_;
            longestGapStatus_ = status_;
        }
        lastHandled_ = now;
    }

    Clock::time_point StatusAt(std::u16string_view text) const {
        const auto it = statusAt_.find(std::u16string(text));
        if (it == statusAt_.end())
            Fail("the run never reached a status it should have reached");
        return it->second;
    }
    Clock::time_point ProgressMaxAt() const { return progressMaxAt_; }
    Clock::time_point LastMarkAt() const { return lastMarkAt_; }
    Clock::duration LongestGap() const { return longestGap_; }
    // The step during which the longest gap ended.
    const std::u16string& LongestGapStatus() const { return longestGapStatus_; }

private:
    const Links& links_;
    std::map<std::u16string, Clock::time_point> statusAt_;
    Clock::time_point progressMaxAt_{};
    Clock::time_point lastMarkAt_{};
    win::MessagePump pump_;
    bool tracking_ = false;
    Clock::time_point lastHandled_{};
    Clock::duration longestGap_{};
    std::u16string status_;
    std::u16string longestGapStatus_;
};

// A document's reading, timed: every piece, and the closing of the file.
class TimedReader : public RunSystem::DocumentReader {
public:
    TimedReader(std::unique_ptr<DocumentReader> reader, Clock::duration& reading)
        : reader_(std::move(reader))
        , reading_(reading) {}
    ~TimedReader() override {
        const auto start = Clock::now();
        reader_.reset();
        reading_ += Clock::now() - start;
    }
    TimedReader(const TimedReader&) = delete;
    TimedReader& operator=(const TimedReader&) = delete;

    std::size_t ReadPiece(DocumentBytes& bytes) override {
        const auto start = Clock::now();
        const std::size_t read = reader_->ReadPiece(bytes);
        reading_ += Clock::now() - start;
        return read;
    }

private:
    std::unique_ptr<DocumentReader> reader_;
    Clock::duration& reading_;
};

// The program's own Windows services, with the two prompts answered, and the
// time spent reading documents counted.
class BenchSystem : public WindowsRunSystem {
public:
    BenchSystem(fs::path destination, fs::path document, RunOptions options)
        : destination_(std::move(destination))
        , document_(std::move(document))
        , options_(options) {}

    RunOptions ReadRunOptions() override { return options_; }
    std::optional<std::u16string> PromptFolder(std::u16string_view, std::u16string_view) override {
        return destination_.u16string();
    }
    std::optional<std::u16string> PromptDocument(std::u16string_view) override {
        return document_.u16string();
    }
    void OpenFolder(std::u16string_view) override {}
    std::unique_ptr<DocumentReader> OpenDocument(std::u16string_view path) override {
        const auto start = Clock::now();
        auto reader = WindowsRunSystem::OpenDocument(path);
        reading_ += Clock::now() - start;
        ++documentsOpened_;
        return std::make_unique<TimedReader>(std::move(reader), reading_);
    }

    Clock::duration Reading() const { return reading_; }
    int DocumentsOpened() const { return documentsOpened_; }

private:
    Clock::duration reading_{};
    int documentsOpened_ = 0;
    fs::path destination_;
    fs::path document_;
    RunOptions options_;
};

struct RunResult {
    double readingToLinks = 0;   // from the read to the links in the table
    double resolvingCopying = 0; // marking and copying
    double marking = 0;
    double longestGapMs = 0;
    std::u16string longestGapStep;
    int links = 0;
    double whole = 0;   // the whole run, from its start to its summary
    double reading = 0; // inside the opening and reading of documents
    int documentsRead = 0;
};

RunResult RunOnce(const fs::path& document, const fs::path& destination, RunOptions options) {
    Links links;
    DocumentPaths documents;
    BenchView view(links);
    BenchSystem system(destination, document, options);
    const auto start = Clock::now();
    if (CollectionRun(view, system, links, documents) != RunEnd::Completed)
        Fail("the run did not complete");
    RunResult result;
    result.whole = Seconds(Clock::now() - start);
    result.reading = Seconds(system.Reading());
    result.documentsRead = system.DocumentsOpened();
    result.readingToLinks = Seconds(view.ProgressMaxAt() - view.StatusAt(u"ファイル読込中..."));
    result.resolvingCopying = Seconds(view.StatusAt(u"収集結果の計算中...") -
                                      view.StatusAt(u"リンク画像ファイルのコピー中..."));
    result.marking = Seconds(view.LastMarkAt() - view.StatusAt(u"リンク画像ファイルのコピー中..."));
    result.longestGapMs = Seconds(view.LongestGap()) * 1000;
    result.longestGapStep = view.LongestGapStatus();
    result.links = static_cast<int>(links.size());
    return result;
}

// --- Generated files -------------------------------------------------------

// Bytes that look like the compressed streams that fill real documents:
// every value, two-byte characters and NUL bytes included.
std::vector<char> NoiseMiB(std::uint32_t seed) {
    std::vector<char> noise(1 << 20);
    std::uint32_t x = seed | 1;
    for (char& c : noise) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x >> 24);
    }
    return noise;
}

constexpr char kTwoLinkRecord[] = "\r\n\r\n%%DocumentFiles:C:\\work\\\x89\xe6\x91\x9c\\a.psd\r\n"
                                  "%%+C:\\work\\b.tif\r\n%%EndComments\r\n";

// A document of `mib` MiB of noise with its link record at `percent` of it,
// or at the start of the MiB `recordMiB` when one is given.
void WriteLargeDocument(const fs::path& path, std::size_t mib, std::size_t percent = 80,
                        std::optional<std::size_t> recordMiB = std::nullopt) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const std::vector<char> noise = NoiseMiB(0x9E3779B9u);
    const std::streamsize record = sizeof kTwoLinkRecord - 1;
    const std::size_t recordIn = std::min(mib - 1, recordMiB.value_or(mib * percent / 100));
    for (std::size_t i = 0; i < mib; ++i) {
        if (i != recordIn) {
            out.write(noise.data(), static_cast<std::streamsize>(noise.size()));
        } else if (percent >= 100) {
            out.write(noise.data(), static_cast<std::streamsize>(noise.size()) - record);
            out.write(kTwoLinkRecord, record);
        } else {
            out.write(kTwoLinkRecord, record);
            out.write(noise.data(), static_cast<std::streamsize>(noise.size()) - record);
        }
    }
    if (!out)
        Fail("cannot write " + path.string());
}

// --- Floors ----------------------------------------------------------------

// Reading the file into memory and one MultiByteToWideChar pass over it.
double FloorReadAndDecode(const fs::path& path) {
    const auto start = Clock::now();
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        Fail("cannot open " + path.string());
    LARGE_INTEGER size{};
    ::GetFileSizeEx(file, &size);
    const auto bytes = static_cast<DWORD>(size.QuadPart);
    std::unique_ptr<char[]> data(new char[bytes]);
    DWORD got = 0;
    const BOOL read = ::ReadFile(file, data.get(), bytes, &got, nullptr);
    ::CloseHandle(file);
    if (!read || got != bytes)
        Fail("cannot read " + path.string());
    std::unique_ptr<wchar_t[]> text(new wchar_t[bytes]);
    const int units = ::MultiByteToWideChar(CP_ACP, 0, data.get(), static_cast<int>(bytes),
                                            text.get(), static_cast<int>(bytes));
    if (units <= 0)
        Fail("cannot decode " + path.string());
    return Seconds(Clock::now() - start);
}

// --- Printing --------------------------------------------------------------

// A row without a goal (0) prints its ratio alone.
void PrintRow(const char* what, Figures ours, Figures floor, const char* unit, double goal) {
    const double ratio = ours.median / floor.median;
    if (goal <= 0) {
        std::printf("%-44s %8.3f %8.3f %s   %8.3f %8.3f %s   %6.2f\n", what, ours.min, ours.median,
                    unit, floor.min, floor.median, unit, ratio);
        return;
    }
    std::printf("%-44s %8.3f %8.3f %s   %8.3f %8.3f %s   %6.2f  <= %.2f %s\n", what, ours.min,
                ours.median, unit, floor.min, floor.median, unit, ratio, goal,
                ratio > goal ? "over" : "");
}

void PrintHeader(const char* title) {
    std::printf("\n%s\n%-44s %21s   %21s   %6s  %s\n", title, "", "ours min / median",
                "floor min / median", "ratio", "goal");
}

// --- The rows --------------------------------------------------------------

struct Paths {
    fs::path root;        // everything the bench writes, removed at the end
    fs::path program;     // Marovan.exe
    fs::path emptyWindow; // the start-up floor
    fs::path self;
};

void EmptyFolder(const fs::path& folder) {
    fs::remove_all(folder);
    fs::create_directories(folder);
}

// The floor of copying: plain CopyFileW calls into an emptied folder; seconds.
double PlainCopies(const std::vector<fs::path>& sources, const fs::path& destination) {
    EmptyFolder(destination);
    const auto start = Clock::now();
    for (const auto& source : sources)
        if (!::CopyFileW(source.c_str(), (destination / source.filename()).c_str(), FALSE))
            Fail("CopyFileW failed");
    return Seconds(Clock::now() - start);
}

// The run's status texts are Japanese; the table is plain ASCII.
const char* StepName(std::u16string_view status) {
    if (status == u"ファイル読込中...")
        return "reading";
    if (status == u"読込データ変換中...")
        return "NUL bytes";
    if (status == u"変換済データ展開中...")
        return "decoding";
    return "adding links";
}

double ReadingToLinks(const Paths& paths, const std::vector<std::size_t>& sizes) {
    PrintHeader("1. Reading to links (read, NUL bytes, decode, extract); record at 80 %");
    const fs::path destination = paths.root / "destination";
    fs::create_directories(destination);
    double floor16 = 0;
    for (const std::size_t mib : sizes) {
        const fs::path document = paths.root / ("large-" + std::to_string(mib) + ".ai");
        WriteLargeDocument(document, mib);
        std::vector<double> ours, floor, gaps;
        std::string gapSteps;
        for (int round = 0; round < kRounds; ++round) {
            const RunResult run = RunOnce(document, destination, {});
            if (run.links != 2)
                Fail("the large document gave the wrong links");
            ours.push_back(run.readingToLinks);
            gaps.push_back(run.longestGapMs);
            gapSteps += std::string(gapSteps.empty() ? "" : ", ") + StepName(run.longestGapStep);
            floor.push_back(FloorReadAndDecode(document));
        }
        const std::string what = std::to_string(mib) + " MiB";
        const Figures o = Summarise(ours), f = Summarise(floor);
        PrintRow(what.c_str(), o, f, "s", 1.3);
        std::printf("%-44s ours %.0f MiB/s, floor %.0f MiB/s (median)\n", "", mib / o.median,
                    mib / f.median);
        if (mib == 16)
            floor16 = f.median;
        if (mib == 256) {
            const Figures g = Summarise(gaps);
            std::printf("\n2. Responsiveness, %zu MiB: longest time between two handlings of "
                        "pending messages\n%-44s %8.2f %8.2f ms   goal <= 15 ms %s\n",
                        mib, "", g.min, g.median, g.median > 15 ? "over" : "");
            std::printf("%-44s the longest gap of each run ended in: %s\n", "", gapSteps.c_str());
        }
        if (mib != sizes.back())
            fs::remove(document);
    }
    // Decoding stops at the end of the record; a record at the very end
    // shows the cost of decoding all of it.
    const std::size_t mib = std::min<std::size_t>(256, sizes.back());
    const fs::path document = paths.root / "record-at-end.ai";
    WriteLargeDocument(document, mib, 100);
    std::vector<double> ours, floor;
    for (int round = 0; round < kRounds; ++round) {
        const RunResult run = RunOnce(document, destination, {});
        if (run.links != 2)
            Fail("the large document gave the wrong links");
        ours.push_back(run.readingToLinks);
        floor.push_back(FloorReadAndDecode(document));
    }
    const std::string what = std::to_string(mib) + " MiB, record at the very end";
    PrintRow(what.c_str(), Summarise(ours), Summarise(floor), "s", 1.3);
    fs::remove(document);
    return floor16;
}

// --- Reading only what the links need ---------------------------------------

// This process's Linux process id under Wine, found by its command line
// (there is no other copy of it running; its --peak children are left out).
int LinuxProcessId() {
    static const int id = [] {
        wchar_t self[MAX_PATH] = {};
        ::GetModuleFileNameW(nullptr, self, MAX_PATH);
        const std::string name = fs::path(self).filename().string();
        return test::LinuxProcessWhoseCommandLineHolds({name}, "--peak");
    }();
    return id;
}

// Bytes this process has read so far: from its I/O counters, or where Wine
// keeps them at zero, from the Linux process's own count (/proc/<pid>/io).
std::uint64_t BytesReadSoFar() {
    IO_COUNTERS counters{};
    if (::GetProcessIoCounters(::GetCurrentProcess(), &counters) && counters.ReadTransferCount != 0)
        return counters.ReadTransferCount;
    if (LinuxProcessId() == 0)
        Fail("this process's bytes read cannot be counted");
    std::ifstream io("Z:\\proc\\" + std::to_string(LinuxProcessId()) + "\\io");
    std::string key;
    std::uint64_t value = 0;
    while (io >> key >> value)
        if (key == "rchar:")
            return value;
    Fail("this process's bytes read cannot be counted");
}

const char* BytesReadSource() {
    IO_COUNTERS counters{};
    return ::GetProcessIoCounters(::GetCurrentProcess(), &counters) &&
                   counters.ReadTransferCount != 0
               ? "GetProcessIoCounters"
               : "/proc/<pid>/io rchar (Wine gives no I/O counters)";
}

struct Measured {
    double seconds = 0;
    double bytes = 0;
};

// Plain ReadFile calls of a megabyte, up to the end of the record and no
// further.
Measured FloorReadToRecordEnd(const fs::path& path, std::uint64_t recordEnd) {
    const std::uint64_t before = BytesReadSoFar();
    const auto start = Clock::now();
    const win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                             OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file)
        Fail("cannot open " + path.string());
    std::vector<char> piece(1 << 20);
    for (std::uint64_t done = 0; done < recordEnd;) {
        const auto want =
            static_cast<DWORD>(std::min<std::uint64_t>(piece.size(), recordEnd - done));
        DWORD got = 0;
        if (!::ReadFile(file.get(), piece.data(), want, &got, nullptr) || got == 0)
            Fail("cannot read " + path.string());
        done += got;
    }
    const double seconds = Seconds(Clock::now() - start);
    return {seconds, static_cast<double>(BytesReadSoFar() - before)};
}

void ReadingOnlyWhatTheLinksNeed(const Paths& paths, std::size_t mib) {
    PrintHeader(("7. Reading only what the links need, " + std::to_string(mib) +
                 " MiB documents: time to the links and bytes read")
                    .c_str());
    std::printf("%-44s bytes read from %s\n", "", BytesReadSource());
    const fs::path destination = paths.root / "destination";
    fs::create_directories(destination);
    struct Position {
        const char* name;
        std::size_t recordMiB;
    } positions[] = {{"record at 2 MiB", 2}, {"record at 50 %", mib / 2}};
    for (const Position& at : positions) {
        const fs::path document = paths.root / "partial.ai";
        WriteLargeDocument(document, mib, 0, at.recordMiB);
        const std::uint64_t recordEnd =
            static_cast<std::uint64_t>(at.recordMiB) * (1u << 20) + sizeof kTwoLinkRecord - 1;
        std::vector<double> ours, oursBytes, floor, floorBytes;
        for (int round = 0; round < kRounds; ++round) {
            const std::uint64_t before = BytesReadSoFar();
            const RunResult run = RunOnce(document, destination, {});
            oursBytes.push_back(static_cast<double>(BytesReadSoFar() - before));
            if (run.links != 2)
                Fail("the document gave the wrong links");
            ours.push_back(run.readingToLinks);
            const Measured plain = FloorReadToRecordEnd(document, recordEnd);
            floor.push_back(plain.seconds);
            floorBytes.push_back(plain.bytes);
        }
        PrintRow((std::string(at.name) + ", time").c_str(), Summarise(ours), Summarise(floor), "s",
                 1.2);
        const auto inMiB = [](std::vector<double> values) {
            for (double& v : values)
                v /= kMiB;
            return Summarise(values);
        };
        PrintRow((std::string(at.name) + ", bytes read").c_str(), inMiB(oursBytes),
                 inMiB(floorBytes), "MiB", 1.2);
        fs::remove(document);
    }
}

// The peak working set of a child process that performs one run.
void PeakMemory(const Paths& paths, std::size_t mib) {
    const fs::path document = paths.root / ("large-" + std::to_string(mib) + ".ai");
    if (!fs::exists(document))
        WriteLargeDocument(document, mib);
    std::vector<double> peaks, baselines;
    for (int round = 0; round < kRounds; ++round) {
        const fs::path report = paths.root / "peak.txt";
        std::wstring command = L"\"" + paths.self.wstring() + L"\" --peak \"" + document.wstring() +
                               L"\" \"" + report.wstring() + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION child{};
        if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &child))
            Fail("cannot start the peak-memory child");
        ::WaitForSingleObject(child.hProcess, INFINITE);
        DWORD code = 1;
        ::GetExitCodeProcess(child.hProcess, &code);
        ::CloseHandle(child.hThread);
        ::CloseHandle(child.hProcess);
        std::ifstream in(report);
        double baseline = 0, peak = 0;
        if (code != 0 || !(in >> baseline >> peak))
            Fail("the peak-memory child failed");
        peaks.push_back(peak / kMiB);
        baselines.push_back(baseline / kMiB);
    }
    const Figures p = Summarise(peaks), b = Summarise(baselines);
    const double goal = 1.5 * static_cast<double>(mib) + 64;
    std::printf("\n3. Peak working set, one run on %zu MiB, debug view hidden\n"
                "%-44s %8.0f %8.0f MiB   = %.2f x the document; before the run %.0f MiB; "
                "goal <= %.0f MiB %s\n",
                mib, "", p.min, p.median, p.median / static_cast<double>(mib), b.median, goal,
                p.median > goal ? "over" : "");
    fs::remove(document);
}

int PeakChild(const fs::path& document, const fs::path& report) {
    PROCESS_MEMORY_COUNTERS before{};
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &before, sizeof before);
    const fs::path destination = document.parent_path() / "destination";
    fs::create_directories(destination);
    const RunResult run = RunOnce(document, destination, {});
    PROCESS_MEMORY_COUNTERS after{};
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &after, sizeof after);
    std::ofstream(report) << before.PeakWorkingSetSize << ' ' << after.PeakWorkingSetSize << '\n';
    return run.links == 2 ? 0 : 1;
}

void ResolvingAndCopying(const Paths& paths) {
    // 500 links: 200 at their path, 250 only beside the document, 50 missing.
    const fs::path folder = paths.root / "copying";
    const fs::path images = folder / "images";
    const fs::path documentFolder = folder / "document";
    const fs::path destination = folder / "destination";
    fs::create_directories(images);
    fs::create_directories(documentFolder);
    std::vector<char> image = NoiseMiB(7);
    std::string record = "%!PS-Adobe-3.0\r\n%%DocumentFiles:";
    std::vector<fs::path> sources;
    for (int i = 0; i < 500; ++i) {
        const std::string name = "image" + std::to_string(i) + ".psd";
        fs::path at = images / name;
        if (i % 10 == 9) {
            at = folder / "gone" / name;
        } else if (i % 2 == 1) {
            at = folder / "moved" / name;
            sources.push_back(documentFolder / name);
        } else {
            sources.push_back(at);
        }
        if (i > 0)
            record += "%%+";
        record += at.string() + "\r\n";
    }
    record += "%%EndComments\r\n";
    for (std::size_t i = 0; i < sources.size(); ++i) {
        image[0] = static_cast<char>(i);
        std::ofstream(sources[i], std::ios::binary)
            .write(image.data(), static_cast<std::streamsize>(image.size()));
    }
    const fs::path document = documentFolder / "links.ai";
    std::ofstream(document, std::ios::binary) << record;

    std::vector<double> ours, marking, secondTime, floor;
    for (int round = 0; round < kRounds; ++round) {
        EmptyFolder(destination);
        const RunResult run = RunOnce(document, destination, {false, false, true});
        if (run.links != 500 ||
            static_cast<std::size_t>(std::distance(fs::directory_iterator(destination),
                                                   fs::directory_iterator())) != sources.size())
            Fail("the copying run collected the wrong files");
        ours.push_back(run.resolvingCopying);
        marking.push_back(run.marking);
        // The same links into the same folder: every image is already there.
        const RunResult again = RunOnce(document, destination, {false, false, true});
        if (again.links != 500)
            Fail("the second collection read the wrong links");
        secondTime.push_back(again.resolvingCopying);

        floor.push_back(PlainCopies(sources, destination));
    }
    PrintHeader("4. Resolving and copying 500 links to 1 MiB images (250 beside the document, "
                "50 missing)");
    PrintRow("mark, then copy 450 files", Summarise(ours), Summarise(floor), "s", 1.5);
    std::printf("%-44s of which marking (800 existence tests) %.3f s (median)\n", "",
                Summarise(marking).median);
    PrintRow("the same again, into the same folder", Summarise(secondTime), Summarise(ours), "s",
             0.1);
    std::printf("%-44s (the floor of this row is the first collection)\n", "");
    fs::remove_all(folder);
}

// One plain walk of a tree, breadth first, as the system lists it: the
// floor of the subfolder search.
std::size_t WalkTree(const fs::path& root) {
    std::size_t files = 0;
    std::vector<std::wstring> level{root.wstring()};
    while (!level.empty()) {
        std::vector<std::wstring> next;
        for (const std::wstring& folder : level) {
            WIN32_FIND_DATAW entry{};
            win::UniqueFind find(::FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic,
                                                    &entry, FindExSearchNameMatch, nullptr,
                                                    FIND_FIRST_EX_LARGE_FETCH));
            if (!find)
                continue;
            do {
                const std::wstring_view name = entry.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    next.push_back(folder + L"\\" + entry.cFileName);
                else
                    ++files;
            } while (::FindNextFileW(find.get(), &entry));
        }
        level = std::move(next);
    }
    return files;
}

std::string Numbered(char letter, int n) {
    std::string name(1, letter);
    name += std::to_string(n);
    return name;
}

void SubSearch(const Paths& paths) {
    // 2,000 folders to depth 3 (20 + 180 + 1,800), "Links" among the first
    // 20, 10 empty files in each; 200 links with Mac paths name every 100th
    // file, so that none is at its path or beside the document.
    const fs::path folder = paths.root / "subsearch";
    const fs::path documentFolder = folder / "document";
    const fs::path destination = folder / "destination";
    std::vector<fs::path> folders;
    for (int a = 0; a < 20; ++a) {
        const fs::path first = documentFolder / (a == 7 ? std::string("Links") : Numbered('f', a));
        folders.push_back(first);
        for (int b = 0; b < 9; ++b) {
            const fs::path second = first / Numbered('g', b);
            folders.push_back(second);
            for (int c = 0; c < 10; ++c)
                folders.push_back(second / Numbered('h', c));
        }
    }
    std::string record = "%!PS-Adobe-3.0\r%%DocumentFiles:";
    int fileNumber = 0;
    int linkCount = 0;
    for (const fs::path& at : folders) {
        fs::create_directories(at);
        for (int i = 0; i < 10; ++i, ++fileNumber) {
            const std::string name = "image" + std::to_string(fileNumber) + ".psd";
            std::ofstream(at / name, std::ios::binary) << name;
            if (fileNumber % 100 == 50) {
                if (linkCount++ > 0)
                    record += "%%+";
                record += "/Users/k/Job/";
                record += name;
                record += '\r';
            }
        }
    }
    record += "%%EndComments\r";
    std::ofstream(documentFolder / "links.ai", std::ios::binary) << record;

    std::vector<double> ours, floor;
    for (int round = 0; round < kRounds; ++round) {
        EmptyFolder(destination);
        RunOptions options;
        options.errSearch = true;
        options.subSearch = true;
        const RunResult run = RunOnce(documentFolder / "links.ai", destination, options);
        if (run.links != 200 ||
            std::distance(fs::directory_iterator(destination), fs::directory_iterator()) != 200)
            Fail("the subfolder search found the wrong files");
        ours.push_back(run.marking);
        const auto start = Clock::now();
        if (WalkTree(documentFolder) != 20001)
            Fail("the walk counted the wrong files");
        floor.push_back(Seconds(Clock::now() - start));
    }
    PrintHeader("4c. Sub Search: 200 links found in the subfolders, 20,000 files in 2,000 folders");
    PrintRow("mark 200 links (one listing of the tree)", Summarise(ours), Summarise(floor), "s",
             1.5);
    std::printf("%-44s (the floor is one FindFirstFileExW walk of the tree)\n", "");
    fs::remove_all(folder);
}

// A document placing 50 .ai files of 2 MiB, each with its record of 20
// images at 10 % of it, as packaged artwork is: the run reads the 51
// documents, marks and copies 1,050 files.
void NestedLinks(const Paths& paths) {
    constexpr int kPlaced = 50;
    constexpr int kImagesEach = 20;
    constexpr std::size_t kPlacedMiB = 2;
    const fs::path folder = paths.root / "nested";
    const fs::path parts = folder / "parts";
    const fs::path images = folder / "images";
    const fs::path destination = folder / "destination";
    fs::create_directories(parts);
    fs::create_directories(images);
    const std::vector<char> noise = NoiseMiB(0x2545F491u);
    std::vector<char> image(64 << 10, 'i');
    std::vector<fs::path> sources;
    std::string record = "%!PS-Adobe-3.0\r\n%%DocumentFiles:";
    for (int p = 0; p < kPlaced; ++p) {
        const fs::path placed = parts / ("part" + std::to_string(p) + ".ai");
        std::string placedRecord = "\r\n%%DocumentFiles:";
        for (int i = 0; i < kImagesEach; ++i) {
            std::string name = Numbered('p', p);
            name += Numbered('-', i);
            name += ".psd";
            const fs::path at = images / name;
            image[0] = static_cast<char>(p);
            image[1] = static_cast<char>(i);
            std::ofstream(at, std::ios::binary)
                .write(image.data(), static_cast<std::streamsize>(image.size()));
            placedRecord += (i == 0 ? "" : "%%+") + at.string() + "\r\n";
            sources.push_back(at);
        }
        placedRecord += "%%EndComments\r\n";
        std::ofstream out(placed, std::ios::binary);
        const auto before = static_cast<std::streamsize>(kPlacedMiB * noise.size() / 10);
        out.write(noise.data(), before);
        out << placedRecord;
        out.write(noise.data() + before, static_cast<std::streamsize>(noise.size()) - before);
        for (std::size_t mib = 1; mib < kPlacedMiB; ++mib)
            out.write(noise.data(), static_cast<std::streamsize>(noise.size()));
        if (!out)
            Fail("cannot write " + placed.string());
        record += (p == 0 ? "" : "%%+") + placed.string() + "\r\n";
        sources.push_back(placed);
    }
    record += "%%EndComments\r\n";
    const fs::path document = folder / "nested.ai";
    std::ofstream(document, std::ios::binary) << record;
    // The same 1,050 files linked by the document itself: what nesting adds.
    std::string flatRecord = "%!PS-Adobe-3.0\r\n%%DocumentFiles:";
    for (std::size_t i = 0; i < sources.size(); ++i)
        flatRecord += (i == 0 ? "" : "%%+") + sources[i].string() + "\r\n";
    flatRecord += "%%EndComments\r\n";
    const fs::path flatDocument = folder / "flat.ai";
    std::ofstream(flatDocument, std::ios::binary) << flatRecord;

    RunOptions options;
    options.nestedLinks = true;
    std::vector<double> ours, reading, share, flat, floor;
    int documentsRead = 0;
    for (int round = 0; round < kRounds; ++round) {
        EmptyFolder(destination);
        const RunResult run = RunOnce(document, destination, options);
        if (run.links != kPlaced * (kImagesEach + 1) ||
            static_cast<std::size_t>(std::distance(fs::directory_iterator(destination),
                                                   fs::directory_iterator())) != sources.size())
            Fail("the nested run collected the wrong files");
        ours.push_back(run.whole);
        reading.push_back(run.reading);
        share.push_back(run.reading / run.whole * 100);
        documentsRead = run.documentsRead;

        EmptyFolder(destination);
        const RunResult flatRun = RunOnce(flatDocument, destination, {});
        if (flatRun.links != static_cast<int>(sources.size()))
            Fail("the flat run read the wrong links");
        flat.push_back(flatRun.whole);

        floor.push_back(PlainCopies(sources, destination));
    }
    PrintHeader("4d. Nested Links: a document placing 50 .ai files (2 MiB, record at 10 %) that "
                "each link 20 images of 64 KiB");
    PrintRow("the whole run: 1,050 links marked and copied", Summarise(ours), Summarise(floor), "s",
             0);
    std::printf("%-44s (the floor is CopyFileW of the same 1,050 files)\n", "");
    PrintRow("the same files linked by one document", Summarise(ours), Summarise(flat), "s", 0);
    const Figures r = Summarise(reading), sh = Summarise(share);
    std::printf("%-44s %8.3f %8.3f s    %d documents opened and read\n",
                "of which reading (OpenDocument, ReadPiece)", r.min, r.median, documentsRead);
    std::printf("%-44s %8.1f %8.1f %%\n", "share of the run spent reading", sh.min, sh.median);
    fs::remove_all(folder);
}

HWND VisibleWindowOf(DWORD processId, const wchar_t* className) {
    struct Search {
        DWORD processId;
        const wchar_t* className;
        HWND found;
    } search{processId, className, nullptr};
    ::EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(context);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            wchar_t name[64] = {};
            ::GetClassNameW(window, name, 64);
            if (owner == s.processId && ::IsWindowVisible(window) &&
                std::wstring_view(name) == s.className) {
                s.found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Seconds from CreateProcess to the program's window on the screen.
double TimeToWindow(const fs::path& exe, const wchar_t* className) {
    std::wstring command = L"\"" + exe.wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    const auto start = Clock::now();
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          exe.parent_path().c_str(), &startup, &child))
        Fail("cannot start " + exe.string());
    HWND window = nullptr;
    while (!(window = VisibleWindowOf(child.dwProcessId, className))) {
        if (Clock::now() - start > std::chrono::seconds(30))
            Fail("no window from " + exe.string());
        ::Sleep(1);
    }
    const double seconds = Seconds(Clock::now() - start);
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(child.hProcess, 10000) != WAIT_OBJECT_0)
        ::TerminateProcess(child.hProcess, 1);
    ::CloseHandle(child.hThread);
    ::CloseHandle(child.hProcess);
    return seconds;
}

// For looking into start-up alone: any program and its window class.
int StartUpOnly(const fs::path& exe, const wchar_t* className) {
    TimeToWindow(exe, className);
    std::vector<double> times;
    for (int round = 0; round < 2 * kRounds; ++round)
        times.push_back(TimeToWindow(exe, className));
    const Figures f = Summarise(times);
    std::printf("%s: %.3f / %.3f s to its window (min / median of %zu)\n", exe.string().c_str(),
                f.min, f.median, times.size());
    return 0;
}

void StartUp(const Paths& paths) {
    const fs::path folder = paths.root / "start-up";
    fs::create_directories(folder);
    const fs::path program = folder / paths.program.filename();
    const fs::path empty = folder / paths.emptyWindow.filename();
    fs::copy_file(paths.program, program, fs::copy_options::overwrite_existing);
    fs::copy_file(paths.emptyWindow, empty, fs::copy_options::overwrite_existing);
    // The first start creates the settings file, and warms the file cache.
    TimeToWindow(program, L"TF_main");
    TimeToWindow(empty, L"MarovanEmptyWindow");
    std::vector<double> ours, floor;
    for (int round = 0; round < kRounds; ++round) {
        ours.push_back(TimeToWindow(program, L"TF_main"));
        floor.push_back(TimeToWindow(empty, L"MarovanEmptyWindow"));
    }
    PrintHeader("5. Start-up: process start to the main window shown, against an empty window");
    PrintRow("Marovan.exe", Summarise(ours), Summarise(floor), "s", 1.3);
    fs::remove_all(folder);
}

// The conversion as it would be written naively: the pending messages are
// handled after every single byte. Stopped after a minute and projected.
void NaiveReference(const Paths& paths, double floor16) {
    const fs::path document = paths.root / "naive-16.ai";
    WriteLargeDocument(document, 16);
    const auto start = Clock::now();
    DocumentBytes bytes = win::ReadWholeFile(document.wstring());
    Clock::duration longestGap{};
    auto lastHandled = Clock::now();
    std::size_t done = 0;
    bool capped = false;
    for (; done < bytes.size(); ++done) {
        ReplaceNulBytes(std::span(bytes).subspan(done, 1));
        win::MessagePump::PumpNow();
        const auto now = Clock::now();
        longestGap = std::max(longestGap, now - lastHandled);
        lastHandled = now;
        if (done % 4096 == 0 && now - start > std::chrono::seconds(60)) {
            capped = true;
            break;
        }
    }
    const double converting = Seconds(Clock::now() - start);
    double seconds = converting;
    if (capped) {
        seconds = converting * static_cast<double>(bytes.size()) / static_cast<double>(done);
    } else {
        const auto decodeStart = Clock::now();
        const std::u16string text = win::DecodeCodePage(bytes, CP_ACP);
        int links = 0;
        ExtractLinks(text, [&](std::u16string_view, std::u16string_view) { ++links; });
        seconds += Seconds(Clock::now() - decodeStart);
    }
    std::printf("\n6. Reference: the conversion handling messages after every byte, 16 MiB, "
                "one run\n%-44s %8.1f s%s   floor %.3f s   ratio %.0f\n"
                "%-44s longest time between handlings %.3f ms\n",
                "", seconds, capped ? " (projected from the first minute)" : "", floor16,
                floor16 > 0 ? seconds / floor16 : 0.0, "", Seconds(longestGap) * 1000);
    fs::remove(document);
}

std::vector<std::size_t> ParseSizes(const char* text) {
    std::vector<std::size_t> sizes;
    for (const char* at = text; *at;) {
        char* end = nullptr;
        sizes.push_back(std::strtoul(at, &end, 10));
        at = *end == ',' ? end + 1 : end;
        if (end == at && *at)
            break;
    }
    return sizes;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    try {
        if (argc == 4 && std::wstring_view(argv[1]) == L"--peak")
            return PeakChild(argv[2], argv[3]);
        if (argc == 4 && std::wstring_view(argv[1]) == L"--start-up")
            return StartUpOnly(argv[2], argv[3]);
        const bool partialOnly = argc > 1 && std::wstring_view(argv[1]) == L"--partial";
        if (partialOnly) {
            --argc;
            ++argv;
        }
        if (argc < 3) {
            std::fprintf(stderr, "usage: marovan_run_bench [--partial] <Marovan.exe> "
                                 "<marovan_empty_window.exe> [sizes in MiB, e.g. 16,256,1024]\n");
            return 2;
        }
        std::vector<std::size_t> sizes = {16, 256, 1024};
        // "copying", "sub-search" or "nested" instead of the sizes runs that row alone.
        const bool copyingOnly = argc > 3 && std::wstring_view(argv[3]) == L"copying";
        const bool subSearchOnly = argc > 3 && std::wstring_view(argv[3]) == L"sub-search";
        const bool nestedOnly = argc > 3 && std::wstring_view(argv[3]) == L"nested";
        if (argc > 3 && !copyingOnly && !subSearchOnly && !nestedOnly)
            sizes = ParseSizes(fs::path(argv[3]).string().c_str());
        std::sort(sizes.begin(), sizes.end());

        Paths paths;
        paths.program = argv[1];
        paths.emptyWindow = argv[2];
        wchar_t self[MAX_PATH] = {};
        ::GetModuleFileNameW(nullptr, self, MAX_PATH);
        paths.self = self;
        paths.root = fs::temp_directory_path() / "marovan-bench";
        EmptyFolder(paths.root);
        // The documents run to a gigabyte each: gone even when a row fails.
        struct RemoveAtExit {
            const fs::path& root;
            ~RemoveAtExit() {
                std::error_code ignored;
                fs::remove_all(root, ignored);
            }
        } removeAtExit{paths.root};

        std::printf("Marovan run benchmark: %d runs of each; ratio = ours / floor, medians\n",
                    kRounds);
        if (partialOnly) {
            ReadingOnlyWhatTheLinksNeed(paths, sizes.back());
            return 0;
        }
        if (copyingOnly) {
            ResolvingAndCopying(paths);
            fs::remove_all(paths.root);
            return 0;
        }
        if (subSearchOnly) {
            SubSearch(paths);
            fs::remove_all(paths.root);
            return 0;
        }
        if (nestedOnly) {
            NestedLinks(paths);
            fs::remove_all(paths.root);
            return 0;
        }
        const double floor16 = ReadingToLinks(paths, sizes);
        PeakMemory(paths, sizes.back());
        ResolvingAndCopying(paths);
        SubSearch(paths);
        NestedLinks(paths);
        StartUp(paths);
        NaiveReference(paths, floor16);
        ReadingOnlyWhatTheLinksNeed(paths, sizes.back());
        fs::remove_all(paths.root);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "benchmark failed: %s\n", e.what());
        return 1;
    }
}
