#include "platform/MessagePump.h"

#include <windows.h>

namespace marovan::win {

bool MessagePump::PumpIfDue() {
    if (!due_.Due())
        return false;
    PumpNow();
    return true;
}

void MessagePump::PumpNow() {
    MSG message{};
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

} // namespace marovan::win
