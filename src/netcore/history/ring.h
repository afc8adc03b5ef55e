#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace wirelark {

// A queue in one block of memory: dropping the oldest entries moves nothing, and the storage
// only grows, by doubling, when it is full.
template <typename T>
class Ring {
public:
    std::size_t size() const { return size_; }
    bool isEmpty() const { return size_ == 0; }

    // Position 0 is the oldest entry.
    const T& operator[](std::size_t i) const { return slots_[slot(i)]; }
    T& operator[](std::size_t i) { return slots_[slot(i)]; }
    T& back() { return (*this)[size_ - 1]; }

    void pushBack(const T& value) {
        if (size_ == slots_.size()) {
            grow();
        }
        slots_[slot(size_)] = value;
        ++size_;
    }

    // Drops the count oldest entries; count is at most size().
    void dropFront(std::size_t count) {
        head_ = count == size_ ? 0 : slot(count);
        size_ -= count;
    }

private:
    std::size_t slot(std::size_t i) const {
        const std::size_t at = head_ + i;
        return at < slots_.size() ? at : at - slots_.size();
    }

    void grow() {
        std::vector<T> wider(std::max<std::size_t>(16, 2 * slots_.size()));
        for (std::size_t i = 0; i < size_; ++i) {
            wider[i] = std::move((*this)[i]);
        }
        slots_ = std::move(wider);
        head_ = 0;
    }

    std::vector<T> slots_;
    std::size_t head_ = 0;
    std::size_t size_ = 0;
};

} // namespace wirelark
