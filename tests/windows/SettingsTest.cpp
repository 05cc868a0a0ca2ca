#include "settings/ProgramFile.h"
#include "settings/SettingsFile.h"

#include "ScratchFolder.h"
#include "base/Failure.h"
#include "platform/WinText.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace marovan;
using namespace marovan::settings;
using marovan::test::ScratchFolder;

// The four header lines as code page 932 writes them.
const std::string kHeaderBytes =
    "// Marovan\x0D\x0A"
    "// Marovan\x83\x5C\x83t\x83g\x82\xCC\x90\xDD\x92\xE8\x83t\x83@\x83\x43\x83\x8B\x82\xC5\x82\xB7"
    "\x81\x42\x0D\x0A"
    "// \x83\x5C\x83t\x83g\x82\xC6\x93\xAF\x82\xB6\x83t\x83H\x83\x8B\x83_\x82\xC9\x92u\x82\xA2\x82"
    "\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x81\x42\x0D\x0A"
    "// \x83\x5C\x83t\x83g\x82\xAA\x96\xB3\x82\xA2\x8F\xEA\x8D\x87\x82\xCD\x8D\xED\x8F\x9C\x82\xB5"
    "\x82\xC4\x82\xE0\x91\xE5\x8F\xE4\x95v\x82\xC5\x82\xB7\x81\x42\x0D\x0A";

std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::istringstream in(bytes);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::u16string FailureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Failure& failure) {
        return failure.Message();
    }
    return u"(no failure)";
}

class SettingsFile : public testing::Test {
protected:
    ScratchFolder folder_{L"settings"};
    const std::wstring ini_ = folder_ / L"MRV.ini";
};

TEST_F(SettingsFile, FirstCreationWritesExactlyTheHeaderInCodePage932) {
    ASSERT_EQ(::GetACP(), 932u) << "the tests run in a Japanese locale";
    EnsureExistsAt(ini_);
    EXPECT_EQ(test::ReadBytes(ini_), kHeaderBytes);
    EXPECT_EQ(ReadAllFrom(ini_), AllOptions{});
}

TEST_F(SettingsFile, AnExistingFileIsLeftUntouched) {
    const std::string edited = "[OPTION]\r\nAI Copy=1\r\n";
    test::WriteBytes(ini_, edited);
    EnsureExistsAt(ini_);
    EXPECT_EQ(test::ReadBytes(ini_), edited);
}

TEST_F(SettingsFile, RefusedCreationReportsIoError103) {
    // A folder standing where the file belongs cannot be opened as a file,
    // whoever runs the test; nor can a file in a folder that is not there.
    ASSERT_TRUE(::CreateDirectoryW(ini_.c_str(), nullptr));
    EXPECT_EQ(FailureOf([&] { EnsureExistsAt(ini_); }), u"I/O エラー 103");
    EXPECT_TRUE(test::IsDirectory(ini_));

    const std::wstring unreachable = folder_ / L"missing\\MRV.ini";
    EXPECT_EQ(FailureOf([&] { EnsureExistsAt(unreachable); }), u"I/O エラー 103");
    EXPECT_FALSE(test::Exists(unreachable));
}

TEST_F(SettingsFile, WriteAllAddsTheSectionAfterTheHeaderInKeyOrder) {
    EnsureExistsAt(ini_);
    WriteAllTo(ini_, {.errSearch = true, .subSearch = true});
    std::vector<std::string> expected = Lines(kHeaderBytes);
    for (const char* line : {"[OPTION]", "AI Copy=0", "Folder Open=0", "ERR Search=1", "Sendto=0",
                             "Sub Search=1", "Nested Links=0"})
        expected.push_back(line);
    // A blank line between header and section is the system's own choice.
    std::vector<std::string> lines = Lines(test::ReadBytes(ini_));
    std::erase(lines, std::string());
    EXPECT_EQ(lines, expected);
}

TEST_F(SettingsFile, WriteAllThenReadAllRoundTrips) {
    const AllOptions cases[] = {
        {true, true, true, true},
        {true, false, false, false},
        {false, true, false, false},
        {false, false, true, false},
        {false, false, false, true},
        {false, false, false, false},
        {.errSearch = true, .subSearch = true},
        {.nestedLinks = true},
        {true, true, true, true, true, true},
    };
    EnsureExistsAt(ini_);
    for (const AllOptions& options : cases) {
        WriteAllTo(ini_, options);
        EXPECT_EQ(ReadAllFrom(ini_), options);
        EXPECT_EQ(ReadRunOptionsFrom(ini_),
                  (RunOptions{options.aiCopy, options.folderOpen, options.errSearch,
                              options.subSearch, options.nestedLinks}));
    }
    // Updating in place: still one section with six keys.
    const std::string text = test::ReadBytes(ini_);
    EXPECT_EQ(text.find("[OPTION]"), text.rfind("[OPTION]"));
    EXPECT_EQ(text.find("Sendto="), text.rfind("Sendto="));
    EXPECT_EQ(text.find("Sub Search="), text.rfind("Sub Search="));
    EXPECT_EQ(text.find("Nested Links="), text.rfind("Nested Links="));
}

TEST_F(SettingsFile, MissingFileSectionOrKeysReadFalse) {
    EXPECT_EQ(ReadAllFrom(ini_), AllOptions{});
    test::WriteBytes(ini_, kHeaderBytes + "[OTHER]\r\nAI Copy=1\r\nSendto=1\r\n");
    EXPECT_EQ(ReadAllFrom(ini_), AllOptions{});
    test::WriteBytes(ini_, "[OPTION]\r\nERR Search=1\r\n");
    EXPECT_EQ(ReadAllFrom(ini_), (AllOptions{.errSearch = true}));
}

TEST_F(SettingsFile, AFileWithTheFourOlderKeysReadsTheNewOnesAsOff) {
    test::WriteBytes(ini_, kHeaderBytes + "[OPTION]\r\nAI Copy=1\r\nFolder Open=1\r\n"
                                          "ERR Search=1\r\nSendto=1\r\n");
    EXPECT_EQ(ReadAllFrom(ini_), (AllOptions{true, true, true, true, false, false}));
    EXPECT_EQ(ReadRunOptionsFrom(ini_), (RunOptions{true, true, true, false, false}));
}

TEST_F(SettingsFile, HandEditedValuesFollowTheIntegerRule) {
    test::WriteBytes(ini_, "[OPTION]\r\nAI Copy=2\r\nFolder Open=yes\r\nERR Search=$1F\r\n"
                           "Sendto=0x0\r\n");
    EXPECT_EQ(ReadAllFrom(ini_), (AllOptions{true, false, true, false}));
    EXPECT_EQ(ReadRunOptionsFrom(ini_), (RunOptions{true, false, true}));

    test::WriteBytes(ini_, "[OPTION]\r\nAI Copy=1a\r\nFolder Open=-1\r\nERR Search=\r\n"
                           "Sendto=99999999999\r\n");
    EXPECT_EQ(ReadAllFrom(ini_), (AllOptions{false, true, false, false}));

    test::WriteBytes(ini_, "[OPTION]\r\nSub Search=$1F\r\nNested Links=yes\r\n");
    EXPECT_EQ(ReadAllFrom(ini_), (AllOptions{.subSearch = true}));
    test::WriteBytes(ini_, "[OPTION]\r\nSub Search=-1\r\nNested Links=0x0\r\n");
    EXPECT_EQ(ReadAllFrom(ini_), (AllOptions{.subSearch = true}));
    test::WriteBytes(ini_, "[OPTION]\r\nSub Search=0\r\nNested Links=2\r\n");
    EXPECT_EQ(ReadAllFrom(ini_), (AllOptions{.nestedLinks = true}));
}

TEST_F(SettingsFile, AnEditTakesEffectAtTheNextRead) {
    WriteAllTo(ini_, {});
    EXPECT_FALSE(ReadRunOptionsFrom(ini_).errSearch);
    test::WriteBytes(ini_, "[OPTION]\r\nERR Search=1\r\n");
    EXPECT_TRUE(ReadRunOptionsFrom(ini_).errSearch);
}

TEST_F(SettingsFile, DeletedFileIsRewrittenWithoutHeader) {
    EnsureExistsAt(ini_);
    ASSERT_TRUE(::DeleteFileW(ini_.c_str()));
    EXPECT_EQ(ReadAllFrom(ini_), AllOptions{});
    WriteAllTo(ini_, {.aiCopy = true});
    std::vector<std::string> lines = Lines(test::ReadBytes(ini_));
    std::erase(lines, std::string());
    EXPECT_THAT(lines,
                testing::ElementsAre("[OPTION]", "AI Copy=1", "Folder Open=0", "ERR Search=0",
                                     "Sendto=0", "Sub Search=0", "Nested Links=0"));
}

TEST_F(SettingsFile, RefusedWriteNamesTheFile) {
    ASSERT_TRUE(::CreateDirectoryW(ini_.c_str(), nullptr));
    EXPECT_EQ(FailureOf([&] {
                  WriteAllTo(ini_, {true, true, true, true});
              }),
              win::U16(ini_) + u" に書き込めません");
    EXPECT_TRUE(test::IsDirectory(ini_)) << "the refusal must have been real";
}

TEST_F(SettingsFile, RefusedWriteStopsAtThatKey) {
    EnsureExistsAt(ini_);
    std::vector<std::wstring> asked;
    const ProfileWriter refuseFolderOpen = [&](const wchar_t* section, const wchar_t* key,
                                               const wchar_t* value, const wchar_t* path) {
        asked.emplace_back(key);
        if (asked.back() == L"Folder Open")
            return false;
        return ::WritePrivateProfileStringW(section, key, value, path) != FALSE;
    };
    EXPECT_EQ(FailureOf([&] {
                  WriteAllTo(ini_, {true, true, true, true}, refuseFolderOpen);
              }),
              win::U16(ini_) + u" に書き込めません");
    EXPECT_THAT(asked, testing::ElementsAre(L"AI Copy", L"Folder Open"));
    const std::string text = test::ReadBytes(ini_);
    EXPECT_NE(text.find("AI Copy=1"), std::string::npos);
    EXPECT_EQ(text.find("ERR Search"), std::string::npos);
    EXPECT_EQ(text.find("Sendto"), std::string::npos);
}

TEST(ProgramFile, SettingsLiveBesideTheExecutable) {
    const std::wstring exe = ExecutablePath();
    EXPECT_TRUE(test::Exists(exe));
    EXPECT_EQ(SettingsPath(), exe.substr(0, exe.find_last_of(L'\\') + 1) + L"MRV.ini");
}

TEST(ProgramFile, FolderOfKeepsTheTrailingSeparator) {
    EXPECT_EQ(FolderOf(L"C:\\Tools\\Marovan.exe"), L"C:\\Tools\\");
    EXPECT_EQ(FolderOf(L"C:\\Marovan.exe"), L"C:\\");
    EXPECT_EQ(FolderOf(L"\\\\server\\share\\a.b\\Marovan.exe"), L"\\\\server\\share\\a.b\\");
    EXPECT_EQ(FolderOf(L"Marovan.exe"), L"");
}

} // namespace
