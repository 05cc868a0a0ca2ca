// A stand-in program for testing the end-to-end driver itself: it shows the
// same kinds of prompts and message boxes as Marovan, and reports what the
// driver answered in an information box the driver can read back.
//
//   probe folder        the folder prompt, then "folder:<path>" or "folder:cancelled"
//   probe file          the file prompt, then "file:<path>" or "file:cancelled"
//   probe box KIND TEXT one box of KIND (error, information, stop), exit code = its answer
//   probe hang          a window whose thread stops answering

#include <windows.h>

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>

namespace {

constexpr wchar_t kOwnerClass[] = L"MarovanProbeOwner";

HWND CreateOwner() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &DefWindowProcW;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kOwnerClass;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    ::RegisterClassW(&windowClass);
    const HWND owner = ::CreateWindowExW(0, kOwnerClass, L"Probe", WS_OVERLAPPEDWINDOW, 20, 20, 300,
                                         200, nullptr, nullptr, windowClass.hInstance, nullptr);
    ::ShowWindow(owner, SW_SHOWNORMAL);
    return owner;
}

void Report(HWND owner, const std::wstring& text) {
    ::MessageBoxW(owner, text.c_str(), L"情報", MB_ICONINFORMATION | MB_OK);
}

int BrowseFolder() {
    const HWND owner = CreateOwner();
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    wchar_t display[MAX_PATH] = {};
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.pszDisplayName = display;
    info.lpszTitle = L"画像を収集する保存フォルダを指定";
    info.ulFlags = 0x0051;
    PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&info);
    std::wstring result = L"folder:cancelled";
    if (chosen) {
        wchar_t path[MAX_PATH] = {};
        ::SHGetPathFromIDListW(chosen, path);
        ::CoTaskMemFree(chosen);
        result = std::wstring(L"folder:") + path;
    }
    Report(owner, result);
    ::DestroyWindow(owner);
    ::CoUninitialize();
    return 0;
}

int OpenFile() {
    const HWND owner = CreateOwner();
    wchar_t path[MAX_PATH] = {};
    OPENFILENAMEW info{};
    info.lStructSize = sizeof(info);
    info.hwndOwner = owner;
    info.lpstrFilter = L"AIファイル\0*.ai;*AI\0";
    info.lpstrFile = path;
    info.nMaxFile = MAX_PATH;
    info.lpstrTitle = L"イラストレーターファイルを選択してください";
    info.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;
    const std::wstring result =
        ::GetOpenFileNameW(&info) ? std::wstring(L"file:") + path : L"file:cancelled";
    Report(owner, result);
    ::DestroyWindow(owner);
    return 0;
}

int ShowBox(const std::wstring& kind, const std::wstring& text) {
    UINT type = MB_OK;
    const wchar_t* caption = L"情報";
    if (kind == L"error") {
        type |= MB_ICONERROR;
        caption = L"エラー";
    } else if (kind == L"stop") {
        type |= MB_ICONSTOP;
        caption = L"Marovan";
    } else {
        type |= MB_ICONINFORMATION;
    }
    return ::MessageBoxW(nullptr, text.c_str(), caption, type);
}

int Hang() {
    CreateOwner();
    ::Sleep(INFINITE);
    return 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int count = 0;
    wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    const std::wstring mode = count > 1 ? arguments[1] : L"";
    int result = 2;
    if (mode == L"folder")
        result = BrowseFolder();
    else if (mode == L"file")
        result = OpenFile();
    else if (mode == L"box" && count > 3)
        result = ShowBox(arguments[2], arguments[3]);
    else if (mode == L"hang")
        result = Hang();
    ::LocalFree(arguments);
    return result;
}
