#pragma once
// The links of a run: one per path of the document's link record, in
// document order, each with what the run found out about it. The run works
// on them; the link table only shows them.

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

// What copying the image into the destination did.
enum class CopyResult : std::uint8_t {
    NotTried, // missing, or the run ended before it
    Copied,   // the image is in the destination folder
    Refused,  // the system did not copy it
};

struct Link {
    std::u16string path;     // exactly as written in the document
    std::u16string fileName; // its file-name part
    Mark mark = Mark::Untested;
    std::u16string source; // where the image was found; empty unless found
    CopyResult copy = CopyResult::NotTried;

    bool IsFound() const noexcept { return mark == Mark::Found || mark == Mark::Beside; }
    // A link succeeds when its image was found and is in the destination.
    bool Failed() const noexcept { return !IsFound() || copy == CopyResult::Refused; }
};

using Links = std::vector<Link>;

// The result mark as the table shows it: "○", "△" or "×"; empty until the
// link has been tested.
std::u16string_view MarkText(Mark mark) noexcept;

} // namespace marovan
