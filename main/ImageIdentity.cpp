#include "main/ImageIdentity.h"

namespace marovan {

namespace {

constexpr std::int64_t kTwoSeconds = 2 * 10'000'000;

bool SameFile(const FileFacts& a, const FileFacts& b) noexcept {
    if (a.hasId && b.hasId)
        return a.volume == b.volume && a.id == b.id;
    return !a.finalPath.empty() && a.finalPath == b.finalPath;
}

} // namespace

bool SameImage(const FileFacts& a, const FileFacts& b) noexcept {
    if (SameFile(a, b))
        return true;
    const std::int64_t apart =
        a.lastWrite > b.lastWrite ? a.lastWrite - b.lastWrite : b.lastWrite - a.lastWrite;
    return a.size == b.size && apart <= kTwoSeconds;
}

} // namespace marovan
