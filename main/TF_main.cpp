#include "main/TF_main.h"

#include "base/Failure.h"
#include "base/Text.h"
#include "inf/TF_inf.h"
#include "main/Arguments.h"
#include "main/Extraction.h"
#include "main/LinkExport.h"
#include "opt/TF_opt.h"
#include "platform/Clipboard.h"
#include "platform/Dpi.h"
#include "platform/FilePrompt.h"
#include "platform/Files.h"
#include "platform/MessageBoxes.h"
#include "platform/WinText.h"
#include "resources/resource.h"
#include "settings/Settings.h"

#include <windowsx.h>

#include <algorithm>

namespace marovan {

using win::Scale;
using win::View;

namespace {

constexpr wchar_t kClassName[] = L"TF_main";

// Layout at 96 DPI.
constexpr int kClientWidth96 = 434;
constexpr int kClientHeight96 = 466;
constexpr int kPanel1Height96 = 193;
constexpr int kPanel2Height96 = 20;
constexpr int kTabHeight96 = 20;
constexpr int kButtonIconSize96 = 32;
constexpr int kButtonPictureMargin96 = 5;  // from the button's left edge
constexpr int kButtonPictureSpacing96 = 4; // between the picture and the caption

// Outer window sizes of the details toggle, at 96 DPI. They are scaled like
// the layout: unscaled, the collapsed window would cut the buttons in half on
// a high-DPI display.
constexpr int kCollapsedHeight96 = 230;
constexpr int kExpandedHeight96 = 450;
constexpr int kCollapsedWidth96 = 450;

constexpr COLORREF kPanelColour = RGB(0x3C, 0x3C, 0x3C);
constexpr COLORREF kSilver = RGB(0xC0, 0xC0, 0xC0);
constexpr COLORREF kWhite = RGB(0xFF, 0xFF, 0xFF);

struct SpeedButton {
    int id;
    const wchar_t* caption;
    int iconId;
    RECT bounds96; // left, top, width, height
    // Its key, as an accelerator and as its tooltip names it.
    WORD key;
    BYTE modifiers; // FCONTROL or none
    const wchar_t* keyName;
};

// Keys as Windows programs use them: Ctrl+O opens a document (a run starts
// with the prompts for one), Ctrl+, opens the settings (as in Windows
// Terminal), Ctrl+D for the details, Ctrl+L clears (as a console does), F1
// for the information. None of them is a key the link table or the debug
// view uses themselves.
constexpr std::array<SpeedButton, 5> kSpeedButtons = {{
    {IDC_COLLECT, L"画像収集", IDI_BUTTON_COLLECT, {10, 50, 289, 60}, 'O', FCONTROL, L"Ctrl+O"},
    {IDC_OPTION,
     L"Option",
     IDI_BUTTON_OPTION,
     {298, 50, 127, 60},
     VK_OEM_COMMA,
     FCONTROL,
     L"Ctrl+,"},
    {IDC_DETAILS, L"詳細表示", IDI_BUTTON_DETAILS, {10, 109, 145, 60}, 'D', FCONTROL, L"Ctrl+D"},
    {IDC_CLEAR_DETAILS,
     L"詳細クリア",
     IDI_BUTTON_CLEAR,
     {154, 109, 145, 60},
     'L',
     FCONTROL,
     L"Ctrl+L"},
    {IDC_INFO, L"Info", IDI_BUTTON_INFO, {298, 109, 127, 60}, VK_F1, 0, L"F1"},
}};

constexpr wchar_t kCopyLinksCaption[] = L"コピー";
constexpr wchar_t kSaveLinksCaption[] = L"CSVで保存...";
constexpr wchar_t kCsvFilter[] = L"CSV ファイル (*.csv)|*.csv|すべてのファイル (*.*)|*.*";

win::UniqueAccelerators CreateButtonAccelerators() {
    std::array<ACCEL, kSpeedButtons.size()> keys{};
    for (std::size_t i = 0; i < kSpeedButtons.size(); ++i)
        keys[i] = {static_cast<BYTE>(FVIRTKEY | kSpeedButtons[i].modifiers), kSpeedButtons[i].key,
                   static_cast<WORD>(kSpeedButtons[i].id)};
    return win::UniqueAccelerators(
        ::CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size())));
}

constexpr wchar_t kDocumentTabCaption[] = L"Illustrator File";
constexpr wchar_t kResultTabCaption[] = L"抽出結果";
constexpr wchar_t kTitle[] = L"Marovan";
constexpr wchar_t kDebugTitle[] = L"Debug Mode";

void Place(HWND window, int x, int y, int width, int height) {
    ::SetWindowPos(window, nullptr, x, y, std::max(width, 0), std::max(height, 0),
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

void InsertTab(HWND tabs, int index, const wchar_t* caption) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(caption);
    TabCtrl_InsertItem(tabs, index, &item);
}

} // namespace

TF_main::TF_main() {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    RegisterWindowClass(
        kClassName, nullptr,
        static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_MAROVAN), IMAGE_ICON, 0, 0,
                                        LR_DEFAULTSIZE | LR_SHARED)),
        static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_MAROVAN), IMAGE_ICON,
                                        ::GetSystemMetrics(SM_CXSMICON),
                                        ::GetSystemMetrics(SM_CYSMICON), LR_SHARED)));
    // Sized for the DPI where it will most likely appear; the window's own
    // DPI is known once it exists.
    const int startDpi = win::DpiAt(POINT{0, 0});
    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    const RECT frame = win::WindowRectForClient(
        Scale(kClientWidth96, startDpi), Scale(kClientHeight96, startDpi), style, 0, startDpi);
    Create(kClassName, win::kApplicationTitle, style, 0, CW_USEDEFAULT, CW_USEDEFAULT,
           frame.right - frame.left, frame.bottom - frame.top, nullptr);
    system_.SetOwner(hwnd());
    system_.SilenceHostsNamedByTests();
    panelBrush_.reset(::CreateSolidBrush(kPanelColour));
    CreateFonts();
    LoadButtonIcons();
    CreateControls();
    ApplyFonts();
    LayOut();
    win::Guarded(hwnd(), [this] { FormCreate(); });
    // Only once the start-up runs are over.
    AcceptDrops(true);
}

// The controls go before what they were given: fonts, icons, the link table.
TF_main::~TF_main() {
    if (hwnd())
        ::DestroyWindow(hwnd());
}

void TF_main::CreateFonts() {
    windowFont_.reset(win::CreateScaledFont({L"Arial", 12}, dpi()));
    titleFont_.reset(win::CreateScaledFont({L"Impact", 29, true, true}, dpi()));
    buttonFont_.reset(win::CreateScaledFont({L"メイリオ", 15}, dpi()));
    lineFont_.reset(win::CreateScaledFont({L"ＭＳ Ｐゴシック", 11}, dpi()));
    memoFont_.reset(win::CreateScaledFont({L"ＭＳ ゴシック", 13}, dpi()));
}

void TF_main::LoadButtonIcons() {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    const int iconSize = Scaled(kButtonIconSize96);
    for (std::size_t i = 0; i < kSpeedButtons.size(); ++i)
        buttonIcons_[i].reset(
            static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(kSpeedButtons[i].iconId),
                                            IMAGE_ICON, iconSize, iconSize, 0)));
}

void TF_main::CreateControls() {
    label2_ = CreateControl(WC_STATICW, kTitle, SS_CENTER | SS_NOPREFIX, IDC_TITLE);
    for (std::size_t i = 0; i < kSpeedButtons.size(); ++i) {
        const SpeedButton& b = kSpeedButtons[i];
        speedButtons_[i] = CreateControl(WC_BUTTONW, b.caption, BS_PUSHBUTTON, b.id);
        ::SetWindowSubclass(speedButtons_[i], &TF_main::SpeedButtonProc, 0,
                            reinterpret_cast<DWORD_PTR>(this));
    }
    progressBar1_ = CreateControl(PROGRESS_CLASSW, L"", PBS_SMOOTH | WS_CLIPSIBLINGS, IDC_PROGRESS);
    ::SendMessageW(progressBar1_, PBM_SETRANGE32, 0, 1000);
    ::SendMessageW(progressBar1_, PBM_SETSTEP, 1, 0);
    label1_ = CreateControl(WC_STATICW, L"", SS_LEFT | SS_NOPREFIX, IDC_STATUS);

    pageControl1_ =
        CreateControl(WC_TABCONTROLW, L"",
                      TCS_BOTTOM | TCS_MULTILINE | WS_CLIPSIBLINGS | TCS_FOCUSNEVER, IDC_PAGES);
    // Visual styles have no bottom tabs: themed, Windows would draw them with
    // the parts of top tabs (Wine draws bottom tabs unthemed anyway).
    ::SetWindowTheme(pageControl1_, L"", L"");
    InsertTab(pageControl1_, 0, kResultTabCaption);

    memo1_ = CreateControl(WC_EDITW, L"",
                           ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL |
                               WS_VSCROLL | WS_HSCROLL | WS_TABSTOP,
                           IDC_DOCUMENT_TEXT, WS_EX_CLIENTEDGE);
    ::ShowWindow(memo1_, SW_HIDE);
    ::SendMessageW(memo1_, EM_SETLIMITTEXT, 0, 0);
    panel2_ =
        CreateControl(WC_STATICW, L"", SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE, IDC_DESTINATION);
    linkTable_ = std::make_unique<LinkTableView>(hwnd(), IDC_LINK_TABLE, links_, documents_, dpi());
    CreateButtonTips();
    accelerators_ = CreateButtonAccelerators();
}

// One tool per speed button, its text asked for when it shows: the details
// button's caption changes.
void TF_main::CreateButtonTips() {
    buttonTips_ =
        ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd(),
                          nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (!buttonTips_)
        return; // the buttons work without their tips
    ::SetWindowLongPtrW(buttonTips_, GWLP_ID, IDC_BUTTON_TIPS);
    for (HWND button : speedButtons_) {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = hwnd();
        tool.uId = reinterpret_cast<UINT_PTR>(button);
        tool.lpszText = LPSTR_TEXTCALLBACKW;
        ::SendMessageW(buttonTips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void TF_main::OnButtonTipText(NMTTDISPINFOW& info) {
    buttonTipText_.clear();
    const auto button = std::find(speedButtons_.begin(), speedButtons_.end(),
                                  reinterpret_cast<HWND>(info.hdr.idFrom));
    if (button != speedButtons_.end()) {
        const SpeedButton& b =
            kSpeedButtons[static_cast<std::size_t>(button - speedButtons_.begin())];
        buttonTipText_ = win::WindowText(*button) + L" (" + b.keyName + L")";
    }
    info.lpszText = buttonTipText_.data();
    info.hinst = nullptr;
}

void TF_main::ApplyFonts() {
    const auto setFont = [](HWND control, const win::UniqueFont& font) {
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    };
    setFont(label2_, titleFont_);
    setFont(label1_, lineFont_);
    setFont(panel2_, lineFont_);
    setFont(pageControl1_, windowFont_);
    setFont(memo1_, memoFont_);
    for (std::size_t i = 0; i < kSpeedButtons.size(); ++i) {
        setFont(speedButtons_[i], buttonFont_);
        ::SendMessageW(speedButtons_[i], BM_SETIMAGE, IMAGE_ICON,
                       reinterpret_cast<LPARAM>(buttonIcons_[i].get()));
    }
    TabCtrl_SetItemSize(pageControl1_, Scaled(100), Scaled(kTabHeight96));
}

void TF_main::LayOut() {
    RECT client{};
    ::GetClientRect(hwnd(), &client);
    Place(label2_, Scaled(0), Scaled(5), Scaled(430), Scaled(45));
    for (std::size_t i = 0; i < kSpeedButtons.size(); ++i) {
        const RECT& b = kSpeedButtons[i].bounds96;
        Place(speedButtons_[i], Scaled(b.left), Scaled(b.top), Scaled(b.right), Scaled(b.bottom));
    }
    Place(progressBar1_, Scaled(10), Scaled(180), Scaled(415), Scaled(10));
    SizeStatusToText();

    const int pagesTop = Scaled(kPanel1Height96);
    Place(pageControl1_, 0, pagesTop, client.right, client.bottom - pagesTop);
    RECT page{0, 0, client.right, client.bottom - pagesTop};
    TabCtrl_AdjustRect(pageControl1_, FALSE, &page);
    ::OffsetRect(&page, 0, pagesTop);
    const int pageWidth = page.right - page.left;
    const int pageHeight = page.bottom - page.top;
    Place(memo1_, page.left, page.top, pageWidth, pageHeight);
    const int destinationHeight = Scaled(kPanel2Height96);
    Place(panel2_, page.left, page.top, pageWidth, destinationHeight);
    Place(linkTable_->hwnd(), page.left, page.top + destinationHeight, pageWidth,
          pageHeight - destinationHeight);
}

void TF_main::SizeStatusToText() {
    const std::wstring text = win::WindowText(label1_);
    win::WindowDc dc(label1_);
    win::SelectedObject font(dc.get(), lineFont_.get());
    SIZE size{};
    ::GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc.get(), &metrics);
    Place(label1_, Scaled(16), Scaled(170), size.cx, metrics.tmHeight);
}

void TF_main::FormCreate() {
    RECT own{};
    ::GetWindowRect(hwnd(), &own);
    ::SetWindowPos(hwnd(), nullptr, 0, 0, own.right - own.left, Scaled(kCollapsedHeight96),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    linkTable_->SyncRows(); // the header row
    // A program folder that cannot take the settings file is reported once;
    // every run then takes the defaults, the start-up runs too.
    try {
        settings::EnsureExists();
    } catch (const Failure& failure) {
        win::ReportFailure(hwnd(), failure.Message());
    }
    PerformStartupRuns();
}

void TF_main::PerformStartupRuns() {
    // The window shows what the last run left, with an empty progress bar,
    // however the runs ended.
    struct EmptyProgressAtEnd {
        HWND bar;
        ~EmptyProgressAtEnd() { ::SendMessageW(bar, PBM_SETPOS, 0, 0); }
    } emptyProgress{progressBar1_};
    // Each run's file prompt starts on its argument.
    for (const std::u16string& argument :
         ArgumentValues(View(std::wstring_view(::GetCommandLineW())))) {
        // A failure ends the start-up runs; the caller reports it.
        CollectionRun(*this, system_, links_, documents_, argument);
    }
}

void TF_main::Show(int showCommand) {
    RECT own{};
    ::GetWindowRect(hwnd(), &own);
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    // The virtual screen's middle can lie off every monitor; the work area of
    // the monitor the window was made on cannot.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(hwnd(), MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    const int x = std::max(work.left, work.left + (work.right - work.left - width) / 2);
    const int y = std::max(work.top, work.top + (work.bottom - work.top - height) / 2);
    ::SetWindowPos(hwnd(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    win::KeepInWorkArea(hwnd()); // larger than a small screen at a high DPI
    ::ShowWindow(hwnd(), showCommand);
    ::UpdateWindow(hwnd());
}

// The buttons' keys and Tab between the controls work in this loop only: a
// dialog, a prompt or a message box runs a loop of its own, and a run pumps
// its messages without them, so that they do nothing meanwhile.
int TF_main::RunMessageLoop() {
    MSG message{};
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        const bool ours = message.hwnd == hwnd() || ::IsChild(hwnd(), message.hwnd);
        if (ours && !running_ && accelerators_ &&
            ::TranslateAcceleratorW(hwnd(), accelerators_.get(), &message))
            continue;
        if (ours && ::IsDialogMessageW(hwnd(), &message))
            continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

// --- Messages -------------------------------------------------------------

LRESULT TF_main::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam));
        return 0;
    case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) == linkTable_->hwnd()) {
            OnLinkTableMenu({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            return 0;
        }
        return Default(message, wParam, lParam);
    case WM_CTLCOLORSTATIC:
        return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_SIZE:
        LayOut();
        return 0;
    case WM_THEMECHANGED:
        linkTable_->OnThemeChanged();
        return Default(message, wParam, lParam);
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    }
    return Default(message, wParam, lParam);
}

void TF_main::OnCommand(int id) {
    switch (id) {
    case IDC_COLLECT:
        SpeedButton1Click();
        break;
    case IDC_CLEAR_DETAILS:
        SpeedButton2Click();
        break;
    case IDC_DETAILS:
        SpeedButton4Click();
        break;
    case IDC_OPTION:
        SpeedButton5Click();
        break;
    case IDC_INFO:
        SpeedButton6Click();
        break;
    case IDM_COPY_LINKS:
        CopyLinks();
        break;
    case IDM_SAVE_LINKS:
        SaveLinks();
        break;
    }
}

// --- Copying and saving the table ------------------------------------------

// While a run goes on its table is being rebuilt: nothing of it leaves.
bool TF_main::CanExportLinks() const {
    return !running_ && !links_.empty();
}

void TF_main::OnLinkTableMenu(POINT screen) {
    if (screen.x == -1 && screen.y == -1)
        screen = linkTable_->MenuPointForKeyboard();
    const win::UniqueMenu menu(::CreatePopupMenu());
    if (!menu)
        throw Failure(win::U16(win::SystemMessage(::GetLastError())));
    const UINT state = CanExportLinks() ? MF_ENABLED : MF_GRAYED;
    ::AppendMenuW(menu.get(), MF_STRING | state, IDM_COPY_LINKS, kCopyLinksCaption);
    ::AppendMenuW(menu.get(), MF_STRING | state, IDM_SAVE_LINKS, kSaveLinksCaption);
    const int command = static_cast<int>(
        ::TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN,
                         screen.x, screen.y, 0, hwnd(), nullptr));
    if (command != 0)
        OnCommand(command);
}

void TF_main::CopyLinks() {
    if (!CanExportLinks())
        return;
    const std::u16string text = LinksAsText(links_, documents_, linkTable_->LinksToExport());
    try {
        win::PutTextOnClipboard(hwnd(), win::View(text));
    } catch (const SystemError& error) {
        win::ShowMessageBox(
            hwnd(), MessageKind::Error,
            u"クリップボードにコピーできませんでした：" +
                std::u16string(TrimmedReason(win::U16(win::SystemMessage(error.Code())))));
    }
}

void TF_main::SaveLinks() {
    if (!CanExportLinks())
        return;
    // The selection is taken before the prompt, which the user may take a
    // while over.
    const std::string csv = LinksAsCsv(links_, documents_, linkTable_->LinksToExport());
    const auto path = win::PromptSavePath(hwnd(), win::View(lastDestination_),
                                          win::View(CsvFileName(documents_)), kCsvFilter, L"csv");
    if (!path)
        return;
    try {
        win::WriteWholeFile(*path, csv);
    } catch (const SystemError& error) {
        win::ShowMessageBox(
            hwnd(), MessageKind::Error,
            u"ファイル " + win::U16(*path) + u" に保存できませんでした：" +
                std::u16string(TrimmedReason(win::U16(win::SystemMessage(error.Code())))));
    }
}

void TF_main::OnPaint() {
    win::PaintDc paint(hwnd());
    RECT client{};
    ::GetClientRect(hwnd(), &client);
    RECT panel = client;
    panel.bottom = std::min<LONG>(client.bottom, Scaled(kPanel1Height96));
    ::FillRect(paint.get(), &panel, panelBrush_.get());
    RECT rest = client;
    rest.top = panel.bottom;
    if (rest.top < rest.bottom) {
        ::SetBkColor(paint.get(), kSilver);
        ::ExtTextOutW(paint.get(), 0, 0, ETO_OPAQUE, &rest, nullptr, 0, nullptr);
    }
}

LRESULT TF_main::OnCtlColorStatic(HDC dc, HWND) {
    // The title, the status line and the destination line: white on dark grey.
    ::SetTextColor(dc, kWhite);
    ::SetBkColor(dc, kPanelColour);
    return reinterpret_cast<LRESULT>(panelBrush_.get());
}

// The window already has the rectangle Windows suggested.
void TF_main::OnDpiChanged(int dpi) {
    // New fonts and pictures first, then the controls take them, then the old
    // ones go as these locals leave.
    const win::UniqueFont oldFonts[] = {std::move(windowFont_), std::move(titleFont_),
                                        std::move(buttonFont_), std::move(lineFont_),
                                        std::move(memoFont_)};
    const std::array<win::UniqueIcon, 5> oldIcons = std::move(buttonIcons_);
    CreateFonts();
    LoadButtonIcons();
    ApplyFonts();
    linkTable_->SetDpi(dpi);
    LayOut();
    ::InvalidateRect(hwnd(), nullptr, TRUE);
}

void TF_main::OnClose() {
    // A close during a run's conversion is honoured when the run has ended.
    if (running_) {
        closeRequested_ = true;
        return;
    }
    ::DestroyWindow(hwnd());
}

// --- The buttons ----------------------------------------------------------

// While a run goes on: no other run, no drops, and a close waits for its end.
class TF_main::RunGoing {
public:
    explicit RunGoing(TF_main& window)
        : window_(window) {
        window_.running_ = true;
        window_.AcceptDrops(false);
    }
    ~RunGoing() {
        window_.running_ = false;
        window_.AcceptDrops(true);
        if (window_.closeRequested_)
            ::PostMessageW(window_.hwnd(), WM_CLOSE, 0, 0);
    }
    RunGoing(const RunGoing&) = delete;
    RunGoing& operator=(const RunGoing&) = delete;

private:
    TF_main& window_;
};

void TF_main::SpeedButton1Click() {
    if (running_)
        return;
    const RunGoing run(*this);
    CollectionRun(*this, system_, links_, documents_);
}

void TF_main::AcceptDrops(bool accept) {
    dropsAccepted_ = accept;
    ::DragAcceptFiles(hwnd(), accept);
}

// The dropped files make one batch. A drop that comes while the window takes
// none (one posted during a run) is released unread.
void TF_main::OnDropFiles(HDROP drop) {
    const win::UniqueDrop files(drop);
    if (running_ || !dropsAccepted_)
        return;
    std::vector<std::u16string> paths;
    const UINT count = ::DragQueryFileW(files.get(), 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = ::DragQueryFileW(files.get(), i, nullptr, 0);
        std::wstring path(length + 1, L'\0');
        path.resize(::DragQueryFileW(files.get(), i, path.data(), length + 1));
        paths.push_back(win::U16(path));
    }
    const RunGoing run(*this);
    CollectBatch(*this, system_, paths, links_, documents_);
}

void TF_main::SpeedButton2Click() {
    if (running_)
        return;
    links_.clear();
    documents_.clear();
    ClearDetails();
}

void TF_main::SpeedButton4Click() {
    RECT own{};
    ::GetWindowRect(hwnd(), &own);
    const int height = own.bottom - own.top;
    HWND toggle = ::GetDlgItem(hwnd(), IDC_DETAILS);
    if (height > Scaled(kCollapsedHeight96)) {
        ::SetWindowPos(hwnd(), nullptr, 0, 0, Scaled(kCollapsedWidth96), Scaled(kCollapsedHeight96),
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        ::SetWindowTextW(toggle, L"詳細表示");
    } else {
        ::SetWindowPos(hwnd(), nullptr, 0, 0, own.right - own.left, Scaled(kExpandedHeight96),
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        // Grown downwards, at a high DPI it can run off the screen's bottom.
        win::KeepInWorkArea(hwnd());
        ::SetWindowTextW(toggle, L"隠す");
    }
}

void TF_main::SpeedButton5Click() {
    if (running_)
        return;
    TF_opt F_opt;
    F_opt.ShowModal(hwnd());
}

void TF_main::SpeedButton6Click() {
    if (running_)
        return;
    TF_inf F_inf([this] { ToggleDebugMode(); });
    F_inf.ShowModal(hwnd());
}

void TF_main::ToggleDebugMode() {
    if (win::WindowText(label2_) == kTitle) {
        debugMode_ = true;
        const int selected = TabCtrl_GetCurSel(pageControl1_);
        InsertTab(pageControl1_, 0, kDocumentTabCaption);
        TabCtrl_SetCurSel(pageControl1_, selected + 1);
        ::SetWindowTextW(label2_, kDebugTitle);
        FillDocumentView();
    } else {
        debugMode_ = false;
        const bool documentShown = IsDocumentPageShown();
        TabCtrl_DeleteItem(pageControl1_, 0);
        if (documentShown || TabCtrl_GetCurSel(pageControl1_) < 0)
            TabCtrl_SetCurSel(pageControl1_, 0);
        ::SetWindowTextW(label2_, kTitle);
    }
    LayOut();
    OnPageChanged();
}

bool TF_main::IsDocumentPageShown() const {
    return debugMode_ && TabCtrl_GetCurSel(pageControl1_) == 0;
}

void TF_main::OnPageChanged() {
    ShowPageControls();
}

void TF_main::ShowPageControls() {
    const bool document = IsDocumentPageShown();
    ::ShowWindow(memo1_, document ? SW_SHOW : SW_HIDE);
    ::ShowWindow(panel2_, document ? SW_HIDE : SW_SHOW);
    ::ShowWindow(linkTable_->hwnd(), document ? SW_HIDE : SW_SHOW);
}

// The debug view costs a lot for big documents (an edit control takes
// seconds for millions of characters), so it is filled only while its tab is
// there to be read.
void TF_main::FillDocumentView() {
    if (!debugMode_ || !documentViewStale_)
        return;
    ReadRestOfDocument();
    const std::u16string text = win::DecodeCodePage(documentBytes_, CP_ACP);
    ::SetWindowTextW(memo1_, reinterpret_cast<const wchar_t*>(text.c_str()));
    documentViewStale_ = false;
}

// The run stops reading at the end of the link record; the view shows the
// whole document, so it reads the rest, once, from where the run stopped.
// Nothing else may touch the document meanwhile: the window counts as busy,
// as during a run. A rest that cannot be read (gone, locked, changed, out of
// memory) leaves the view with what the run read.
void TF_main::ReadRestOfDocument() {
    if (documentRestPath_.empty())
        return;
    const std::wstring path = win::LongPathForm(win::View(documentRestPath_));
    documentRestPath_.clear();
    const bool wasRunning = std::exchange(running_, true);
    struct ReadEnds {
        TF_main& window;
        bool wasRunning;
        ~ReadEnds() {
            window.running_ = wasRunning;
            if (!wasRunning && window.closeRequested_)
                ::PostMessageW(window.hwnd(), WM_CLOSE, 0, 0);
        }
    } readEnds{*this, wasRunning};
    try {
        win::FilePieces rest(path, documentBytes_.size());
        for (;;) {
            const std::size_t held = documentBytes_.size();
            if (rest.ReadPiece(documentBytes_) == 0)
                break;
            ReplaceNulBytes(std::span(documentBytes_).subspan(held));
            KeepResponsive();
        }
    } catch (const SystemError&) {
    } catch (const std::bad_alloc&) {
    }
}

// --- What a run sees ------------------------------------------------------

void TF_main::RepaintNow() {
    ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void TF_main::ClearDetails() {
    documentBytes_.clear();
    documentBytes_.shrink_to_fit();
    documentRestPath_.clear();
    documentViewStale_ = false;
    ::SetWindowTextW(memo1_, L"");
    linkTable_->SyncRows();
    linkRowsShown_ = true;
    ::SetWindowTextW(panel2_, L"");
    ::SendMessageW(progressBar1_, PBM_SETRANGE32, 0, 1000);
    ::SendMessageW(progressBar1_, PBM_SETPOS, 0, 0);
    ::SendMessageW(progressBar1_, PBM_SETSTEP, 1, 0);
    ::SetWindowTextW(label1_, L"");
    SizeStatusToText();
    ::InvalidateRect(hwnd(), nullptr, FALSE);
}

void TF_main::SetStatus(std::u16string_view text) {
    ShowLinkRows();
    ::SetWindowTextW(label1_, win::Wide(text).c_str());
    SizeStatusToText();
    // The panel behind a shorter text must be repainted too.
    RECT status{Scaled(16), Scaled(170), Scaled(434), Scaled(180)};
    ::InvalidateRect(hwnd(), &status, FALSE);
    RepaintNow();
}

void TF_main::StepProgress() {
    ::SendMessageW(progressBar1_, PBM_STEPIT, 0, 0);
    ::UpdateWindow(progressBar1_);
}

void TF_main::SetProgressMax(int maximum) {
    ShowLinkRows();
    ::SendMessageW(progressBar1_, PBM_SETRANGE32, 0, maximum);
}

void TF_main::SetDestinationLine(std::u16string_view text) {
    ::SetWindowTextW(panel2_, win::Wide(text).c_str());
}

// Only a shown view is suspended: on Windows, WM_SETREDRAW sets WS_VISIBLE
// when it resumes redrawing (Wine's edit control leaves the style alone), and
// a hidden view has nothing to redraw anyway.
void TF_main::BeginDocumentText() {
    ::SetWindowTextW(memo1_, L"");
    ::UpdateWindow(memo1_);
    documentRedrawSuspended_ = (::GetWindowLongW(memo1_, GWL_STYLE) & WS_VISIBLE) != 0;
    if (documentRedrawSuspended_)
        ::SendMessageW(memo1_, WM_SETREDRAW, FALSE, 0);
}

void TF_main::SetDocument(DocumentBytes bytes, std::u16string_view path, bool whole) {
    documentBytes_ = std::move(bytes);
    documentRestPath_ = whole ? std::u16string() : std::u16string(path);
    documentViewStale_ = true;
    FillDocumentView();
}

void TF_main::ResumeDocumentRedraw() {
    if (std::exchange(documentRedrawSuspended_, false)) {
        ::SendMessageW(memo1_, WM_SETREDRAW, TRUE, 0);
        // The page may have changed while the run went on: the view is shown
        // only on its own page, whatever WM_SETREDRAW made of its style.
        ShowPageControls();
    }
    ::InvalidateRect(memo1_, nullptr, TRUE);
}

// A record of thousands of links would cost a repaint each: the table is
// shown growing at a repaint's pace, and whole before the run's next step.
void TF_main::LinkAdded() {
    linkRowsShown_ = false;
    if (linkRepaint_.Due())
        ShowLinkRows();
}

void TF_main::LinksInserted(std::size_t first, std::size_t count) {
    linkTable_->LinksInserted(first, count);
    LinkAdded();
}

void TF_main::ShowLinkRows() {
    if (linkRowsShown_)
        return;
    linkTable_->SyncRows();
    RepaintNow();
    linkRowsShown_ = true;
    // The pace counts from the end of a repaint: one that takes longer than
    // the interval must not follow every single link.
    linkRepaint_.Restart();
}

// Marks and outcomes of thousands of links change one after another: the
// table is redrawn at a repaint's pace, and whole before the run's next step.
void TF_main::LinkChanged(std::size_t) {
    linkRowsShown_ = false;
    if (linkRepaint_.Due())
        ShowLinkRows();
}

void TF_main::DocumentsChosen(std::u16string_view destination) {
    lastDestination_ = destination;
    linkRowsShown_ = false;
    ShowLinkRows();
}

int TF_main::TextWidth(std::u16string_view text) {
    return linkTable_->TextWidth(text);
}

int TF_main::BoldTextWidth(std::u16string_view text) {
    return linkTable_->BoldTextWidth(text);
}

int TF_main::ScaledWidth(int width96) {
    return Scaled(width96);
}

void TF_main::SetColumnWidth(int column, int width) {
    linkTable_->SetColumnWidth(column, width);
}

void TF_main::KeepResponsive() {
    pump_.PumpIfDue();
}

void TF_main::ShowMessage(MessageKind kind, std::u16string_view text) {
    ShowLinkRows();
    // A folder window the run just opened would come up over the summary
    // (never seen under Wine, whose foreground rules are lenient).
    win::ShowMessageBox(hwnd(), kind, text,
                        system_.TakeFolderOpened() ? win::BoxPlace::OnTop
                                                   : win::BoxPlace::WithItsOwner);
}

// --- Notifications ------------------------------------------------------

// A row the user selects tells its outcome in the status line; during a run
// the status line belongs to the run's steps.
void TF_main::OnLinkRowChanged(const NMLISTVIEW& change) {
    if (running_ || change.iItem < 0 || !(change.uChanged & LVIF_STATE) ||
        !(change.uNewState & LVIS_SELECTED) || (change.uOldState & LVIS_SELECTED))
        return;
    SetStatus(linkTable_->StatusOf(change.iItem));
}

LRESULT TF_main::OnNotify(const NMHDR& header) {
    if (header.hwndFrom == buttonTips_ && header.code == TTN_GETDISPINFOW) {
        OnButtonTipText(*reinterpret_cast<NMTTDISPINFOW*>(const_cast<NMHDR*>(&header)));
        return 0;
    }
    if (header.hwndFrom == pageControl1_ && header.code == TCN_SELCHANGE) {
        OnPageChanged();
        return 0;
    }
    if (header.hwndFrom == linkTable_->hwnd()) {
        if (header.code == LVN_ITEMCHANGED)
            OnLinkRowChanged(*reinterpret_cast<const NMLISTVIEW*>(&header));
        return linkTable_->OnNotify(header);
    }
    if (header.code == NM_CUSTOMDRAW && ::GetParent(header.hwndFrom) == hwnd() &&
        std::find(speedButtons_.begin(), speedButtons_.end(), header.hwndFrom) !=
            speedButtons_.end())
        return OnSpeedButtonCustomDraw(
            *reinterpret_cast<NMCUSTOMDRAW*>(const_cast<NMHDR*>(&header)));
    return 0;
}

// The button draws its own face, pressed and hot states included; the picture
// and the caption are ours: the picture at the left with a 5-pixel margin, the
// caption beside it (the button itself would centre the two together).
LRESULT TF_main::OnSpeedButtonCustomDraw(NMCUSTOMDRAW& draw) const {
    if (draw.dwDrawStage != CDDS_PREPAINT)
        return CDRF_DODEFAULT;
    const auto index = static_cast<std::size_t>(
        std::find(speedButtons_.begin(), speedButtons_.end(), draw.hdr.hwndFrom) -
        speedButtons_.begin());
    HWND button = speedButtons_[index];
    RECT face = draw.rc;
    // Unthemed buttons move their content down and right while pressed.
    if ((draw.uItemState & CDIS_SELECTED) && !::GetWindowTheme(button))
        ::OffsetRect(&face, 1, 1);
    const int iconSize = Scaled(kButtonIconSize96);
    const int iconLeft = face.left + Scaled(kButtonPictureMargin96);
    const int iconTop = face.top + (face.bottom - face.top - iconSize) / 2;
    ::DrawIconEx(draw.hdc, iconLeft, iconTop, buttonIcons_[index].get(), iconSize, iconSize, 0,
                 nullptr, DI_NORMAL);
    const std::wstring caption = win::WindowText(button);
    RECT text = face;
    text.left = iconLeft + iconSize + Scaled(kButtonPictureSpacing96);
    const win::SavedDc saved(draw.hdc);
    ::SelectObject(draw.hdc, buttonFont_.get());
    ::SetBkMode(draw.hdc, TRANSPARENT);
    ::SetTextColor(draw.hdc, ::GetSysColor(COLOR_BTNTEXT));
    ::DrawTextW(draw.hdc, caption.c_str(), static_cast<int>(caption.size()), &text,
                DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
    return CDRF_SKIPDEFAULT;
}

// The speed buttons are pressed with the mouse only and never take the
// focus: the press is tracked here instead of by the button, which would
// focus itself.
LRESULT CALLBACK TF_main::SpeedButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR, DWORD_PTR) {
    const auto inside = [&] {
        RECT client{};
        ::GetClientRect(window, &client);
        const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        return ::PtInRect(&client, point) != FALSE;
    };
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        ::SetCapture(window);
        ::SendMessageW(window, BM_SETSTATE, TRUE, 0);
        return 0;
    case WM_MOUSEMOVE:
        if (::GetCapture() == window)
            ::SendMessageW(window, BM_SETSTATE, inside(), 0);
        break;
    case WM_LBUTTONUP:
        if (::GetCapture() == window) {
            ::ReleaseCapture();
            ::SendMessageW(window, BM_SETSTATE, FALSE, 0);
            if (inside())
                ::SendMessageW(::GetParent(window), WM_COMMAND,
                               MAKEWPARAM(::GetDlgCtrlID(window), BN_CLICKED),
                               reinterpret_cast<LPARAM>(window));
        }
        return 0;
    case WM_CAPTURECHANGED:
        ::SendMessageW(window, BM_SETSTATE, FALSE, 0);
        break;
    case WM_SETFOCUS:
        return 0;
    case WM_GETDLGCODE:
        return DLGC_STATIC;
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(window, &TF_main::SpeedButtonProc, 0);
        break;
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}

} // namespace marovan
