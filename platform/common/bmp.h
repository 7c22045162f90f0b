// BMP files: the book's pictures as the readers and the book compiler
// read them, checked as untrusted input.  No OS type, no allocation.
#pragma once

#include <cstdint>

namespace tomelet {

struct bmp_image {
    int32_t width;
    int32_t height;
    bool top_down;
    int32_t bits;
    uint32_t stride;
    const uint8_t* pixels;    // the first row in the file
    const uint8_t* palette;   // colour table entries (B, G, R[, 0])
    int32_t palette_entries;  // usable entries
    int32_t palette_entry_size;  // 4, or 3 for the old core header
    uint32_t masks[3];           // red, green, blue (16 and 32 bits)
};
// Reads and checks a BMP file: true when every pixel lies within `size`.
bool bmp_read(const uint8_t* bytes, uint32_t size, bmp_image* image);
// The colour of pixel (x, y), counted from the top left: 0xRRGGBB.
uint32_t bmp_pixel(const bmp_image& image, int32_t x, int32_t y);

}  // namespace tomelet
