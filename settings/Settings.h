#pragma once
// The settings file "MRV.ini" beside the executable: six Boolean keys of the
// section "OPTION". Every operation opens the file afresh.

#include "settings/Options.h"

#include <string>

namespace marovan::settings {

// The full path of the settings file: the executable's folder and "MRV.ini".
std::wstring SettingsPath();

// Creates the file with its four header lines when it is missing; throws
// Failure("I/O エラー 103") when it cannot be created.
void EnsureExists();

// Never fails: a missing file, section or key reads false.
RunOptions ReadRunOptions();
AllOptions ReadAll();

// Writes the keys in order; throws Failure("<path> に書き込めません") at the
// first key the system refuses, leaving the later keys unwritten.
void WriteAll(const AllOptions& options);

} // namespace marovan::settings
