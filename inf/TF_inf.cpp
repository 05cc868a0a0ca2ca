#include "inf/TF_inf.h"

#include "base/Failure.h"
#include "inf/Contact.h"
#include "inf/FileVersion.h"
#include "inf/PictureFit.h"
#include "inf/PngReader.h"
#include "platform/Dpi.h"
#include "platform/Shell.h"
#include "platform/WinText.h"
#include "resources/resource.h"
#include "settings/ProgramFile.h"

#include <windowsx.h>

#include <cstring>
#include <span>
#include <string>

namespace marovan {

namespace {

constexpr wchar_t kCaption[] = L"Infomation";
constexpr wchar_t kName[] = L"Marovan";

// Layout at 96 DPI: left, top, and for the fixed-size parts width, height.
constexpr int kClientWidth96 = 356;
constexpr int kClientHeight96 = 183;
constexpr RECT kImage1 = {22, 8, 60, 60};
constexpr POINT kLabel1 = {100, 16};
constexpr POINT kLabel2 = {168, 40};
constexpr POINT kLabel3 = {141, 54};
constexpr RECT kBevel1 = {22, 76, 307, 61};
constexpr RECT kImage2 = {28, 92, 100, 30};
constexpr POINT kLabel4 = {134, 94};
constexpr POINT kLabel5 = {134, 110};
constexpr RECT kButton1 = {144, 150, 65, 23};

constexpr win::FontSpec kDialogFont = {L"ＭＳ Ｐゴシック", 12};
constexpr win::FontSpec kNameFont = {L"Impact", 16, true};
constexpr win::FontSpec kLinkFont = {L"ＭＳ Ｐゴシック", 12, false, false, true};

constexpr COLORREF kLinkHoverColour = RGB(0x00, 0x00, 0xFF);

// Places a label at (x, y) sized to its text in its current font.
void AutoSize(HWND label, int x, int y) {
    win::WindowDc dc(label);
    RECT extent{};
    if (dc.get()) {
        const auto font = reinterpret_cast<HFONT>(::SendMessageW(label, WM_GETFONT, 0, 0));
        win::SelectedObject selected(dc.get(), font);
        const std::wstring text = win::WindowText(label);
        ::DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent,
                    DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    }
    ::SetWindowPos(label, nullptr, x, y, extent.right - extent.left, extent.bottom - extent.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

std::span<const std::uint8_t> PngResource(int id) {
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id), L"PNG");
    if (!found)
        return {};
    HGLOBAL loaded = ::LoadResource(module, found);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data)
        return {};
    return {static_cast<const std::uint8_t*>(data), ::SizeofResource(module, found)};
}

// A program picture fitted to a box, as a bitmap for AlphaBlend. A picture
// that does not decode leaves its box empty: the dialog is still useful.
win::UniqueBitmap FittedBitmap(int resourceId, int boxWidth, int boxHeight) {
    const PngImage image = DecodePng(PngResource(resourceId));
    const FittedPicture fitted = FitPicture(image, static_cast<std::uint32_t>(boxWidth),
                                            static_cast<std::uint32_t>(boxHeight));
    if (fitted.bgra.empty())
        return {};
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = static_cast<LONG>(fitted.width);
    info.bmiHeader.biHeight = -static_cast<LONG>(fitted.height); // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    win::UniqueBitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (bitmap && bits)
        std::memcpy(bits, fitted.bgra.data(), fitted.bgra.size());
    return bitmap;
}

// Draws a premultiplied bitmap centred in `box` over the button face.
void DrawPicture(HDC dc, const RECT& box, HBITMAP bitmap) {
    ::FillRect(dc, &box, ::GetSysColorBrush(COLOR_BTNFACE));
    BITMAP size{};
    if (!bitmap || !::GetObjectW(bitmap, sizeof(size), &size))
        return;
    win::UniqueDc memory(::CreateCompatibleDC(dc));
    if (!memory)
        return;
    win::SelectedObject selected(memory.get(), bitmap);
    const int x = box.left + (box.right - box.left - size.bmWidth) / 2;
    const int y = box.top + (box.bottom - box.top - size.bmHeight) / 2;
    const BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ::AlphaBlend(dc, x, y, size.bmWidth, size.bmHeight, memory.get(), 0, 0, size.bmWidth,
                 size.bmHeight, blend);
}

bool Contains(HWND dialog, HWND control, POINT client) {
    RECT bounds{};
    ::GetWindowRect(control, &bounds);
    ::MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&bounds), 2);
    return ::PtInRect(&bounds, client) != FALSE;
}

bool KeyHeld(int key) noexcept {
    return (::GetKeyState(key) & 0x8000) != 0;
}

} // namespace

void TF_inf::ShowModal(HWND owner) {
    RunModal(owner, kCaption, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, WS_EX_TOOLWINDOW);
}

void TF_inf::OnInit() {
    SizeClientAndCentre(kClientWidth96, kClientHeight96);
    CreateControls();

    const FileVersion version = ReadFileVersion(settings::ExecutablePath());
    ::SetWindowTextW(label2_, win::Wide(VersionLine(version.lookup, version.value)).c_str());

    LoadPictures();
    LayOut();
    ::SetFocus(button1_);
}

void TF_inf::CreateControls() {
    // The frame first and at the bottom, so that what it surrounds is drawn
    // over it.
    bevel1_ = CreateControl(WC_STATICW, L"", SS_ETCHEDFRAME, -1);
    image1_ = CreateControl(WC_STATICW, L"", SS_OWNERDRAW, IDC_INF_PICTURE);
    label1_ = CreateLabel(kName, IDC_INF_NAME);
    label2_ = CreateLabel(win::Wide(kVersionLineAsLaidOut).c_str(), IDC_INF_VERSION);
    label3_ = CreateLabel(kRightsLine, IDC_INF_RIGHTS);
    image2_ = CreateControl(WC_STATICW, L"", SS_OWNERDRAW, IDC_INF_BANNER);
    label4_ = CreateLabel((std::wstring(L"Email : ") + kContactMail).c_str(), IDC_INF_MAIL);
    label5_ = CreateLabel((std::wstring(L"URL : ") + kWebPage).c_str(), IDC_INF_URL);
    button1_ = CreateControl(WC_BUTTONW, L"OK", BS_PUSHBUTTON | WS_TABSTOP, IDC_INF_OK);
    ::SetWindowPos(bevel1_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// Statics without SS_NOTIFY are transparent to the mouse, so the dialog
// itself sees the pointer over the pictures and the link lines.
HWND TF_inf::CreateLabel(const wchar_t* text, int id) {
    return CreateControl(WC_STATICW, text, SS_LEFTNOWORDWRAP | SS_NOPREFIX, id);
}

void TF_inf::LoadPictures() {
    picture_ = FittedBitmap(IDP_PROGRAM_PICTURE, Scaled(kImage1.right), Scaled(kImage1.bottom));
    banner_ = FittedBitmap(IDP_BANNER, Scaled(kImage2.right), Scaled(kImage2.bottom));
}

void TF_inf::LayOut() {
    // New fonts first; the old ones go only after no control uses them.
    win::UniqueFont font(win::CreateScaledFont(kDialogFont, dpi()));
    win::UniqueFont nameFont(win::CreateScaledFont(kNameFont, dpi()));
    win::UniqueFont linkFont(win::CreateScaledFont(kLinkFont, dpi()));
    for (HWND control : {label2_, label3_, button1_})
        SetWindowFont(control, font.get(), FALSE);
    SetWindowFont(label1_, nameFont.get(), FALSE);
    SetWindowFont(label4_, hover_ == Link::Mail ? linkFont.get() : font.get(), FALSE);
    SetWindowFont(label5_, hover_ == Link::Url ? linkFont.get() : font.get(), FALSE);
    font_ = std::move(font);
    nameFont_ = std::move(nameFont);
    linkFont_ = std::move(linkFont);

    const auto place = [this](HWND control, const RECT& r) {
        ::SetWindowPos(control, nullptr, Scaled(r.left), Scaled(r.top), Scaled(r.right),
                       Scaled(r.bottom), SWP_NOZORDER | SWP_NOACTIVATE);
    };
    const auto label = [this](HWND control, POINT p) {
        AutoSize(control, Scaled(p.x), Scaled(p.y));
    };
    place(image1_, kImage1);
    label(label1_, kLabel1);
    label(label2_, kLabel2);
    label(label3_, kLabel3);
    place(bevel1_, kBevel1);
    place(image2_, kImage2);
    label(label4_, kLabel4);
    label(label5_, kLabel5);
    place(button1_, kButton1);
    ::InvalidateRect(hwnd(), nullptr, TRUE);
}

bool TF_inf::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_INF_OK:
        case IDOK: // Enter while the OK button has the focus
            Button1Click();
            return true;
        case IDCANCEL: // Esc does nothing
            return true;
        }
        return false;
    case WM_CLOSE: // the close box; the default would turn it into IDCANCEL
        End(IDC_INF_OK);
        return true;
    case WM_SYSCOMMAND:
        // Alt alone, let go: the end of the switch gesture, not a wish for the menu.
        if ((wParam & 0xFFF0) == SC_KEYMENU && lParam == 0 && altOfSwitchPending_) {
            altOfSwitchPending_ = false;
            return true;
        }
        return false;
    case WM_MOUSEMOVE:
        OnMouseMove(point);
        return true;
    case WM_MOUSELEAVE:
        OnMouseLeave();
        return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: // a quick second press is a press all the same
        OnLeftButtonDown(point, wParam);
        return true;
    case WM_LBUTTONUP:
        OnLeftButtonUp(point);
        return true;
    case WM_CAPTURECHANGED:
        pressed_ = Link::None;
        return true;
    case WM_DRAWITEM:
        result = OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return true;
    case WM_CTLCOLORSTATIC:
        result = OnControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        return true;
    default:
        return false;
    }
}

TF_inf::Link TF_inf::LinkAt(POINT client) const {
    if (Contains(hwnd(), label4_, client))
        return Link::Mail;
    if (Contains(hwnd(), label5_, client))
        return Link::Url;
    return Link::None;
}

bool TF_inf::OnPicture(POINT client) const {
    return Contains(hwnd(), image1_, client);
}

void TF_inf::OnMouseMove(POINT client) {
    if (!trackingLeave_) {
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof(track);
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = hwnd();
        trackingLeave_ = ::TrackMouseEvent(&track) != FALSE;
    }
    SetHover(LinkAt(client));
}

// Wine has been seen to report a leave while the pointer still rests over a
// link line; the pointer's own position decides.
void TF_inf::OnMouseLeave() {
    trackingLeave_ = false;
    POINT pointer{};
    if (::GetCursorPos(&pointer) && ::WindowFromPoint(pointer) == hwnd() &&
        ::ScreenToClient(hwnd(), &pointer)) {
        OnMouseMove(pointer);
        return;
    }
    SetHover(Link::None);
}

void TF_inf::SetHover(Link link) {
    if (link == hover_)
        return;
    const Link previous = hover_;
    hover_ = link;
    if (previous != Link::None)
        LabelMouseLeave(previous);
    if (link != Link::None)
        LabelMouseEnter(link);
}

void TF_inf::LabelMouseEnter(Link link) {
    HWND label = link == Link::Mail ? label4_ : label5_;
    SetWindowFont(label, linkFont_.get(), FALSE);
    ::InvalidateRect(label, nullptr, TRUE);
}

void TF_inf::LabelMouseLeave(Link link) {
    HWND label = link == Link::Mail ? label4_ : label5_;
    SetWindowFont(label, font_.get(), FALSE);
    ::InvalidateRect(label, nullptr, TRUE);
}

void TF_inf::OnLeftButtonDown(POINT client, WPARAM keys) {
    altOfSwitchPending_ = false;
    if (OnPicture(client)) {
        Image1MouseDown(keys);
        return;
    }
    // A link opens when the button is released over the line it was pressed on.
    pressed_ = LinkAt(client);
    if (pressed_ != Link::None)
        ::SetCapture(hwnd());
}

void TF_inf::OnLeftButtonUp(POINT client) {
    const Link pressed = pressed_;
    if (pressed == Link::None)
        return;
    ::ReleaseCapture(); // clears pressed_
    if (LinkAt(client) == pressed)
        LabelClick(pressed);
}

// Shift and Ctrl as they were at the press; Alt has no flag of its own, and
// its state is the one this thread's input has seen.
void TF_inf::Image1MouseDown(WPARAM keys) {
    const bool shiftAndCtrl = (keys & MK_SHIFT) && (keys & MK_CONTROL);
    if (!(shiftAndCtrl && KeyHeld(VK_MENU)))
        return;
    altOfSwitchPending_ = true;
    if (debugSwitch_)
        debugSwitch_();
    ::RedrawWindow(hwnd(), nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void TF_inf::LabelClick(Link link) {
    if (link == Link::Mail)
        win::OpenInShell(nullptr, std::wstring(L"mailto:") + kContactMail, SW_SHOW);
    else
        win::OpenInShell(hwnd(), kWebPage, SW_SHOW);
}

void TF_inf::Button1Click() {
    End(IDC_INF_OK);
}

bool TF_inf::OnDrawItem(const DRAWITEMSTRUCT& item) {
    if (item.hwndItem == image1_)
        DrawPicture(item.hDC, item.rcItem, picture_.get());
    else if (item.hwndItem == image2_)
        DrawPicture(item.hDC, item.rcItem, banner_.get());
    else
        return false;
    return true;
}

LRESULT TF_inf::OnControlColour(HDC dc, HWND control) {
    const bool hovered =
        (control == label4_ && hover_ == Link::Mail) || (control == label5_ && hover_ == Link::Url);
    ::SetTextColor(dc, hovered ? kLinkHoverColour : ::GetSysColor(COLOR_WINDOWTEXT));
    ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
}

void TF_inf::OnDpiChanged(int) {
    LoadPictures();
    LayOut();
}

} // namespace marovan
