#pragma once
// Telling images apart: whether two files hold the same image.

#include "base/FileFacts.h"

namespace marovan {

// Two images are the same when they are one file, or when they have the same
// size and last-write times within 2 seconds (FAT keeps times to 2 seconds,
// and a copy keeps its source's time).
bool SameImage(const FileFacts& a, const FileFacts& b) noexcept;

} // namespace marovan
