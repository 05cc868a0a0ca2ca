#include "base/Paths.h"

namespace marovan {

namespace {

constexpr std::u16string_view kFolderSeparators = u"\\/";
constexpr std::u16string_view kSeparators = u"\\/:";

// Where the part after the last of `separators` begins: every split of a path
// goes through here.
std::size_t PartStart(std::u16string_view path, std::u16string_view separators) noexcept {
    const std::size_t separator = path.find_last_of(separators);
    return separator == std::u16string_view::npos ? 0 : separator + 1;
}

bool EndsInFolderSeparator(std::u16string_view path) noexcept {
    return !path.empty() && (path.back() == u'\\' || path.back() == u'/');
}

bool IsSeparator(char16_t c) noexcept {
    return c == u'\\' || c == u'/';
}

bool IsDriveLetter(char16_t c) noexcept {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// "C:\" or "C:/" and something after it or not.
bool StartsWithDriveRoot(std::u16string_view path) noexcept {
    return path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == u':' && IsSeparator(path[2]);
}

// "server\share\..." after the two leading separators of a share: both
// names present, the share followed by a separator or the end.
bool IsServerAndShare(std::u16string_view rest) noexcept {
    const std::size_t server = rest.find_first_of(u"\\/");
    if (server == 0 || server == std::u16string_view::npos)
        return false;
    const std::u16string_view share = rest.substr(server + 1);
    return !share.empty() && !IsSeparator(share[0]);
}

bool StartsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) noexcept {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char16_t a = text[i], b = prefix[i];
        if (a >= u'a' && a <= u'z')
            a = static_cast<char16_t>(a - u'a' + u'A');
        if (a != b)
            return false;
    }
    return true;
}

} // namespace

bool IsFullPath(std::u16string_view path) noexcept {
    if (StartsWithDriveRoot(path))
        return true;
    if (path.size() < 2 || !IsSeparator(path[0]) || !IsSeparator(path[1]))
        return false;
    const std::u16string_view rest = path.substr(2);
    if (rest.starts_with(u"?\\")) {
        const std::u16string_view named = rest.substr(2);
        if (StartsWithIgnoringCase(named, u"UNC\\"))
            return IsServerAndShare(named.substr(4));
        return StartsWithDriveRoot(named);
    }
    // "\\.\" and "\\?\" name devices and other namespaces, not shares.
    if (rest.size() >= 2 && (rest[0] == u'.' || rest[0] == u'?') && IsSeparator(rest[1]))
        return false;
    return IsServerAndShare(rest);
}

std::u16string_view HostOf(std::u16string_view path) noexcept {
    if (!IsFullPath(path) || StartsWithDriveRoot(path))
        return {};
    std::u16string_view rest = path.substr(2);
    if (rest.starts_with(u"?\\")) {
        rest = rest.substr(2);
        if (!StartsWithIgnoringCase(rest, u"UNC\\"))
            return {};
        rest = rest.substr(4);
    }
    return rest.substr(0, rest.find_first_of(u"\\/"));
}

std::u16string_view FileNameOf(std::u16string_view path) noexcept {
    return path.substr(PartStart(path, kSeparators));
}

std::u16string_view FolderPartOf(std::u16string_view path) noexcept {
    return path.substr(0, PartStart(path, kSeparators));
}

std::u16string_view LastPartOf(std::u16string_view path) noexcept {
    return path.substr(PartStart(path, kFolderSeparators));
}

std::u16string JoinPath(std::u16string_view folder, std::u16string_view name) {
    std::u16string path(folder);
    if (!EndsInFolderSeparator(path))
        path += u'\\';
    path += name;
    return path;
}

} // namespace marovan
