// Bitmaps: the book's embedded BMP resources, read in place (nothing is
// decoded ahead or kept: a pixel is read from the file's bytes when it is
// drawn), and sizes given by tests for resources without an image.
#include <cstddef>

#include "book/book.h"
#include "platform/headless/backend.h"

namespace tomelet {
namespace headless {

namespace {

const bitmap_size_entry* test_size(uint16_t resource) {
    for (int32_t i = 0; i < state.bitmap_size_count; ++i) {
        if (state.bitmap_sizes[i].resource == resource) return &state.bitmap_sizes[i];
    }
    return nullptr;
}

const book_resource* embedded(uint16_t resource) {
    if (book_in_use() == nullptr || book_in_use()->resources == nullptr) return nullptr;
    for (int32_t i = 0; i < book_in_use()->resource_count; ++i) {
        const book_resource& r = book_in_use()->resources[i];
        if (r.name == nullptr && r.number == resource && r.bytes != nullptr) return &r;
    }
    return nullptr;
}

// The size of a bitmap resource: set by the test, or that of the book's
// readable BMP.
bool resource_size(uint16_t resource, plat_size* size) {
    if (const bitmap_size_entry* e = test_size(resource)) {
        *size = plat_size{e->width, e->height};
        return true;
    }
    bmp_image image{};
    if (!bitmap_image(resource, &image)) return false;
    *size = plat_size{image.width, image.height};
    return true;
}

}  // namespace

// Handles: a bitmap is its resource number + 1.
bool bitmap_resource(plat_bitmap bitmap, uint16_t* resource) {
    const intptr_t value = reinterpret_cast<intptr_t>(bitmap) - 1;
    if (value < 0 || value > 0xFFFF) return false;
    *resource = static_cast<uint16_t>(value);
    return true;
}

bool bitmap_image(uint16_t resource, bmp_image* image) {
    const book_resource* r = embedded(resource);
    return r != nullptr && bmp_read(r->bytes, r->size, image);
}

bool bitmap_test_size(uint16_t resource, plat_size* size) {
    const bitmap_size_entry* e = test_size(resource);
    if (e == nullptr) return false;
    *size = plat_size{e->width, e->height};
    return true;
}

void set_bitmap_size(uint16_t resource, int32_t width, int32_t height) {
    for (int32_t i = 0; i < state.bitmap_size_count; ++i) {
        if (state.bitmap_sizes[i].resource == resource) {
            state.bitmap_sizes[i].width = width;
            state.bitmap_sizes[i].height = height;
            return;
        }
    }
    if (state.bitmap_size_count < BITMAP_SIZES) {
        state.bitmap_sizes[state.bitmap_size_count++] = bitmap_size_entry{resource, width, height};
    }
}

int32_t bitmaps_loaded() { return state.bitmaps_live; }

int32_t bitmap_loads() { return state.bitmap_loads; }

int32_t resource_of(plat_bitmap bitmap) {
    uint16_t resource = 0;
    return bitmap_resource(bitmap, &resource) ? resource : -1;
}

}  // namespace headless

using headless::state;

plat_bitmap plat_bitmap_load(uint16_t resource) {
    plat_size size{};
    if (!headless::resource_size(resource, &size)) return nullptr;
    ++state.bitmaps_live;
    ++state.bitmap_loads;
    return reinterpret_cast<plat_bitmap>(static_cast<intptr_t>(resource) + 1);
}

// The headless button face is drawn in one colour of its own; the bar's
// images are drawn as they are stored.
plat_bitmap plat_bar_bitmap_load(uint16_t resource) { return plat_bitmap_load(resource); }

bool plat_bitmap_size(plat_bitmap bitmap, plat_size* size) {
    uint16_t resource = 0;
    if (size == nullptr || !headless::bitmap_resource(bitmap, &resource)) return false;
    return headless::resource_size(resource, size);
}

void plat_bitmap_free(plat_bitmap bitmap) {
    if (bitmap != nullptr) --state.bitmaps_live;
}

}  // namespace tomelet
