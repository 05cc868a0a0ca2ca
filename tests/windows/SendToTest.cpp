#include "settings/SendTo.h"
#include "settings/ProgramFile.h"

#include "ScratchFolder.h"
#include "ShellFolderValue.h"
#include "base/Failure.h"
#include "base/Text.h"
#include "platform/Handles.h"
#include "platform/ShellLink.h"
#include "platform/WinText.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <shlobj.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace marovan;
using marovan::test::Exists;
using marovan::test::ScratchFolder;
using marovan::test::ShellFolderValue;

struct LinkContents {
    std::wstring target;
    std::wstring workingFolder;
};

// Loads a shortcut back the way the shell does.
LinkContents LoadLink(const std::wstring& path) {
    win::ComPtr<IShellLinkW> link;
    EXPECT_HRESULT_SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                                IID_IShellLinkW, link.put_void()));
    win::ComPtr<IPersistFile> file;
    if (!link || FAILED(link->QueryInterface(IID_IPersistFile, file.put_void())))
        return {};
    EXPECT_HRESULT_SUCCEEDED(file->Load(path.c_str(), STGM_READ));
    wchar_t target[MAX_PATH] = {};
    wchar_t folder[MAX_PATH] = {};
    link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    link->GetWorkingDirectory(folder, MAX_PATH);
    return {target, folder};
}

int FilesIn(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int count = 0;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            ++count;
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return count;
}

HRESULT WINAPI ShellCannotTell(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR* path) {
    *path = nullptr;
    return E_FAIL;
}

class SendTo : public testing::Test {
protected:
    SendTo() {
        ::CreateDirectoryW(sendTo_.c_str(), nullptr);
        ::CreateDirectoryW(program_.c_str(), nullptr);
        test::WriteBytes(exe_, "MZ");
    }

    win::ComApartment com_;
    ScratchFolder folder_{L"sendto"};
    const std::wstring sendTo_ = folder_ / L"SendTo";
    const std::wstring program_ = folder_ / L"プログラム";
    const std::wstring exe_ = program_ + L"\\Marovan.exe";
    const std::wstring shortcut_ = sendTo_ + L"\\Marovan.lnk";
};

TEST_F(SendTo, RegisteringWritesAShortcutToTheExecutableInItsFolder) {
    sendto::ApplyAt(true, sendTo_, exe_);
    ASSERT_TRUE(Exists(shortcut_));
    const LinkContents link = LoadLink(shortcut_);
    EXPECT_EQ(link.target, exe_);
    EXPECT_EQ(link.workingFolder, program_ + L"\\");
}

TEST_F(SendTo, RegisteringAgainKeepsOneShortcutAndFollowsAMovedExecutable) {
    sendto::ApplyAt(true, sendTo_, exe_);
    sendto::ApplyAt(true, sendTo_, exe_);
    EXPECT_EQ(FilesIn(sendTo_), 1);

    const std::wstring moved = folder_ / L"Moved";
    ASSERT_TRUE(::CreateDirectoryW(moved.c_str(), nullptr));
    ASSERT_TRUE(::MoveFileW(exe_.c_str(), (moved + L"\\Marovan.exe").c_str()));
    sendto::ApplyAt(true, sendTo_, moved + L"\\Marovan.exe");
    EXPECT_EQ(FilesIn(sendTo_), 1);
    const LinkContents link = LoadLink(shortcut_);
    EXPECT_EQ(link.target, moved + L"\\Marovan.exe");
    EXPECT_EQ(link.workingFolder, moved + L"\\");
}

TEST_F(SendTo, UnregisteringRemovesTheShortcutAndAMissingOneIsNoError) {
    sendto::ApplyAt(true, sendTo_, exe_);
    ASSERT_TRUE(Exists(shortcut_));
    sendto::ApplyAt(false, sendTo_, exe_);
    EXPECT_FALSE(Exists(shortcut_));
    EXPECT_NO_THROW(sendto::ApplyAt(false, sendTo_, exe_));
    EXPECT_EQ(FilesIn(sendTo_), 0);
}

// A folder that cannot take the shortcut, or a shortcut that cannot go: the
// failure says where and why, and nothing is left half done.
TEST_F(SendTo, AShortcutThatCannotBeSavedOrDeletedIsAFailureWithTheReason) {
    const std::wstring notAFolder = folder_.path() + L"\\a-file";
    test::WriteBytes(notAFolder, "x");
    try {
        sendto::ApplyAt(true, notAFolder, exe_);
        ADD_FAILURE() << "no failure for a shortcut inside a file";
    } catch (const Failure& failure) {
        const std::u16string expected = std::u16string(notAFolder.begin(), notAFolder.end()) +
                                        u"\\Marovan.lnk に書き込めません：";
        EXPECT_EQ(failure.Message().substr(0, expected.size()), expected);
        EXPECT_GT(failure.Message().size(), expected.size()) << "the reason is missing";
    }

    sendto::ApplyAt(true, sendTo_, exe_);
    HANDLE holder =
        ::CreateFileW(shortcut_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    std::u16string refusal;
    try {
        sendto::ApplyAt(false, sendTo_, exe_);
    } catch (const Failure& failure) {
        refusal = failure.Message();
    }
    ::CloseHandle(holder);
    EXPECT_EQ(refusal, win::U16(shortcut_) + u" を削除できません：" +
                           std::u16string(TrimmedDescription(
                               win::View(win::SystemMessage(ERROR_SHARING_VIOLATION)))));
    EXPECT_TRUE(Exists(shortcut_));
}

TEST_F(SendTo, WithoutASendToFolderNothingIsCreatedAndAShortcutAskedForFailsWithTheReason) {
    // An empty folder would put "\Marovan.lnk" at the root of the current
    // drive; the current folder is checked as well.
    wchar_t current[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, current);
    const std::wstring places[] = {L"\\Marovan.lnk", L"Marovan.lnk",
                                   std::wstring(current) + L"\\Marovan.lnk"};
    for (const std::wstring& place : places)
        ASSERT_FALSE(Exists(place)) << place;
    ASSERT_TRUE(::SetCurrentDirectoryW(folder_.path().c_str()));
    const HRESULT why = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    std::u16string refusal;
    try {
        sendto::ApplyAt(true, L"", exe_, why);
    } catch (const Failure& failure) {
        refusal = failure.Message();
    }
    EXPECT_NO_THROW(sendto::ApplyAt(false, L"", exe_, why)) << "nothing to delete is no failure";
    const bool createdHere = Exists(L"Marovan.lnk") || FilesIn(folder_.path()) != 0;
    const bool createdAtRoot = Exists(L"\\Marovan.lnk");
    ::SetCurrentDirectoryW(current);
    EXPECT_FALSE(createdHere);
    EXPECT_FALSE(createdAtRoot);
    EXPECT_EQ(FilesIn(sendTo_), 0);
    EXPECT_EQ(refusal, u"「送る」フォルダがありません：" +
                           std::u16string(TrimmedDescription(
                               win::View(win::SystemMessage(static_cast<unsigned long>(why))))));
}

// A redirected profile: the shell's own record names the folder now in use,
// the copy Windows keeps for old programs still names the one before.
TEST_F(SendTo, TheUsersSendToFolderIsTheShellsKnownFolderNotAStaleCopy) {
    const std::wstring redirected = folder_ / L"転送先 SendTo";
    const std::wstring stale = folder_ / L"Stale SendTo";
    ASSERT_TRUE(::CreateDirectoryW(redirected.c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW(stale.c_str(), nullptr));
    const ShellFolderValue record(L"User Shell Folders");
    const ShellFolderValue copy(L"Shell Folders");
    record.Set(redirected, REG_EXPAND_SZ);
    copy.Set(stale);
    EXPECT_EQ(sendto::SendToFolder(), redirected);
}

TEST_F(SendTo, WhenTheShellCannotTellTheShellFoldersValueIsUsed) {
    const ShellFolderValue copy(L"Shell Folders");
    struct Case {
        const wchar_t* what;
        std::wstring value;
        DWORD type;
        std::wstring expected;
    };
    ASSERT_TRUE(::SetEnvironmentVariableW(L"MAROVAN_TEST_FOLDER", folder_.path().c_str()));
    const Case cases[] = {
        {L"a plain value", sendTo_, REG_SZ, sendTo_},
        {L"an expandable value, expanded", L"%MAROVAN_TEST_FOLDER%\\SendTo", REG_EXPAND_SZ,
         sendTo_},
        {L"an empty value", L"", REG_SZ, L""},
    };
    for (const Case& c : cases) {
        copy.Set(c.value, c.type);
        EXPECT_EQ(sendto::SendToFolderWith(&ShellCannotTell), c.expected) << c.what;
    }
    copy.Remove();
    HRESULT why = S_OK;
    EXPECT_EQ(sendto::SendToFolderWith(&ShellCannotTell, &why), L"") << L"no value";
    EXPECT_EQ(why, E_FAIL) << "the shell's reason is lost";
    ::SetEnvironmentVariableW(L"MAROVAN_TEST_FOLDER", nullptr);
}

TEST_F(SendTo, TheUsersSendToFolderExistsAndIsNamedSendTo) {
    const std::wstring folder = sendto::SendToFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(test::IsDirectory(folder)) << folder;
    EXPECT_EQ(folder.substr(folder.size() - 7), L"\\SendTo");
}

TEST_F(SendTo, ApplyUsesTheUsersFolderAndTheRunningExecutable) {
    const std::wstring shortcut = sendto::ShortcutPath(sendto::SendToFolder());
    ASSERT_FALSE(Exists(shortcut)) << "a shortcut of an earlier run was left behind";
    sendto::Apply(true);
    ASSERT_TRUE(Exists(shortcut));
    const LinkContents link = LoadLink(shortcut);
    EXPECT_EQ(link.target, settings::ExecutablePath());
    EXPECT_EQ(link.workingFolder, settings::FolderOf(settings::ExecutablePath()));
    sendto::Apply(false);
    EXPECT_FALSE(Exists(shortcut));
}

TEST(ShellLink, AnObjectThatCannotBeMadeIsAFailureNamingTheClass) {
    // A thread that never initialised COM cannot make the object.
    std::u16string message;
    std::thread([&] {
        try {
            win::SaveShellLink(L"C:\\never.lnk", L"C:\\x.exe", L"C:\\");
        } catch (const Failure& failure) {
            message = failure.Message();
        }
    }).join();
    const std::u16string suffix = u", ClassID: {00021401-0000-0000-C000-000000000046}";
    ASSERT_GT(message.size(), suffix.size()) << "no failure, or no description";
    EXPECT_EQ(message.substr(message.size() - suffix.size()), suffix);
    const std::u16string description = message.substr(0, message.size() - suffix.size());
    EXPECT_EQ(description.find_first_of(u"\r\n"), std::u16string::npos);
    EXPECT_FALSE(Exists(L"C:\\never.lnk"));
}

} // namespace
