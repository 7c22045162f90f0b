// Screenshots: the composed window written as a PNG with libpng.
#include <png.h>

#include "platform/headless/backend.h"

namespace tomelet::headless {

bool screenshot(const char* path) {
    if (!state.window.exists || path == nullptr) return false;
    compose();
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(frame_width());
    image.height = static_cast<png_uint_32>(frame_height());
    image.format = PNG_FORMAT_RGB;
    if (image.width == 0 || image.height == 0) return false;
    const int ok = png_image_write_to_file(&image, path, 0, screen_rows(), frame_width() * 3, nullptr);
    png_image_free(&image);
    return ok != 0;
}

}  // namespace tomelet::headless
