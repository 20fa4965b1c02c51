#pragma once

#include <cstddef>

namespace leggipdf {

/// Address space set aside for the engine's models before the first is
/// loaded: the Latin model takes about 280 MB once loaded, a script's model
/// with the Latin one 360 MB, and a page of another script read both ways
/// peaked at 550 MB.
inline constexpr std::size_t kModelHeapReserve = std::size_t{512} << 20;

/// Makes the heap that the engine loads its models into cheap to fill. The
/// engine reads each model file into fresh memory and copies it twice more
/// (its components, then its word lists): some 300 MB written for the Latin
/// model, where nearly all the time of loading goes into first-touch faults
/// on small pages, 1.5 s of CPU of which 0.8 s in the kernel. So malloc is
/// told to serve everything from one heap that it never gives back
/// (memory freed by one model's loading serves the next one's), and
/// kModelHeapReserve of that heap is advised onto transparent huge pages,
/// where the system gives them on request. The Latin model then loads in
/// 0.6 s. Where the reserve cannot be had (a memory limit, say), the heap
/// is left on small pages: nothing fails for it.
void keepModelHeapOnHugePages();

}  // namespace leggipdf
