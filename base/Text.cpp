#include "base/Text.h"

namespace marovan {

std::u16string_view TrimmedDescription(std::u16string_view description) noexcept {
    while (!description.empty() && (description.back() <= u' ' || description.back() == u'.'))
        description.remove_suffix(1);
    return description;
}

} // namespace marovan
