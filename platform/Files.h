#pragma once
// Reading documents and testing for image files. Paths come from documents
// and are untrusted: nothing here opens anything but a disk file.

#include <windows.h>

#include "base/CodePage.h"
#include "base/DocumentBytes.h"
#include "base/FolderListing.h"
#include "platform/Handles.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace marovan::win {

// A disk file read piece by piece from a given offset, for a reader that may
// stop long before the end. Opened for reading while others may read it too;
// it is read as far as the size it had when it was opened, and a file that
// shrank meanwhile ends where its data ends. Throws SystemError when it cannot
// be opened, read or held in memory.
class FilePieces {
public:
    // A quarter of a megabyte takes well under a millisecond, short enough
    // for the window to stay responsive between pieces, and it bounds what is
    // read beyond the point where a reader stops.
    static constexpr std::size_t kPiece = 256u << 10;

    explicit FilePieces(std::wstring_view path, std::uint64_t from = 0);

    // Appends the next piece to `bytes`, growing it as it fills (doubling, but
    // never beyond what the whole file needs). The number of bytes appended; 0
    // at the end of the file.
    std::size_t ReadPiece(DocumentBytes& bytes);
    std::uint64_t Size() const noexcept { return size_; }

private:
    UniqueFile file_;
    std::uint64_t size_ = 0;
    std::uint64_t offset_ = 0;
};

// The whole file, read with FilePieces into a buffer sized once, with
// `betweenPieces` called after each piece.
DocumentBytes ReadWholeFile(std::wstring_view path,
                            const std::function<void()>& betweenPieces = {});

// The form of a full path that the system takes at any length: a path of
// MAX_PATH characters or more becomes "\\?\C:\..." or "\\?\UNC\server\...",
// made whole first ("." and ".." resolved, "/" turned into "\"), since the
// system takes such a form as it stands. Without the long-path setting of
// Windows 10 and later the manifest's longPathAware is not enough on its own.
// Shorter paths, and paths already in that form, are returned as they are.
std::wstring LongPathForm(std::wstring_view path);

// Makes the system fail a call that touches a drive without a disk (or any
// other critical error) instead of asking the user in a box of its own, as
// it would for each file of a run; the rest of the process's error mode is
// kept.
void FailCriticalErrorsSilently() noexcept;

// The path made whole against the current folder ("." and ".." resolved);
// the path as given when the system cannot.
std::wstring FullPath(std::wstring_view path);

// Makes `path` a file holding exactly `bytes`: they are written to a new file
// beside it, which then takes its place, so that a failure at any point
// leaves whatever was at `path` before (nothing, or the whole old file) and no
// new file. Throws SystemError with the system's code.
void WriteWholeFile(std::wstring_view path, std::string_view bytes);

// True only for an existing regular file: not a folder, not a device. A file
// another program holds locked counts; a symbolic link counts when its target
// can be opened or is locked.
bool IsRegularFile(std::wstring_view path) noexcept;

// The subfolders and files of a folder, in the order the file system gives
// them; an empty listing when the folder cannot be listed. Takes a path of
// any length.
FolderListing ListFolder(std::wstring_view folder);

// How a code page builds its characters from bytes (CP_ACP for the system's
// ANSI code page).
CodePageShape CodePageShapeOf(UINT codePage) noexcept;

// Decodes bytes with a code page (CP_ACP for the system's ANSI code page).
// Never fails: what the code page cannot decode becomes its substitute.
std::u16string DecodeCodePage(std::span<const std::uint8_t> bytes, UINT codePage);
// The same, appended to `text`, for bytes that end at a character boundary,
// given the code page's shape. A line end after a lead byte stays a line
// end, whatever the system's decoder would make of the pair.
void DecodeCodePageAppend(std::span<const std::uint8_t> bytes, UINT codePage,
                          const CodePageShape& shape, std::u16string& text);

} // namespace marovan::win
