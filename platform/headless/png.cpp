// Screenshots: the composed window written as a PNG with libpng.  The
// library is loaded at the first screenshot, not at start: most runs of the
// reader take none, and one that never loads it starts without libpng and
// the two libraries that libpng itself needs.
#include <dlfcn.h>
#include <png.h>

#include "platform/headless/backend.h"

namespace tomelet::headless {

namespace {

struct png_calls {
    decltype(&png_image_write_to_file) write_to_file;
    decltype(&png_image_free) free;
};

// libpng's calls, or null when the library cannot be loaded.  It is tried
// once and stays loaded for the run.
const png_calls* libpng() {
    static png_calls calls{};
    static bool tried = false;
    if (!tried) {
        tried = true;
        if (void* library = dlopen(TOMELET_LIBPNG, RTLD_NOW | RTLD_LOCAL)) {
            calls.write_to_file =
                reinterpret_cast<decltype(&png_image_write_to_file)>(dlsym(library, "png_image_write_to_file"));
            calls.free = reinterpret_cast<decltype(&png_image_free)>(dlsym(library, "png_image_free"));
        }
    }
    return calls.write_to_file != nullptr && calls.free != nullptr ? &calls : nullptr;
}

}  // namespace

bool screenshot(const char* path) {
    if (!state.window.exists || path == nullptr) return false;
    const png_calls* png = libpng();
    if (png == nullptr) return false;
    compose();
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(frame_width());
    image.height = static_cast<png_uint_32>(frame_height());
    image.format = PNG_FORMAT_RGB;
    if (image.width == 0 || image.height == 0) return false;
    const int ok = png->write_to_file(&image, path, 0, screen_rows(), frame_width() * 3, nullptr);
    png->free(&image);
    return ok != 0;
}

}  // namespace tomelet::headless
