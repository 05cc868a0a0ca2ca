#include "tests/e2e/Driver.h"

#include "platform/Handles.h"
#include "resources/resource.h"
#include "tests/e2e/Input.h"
#include "tests/e2e/Picture.h"

#include <commctrl.h>
#include <commdlg.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <thread>

namespace marovan::e2e {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

namespace {

constexpr milliseconds kPoll{25};
constexpr int kMessageTextId = 0xFFFF;
constexpr UINT kSetSelectionW = WM_USER + 103; // BFFM_SETSELECTIONW

std::wstring Seconds(milliseconds patience) {
    const auto tenths = patience.count() / 100;
    return std::to_wstring(tenths / 10) +
           (tenths % 10 ? L"." + std::to_wstring(tenths % 10) : L"") + L" s";
}

std::wstring Quoted(std::wstring_view text) {
    return L"\"" + std::wstring(text) + L"\"";
}

bool IsDialog(HWND window) {
    return ClassOf(window) == L"#32770";
}

bool IsFolderPrompt(HWND window) {
    return IsDialog(window) && FindDescendant(window, L"SysTreeView32") != nullptr;
}

bool IsFilePrompt(HWND window) {
    return IsDialog(window) && (FindDescendant(window, L"ComboBoxEx32", 0x47c) ||
                                FindDescendant(window, L"SHELLDLL_DefView"));
}

bool IsMessageBox(HWND window) {
    return IsDialog(window) && !IsFolderPrompt(window) && !IsFilePrompt(window) &&
           FindDescendant(window, L"Static", kMessageTextId) != nullptr;
}

void Click(HWND button) {
    ::PostMessageW(button, BM_CLICK, 0, 0);
}

HWND DialogButton(HWND dialog, int id) {
    const HWND button = ::GetDlgItem(dialog, id);
    if (!button)
        throw DriverError(L"the dialog '" + TextOf(dialog) + L"' has no button with id " +
                          std::to_wstring(id));
    return button;
}

// Message boxes show one of the system's icons. Its handle belongs to the
// other process, so the icon is recognised by its pixels: the Static holding
// it is captured from the screen and compared with each system icon drawn on
// the same background.
struct IconCandidate {
    Icon icon;
    LPCWSTR resource;
};
const IconCandidate kSystemIcons[] = {{Icon::Error, IDI_ERROR},
                                      {Icon::Information, IDI_INFORMATION},
                                      {Icon::Warning, IDI_WARNING},
                                      {Icon::Question, IDI_QUESTION}};

double Mismatch(const Picture& seen, HICON icon) {
    const std::uint32_t background = seen.Pixel(0, 0);
    win::WindowDc screen(nullptr);
    win::UniqueDc memory(::CreateCompatibleDC(screen.get()));
    win::UniqueBitmap bitmap(::CreateCompatibleBitmap(screen.get(), seen.width, seen.height));
    {
        win::SelectedObject selected(memory.get(), bitmap.get());
        win::UniqueBrush fill(::CreateSolidBrush(
            RGB((background >> 16) & 0xFF, (background >> 8) & 0xFF, background & 0xFF)));
        const RECT all{0, 0, seen.width, seen.height};
        ::FillRect(memory.get(), &all, fill.get());
        ::DrawIconEx(memory.get(), 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = seen.width;
    info.bmiHeader.biHeight = -seen.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint8_t> drawn(static_cast<std::size_t>(seen.width) * seen.height * 4);
    ::GetDIBits(memory.get(), bitmap.get(), 0, static_cast<UINT>(seen.height), drawn.data(), &info,
                DIB_RGB_COLORS);
    std::size_t differing = 0;
    const std::size_t pixels = static_cast<std::size_t>(seen.width) * seen.height;
    for (std::size_t i = 0; i < pixels; ++i) {
        const int dr = drawn[i * 4 + 2] - seen.rgb[i * 3];
        const int dg = drawn[i * 4 + 1] - seen.rgb[i * 3 + 1];
        const int db = drawn[i * 4] - seen.rgb[i * 3 + 2];
        if (std::max({std::abs(dr), std::abs(dg), std::abs(db)}) > 24)
            ++differing;
    }
    return static_cast<double>(differing) / static_cast<double>(pixels);
}

Icon RecogniseIcon(HWND iconStatic) {
    RECT rect{};
    ::GetWindowRect(iconStatic, &rect);
    const Picture seen = CaptureScreen(rect);
    Icon best = Icon::Unknown;
    // Measured: the shown icon matches its own exactly (0 %), the nearest other
    // (information against question) differs in 7 % of its pixels.
    double bestMismatch = 0.02;
    for (const IconCandidate& candidate : kSystemIcons) {
        const double mismatch = Mismatch(seen, ::LoadIconW(nullptr, candidate.resource));
        if (mismatch < bestMismatch) {
            bestMismatch = mismatch;
            best = candidate.icon;
        }
    }
    return best;
}

HWND IconStatic(HWND box) {
    for (HWND child : Descendants(box))
        if (ClassOf(child) == L"Static" &&
            (::GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            return child;
    return nullptr;
}

} // namespace

std::wstring NameOf(Icon icon) {
    switch (icon) {
    case Icon::None:
        return L"no icon";
    case Icon::Error:
        return L"error icon";
    case Icon::Information:
        return L"information icon";
    case Icon::Warning:
        return L"warning icon";
    case Icon::Question:
        return L"question icon";
    case Icon::Unknown:
        break;
    }
    return L"unrecognised icon";
}

std::wstring CurrentTestName() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    if (!test)
        return L"no-test";
    std::string name = std::string(test->test_suite_name()) + "." + test->name();
    std::replace(name.begin(), name.end(), '/', '_');
    return std::wstring(name.begin(), name.end());
}

// --- Program ---------------------------------------------------------------

Program::Program(const fs::path& exe, const std::vector<std::wstring>& arguments,
                 const Prepare& prepare)
    : folder_(L"app") {
    copy_ = folder_.path() / exe.filename();
    std::error_code error;
    fs::copy_file(exe, copy_, error);
    if (error)
        throw DriverError(L"cannot copy " + exe.wstring() + L" to " + copy_.wstring());
    if (prepare)
        prepare(folder_.path());

    std::wstring commandLine = Quoted(copy_.wstring());
    for (const std::wstring& argument : arguments)
        commandLine += L" " + argument;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (!::CreateProcessW(copy_.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder_.path().c_str(), &startup, &info_))
        throw DriverError(L"cannot start " + copy_.wstring() + L" (error " +
                          std::to_wstring(::GetLastError()) + L")");
}

Program::~Program() {
    if (!info_.hProcess)
        return;
    std::wstring problem;
    if (Running()) {
        std::vector<std::wstring> open;
        for (HWND window : Windows())
            if (IsDialog(window) && ::IsWindowVisible(window))
                open.push_back(L"'" + CaptionOf(window) + L"'");
        if (!open.empty()) {
            problem = L"left open at the end of the scenario:";
            for (const auto& caption : open)
                problem += L" " + caption;
            Kill();
        } else {
            try {
                Close(milliseconds(5000));
            } catch (const std::exception& failure) {
                problem = L"closing failed: " + FromUtf8(failure.what());
                Kill();
            }
        }
    }
    if (!problem.empty() && !::testing::Test::HasFailure())
        ADD_FAILURE() << Utf8(problem);
    CheckExitCode();
    ::CloseHandle(info_.hThread);
    ::CloseHandle(info_.hProcess);
}

bool Program::Running() const {
    return ::WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD Program::Close(milliseconds patience) {
    closeAsked_ = true;
    for (HWND window : Windows()) {
        const std::wstring name = ClassOf(window);
        if (!::GetWindow(window, GW_OWNER) && name != L"IME" && name != L"MSCTFIME UI")
            ::PostMessageW(window, WM_CLOSE, 0, 0);
    }
    if (::WaitForSingleObject(info_.hProcess, static_cast<DWORD>(patience.count())) !=
        WAIT_OBJECT_0)
        Fail(L"the program did not end within " + Seconds(patience) + L" of being closed");
    DWORD code = 0;
    ::GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

void Program::Kill() {
    if (Running()) {
        killed_ = true;
        ::TerminateProcess(info_.hProcess, 99);
        ::WaitForSingleObject(info_.hProcess, 5000);
    }
}

// A crash while closing (a double free in a destructor, say) leaves every
// window gone as a clean close does: only the exit code tells them apart.
void Program::CheckExitCode() const {
    if (!expectedExitCode_ || killed_ || Running())
        return;
    DWORD code = 0;
    if (!::GetExitCodeProcess(info_.hProcess, &code)) {
        ADD_FAILURE() << "cannot read the program's exit code (error " << ::GetLastError() << ")";
        return;
    }
    if (!closeAsked_)
        ADD_FAILURE() << "the program ended before the scenario closed it, with exit code 0x"
                      << std::hex << code;
    else if (code != *expectedExitCode_)
        ADD_FAILURE() << "the program ended with exit code 0x" << std::hex << code
                      << " when it was closed, instead of " << std::dec << *expectedExitCode_;
}

void Program::Fail(const std::wstring& message) const {
    std::wstring text = message;
    try {
        text += L"\n  open windows:\n" + DescribeWindows();
        text += L"  screenshot: " + SaveScreenshot(L"failure-" + CurrentTestName()).wstring();
    } catch (const std::exception&) {
    }
    throw DriverError(text);
}

void Program::WaitUntil(std::wstring_view what, const std::function<bool()>& done,
                        milliseconds patience) const {
    const auto deadline = steady_clock::now() + patience;
    for (;;) {
        if (done())
            return;
        if (!Running()) {
            DWORD code = 0;
            ::GetExitCodeProcess(info_.hProcess, &code);
            Fail(L"the program ended (exit code " + std::to_wstring(code) +
                 L") while waiting for " + std::wstring(what));
        }
        if (steady_clock::now() > deadline)
            Fail(L"timed out after " + Seconds(patience) + L" waiting for " + std::wstring(what));
        std::this_thread::sleep_for(kPoll);
    }
}

namespace {

struct WindowSearch {
    DWORD process;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM search) {
    auto* s = reinterpret_cast<WindowSearch*>(search);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == s->process)
        s->found.push_back(window);
    return TRUE;
}

} // namespace

std::vector<HWND> Program::Windows() const {
    WindowSearch search{Id(), {}};
    ::EnumWindows(&CollectTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND Program::FindWindowOf(std::wstring_view className, std::wstring_view caption) const {
    for (HWND window : Windows())
        if (ClassOf(window) == className && CaptionOf(window) == caption)
            return window;
    return nullptr;
}

HWND Program::WaitForWindow(std::wstring_view className, std::wstring_view caption,
                            milliseconds patience) const {
    HWND found = nullptr;
    WaitUntil(
        L"a window of class " + std::wstring(className) + L" captioned '" + std::wstring(caption) +
            L"'",
        [&] {
            found = FindWindowOf(className, caption);
            return found && ::IsWindowVisible(found);
        },
        patience);
    return found;
}

std::wstring Program::DescribeWindows() const {
    std::wstring text;
    for (HWND window : Windows()) {
        const std::wstring name = ClassOf(window);
        if (name == L"IME" || name == L"MSCTFIME UI")
            continue;
        text += L"    " + name + L" '" + CaptionOf(window) + L"'" +
                (::IsWindowVisible(window) ? L"" : L" (hidden)");
        if (const HWND message = IsDialog(window) ? ::GetDlgItem(window, kMessageTextId) : nullptr)
            text += L": " + CaptionOf(message);
        text += L"\n";
    }
    return text.empty() ? L"    none\n" : text;
}

void Program::WaitUntilGone(HWND window, std::wstring_view what) const {
    WaitUntil(what, [&] { return !::IsWindow(window) || !::IsWindowVisible(window); });
}

std::filesystem::path Program::Screenshot(std::wstring_view name) const {
    // Let the program finish painting what it has just changed.
    for (HWND window : Windows())
        if (::IsWindowVisible(window))
            ::RedrawWindow(window, nullptr, nullptr,
                           RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    std::this_thread::sleep_for(milliseconds(300));
    return SaveScreenshot(name);
}

// --- Message boxes -----------------------------------------------------------

HWND Program::FindMessageBox() const {
    for (HWND window : Windows())
        if (::IsWindowVisible(window) && IsMessageBox(window))
            return window;
    return nullptr;
}

MessageBoxContent Program::ReadMessageBox(milliseconds patience) const {
    HWND box = nullptr;
    WaitUntil(
        L"a message box", [&] { return (box = FindMessageBox()) != nullptr; }, patience);
    MessageBoxContent content;
    content.caption = TextOf(box);
    content.text = TextOf(::GetDlgItem(box, kMessageTextId));
    content.owner = ::GetWindow(box, GW_OWNER);
    ::GetWindowRect(box, &content.rect);
    for (HWND child : Descendants(box))
        if (ClassOf(child) == L"Button" && ::IsWindowVisible(child))
            content.buttons.push_back(TextOf(child));
    content.icon = Icon::None;
    if (const HWND iconStatic = IconStatic(box); iconStatic && ::IsWindowVisible(iconStatic)) {
        // The box may still be painting: give the icon a moment to appear.
        const auto deadline = steady_clock::now() + milliseconds(2000);
        do {
            content.icon = RecogniseIcon(iconStatic);
            if (content.icon != Icon::Unknown)
                break;
            std::this_thread::sleep_for(milliseconds(100));
        } while (steady_clock::now() < deadline);
    }
    return content;
}

void Program::CloseMessageBox(CloseBy how) const {
    const HWND box = FindMessageBox();
    if (!box)
        Fail(L"no message box to close");
    const std::wstring waitingFor = L"the message box '" + TextOf(box) + L"' to close";
    switch (how) {
    case CloseBy::OkButton:
        Click(DialogButton(box, IDOK));
        break;
    case CloseBy::Escape: {
        // The key goes where the user's key would go: the box's focused
        // button, through the box's own dialog message handling.
        GUITHREADINFO thread{};
        thread.cbSize = sizeof(thread);
        HWND target = DialogButton(box, IDOK);
        if (::GetGUIThreadInfo(::GetWindowThreadProcessId(box, nullptr), &thread) &&
            thread.hwndFocus && ::IsChild(box, thread.hwndFocus))
            target = thread.hwndFocus;
        ::PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        ::PostMessageW(target, WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0010001u));
        break;
    }
    case CloseBy::CloseBox:
        ::PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    }
    WaitUntilGone(box, waitingFor);
}

MessageBoxContent Program::AnswerMessageBox(CloseBy how) const {
    MessageBoxContent content = ReadMessageBox();
    CloseMessageBox(how);
    return content;
}

void Program::ExpectMessageBox(std::wstring_view caption, std::wstring_view text, Icon icon,
                               CloseBy how) const {
    const MessageBoxContent box = AnswerMessageBox(how);
    EXPECT_EQ(Utf8(box.caption), Utf8(caption)) << "caption of the box saying " << Utf8(box.text);
    EXPECT_EQ(Utf8(box.text), Utf8(text));
    EXPECT_EQ(Utf8(NameOf(box.icon)), Utf8(NameOf(icon))) << "icon of the box " << Utf8(box.text);
    EXPECT_EQ(box.buttons, std::vector<std::wstring>{L"OK"}) << "buttons of " << Utf8(box.text);
}

void Program::ExpectErrorBox(std::wstring_view text, CloseBy how) const {
    ExpectMessageBox(L"エラー", text, Icon::Error, how);
}

void Program::ExpectInformationBox(std::wstring_view text, CloseBy how) const {
    ExpectMessageBox(L"情報", text, Icon::Information, how);
}

std::vector<MessageBoxContent>
Program::AnswerMessageBoxesUntil(const std::function<bool(const MessageBoxContent&)>& last,
                                 milliseconds patience) const {
    std::vector<MessageBoxContent> seen;
    for (;;) {
        seen.push_back(ReadMessageBox(patience));
        CloseMessageBox();
        if (last(seen.back()))
            return seen;
        if (seen.size() > 50)
            Fail(L"more than 50 message boxes in a row, the last saying " + seen.back().text);
    }
}

// --- The folder prompt -------------------------------------------------------

HWND Program::FindFolderPrompt() const {
    // A closed prompt may linger hidden for a moment beside the next one.
    HWND hidden = nullptr;
    for (HWND window : Windows())
        if (IsFolderPrompt(window)) {
            if (::IsWindowVisible(window))
                return window;
            hidden = window;
        }
    return hidden;
}

HWND Program::WaitForFolderPrompt(milliseconds patience) const {
    HWND prompt = nullptr;
    WaitUntil(
        L"the folder prompt",
        [&] {
            for (HWND window : Windows())
                if (::IsWindowVisible(window) && IsFolderPrompt(window))
                    return (prompt = window) != nullptr;
            return false;
        },
        patience);
    return prompt;
}

std::wstring Program::FolderPromptText() const {
    const HWND prompt = WaitForFolderPrompt();
    for (HWND child : Descendants(prompt))
        if (ClassOf(child) == L"Static" && ::IsWindowVisible(child))
            if (std::wstring text = TextOf(child); !text.empty())
                return text;
    return {};
}

namespace {

// Walks down from the selected drive by folder names, selecting each.
void WalkTree(HWND tree, const std::vector<std::wstring>& names) {
    LPARAM item = SelectedTreeItem(tree);
    for (const std::wstring& name : names) {
        LPARAM next = 0;
        for (LPARAM child : TreeChildren(tree, item))
            if (::CompareStringOrdinal(TreeItemText(tree, child).c_str(), -1, name.c_str(), -1,
                                       TRUE) == CSTR_EQUAL)
                next = child;
        if (!next)
            return;
        SelectTreeItem(tree, next);
        item = next;
    }
}

} // namespace

void Program::ChooseFolder(const fs::path& folder) const {
    const HWND prompt = WaitForFolderPrompt();
    const HWND tree = FindDescendant(prompt, L"SysTreeView32");
    const std::wstring path = folder.wstring();
    const std::wstring name = folder.filename().wstring();
    const std::wstring drive = folder.root_path().wstring();
    std::vector<std::wstring> names;
    for (const auto& part : folder.relative_path())
        names.push_back(part.wstring());

    WindowProcess process(prompt);
    RemoteMemory text(process.get(), (path.size() + 1) * sizeof(wchar_t));
    const auto request = [&](const std::wstring& target) {
        text.Write(0, target.c_str(), (target.size() + 1) * sizeof(wchar_t));
        Send(prompt, kSetSelectionW, TRUE, text.At(0));
    };
    // The prompt is asked for the folder itself first. A fresh prompt may
    // ignore that, and says nothing either way; and under Wine a folder below
    // the user's profile is looked for among the profile's special folders
    // and not found. Then the driver selects the drive and walks down the
    // tree by the folders' names, as a user clicking through it would.
    const auto selected = [&] { return TreeItemText(tree, SelectedTreeItem(tree)) == name; };
    WaitUntil(L"the folder prompt to select " + path, [&] {
        request(path);
        if (selected())
            return true;
        request(drive);
        WalkTree(tree, names);
        return selected();
    });
    Click(DialogButton(prompt, IDOK));
    WaitUntilGone(prompt, L"the folder prompt to accept " + path);
}

void Program::ChooseDriveRoot(const fs::path& root) const {
    const HWND prompt = WaitForFolderPrompt();
    const HWND tree = FindDescendant(prompt, L"SysTreeView32");
    const std::wstring path = root.wstring();
    // A drive's item is labelled with its letter and colon among other words.
    const std::wstring letter = path.substr(0, 2);
    WindowProcess process(prompt);
    RemoteMemory text(process.get(), (path.size() + 1) * sizeof(wchar_t));
    text.Write(0, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
    WaitUntil(L"the folder prompt to select the drive " + path, [&] {
        Send(prompt, kSetSelectionW, TRUE, text.At(0));
        return TreeItemText(tree, SelectedTreeItem(tree)).find(letter) != std::wstring::npos;
    });
    Click(DialogButton(prompt, IDOK));
    WaitUntilGone(prompt, L"the folder prompt to accept " + path);
}

void Program::CancelFolderPrompt() const {
    const HWND prompt = WaitForFolderPrompt();
    Click(DialogButton(prompt, IDCANCEL));
    WaitUntilGone(prompt, L"the folder prompt to close");
}

// --- The file prompt ---------------------------------------------------------

HWND Program::WaitForFilePrompt(std::wstring_view title, milliseconds patience) const {
    return WaitForWindow(L"#32770", title, patience);
}

namespace {

HWND FileNameBox(HWND prompt) {
    if (const HWND combo = FindDescendant(prompt, L"ComboBoxEx32", 0x47c))
        if (const HWND edit = FindDescendant(combo, L"Edit"))
            return edit;
    if (const HWND edit = FindDescendant(prompt, L"Edit", 0x480))
        return edit;
    throw DriverError(L"the file prompt '" + TextOf(prompt) + L"' has no file-name box");
}

} // namespace

std::wstring Program::FilePromptFileName(std::wstring_view title) const {
    return TextOf(FileNameBox(WaitForFilePrompt(title)));
}

std::wstring Program::FilePromptFolder(std::wstring_view title) const {
    const HWND prompt = WaitForFilePrompt(title);
    constexpr std::size_t kChars = 32768;
    WindowProcess process(prompt);
    RemoteMemory folder(process.get(), kChars * sizeof(wchar_t));
    const LRESULT length = Send(prompt, CDM_GETFOLDERPATH, kChars, folder.At(0));
    if (length <= 0)
        Fail(L"the file prompt '" + TextOf(prompt) + L"' gives no folder");
    return folder.ReadText(0, kChars);
}

void Program::ChooseFile(std::wstring_view title, const fs::path& file) const {
    const HWND prompt = WaitForFilePrompt(title);
    const std::wstring path = file.wstring();
    Send(FileNameBox(prompt), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    Click(DialogButton(prompt, IDOK));
    WaitUntil(L"the file prompt to accept " + path, [&] {
        if (const HWND box = FindMessageBox(); box && ::GetWindow(box, GW_OWNER) == prompt)
            Fail(L"the file prompt refused " + path + L": " +
                 TextOf(::GetDlgItem(box, kMessageTextId)));
        return !::IsWindow(prompt) || !::IsWindowVisible(prompt);
    });
}

void Program::SubmitFileName(std::wstring_view title, const fs::path& file) const {
    const HWND prompt = WaitForFilePrompt(title);
    const std::wstring path = file.wstring();
    Send(FileNameBox(prompt), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    Click(DialogButton(prompt, IDOK));
}

void Program::CancelFilePrompt(std::wstring_view title) const {
    const HWND prompt = WaitForFilePrompt(title);
    Click(DialogButton(prompt, IDCANCEL));
    WaitUntilGone(prompt, L"the file prompt to close");
}

// --- Marovan -----------------------------------------------------------------

Marovan::Marovan(const fs::path& exe, const std::vector<std::wstring>& arguments,
                 const Prepare& prepare)
    : Program(exe, arguments, prepare) {
    ExpectExitCodeAtClose(0);
}

Marovan Marovan::Start(const std::vector<std::wstring>& arguments, const Prepare& prepare) {
    return Marovan(PathFromEnvironment(L"MAROVAN_EXE"), arguments, prepare);
}

HWND Marovan::Main() const {
    HWND main = nullptr;
    WaitUntil(L"the main window (TF_main 'Marovan')",
              [&] { return (main = FindWindowOf(L"TF_main", L"Marovan")) != nullptr; });
    return main;
}

HWND Marovan::WaitForMainWindow() const {
    HWND main = nullptr;
    WaitUntil(L"the main window to be shown", [&] {
        main = FindWindowOf(L"TF_main", L"Marovan");
        return main && ::IsWindowVisible(main);
    });
    return main;
}

bool Marovan::MainWindowVisible() const {
    const HWND main = FindWindowOf(L"TF_main", L"Marovan");
    return main && ::IsWindowVisible(main);
}

HWND Marovan::Control(int id) const {
    const HWND main = Main();
    const HWND control = FindDescendant(main, nullptr, id);
    if (!control)
        Fail(L"the main window has no control with id " + std::to_wstring(id));
    return control;
}

void Marovan::Press(std::wstring_view caption) const {
    const HWND main = WaitForMainWindow();
    std::wstring captions;
    for (HWND child : Descendants(main)) {
        if (ClassOf(child) != L"Button")
            continue;
        const std::wstring text = TextOf(child);
        if (text != caption) {
            captions += L" '" + text + L"'";
            continue;
        }
        if (!::IsWindowVisible(child) || !::IsWindowEnabled(child) || !::IsWindowEnabled(main))
            Fail(L"cannot press " + std::wstring(caption) +
                 L": the button or the main window takes no input now");
        Click(child);
        return;
    }
    Fail(L"the main window has no button '" + std::wstring(caption) + L"'; it has" + captions);
}

void Marovan::PressDetailsToggle() const {
    Press(ButtonCaption(IDC_DETAILS));
}

std::wstring Marovan::ButtonCaption(int id) const {
    return TextOf(Control(id));
}
std::wstring Marovan::Title() const {
    return TextOf(Control(IDC_TITLE));
}
std::wstring Marovan::Status() const {
    return TextOf(Control(IDC_STATUS));
}
std::wstring Marovan::Destination() const {
    return TextOf(Control(IDC_DESTINATION));
}

ProgressBar Marovan::Progress() const {
    const HWND bar = Control(IDC_PROGRESS);
    ProgressBar progress;
    progress.position = static_cast<int>(Send(bar, PBM_GETPOS));
    progress.minimum = static_cast<int>(Send(bar, PBM_GETRANGE, TRUE));
    progress.maximum = static_cast<int>(Send(bar, PBM_GETRANGE, FALSE));
    return progress;
}

SIZE Marovan::WindowSize() const {
    RECT rect{};
    ::GetWindowRect(Main(), &rect);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

void Marovan::ResizeTo(int width, int height) const {
    const HWND main = WaitForMainWindow();
    ::SetWindowPos(main, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    WaitUntil(L"the main window to take the size " + std::to_wstring(width) + L" x " +
                  std::to_wstring(height),
              [&] {
                  const SIZE size = WindowSize();
                  return size.cx == width && size.cy == height;
              });
}

std::vector<std::wstring> Marovan::Tabs() const {
    return TabCaptions(Control(IDC_PAGES));
}

std::wstring Marovan::DocumentText() const {
    return TextOf(Control(IDC_DOCUMENT_TEXT));
}

std::vector<std::vector<std::wstring>> Marovan::Table() const {
    const HWND table = Control(IDC_LINK_TABLE);
    std::vector<std::vector<std::wstring>> rows{HeaderTitles(table)};
    for (auto& row : ListViewItems(table))
        rows.push_back(std::move(row));
    return rows;
}

std::vector<int> Marovan::ColumnWidths() const {
    return ListViewColumnWidths(Control(IDC_LINK_TABLE));
}

RECT Marovan::CellOnScreen(std::size_t row, int column) const {
    const HWND table = Control(IDC_LINK_TABLE);
    RECT rect = row == 0 ? HeaderItemRect(table, column)
                         : ListViewCellRect(table, static_cast<int>(row - 1), column);
    ::MapWindowPoints(table, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::wstring Marovan::StatusOfRow(std::size_t row) const {
    const HWND table = Control(IDC_LINK_TABLE);
    Send(table, LVM_ENSUREVISIBLE, row - 1, FALSE);
    AwaitPostedMessages();
    const RECT cell = CellOnScreen(row, 2);
    const POINT at{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
    // A click that follows the last closely is at times not seen under Wine;
    // a user would click again.
    auto next = std::chrono::steady_clock::now();
    WaitUntil(L"row " + std::to_wstring(row) + L" to be selected", [&] {
        if (static_cast<std::size_t>(static_cast<int>(
                Send(table, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED))) == row - 1)
            return true;
        // A click goes where the pointer is: a move not yet seen would send
        // it elsewhere (on the collect button, say).
        POINT pointer{};
        if (!::GetCursorPos(&pointer) || pointer.x != at.x || pointer.y != at.y) {
            MovePointer(at);
            return false;
        }
        if (std::chrono::steady_clock::now() >= next) {
            LeftClick(at);
            next = std::chrono::steady_clock::now() + std::chrono::milliseconds(700);
        }
        return false;
    });
    AwaitPostedMessages();
    return Status();
}

std::size_t Marovan::TableRowCount() const {
    return static_cast<std::size_t>(Send(Control(IDC_LINK_TABLE), LVM_GETITEMCOUNT)) + 1;
}

std::wstring Marovan::TableCell(std::size_t row, int column) const {
    if (row == 0)
        Fail(L"TableCell reads link rows only");
    const HWND table = Control(IDC_LINK_TABLE);
    WindowProcess process(table);
    constexpr std::size_t kTextOffset = 256;
    // The buffer grows until the text fits with room to spare.
    for (std::size_t chars = 4096;; chars *= 4) {
        RemoteMemory block(process.get(), kTextOffset + chars * sizeof(wchar_t));
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iSubItem = column;
        item.pszText = reinterpret_cast<wchar_t*>(block.At(kTextOffset));
        item.cchTextMax = static_cast<int>(chars);
        block.Write(0, &item, sizeof(item));
        const auto length = static_cast<std::size_t>(
            Send(table, LVM_GETITEMTEXTW, static_cast<WPARAM>(row - 1), block.At(0)));
        if (length + 1 < chars || chars >= (std::size_t{1} << 24))
            return block.ReadText(kTextOffset, length);
    }
}

void Marovan::WaitForTableRows(std::size_t rows) const {
    WaitUntil(L"the link table to have " + std::to_wstring(rows) + L" rows",
              [&] { return Table().size() == rows; });
}

void Marovan::WaitForStatus(std::wstring_view status) const {
    WaitUntil(L"the status line '" + std::wstring(status) + L"'",
              [&] { return Status() == status; });
}

HWND Marovan::WaitForDocumentPrompt() const {
    return WaitForFilePrompt(kDocumentPromptTitle);
}

void Marovan::Collect(const fs::path& destination, const fs::path& document) const {
    PressCollect();
    ChooseFolder(destination);
    ChooseDocument(document);
}

Program::Prepare Marovan::WithSettings(std::wstring text) {
    return [text = std::move(text)](const fs::path& folder) {
        WriteBytes(folder / L"MRV.ini", Cp932(text));
    };
}

void Marovan::ChooseDocument(const fs::path& document) const {
    ChooseFile(kDocumentPromptTitle, document);
}

void Marovan::CancelDocumentPrompt() const {
    CancelFilePrompt(kDocumentPromptTitle);
}

std::wstring Marovan::DocumentPromptFileName() const {
    return FilePromptFileName(kDocumentPromptTitle);
}

void Marovan::AwaitPostedMessages() const {
    // Posted messages of a thread are handled in the order they came, by
    // whichever message loop runs (a prompt's or a box's as well); the flag
    // is set and cleared again, so every call sees a change.
    const HWND view = Control(IDC_DOCUMENT_TEXT);
    const bool before = Send(view, EM_GETMODIFY) != 0;
    for (const bool marker : {!before, before}) {
        if (!::PostMessageW(view, EM_SETMODIFY, marker, 0))
            Fail(L"cannot post a marker to the program (error " +
                 std::to_wstring(::GetLastError()) + L")");
        WaitUntil(L"the program to handle the messages posted before a marker",
                  [&] { return (Send(view, EM_GETMODIFY) != 0) == marker; });
    }
}

void Marovan::Drop(const std::vector<fs::path>& files) const {
    std::wstring names;
    for (const fs::path& file : files) {
        names += file.wstring();
        names += L'\0';
    }
    names += L'\0';
    DROPFILES header{};
    header.pFiles = sizeof(header);
    header.fWide = TRUE;
    // The program's DragFinish frees the block, which the driver allocated:
    // Wine accepts that; Explorer avoids it on Windows by allocating the
    // block in the target itself.
    RemoteMemory block(Handle(), sizeof(header) + names.size() * sizeof(wchar_t));
    block.Write(0, &header, sizeof(header));
    block.Write(sizeof(header), names.data(), names.size() * sizeof(wchar_t));
    if (!::PostMessageW(Main(), WM_DROPFILES, reinterpret_cast<WPARAM>(block.address()), 0))
        Fail(L"cannot post the drop to the program (error " + std::to_wstring(::GetLastError()) +
             L")");
    block.HandOver();
}

void Marovan::ExpectFailureReport(std::wstring_view text) const {
    // MB_ICONSTOP is the error icon.
    ExpectMessageBox(L"Marovan", text, Icon::Error);
}

} // namespace marovan::e2e
