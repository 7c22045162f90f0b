#include "layout/pictures.h"

#include "engine/engine.h"

namespace tomelet {

namespace {

// An unreadable picture takes the whole line and one default-font line of
// height, and nothing of it is drawn.
plat_size unreadable_size() {
    return plat_size{the_engine.page.right_edge - plat_window_client_rect().left, the_engine.page.base_line_height};
}

}  // namespace

plat_size measure_picture(uint16_t resource) {
    const plat_bitmap bitmap = plat_bitmap_load(resource);
    plat_size size{};
    if (bitmap == nullptr || !plat_bitmap_size(bitmap, &size)) size = unreadable_size();
    plat_bitmap_free(bitmap);
    return size;
}

int32_t draw_picture(plat_canvas canvas, uint16_t resource, int32_t x, int32_t y) {
    const plat_bitmap bitmap = plat_bitmap_load(resource);
    plat_size size{};
    if (bitmap != nullptr && plat_bitmap_size(bitmap, &size)) {
        plat_bitmap_draw(canvas, bitmap, x, y, size.cx, size.cy);
    } else {
        size = unreadable_size();
    }
    plat_bitmap_free(bitmap);
    return size.cx;
}

}  // namespace tomelet
