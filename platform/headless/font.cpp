// Fonts: a fixed table of created fonts, the metric model of headless.h and
// the bitmap faces that text is drawn with.
#include <cstddef>
#include <cstring>

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
    return face_choice{f->model.advance, f->model.height, f->weight, f->weight >= BOLD_WEIGHT, false};
}

int32_t fonts_alive() {
    int32_t n = 0;
    for (const font_slot& f : state.fonts) n += f.alive ? 1 : 0;
    return n;
}

namespace {

// The ink of eight pixels, one byte of a glyph row (leftmost pixel in the
// top bit), spread to the 24 bytes of those pixels: 0xFF where the pixel is
// inked, 0 where it is not.
struct spread_table {
    uint8_t bytes[256][24];
};
constexpr spread_table make_spread_table() {
    spread_table t{};
    for (int32_t bits = 0; bits < 256; ++bits) {
        for (int32_t pixel = 0; pixel < 8; ++pixel) {
            if ((bits & (0x80 >> pixel)) == 0) continue;
            for (int32_t k = 0; k < 3; ++k) t.bytes[bits][3 * pixel + k] = 0xFF;
        }
    }
    return t;
}
constexpr spread_table SPREAD = make_spread_table();

uint64_t load8(const uint8_t* p) {
    uint64_t v = 0;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void store8(uint8_t* p, uint64_t v) { std::memcpy(p, &v, sizeof v); }

// How a colour goes onto the layer's bytes: all of whose bytes are 0xFF
// (black on the complemented client layer, white on the screen) or 0 (the
// reverse) are set or cleared bits, any other is blended in.
enum ink_mode { INK_SET, INK_CLEAR, INK_BLEND };

template <ink_mode MODE>
inline void ink_eight_bytes(uint8_t* p, uint64_t mask, uint64_t colour) {
    uint64_t v = load8(p);
    if constexpr (MODE == INK_SET) {
        v |= mask;
    } else if constexpr (MODE == INK_CLEAR) {
        v &= ~mask;
    } else {
        v = (v & ~mask) | (colour & mask);
    }
    store8(p, v);
}

// Inks a glyph row of up to 16 pixels (leftmost in the top bit) whose
// first pixel is at p, eight bytes at a time: the inked bytes take the
// colour, the others are written back unchanged.
template <ink_mode MODE>
inline void ink_row(uint8_t* p, uint32_t bits, const uint64_t colour[3]) {
    const uint8_t* spread = SPREAD.bytes[bits >> 8];
    for (int32_t k = 0; k < 3; ++k) ink_eight_bytes<MODE>(p + 8 * k, load8(spread + 8 * k), colour[k]);
    if ((bits & 0xFF) == 0) return;
    spread = SPREAD.bytes[bits & 0xFF];
    for (int32_t k = 0; k < 3; ++k) ink_eight_bytes<MODE>(p + 24 + 8 * k, load8(spread + 8 * k), colour[k]);
}

// The columns 0..15 of a glyph row at x that lie in [left, right).
uint32_t column_mask(int32_t x, int32_t left, int32_t right) {
    int32_t from = left - x;
    int32_t to = right - x;
    if (from < 0) from = 0;
    if (to > 16) to = 16;
    if (from >= to) return 0;
    return (0xFFFFu >> from) & (0xFFFFu << (16 - to)) & 0xFFFFu;
}

}  // namespace

// Each glyph row is one 16-bit word of its face; a drawn bold's smear is
// worked on the whole word, and the word is inked into the layer a byte of
// pixels at a time.  The layer's slack after its last row covers a row's
// reach of 16 pixels past its first one.
void ink_glyphs(bool on_screen, int32_t x, int32_t y, const plat_rect& clip, const face_choice& choice,
                 const char* text, int32_t n, bool prefixes, uint8_t r, uint8_t g, uint8_t b) {
    bool synthetic = false;
    // The default font draws with the 7x14 face in its 16-pixel line.
    const fonts::face& face = choice.default_font ? face_for(7, 14, choice.bold, &synthetic)
                                                  : face_for(choice.advance, choice.height, choice.bold, &synthetic);
    const int32_t top = y + (choice.height - face.height) / 2;
    const layer_view layer = drawing_layer(on_screen);
    const plat_rect area = intersect(clip, plat_rect{0, 0, layer.width, layer.height});
    const int32_t first_row = (area.top > top ? area.top : top) - top;
    const int32_t end_row = (area.bottom < top + face.height ? area.bottom : top + face.height) - top;
    if (area.right <= area.left || first_row >= end_row) return;

    // The colour over the 24 bytes of eight pixels, as the layer keeps it.
    uint8_t pattern[24];
    const uint8_t flip = layer.complemented ? 0xFF : 0x00;
    for (int32_t i = 0; i < 24; i += 3) {
        pattern[i] = static_cast<uint8_t>(r ^ flip);
        pattern[i + 1] = static_cast<uint8_t>(g ^ flip);
        pattern[i + 2] = static_cast<uint8_t>(b ^ flip);
    }
    const uint64_t colour[3] = {load8(pattern), load8(pattern + 8), load8(pattern + 16)};

    // Where the glyph at column `at` is inked: its columns inside the area,
    // counted from a first pixel that lies inside the layer (columns left
    // of it are clipped anyway).
    struct placement {
        uint8_t* first;  // the glyph's first pixel in its first row drawn
        uint32_t columns;
        int32_t shift;
    };
    auto place = [&](int32_t at) {
        placement p{nullptr, column_mask(at, area.left, area.right), 0};
        if (at < 0) {
            p.shift = -at < 16 ? -at : 16;
            at = 0;
        }
        p.first = layer.pixels + static_cast<ptrdiff_t>(top + first_row) * layer.stride + static_cast<ptrdiff_t>(at) * 3;
        return p;
    };

    const uint32_t cell = (0xFFFFu << (16 - face.advance)) & 0xFFFFu;
    const int32_t start_x = x;
    uint32_t inked_rows = 0;  // bit r: glyph row r took ink
    auto run = [&]<ink_mode MODE>() {
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
                const placement p = place(x);
                uint8_t* at = p.first;
                for (int32_t row = first_row; row < end_row; ++row, at += layer.stride) {
                    uint32_t bits = rows[row] & cell;
                    if (bits == 0) continue;
                    // A drawn bold smears each pixel one to the right,
                    // but never into a one-pixel gap, which would fill the
                    // counters of letters such as m and w.
                    if (synthetic) bits |= ((bits & ~(bits << 2)) & 0xFFFFu) >> 1;
                    bits &= p.columns;
                    if (bits == 0) continue;
                    ink_row<MODE>(at, (bits << p.shift) & 0xFFFFu, colour);
                    inked_rows |= 1u << row;
                }
            }
            if (underline) {
                const int32_t row = face.ascent + 1;
                const placement p = place(x);
                if (row >= first_row && row < end_row && (cell & p.columns) != 0) {
                    ink_row<MODE>(p.first + static_cast<ptrdiff_t>(row - first_row) * layer.stride,
                                  ((cell & p.columns) << p.shift) & 0xFFFFu, colour);
                    inked_rows |= 1u << row;
                }
                underline = false;
            }
            x += face.advance;
        }
    };
    if (colour[0] == ~uint64_t{0} && colour[1] == ~uint64_t{0} && colour[2] == ~uint64_t{0}) {
        run.template operator()<INK_SET>();
    } else if (colour[0] == 0 && colour[1] == 0 && colour[2] == 0) {
        run.template operator()<INK_CLEAR>();
    } else {
        run.template operator()<INK_BLEND>();
    }
    // What was inked: the rows that took ink, from the first glyph to one
    // past the last (a drawn bold's smear).
    for (int32_t row = first_row; row < end_row; ++row) {
        if ((inked_rows & (1u << row)) == 0) continue;
        mark_ink(on_screen, intersect(plat_rect{start_x, top + row, x + 1, top + row + 1}, area));
    }
}

namespace {
glyph_routine glyph_drawer = ink_glyphs;
}  // namespace

void use_glyph_routine(glyph_routine routine) { glyph_drawer = routine != nullptr ? routine : ink_glyphs; }

void draw_glyphs(bool on_screen, int32_t x, int32_t y, const plat_rect& clip, const face_choice& face,
                 const char* text, int32_t n, bool prefixes, uint8_t r, uint8_t g, uint8_t b) {
    glyph_drawer(on_screen, x, y, clip, face, text, n, prefixes, r, g, b);
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
        f.model = headless::page_font_model(height);
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
