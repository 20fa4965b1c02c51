#pragma once

#include <cstdint>
#include <optional>

namespace leggipdf {

/// Pages are drawn at 180 dpi: 2.5 pixels per point of 1/72 inch.
inline constexpr double kRenderDotsPerInch = 180.0;
inline constexpr double kRenderScale = kRenderDotsPerInch / 72.0;

/// Limits on a page bitmap. A request beyond them fails cleanly instead of
/// letting the renderer abort the process on an allocation it cannot make;
/// drawing takes a few bytes per pixel at its peak, so 2^29 pixels keeps a
/// page within a few GB. The largest real scans seen (8,400 pt a side,
/// 21,000 px, 441 Mpx) stay inside.
inline constexpr std::int64_t kMaxBitmapSide = 1'000'000;
inline constexpr std::int64_t kMaxBitmapPixels = std::int64_t{1} << 29;

struct PixelSize {
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool operator==(const PixelSize&) const = default;
};

/// Pixels for one side of `points` points: truncated toward zero, at least 1.
/// Empty when the product is not finite or outside the signed 64-bit range.
std::optional<std::int64_t> pixelsFor(double points);

/// The bitmap for a media box of the given size. `quarterTurned` (pages
/// shown turned by 90 or 270 degrees) swaps width and height so the page is
/// drawn upright and whole. Empty for a size that has no pixel count or lies
/// beyond the limits above: no bitmap can be made for that page.
std::optional<PixelSize> bitmapSize(double widthPoints, double heightPoints, bool quarterTurned);

}  // namespace leggipdf
