#pragma once
// The link table on screen: a report list view with owner data over the run's
// links. Its header row and its column of row numbers are fixed cells, drawn
// alike: themed and hot-tracked with visual styles, raised button-shadow cells
// without. The Result column shows bold marks centred on white. The view owns
// its fonts, brush, row-height image list, header theme and outcome tip, and
// makes the first four anew for each DPI, new before old.

#include "main/LinkTable.h"
#include "platform/Handles.h"

#include <windows.h>

#include <commctrl.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace marovan {

class LinkTableView {
public:
    // Creates the list view as a visible child of `parent`, placed later by
    // the parent's layout; throws Failure when it cannot.
    LinkTableView(HWND parent, int id, const Links& links, const DocumentPaths& documents, int dpi);
    ~LinkTableView();
    LinkTableView(const LinkTableView&) = delete;
    LinkTableView& operator=(const LinkTableView&) = delete;

    HWND hwnd() const noexcept { return listView_; }

    // Fonts, row height, column widths and theme for `dpi`.
    void SetDpi(int dpi);
    // The system's visual style was switched: the header theme is opened anew.
    void OnThemeChanged();

    // Shows as many rows as the links need, with the header titles.
    void SyncRows();
    void RedrawLink(std::size_t index);
    // `count` links were inserted at `first`: the rows are synchronised, and
    // a selected row below them keeps its link, as the list view keeps only
    // the numbers of its selected items. Without a selected row below, the
    // rows are left for the next SyncRows.
    void LinksInserted(std::size_t first, std::size_t count);
    // Width in pixels of `text` in the table's font, and in its bold form.
    int TextWidth(std::u16string_view text) const;
    int BoldTextWidth(std::u16string_view text) const;
    void SetColumnWidth(int column, int width);

    // WM_NOTIFY from the list view, which the parent hands on.
    LRESULT OnNotify(const NMHDR& header);

    // The link a list item shows; nothing for a document's row. The one place
    // that knows how items and links correspond.
    std::optional<std::size_t> LinkOfItem(int item) const;
    // What the tip and the status line tell of a list item: what became of
    // its link, or the path of its document.
    std::u16string StatusOf(int item) const;

    // The links of the selected items in table order; every link when no
    // item is selected.
    std::vector<std::size_t> LinksToExport() const;
    // Selects every item that shows a link (Ctrl+A).
    void SelectAllLinks();
    // Where a shortcut menu asked for from the keyboard opens: below the
    // focused selected item, else the first selected one, else the table's
    // top left corner; in screen coordinates.
    POINT MenuPointForKeyboard() const;

private:
    void CreateFonts();
    void ApplyFonts();
    void OpenHeaderTheme();
    int Scaled(int value96) const;

    void OnDispInfo(NMLVDISPINFOW& info) const;
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw);
    LRESULT OnHeaderCustomDraw(NMCUSTOMDRAW& draw);
    void DrawFixedCell(HDC dc, RECT cell, bool hot, std::u16string_view text) const;
    void DrawResultCell(HDC dc, int row, RECT cell) const;
    void SetHotRowNumberCell(int row);
    void SetHotHeaderItem(int item);
    void CreateOutcomeTip();
    void FitOutcomeTip() const;
    void SetTipRow(int row);
    void RelayToTip(HWND window, UINT message, WPARAM wParam, LPARAM lParam) const;
    void OnTipText(NMTTDISPINFOW& info);

    static LRESULT CALLBACK ListViewProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    static LRESULT CALLBACK HeaderProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

    int TextWidthIn(HFONT font, std::u16string_view text) const;

    const Links& links_;
    const DocumentPaths& documents_;
    int dpi_;
    HWND listView_ = nullptr;
    HWND header_ = nullptr;
    win::UniqueFont font_, boldFont_;
    win::UniqueBrush whiteBrush_;
    // Rows are as high as the small image list, whatever the font.
    win::UniqueImageList rowHeight_;
    win::UniqueTheme headerTheme_; // null without visual styles
    int hotRowNumberCell_ = -1;
    int hotHeaderItem_ = -1;
    // A pop-up is owned by the top-level window, not by the list view it was
    // created over: the view destroys it itself, before the list view goes.
    win::UniqueWindow tip_;
    int tipRow_ = -1;
    std::wstring tipText_; // what the tip shows, kept while it shows it
};

} // namespace marovan
