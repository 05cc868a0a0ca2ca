// The file-open prompt: run on this thread and worked from a second one, as a
// user would, and with stand-ins for the system's prompt that behave as Windows
// documents it (the current folder moved, errors that are not a cancel).

#include "platform/FilePrompt.h"

#include "ScratchFolder.h"
#include "base/Failure.h"
#include "platform/WinText.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cderr.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace marovan::win {
namespace {

using namespace std::chrono_literals;
using test::ScratchFolder;

constexpr wchar_t kTitle[] = L"イラストレーターファイルを選択してください";

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

std::wstring TextOf(HWND window) {
    wchar_t text[256] = {};
    ::GetWindowTextW(window, text, 256);
    return text;
}

HWND FindChild(HWND parent, const wchar_t* className, int id = -1) {
    struct Search {
        const wchar_t* className;
        int id;
        HWND found = nullptr;
    } search{className, id};
    ::EnumChildWindows(
        parent,
        [](HWND window, LPARAM data) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(data);
            if (ClassOf(window) == s.className && (s.id < 0 || ::GetDlgCtrlID(window) == s.id)) {
                s.found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForPrompt(DWORD thread) {
    struct Search {
        HWND found = nullptr;
    } search;
    for (auto until = std::chrono::steady_clock::now() + 10s;
         std::chrono::steady_clock::now() < until && !search.found;
         std::this_thread::sleep_for(20ms))
        ::EnumThreadWindows(
            thread,
            [](HWND window, LPARAM data) -> BOOL {
                if (::IsWindowVisible(window) && ClassOf(window) == L"#32770" &&
                    TextOf(window) == kTitle) {
                    reinterpret_cast<Search*>(data)->found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FileNameBox(HWND prompt) {
    if (const HWND combo = FindChild(prompt, L"ComboBoxEx32", 0x47c))
        if (const HWND edit = FindChild(combo, L"Edit"))
            return edit;
    return FindChild(prompt, L"Edit", 0x480);
}

std::wstring CurrentFolder() {
    wchar_t folder[MAX_PATH + 1] = {};
    ::GetCurrentDirectoryW(MAX_PATH + 1, folder);
    return folder;
}

// Each test starts in a folder of its own and goes back where it was.
class DocumentPrompt : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(::SetCurrentDirectoryW(start_.path().c_str()));
        startFolder_ = CurrentFolder();
    }
    void TearDown() override { ::SetCurrentDirectoryW(original_.c_str()); }

    // Shows the prompt on this thread while `user` works it from another.
    std::optional<std::wstring> Show(const std::function<void(HWND prompt)>& user) {
        const DWORD thread = ::GetCurrentThreadId();
        bool opened = false;
        std::thread worker([&] {
            const HWND prompt = WaitForPrompt(thread);
            opened = prompt != nullptr;
            if (prompt)
                user(prompt);
        });
        std::optional<std::wstring> chosen;
        try {
            chosen = prompt_.Show(nullptr);
        } catch (...) {
            worker.join();
            throw;
        }
        worker.join();
        EXPECT_TRUE(opened);
        return chosen;
    }

    const std::wstring original_ = CurrentFolder();
    ScratchFolder start_{L"prompt-start"};
    ScratchFolder elsewhere_{L"prompt-document"};
    std::wstring startFolder_;
    FilePrompt prompt_{kTitle, L"AIファイル|*.ai;*AI"};
};

TEST_F(DocumentPrompt, ChoosingADocumentElsewhereLeavesTheCurrentFolderAsItWas) {
    const std::wstring document = elsewhere_ / L"図面.ai";
    test::WriteBytes(document, "%!PS-Adobe-3.0\r\n");
    const auto chosen = Show([&](HWND prompt) {
        ::SendMessageW(FileNameBox(prompt), WM_SETTEXT, 0,
                       reinterpret_cast<LPARAM>(document.c_str()));
        ::PostMessageW(prompt, WM_COMMAND, IDOK, 0);
    });
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, document);
    // A current folder left in the document's folder would keep that folder
    // (and a stick holding it) in use.
    EXPECT_EQ(CurrentFolder(), startFolder_);
}

TEST_F(DocumentPrompt, ACancelIsNoChoiceAndNoFailure) {
    std::optional<std::wstring> chosen = L"not asked";
    EXPECT_NO_THROW(chosen =
                        Show([](HWND prompt) { ::PostMessageW(prompt, WM_COMMAND, IDCANCEL, 0); }));
    EXPECT_FALSE(chosen.has_value());
    EXPECT_EQ(CurrentFolder(), startFolder_);
}

// Stand-ins for the system's prompt, behaving as Windows documents it: the
// prompt moves the current folder to the folder it showed, and a FALSE return
// is a cancel only when the extended error is zero.
std::wstring movedTo;
DWORD extendedError = 0;

BOOL WINAPI PromptMovingTheCurrentFolder(OPENFILENAMEW* ofn) {
    ::SetCurrentDirectoryW(movedTo.c_str());
    const std::wstring chosen = movedTo + L"\\図面.ai";
    if (extendedError != 0 || chosen.size() >= ofn->nMaxFile)
        return FALSE;
    std::copy(chosen.begin(), chosen.end(), ofn->lpstrFile);
    ofn->lpstrFile[chosen.size()] = L'\0';
    return TRUE;
}

BOOL WINAPI PromptReturningFalse(OPENFILENAMEW*) {
    return FALSE;
}

DWORD WINAPI ExtendedError() {
    return extendedError;
}

TEST_F(DocumentPrompt, TheCurrentFolderTheSystemsPromptMovedIsPutBack) {
    movedTo = elsewhere_.path();
    FilePrompt prompt(kTitle, L"AIファイル|*.ai", {&PromptMovingTheCurrentFolder, &ExtendedError});
    for (const DWORD error : {0ul, static_cast<unsigned long>(CDERR_DIALOGFAILURE)}) {
        extendedError = error;
        try {
            const auto chosen = prompt.Show(nullptr);
            EXPECT_EQ(chosen.value_or(L""), elsewhere_ / L"図面.ai");
        } catch (const Failure&) {
            EXPECT_NE(error, 0u);
        }
        EXPECT_EQ(CurrentFolder(), startFolder_) << "after error " << error;
    }
}

TEST_F(DocumentPrompt, AFalseReturnIsACancelOnlyWithoutAnError) {
    FilePrompt prompt(kTitle, L"AIファイル|*.ai", {&PromptReturningFalse, &ExtendedError});
    extendedError = 0;
    std::optional<std::wstring> chosen = L"not asked";
    EXPECT_NO_THROW(chosen = prompt.Show(nullptr));
    EXPECT_FALSE(chosen.has_value());

    struct Case {
        DWORD error;
        std::u16string named;
    };
    const Case cases[] = {{CDERR_DIALOGFAILURE, u"0xFFFF"},
                          {CDERR_INITIALIZATION, u"0x0002"},
                          {FNERR_INVALIDFILENAME, u"0x3002"},
                          {FNERR_BUFFERTOOSMALL, u"0x3003"}};
    for (const Case& c : cases) {
        extendedError = c.error;
        std::u16string message;
        try {
            prompt.Show(nullptr);
        } catch (const Failure& failure) {
            message = failure.Message();
        }
        EXPECT_NE(message.find(c.named), std::u16string::npos) << "error " << c.error;
        EXPECT_NE(message.find(u"ファイルを選ぶ画面を開けません"), std::u16string::npos);
    }
    extendedError = 0;
}

} // namespace
} // namespace marovan::win
