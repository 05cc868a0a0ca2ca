// Links inserted into the middle of the table during a run: the owner-data
// list view keeps only the numbers of its selected items, so a selected row
// below the insertion must move with its link.

#include "main/LinkTableView.h"
#include "platform/Handles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <vector>

namespace marovan {
namespace {

std::vector<int> ItemsWith(HWND list, UINT state) {
    std::vector<int> items;
    for (int item = ListView_GetNextItem(list, -1, state); item >= 0;
         item = ListView_GetNextItem(list, item, state))
        items.push_back(item);
    return items;
}

Links LinksNamed(std::initializer_list<const char16_t*> names) {
    Links links;
    for (const char16_t* name : names) {
        Link& link = links.emplace_back();
        link.fileName = name;
        link.path = std::u16string(u"C:\\i\\") + name;
    }
    return links;
}

TEST(LinkTableInsertion, SelectedRowsKeepTheirLinks) {
    const win::UniqueWindow parent(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 300,
                                                     nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(parent);
    Links links = LinksNamed({u"a.ai", u"b.png", u"c.png"});
    const DocumentPaths documents;
    LinkTableView table(parent.get(), 1, links, documents, 96);
    table.SyncRows();
    HWND list = table.hwnd();
    // Rows of a.ai and c.png selected, c.png's focused.
    ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(list, 2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);

    const Links placed = LinksNamed({u"x.png", u"y.png"});
    links.insert(links.begin() + 1, placed.begin(), placed.end());
    table.LinksInserted(1, 2);
    EXPECT_EQ(ListView_GetItemCount(list), 6);
    EXPECT_EQ(ItemsWith(list, LVNI_SELECTED), (std::vector<int>{0, 4}));
    EXPECT_EQ(ItemsWith(list, LVNI_FOCUSED), std::vector<int>{4});

    // Without a selected row below, nothing moves.
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    links.insert(links.begin() + 5, placed.begin(), placed.end());
    table.LinksInserted(5, 2);
    EXPECT_EQ(ItemsWith(list, LVNI_SELECTED), std::vector<int>{0});
}

// The outcome tip is a pop-up: the top-level window owns it, so it outlives
// the list view unless the table view ends it. It is told apart from the list
// view's own tip by its one tool over the whole list view.
std::vector<HWND> OutcomeTipsOwnedBy(HWND owner, HWND list) {
    struct Search {
        HWND owner, list;
        std::vector<HWND> tips;
    } search{owner, list, {}};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM context) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(context);
            wchar_t name[64] = {};
            ::GetClassNameW(window, name, 64);
            if (::GetWindow(window, GW_OWNER) != s.owner || ::lstrcmpiW(name, TOOLTIPS_CLASSW) != 0)
                return TRUE;
            TTTOOLINFOW tool{};
            tool.cbSize = sizeof(tool);
            tool.hwnd = s.list;
            tool.uId = 1;
            if (::SendMessageW(window, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool)))
                s.tips.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.tips;
}

TEST(LinkTableView, TheOutcomeTipGoesWithTheTable) {
    const win::UniqueWindow parent(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 300,
                                                     nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(parent);
    const Links links = LinksNamed({u"a.png"});
    const DocumentPaths documents;
    std::vector<HWND> tips;
    HWND list = nullptr;
    {
        LinkTableView table(parent.get(), 1, links, documents, 96);
        list = table.hwnd();
        tips = OutcomeTipsOwnedBy(parent.get(), list);
        ASSERT_EQ(tips.size(), 1u) << "the tip is owned by the top-level window";
    }
    EXPECT_FALSE(::IsWindow(tips[0])) << "the tip outlived its table";
    EXPECT_TRUE(::IsWindow(list)) << "the list view is the parent's to destroy";
}

} // namespace
} // namespace marovan
