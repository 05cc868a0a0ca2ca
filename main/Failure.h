#pragma once
// An unexpected failure: it ends the current handler at once, and the
// handler's caller shows its message in the general error report.

#include <stdexcept>
#include <string>
#include <string_view>

namespace marovan {

class Failure : public std::runtime_error {
public:
    explicit Failure(std::u16string message)
        : std::runtime_error("Marovan failure")
        , message_(std::move(message)) {}
    const std::u16string& Message() const noexcept { return message_; }

private:
    std::u16string message_;
};

// The text the general error report shows: a full stop is appended when the
// message's last character sorts after the full stop itself, so a message
// ending in a Japanese character or a digit gets one and one ending in a blank
// does not.
std::u16string WithFullStop(std::u16string_view message);

} // namespace marovan
