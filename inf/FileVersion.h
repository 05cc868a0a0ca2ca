#pragma once
// The FileVersion string of a file's version information, looked up in the
// string table its first translation entry names.

#include "inf/VersionName.h"

#include <string>

namespace marovan {

struct FileVersion {
    VersionLookup lookup = VersionLookup::NoVersionInformation;
    std::u16string value; // set when lookup is Found
};

FileVersion ReadFileVersion(const std::wstring& path);

} // namespace marovan
