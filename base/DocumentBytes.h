#pragma once
// The bytes of a document as a run holds them.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace marovan {

// Leaves new elements uninitialised, so that sizing a buffer for a document
// of a gigabyte does not write every page of it before the read does.
template <class T> struct UninitialisedAllocator {
    using value_type = T;

    UninitialisedAllocator() = default;
    template <class U> UninitialisedAllocator(const UninitialisedAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) { return std::allocator<T>{}.allocate(n); }
    void deallocate(T* p, std::size_t n) noexcept { std::allocator<T>{}.deallocate(p, n); }

    template <class U> void construct(U* p) noexcept { ::new (static_cast<void*>(p)) U; }
    template <class U, class... Args> void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

    friend bool operator==(const UninitialisedAllocator&, const UninitialisedAllocator&) {
        return true;
    }
};

using DocumentBytes = std::vector<std::uint8_t, UninitialisedAllocator<std::uint8_t>>;

} // namespace marovan
