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

    // Reads the next argument; false when there is none (or it is empty).
    bool Next() {
        SkipToArgument();
        bool hasValue = false;
        while (pos_ < line_.size() && !IsSeparator(line_[pos_])) {
            if (line_[pos_] == u'"') {
                ++pos_;
                while (pos_ < line_.size() && line_[pos_] != u'"') {
                    hasValue = true;
                    ++pos_;
                }
                if (pos_ < line_.size())
                    ++pos_;
            } else {
                hasValue = true;
                ++pos_;
            }
        }
        return hasValue;
    }

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
};

} // namespace

int CountArguments(std::u16string_view commandLine) {
    ArgumentReader reader(commandLine);
    reader.Next(); // the program name
    int count = 0;
    while (reader.Next())
        ++count;
    return count;
}

} // namespace marovan
