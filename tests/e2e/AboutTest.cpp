// The About dialog as a user meets it: its lines, the link lines' look under
// the pointer, the keys, and the hidden switch on the picture.

#include "inf/Contact.h"
#include "resources/resource.h"
#include "tests/e2e/Driver.h"
#include "tests/e2e/Picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace marovan::e2e {
namespace {

using namespace std::chrono_literals;

constexpr wchar_t kAboutCaption[] = L"Infomation";

// Real input, as a user gives it: the pointer moves, the buttons and keys go
// down and up.
void SendKeys(std::initializer_list<WORD> keys, bool up) {
    std::vector<INPUT> inputs;
    for (WORD key : keys) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    }
    if (up)
        std::reverse(inputs.begin(), inputs.end());
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void PressKey(WORD key) {
    SendKeys({key}, false);
    SendKeys({key}, true);
}

void MovePointer(POINT screen) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(screen.x, 65535, ::GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(screen.y, 65535, ::GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &input, sizeof(input));
}

void LeftClick(POINT screen) {
    MovePointer(screen);
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ::SendInput(2, inputs, sizeof(INPUT));
}

RECT ScreenRect(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    return r;
}

POINT Centre(const RECT& r) {
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// Lets the program handle the input sent so far.
void Settle() {
    std::this_thread::sleep_for(400ms);
}

// The About dialog of a running Marovan, opened with the Info button.
class About {
public:
    explicit About(const Marovan& app)
        : app_(app) {
        app_.Press(L"Info");
        dialog_ = app_.WaitForWindow(L"#32770", kAboutCaption);
        app_.WaitUntil(L"the About dialog to be shown", [this] {
            return ::IsWindowVisible(dialog_) && ::GetForegroundWindow() == dialog_;
        });
    }

    HWND Dialog() const { return dialog_; }
    HWND Control(int id) const {
        const HWND control = ::GetDlgItem(dialog_, id);
        if (!control)
            throw DriverError(L"the About dialog has no control " + std::to_wstring(id));
        return control;
    }
    std::wstring Text(int id) const { return TextOf(Control(id)); }
    bool Open() const { return ::IsWindow(dialog_) && ::IsWindowVisible(dialog_); }
    void WaitUntilClosed() const {
        app_.WaitUntil(L"the About dialog to close", [this] { return !::IsWindow(dialog_); });
    }

    // A left press on the picture, with the given keys held meanwhile.
    void ClickPicture(std::initializer_list<WORD> held = {}) const {
        SendKeys(held, false);
        LeftClick(Centre(ScreenRect(Control(IDC_INF_PICTURE))));
        SendKeys(held, true);
        Settle();
    }

    // How many pixels of the link-hover blue a label shows on screen.
    int BluePixels(int id) const {
        const Picture shot = CaptureScreen(ScreenRect(Control(id)));
        int count = 0;
        for (int y = 0; y < shot.height; ++y)
            for (int x = 0; x < shot.width; ++x) {
                const std::uint32_t p = shot.Pixel(x, y);
                const int r = static_cast<int>(p >> 16), g = (p >> 8) & 0xFF, b = p & 0xFF;
                count += b > 160 && r < 100 && g < 100;
            }
        return count;
    }

private:
    const Marovan& app_;
    HWND dialog_ = nullptr;
};

TEST(About, ShowsNameVersionRightsAndContactLines) {
    Marovan app = Marovan::Start();
    About about(app);
    EXPECT_EQ(about.Text(IDC_INF_NAME), L"Marovan");
    EXPECT_EQ(about.Text(IDC_INF_VERSION), L"Version " MAROVAN_VERSION_TEXT);
    EXPECT_EQ(about.Text(IDC_INF_RIGHTS), kRightsLine);
    EXPECT_EQ(about.Text(IDC_INF_MAIL), std::wstring(L"Email : ") + kContactMail);
    EXPECT_EQ(about.Text(IDC_INF_URL), std::wstring(L"URL : ") + kWebPage);
    EXPECT_EQ(about.Text(IDC_INF_OK), L"OK");

    RECT client{};
    ::GetClientRect(about.Dialog(), &client);
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    EXPECT_EQ(client.right, MulDiv(356, dpi, 96));
    EXPECT_EQ(client.bottom, MulDiv(183, dpi, 96));
    EXPECT_TRUE(::GetWindowLongPtrW(about.Dialog(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_EQ(::GetWindow(about.Dialog(), GW_OWNER), app.Main());
    // Centred on the main window.
    const POINT dialogCentre = Centre(ScreenRect(about.Dialog()));
    const POINT mainCentre = Centre(ScreenRect(app.Main()));
    EXPECT_LE(std::abs(dialogCentre.x - mainCentre.x), 1);
    EXPECT_LE(std::abs(dialogCentre.y - mainCentre.y), 1);

    // The picture is drawn: its middle is not the plain button face.
    const Picture picture = CaptureScreen(ScreenRect(about.Control(IDC_INF_PICTURE)));
    const std::uint32_t face = ::GetSysColor(COLOR_BTNFACE);
    const std::uint32_t faceRgb = ((face & 0xFF) << 16) | (face & 0xFF00) | ((face >> 16) & 0xFF);
    int drawn = 0;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            drawn += picture.Pixel(x, y) != faceRgb;
    EXPECT_GT(drawn, picture.width * picture.height / 3);
    EXPECT_EQ(picture.Pixel(0, 0), faceRgb) << "the picture's transparent corner";
    app.Screenshot(L"about-dialog");

    ::PostMessageW(about.Control(IDC_INF_OK), BM_CLICK, 0, 0);
    about.WaitUntilClosed();
    EXPECT_TRUE(app.Running());
}

TEST(About, EscapeDoesNothingEnterPressesOkAndTheCloseBoxCloses) {
    Marovan app = Marovan::Start();
    {
        About about(app);
        GUITHREADINFO gui{};
        gui.cbSize = sizeof(gui);
        ASSERT_TRUE(::GetGUIThreadInfo(::GetWindowThreadProcessId(about.Dialog(), nullptr), &gui));
        EXPECT_EQ(gui.hwndFocus, about.Control(IDC_INF_OK)) << "the OK button has the focus";
        PressKey(VK_ESCAPE);
        Settle();
        EXPECT_TRUE(about.Open()) << "Esc must not close the dialog";
        PressKey(VK_RETURN);
        about.WaitUntilClosed();
    }
    About about(app);
    ::PostMessageW(about.Dialog(), WM_SYSCOMMAND, SC_CLOSE, 0);
    about.WaitUntilClosed();
}

TEST(About, HoveringALinkLineTurnsItBlueAndBack) {
    Marovan app = Marovan::Start();
    About about(app);
    for (const int id : {IDC_INF_MAIL, IDC_INF_URL}) {
        SCOPED_TRACE(id);
        const RECT line = ScreenRect(about.Control(id));
        const SIZE before{line.right - line.left, line.bottom - line.top};
        // From a plain part of the dialog onto the line.
        MovePointer({line.left - 40, line.bottom + 25});
        Settle();
        EXPECT_LT(about.BluePixels(id), 5);
        MovePointer(Centre(line));
        Settle();
        EXPECT_GT(about.BluePixels(id), 50) << "blue while the pointer is over it";
        // And still so while the pointer rests there.
        std::this_thread::sleep_for(1000ms);
        EXPECT_GT(about.BluePixels(id), 50) << "blue while the pointer rests on it";
        const RECT hovered = ScreenRect(about.Control(id));
        EXPECT_EQ(hovered.right - hovered.left, before.cx);
        if (id == IDC_INF_URL)
            app.Screenshot(L"about-link-hovered");
        // Off the line, onto the empty part of the dialog.
        MovePointer({line.left - 40, line.bottom + 25});
        Settle();
        EXPECT_LT(about.BluePixels(id), 5) << "back to the window-text colour";
    }
    ::PostMessageW(about.Control(IDC_INF_OK), BM_CLICK, 0, 0);
    about.WaitUntilClosed();
}

TEST(About, ShiftCtrlAltClickOnThePictureTogglesTheDocumentView) {
    TempFolder temp(L"about");
    const auto destination = temp.Folder(L"dest");
    const auto document = temp / L"doc.ai";
    WriteBytes(document, AiDocument({}, LineEnd::CrLf, false));

    Marovan app = Marovan::Start();
    app.PressCollect();
    app.ChooseFolder(destination);
    app.ChooseDocument(document);
    app.AnswerMessageBox(); // the document has no link record
    const std::vector<std::wstring> normalTabs = app.Tabs();
    ASSERT_EQ(std::count(normalTabs.begin(), normalTabs.end(), L"Illustrator File"), 0);

    About about(app);
    about.ClickPicture();
    about.ClickPicture({VK_SHIFT, VK_CONTROL});
    about.ClickPicture({VK_CONTROL, VK_MENU});
    EXPECT_EQ(app.Title(), L"Marovan") << "only all three keys together switch";
    EXPECT_EQ(app.Tabs(), normalTabs);

    about.ClickPicture({VK_SHIFT, VK_CONTROL, VK_MENU});
    EXPECT_EQ(app.Title(), L"Debug Mode");
    const std::vector<std::wstring> debugTabs = app.Tabs();
    ASSERT_FALSE(debugTabs.empty());
    EXPECT_EQ(debugTabs.front(), L"Illustrator File");
    EXPECT_TRUE(about.Open());
    // The last run's document text, its 0x00 bytes read as commas.
    const std::wstring text = app.DocumentText();
    EXPECT_NE(text.find(L"%PDF"), std::wstring::npos);
    EXPECT_NE(text.find(L','), std::wstring::npos);
    EXPECT_EQ(text.find(L'\0'), std::wstring::npos);

    about.ClickPicture({VK_SHIFT, VK_CONTROL, VK_MENU});
    EXPECT_EQ(app.Title(), L"Marovan");
    EXPECT_EQ(app.Tabs(), normalTabs);

    ::PostMessageW(about.Control(IDC_INF_OK), BM_CLICK, 0, 0);
    about.WaitUntilClosed();
}

} // namespace
} // namespace marovan::e2e
