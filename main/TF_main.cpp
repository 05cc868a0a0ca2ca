#include "main/TF_main.h"

#include "platform/Dpi.h"
#include "platform/MessageBoxes.h"

namespace marovan {

namespace {
constexpr wchar_t kClassName[] = L"TF_main";
}

TF_main::TF_main() {
    RegisterWindowClass(kClassName, nullptr, nullptr, nullptr);
    Create(kClassName, win::kApplicationTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0,
           CW_USEDEFAULT, CW_USEDEFAULT, 450, 230, nullptr);
}

TF_main::~TF_main() = default;

void TF_main::Show(int showCommand) { ::ShowWindow(hwnd(), showCommand); }

int TF_main::RunMessageLoop() {
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

void TF_main::FormCreate() {}

LRESULT TF_main::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    }
    return Default(message, wParam, lParam);
}

} // namespace marovan
