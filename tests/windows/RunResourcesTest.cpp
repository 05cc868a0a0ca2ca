// Many runs in one process with the real Windows services and the real link
// table on screen must leave the process with the handles, GDI objects and
// window objects it started with: a leak on any path, the failure paths and
// the table's drawing included, would grow with every run.

#include "AnsweredRunSystem.h"
#include "ScratchFolder.h"

#include "base/Failure.h"
#include "main/CollectionRun.h"
#include "main/LinkTableView.h"
#include "main/WindowsRunSystem.h"
#include "tests/support/RecordingView.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

namespace marovan {
namespace {

using test::ScratchFolder;

// The options are read from the settings file as always, so that reading
// them is counted too; then the copy options are turned on.
class ResourceRunSystem : public test::AnsweredRunSystem {
public:
    RunOptions ReadRunOptions() override {
        RunOptions read = WindowsRunSystem::ReadRunOptions();
        read.aiCopy = true;
        read.errSearch = true;
        return read;
    }
};

// Records what a run shows, and shows its links in the program's own link
// table, in a window of its own that is painted after every change.
class TableWindow : public testing_support::RecordingView {
public:
    TableWindow(const Links& links, const DocumentPaths& documents) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &TableWindow::Procedure;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kClassName;
        ::RegisterClassW(&wc);
        window_ = ::CreateWindowExW(0, kClassName, L"links", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400,
                                    nullptr, nullptr, wc.hInstance, nullptr);
        if (!window_)
            return;
        ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        table_ = std::make_unique<LinkTableView>(window_, 1, links, documents, 96);
        RECT client{};
        ::GetClientRect(window_, &client);
        ::MoveWindow(table_->hwnd(), 0, 0, client.right, client.bottom, TRUE);
        ::ShowWindow(window_, SW_SHOWNOACTIVATE);
        Paint();
    }
    ~TableWindow() override {
        if (window_)
            ::DestroyWindow(window_);
    }
    TableWindow(const TableWindow&) = delete;
    TableWindow& operator=(const TableWindow&) = delete;

    bool Shown() const { return table_ != nullptr; }
    int customDraws = 0; // notifications of the table's drawing

    void ClearDetails() override {
        RecordingView::ClearDetails();
        table_->SyncRows();
        Paint();
    }
    void LinkAdded() override {
        RecordingView::LinkAdded();
        table_->SyncRows();
        Paint();
    }
    void LinksInserted(std::size_t first, std::size_t count) override {
        RecordingView::LinksInserted(first, count);
        table_->SyncRows();
        Paint();
    }
    void LinkChanged(std::size_t index) override {
        RecordingView::LinkChanged(index);
        table_->RedrawLink(index);
        Paint();
    }
    int TextWidth(std::u16string_view text) override {
        RecordingView::TextWidth(text);
        return table_->TextWidth(text);
    }
    void DocumentsChosen(std::u16string_view destination) override {
        RecordingView::DocumentsChosen(destination);
        table_->SyncRows();
        Paint();
    }
    void SetColumnWidth(int column, int width) override {
        RecordingView::SetColumnWidth(column, width);
        table_->SetColumnWidth(column, width);
        Paint();
    }

private:
    static constexpr wchar_t kClassName[] = L"MarovanRunResourcesTable";

    void Paint() {
        ::RedrawWindow(window_, nullptr, nullptr,
                       RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    }

    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<TableWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_NOTIFY && self && self->table_) {
            const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
            if (header.hwndFrom == self->table_->hwnd()) {
                self->customDraws += header.code == NM_CUSTOMDRAW;
                return self->table_->OnNotify(header);
            }
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }

    HWND window_ = nullptr;
    std::unique_ptr<LinkTableView> table_;
};

struct ResourceCounts {
    DWORD handles = 0;
    DWORD gdiObjects = 0;
    DWORD userObjects = 0;
    bool operator==(const ResourceCounts&) const = default;
};

// Wine answers GetProcessHandleCount and GetGuiResources with 0. There the
// open handles are counted by asking about every handle value in turn, the
// GDI objects by asking the type of every GDI handle index, and the window
// objects by walking the process's windows.
DWORD CountOpenHandles() {
    DWORD count = 0;
    if (::GetProcessHandleCount(::GetCurrentProcess(), &count) && count > 0)
        return count;
    for (ULONG_PTR value = 4; value < 4 * 16384; value += 4) {
        DWORD flags = 0;
        count += ::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) != 0;
    }
    return count;
}

// Wine takes a GDI handle's index alone (its upper word zero) for whatever
// object lives at that index now.
DWORD CountGdiObjects() {
    const DWORD reported = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    if (reported > 0)
        return reported;
    DWORD count = 0;
    for (ULONG_PTR index = 1; index < 0x10000; ++index)
        count += ::GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0;
    return count;
}

DWORD CountWindows() {
    struct Walk {
        DWORD process = ::GetCurrentProcessId();
        DWORD count = 0;
        static BOOL CALLBACK Child(HWND, LPARAM walk) {
            ++reinterpret_cast<Walk*>(walk)->count;
            return TRUE;
        }
        static BOOL CALLBACK TopLevel(HWND window, LPARAM context) {
            auto& walk = *reinterpret_cast<Walk*>(context);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            if (owner == walk.process) {
                ++walk.count;
                ::EnumChildWindows(window, &Child, context);
            }
            return TRUE;
        }
    } walk;
    ::EnumWindows(&Walk::TopLevel, reinterpret_cast<LPARAM>(&walk));
    return walk.count;
}

ResourceCounts CountResources() {
    ResourceCounts counts;
    counts.handles = CountOpenHandles();
    counts.gdiObjects = CountGdiObjects();
    counts.userObjects = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
    if (counts.userObjects == 0)
        counts.userObjects = CountWindows();
    return counts;
}

// The scratch folder's path is plain ASCII.
std::string Ascii(const std::wstring& text) {
    std::string ascii;
    for (wchar_t c : text)
        ascii += static_cast<char>(c);
    return ascii;
}

std::u16string U16(const std::wstring& text) {
    return {text.begin(), text.end()};
}

TEST(RunResources, TwoHundredRunsLeaveNothingBehind) {
    ScratchFolder temp(L"runs");
    const std::wstring destination = temp / L"collected";
    ASSERT_TRUE(::CreateDirectoryW(destination.c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW((temp / L"folder.psd").c_str(), nullptr));
    test::WriteBytes(temp / L"found.psd", "found");
    test::WriteBytes(temp / L"beside.tif", "beside");
    // Found, beside the document, missing, a device, a folder, an empty path.
    const std::string record = "%%DocumentFiles:" + Ascii(temp / L"found.psd") +
                               "\r\n%%+C:\\gone\\beside.tif\r\n%%+C:\\gone\\missing.png"
                               "\r\n%%+NUL\r\n%%+" +
                               Ascii(temp / L"folder.psd") + "\r\n%%+\r\n%%End\r\n";
    const std::wstring document = temp / L"doc.ai";
    test::WriteBytes(document, std::string(100000, '\0') + record);
    const std::wstring noRecord = temp / L"plain.ai";
    test::WriteBytes(noRecord, "%!PS-Adobe-3.0\r\n");

    Links links;
    DocumentPaths documents;
    TableWindow view(links, documents);
    ASSERT_TRUE(view.Shown()) << "the table's window could not be made";
    ResourceRunSystem system;
    // Every way a run can end: completed, no record, cannot open, cancelled.
    const auto run = [&](int n) {
        system.folder = U16(destination);
        system.document = U16(document);
        switch (n % 4) {
        case 1:
            system.document = U16(noRecord);
            break;
        case 2:
            system.document = U16(temp / L"absent.ai");
            break;
        case 3:
            system.folder.reset();
            break;
        }
        if (n % 4 == 2) {
            EXPECT_THROW(CollectionRun(view, system, links, documents), Failure) << "run " << n;
            return;
        }
        const RunEnd expected[] = {RunEnd::Completed, RunEnd::NoLinkRecord, RunEnd::Completed,
                                   RunEnd::FolderCancelled};
        EXPECT_EQ(CollectionRun(view, system, links, documents), expected[n % 4]) << "run " << n;
    };

    // The first runs load what the system keeps for the process's lifetime.
    for (int n = 0; n < 8; ++n)
        run(n);
    ASSERT_EQ(view.messages.back().text, u"リンク情報は見つかりませんでした。");
    const ResourceCounts before = CountResources();
    for (int n = 0; n < 200; ++n)
        run(n);
    const ResourceCounts after = CountResources();
    ASSERT_GT(view.customDraws, 200) << "the link table was not drawn";
    ASSERT_GT(before.handles, 0u) << "the handles could not be counted";
    ASSERT_GT(before.gdiObjects, 0u) << "the GDI objects could not be counted";

    EXPECT_EQ(after.handles, before.handles);
    EXPECT_EQ(after.gdiObjects, before.gdiObjects);
    EXPECT_EQ(after.userObjects, before.userObjects);
    EXPECT_EQ(test::ReadBytes(destination + L"\\found.psd"), "found");
    EXPECT_EQ(test::ReadBytes(destination + L"\\beside.tif"), "beside");
    EXPECT_TRUE(test::Exists(destination + L"\\doc.ai"));
}

} // namespace
} // namespace marovan
