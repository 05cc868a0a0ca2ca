#pragma once
// Collecting images into the destination folder without losing any: one
// name holds one image. A file is never replaced silently: the same image
// already there is left alone, a different one goes to the Recycle Bin first,
// and a name an earlier image of this run took is not written again.

#include "main/CollectionRun.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace marovan {

class Collector {
public:
    Collector(RunSystem& system, std::u16string_view destination,
              std::function<void()> keepResponsive);

    struct Result {
        Outcome outcome;
        std::u16string reason; // the system's, when it refused
    };
    // Collects the image at `source` under `name` into the destination.
    Result Collect(std::u16string_view source, std::u16string_view name);

private:
    Result Place(std::u16string_view source, const std::u16string& target,
                 const std::optional<FileFacts>& facts);
    Result CopyTo(std::u16string_view source, const std::u16string& target, Outcome done);
    // Whether the files at two paths hold the same image, from the facts
    // already read of each.
    bool SameImage(std::u16string_view a, const FileFacts& factsOfA, std::u16string_view b,
                   const FileFacts& factsOfB);

    // A name of the destination this run has filled, and from where.
    struct Held {
        std::u16string name;
        std::u16string source;
        std::optional<FileFacts> facts;
    };

    RunSystem& system_;
    std::u16string destination_;
    std::function<void()> keepResponsive_;
    std::vector<Held> held_;
};

} // namespace marovan
