// The window and dialog base classes: the DPI they keep, the WM_DPICHANGED
// handling they share, their child controls, and a dialog whose
// initialisation fails; and a window kept inside its monitor's work area.

#include "platform/Window.h"

#include "base/Failure.h"
#include "platform/MessageBoxes.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace marovan::win {
namespace {

using namespace std::chrono_literals;

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

// The visible dialogs (#32770) of a thread.
std::vector<HWND> VisibleDialogsOf(DWORD thread) {
    std::vector<HWND> found;
    ::EnumThreadWindows(
        thread,
        [](HWND window, LPARAM data) -> BOOL {
            if (::IsWindowVisible(window) && ClassOf(window) == L"#32770")
                reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

RECT RectOf(HWND window) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    return rect;
}

bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// --- Dialog ------------------------------------------------------------------

class TestDialog : public Dialog {
public:
    std::function<void(TestDialog&)> onInit;
    std::function<bool(UINT message)> handles = [](UINT) { return false; };
    std::vector<int> dpiChanges;
    int dpiSeenByHook = 0;

    INT_PTR Show(HWND owner = nullptr) {
        return RunModal(owner, L"Test dialog", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
                        0);
    }
    using Dialog::CreateControl;
    using Dialog::End;
    using Dialog::SizeClientAndCentre;

protected:
    void OnInit() override {
        if (onInit)
            onInit(*this);
    }
    bool OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result) override {
        result = 0;
        return handles(message);
    }
    void OnDpiChanged(int dpi) override {
        dpiChanges.push_back(dpi);
        dpiSeenByHook = this->dpi();
    }
};

// The report of a failed initialisation is the only box: the system's -1 from
// DialogBoxIndirectParamW is not reported again, here or by the caller that
// reports what the dialog throws (as a window procedure does).
TEST(Dialog, AFailingInitialisationIsReportedOnce) {
    const DWORD thread = ::GetCurrentThreadId();
    std::atomic<bool> done = false;
    std::vector<std::wstring> boxTexts;
    std::thread user([&] {
        // Every box blocks the dialog's thread until it is answered, so by
        // the time `done` is set every box there was to be has been seen.
        while (!done) {
            for (HWND box : VisibleDialogsOf(thread)) {
                wchar_t text[256] = {};
                ::GetDlgItemTextW(box, 0xFFFF, text, 256);
                boxTexts.push_back(text);
                ::PostMessageW(box, WM_COMMAND, IDOK, 0);
                while (::IsWindow(box) && ::IsWindowVisible(box) && !done)
                    std::this_thread::sleep_for(10ms);
            }
            std::this_thread::sleep_for(10ms);
        }
    });
    TestDialog dialog;
    dialog.onInit = [](TestDialog&) { throw Failure(u"部品を作れません"); };
    INT_PTR result = 0;
    const bool returned = Guarded(nullptr, [&] { result = dialog.Show(); });
    done = true;
    user.join();
    EXPECT_TRUE(returned);
    EXPECT_EQ(result, -1);
    ASSERT_EQ(boxTexts.size(), 1u);
    EXPECT_EQ(boxTexts[0], L"部品を作れません.");
}

TEST(Dialog, ADpiChangeTakesTheSuggestedRectangleThenCallsTheHook) {
    TestDialog dialog;
    RECT suggested{};
    RECT after{};
    dialog.onInit = [&](TestDialog& self) {
        EXPECT_EQ(self.dpi(), DpiOf(self.hwnd()));
        self.SizeClientAndCentre(200, 100);
        const RECT before = RectOf(self.hwnd());
        suggested = {before.left + 10, before.top + 20, before.left + 10 + 300,
                     before.top + 20 + 150};
        ::SendMessageW(self.hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144),
                       reinterpret_cast<LPARAM>(&suggested));
        after = RectOf(self.hwnd());
        self.End(IDOK);
    };
    EXPECT_EQ(dialog.Show(), IDOK);
    EXPECT_TRUE(after == suggested);
    EXPECT_EQ(dialog.dpiChanges, std::vector<int>{144});
    EXPECT_EQ(dialog.dpiSeenByHook, 144);
    EXPECT_EQ(dialog.dpi(), 144);
}

// Per-monitor v2 asks for the frame at the new DPI before it suggests it: the
// client area the dialog was given, scaled exactly, inside the frame for that
// DPI (not the whole frame scaled, whose borders do not scale so).
TEST(Dialog, AsksForTheFrameOfItsClientAreaAtTheNewDpi) {
    TestDialog dialog;
    struct Asked {
        int dpi;
        SIZE size{};
        LRESULT answer = 0;
    };
    std::vector<Asked> asked = {{96}, {120}, {144}, {192}};
    LRESULT beforeSized = -1;
    DWORD style = 0, exStyle = 0;
    dialog.onInit = [&](TestDialog& self) {
        SIZE ignored{};
        beforeSized = ::SendMessageW(self.hwnd(), WM_GETDPISCALEDSIZE, 144,
                                     reinterpret_cast<LPARAM>(&ignored));
        self.SizeClientAndCentre(444, 202);
        style = static_cast<DWORD>(::GetWindowLongPtrW(self.hwnd(), GWL_STYLE));
        exStyle = static_cast<DWORD>(::GetWindowLongPtrW(self.hwnd(), GWL_EXSTYLE));
        for (Asked& a : asked)
            a.answer = ::SendMessageW(self.hwnd(), WM_GETDPISCALEDSIZE, a.dpi,
                                      reinterpret_cast<LPARAM>(&a.size));
        self.End(IDOK);
    };
    EXPECT_EQ(dialog.Show(), IDOK);
    EXPECT_EQ(beforeSized, FALSE) << "no size yet: the system's own scaling";
    for (const Asked& a : asked) {
        const RECT frame =
            WindowRectForClient(Scale(444, a.dpi), Scale(202, a.dpi), style, exStyle, a.dpi);
        EXPECT_EQ(a.answer, TRUE) << a.dpi;
        EXPECT_EQ(a.size.cx, frame.right - frame.left) << a.dpi;
        EXPECT_EQ(a.size.cy, frame.bottom - frame.top) << a.dpi;
    }
    EXPECT_TRUE(dialog.dpiChanges.empty());
}

TEST(Dialog, ADpiChangeTheDialogHandlesItselfIsLeftToIt) {
    TestDialog dialog;
    dialog.handles = [](UINT message) { return message == WM_DPICHANGED; };
    RECT before{};
    RECT after{};
    dialog.onInit = [&](TestDialog& self) {
        self.SizeClientAndCentre(200, 100);
        before = RectOf(self.hwnd());
        RECT suggested = {0, 0, 10, 10};
        ::SendMessageW(self.hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144),
                       reinterpret_cast<LPARAM>(&suggested));
        after = RectOf(self.hwnd());
        self.End(IDOK);
    };
    EXPECT_EQ(dialog.Show(), IDOK);
    EXPECT_TRUE(after == before);
    EXPECT_TRUE(dialog.dpiChanges.empty());
    EXPECT_EQ(dialog.dpi(), 144); // the DPI is the base's to keep all the same
}

TEST(Dialog, ControlsAreVisibleChildrenWithTheirIdAndText) {
    TestDialog dialog;
    HWND button = nullptr;
    std::wstring text;
    bool unknownClassFailed = false;
    dialog.onInit = [&](TestDialog& self) {
        button = self.CreateControl(L"BUTTON", L"キャンセル", BS_PUSHBUTTON | WS_TABSTOP, 1234);
        text = WindowText(button);
        try {
            self.CreateControl(L"NoSuchControlClass", L"", 0, 1);
        } catch (const Failure&) {
            unknownClassFailed = true;
        }
        EXPECT_EQ(::GetParent(button), self.hwnd());
        EXPECT_EQ(::GetDlgItem(self.hwnd(), 1234), button);
        EXPECT_TRUE(::GetWindowLongW(button, GWL_STYLE) & WS_VISIBLE);
        EXPECT_TRUE(::GetWindowLongW(button, GWL_STYLE) & WS_TABSTOP);
        self.End(IDOK);
    };
    EXPECT_EQ(dialog.Show(), IDOK);
    EXPECT_EQ(text, L"キャンセル");
    EXPECT_TRUE(unknownClassFailed);
}

// --- Window ------------------------------------------------------------------

class TestWindow : public Window {
public:
    explicit TestWindow(bool handlesDpiItself = false)
        : handlesDpiItself_(handlesDpiItself) {
        RegisterWindowClass(L"MarovanTestWindow", nullptr, nullptr, nullptr);
        Create(L"MarovanTestWindow", L"", WS_OVERLAPPEDWINDOW, 0, 10, 10, 200, 100, nullptr);
    }
    std::vector<int> dpiChanges;
    int dpiSeenByHook = 0;
    using Window::CreateControl;

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_DPICHANGED && handlesDpiItself_)
            return 0;
        return Default(message, wParam, lParam);
    }
    void OnDpiChanged(int dpi) override {
        dpiChanges.push_back(dpi);
        dpiSeenByHook = this->dpi();
    }

private:
    bool handlesDpiItself_;
};

TEST(Window, KeepsItsDpiAndTakesTheSuggestedRectangleThenCallsTheHook) {
    TestWindow window;
    EXPECT_EQ(window.dpi(), DpiOf(window.hwnd()));
    RECT suggested = {30, 40, 30 + 450, 40 + 225};
    ::SendMessageW(window.hwnd(), WM_DPICHANGED, MAKEWPARAM(192, 192),
                   reinterpret_cast<LPARAM>(&suggested));
    EXPECT_TRUE(RectOf(window.hwnd()) == suggested);
    EXPECT_EQ(window.dpiChanges, std::vector<int>{192});
    EXPECT_EQ(window.dpiSeenByHook, 192);
    EXPECT_EQ(window.dpi(), 192);
}

TEST(Window, ADpiChangeTheWindowHandlesItselfIsLeftToIt) {
    TestWindow window(true);
    const RECT before = RectOf(window.hwnd());
    RECT suggested = {30, 40, 30 + 450, 40 + 225};
    ::SendMessageW(window.hwnd(), WM_DPICHANGED, MAKEWPARAM(192, 192),
                   reinterpret_cast<LPARAM>(&suggested));
    EXPECT_TRUE(RectOf(window.hwnd()) == before);
    EXPECT_TRUE(window.dpiChanges.empty());
}

TEST(Window, ControlsAreVisibleChildrenAndAnUnknownClassIsAFailure) {
    TestWindow window;
    const HWND edit = window.CreateControl(L"EDIT", L"", ES_AUTOHSCROLL, 77, WS_EX_CLIENTEDGE);
    EXPECT_EQ(::GetParent(edit), window.hwnd());
    EXPECT_EQ(::GetDlgCtrlID(edit), 77);
    EXPECT_TRUE(::GetWindowLongW(edit, GWL_STYLE) & WS_VISIBLE);
    EXPECT_TRUE(::GetWindowLongW(edit, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_EQ(WindowText(edit), L"");
    ::SetWindowTextW(edit, L"画像収集 C:\\写真\\a.psd");
    EXPECT_EQ(WindowText(edit), L"画像収集 C:\\写真\\a.psd");
    EXPECT_THROW(window.CreateControl(L"NoSuchControlClass", L"", 0, 1), Failure);
}

std::vector<LONG> Edges(const RECT& rect) {
    return {rect.left, rect.top, rect.right, rect.bottom};
}

TEST(WorkArea, AWindowIsMovedIntoItAndShrunkNoFurtherThanItsMinimum) {
    struct Case {
        const char* what;
        RECT window, work;
        SIZE minimum;
        RECT fitted;
    };
    const RECT screen{0, 0, 1024, 728};
    const Case cases[] = {
        {"inside", {100, 100, 500, 400}, screen, {200, 150}, {100, 100, 500, 400}},
        {"off the bottom", {100, 500, 500, 900}, screen, {200, 150}, {100, 328, 500, 728}},
        {"off the right and the top",
         {900, -50, 1300, 250},
         screen,
         {200, 150},
         {624, 0, 1024, 300}},
        {"larger", {-10, -10, 1100, 900}, screen, {200, 150}, {0, 0, 1024, 728}},
        {"taller only", {300, 20, 700, 820}, screen, {200, 150}, {300, 0, 700, 728}},
        {"below its minimum", {50, 50, 800, 600}, {0, 0, 300, 200}, {400, 250}, {0, 0, 400, 250}},
        {"on a second monitor",
         {900, 700, 1300, 1000},
         {1024, 0, 2048, 768},
         {200, 150},
         {1024, 468, 1424, 768}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Edges(FittedInto(c.window, c.work, c.minimum)), Edges(c.fitted)) << c.what;
}

TEST(WorkArea, AWindowRunningOffItsMonitorIsBroughtBack) {
    TestWindow window;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ASSERT_TRUE(
        ::GetMonitorInfoW(::MonitorFromWindow(window.hwnd(), MONITOR_DEFAULTTONEAREST), &monitor));
    const RECT work = monitor.rcWork;
    ::SetWindowPos(window.hwnd(), nullptr, work.left + 10, work.bottom - 50, 300, 200,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    KeepInWorkArea(window.hwnd());
    EXPECT_EQ(Edges(RectOf(window.hwnd())),
              Edges({work.left + 10, work.bottom - 200, work.left + 310, work.bottom}));

    ::SetWindowPos(window.hwnd(), nullptr, work.left, work.top, work.right - work.left + 100,
                   work.bottom - work.top + 100, SWP_NOZORDER | SWP_NOACTIVATE);
    KeepInWorkArea(window.hwnd());
    EXPECT_EQ(Edges(RectOf(window.hwnd())), Edges(work));
}

} // namespace
} // namespace marovan::win
