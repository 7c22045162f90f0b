// Fuzzes the BMP reader (platform/common/bmp.h): any bytes as a picture
// resource of the book must be refused or read, measured and drawn (in
// part, clipped at the window's edges) without a read outside them.
#include <cstdint>
#include <vector>

#include "fuzz/support.h"
#include "platform/headless/backend.h"
#include "platform/headless/headless.h"
#include "tests/support/memory_book.h"

namespace {

constexpr uint16_t RESOURCE = 1700;

void nothing() {}
void nothing_size(int32_t, int32_t) {}
bool no_command(int32_t, int32_t) { return false; }
bool no_key(int32_t) { return false; }
void no_vscroll(int32_t, int32_t) {}
bool no_draw_item(int32_t, tomelet::plat_canvas, const tomelet::plat_rect&) { return false; }

const tomelet::headless::entry_points NO_ENGINE{nothing,    nothing,   nothing_size, nothing, no_command,
                                                no_key,     no_vscroll, nothing,     no_draw_item};

const tomelet::testing::memory_book& book() {
    static const tomelet::testing::memory_book b([] {
        tomelet::testing::memory_book_contents contents;
        contents.paragraphs[2] = "<G>";
        return contents;
    }());
    return b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tomelet;
    fuzzing::reset_engine_state();
    // The input in a buffer of its own size, so that a read past its end
    // is caught.
    const std::vector<uint8_t> bytes(data, data + size);
    const book_resource resource{nullptr, RESOURCE, bytes.data(), static_cast<uint32_t>(bytes.size())};
    book_tables tables = *book().tables();
    tables.resource_count = 1;
    tables.resources = &resource;
    book_select(&tables);

    bmp_image image{};
    if (bmp_read(bytes.data(), static_cast<uint32_t>(bytes.size()), &image)) {
        // The corners and a coarse grid, so that a large image costs little.
        const int32_t step_x = image.width / 16 + 1;
        const int32_t step_y = image.height / 16 + 1;
        for (int32_t y = 0; y < image.height; y += step_y) {
            for (int32_t x = 0; x < image.width; x += step_x) (void)bmp_pixel(image, x, y);
        }
        (void)bmp_pixel(image, image.width - 1, image.height - 1);
    }

    headless::use_entry_points(&NO_ENGINE);
    if (plat_window_create("BMP", 0, 0, 120, 100)) {
        plat_window_show();
        const plat_bitmap bitmap = plat_bitmap_load(RESOURCE);
        plat_size measured{};
        if (bitmap != nullptr && plat_bitmap_size(bitmap, &measured)) {
            const plat_canvas canvas = plat_paint_begin();
            plat_bitmap_draw(canvas, bitmap, 0, 0, measured.cx, measured.cy);
            plat_bitmap_draw(canvas, bitmap, -measured.cx / 2, 40, measured.cx, measured.cy);
            plat_bitmap_draw(canvas, bitmap, 90, -3, 64, 64);
            plat_paint_end(canvas);
        }
        plat_bitmap_free(bitmap);
    }
    headless::use_entry_points(nullptr);
    book_select(nullptr);
    return 0;
}
