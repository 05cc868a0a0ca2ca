#include "inf/VersionName.h"

namespace marovan {

std::u16string StringTableName(std::uint32_t translation) {
    // Language, then code page: the two halves of the value swapped.
    const std::uint32_t name = (translation << 16) | (translation >> 16);
    std::u16string text(8, u'0');
    for (int i = 7, shift = 0; i >= 0; --i, shift += 4)
        text[static_cast<std::size_t>(i)] = u"0123456789ABCDEF"[(name >> shift) & 0xF];
    return text;
}

std::u16string FileVersionQuery(std::uint32_t translation) {
    return u"\\StringFileInfo\\" + StringTableName(translation) + u"\\FileVersion";
}

std::u16string VersionLine(VersionLookup lookup, std::u16string_view fileVersion) {
    switch (lookup) {
    case VersionLookup::Found:
        return u"Version " + std::u16string(fileVersion);
    case VersionLookup::NoFileVersion:
        return kVersionLineAsLaidOut;
    case VersionLookup::NoVersionInformation:
    case VersionLookup::NoTranslation:
        break;
    }
    return u"Version nothing";
}

} // namespace marovan
