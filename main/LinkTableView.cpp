#include "main/LinkTableView.h"

#include "base/Failure.h"
#include "platform/Dpi.h"
#include "platform/WinText.h"
#include "resources/resource.h"

#include <vssym32.h>
#include <windowsx.h>

#include <algorithm>
#include <array>
#include <string>
#include <utility>

namespace marovan {

using win::View;

namespace {

constexpr int kRowHeight96 = 20;
constexpr int kCellMargin96 = 2;
constexpr std::array<int, kColumnCount> kColumnWidths96 = {30, 35, 150, 500};
constexpr int kTipWidth96 = 600;
constexpr UINT_PTR kOutcomeTool = 1;

constexpr COLORREF kWhite = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF kFailureColour = RGB(0xFF, 0x00, 0x00); // red
constexpr COLORREF kFoundColour = RGB(0x00, 0x00, 0xFF);   // blue

using OpenThemeDataForDpiFn = HTHEME(WINAPI*)(HWND, LPCWSTR, UINT);

// The theme of column headers at the table's DPI, tied to no window: opened on
// a control it would become that control's own theme (GetWindowTheme returns
// the handle opened last), and a control closes its own theme when it goes.
HTHEME OpenHeaderThemeFor(int dpi) noexcept {
    static const auto openForDpi = [] {
        HMODULE uxtheme = ::GetModuleHandleW(L"uxtheme.dll");
        return uxtheme ? reinterpret_cast<OpenThemeDataForDpiFn>(reinterpret_cast<void*>(
                             ::GetProcAddress(uxtheme, "OpenThemeDataForDpi")))
                       : nullptr;
    }();
    if (openForDpi)
        if (HTHEME theme = openForDpi(nullptr, L"HEADER", static_cast<UINT>(dpi)))
            return theme;
    return ::OpenThemeData(nullptr, L"HEADER");
}

void TrackLeave(HWND window) noexcept {
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof(track);
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = window;
    ::TrackMouseEvent(&track);
}

} // namespace

LinkTableView::LinkTableView(HWND parent, int id, const Links& links,
                             const DocumentPaths& documents, int dpi)
    : links_(links)
    , documents_(documents)
    , dpi_(dpi) {
    // The row-height image list is ours: without LVS_SHAREIMAGELISTS the list
    // view would destroy it too (Wine's does not; Windows' does).
    listView_ =
        ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS |
                              LVS_OWNERDATA | LVS_NOSORTHEADER | LVS_SHAREIMAGELISTS,
                          0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                          ::GetModuleHandleW(nullptr), nullptr);
    if (!listView_)
        throw Failure(win::U16(win::SystemMessage(::GetLastError())));
    header_ = ListView_GetHeader(listView_);
    ListView_SetExtendedListViewStyle(listView_, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES |
                                                     LVS_EX_DOUBLEBUFFER);
    for (int column = 0; column < kColumnCount; ++column) {
        LVCOLUMNW c{};
        c.mask = LVCF_WIDTH | LVCF_TEXT;
        c.cx = Scaled(kColumnWidths96[column]);
        c.pszText = const_cast<wchar_t*>(L"");
        ListView_InsertColumn(listView_, column, &c);
    }
    ::SetWindowSubclass(listView_, &LinkTableView::ListViewProc, 0,
                        reinterpret_cast<DWORD_PTR>(this));
    if (header_)
        ::SetWindowSubclass(header_, &LinkTableView::HeaderProc, 0,
                            reinterpret_cast<DWORD_PTR>(this));
    whiteBrush_.reset(::CreateSolidBrush(kWhite));
    CreateFonts();
    ApplyFonts();
    OpenHeaderTheme();
    CreateOutcomeTip();
    SyncRows();
}

// One tool over the whole table; its text is the outcome of the row under the
// pointer, asked for each time the tip is about to show.
void LinkTableView::CreateOutcomeTip() {
    tip_.reset(::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                 WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, listView_, nullptr,
                                 ::GetModuleHandleW(nullptr), nullptr));
    if (!tip_)
        return; // the table works without its tips
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = 0; // the list view's mouse messages are relayed below, after the row is known
    tool.hwnd = listView_;
    tool.uId = kOutcomeTool;
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    ::GetClientRect(listView_, &tool.rect);
    ::SendMessageW(tip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    ::SendMessageW(tip_.get(), TTM_SETMAXTIPWIDTH, 0, Scaled(kTipWidth96));
}

void LinkTableView::FitOutcomeTip() const {
    if (!tip_)
        return;
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = listView_;
    tool.uId = kOutcomeTool;
    ::GetClientRect(listView_, &tool.rect);
    ::SendMessageW(tip_.get(), TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    ::SendMessageW(tip_.get(), TTM_SETMAXTIPWIDTH, 0, Scaled(kTipWidth96));
}

// A new row under the pointer: the tip shown for the last one goes, and the
// next one asks for its text afresh.
void LinkTableView::SetTipRow(int row) {
    if (row == tipRow_)
        return;
    tipRow_ = row;
    if (tip_)
        ::SendMessageW(tip_.get(), TTM_POP, 0, 0);
}

// The tip learns of the pointer from the messages the table gets; it is told
// only once the row under the pointer is known, so that it shows that row's
// outcome.
void LinkTableView::RelayToTip(HWND window, UINT message, WPARAM wParam, LPARAM lParam) const {
    if (!tip_)
        return;
    MSG relayed{};
    relayed.hwnd = window;
    relayed.message = message;
    relayed.wParam = wParam;
    relayed.lParam = lParam;
    ::SendMessageW(tip_.get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

void LinkTableView::OnTipText(NMTTDISPINFOW& info) {
    tipText_ = win::Wide(StatusOf(tipRow_ - 1));
    // An empty text shows no tip.
    info.lpszText = tipText_.data();
    info.hinst = nullptr;
}

// Item i is table row i + 1; the header control is row 0.
std::optional<std::size_t> LinkTableView::LinkOfItem(int item) const {
    const TableRow row = RowAt(links_, documents_, item + 1);
    if (row.kind != RowKind::Link)
        return std::nullopt;
    return row.index;
}

std::u16string LinkTableView::StatusOf(int item) const {
    if (const auto link = LinkOfItem(item))
        return OutcomeText(links_[*link]);
    const TableRow row = RowAt(links_, documents_, item + 1);
    if (row.kind == RowKind::Document)
        return documents_[row.index];
    return {};
}

std::vector<std::size_t> LinkTableView::LinksToExport() const {
    std::vector<std::size_t> chosen;
    for (int item = ListView_GetNextItem(listView_, -1, LVNI_SELECTED); item >= 0;
         item = ListView_GetNextItem(listView_, item, LVNI_SELECTED))
        if (const auto link = LinkOfItem(item))
            chosen.push_back(*link);
    if (chosen.empty()) {
        const int items = ListView_GetItemCount(listView_);
        for (int item = 0; item < items; ++item)
            if (const auto link = LinkOfItem(item))
                chosen.push_back(*link);
    }
    return chosen;
}

void LinkTableView::SelectAllLinks() {
    const int items = ListView_GetItemCount(listView_);
    for (int item = 0; item < items; ++item) {
        const UINT state = LinkOfItem(item) ? LVIS_SELECTED : 0;
        ListView_SetItemState(listView_, item, state, LVIS_SELECTED);
    }
}

POINT LinkTableView::MenuPointForKeyboard() const {
    int item = ListView_GetNextItem(listView_, -1, LVNI_FOCUSED | LVNI_SELECTED);
    if (item < 0)
        item = ListView_GetNextItem(listView_, -1, LVNI_SELECTED);
    POINT point{0, 0};
    RECT bounds{};
    if (item >= 0 && ListView_GetItemRect(listView_, item, &bounds, LVIR_LABEL)) {
        RECT client{};
        ::GetClientRect(listView_, &client);
        // A selected item scrolled out of sight gives way to the corner.
        if (bounds.bottom > 0 && bounds.bottom <= client.bottom)
            point = {bounds.left, bounds.bottom};
    }
    ::ClientToScreen(listView_, &point);
    return point;
}

// The parent destroys the list view with itself; when this object goes first,
// the list view is cut loose from everything the object owns.
LinkTableView::~LinkTableView() {
    if (!::IsWindow(listView_)) {
        // The top-level window went first and took its owned tip with it.
        if (!::IsWindow(tip_.get()))
            tip_.release();
        return;
    }
    // The tip asks the list view for its text: it goes while both still work.
    tip_.reset();
    if (header_)
        ::RemoveWindowSubclass(header_, &LinkTableView::HeaderProc, 0);
    ::RemoveWindowSubclass(listView_, &LinkTableView::ListViewProc, 0);
    ListView_SetImageList(listView_, nullptr, LVSIL_SMALL);
}

int LinkTableView::Scaled(int value96) const {
    return win::Scale(value96, dpi_);
}

void LinkTableView::CreateFonts() {
    font_.reset(win::CreateScaledFont({L"ＭＳ ゴシック", 13}, dpi_));
    boldFont_.reset(win::CreateScaledFont({L"ＭＳ ゴシック", 13, true}, dpi_));
}

void LinkTableView::ApplyFonts() {
    ::SendMessageW(listView_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
    win::UniqueImageList rowHeight(ImageList_Create(1, Scaled(kRowHeight96), ILC_COLOR32, 0, 0));
    ListView_SetImageList(listView_, rowHeight.get(), LVSIL_SMALL);
    rowHeight_ = std::move(rowHeight);
}

void LinkTableView::OpenHeaderTheme() {
    win::UniqueTheme theme(OpenHeaderThemeFor(dpi_));
    headerTheme_ = std::move(theme);
}

void LinkTableView::SetDpi(int dpi) {
    dpi_ = dpi;
    // New fonts, image list and theme first; the list view takes them, and
    // only then do the old ones go, as these locals leave.
    const win::UniqueFont oldFont = std::move(font_), oldBoldFont = std::move(boldFont_);
    const win::UniqueImageList oldRowHeight = std::move(rowHeight_);
    const win::UniqueTheme oldTheme = std::move(headerTheme_);
    CreateFonts();
    ApplyFonts();
    OpenHeaderTheme();
    for (int column = 0; column < kColumnCount; ++column)
        ListView_SetColumnWidth(listView_, column, Scaled(kColumnWidths96[column]));
    FitOutcomeTip();
    ::InvalidateRect(listView_, nullptr, TRUE);
}

void LinkTableView::OnThemeChanged() {
    const win::UniqueTheme oldTheme = std::move(headerTheme_);
    OpenHeaderTheme();
    ::InvalidateRect(listView_, nullptr, TRUE);
}

// The list view holds no text of its own: rows come from the link table.
// Item i is table row i + 1; the header control is row 0.
void LinkTableView::SyncRows() {
    for (int column = 1; column < kColumnCount; ++column) {
        const std::wstring title(View(HeaderText(column)));
        LVCOLUMNW c{};
        c.mask = LVCF_TEXT;
        c.pszText = const_cast<wchar_t*>(title.c_str());
        ListView_SetColumn(listView_, column, &c);
    }
    ListView_SetItemCountEx(listView_, RowCount(links_, documents_) - 1, LVSICF_NOSCROLL);
    ::InvalidateRect(listView_, nullptr, FALSE);
}

void LinkTableView::RedrawLink(std::size_t index) {
    // A link's item lies below its document's row and those before it.
    const int item = static_cast<int>(index) +
                     (Grouped(documents_) ? static_cast<int>(links_[index].document) + 1 : 0);
    ListView_RedrawItems(listView_, item, item);
}

void LinkTableView::LinksInserted(std::size_t first, std::size_t count) {
    const int firstItem = static_cast<int>(first) +
                          (Grouped(documents_) ? static_cast<int>(links_[first].document) + 1 : 0);
    const int moved = static_cast<int>(count);
    std::vector<int> selected;
    for (int item = ListView_GetNextItem(listView_, firstItem - 1, LVNI_SELECTED); item >= 0;
         item = ListView_GetNextItem(listView_, item, LVNI_SELECTED))
        selected.push_back(item);
    const int focused = ListView_GetNextItem(listView_, -1, LVNI_FOCUSED);
    if (selected.empty() && focused < firstItem)
        return;
    SyncRows();
    for (const int item : selected)
        ListView_SetItemState(listView_, item, 0, LVIS_SELECTED);
    for (const int item : selected)
        ListView_SetItemState(listView_, item + moved, LVIS_SELECTED, LVIS_SELECTED);
    if (focused >= firstItem)
        ListView_SetItemState(listView_, focused + moved, LVIS_FOCUSED, LVIS_FOCUSED);
}

int LinkTableView::TextWidth(std::u16string_view text) const {
    return TextWidthIn(font_.get(), text);
}

int LinkTableView::BoldTextWidth(std::u16string_view text) const {
    return TextWidthIn(boldFont_.get(), text);
}

int LinkTableView::TextWidthIn(HFONT textFont, std::u16string_view text) const {
    win::WindowDc dc(listView_);
    win::SelectedObject font(dc.get(), textFont);
    SIZE size{};
    ::GetTextExtentPoint32W(dc.get(), View(text).data(), static_cast<int>(text.size()), &size);
    return size.cx;
}

void LinkTableView::SetColumnWidth(int column, int width) {
    ListView_SetColumnWidth(listView_, column, width);
}

LRESULT LinkTableView::OnNotify(const NMHDR& header) {
    switch (header.code) {
    case LVN_GETDISPINFOW:
        OnDispInfo(*reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header)));
        return 0;
    case NM_CUSTOMDRAW:
        return OnCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(const_cast<NMHDR*>(&header)));
    }
    return 0;
}

void LinkTableView::OnDispInfo(NMLVDISPINFOW& info) const {
    LVITEMW& item = info.item;
    const int row = item.iItem + 1;
    if (!(item.mask & LVIF_TEXT) || row < 1 || row >= RowCount(links_, documents_) ||
        item.iSubItem < 0 || item.iSubItem >= kColumnCount || !item.pszText || item.cchTextMax <= 0)
        return;
    const std::u16string cell = CellText(links_, documents_, item.iSubItem, row);
    const std::wstring_view text = View(cell);
    const std::size_t length = std::min<std::size_t>(text.size(), item.cchTextMax - 1);
    std::copy_n(text.data(), length, item.pszText);
    item.pszText[length] = L'\0';
}

LRESULT LinkTableView::OnCustomDraw(NMLVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        const int item = static_cast<int>(draw.nmcd.dwItemSpec);
        const int column = draw.iSubItem;
        if (column != kRowNumber && column != kResult) {
            // A document's name is bold; the font chosen for one cell stays
            // for the cells after it, so every text cell chooses its own.
            const bool documentRow = RowAt(links_, documents_, item + 1).kind == RowKind::Document;
            ::SelectObject(draw.nmcd.hdc,
                           documentRow && column == kFileName ? boldFont_.get() : font_.get());
            return CDRF_NEWFONT;
        }
        RECT cell{};
        ListView_GetSubItemRect(listView_, item, column, LVIR_BOUNDS, &cell);
        const win::SavedDc saved(draw.nmcd.hdc);
        if (column == kRowNumber) {
            // The first sub-item's bounds are the whole row's.
            cell.right = cell.left + ListView_GetColumnWidth(listView_, kRowNumber);
            cell.bottom -= 1; // keep the grid line
            const int row = item + 1;
            DrawFixedCell(draw.nmcd.hdc, cell, row == hotRowNumberCell_,
                          CellText(links_, documents_, kRowNumber, row));
        } else {
            DrawResultCell(draw.nmcd.hdc, item + 1, cell);
        }
        return CDRF_SKIPDEFAULT;
    }
    }
    return CDRF_DODEFAULT;
}

// The header row is drawn as the fixed cells are, its titles with the fixed
// cells' narrow margin: the control's own margins leave no room for "結果"
// in its column.
LRESULT LinkTableView::OnHeaderCustomDraw(NMCUSTOMDRAW& draw) {
    switch (draw.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        const int column = static_cast<int>(draw.dwItemSpec);
        const win::SavedDc saved(draw.hdc);
        DrawFixedCell(draw.hdc, draw.rc, column == hotHeaderItem_, HeaderText(column));
        return CDRF_SKIPDEFAULT;
    }
    }
    return CDRF_DODEFAULT;
}

// A fixed cell: themed and hot-tracked with visual styles, raised
// button-shadow cells without.
void LinkTableView::DrawFixedCell(HDC dc, RECT cell, bool hot, std::u16string_view text) const {
    if (headerTheme_) {
        ::DrawThemeBackground(headerTheme_.get(), dc, HP_HEADERITEM, hot ? HIS_HOT : HIS_NORMAL,
                              &cell, nullptr);
    } else {
        ::FillRect(dc, &cell, ::GetSysColorBrush(COLOR_BTNSHADOW));
        ::DrawEdge(dc, &cell, BDR_RAISEDINNER, BF_RECT);
    }
    ::SelectObject(dc, font_.get());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
    RECT textArea = cell;
    ::InflateRect(&textArea, -Scaled(kCellMargin96), 0);
    ::DrawTextW(dc, View(text).data(), static_cast<int>(text.size()), &textArea,
                DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
}

// The Result column: bold marks centred on white, red for a missing image and
// blue for everything else. With visual styles a 4-pixel strip on the left
// keeps the row's own background.
void LinkTableView::DrawResultCell(HDC dc, int row, RECT cell) const {
    cell.bottom -= 1;
    if (headerTheme_) {
        const bool selected =
            ListView_GetItemState(listView_, row - 1, LVIS_SELECTED) & LVIS_SELECTED;
        RECT strip = cell;
        strip.right = strip.left + Scaled(4);
        ::FillRect(dc, &strip,
                   ::GetSysColorBrush(selected && ::GetFocus() == listView_ ? COLOR_HIGHLIGHT
                                                                            : COLOR_WINDOW));
        cell.left = strip.right;
    }
    ::FillRect(dc, &cell, whiteBrush_.get());
    const auto index = LinkOfItem(row - 1);
    const Link* link = index ? &links_[*index] : nullptr;
    const std::u16string_view text = MarkText(link ? link->mark : Mark::Untested);
    ::SelectObject(dc, boldFont_.get());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, link && link->ShownAsFailure() ? kFailureColour : kFoundColour);
    ::DrawTextW(dc, View(text).data(), static_cast<int>(text.size()), &cell,
                DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
}

void LinkTableView::SetHotRowNumberCell(int row) {
    if (row == hotRowNumberCell_)
        return;
    const int previous = std::exchange(hotRowNumberCell_, row);
    for (int changed : {previous, row})
        if (changed > 0)
            ListView_RedrawItems(listView_, changed - 1, changed - 1);
}

void LinkTableView::SetHotHeaderItem(int item) {
    if (item == hotHeaderItem_)
        return;
    hotHeaderItem_ = item;
    ::InvalidateRect(header_, nullptr, FALSE);
}

LRESULT CALLBACK LinkTableView::ListViewProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<LinkTableView*>(data);
    switch (message) {
    case WM_NOTIFY: {
        // The header's drawing and the tip's text are asked of their parent,
        // the list view.
        auto& header = *reinterpret_cast<NMHDR*>(lParam);
        if (header.hwndFrom == self->header_ && header.code == NM_CUSTOMDRAW)
            return self->OnHeaderCustomDraw(*reinterpret_cast<NMCUSTOMDRAW*>(lParam));
        if (header.hwndFrom == self->tip_.get() && header.code == TTN_GETDISPINFOW) {
            self->OnTipText(*reinterpret_cast<NMTTDISPINFOW*>(lParam));
            return 0;
        }
        break;
    }
    case WM_KEYDOWN: {
        const bool controlOnly = (::GetKeyState(VK_CONTROL) & 0x8000) &&
                                 !(::GetKeyState(VK_SHIFT) & 0x8000) &&
                                 !(::GetKeyState(VK_MENU) & 0x8000);
        if (controlOnly && wParam == 'A') {
            self->SelectAllLinks();
            return 0;
        }
        // Copying is the window's, as from the shortcut menu.
        if (controlOnly && wParam == 'C') {
            ::SendMessageW(::GetParent(window), WM_COMMAND, MAKEWPARAM(IDM_COPY_LINKS, 0), 0);
            return 0;
        }
        break;
    }
    case WM_MOUSEMOVE: {
        LVHITTESTINFO hit{};
        hit.pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        const int item = ListView_SubItemHitTest(window, &hit);
        self->SetHotRowNumberCell(item >= 0 && hit.iSubItem == kRowNumber ? item + 1 : -1);
        self->SetTipRow(item >= 0 ? item + 1 : -1);
        self->RelayToTip(window, message, wParam, lParam);
        TrackLeave(window);
        break;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        self->RelayToTip(window, message, wParam, lParam);
        break;
    case WM_MOUSELEAVE:
        self->SetHotRowNumberCell(-1);
        self->SetTipRow(-1);
        break;
    case WM_SIZE:
        self->FitOutcomeTip();
        break;
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(window, &LinkTableView::ListViewProc, 0);
        break;
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}

LRESULT CALLBACK LinkTableView::HeaderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<LinkTableView*>(data);
    switch (message) {
    case WM_MOUSEMOVE: {
        HDHITTESTINFO hit{};
        hit.pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        const int item = static_cast<int>(
            ::SendMessageW(window, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        self->SetHotHeaderItem(item >= 0 && (hit.flags & HHT_ONHEADER) ? item : -1);
        TrackLeave(window);
        break;
    }
    case WM_MOUSELEAVE:
        self->SetHotHeaderItem(-1);
        break;
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(window, &LinkTableView::HeaderProc, 0);
        break;
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}

} // namespace marovan
