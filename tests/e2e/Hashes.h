#pragma once
// Fingerprints of files and folders, taken before a run and compared after
// it, so that a scenario sees any file the run wrote, changed, added or
// removed.

#include "tests/e2e/Driver.h"
#include "tests/e2e/Fixtures.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace marovan::e2e {

using Hash = std::uint64_t;
// Relative path -> hash; a folder is listed with a trailing "\" and hash 0.
using Hashes = std::map<std::wstring, Hash>;

inline constexpr Hash kFnvOffset = 0xcbf29ce484222325ull;

// FNV-1a with 64-bit words (bytes of a short tail one by one), continued
// from `hash`. Both sides of a comparison hash the same way.
Hash Fnv1a(std::span<const std::uint8_t> bytes, Hash hash = kFnvOffset);
// The file read in pieces, so that a file of gigabytes needs no buffer of
// its size.
Hash HashFile(const std::filesystem::path& file);
// Every file and folder below `folder`, or just `file` under its own name.
Hashes HashesOf(const std::filesystem::path& fileOrFolder);
// What a folder holding exactly these files would hash to.
Hashes HashesOfFiles(const std::map<std::wstring, Bytes>& files);

// The fingerprints of some files and folders at one moment.
class Snapshot {
public:
    explicit Snapshot(std::vector<std::filesystem::path> paths);
    // A failure for every path whose entries differ now.
    void ExpectUnchanged() const;

private:
    std::vector<std::pair<std::filesystem::path, Hashes>> taken_;
};

// --- What a run left for the user to see ------------------------------------

// The program's last word on a run: its summary, the no-link message or the
// general error report.
bool IsProgramsLastBox(const MessageBoxContent& box);

struct RunOutcome {
    // Boxes the system showed on its own before the program's last one.
    std::vector<MessageBoxContent> systemBoxes;
    MessageBoxContent last;
    // From the document chosen to the last box on screen.
    std::chrono::milliseconds took{};
};

// A whole run as a user performs it: the collect button, both prompts, and
// every box answered with OK until the program's last one.
RunOutcome CollectAndAnswer(const Marovan& app, const std::filesystem::path& destination,
                            const std::filesystem::path& document,
                            std::chrono::milliseconds patience = kPatience);
// The boxes that follow a document already chosen.
RunOutcome AnswerUntilLastBox(const Marovan& app, std::chrono::milliseconds patience = kPatience);

void ExpectBox(const MessageBoxContent& box, std::wstring_view caption, std::wstring_view text,
               Icon icon);
// The summary the program owes a run whose links got these marks, when
// `refused` of the found images did not get into the destination: each counts
// as a failure. A refused copy of the document adds a last line with the
// system's reason, and makes the box an error box.
void ExpectSummary(const MessageBoxContent& box, const std::vector<std::wstring>& marks,
                   std::size_t refused = 0, bool documentRefused = false);
void ExpectNoSystemBoxes(const RunOutcome& outcome);

// Column 1 (marks) and 3 (paths) of the link rows, read cell by cell so that
// long paths come whole.
struct LinkRows {
    std::vector<std::wstring> marks;
    std::vector<std::wstring> fileNames;
    std::vector<std::wstring> paths;
};
LinkRows ReadLinkRows(const Marovan& app);

// Empties a folder between runs that share it.
void EmptyFolder(const std::filesystem::path& folder);

} // namespace marovan::e2e
