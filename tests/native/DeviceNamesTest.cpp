#include "base/DeviceNames.h"

#include <gtest/gtest.h>

namespace marovan {
namespace {

TEST(NamesDevice, RecognisesReservedNamesAnywhere) {
    const std::u16string_view devices[] = {
        u"CON",
        u"con",
        u"NUL.png",
        u"C:\\images\\aux.tif",
        u"COM1",
        u"C:\\x\\COM9.psd",
        u"lpt3.eps",
        u"/Users/k/PRN",
        u"NUL .txt",
        u"COM1:",
        u"D:\\x\\COM1:",
        u"C:CON",
        u"C:\\x\\conin$",
        u"CONOUT$.log",
        u"\\\\.\\PhysicalDrive0",
        u"\\\\.\\C:\\a.png",
        u"\\\\?\\GLOBALROOT\\Device\\Harddisk0",
        u"\\\\?\\globalroot\\x",
        u"//./COM1",
        u"\\??\\C:\\a.png",
        u"COM\u00B9",
    };
    for (auto path : devices)
        EXPECT_TRUE(NamesDevice(path)) << std::string(path.begin(), path.end());
}

TEST(NamesDevice, LeavesOrdinaryFilesAlone) {
    const std::u16string_view files[] = {
        u"C:\\images\\a.png",
        u"CONSOLE.png",
        u"COM10",
        u"COM0.tif",
        u"LPT.png",
        u"C:\\CON\\a.png",
        u"icon.png",
        u"null.psd",
        u"",
        u"C:\\x\\",
        u"\\\\?\\C:\\a.png",
        u"\\\\server\\share\\nul2.png",
        u"C:\\画像\\写真.psd",
    };
    for (auto path : files)
        EXPECT_FALSE(NamesDevice(path)) << std::string(path.begin(), path.end());
}

} // namespace
} // namespace marovan
