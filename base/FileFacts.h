#pragma once
// What the system knows of a file that tells two images apart.

#include <array>
#include <cstdint>
#include <string>

namespace marovan {

// What the system tells of a file without opening it.
struct FileFacts {
    std::uint64_t size = 0;
    std::int64_t lastWrite = 0; // in 100-nanosecond units
};

// The file itself, which takes opening it to learn.
struct FileIdentity {
    // Where the file system gives a real identity: not zero, and 128 bits
    // where 64 are not unique.
    bool hasId = false;
    std::uint64_t volume = 0;
    std::array<std::uint8_t, 16> id{};
    // Where it has none: the final path name the system resolves it to.
    std::u16string finalPath;
};

} // namespace marovan
