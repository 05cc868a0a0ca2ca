#include "base/Text.h"

namespace marovan {

std::u16string_view TrimmedDescription(std::u16string_view description) noexcept {
    while (!description.empty() && (description.back() <= u' ' || description.back() == u'.'))
        description.remove_suffix(1);
    return description;
}

std::u16string_view TrimmedReason(std::u16string_view description) noexcept {
    for (;;) {
        description = TrimmedDescription(description);
        if (description.empty() || description.back() != u'\u3002')
            return description;
        description.remove_suffix(1);
    }
}

} // namespace marovan
