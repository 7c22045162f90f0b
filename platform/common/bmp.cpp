// BMP files read in place: nothing is decoded ahead or kept, a pixel is
// read from the file's bytes when it is asked for.
#include "platform/common/bmp.h"

#include <cstddef>

namespace tomelet {

namespace {

constexpr uint32_t BI_RGB = 0;
constexpr uint32_t BI_BITFIELDS = 3;
constexpr int32_t MAX_BMP_SIDE = 32767;

uint32_t le16(const uint8_t* p) { return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8; }

uint32_t le32(const uint8_t* p) { return le16(p) | le16(p + 2) << 16; }

// A channel of a bit-field pixel scaled to 0..255.
uint32_t channel(uint32_t value, uint32_t mask) {
    if (mask == 0) return 0;
    int32_t shift = 0;
    while (((mask >> shift) & 1u) == 0) ++shift;
    const uint64_t m = mask >> shift;
    const uint64_t v = (value & mask) >> shift;
    return static_cast<uint32_t>(v * 255 / m);
}

}  // namespace

bool bmp_read(const uint8_t* bytes, uint32_t size, bmp_image* image) {
    *image = bmp_image{};
    if (bytes == nullptr || size < 26 || bytes[0] != 'B' || bytes[1] != 'M') return false;
    const uint32_t pixel_offset = le32(bytes + 10);
    const uint32_t header_size = le32(bytes + 14);
    int64_t width = 0;
    int64_t height = 0;
    uint32_t bits = 0;
    uint32_t compression = BI_RGB;
    uint32_t colours_used = 0;
    if (header_size == 12) {
        width = le16(bytes + 18);
        height = le16(bytes + 20);
        bits = le16(bytes + 24);
        image->palette_entry_size = 3;
    } else if (header_size >= 40 && static_cast<uint64_t>(14) + header_size <= size) {
        width = static_cast<int32_t>(le32(bytes + 18));
        height = static_cast<int32_t>(le32(bytes + 22));
        bits = le16(bytes + 28);
        compression = le32(bytes + 30);
        colours_used = le32(bytes + 46);
        image->palette_entry_size = 4;
    } else {
        return false;
    }
    if (height < 0) {
        image->top_down = true;
        height = -height;
    }
    if (width <= 0 || height <= 0 || width > MAX_BMP_SIDE || height > MAX_BMP_SIDE) return false;
    image->width = static_cast<int32_t>(width);
    image->height = static_cast<int32_t>(height);
    image->bits = static_cast<int32_t>(bits);

    switch (bits) {
    case 1:
    case 4:
    case 8:
        if (compression != BI_RGB) return false;
        break;
    case 16:
    case 32:
        if (compression == BI_BITFIELDS) {
            // The masks follow a 40-byte header, or stand in a larger one at
            // the same place.
            if (size < 14 + 40 + 12) return false;
            for (int32_t i = 0; i < 3; ++i) image->masks[i] = le32(bytes + 54 + 4 * i);
        } else if (compression == BI_RGB) {
            if (bits == 16) {
                image->masks[0] = 0x7C00;
                image->masks[1] = 0x03E0;
                image->masks[2] = 0x001F;
            } else {
                image->masks[0] = 0xFF0000;
                image->masks[1] = 0x00FF00;
                image->masks[2] = 0x0000FF;
            }
        } else {
            return false;
        }
        break;
    case 24:
        if (compression != BI_RGB) return false;
        break;
    default:
        return false;
    }

    if (bits <= 8) {
        const uint64_t palette_offset = static_cast<uint64_t>(14) + header_size;
        uint64_t entries = colours_used != 0 ? colours_used : (1u << bits);
        if (entries > (1u << bits)) entries = 1u << bits;
        const uint64_t room =
            palette_offset < size ? (size - palette_offset) / static_cast<uint64_t>(image->palette_entry_size) : 0;
        if (entries > room) entries = room;
        image->palette = bytes + (palette_offset < size ? palette_offset : 0);
        image->palette_entries = static_cast<int32_t>(entries);
    }

    const uint64_t stride = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
    if (static_cast<uint64_t>(pixel_offset) + stride * static_cast<uint64_t>(height) > size) return false;
    image->stride = static_cast<uint32_t>(stride);
    image->pixels = bytes + pixel_offset;
    return true;
}

uint32_t bmp_pixel(const bmp_image& image, int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= image.width || y >= image.height) return 0;
    const int32_t row = image.top_down ? y : image.height - 1 - y;
    const uint8_t* p = image.pixels + static_cast<size_t>(row) * image.stride;
    int32_t index = 0;
    switch (image.bits) {
    case 1:
        index = (p[x >> 3] >> (7 - (x & 7))) & 1;
        break;
    case 4:
        index = (p[x >> 1] >> ((x & 1) != 0 ? 0 : 4)) & 0x0F;
        break;
    case 8:
        index = p[x];
        break;
    case 16: {
        const uint32_t v = le16(p + 2 * x);
        return channel(v, image.masks[0]) << 16 | channel(v, image.masks[1]) << 8 | channel(v, image.masks[2]);
    }
    case 24:
        return static_cast<uint32_t>(p[3 * x + 2]) << 16 | static_cast<uint32_t>(p[3 * x + 1]) << 8 | p[3 * x];
    case 32: {
        const uint32_t v = le32(p + 4 * x);
        return channel(v, image.masks[0]) << 16 | channel(v, image.masks[1]) << 8 | channel(v, image.masks[2]);
    }
    default:
        return 0;
    }
    // An index past the colour table is black.
    if (index >= image.palette_entries) return 0;
    const uint8_t* entry = image.palette + static_cast<ptrdiff_t>(index) * image.palette_entry_size;
    return static_cast<uint32_t>(entry[2]) << 16 | static_cast<uint32_t>(entry[1]) << 8 | entry[0];
}

}  // namespace tomelet
