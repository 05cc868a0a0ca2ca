#pragma once
// The main window: title, the five buttons, the status line and progress bar,
// and below them the details: the destination line and the link table, and in
// debug mode the document text.

#include "main/CollectionRun.h"
#include "main/LinkTableView.h"
#include "main/WindowsRunSystem.h"
#include "platform/Handles.h"
#include "platform/MessagePump.h"
#include "platform/Window.h"

#include <windows.h>

#include <commctrl.h>
#include <uxtheme.h>

#include <array>
#include <memory>
#include <string>

namespace marovan {

class TF_main : public win::Window, private RunView {
public:
    TF_main();
    ~TF_main() override;

    // The first show: centred in the work area of the window's monitor.
    void Show(int showCommand);
    int RunMessageLoop();

    // The hidden switch of the About dialog: shows or hides the document text
    // tab and switches the title between "Marovan" and "Debug Mode".
    void ToggleDebugMode();

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // Creation and layout.
    void CreateControls();
    void CreateFonts();
    void ApplyFonts();
    void LoadButtonIcons();
    void LayOut();
    void FormCreate();
    void PerformStartupRuns();

    // Handlers.
    void SpeedButton1Click(); // collect images
    void SpeedButton2Click(); // clear details
    void SpeedButton4Click(); // details toggle
    void SpeedButton5Click(); // Option
    void SpeedButton6Click(); // Info
    void OnDropFiles(HDROP drop);
    // Drops are taken only while no run is going; the system shows the
    // refusal on the pointer otherwise.
    void AcceptDrops(bool accept);
    void OnCommand(int id);
    // The link table's shortcut menu at `screen`, or, from the keyboard
    // (both coordinates -1), at the table's selection.
    void OnLinkTableMenu(POINT screen);
    void CopyLinks();
    void SaveLinks();
    bool CanExportLinks() const;
    void CreateButtonTips();
    void OnButtonTipText(NMTTDISPINFOW& info);
    LRESULT OnNotify(const NMHDR& header);
    void OnLinkRowChanged(const NMLISTVIEW& change);
    LRESULT OnSpeedButtonCustomDraw(NMCUSTOMDRAW& draw) const;
    LRESULT OnCtlColorStatic(HDC dc, HWND control);
    void OnPaint();
    void OnDpiChanged(int dpi) override;
    void OnClose();
    void OnPageChanged();

    class RunGoing;
    static LRESULT CALLBACK SpeedButtonProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

    // RunView.
    void ClearDetails() override;
    void SetStatus(std::u16string_view text) override;
    void StepProgress() override;
    void SetProgressMax(int maximum) override;
    void SetDestinationLine(std::u16string_view text) override;
    void BeginDocumentText() override;
    void SetDocument(DocumentBytes bytes, std::u16string_view path, bool whole) override;
    void ResumeDocumentRedraw() override;
    void LinkAdded() override;
    void LinksInserted(std::size_t first, std::size_t count) override;
    void LinkChanged(std::size_t index) override;
    void DocumentsChosen(std::u16string_view destination) override;
    int TextWidth(std::u16string_view text) override;
    int BoldTextWidth(std::u16string_view text) override;
    int ScaledWidth(int width96) override;
    void SetColumnWidth(int column, int width) override;
    void KeepResponsive() override;
    void ShowMessage(MessageKind kind, std::u16string_view text) override;

    void RepaintNow();
    void ShowLinkRows();
    void FillDocumentView();
    void ReadRestOfDocument();
    void SizeStatusToText();
    void ShowPageControls();
    bool IsDocumentPageShown() const;

    HWND label2_ = nullptr; // title
    HWND label1_ = nullptr; // status line
    std::array<HWND, 5> speedButtons_{};
    HWND progressBar1_ = nullptr;
    HWND pageControl1_ = nullptr;
    HWND memo1_ = nullptr;       // document text
    HWND panel2_ = nullptr;      // destination line
    HWND buttonTips_ = nullptr;  // owned by the window, destroyed with it
    std::wstring buttonTipText_; // what a tip shows, kept while it shows it
    win::UniqueAccelerators accelerators_;

    win::UniqueFont windowFont_, titleFont_, buttonFont_, lineFont_, memoFont_;
    win::UniqueBrush panelBrush_;
    std::array<win::UniqueIcon, 5> buttonIcons_;

    Links links_;                              // the last run's
    DocumentPaths documents_;                  // the documents links_ came from
    std::u16string lastDestination_;           // where the last run collected
    std::unique_ptr<LinkTableView> linkTable_; // shows links_
    DocumentBytes documentBytes_;              // decoded into the debug view when it is shown
    std::u16string documentRestPath_;          // where the rest of it is, until it is read
    bool documentViewStale_ = false;
    bool documentRedrawSuspended_ = false;
    bool debugMode_ = false;

    WindowsRunSystem system_;
    bool running_ = false;
    bool dropsAccepted_ = false;
    bool closeRequested_ = false;
    win::MessagePump pump_;
    win::Pacer linkRepaint_{win::MessagePump::kInterval};
    bool linkRowsShown_ = true;
};

} // namespace marovan
