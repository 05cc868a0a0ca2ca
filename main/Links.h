#pragma once
// The links of a run: one per path of the document's link record, in
// document order, each with what the run found out about it. The run works
// on them; the link table only shows them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace marovan {

// Whether the image of a link was found, and where.
enum class Mark : std::uint8_t {
    Untested,
    Found,   // at its path
    Beside,  // not at its path, but under its file name beside the document
    Missing, // neither
};

// What became of a link's image.
enum class Outcome : std::uint8_t {
    Pending,      // the run has not come to it
    Copied,       // copied into the destination
    AlreadyThere, // the destination already held the same image
    Replaced,     // a different file of its name went to the Recycle Bin first
    NameTaken,    // another image of this run holds its name in the destination
    SameAsAbove,  // the same image as an earlier link, collected there
    KeptExisting, // the user kept the destination's different file of its name
    Refused,      // the system refused; `reason` says why
    NotFound,     // no image was found
};

struct Link {
    std::u16string path;     // exactly as written in the document
    std::u16string fileName; // its file-name part
    Mark mark = Mark::Untested;
    std::u16string source; // where the image was found; empty unless found
    Outcome outcome = Outcome::Pending;
    // Why: the system's reason for a refused copy, or the host of a share
    // that did not answer for a link not found.
    std::u16string reason;
    // The document the link was read for, as an index into the run's
    // DocumentPaths, and how far down: 0 for the document's own links, n for
    // the links of a file it places n levels down.
    std::uint32_t document = 0;
    std::uint8_t depth = 0;

    bool IsFound() const noexcept { return mark == Mark::Found || mark == Mark::Beside; }
    // A link succeeds when its image is in the destination at the end of the run.
    bool Failed() const noexcept;
    // Its mark is drawn in red: missing, or found but not collected.
    bool ShownAsFailure() const noexcept {
        return mark == Mark::Missing || (IsFound() && outcome != Outcome::Pending && Failed());
    }
};

using Links = std::vector<Link>;

// The documents whose links a run collected, in the order it read them: one
// for a run from the prompts, one per file of a dropped batch. The links of
// one document are contiguous in Links.
using DocumentPaths = std::vector<std::u16string>;

// True for the outcomes that leave the image in the destination.
bool Collected(Outcome outcome) noexcept;

// What became of the link, as the window tells it.
std::u16string OutcomeText(const Link& link);

// The result mark as the table shows it: "○", "△" or "×"; empty until the
// link has been tested.
std::u16string_view MarkText(Mark mark) noexcept;

} // namespace marovan
