#pragma once
// What the system knows of a file that tells two images apart.

#include <array>
#include <cstdint>
#include <string>

namespace marovan {

struct FileFacts {
    // The file itself, where the file system gives a real identity (not zero,
    // and 128 bits where 64 are not unique).
    bool hasId = false;
    std::uint64_t volume = 0;
    std::array<std::uint8_t, 16> id{};
    // Where it has none: the final path name the system resolves it to.
    std::u16string finalPath;
    std::uint64_t size = 0;
    std::int64_t lastWrite = 0; // in 100-nanosecond units
};

} // namespace marovan
