#include "module_tesseract/model_heap.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace leggipdf {

void keepModelHeapOnHugePages() {
    // Without mmap, a block freed goes back to the heap instead of the
    // system, where the reserve's advice covers it when it is handed out
    // again; and the heap is trimmed only above 1 GiB free.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    void* const reserve = std::malloc(kModelHeapReserve);
    if (reserve == nullptr) return;
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto at = reinterpret_cast<std::uintptr_t>(reserve);
    const std::uintptr_t start = (at + page - 1) / page * page;
    std::free(reserve);
    // Only advice: a kernel without huge pages refuses it, and the heap is
    // as it would have been.
    madvise(reinterpret_cast<void*>(start), kModelHeapReserve - (start - at), MADV_HUGEPAGE);
}

}  // namespace leggipdf
