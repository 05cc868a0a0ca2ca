#include "main/ImageIdentity.h"

namespace marovan {

bool SameSizeAndTime(const FileFacts& a, const FileFacts& b) noexcept {
    constexpr std::int64_t kTwoSeconds = 2 * 10'000'000;
    const std::int64_t apart =
        a.lastWrite > b.lastWrite ? a.lastWrite - b.lastWrite : b.lastWrite - a.lastWrite;
    return a.size == b.size && apart <= kTwoSeconds;
}

bool SameFile(const FileIdentity& a, const FileIdentity& b) noexcept {
    if (a.hasId && b.hasId)
        return a.volume == b.volume && a.id == b.id;
    return !a.finalPath.empty() && a.finalPath == b.finalPath;
}

} // namespace marovan
