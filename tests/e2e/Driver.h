#pragma once
// The end-to-end driver: starts a fresh copy of a program, finds its windows
// and works them from outside as a user would. Every wait is bounded; when a
// scenario waits in vain the driver saves a screenshot and throws a
// DriverError saying what it was waiting for, and the program is killed when
// its owner goes.

#include "tests/e2e/Fixtures.h"
#include "tests/e2e/Remote.h"

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace marovan::e2e {

inline constexpr std::chrono::milliseconds kPatience{10000};

enum class Icon { None, Error, Information, Warning, Question, Unknown };
std::wstring NameOf(Icon icon);

// The ways a user can answer a message box.
enum class CloseBy { OkButton, Escape, CloseBox };

struct MessageBoxContent {
    std::wstring caption;
    std::wstring text;
    Icon icon = Icon::None;
    std::vector<std::wstring> buttons;
    HWND owner = nullptr;
    RECT rect{};
};

struct ProgressBar {
    int position = 0;
    int minimum = 0;
    int maximum = 0;
};

// One running program in a temporary folder of its own.
class Program {
public:
    using Prepare = std::function<void(const std::filesystem::path& folder)>;

    // Copies `exe` into a fresh folder, lets `prepare` add to that folder, and
    // starts the copy there; `arguments` follow the program's quoted path on
    // the command line verbatim, separated by spaces.
    Program(const std::filesystem::path& exe, const std::vector<std::wstring>& arguments,
            const Prepare& prepare = {});
    // Closes the program (WM_CLOSE, bounded wait), kills it when it does not
    // end, and removes its folder. A prompt or box left open, or a program
    // that had to be killed, fails a scenario that has not failed yet; an
    // exit code other than the one expected at close (if one is) fails it
    // in any case, as does a program that ended before it was closed.
    virtual ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    const std::filesystem::path& Folder() const noexcept { return folder_.path(); }
    const std::filesystem::path& Executable() const noexcept { return copy_; }
    DWORD Id() const noexcept { return info_.dwProcessId; }
    HANDLE Handle() const noexcept { return info_.hProcess; }
    bool Running() const;
    // Asks the program to close and waits for its end; its exit code.
    DWORD Close(std::chrono::milliseconds patience = kPatience);
    // Ends the program at once; its exit code is not checked then.
    void Kill();

    // Polls `done` until it holds; throws with `what` when time runs out or
    // the program ends first.
    void WaitUntil(std::wstring_view what, const std::function<bool()>& done,
                   std::chrono::milliseconds patience = kPatience) const;

    // Top-level windows of this program (owned popups included).
    std::vector<HWND> Windows() const;
    HWND FindWindowOf(std::wstring_view className, std::wstring_view caption) const;
    HWND WaitForWindow(std::wstring_view className, std::wstring_view caption,
                       std::chrono::milliseconds patience = kPatience) const;
    // The open windows as "class 'caption'" lines, for failure messages.
    std::wstring DescribeWindows() const;

    // Message boxes: "#32770" windows holding the message Static (id 0xFFFF).
    HWND FindMessageBox() const;
    MessageBoxContent ReadMessageBox(std::chrono::milliseconds patience = kPatience) const;
    void CloseMessageBox(CloseBy how = CloseBy::OkButton) const;
    // Reads the box, closes it, and returns what it said.
    MessageBoxContent AnswerMessageBox(CloseBy how = CloseBy::OkButton) const;
    void ExpectMessageBox(std::wstring_view caption, std::wstring_view text, Icon icon,
                          CloseBy how = CloseBy::OkButton) const;
    void ExpectErrorBox(std::wstring_view text, CloseBy how = CloseBy::OkButton) const;
    void ExpectInformationBox(std::wstring_view text, CloseBy how = CloseBy::OkButton) const;
    // Answers each box as it appears, until one that `last` accepts has been
    // answered too; every box in the order seen. For runs in which the system
    // may show boxes of its own before the program's.
    std::vector<MessageBoxContent>
    AnswerMessageBoxesUntil(const std::function<bool(const MessageBoxContent&)>& last,
                            std::chrono::milliseconds patience = kPatience) const;

    // The folder prompt (SHBrowseForFolder).
    // A folder prompt of the program, a shown one first, else one still
    // hidden, or null.
    HWND FindFolderPrompt() const;
    HWND WaitForFolderPrompt(std::chrono::milliseconds patience = kPatience) const;
    std::wstring FolderPromptText() const;
    // Selects `folder` in the prompt's tree and presses OK.
    void ChooseFolder(const std::filesystem::path& folder) const;
    // Selects the root of a drive ("X:\\") in the prompt's tree and presses OK.
    void ChooseDriveRoot(const std::filesystem::path& root) const;
    void CancelFolderPrompt() const;

    // The file prompt (GetOpenFileName), found by its title.
    HWND WaitForFilePrompt(std::wstring_view title,
                           std::chrono::milliseconds patience = kPatience) const;
    std::wstring FilePromptFileName(std::wstring_view title) const;
    // The folder the file prompt shows.
    std::wstring FilePromptFolder(std::wstring_view title) const;
    void ChooseFile(std::wstring_view title, const std::filesystem::path& file) const;
    // Types `file` into the file prompt's name box and presses OK, without
    // waiting for the prompt to accept it (it may open a folder instead).
    void SubmitFileName(std::wstring_view title, const std::filesystem::path& file) const;
    void CancelFilePrompt(std::wstring_view title) const;

    std::filesystem::path Screenshot(std::wstring_view name) const;

protected:
    [[noreturn]] void Fail(const std::wstring& message) const;
    // The exit code the program owes when it is closed.
    void ExpectExitCodeAtClose(DWORD code) noexcept { expectedExitCode_ = code; }

private:
    void WaitUntilGone(HWND window, std::wstring_view what) const;
    void CheckExitCode() const;

    TempFolder folder_;
    std::filesystem::path copy_;
    PROCESS_INFORMATION info_{};
    std::optional<DWORD> expectedExitCode_;
    bool closeAsked_ = false;
    bool killed_ = false;
};

// Marovan itself, started from the build tree (MAROVAN_EXE).
class Marovan : public Program {
public:
    static Marovan Start(const std::vector<std::wstring>& arguments = {},
                         const Prepare& prepare = {});

    // The main window ("TF_main" "Marovan"), shown or not yet.
    HWND Main() const;
    // Waits until the main window is on screen.
    HWND WaitForMainWindow() const;
    bool MainWindowVisible() const;

    // Presses a button of the main window by its caption.
    void Press(std::wstring_view caption) const;
    void PressCollect() const { Press(L"画像収集"); }
    void PressClearDetails() const { Press(L"詳細クリア"); }
    void PressDetailsToggle() const;

    std::wstring ButtonCaption(int id) const;
    std::wstring Title() const;
    std::wstring Status() const;
    std::wstring Destination() const;
    ProgressBar Progress() const;
    SIZE WindowSize() const;
    // Moves the window's lower right corner as a user dragging its border.
    void ResizeTo(int width, int height) const;
    std::vector<std::wstring> Tabs() const;
    std::wstring DocumentText() const;
    // Row 0 is the header; rows 1.. are the table's rows, 4 cells each.
    std::vector<std::vector<std::wstring>> Table() const;
    std::vector<int> ColumnWidths() const;
    // For tables too large or cells too long for Table(): the row count
    // (header included) and one cell of a link row (rows counted from 1).
    std::size_t TableRowCount() const;
    std::wstring TableCell(std::size_t row, int column) const;
    // A cell of the table on screen, rows counted as in Table().
    RECT CellOnScreen(std::size_t row, int column) const;
    // Scrolls a row into view, selects it with a click on its file name, as a
    // user does, and returns what the status line says once it is selected.
    std::wstring StatusOfRow(std::size_t row) const;

    // Waits until the table has `rows` rows, header included.
    void WaitForTableRows(std::size_t rows) const;
    void WaitForStatus(std::wstring_view status) const;

    void ChooseDocument(const std::filesystem::path& document) const;
    // A whole collection as a user starts it: the collect button, then both
    // prompts answered.
    void Collect(const std::filesystem::path& destination,
                 const std::filesystem::path& document) const;
    // Prepares the program's folder with a settings file of that text (CP932).
    static Prepare WithSettings(std::wstring text);
    void CancelDocumentPrompt() const;
    std::wstring DocumentPromptFileName() const;
    HWND WaitForDocumentPrompt() const;

    // Drops `files` on the main window, as Explorer delivers a drop from
    // another process: a DROPFILES block in the program's memory, posted with
    // WM_DROPFILES.
    void Drop(const std::vector<std::filesystem::path>& files) const;

    // The general error report: caption "Marovan", stop icon.
    void ExpectFailureReport(std::wstring_view text) const;

    // Returns once the program has handled every message posted to its main
    // window's thread before the call: what a negative check waits on. A
    // marker posted behind them to the hidden debug view (its modification
    // flag, which the program never reads) is seen only then. Real keyboard
    // and mouse input is not ordered by it: posted messages overtake input.
    void AwaitPostedMessages() const;

private:
    Marovan(const std::filesystem::path& exe, const std::vector<std::wstring>& arguments,
            const Prepare& prepare);
    HWND Control(int id) const;
};

inline constexpr wchar_t kDocumentPromptTitle[] = L"イラストレーターファイルを選択してください";

// Names a screenshot after the running test.
std::wstring CurrentTestName();

} // namespace marovan::e2e
