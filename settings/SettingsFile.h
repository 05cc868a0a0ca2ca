#pragma once
// The settings operations on a settings file at a given path. The functions
// of Settings.h apply them to the file beside the executable.

#include "settings/Settings.h"

#include <functional>
#include <string>

namespace marovan::settings {

void EnsureExistsAt(const std::wstring& path);
RunOptions ReadRunOptionsFrom(const std::wstring& path);
AllOptions ReadAllFrom(const std::wstring& path);

// The system's private-profile write: section, key, value, file; false when
// the system refuses.
using ProfileWriter = std::function<bool(const wchar_t* section, const wchar_t* key,
                                         const wchar_t* value, const wchar_t* path)>;
void WriteAllTo(const std::wstring& path, const AllOptions& options);
void WriteAllTo(const std::wstring& path, const AllOptions& options, const ProfileWriter& write);

} // namespace marovan::settings
