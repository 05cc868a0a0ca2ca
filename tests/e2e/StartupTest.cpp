#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

TEST(Startup, MainWindowOpensWithItsCaptionAndClosing) {
    const char* exe = std::getenv("MAROVAN_EXE");
    ASSERT_NE(exe, nullptr);
    std::string commandLine = std::string("\"") + exe + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &si, &pi));
    HWND main = nullptr;
    for (int i = 0; i < 100 && !main; ++i) {
        Sleep(100);
        main = FindWindowW(L"TF_main", L"Marovan");
    }
    ASSERT_NE(main, nullptr);
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 10000), WAIT_OBJECT_0);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

} // namespace
