#pragma once
// Lets a long piece of work on the interface thread keep the window alive.

#include <chrono>

namespace marovan::win {

// True at most once an interval: for work that need not happen every time.
class Pacer {
public:
    explicit Pacer(std::chrono::milliseconds interval) noexcept
        : interval_(interval) {}
    bool Due() noexcept {
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ < interval_)
            return false;
        last_ = now;
        return true;
    }
    // The next interval begins now.
    void Restart() noexcept { last_ = std::chrono::steady_clock::now(); }

private:
    std::chrono::milliseconds interval_;
    std::chrono::steady_clock::time_point last_{};
};

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
    Pacer due_{kInterval};
};

} // namespace marovan::win
