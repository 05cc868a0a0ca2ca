// Where a copied or saved table goes: the clipboard, and a file that is
// either written whole or left as it was.

#include "ScratchFolder.h"

#include "base/Failure.h"
#include "platform/Clipboard.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "tests/support/ClipboardText.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace marovan::win {
namespace {

using test::ScratchFolder;

std::vector<std::wstring> NamesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry{};
    const UniqueFind find(::FindFirstFileW((folder + L"\\*").c_str(), &entry));
    if (!find)
        return names;
    do {
        const std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(name);
    } while (::FindNextFileW(find.get(), &entry));
    return names;
}

DWORD WriteFailure(const std::wstring& path, std::string_view bytes) {
    try {
        WriteWholeFile(path, bytes);
    } catch (const SystemError& error) {
        return error.Code();
    }
    return ERROR_SUCCESS;
}

TEST(WriteWholeFile, WritesANewFileAndReplacesAnOldOneWithNothingLeftBeside) {
    ScratchFolder temp(L"write");
    const std::wstring path = temp / L"表紙_リンク.csv";
    const std::string first("\xEF\xBB\xBF"
                            "a,b\r\n",
                            8);
    WriteWholeFile(path, first);
    EXPECT_EQ(test::ReadBytes(path), first);
    // A shorter text must not keep the old file's tail.
    WriteWholeFile(path, "x");
    EXPECT_EQ(test::ReadBytes(path), "x");
    WriteWholeFile(path, "");
    EXPECT_EQ(test::ReadBytes(path), "");
    EXPECT_EQ(NamesIn(temp.path()), std::vector<std::wstring>{L"表紙_リンク.csv"});
}

TEST(WriteWholeFile, AFailureLeavesTheOldFileWholeAndNoTemporaryFile) {
    ScratchFolder temp(L"write");
    EXPECT_EQ(WriteFailure(temp / L"無い\\a.csv", "new"), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(NamesIn(temp.path()).empty());

    // A file another program holds open without sharing cannot be replaced.
    const std::wstring held = temp / L"held.csv";
    test::WriteBytes(held, "old");
    {
        const UniqueFile lock(::CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(lock);
        EXPECT_NE(WriteFailure(held, "new"), static_cast<DWORD>(ERROR_SUCCESS));
    }
    EXPECT_EQ(test::ReadBytes(held), "old");
    EXPECT_EQ(NamesIn(temp.path()), std::vector<std::wstring>{L"held.csv"});

    // A folder of the target's name is not replaced.
    ::CreateDirectoryW((temp / L"dir.csv").c_str(), nullptr);
    EXPECT_NE(WriteFailure(temp / L"dir.csv", "new"), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(NamesIn(temp.path()).size(), 2u);
}

using marovan::test::ClipboardText;

TEST(Clipboard, TakesTheTextInPlaceOfWhatWasThere) {
    const std::wstring table = L"番号\t結果\r\n1\t○\r\n";
    PutTextOnClipboard(nullptr, L"earlier");
    PutTextOnClipboard(nullptr, table);
    EXPECT_EQ(ClipboardText(), table);
    // The clipboard is closed again: another program can open it.
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::CloseClipboard();
}

} // namespace
} // namespace marovan::win
