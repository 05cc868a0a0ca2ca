#include "opt/TF_opt.h"

#include "base/Failure.h"
#include "platform/Dpi.h"
#include "platform/MessageBoxes.h"
#include "resources/resource.h"
#include "settings/SendTo.h"
#include "settings/Settings.h"

#include <commctrl.h>

#include <optional>
#include <string>
#include <utility>

namespace marovan {

namespace {

constexpr int kClientWidth96 = 444;
constexpr int kClientHeight96 = 264;
constexpr win::FontSpec kFont{L"Tahoma", 11};

struct Control {
    int id;
    const wchar_t* caption;
    DWORD style;
    int left96, top96, width96, height96;
};

constexpr DWORD kCheckBox = BS_AUTOCHECKBOX;
// Plain push buttons: the dialog has no default button, so Enter only presses
// the button that has the focus.
constexpr DWORD kButton = BS_PUSHBUTTON;

// In tab order, which is the order of creation.
constexpr Control kControls[] = {
    {IDC_OPT_AI_COPY, L"AIファイルも収集フォルダにコピーする", kCheckBox, 40, 24, 380, 17},
    {IDC_OPT_FOLDER_OPEN, L"画像収集後に収集フォルダを開く", kCheckBox, 40, 55, 380, 17},
    {IDC_OPT_ERR_SEARCH, L"画像パスにファイルが無い場合、AIファイルのあるフォルダ内を探す",
     kCheckBox, 40, 86, 380, 17},
    {IDC_OPT_OK, L"OK", kButton, 248, 222, 75, 25},
    {IDC_OPT_CANCEL, L"キャンセル", kButton, 329, 222, 75, 25},
    {IDC_OPT_SENDTO, L"右クリックの「送る」に登録する", kCheckBox, 40, 117, 380, 17},
    {IDC_OPT_SUB_SEARCH, L"サブフォルダも探す", kCheckBox, 40, 148, 380, 17},
    {IDC_OPT_NESTED_LINKS, L"配置したAI・PDF・EPSのリンクも集める", kCheckBox, 40, 179, 380, 17},
};

} // namespace

void TF_opt::ShowModal(HWND owner) {
    RunModal(owner, L"Option", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0);
}

void TF_opt::OnInit() {
    for (const Control& control : kControls)
        CreateControl(WC_BUTTONW, control.caption, WS_TABSTOP | control.style, control.id);
    const settings::AllOptions options = settings::ReadAll();
    ::CheckDlgButton(hwnd(), IDC_OPT_AI_COPY, options.aiCopy ? BST_CHECKED : BST_UNCHECKED);
    ::CheckDlgButton(hwnd(), IDC_OPT_FOLDER_OPEN, options.folderOpen ? BST_CHECKED : BST_UNCHECKED);
    ::CheckDlgButton(hwnd(), IDC_OPT_ERR_SEARCH, options.errSearch ? BST_CHECKED : BST_UNCHECKED);
    ::CheckDlgButton(hwnd(), IDC_OPT_SENDTO, options.sendTo ? BST_CHECKED : BST_UNCHECKED);
    ::CheckDlgButton(hwnd(), IDC_OPT_SUB_SEARCH, options.subSearch ? BST_CHECKED : BST_UNCHECKED);
    ::CheckDlgButton(hwnd(), IDC_OPT_NESTED_LINKS,
                     options.nestedLinks ? BST_CHECKED : BST_UNCHECKED);
    FollowErrSearch();

    SizeClientAndCentre(kClientWidth96, kClientHeight96);
    LayOut();
    ::SetFocus(::GetDlgItem(hwnd(), IDC_OPT_AI_COPY));
}

bool TF_opt::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    result = 0;
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED)
        return OnCommand(LOWORD(wParam));
    if (message == WM_CLOSE) {
        // The close box cancels; without this the dialog manager would turn
        // it into IDCANCEL, which Esc also sends and which does nothing.
        Button2Click();
        return true;
    }
    return false;
}

bool TF_opt::OnCommand(int id) {
    switch (id) {
    case IDC_OPT_ERR_SEARCH:
        FollowErrSearch();
        return true;
    case IDC_OPT_OK:
        Button1Click();
        return true;
    case IDC_OPT_CANCEL:
        Button2Click();
        return true;
    case IDOK:     // Enter while a check box has the focus
    case IDCANCEL: // Esc
        return true;
    }
    return false;
}

void TF_opt::Button1Click() {
    const auto failureOf = [](auto&& action) -> std::optional<std::u16string> {
        try {
            action();
            return std::nullopt;
        } catch (const Failure& failure) {
            return failure.Message();
        }
    };
    // A disabled Sub Search box keeps its tick, and so does the file: the
    // search needs both keys anyway.
    settings::AllOptions options{IsChecked(IDC_OPT_AI_COPY),    IsChecked(IDC_OPT_FOLDER_OPEN),
                                 IsChecked(IDC_OPT_ERR_SEARCH), IsChecked(IDC_OPT_SENDTO),
                                 IsChecked(IDC_OPT_SUB_SEARCH), IsChecked(IDC_OPT_NESTED_LINKS)};
    std::optional<std::u16string> failure = failureOf([&] {
        settings::WriteAll(options);
        sendto::Apply(options.sendTo);
    });
    // The stored value tells whether the shortcut is there now, whatever was
    // asked for and whatever went wrong on the way.
    if (const bool registered = sendto::IsRegistered(); registered != options.sendTo) {
        options.sendTo = registered;
        ::CheckDlgButton(hwnd(), IDC_OPT_SENDTO, registered ? BST_CHECKED : BST_UNCHECKED);
        const auto rewrite = failureOf([&] { settings::WriteAll(options); });
        if (!failure)
            failure = rewrite;
    }
    if (failure) {
        // The dialog stays open, so the user can try again or cancel.
        win::ReportFailure(hwnd(), *failure);
        return;
    }
    End(IDC_OPT_OK);
}

void TF_opt::Button2Click() {
    End(IDC_OPT_CANCEL);
}

void TF_opt::FollowErrSearch() {
    // The subfolders are searched only after the document's own folder.
    ::EnableWindow(::GetDlgItem(hwnd(), IDC_OPT_SUB_SEARCH), IsChecked(IDC_OPT_ERR_SEARCH));
}

void TF_opt::OnDpiChanged(int) {
    LayOut();
}

void TF_opt::LayOut() {
    // The old font is deleted only after every control has the new one.
    win::UniqueFont font(win::CreateScaledFont(kFont, dpi()));
    for (const Control& control : kControls) {
        const HWND child = ::GetDlgItem(hwnd(), control.id);
        ::SetWindowPos(child, nullptr, Scaled(control.left96), Scaled(control.top96),
                       Scaled(control.width96), Scaled(control.height96),
                       SWP_NOZORDER | SWP_NOACTIVATE);
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    }
    font_ = std::move(font);
}

bool TF_opt::IsChecked(int id) const noexcept {
    return ::IsDlgButtonChecked(hwnd(), id) == BST_CHECKED;
}

} // namespace marovan
