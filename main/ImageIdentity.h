#pragma once
// Telling images apart: whether two files hold the same image.

#include <array>
#include <cstdint>
#include <string>

namespace marovan {

// What the system knows of a file that tells two images apart.
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

// Two images are the same when they are one file, or when they have the same
// size and last-write times within 2 seconds (FAT keeps times to 2 seconds,
// and a copy keeps its source's time).
bool SameImage(const FileFacts& a, const FileFacts& b) noexcept;

} // namespace marovan
