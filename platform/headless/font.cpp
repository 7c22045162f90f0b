// Fonts: a fixed table of created fonts, the metric model of headless.h and
// the bitmap faces that text is drawn with.
#include <cstddef>

#include "platform/headless/backend.h"
#include "platform/headless/font_faces.h"

namespace tomelet {
namespace headless {

namespace {

// A font handle is slot + 1 + FONT_SLOTS x the slot's generation.
plat_font font_handle(int32_t slot) {
    const intptr_t value =
        static_cast<intptr_t>(slot) + 1 + static_cast<intptr_t>(FONT_SLOTS) * state.fonts[slot].generation;
    return reinterpret_cast<plat_font>(value);
}

font_slot* font_of(plat_font font) {
    const intptr_t value = reinterpret_cast<intptr_t>(font) - 1;
    if (value < 0) return nullptr;
    const auto slot = static_cast<int32_t>(value % FONT_SLOTS);
    font_slot* f = &state.fonts[slot];
    if (!f->alive || value / FONT_SLOTS != static_cast<intptr_t>(f->generation)) return nullptr;
    return f;
}

// The face that draws a font: the model's advance and height, bold or not.
// A bold cut that the family lacks is drawn from the normal one (twice).
const fonts::face& face_for(int32_t advance, int32_t height, bool bold, bool* synthetic_bold) {
    const fonts::face* normal = &fonts::faces[0];
    for (const fonts::face& f : fonts::faces) {
        if (f.advance != advance || f.height != height) continue;
        if (f.bold == bold) {
            *synthetic_bold = false;
            return f;
        }
        if (!f.bold) normal = &f;
    }
    *synthetic_bold = bold;
    return *normal;
}

}  // namespace

face_choice face_of(plat_font font) {
    const font_slot* f = font_of(font);
    if (f == nullptr) return face_choice{DEFAULT_CHAR_WIDTH, DEFAULT_FONT_HEIGHT, 0, false, true};
    const font_model model = page_font_model(f->height);
    return face_choice{model.advance, model.height, f->weight, f->weight >= BOLD_WEIGHT, false};
}

int32_t fonts_alive() {
    int32_t n = 0;
    for (const font_slot& f : state.fonts) n += f.alive ? 1 : 0;
    return n;
}

void draw_glyphs(bool on_screen, int32_t x, int32_t y, const plat_rect& clip, const face_choice& choice,
                 const char* text, int32_t n, bool prefixes, uint8_t r, uint8_t g, uint8_t b) {
    bool synthetic = false;
    // The default font draws with the 7x14 face in its 16-pixel line.
    const fonts::face& face = choice.default_font ? face_for(7, 14, choice.bold, &synthetic)
                                                  : face_for(choice.advance, choice.height, choice.bold, &synthetic);
    const int32_t top = y + (choice.height - face.height) / 2;
    bool underline = false;
    for (int32_t i = 0; i < n; ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (prefixes && c == '&') {
            if (i + 1 < n && text[i + 1] == '&') {
                ++i;
            } else {
                underline = true;
                continue;
            }
        }
        if (c >= fonts::FIRST_CHAR && x + face.advance > clip.left && x < clip.right) {
            const uint16_t* rows = face.rows + static_cast<ptrdiff_t>(c - fonts::FIRST_CHAR) * face.height;
            for (int32_t row = 0; row < face.height; ++row) {
                const int32_t py = top + row;
                if (py < clip.top || py >= clip.bottom) continue;
                for (int32_t col = 0; col < face.advance; ++col) {
                    if ((rows[row] & (0x8000u >> col)) == 0) continue;
                    // A drawn bold smears each pixel one to the right, but
                    // never into a one-pixel gap, which would fill the
                    // counters of letters such as m and w.
                    const bool gap_closes = col + 2 < 16 && (rows[row] & (0x8000u >> (col + 2))) != 0;
                    const int32_t smear = synthetic && !gap_closes ? 1 : 0;
                    for (int32_t extra = 0; extra <= smear; ++extra) {
                        const int32_t px = x + col + extra;
                        if (px >= clip.left && px < clip.right) put_pixel(on_screen, px, py, r, g, b);
                    }
                }
            }
        }
        if (underline) {
            const int32_t py = top + face.ascent + 1;
            if (py >= clip.top && py < clip.bottom) {
                for (int32_t col = 0; col < face.advance; ++col) {
                    const int32_t px = x + col;
                    if (px >= clip.left && px < clip.right) put_pixel(on_screen, px, py, r, g, b);
                }
            }
            underline = false;
        }
        x += face.advance;
    }
}

}  // namespace headless

using headless::state;

plat_font plat_font_create(int32_t height, int32_t weight) {
    for (int32_t i = 0; i < headless::FONT_SLOTS; ++i) {
        headless::font_slot& f = state.fonts[i];
        if (f.alive) continue;
        ++f.generation;
        f.alive = true;
        f.height = height;
        f.weight = weight;
        return headless::font_handle(i);
    }
    state.last_error = headless::ERROR_NOT_ENOUGH_MEMORY;
    return nullptr;
}

void plat_font_delete(plat_font font) {
    if (headless::font_slot* f = headless::font_of(font)) f->alive = false;
}

plat_font_metrics plat_default_font_metrics() {
    return plat_font_metrics{headless::DEFAULT_FONT_HEIGHT, headless::DEFAULT_CHAR_WIDTH};
}

// Every face is fixed-width, so the characters themselves do not matter.
plat_size plat_text_extent(plat_font font, const char*, int32_t n) {
    if (n < 0) n = 0;
    const headless::face_choice face = headless::face_of(font);
    return plat_size{face.advance * n, face.height};
}

}  // namespace tomelet
