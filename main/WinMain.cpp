// Start-up: the process's error mode, the application title, the main window (whose creation
// performs the start-up runs), then the message loop until the main window closes.

#include "main/TF_main.h"
#include "platform/Dpi.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Window.h"

#include <commctrl.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    using namespace marovan;
    win::FailCriticalErrorsSilently();
    win::EnableDpiAwareness();
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_LINK_CLASS;
    ::InitCommonControlsEx(&controls);
    const win::ComApartment com;

    int exitCode = 0;
    win::Guarded(nullptr, [&] {
        TF_main F_main;
        F_main.Show(showCommand);
        exitCode = F_main.RunMessageLoop();
    });
    return exitCode;
}
