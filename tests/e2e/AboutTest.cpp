// The About dialog as a user meets it: its lines, the link lines' look under
// the pointer, the keys, and the hidden switch on the picture.

#include "inf/Contact.h"
#include "resources/resource.h"
#include "tests/e2e/Driver.h"
#include "tests/e2e/Input.h"
#include "tests/e2e/Picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <thread>
#include <vector>

namespace marovan::e2e {
namespace {

using namespace std::chrono_literals;

constexpr wchar_t kAboutCaption[] = L"Infomation";

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

    // A left press on the picture, with the given keys held meanwhile, and
    // handled when this returns.
    // Under Wine a pointer move can echo back from the X server later, and
    // the echo lets go of every modifier X does not hold: the pointer is
    // brought to rest first, and the keys go down only for a press in place.
    void ClickPicture(const std::vector<WORD>& held = {}) const {
        MovePointer(Centre(ScreenRect(Control(IDC_INF_PICTURE))));
        app_.AwaitPostedMessages();
        app_.AwaitPostedMessages();
        SendKeys(held, false);
        ClickInPlace();
        SendKeys(held, true);
        AwaitInput();
    }

    // A link line under the pointer is drawn in the hover blue, one
    // elsewhere in the window-text colour: its look on screen, which follows
    // the pointer's move once the dialog has handled it and repainted.
    bool LooksHovered(int id) const { return BluePixels(id) > 50; }
    bool LooksPlain(int id) const { return BluePixels(id) < 5; }
    // A plain part of the dialog, below the mail line and clear of the OK
    // button; the statics there are transparent to the pointer.
    POINT PlainPoint() const {
        const RECT mail = ScreenRect(Control(IDC_INF_MAIL));
        return {mail.left - 40, mail.bottom + 25};
    }

    // Returns once the dialog has handled the keys and clicks given so far,
    // or has closed. Keys and clicks wait in one input queue of the dialog's
    // thread and are handled in the order given, after any posted message,
    // so a posted marker would overtake them; the marker is input too: the
    // pointer onto the mail line and off again. Each look on screen comes
    // only from a move given after everything before the call. Under Wine a
    // move that follows other input closely is at times not shown until the
    // next: the pointer is nudged within its place until the look comes.
    void AwaitInput() const {
        if (!Open())
            return;
        const RECT mail = ScreenRect(Control(IDC_INF_MAIL));
        MoveUntil(
            Centre(mail), [&] { return LooksHovered(IDC_INF_MAIL); },
            L"the dialog to handle the input given before a move onto a link line");
        MoveUntil(
            PlainPoint(), [&] { return LooksPlain(IDC_INF_MAIL); },
            L"the dialog to handle the move off the link line");
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

    // Moves the pointer to `to` and nudges it there until `seen` holds.
    // Gives up when the dialog closes: what follows checks whether it should
    // have.
    void MoveUntil(POINT to, const std::function<bool()>& seen, const wchar_t* what) const {
        int nudges = 0;
        auto next = std::chrono::steady_clock::now();
        app_.WaitUntil(what, [&] {
            // A dialog closing meanwhile takes its controls along.
            if (!Open() || !::GetDlgItem(dialog_, IDC_INF_MAIL) || seen())
                return true;
            if (std::chrono::steady_clock::now() >= next) {
                MovePointer({to.x + (nudges++ % 2), to.y});
                next = std::chrono::steady_clock::now() + 200ms;
            }
            return false;
        });
    }

private:
    const Marovan& app_;
    HWND dialog_ = nullptr;
};

// The program shows the document as code page 932 reads it.
std::wstring Decoded932(const Bytes& bytes) {
    const auto* input = reinterpret_cast<const char*>(bytes.data());
    const int size = static_cast<int>(bytes.size());
    std::wstring text(
        static_cast<std::size_t>(::MultiByteToWideChar(932, 0, input, size, nullptr, 0)), L'\0');
    ::MultiByteToWideChar(932, 0, input, size, text.data(), static_cast<int>(text.size()));
    return text;
}

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
        about.AwaitInput();
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
        MovePointer(about.PlainPoint());
        about.AwaitInput();
        EXPECT_TRUE(about.LooksPlain(id));
        // The pointer is nudged within its place until the look comes (see
        // AwaitInput), as a hand on a mouse does.
        about.MoveUntil(
            Centre(line), [&] { return about.LooksHovered(id); },
            L"the line to turn blue while the pointer is over it");
        // And still so while the pointer rests there: a leave reported while
        // it rests must not take the colour away at any moment.
        const auto rest = std::chrono::steady_clock::now() + 1000ms;
        bool stayed = true;
        while (stayed && std::chrono::steady_clock::now() < rest) {
            stayed = about.LooksHovered(id);
            std::this_thread::sleep_for(25ms);
        }
        EXPECT_TRUE(stayed) << "blue while the pointer rests on it";
        const RECT hovered = ScreenRect(about.Control(id));
        EXPECT_EQ(hovered.right - hovered.left, before.cx);
        if (id == IDC_INF_URL)
            app.Screenshot(L"about-link-hovered");
        // Off the line, onto the empty part of the dialog.
        about.MoveUntil(
            about.PlainPoint(), [&] { return about.LooksPlain(id); },
            L"the line to go back to the window-text colour once the pointer is off it");
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
    // Each click is checked on its own: two wrong switches would undo each
    // other.
    const struct {
        const char* held;
        std::vector<WORD> keys;
    } wrongClicks[] = {{"no key", {}},
                       {"Shift", {VK_SHIFT}},
                       {"Ctrl", {VK_CONTROL}},
                       {"Shift Ctrl", {VK_SHIFT, VK_CONTROL}},
                       {"Ctrl Alt", {VK_CONTROL, VK_MENU}}};
    for (const auto& click : wrongClicks) {
        SCOPED_TRACE(click.held);
        about.ClickPicture(click.keys);
        EXPECT_EQ(app.Title(), L"Marovan") << "only all three keys together switch";
        EXPECT_EQ(app.Tabs(), normalTabs);
    }

    // Should Wine still have let go of a modifier before the press was
    // handled, a switch press that did not switch is given again.
    const auto switchTo = [&](const wchar_t* title) {
        for (int attempt = 0; attempt < 5 && app.Title() != title; ++attempt)
            about.ClickPicture({VK_SHIFT, VK_CONTROL, VK_MENU});
    };
    switchTo(L"Debug Mode");
    EXPECT_EQ(app.Title(), L"Debug Mode");
    const std::vector<std::wstring> debugTabs = app.Tabs();
    ASSERT_FALSE(debugTabs.empty());
    EXPECT_EQ(debugTabs.front(), L"Illustrator File");
    EXPECT_TRUE(about.Open());
    // The last run's document text, its 0x00 bytes read as commas.
    std::wstring text = app.DocumentText();
    EXPECT_NE(text.find(L"%PDF"), std::wstring::npos);
    EXPECT_NE(text.find(L','), std::wstring::npos);
    // The whole document: a 0x00 byte left as it was would end the text there.
    // (The edit control makes its own line ends: they are left out.)
    Bytes shown = ReadBytes(document);
    ASSERT_NE(std::count(shown.begin(), shown.end(), std::uint8_t{0}), 0);
    std::replace(shown.begin(), shown.end(), std::uint8_t{0}, std::uint8_t{','});
    const auto withoutLineEnds = [](std::wstring t) {
        std::erase_if(t, [](wchar_t c) { return c == L'\r' || c == L'\n'; });
        return t;
    };
    const std::wstring whole = withoutLineEnds(Decoded932(shown));
    text = withoutLineEnds(text);
    const auto [seen, meant] = std::mismatch(text.begin(), text.end(), whole.begin(), whole.end());
    EXPECT_TRUE(text == whole) << "the view shows " << text.size() << " characters of "
                               << whole.size() << ", the first different at "
                               << (seen - text.begin()) << ": U+" << std::hex
                               << (seen == text.end() ? 0 : static_cast<int>(*seen)) << " for U+"
                               << (meant == whole.end() ? 0 : static_cast<int>(*meant));

    switchTo(L"Marovan");
    EXPECT_EQ(app.Title(), L"Marovan");
    EXPECT_EQ(app.Tabs(), normalTabs);

    ::PostMessageW(about.Control(IDC_INF_OK), BM_CLICK, 0, 0);
    about.WaitUntilClosed();
}

} // namespace
} // namespace marovan::e2e
