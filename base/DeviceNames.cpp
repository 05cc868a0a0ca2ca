#include "base/DeviceNames.h"

#include "base/Paths.h"

#include <array>

namespace marovan {

namespace {

char16_t Upper(char16_t c) noexcept {
    return c >= u'a' && c <= u'z' ? c - u'a' + u'A' : c;
}

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) noexcept {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i]))
            return false;
    return true;
}

bool StartsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) noexcept {
    return text.size() >= prefix.size() &&
           EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

bool IsReservedName(std::u16string_view name) noexcept {
    constexpr std::array<std::u16string_view, 6> plain = {u"CON", u"PRN",    u"AUX",
                                                          u"NUL", u"CONIN$", u"CONOUT$"};
    for (auto reserved : plain)
        if (EqualsIgnoringCase(name, reserved))
            return true;
    // COM1-9 and LPT1-9, also with the superscript digits Windows accepts.
    if (name.size() == 4 &&
        (StartsWithIgnoringCase(name, u"COM") || StartsWithIgnoringCase(name, u"LPT"))) {
        const char16_t digit = name[3];
        return (digit >= u'1' && digit <= u'9') || digit == u'\u00B9' || digit == u'\u00B2' ||
               digit == u'\u00B3';
    }
    return false;
}

} // namespace

bool NamesDevice(std::u16string_view path) noexcept {
    if (StartsWithIgnoringCase(path, u"\\\\.\\") || StartsWithIgnoringCase(path, u"//./") ||
        StartsWithIgnoringCase(path, u"\\\\?\\GLOBALROOT") ||
        StartsWithIgnoringCase(path, u"\\??\\"))
        return true;
    std::u16string_view name = LastPartOf(path);
    // "C:CON" names the device too: a drive prefix is no folder.
    if (name.size() >= 2 && name[1] == u':')
        name.remove_prefix(2);
    // The device name is what stands before the first dot or colon, trailing
    // blanks dropped ("NUL .txt", "COM1:").
    name = name.substr(0, name.find_first_of(u".:"));
    while (!name.empty() && name.back() == u' ')
        name.remove_suffix(1);
    return IsReservedName(name);
}

} // namespace marovan
