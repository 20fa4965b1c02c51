#include "io/whole_read.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>
#include <system_error>
#include <utility>

namespace leggipdf {
namespace {

// Address space only: the kernel gives pages as bytes land in them, so a
// small input costs what it holds.
constexpr std::size_t kFirstRoom = std::size_t{1} << 20;

}  // namespace

Contents::Contents(Contents&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      room_(std::exchange(other.room_, 0)) {}

Contents::~Contents() {
    if (data_ != nullptr) munmap(data_, room_);
}

void Contents::grow(std::size_t room) {
    void* const grown = data_ == nullptr
                            ? mmap(nullptr, room, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)
                            : mremap(data_, room_, room, MREMAP_MAYMOVE);
    if (grown == MAP_FAILED) throw std::bad_alloc();
    data_ = static_cast<char*>(grown);
    room_ = room;
}

Contents contentsOf(int descriptor, std::size_t most) {
    Contents contents;
    for (;;) {
        if (contents.size_ == contents.room_) {
            if (contents.size_ > most) return contents;
            contents.grow(std::min(std::max(2 * contents.room_, kFirstRoom), most + 1));
        }
        const ssize_t count = ::read(descriptor, contents.data_ + contents.size_, contents.room_ - contents.size_);
        if (count < 0 && errno != EINTR) throw std::system_error(errno, std::generic_category(), "read");
        if (count == 0) return contents;
        if (count > 0) contents.size_ += static_cast<std::size_t>(count);
    }
}

}  // namespace leggipdf
