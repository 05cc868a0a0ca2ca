#pragma once
// Splitting and joining Windows paths as text, without asking the system.
// A path's parts are separated by "\" or "/", and a drive's ":" ends its
// drive part.

#include <string>
#include <string_view>

namespace marovan {

// The file-name part: what follows the last "\", "/" or ":"; the whole path
// when it has none; empty when the path ends in one.
std::u16string_view FileNameOf(std::u16string_view path) noexcept;

// The folder part, up to and including that last separator ("C:\A\" for
// "C:\A\b.exe", "C:" for "C:b.exe"); empty when the path has none.
std::u16string_view FolderPartOf(std::u16string_view path) noexcept;

// What follows the last "\" or "/", colons kept: the name as the file
// system reads it, with a drive prefix or what follows a colon still in it
// ("C:CON" of "C:CON", "COM1:" of "D:\x\COM1:"); the whole path when it has
// no such separator.
std::u16string_view LastPartOf(std::u16string_view path) noexcept;

// `name` inside `folder`, with exactly one separator between them: none is
// added after a folder that already ends in "\" or "/"; a bare drive ("C:")
// or an empty folder gets one.
std::u16string JoinPath(std::u16string_view folder, std::u16string_view name);

// True for a path that names its place without the current folder or the
// current drive: a drive letter with its colon and a separator ("C:\x"), a
// share ("\\server\share\x"), or the "\\?\" form of either. Relative
// paths ("x.png"), rooted ones without a drive ("\x.png", "/Users/..."),
// drive-relative ones ("C:x.png") and device paths are not.
bool IsFullPath(std::u16string_view path) noexcept;

// The host a share path names ("server" of "\\server\share\x" and of
// "\\?\UNC\server\share\x"); empty for any other path.
std::u16string_view HostOf(std::u16string_view path) noexcept;

} // namespace marovan
