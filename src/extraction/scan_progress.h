#pragma once

#include <cstdint>

namespace leggipdf {

/// Hears, from the ScanReader that reads them, how the pages without a text
/// layer are going. Pages may finish in any order. Does nothing unless
/// overridden.
class ScanProgress {
public:
    virtual ~ScanProgress() = default;
    /// Page `pageNumber` is now being drawn and read, here or in a worker.
    virtual void pageStarted(std::int64_t pageNumber) { (void)pageNumber; }
    /// The reading of page `pageNumber` has ended, with its text or a failure
    /// (a failure that ends the walk at once may go unreported).
    virtual void pageFinished(std::int64_t pageNumber) { (void)pageNumber; }
};

/// A listener that hears nothing, for readers given none.
inline ScanProgress& ignoredProgress() {
    static ScanProgress nobody;
    return nobody;
}

}  // namespace leggipdf
