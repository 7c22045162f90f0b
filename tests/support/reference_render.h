// The headless back end's drawing done the plain way, one pixel at a time:
// a reference that the back end's own (faster) drawing must match exactly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/headless/backend.h"

namespace tomelet::testing {

// An RGB picture, white to begin with.
struct reference_picture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgb;

    reference_picture(int32_t w, int32_t h) : width(w), height(h), rgb(static_cast<size_t>(w) * h * 3, 255) {}
    void set(int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b);
};

// Draws glyphs as the back end's glyph routine does (same arguments), each
// pixel through put(context, x, y); the caller clips to its target.
void reference_glyphs(void (*put)(void* context, int32_t x, int32_t y), void* context, int32_t x, int32_t y,
                      const plat_rect& clip, const headless::face_choice& face, const char* text, int32_t n,
                      bool prefixes);

// A glyph routine for headless::use_glyph_routine that draws through
// reference_glyphs and headless::put_pixel.
void reference_glyph_routine(bool on_screen, int32_t x, int32_t y, const plat_rect& clip,
                             const headless::face_choice& face, const char* text, int32_t n, bool prefixes,
                             uint8_t r, uint8_t g, uint8_t b);

// The window's last paint, drawn again from its draw log onto a white
// picture of the client area's size.  False when the log does not hold all
// of it (records or characters cut off).
bool reference_paint(reference_picture* picture);

}  // namespace tomelet::testing
