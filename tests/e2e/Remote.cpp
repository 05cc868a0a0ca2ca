#include "tests/e2e/Remote.h"

#include <commctrl.h>

namespace marovan::e2e {

std::string Utf8(std::wstring_view text) {
    if (text.empty())
        return {};
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                          nullptr, nullptr);
    return out;
}

std::wstring FromUtf8(std::string_view text) {
    if (text.empty())
        return {};
    const int size =
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

DriverError::DriverError(const std::wstring& message)
    : std::runtime_error(Utf8(message)) {}

namespace {

std::wstring Hex(const void* value) {
    wchar_t text[32];
    ::swprintf(text, 32, L"%p", value);
    return text;
}

} // namespace

RemoteMemory::RemoteMemory(HANDLE process, std::size_t size)
    : process_(process)
    , address_(::VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))
    , size_(size) {
    if (!address_)
        throw DriverError(L"cannot allocate memory in Marovan's process (error " +
                          std::to_wstring(::GetLastError()) + L")");
}

RemoteMemory::~RemoteMemory() {
    if (address_)
        ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
}

LPARAM RemoteMemory::At(std::size_t offset) const noexcept {
    return reinterpret_cast<LPARAM>(static_cast<char*>(address_) + offset);
}

void RemoteMemory::Write(std::size_t offset, const void* data, std::size_t size) {
    SIZE_T written = 0;
    if (offset + size > size_ ||
        !::WriteProcessMemory(process_, reinterpret_cast<void*>(At(offset)), data, size,
                              &written) ||
        written != size)
        throw DriverError(L"cannot write Marovan's memory at " +
                          Hex(reinterpret_cast<void*>(At(offset))));
}

void RemoteMemory::Read(std::size_t offset, void* data, std::size_t size) const {
    SIZE_T read = 0;
    if (offset + size > size_ ||
        !::ReadProcessMemory(process_, reinterpret_cast<void*>(At(offset)), data, size, &read) ||
        read != size)
        throw DriverError(L"cannot read Marovan's memory at " +
                          Hex(reinterpret_cast<void*>(At(offset))));
}

std::wstring RemoteMemory::ReadText(std::size_t offset, std::size_t maxChars) const {
    std::wstring text(maxChars, L'\0');
    Read(offset, text.data(), maxChars * sizeof(wchar_t));
    text.resize(text.find(L'\0') == std::wstring::npos ? maxChars : text.find(L'\0'));
    return text;
}

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT timeoutMs) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                               timeoutMs, &result)) {
        const DWORD error = ::GetLastError();
        if (!::IsWindow(window))
            throw DriverError(L"window " + Hex(window) + L" went away before it answered message " +
                              std::to_wstring(message));
        throw DriverError(L"window " + Hex(window) + L" (" + ClassOf(window) +
                          L") did not answer message " + std::to_wstring(message) + L" within " +
                          std::to_wstring(timeoutMs) + L" ms (error " + std::to_wstring(error) +
                          L")");
    }
    return static_cast<LRESULT>(result);
}

std::wstring TextOf(HWND window) {
    const auto length = static_cast<std::size_t>(Send(window, WM_GETTEXTLENGTH));
    std::wstring text(length + 1, L'\0');
    const auto copied = static_cast<std::size_t>(
        Send(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data())));
    text.resize(copied < length ? copied : length);
    return text;
}

std::wstring CaptionOf(HWND window) {
    wchar_t text[1024] = {};
    ::GetWindowTextW(window, text, 1024);
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    ::GetClassNameW(window, name, 256);
    return name;
}

namespace {

BOOL CALLBACK CollectChild(HWND child, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
    return TRUE;
}

} // namespace

std::vector<HWND> Descendants(HWND parent) {
    std::vector<HWND> children;
    ::EnumChildWindows(parent, &CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

HWND FindDescendant(HWND parent, const wchar_t* className, int id) {
    for (HWND child : Descendants(parent)) {
        if (className && ClassOf(child) != className)
            continue;
        if (id != -1 && ::GetDlgCtrlID(child) != id)
            continue;
        return child;
    }
    return nullptr;
}

WindowProcess::WindowProcess(HWND window)
    : process_(nullptr) {
    DWORD id = 0;
    ::GetWindowThreadProcessId(window, &id);
    process_ = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE |
                                 PROCESS_QUERY_INFORMATION,
                             FALSE, id);
    if (!process_)
        throw DriverError(L"cannot open the process of window " + Hex(window));
}

WindowProcess::~WindowProcess() {
    ::CloseHandle(process_);
}

namespace {

// Every pointer-carrying request below uses one block: the structure first,
// its text buffer after it.
constexpr std::size_t kTextOffset = 256;
constexpr std::size_t kTextChars = 4096;
constexpr std::size_t kBlockSize = kTextOffset + kTextChars * sizeof(wchar_t);

} // namespace

namespace {

// The texts of a control's `count` items, asked one by one with `message`
// and an item structure (HDITEMW, TCITEMW) placed in the control's process.
template <typename Item>
std::vector<std::wstring> ItemTexts(HWND control, HWND owner, int count, UINT message,
                                    UINT textMask, const wchar_t* what) {
    WindowProcess process(owner);
    RemoteMemory block(process.get(), kBlockSize);
    std::vector<std::wstring> texts;
    for (int i = 0; i < count; ++i) {
        Item item{};
        item.mask = textMask;
        item.pszText = reinterpret_cast<wchar_t*>(block.At(kTextOffset));
        item.cchTextMax = kTextChars;
        block.Write(0, &item, sizeof(item));
        const wchar_t nothing = L'\0';
        block.Write(kTextOffset, &nothing, sizeof(nothing));
        if (!Send(control, message, static_cast<WPARAM>(i), block.At(0)))
            throw DriverError(std::wstring(what) + L" failed for item " + std::to_wstring(i));
        texts.push_back(block.ReadText(kTextOffset, kTextChars));
    }
    return texts;
}

} // namespace

std::vector<std::wstring> HeaderTitles(HWND listView) {
    const HWND header = reinterpret_cast<HWND>(Send(listView, LVM_GETHEADER));
    if (!header)
        throw DriverError(L"the list view has no header control");
    return ItemTexts<HDITEMW>(header, listView, static_cast<int>(Send(header, HDM_GETITEMCOUNT)),
                              HDM_GETITEMW, HDI_TEXT, L"HDM_GETITEMW");
}

std::vector<std::vector<std::wstring>> ListViewItems(HWND listView) {
    const HWND header = reinterpret_cast<HWND>(Send(listView, LVM_GETHEADER));
    const int columns = header ? static_cast<int>(Send(header, HDM_GETITEMCOUNT)) : 1;
    const auto count = static_cast<int>(Send(listView, LVM_GETITEMCOUNT));
    WindowProcess process(listView);
    RemoteMemory block(process.get(), kBlockSize);
    std::vector<std::vector<std::wstring>> rows;
    for (int row = 0; row < count; ++row) {
        std::vector<std::wstring> cells;
        for (int column = 0; column < columns; ++column) {
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iSubItem = column;
            item.pszText = reinterpret_cast<wchar_t*>(block.At(kTextOffset));
            item.cchTextMax = kTextChars;
            block.Write(0, &item, sizeof(item));
            const auto length = static_cast<std::size_t>(
                Send(listView, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), block.At(0)));
            cells.push_back(block.ReadText(kTextOffset, length < kTextChars ? length : kTextChars));
        }
        rows.push_back(std::move(cells));
    }
    return rows;
}

std::vector<int> ListViewColumnWidths(HWND listView) {
    const HWND header = reinterpret_cast<HWND>(Send(listView, LVM_GETHEADER));
    const int columns = header ? static_cast<int>(Send(header, HDM_GETITEMCOUNT)) : 0;
    std::vector<int> widths;
    for (int column = 0; column < columns; ++column)
        widths.push_back(static_cast<int>(Send(listView, LVM_GETCOLUMNWIDTH, column)));
    return widths;
}

RECT HeaderItemRect(HWND listView, int column) {
    const HWND header = reinterpret_cast<HWND>(Send(listView, LVM_GETHEADER));
    WindowProcess process(listView);
    RemoteMemory block(process.get(), sizeof(RECT));
    RECT rect{};
    if (!header || !Send(header, HDM_GETITEMRECT, static_cast<WPARAM>(column), block.At(0)))
        throw DriverError(L"no header item " + std::to_wstring(column));
    block.Read(0, &rect, sizeof(rect));
    // Header coordinates to the list view's.
    ::MapWindowPoints(header, listView, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

RECT ListViewCellRect(HWND listView, int item, int column) {
    WindowProcess process(listView);
    RemoteMemory block(process.get(), sizeof(RECT));
    RECT rect{};
    rect.top = column;
    rect.left = LVIR_BOUNDS;
    block.Write(0, &rect, sizeof(rect));
    if (!Send(listView, LVM_GETSUBITEMRECT, static_cast<WPARAM>(item), block.At(0)))
        throw DriverError(L"no cell at item " + std::to_wstring(item) + L", column " +
                          std::to_wstring(column));
    block.Read(0, &rect, sizeof(rect));
    if (column == 0) {
        // The bounds of column 0 are the whole row's; its own width ends it.
        rect.right = rect.left + static_cast<int>(Send(listView, LVM_GETCOLUMNWIDTH, 0));
    }
    return rect;
}

std::vector<std::wstring> TabCaptions(HWND tabControl) {
    return ItemTexts<TCITEMW>(tabControl, tabControl,
                              static_cast<int>(Send(tabControl, TCM_GETITEMCOUNT)), TCM_GETITEMW,
                              TCIF_TEXT, L"TCM_GETITEMW");
}

int SelectedTab(HWND tabControl) {
    return static_cast<int>(Send(tabControl, TCM_GETCURSEL));
}

LPARAM SelectedTreeItem(HWND treeView) {
    return static_cast<LPARAM>(Send(treeView, TVM_GETNEXTITEM, TVGN_CARET, 0));
}

std::wstring TreeItemText(HWND treeView, LPARAM item) {
    if (!item)
        return {};
    WindowProcess process(treeView);
    RemoteMemory block(process.get(), kBlockSize);
    TVITEMW request{};
    request.mask = TVIF_TEXT | TVIF_HANDLE;
    request.hItem = reinterpret_cast<HTREEITEM>(item);
    request.pszText = reinterpret_cast<wchar_t*>(block.At(kTextOffset));
    request.cchTextMax = kTextChars;
    block.Write(0, &request, sizeof(request));
    const wchar_t nothing = L'\0';
    block.Write(kTextOffset, &nothing, sizeof(nothing));
    if (!Send(treeView, TVM_GETITEMW, 0, block.At(0)))
        return {};
    // A control may answer with a pointer to its own copy of the text.
    block.Read(0, &request, sizeof(request));
    if (request.pszText == reinterpret_cast<wchar_t*>(block.At(kTextOffset)))
        return block.ReadText(kTextOffset, kTextChars);
    wchar_t text[MAX_PATH + 1] = {};
    SIZE_T read = 0;
    ::ReadProcessMemory(process.get(), request.pszText, text, MAX_PATH * sizeof(wchar_t), &read);
    return text;
}

std::vector<LPARAM> TreeChildren(HWND treeView, LPARAM item) {
    Send(treeView, TVM_EXPAND, TVE_EXPAND, item);
    std::vector<LPARAM> children;
    for (auto child = static_cast<LPARAM>(Send(treeView, TVM_GETNEXTITEM, TVGN_CHILD, item)); child;
         child = static_cast<LPARAM>(Send(treeView, TVM_GETNEXTITEM, TVGN_NEXT, child)))
        children.push_back(child);
    return children;
}

void SelectTreeItem(HWND treeView, LPARAM item) {
    Send(treeView, TVM_SELECTITEM, TVGN_CARET, item);
}

} // namespace marovan::e2e
