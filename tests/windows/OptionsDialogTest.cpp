// The Options dialog run inside the test process, worked from a second thread
// as a user would, against the settings file beside this executable and the
// user's Send To folder of the test prefix.

#include "opt/TF_opt.h"

#include "ScratchFolder.h"
#include "ShellFolderValue.h"
#include "platform/Handles.h"
#include "resources/resource.h"
#include "settings/SendTo.h"
#include "settings/Settings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace marovan;
using namespace std::chrono_literals;
using marovan::test::Exists;

std::wstring TextOf(HWND window) {
    wchar_t text[512] = {};
    ::GetWindowTextW(window, text, 512);
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

// A dialog of `thread` with the given caption, once it is visible.
HWND WaitForDialog(DWORD thread, const wchar_t* caption, HWND except = nullptr) {
    struct Search {
        const wchar_t* caption;
        HWND except;
        HWND found = nullptr;
    } search{caption, except};
    for (auto until = std::chrono::steady_clock::now() + 10s;
         std::chrono::steady_clock::now() < until; std::this_thread::sleep_for(20ms)) {
        ::EnumThreadWindows(
            thread,
            [](HWND window, LPARAM data) -> BOOL {
                auto& s = *reinterpret_cast<Search*>(data);
                if (window != s.except && ::IsWindowVisible(window) &&
                    ClassOf(window) == L"#32770" && TextOf(window) == s.caption) {
                    s.found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found)
            return search.found;
    }
    return nullptr;
}

bool WaitUntilGone(HWND window) {
    for (auto until = std::chrono::steady_clock::now() + 10s;
         std::chrono::steady_clock::now() < until; std::this_thread::sleep_for(20ms)) {
        if (!::IsWindow(window) || !::IsWindowVisible(window))
            return true;
    }
    return false;
}

bool Checked(HWND dialog, int id) {
    return ::SendMessageW(::GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Click(HWND dialog, int id) {
    ::SendMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

// Keys go to the focused control through the dialog's own message loop.
void PressKey(HWND control, WPARAM key) {
    ::PostMessageW(control, WM_KEYDOWN, key, 1);
    ::PostMessageW(control, WM_KEYUP, key, 0xC0000001);
}

// Posted messages of one thread are handled in the order they came, by
// whichever message loop runs on it, the dialog's or a message box's. A
// marker posted behind the keys to a window of the dialog's thread is handled
// only once they are: what a check that something did not happen waits for.
class PostedMarker {
public:
    // Made on the dialog's thread.
    PostedMarker() {
        static const ATOM registered = [] {
            WNDCLASSW type{};
            type.lpfnWndProc = &Procedure;
            type.hInstance = ::GetModuleHandleW(nullptr);
            type.lpszClassName = kClassName;
            return ::RegisterClassW(&type);
        }();
        if (registered)
            window_.reset(::CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                            nullptr, ::GetModuleHandleW(nullptr), nullptr));
        if (window_)
            ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA,
                                reinterpret_cast<LONG_PTR>(&handled_));
    }
    explicit operator bool() const noexcept { return static_cast<bool>(window_); }

    // From another thread: true once the dialog's thread has handled every
    // message posted to it before the call; false when `ended` holds first,
    // for then the loop that would have handled them is gone.
    bool Await(const std::function<bool()>& ended) {
        const WPARAM marker = ++posted_;
        if (!::PostMessageW(window_.get(), kMarker, marker, 0))
            return false;
        for (auto until = std::chrono::steady_clock::now() + 10s;
             std::chrono::steady_clock::now() < until; std::this_thread::sleep_for(5ms)) {
            if (handled_.load() >= marker)
                return true;
            if (ended())
                return false;
        }
        return false;
    }

private:
    static constexpr wchar_t kClassName[] = L"MarovanTestPostedMarker";
    static constexpr UINT kMarker = WM_APP + 1;

    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == kMarker) {
            if (auto* handled = reinterpret_cast<std::atomic<WPARAM>*>(
                    ::GetWindowLongPtrW(window, GWLP_USERDATA)))
                handled->store(wParam);
            return 0;
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }

    std::atomic<WPARAM> handled_{0};
    WPARAM posted_ = 0;
    win::UniqueWindow window_;
};

// Leaves neither a settings file nor a shortcut of the user behind, and keeps
// whatever was there before the test.
class OptionsDialog : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(shortcut_.empty() || sendToFolder_.empty());
        ASSERT_TRUE(marker_) << "no window for the posted marker";
        savedIni_ = Exists(ini_) ? test::ReadBytes(ini_) : std::string();
        hadIni_ = Exists(ini_);
        ::DeleteFileW(ini_.c_str());
        ::DeleteFileW(shortcut_.c_str());
    }
    void TearDown() override {
        ::RemoveDirectoryW(ini_.c_str());
        ::DeleteFileW(ini_.c_str());
        ::DeleteFileW(shortcut_.c_str());
        if (hadIni_)
            test::WriteBytes(ini_, savedIni_);
    }

    // Runs the dialog on this thread while `user` works it from another; the
    // user closes it in the end, or, having failed, it is closed for them.
    void RunDialog(const std::function<void(HWND dialog)>& user) {
        const DWORD thread = ::GetCurrentThreadId();
        std::thread worker([&] {
            const HWND dialog = WaitForDialog(thread, L"Option");
            opened_ = dialog != nullptr;
            if (!dialog)
                return;
            user(dialog);
            if (::IsWindow(dialog))
                ::PostMessageW(dialog, WM_COMMAND, IDC_OPT_CANCEL, 0);
        });
        TF_opt F_opt;
        F_opt.ShowModal(nullptr);
        worker.join();
        ASSERT_TRUE(opened_);
    }

    // Ticks Send To and presses OK, on the user's thread; the general error
    // report that follows is read and answered. Whether the dialog was still
    // open once the report had gone, and the tick then.
    struct Refusal {
        std::wstring report;
        bool openAfterReport = false;
        bool tickedAfterReport = true;
    };
    Refusal TickSendToAndPressOk(HWND dialog) {
        Refusal refusal;
        Click(dialog, IDC_OPT_SENDTO);
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_OPT_OK, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDC_OPT_OK)));
        const HWND box = WaitForDialog(::GetWindowThreadProcessId(dialog, nullptr), L"Marovan");
        if (!box)
            return refusal;
        refusal.report = TextOf(::GetDlgItem(box, 0xFFFF));
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        WaitUntilGone(box);
        marker_.Await([&] { return !::IsWindowVisible(dialog); });
        refusal.openAfterReport = ::IsWindowVisible(dialog) != FALSE;
        refusal.tickedAfterReport = Checked(dialog, IDC_OPT_SENDTO);
        return refusal;
    }

    win::ComApartment com_;
    const std::wstring ini_ = settings::SettingsPath();
    const std::wstring sendToFolder_ = sendto::SendToFolder();
    const std::wstring shortcut_ = sendto::ShortcutPath(sendToFolder_);
    std::string savedIni_;
    bool hadIni_ = false;
    bool opened_ = false;
    PostedMarker marker_;
};

TEST_F(OptionsDialog, OpensClearWithoutSettingsAndCancelWritesNothing) {
    struct Seen {
        RECT client{};
        std::vector<std::wstring> captions;
        std::vector<RECT> places;
        std::vector<int> tabOrder;
        std::vector<int> tabOrderWithSubSearch;
        bool subSearchEnabled = true;
        int focus = 0;
        bool anyChecked = true;
        std::wstring font;
        LONG fontHeight = 0;
        bool openAfterKeys = false;
        bool closed = false;
    } seen;
    const int ids[] = {IDC_OPT_AI_COPY, IDC_OPT_FOLDER_OPEN, IDC_OPT_ERR_SEARCH,
                       IDC_OPT_SENDTO,  IDC_OPT_SUB_SEARCH,  IDC_OPT_NESTED_LINKS,
                       IDC_OPT_OK,      IDC_OPT_CANCEL};
    RunDialog([&](HWND dialog) {
        ::GetClientRect(dialog, &seen.client);
        seen.anyChecked = false;
        for (int id : ids) {
            const HWND control = ::GetDlgItem(dialog, id);
            seen.captions.push_back(TextOf(control));
            RECT place{};
            ::GetWindowRect(control, &place);
            ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
            seen.places.push_back(place);
            seen.anyChecked = seen.anyChecked || Checked(dialog, id);
        }
        LOGFONTW font{};
        ::GetObjectW(reinterpret_cast<HFONT>(
                         ::SendMessageW(::GetDlgItem(dialog, IDC_OPT_AI_COPY), WM_GETFONT, 0, 0)),
                     sizeof(font), &font);
        seen.font = font.lfFaceName;
        seen.fontHeight = font.lfHeight;
        GUITHREADINFO gui{};
        gui.cbSize = sizeof(gui);
        ::GetGUIThreadInfo(::GetWindowThreadProcessId(dialog, nullptr), &gui);
        seen.focus = ::GetDlgCtrlID(gui.hwndFocus);
        HWND item = ::GetDlgItem(dialog, IDC_OPT_AI_COPY);
        for (int i = 0; i < 8; ++i, item = ::GetNextDlgTabItem(dialog, item, FALSE))
            seen.tabOrder.push_back(::GetDlgCtrlID(item));
        seen.subSearchEnabled = ::IsWindowEnabled(::GetDlgItem(dialog, IDC_OPT_SUB_SEARCH));
        Click(dialog, IDC_OPT_ERR_SEARCH);
        item = ::GetDlgItem(dialog, IDC_OPT_AI_COPY);
        for (int i = 0; i < 9; ++i, item = ::GetNextDlgTabItem(dialog, item, FALSE))
            seen.tabOrderWithSubSearch.push_back(::GetDlgCtrlID(item));
        Click(dialog, IDC_OPT_ERR_SEARCH);

        // Enter on a check box and Esc do nothing; the close box cancels.
        PressKey(gui.hwndFocus, VK_RETURN);
        PressKey(gui.hwndFocus, VK_ESCAPE);
        marker_.Await([&] { return !::IsWindowVisible(dialog); });
        seen.openAfterKeys = ::IsWindowVisible(dialog) != FALSE;
        ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        seen.closed = WaitUntilGone(dialog);
    });
    EXPECT_EQ(seen.client.right, 444);
    EXPECT_EQ(seen.client.bottom, 264);
    EXPECT_THAT(seen.captions,
                testing::ElementsAre(
                    L"AIファイルも収集フォルダにコピーする", L"画像収集後に収集フォルダを開く",
                    L"画像パスにファイルが無い場合、AIファイルのあるフォルダ内を探す",
                    L"右クリックの「送る」に登録する", L"サブフォルダも探す",
                    L"配置したAI・PDF・EPSのリンクも集める", L"OK", L"キャンセル"));
    const RECT expected[] = {{40, 24, 420, 41},    {40, 55, 420, 72},   {40, 86, 420, 103},
                             {40, 117, 420, 134},  {40, 148, 420, 165}, {40, 179, 420, 196},
                             {248, 222, 323, 247}, {329, 222, 404, 247}};
    for (std::size_t i = 0; i < std::size(expected) && i < seen.places.size(); ++i) {
        EXPECT_EQ(seen.places[i].left, expected[i].left) << i;
        EXPECT_EQ(seen.places[i].top, expected[i].top) << i;
        EXPECT_EQ(seen.places[i].right, expected[i].right) << i;
        EXPECT_EQ(seen.places[i].bottom, expected[i].bottom) << i;
    }
    EXPECT_FALSE(seen.anyChecked);
    EXPECT_EQ(seen.font, L"Tahoma");
    EXPECT_EQ(seen.fontHeight, -11);
    EXPECT_EQ(seen.focus, IDC_OPT_AI_COPY);
    // The disabled Sub Search box is passed over until ERR Search is ticked.
    EXPECT_FALSE(seen.subSearchEnabled);
    EXPECT_THAT(seen.tabOrder,
                testing::ElementsAre(IDC_OPT_AI_COPY, IDC_OPT_FOLDER_OPEN, IDC_OPT_ERR_SEARCH,
                                     IDC_OPT_OK, IDC_OPT_CANCEL, IDC_OPT_SENDTO,
                                     IDC_OPT_NESTED_LINKS, IDC_OPT_AI_COPY));
    EXPECT_THAT(seen.tabOrderWithSubSearch,
                testing::ElementsAre(IDC_OPT_AI_COPY, IDC_OPT_FOLDER_OPEN, IDC_OPT_ERR_SEARCH,
                                     IDC_OPT_OK, IDC_OPT_CANCEL, IDC_OPT_SENDTO, IDC_OPT_SUB_SEARCH,
                                     IDC_OPT_NESTED_LINKS, IDC_OPT_AI_COPY));
    EXPECT_TRUE(seen.openAfterKeys) << "Enter or Esc closed the dialog";
    EXPECT_TRUE(seen.closed) << "the close box did not close the dialog";
    EXPECT_FALSE(Exists(ini_));
    EXPECT_FALSE(Exists(shortcut_));
}

TEST_F(OptionsDialog, OkWritesTheBoxesAndRegistersThenShowsThemAgain) {
    bool closed = false;
    RunDialog([&](HWND dialog) {
        Click(dialog, IDC_OPT_ERR_SEARCH);
        Click(dialog, IDC_OPT_SENDTO);
        // Enter on the focused OK button presses it.
        ::PostMessageW(dialog, WM_NEXTDLGCTL,
                       reinterpret_cast<WPARAM>(::GetDlgItem(dialog, IDC_OPT_OK)), TRUE);
        marker_.Await([&] { return !::IsWindowVisible(dialog); });
        PressKey(::GetDlgItem(dialog, IDC_OPT_OK), VK_RETURN);
        closed = WaitUntilGone(dialog);
    });
    EXPECT_TRUE(closed);
    EXPECT_EQ(settings::ReadAll(), (settings::AllOptions{.errSearch = true, .sendTo = true}));
    EXPECT_TRUE(Exists(shortcut_));

    std::vector<bool> boxes;
    RunDialog([&](HWND dialog) {
        for (int id : {IDC_OPT_AI_COPY, IDC_OPT_FOLDER_OPEN, IDC_OPT_ERR_SEARCH, IDC_OPT_SENDTO})
            boxes.push_back(Checked(dialog, id));
        Click(dialog, IDC_OPT_SENDTO);
        Click(dialog, IDC_OPT_OK);
        closed = WaitUntilGone(dialog);
    });
    EXPECT_THAT(boxes, testing::ElementsAre(false, false, true, true));
    EXPECT_TRUE(closed);
    EXPECT_EQ(settings::ReadAll(), (settings::AllOptions{.errSearch = true}));
    EXPECT_FALSE(Exists(shortcut_));
}

TEST_F(OptionsDialog, TheSubSearchBoxFollowsErrSearchAndOkWritesTheNewBoxes) {
    std::vector<bool> enabled;
    const auto noteEnabled = [&](HWND dialog) {
        enabled.push_back(::IsWindowEnabled(::GetDlgItem(dialog, IDC_OPT_SUB_SEARCH)) != FALSE);
    };
    bool closed = false;
    RunDialog([&](HWND dialog) {
        noteEnabled(dialog);
        Click(dialog, IDC_OPT_ERR_SEARCH);
        noteEnabled(dialog);
        Click(dialog, IDC_OPT_SUB_SEARCH);
        Click(dialog, IDC_OPT_NESTED_LINKS);
        Click(dialog, IDC_OPT_ERR_SEARCH);
        noteEnabled(dialog);
        Click(dialog, IDC_OPT_ERR_SEARCH);
        noteEnabled(dialog);
        Click(dialog, IDC_OPT_OK);
        closed = WaitUntilGone(dialog);
    });
    EXPECT_THAT(enabled, testing::ElementsAre(false, true, false, true));
    EXPECT_TRUE(closed);
    EXPECT_EQ(settings::ReadAll(),
              (settings::AllOptions{.errSearch = true, .subSearch = true, .nestedLinks = true}));

    // Sub Search kept in the file without ERR Search: ticked, and disabled.
    settings::WriteAll({.subSearch = true});
    std::vector<bool> shown;
    RunDialog([&](HWND dialog) {
        noteEnabled(dialog);
        for (int id : {IDC_OPT_ERR_SEARCH, IDC_OPT_SUB_SEARCH, IDC_OPT_NESTED_LINKS})
            shown.push_back(Checked(dialog, id));
        Click(dialog, IDC_OPT_CANCEL);
        closed = WaitUntilGone(dialog);
    });
    EXPECT_FALSE(enabled.back());
    EXPECT_THAT(shown, testing::ElementsAre(false, true, false));
}

TEST_F(OptionsDialog, RefusedWriteIsReportedAndTheDialogStaysOpen) {
    ASSERT_TRUE(::CreateDirectoryW(ini_.c_str(), nullptr));
    Refusal refusal;
    bool closedByCancel = false;
    RunDialog([&](HWND dialog) {
        refusal = TickSendToAndPressOk(dialog);
        Click(dialog, IDC_OPT_CANCEL);
        closedByCancel = WaitUntilGone(dialog);
    });
    // The general error report ends the sentence with its full stop.
    EXPECT_EQ(refusal.report, ini_ + L" に書き込めません.");
    EXPECT_TRUE(refusal.openAfterReport);
    EXPECT_TRUE(closedByCancel);
    EXPECT_TRUE(test::IsDirectory(ini_));
    EXPECT_FALSE(Exists(shortcut_)) << "the Send To registration ran after the refused write";
}

// A user whose Send To folder is gone: the shell names none and the copy
// for old programs is emptied with it, so there is nowhere to save the
// shortcut. The tick is refused with the shell's reason, not dropped quietly.
TEST_F(OptionsDialog, WithoutASendToFolderTheTickIsReportedWithTheReasonAndNotStored) {
    const test::ShellFolderValue record(L"User Shell Folders");
    const test::ShellFolderValue copy(L"Shell Folders");
    record.Set(L"", REG_EXPAND_SZ);
    copy.Remove();
    HRESULT why = S_OK;
    ASSERT_EQ(sendto::SendToFolder(&why), L"") << "the prefix still names a Send To folder";
    ASSERT_TRUE(FAILED(why));
    Refusal refusal;
    RunDialog([&](HWND dialog) {
        refusal = TickSendToAndPressOk(dialog);
        Click(dialog, IDC_OPT_CANCEL);
        WaitUntilGone(dialog);
    });
    const std::wstring says = L"「送る」フォルダがありません：";
    EXPECT_EQ(refusal.report.substr(0, says.size()), says);
    EXPECT_GT(refusal.report.size(), says.size() + 1) << "the shell's reason is missing";
    EXPECT_TRUE(refusal.openAfterReport) << "the dialog must stay open";
    EXPECT_FALSE(refusal.tickedAfterReport) << "the box says the shortcut is there";
    EXPECT_EQ(settings::ReadAll(), (settings::AllOptions{})) << "Sendto is stored as there";
    EXPECT_FALSE(Exists(L"\\Marovan.lnk"));
}

} // namespace
