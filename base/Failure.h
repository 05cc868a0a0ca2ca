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

// A refusal of the system, with its error code, for the caller to put into
// words of its own.
class SystemError : public std::runtime_error {
public:
    explicit SystemError(unsigned long code)
        : std::runtime_error("system error")
        , code_(code) {}
    unsigned long Code() const noexcept { return code_; }

private:
    unsigned long code_;
};

// The text the general error report shows: a full stop is appended when the
// message's last character sorts after the full stop itself, so a message
// ending in a Japanese character or a digit gets one and one ending in a blank
// does not.
std::u16string WithFullStop(std::u16string_view message);

} // namespace marovan
