#include "base/Paths.h"

namespace marovan {

namespace {

constexpr std::u16string_view kSeparators = u"\\/:";

bool EndsInFolderSeparator(std::u16string_view path) noexcept {
    return !path.empty() && (path.back() == u'\\' || path.back() == u'/');
}

} // namespace

std::u16string_view FileNameOf(std::u16string_view path) noexcept {
    const std::size_t separator = path.find_last_of(kSeparators);
    return separator == std::u16string_view::npos ? path : path.substr(separator + 1);
}

std::u16string_view FolderPartOf(std::u16string_view path) noexcept {
    const std::size_t separator = path.find_last_of(kSeparators);
    return separator == std::u16string_view::npos ? std::u16string_view{}
                                                  : path.substr(0, separator + 1);
}

std::u16string JoinPath(std::u16string_view folder, std::u16string_view name) {
    std::u16string path(folder);
    if (!EndsInFolderSeparator(path))
        path += u'\\';
    path += name;
    return path;
}

} // namespace marovan
