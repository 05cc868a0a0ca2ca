#pragma once
// Reading Marovan's controls from another process. Common-control messages
// that carry pointers need the structure and its text buffer in the target's
// address space; plain messages go through SendMessageTimeout so that a hung
// program turns into a failed test instead of a hung driver.

#include <windows.h>

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace marovan::e2e {

// Thrown when the driver cannot do or see what a scenario asks for; its text
// says what was expected.
class DriverError : public std::runtime_error {
public:
    explicit DriverError(const std::wstring& message);
};

std::string Utf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);

// A block of memory inside another process, freed with it.
class RemoteMemory {
public:
    RemoteMemory(HANDLE process, std::size_t size);
    ~RemoteMemory();
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    void* address() const noexcept { return address_; }
    // `offset` bytes into the block, as an address of the target process.
    LPARAM At(std::size_t offset) const noexcept;
    void Write(std::size_t offset, const void* data, std::size_t size);
    void Read(std::size_t offset, void* data, std::size_t size) const;
    std::wstring ReadText(std::size_t offset, std::size_t maxChars) const;
    // Leaves the block to the target process, which frees it itself.
    void HandOver() noexcept { address_ = nullptr; }

private:
    HANDLE process_;
    void* address_;
    std::size_t size_;
};

// SendMessageTimeout that fails the scenario when the window does not answer.
LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0,
             UINT timeoutMs = 5000);

// WM_GETTEXT, which the system marshals across processes itself.
std::wstring TextOf(HWND window);
// The window text the system keeps for a window, read without sending it a
// message, so a hung program cannot block the driver.
std::wstring CaptionOf(HWND window);
std::wstring ClassOf(HWND window);

// Child windows, depth first, in the order the system lists them.
std::vector<HWND> Descendants(HWND parent);
HWND FindDescendant(HWND parent, const wchar_t* className, int id = -1);

// The process a window belongs to, opened for remote memory access.
class WindowProcess {
public:
    explicit WindowProcess(HWND window);
    ~WindowProcess();
    WindowProcess(const WindowProcess&) = delete;
    WindowProcess& operator=(const WindowProcess&) = delete;
    HANDLE get() const noexcept { return process_; }

private:
    HANDLE process_;
};

// A report-view list view: the header titles, then every item's cells.
std::vector<std::wstring> HeaderTitles(HWND listView);
std::vector<std::vector<std::wstring>> ListViewItems(HWND listView);
std::vector<int> ListViewColumnWidths(HWND listView);
// Client coordinates of a header item, and of an item's cell.
RECT HeaderItemRect(HWND listView, int column);
RECT ListViewCellRect(HWND listView, int item, int column);

std::vector<std::wstring> TabCaptions(HWND tabControl);
int SelectedTab(HWND tabControl);

// Tree view items by handle; an item's children are listed after expanding it.
LPARAM SelectedTreeItem(HWND treeView);
std::wstring TreeItemText(HWND treeView, LPARAM item);
std::vector<LPARAM> TreeChildren(HWND treeView, LPARAM item);
void SelectTreeItem(HWND treeView, LPARAM item);

} // namespace marovan::e2e
