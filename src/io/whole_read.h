#pragma once

#include <cstddef>

namespace leggipdf {

/// Bytes read from a descriptor, in memory of their own that they release on
/// destruction. The memory is an anonymous mapping grown in place, so a large
/// input never needs room for two copies of itself, and processes forked
/// afterwards share it until one of them writes to it.
class Contents {
public:
    Contents() = default;
    Contents(Contents&& other) noexcept;
    Contents& operator=(Contents&&) = delete;
    ~Contents();

    const char* data() const { return data_; }
    std::size_t size() const { return size_; }

    friend Contents contentsOf(int descriptor, std::size_t most);

private:
    void grow(std::size_t room);

    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t room_ = 0;
};

/// Reads `descriptor` to its end, or until more than `most` bytes have come
/// (size() is then most + 1 and the rest is left unread); reads interrupted
/// by a signal are resumed. `most` must be below SIZE_MAX. Throws
/// std::bad_alloc when memory for the bytes cannot be had, std::system_error
/// when a read fails.
Contents contentsOf(int descriptor, std::size_t most);

}  // namespace leggipdf
