#include "base/Paths.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace marovan {
namespace {

std::string Printable(std::u16string_view text) {
    return std::string(text.begin(), text.end());
}

TEST(Paths, SplitAfterTheLastSeparator) {
    // `last` follows the last folder separator only: a colon stays in it.
    struct Case {
        std::u16string_view path, folder, name, last;
    };
    const Case cases[] = {
        {u"C:\\work\\a.psd", u"C:\\work\\", u"a.psd", u"a.psd"},
        {u"/Users/name/folder/a.png", u"/Users/name/folder/", u"a.png", u"a.png"},
        {u"Macintosh HD:Users:a.tif", u"Macintosh HD:Users:", u"a.tif",
         u"Macintosh HD:Users:a.tif"},
        {u"C:a.png", u"C:", u"a.png", u"C:a.png"},
        {u"a.png", u"", u"a.png", u"a.png"},
        {u" C:\\x\\ b.png", u" C:\\x\\", u" b.png", u" b.png"},
        {u"C:\\x\\", u"C:\\x\\", u"", u""},
        {u"", u"", u"", u""},
        {u"C:\\mixed/sep\\c.eps", u"C:\\mixed/sep\\", u"c.eps", u"c.eps"},
        {u"C:\\x/y", u"C:\\x/", u"y", u"y"},
        {u"\\\\server\\share\\d.ai", u"\\\\server\\share\\", u"d.ai", u"d.ai"},
        {u"D:\\x\\COM1:", u"D:\\x\\COM1:", u"", u"COM1:"},
        {u"C:\\x\\a.png:stream", u"C:\\x\\a.png:", u"stream", u"a.png:stream"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FileNameOf(c.path), c.name) << Printable(c.path);
        EXPECT_EQ(FolderPartOf(c.path), c.folder) << Printable(c.path);
        EXPECT_EQ(LastPartOf(c.path), c.last) << Printable(c.path);
    }
}

TEST(Paths, JoinWithExactlyOneSeparator) {
    struct Case {
        std::u16string_view folder, name, joined;
    };
    const Case cases[] = {
        {u"C:\\work", u"a.png", u"C:\\work\\a.png"},
        {u"C:\\work\\", u"a.png", u"C:\\work\\a.png"},
        {u"/Users/k/", u"a.png", u"/Users/k/a.png"},
        {u"C:\\", u"a.png", u"C:\\a.png"},
        {u"C:", u"a.png", u"C:\\a.png"}, // a bare drive is no folder of its own
        {u"", u"a.png", u"\\a.png"},
        {u"C:\\work\\", u"", u"C:\\work\\"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(JoinPath(c.folder, c.name), c.joined) << Printable(c.folder);
}

TEST(Paths, OnlyFullPathsNameTheirPlaceAlone) {
    const std::pair<std::u16string_view, bool> cases[] = {
        {u"C:\\i\\a.png", true},
        {u"c:/i/a.png", true},
        {u"\\\\server\\share\\a.png", true},
        {u"//server/share/a.png", true},
        {u"\\\\?\\C:\\i\\a.png", true},
        {u"\\\\?\\UNC\\server\\share\\a.png", true},
        {u"a.png", false},
        {u"i\\a.png", false},
        {u"\\a.png", false},
        {u"/Users/k/a.png", false},
        {u"C:a.png", false},
        {u"C:", false},
        {u"1:\\a.png", false},
        {u"\\\\server", false},
        {u"\\\\server\\", false},
        {u"\\\\\\share\\a.png", false},
        {u"\\\\.\\COM1", false},
        {u"\\\\?\\GLOBALROOT\\Device\\x", false},
        {u"\\\\?\\UNC\\server", false},
        {u"", false},
    };
    for (const auto& [path, full] : cases)
        EXPECT_EQ(IsFullPath(path), full) << Printable(path);
}

TEST(Paths, AShareNamesItsHost) {
    const std::pair<std::u16string_view, std::u16string_view> cases[] = {
        {u"\\\\server\\share\\a.png", u"server"},
        {u"//nas/share/a.png", u"nas"},
        {u"\\\\?\\UNC\\fs01\\share\\a.png", u"fs01"},
        {u"\\\\?\\C:\\a.png", u""},
        {u"C:\\a.png", u""},
        {u"\\\\server", u""},
        {u"a.png", u""},
    };
    for (const auto& [path, host] : cases)
        EXPECT_EQ(HostOf(path), host) << Printable(path);
}

} // namespace
} // namespace marovan
