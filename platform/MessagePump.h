#pragma once
// Lets a long piece of work on the interface thread keep the window alive.

#include <chrono>

namespace marovan::win {

// Handles the thread's pending messages when they are due. A long loop calls
// it after every small piece of work; when nothing is due it costs one clock
// reading.
class MessagePump {
public:
    static constexpr std::chrono::milliseconds kInterval{8};

    // True when it handled the pending messages.
    bool PumpIfDue();
    // Handles what is pending now. A quit request found on the way is posted
    // again, for the main loop to see.
    static void PumpNow();

private:
    std::chrono::steady_clock::time_point last_{};
};

} // namespace marovan::win
