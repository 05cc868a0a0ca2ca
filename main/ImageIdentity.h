#pragma once
// Telling images apart. Two images are the same when they are one file, or
// when they have the same size and last-write times within 2 seconds (FAT
// keeps times to 2 seconds, and a copy keeps its source's time).

#include "base/FileFacts.h"

namespace marovan {

bool SameSizeAndTime(const FileFacts& a, const FileFacts& b) noexcept;
bool SameFile(const FileIdentity& a, const FileIdentity& b) noexcept;

} // namespace marovan
