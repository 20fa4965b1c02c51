#include "pdf/poppler_rendering.h"

#include <poppler-image.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>

#include <cmath>
#include <cstdlib>
#include <new>

#include "image/page_canvas.h"
#include "image/page_size.h"

namespace leggipdf {
namespace {

bool isQuarterTurned(const poppler::page& page) {
    const auto orientation = page.orientation();
    return orientation == poppler::page::landscape || orientation == poppler::page::seascape;
}

// Where the top-left corner of the drawn crop box lies in the media box,
// in pixels, once the page is turned the way it is shown.
void cropOffset(const poppler::page& page, std::int64_t& left, std::int64_t& top) {
    const poppler::rectf media = page.page_rect(poppler::media_box);
    const poppler::rectf crop = page.page_rect(poppler::crop_box);
    const double fromLeft = crop.left() - media.left();
    const double fromBottom = crop.top() - media.top();  // rectf keeps PDF's y-up origin in top()
    const double fromRight = media.right() - crop.right();
    const double fromTop = media.bottom() - crop.bottom();
    double x = fromLeft, y = fromTop;
    switch (page.orientation()) {
        case poppler::page::portrait:
            break;
        case poppler::page::landscape:
            x = fromBottom, y = fromLeft;
            break;
        case poppler::page::upside_down:
            x = fromRight, y = fromBottom;
            break;
        case poppler::page::seascape:
            x = fromTop, y = fromRight;
            break;
    }
    left = std::isfinite(x) ? std::llround(x * kRenderScale) : 0;
    top = std::isfinite(y) ? std::llround(y * kRenderScale) : 0;
}

bool hasNoPixels(const poppler::page& page) {
    const poppler::rectf crop = page.page_rect(poppler::crop_box);
    return !(crop.width() * kRenderScale >= 1.0 && crop.height() * kRenderScale >= 1.0);
}

// Poppler's renderer does not survive a failed allocation of its bitmap or
// of the copy it hands back (the copy can be left pointing at freed memory),
// so the room for both, and for our canvas, is asked for before drawing.
// Called through a volatile pointer so the probe is not optimised away.
bool roomToDraw(PixelSize size) {
    void* (*volatile allocate)(std::size_t) = std::malloc;
    void* probe = allocate(static_cast<std::size_t>(size.width * size.height) * 3);
    std::free(probe);
    return probe != nullptr;
}

std::optional<PixelSize> drawnSize(const poppler::page& page) {
    const poppler::rectf media = page.page_rect(poppler::media_box);
    return bitmapSize(media.width(), media.height(), isQuarterTurned(page));
}

PageImage adopted(poppler::image drawn) {
    auto owner = std::make_shared<poppler::image>(std::move(drawn));
    PageImage image;
    image.width = owner->width();
    image.height = owner->height();
    image.bytesPerRow = owner->bytes_per_row();
    image.pixels = reinterpret_cast<const std::uint8_t*>(owner->const_data());
    image.storage = std::move(owner);
    return image;
}

}  // namespace

std::int64_t popplerImageBytes(const poppler::page& page) {
    const std::optional<PixelSize> size = drawnSize(page);
    return size ? size->width * size->height : 0;
}

std::optional<PageImage> renderedPopplerPage(const poppler::page& page) {
    const std::optional<PixelSize> fits = drawnSize(page);
    if (!fits || !roomToDraw(*fits)) return std::nullopt;
    const PixelSize size = *fits;
    try {
        poppler::page_renderer renderer;
        renderer.set_render_hint(poppler::page_renderer::antialiasing, true);
        renderer.set_render_hint(poppler::page_renderer::text_antialiasing, true);
        renderer.set_paper_color(0xFFFFFFFF);
        renderer.set_image_format(poppler::image::format_gray8);
        poppler::image drawn = renderer.render_page(&page, kRenderDotsPerInch, kRenderDotsPerInch);
        if (!drawn.is_valid()) {
            // Poppler draws no image for a crop box under one pixel; that page
            // is white. Any other missing image is a drawing that failed.
            if (hasNoPixels(page)) return composedImage(size, {}, 0, 0);
            return std::nullopt;
        }
        if (drawn.width() == size.width && drawn.height() == size.height) return adopted(std::move(drawn));
        std::int64_t left = 0, top = 0;
        cropOffset(page, left, top);
        const GreyView view{reinterpret_cast<const std::uint8_t*>(drawn.const_data()), drawn.width(), drawn.height(),
                            drawn.bytes_per_row()};
        return composedImage(size, view, left, top);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace leggipdf
