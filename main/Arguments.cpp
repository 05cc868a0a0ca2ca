#include "main/Arguments.h"

#include <string>

namespace marovan {

namespace {

bool IsSeparator(char16_t c) {
    return c >= 1 && c <= 32;
}

class ArgumentReader {
public:
    explicit ArgumentReader(std::u16string_view line)
        : line_(line.substr(0, line.find(u'\0'))) {}

    // Reads the next argument into value(); false when there is none (or it
    // is empty).
    bool Next() {
        SkipToArgument();
        value_.clear();
        while (pos_ < line_.size() && !IsSeparator(line_[pos_])) {
            if (line_[pos_] == u'"') {
                ++pos_;
                while (pos_ < line_.size() && line_[pos_] != u'"')
                    value_ += line_[pos_++];
                if (pos_ < line_.size())
                    ++pos_;
            } else {
                value_ += line_[pos_++];
            }
        }
        return !value_.empty();
    }
    const std::u16string& value() const noexcept { return value_; }

private:
    void SkipToArgument() {
        for (;;) {
            while (pos_ < line_.size() && IsSeparator(line_[pos_]))
                ++pos_;
            if (line_.substr(pos_, 2) != u"\"\"")
                return;
            pos_ += 2;
        }
    }

    std::u16string_view line_;
    std::size_t pos_ = 0;
    std::u16string value_;
};

} // namespace

int CountArguments(std::u16string_view commandLine) {
    return static_cast<int>(ArgumentValues(commandLine).size());
}

std::vector<std::u16string> ArgumentValues(std::u16string_view commandLine) {
    ArgumentReader reader(commandLine);
    reader.Next(); // the program name
    std::vector<std::u16string> values;
    while (reader.Next())
        values.push_back(reader.value());
    return values;
}

} // namespace marovan
