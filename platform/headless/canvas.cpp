// Painting: the client layer (what the window's own paints drew), the
// screen buffer (the composed window), the canvases and the draw logs.
#include <cstddef>
#include <cstring>

#include "platform/headless/backend.h"
#include "platform/headless/pixels.h"

namespace tomelet {
namespace headless {

namespace {

// Both layers are fixed storage, packed at the window's width: a window of
// w x h pixels occupies the first w x h x 3 bytes of each, and the rest is
// never touched.  The client layer holds every byte complemented, so white
// is 0: the storage of a new process is a white window already.
constexpr size_t LAYER_BYTES = static_cast<size_t>(MAX_WINDOW_WIDTH) * MAX_WINDOW_HEIGHT * 3 + LAYER_SLACK;
uint8_t client_layer[LAYER_BYTES];
uint8_t screen_layer[LAYER_BYTES];

// The client layer's shape, and per row the columns [ink_left, ink_right)
// outside which the row is white (empty when ink_left >= ink_right; a row
// never inked holds 0 and 0).  The rows [ink_top, ink_bottom) hold every
// inked row.  A paint clears only those spans, that is only what earlier
// paints drew.
int32_t client_width = 0;
int32_t client_height = 0;
int16_t ink_left[MAX_WINDOW_HEIGHT];
int16_t ink_right[MAX_WINDOW_HEIGHT];
int32_t ink_top = 0;
int32_t ink_bottom = 0;

int32_t cut(int32_t v, int32_t most) { return v < 0 ? 0 : (v > most ? most : v); }

uint8_t* client_row(int32_t y) { return client_layer + static_cast<size_t>(y) * client_width * 3; }

uint8_t* screen_row(int32_t y) { return screen_layer + static_cast<size_t>(y) * frame_width() * 3; }

// Makes the whole client layer white again: only the inked spans need it.
void whiten_client() {
    const int32_t bottom = ink_bottom < client_height ? ink_bottom : client_height;
    for (int32_t y = ink_top; y < bottom; ++y) {
        if (ink_left[y] < ink_right[y]) {
            std::memset(client_row(y) + static_cast<ptrdiff_t>(ink_left[y]) * 3, 0,
                        static_cast<size_t>(ink_right[y] - ink_left[y]) * 3);
            ink_left[y] = 0;
            ink_right[y] = 0;
        }
    }
    ink_top = 0;
    ink_bottom = 0;
}

// A new shape packs the rows differently, so the layer is made white first
// (what it held is no picture in the new shape); the paint that a resize
// brings redraws it.
[[gnu::noinline]] void adopt_client_size() {
    const int32_t w = cut(state.window.exists ? state.window.client_width : 0, MAX_WINDOW_WIDTH);
    const int32_t h = cut(state.window.exists ? state.window.client_height : 0, MAX_WINDOW_HEIGHT);
    if (w == client_width && h == client_height) return;
    whiten_client();
    client_width = w;
    client_height = h;
}

// Follows the window's client size.  Every drawing asks: the usual case,
// the size unchanged, is told apart here, the rest out of line.
inline void follow_client_size() {
    if (state.window.exists && state.window.client_width == client_width &&
        state.window.client_height == client_height) [[likely]] {
        return;
    }
    adopt_client_size();
}

int32_t layer_width(bool on_screen) {
    if (on_screen) return frame_width();
    follow_client_size();
    return client_width;
}

int32_t layer_height(bool on_screen) {
    if (on_screen) return frame_height();
    follow_client_size();
    return client_height;
}

// Widens the inked span of the rows [top, bottom) of the client layer by
// the columns [left, right) (the rows and columns are inside the layer).
void widen_inked_rows(int32_t top, int32_t bottom, int32_t left, int32_t right) {
    if (left >= right || top >= bottom) return;
    if (ink_top >= ink_bottom) {
        ink_top = top;
        ink_bottom = bottom;
    } else {
        if (top < ink_top) ink_top = top;
        if (bottom > ink_bottom) ink_bottom = bottom;
    }
    for (int32_t y = top; y < bottom; ++y) {
        if (ink_left[y] >= ink_right[y]) {
            ink_left[y] = static_cast<int16_t>(left);
            ink_right[y] = static_cast<int16_t>(right);
            continue;
        }
        if (left < ink_left[y]) ink_left[y] = static_cast<int16_t>(left);
        if (right > ink_right[y]) ink_right[y] = static_cast<int16_t>(right);
    }
}

// The canvas behind a handle: one of the two canvases, while it is active.
canvas_state* canvas_of(plat_canvas canvas) {
    auto* c = reinterpret_cast<canvas_state*>(canvas);
    if (c != &state.window_canvas && c != &state.item_canvas) return nullptr;
    return c->active ? c : nullptr;
}

draw_record* next_record(const canvas_state& c) {
    if (!c.logs) return nullptr;
    const bool window = &c == &state.window_canvas;
    int32_t& total = window ? state.draw_total : state.item_draw_total;
    draw_record* log = window ? state.draws : state.item_draws;
    draw_record* r = total < DRAW_LOG_SIZE ? &log[total] : nullptr;
    ++total;
    if (r != nullptr) {
        *r = draw_record{};
        r->control_id = c.control_id;
    }
    return r;
}

// Copies n characters (fewer at a NUL) cut to LOG_TEXT_SIZE - 1 after
// `used` characters already in dest.
void append_text(char* dest, const char* text, int32_t n) {
    size_t used = std::strlen(dest);
    for (int32_t i = 0; i < n && text[i] != '\0' && used < LOG_TEXT_SIZE - 1; ++i) dest[used++] = text[i];
    dest[used] = '\0';
}

plat_rect translate(const plat_rect& r, int32_t dx, int32_t dy) {
    return plat_rect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

// The characters drawn of n with prefix processing: "&x" draws x, "&&"
// draws one ampersand.
int32_t drawn_length(const char* text, int32_t n, bool prefixes) {
    if (!prefixes) return n;
    int32_t count = 0;
    for (int32_t i = 0; i < n; ++i) {
        if (text[i] == '&') {
            if (i + 1 < n && text[i + 1] == '&') ++i;
            else continue;
        }
        ++count;
    }
    return count;
}

const uint8_t WHITE = 255;

}  // namespace

int32_t frame_width() { return cut(state.window.exists ? state.window.width : 0, MAX_WINDOW_WIDTH); }
int32_t frame_height() { return cut(state.window.exists ? state.window.height : 0, MAX_WINDOW_HEIGHT); }

plat_rect intersect(const plat_rect& a, const plat_rect& b) {
    plat_rect r{a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
                a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

layer_view drawing_layer(bool on_screen) {
    if (on_screen) return layer_view{screen_layer, frame_width() * 3, frame_width(), frame_height(), false};
    follow_client_size();
    return layer_view{client_layer, client_width * 3, client_width, client_height, true};
}

void mark_ink(bool on_screen, const plat_rect& area) {
    if (on_screen) return;
    // The area cut to the layer (the glyphs mark theirs a row at a time);
    // an empty one marks nothing.
    follow_client_size();
    widen_inked_rows(area.top > 0 ? area.top : 0, area.bottom < client_height ? area.bottom : client_height,
                     area.left > 0 ? area.left : 0, area.right < client_width ? area.right : client_width);
}

void put_pixel(bool on_screen, int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b) {
    if (x < 0 || y < 0 || x >= layer_width(on_screen) || y >= layer_height(on_screen)) return;
    if (on_screen) {
        uint8_t* p = screen_row(y) + static_cast<ptrdiff_t>(x) * 3;
        p[0] = r;
        p[1] = g;
        p[2] = b;
        return;
    }
    uint8_t* p = client_row(y) + static_cast<ptrdiff_t>(x) * 3;
    p[0] = static_cast<uint8_t>(~r);
    p[1] = static_cast<uint8_t>(~g);
    p[2] = static_cast<uint8_t>(~b);
    widen_inked_rows(y, y + 1, x, x + 1);
}

void fill_rect(bool on_screen, const plat_rect& rect, uint8_t r, uint8_t g, uint8_t b) {
    const plat_rect area = intersect(rect, plat_rect{0, 0, layer_width(on_screen), layer_height(on_screen)});
    if (area.right <= area.left) return;
    if (!on_screen) {
        r = static_cast<uint8_t>(~r);
        g = static_cast<uint8_t>(~g);
        b = static_cast<uint8_t>(~b);
    }
    // White on the client layer inks nothing.
    const bool white = !on_screen && r == 0 && g == 0 && b == 0;
    if (!on_screen && !white) widen_inked_rows(area.top, area.bottom, area.left, area.right);
    for (int32_t y = area.top; y < area.bottom; ++y) {
        uint8_t* row = (on_screen ? screen_row(y) : client_row(y)) + static_cast<ptrdiff_t>(area.left) * 3;
        if (r == g && g == b) {
            // A grey (white above all) is one byte over and over.
            std::memset(row, r, static_cast<size_t>(area.right - area.left) * 3);
            continue;
        }
        for (int32_t x = area.left; x < area.right; ++x, row += 3) {
            row[0] = r;
            row[1] = g;
            row[2] = b;
        }
    }
}

void clear_client_layer() {
    follow_client_size();
    whiten_client();
}

void blit_bitmap(bool on_screen, plat_bitmap bitmap, int32_t x, int32_t y, int32_t width, int32_t height,
                 const plat_rect& clip) {
    uint16_t resource = 0;
    if (!bitmap_resource(bitmap, &resource)) return;
    bmp_image image{};
    plat_size test{};
    if (bitmap_image(resource, &image)) {
        if (width > image.width) width = image.width;
        if (height > image.height) height = image.height;
        const layer_view layer = drawing_layer(on_screen);
        const plat_rect area = intersect(intersect(plat_rect{x, y, x + width, y + height}, clip),
                                         plat_rect{0, 0, layer.width, layer.height});
        if (area.right <= area.left || area.bottom <= area.top) return;
        // Row by row; a 24-bit image (the usual kind) is read straight from
        // its rows, any other through bmp_pixel.
        const uint8_t flip = layer.complemented ? 0xFF : 0x00;
        for (int32_t py = area.top; py < area.bottom; ++py) {
            uint8_t* out = layer.pixels + static_cast<ptrdiff_t>(py) * layer.stride + static_cast<ptrdiff_t>(area.left) * 3;
            const int32_t sy = py - y;
            if (image.bits == 24) {
                const int32_t file_row = image.top_down ? sy : image.height - 1 - sy;
                const uint8_t* in = image.pixels + static_cast<size_t>(file_row) * image.stride +
                                    static_cast<ptrdiff_t>(area.left - x) * 3;
                copy_bgr_row(out, in, area.right - area.left, flip);
            } else {
                for (int32_t px = area.left; px < area.right; ++px, out += 3) {
                    const uint32_t c = bmp_pixel(image, px - x, sy);
                    out[0] = static_cast<uint8_t>((c >> 16) ^ flip);
                    out[1] = static_cast<uint8_t>((c >> 8) ^ flip);
                    out[2] = static_cast<uint8_t>(c ^ flip);
                }
            }
        }
        mark_ink(on_screen, area);
    } else if (bitmap_test_size(resource, &test)) {
        // A resource without an image: a grey placeholder with a frame and
        // its diagonals.
        if (width > test.cx) width = test.cx;
        if (height > test.cy) height = test.cy;
        const plat_rect area = intersect(plat_rect{x, y, x + width, y + height}, clip);
        for (int32_t py = area.top; py < area.bottom; ++py) {
            for (int32_t px = area.left; px < area.right; ++px) {
                const int32_t dx = px - x;
                const int32_t dy = py - y;
                const bool edge = dx == 0 || dy == 0 || dx == width - 1 || dy == height - 1 ||
                                  dx * height / width == dy || (width - 1 - dx) * height / width == dy;
                const uint8_t v = edge ? 128 : 200;
                put_pixel(on_screen, px, py, v, v, v);
            }
        }
    }
}

int32_t draw_count() { return state.draw_total; }

const draw_record& draw(int32_t i) {
    static const draw_record none{};
    if (i < 0 || i >= state.draw_total || i >= DRAW_LOG_SIZE) return none;
    return state.draws[i];
}

int32_t item_draw_count() { return state.item_draw_total; }

const draw_record& item_draw(int32_t i) {
    static const draw_record none{};
    if (i < 0 || i >= state.item_draw_total || i >= DRAW_LOG_SIZE) return none;
    return state.item_draws[i];
}

rgb client_pixel(int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= layer_width(false) || y >= layer_height(false)) return rgb{WHITE, WHITE, WHITE};
    const uint8_t* p = client_row(y) + static_cast<ptrdiff_t>(x) * 3;
    return rgb{static_cast<uint8_t>(~p[0]), static_cast<uint8_t>(~p[1]), static_cast<uint8_t>(~p[2])};
}

void copy_client_to_screen(const plat_rect& area) {
    follow_client_size();
    const int32_t n = (area.right - area.left) * 3;
    for (int32_t y = area.top; y < area.bottom; ++y) {
        const uint8_t* in = client_row(y - CLIENT_TOP) + static_cast<ptrdiff_t>(area.left - CLIENT_LEFT) * 3;
        uint8_t* out = screen_row(y) + static_cast<ptrdiff_t>(area.left) * 3;
        for (int32_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(~in[i]);
    }
}

rgb screen_pixel(int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= frame_width() || y >= frame_height()) return rgb{0, 0, 0};
    const uint8_t* p = screen_row(y) + static_cast<ptrdiff_t>(x) * 3;
    return rgb{p[0], p[1], p[2]};
}

const uint8_t* screen_rows() { return screen_layer; }

}  // namespace headless

using headless::state;

// The window's canvas draws into the client layer at client coordinates.
// Without a window it draws nothing but still logs.
plat_canvas plat_paint_begin() {
    headless::canvas_state& c = state.window_canvas;
    c = headless::canvas_state{};
    c.active = true;
    c.draws_pixels = true;
    c.logs = true;
    c.clip = plat_rect{0, 0, headless::layer_width(false), headless::layer_height(false)};
    state.draw_total = 0;
    if (state.window.exists) state.window.invalid = false;
    // The whole client area is cleared to white: only what was drawn since
    // the last clear needs it.
    headless::clear_client_layer();
    return reinterpret_cast<plat_canvas>(&c);
}

void plat_paint_end(plat_canvas canvas) {
    if (headless::canvas_state* c = headless::canvas_of(canvas); c == &state.window_canvas) {
        c->active = false;
        state.paint_open = false;
    }
}

void plat_draw_text(plat_canvas canvas, plat_font font, const char* text, int32_t n, const plat_rect& rect,
                    uint32_t format) {
    headless::canvas_state* c = headless::canvas_of(canvas);
    if (c == nullptr) return;
    if (text == nullptr || n < 0) n = 0;
    const headless::face_choice face = headless::face_of(font);
    if (headless::draw_record* r = headless::next_record(*c)) {
        r->kind = headless::DRAW_TEXT;
        r->font = font;
        r->weight = face.weight;
        r->n = n;
        const int32_t kept = n < headless::LOG_TEXT_SIZE - 1 ? n : headless::LOG_TEXT_SIZE - 1;
        if (kept > 0) std::memcpy(r->text, text, static_cast<size_t>(kept));
        r->text[kept] = '\0';
        r->rect = rect;
        r->format = format;
    }
    if (c == &state.item_canvas && c->logs) headless::append_text(state.controls[c->slot].drawn_label, text, n);
    if (!c->draws_pixels || n == 0) return;

    const bool prefixes = (format & PLAT_TEXT_NO_PREFIX) == 0;
    const int32_t width = face.advance * headless::drawn_length(text, n, prefixes);
    const int32_t box_width = rect.right - rect.left;
    int32_t x = rect.left;
    if ((format & PLAT_TEXT_CENTER) != 0) {
        x = rect.left + (box_width - width) / 2;
    } else if ((format & PLAT_TEXT_RIGHT) != 0) {
        x = rect.right - width;
    }
    int32_t y = rect.top;
    if ((format & PLAT_TEXT_VCENTER) != 0 && (format & PLAT_TEXT_SINGLE_LINE) != 0) {
        y = rect.top + (rect.bottom - rect.top - face.height) / 2;
    }
    const plat_rect clip = headless::intersect(headless::translate(rect, c->origin_x, c->origin_y), c->clip);
    headless::draw_glyphs(c->on_screen, x + c->origin_x, y + c->origin_y, clip, face, text, n, prefixes, 0, 0, 0);
}

void plat_invert_rect(plat_canvas canvas, const plat_rect& rect) {
    headless::canvas_state* c = headless::canvas_of(canvas);
    if (c == nullptr) return;
    if (headless::draw_record* r = headless::next_record(*c)) {
        r->kind = headless::DRAW_INVERT;
        r->rect = rect;
    }
    if (!c->draws_pixels) return;
    const headless::layer_view layer = headless::drawing_layer(c->on_screen);
    const plat_rect area = headless::intersect(headless::intersect(headless::translate(rect, c->origin_x, c->origin_y), c->clip),
                                               plat_rect{0, 0, layer.width, layer.height});
    if (area.right <= area.left) return;
    // Inverting a complemented byte complements it too.  A row is inverted
    // in blocks (a title's inversion is a full-width band, done on every
    // page).
    const auto bytes = static_cast<size_t>(area.right - area.left) * 3;
    for (int32_t y = area.top; y < area.bottom; ++y) {
        uint8_t* p = layer.pixels + static_cast<ptrdiff_t>(y) * layer.stride + static_cast<ptrdiff_t>(area.left) * 3;
        headless::complement_bytes(p, bytes);
    }
    headless::mark_ink(c->on_screen, area);
}

void plat_bitmap_draw(plat_canvas canvas, plat_bitmap bitmap, int32_t x, int32_t y, int32_t width, int32_t height) {
    headless::canvas_state* c = headless::canvas_of(canvas);
    if (c == nullptr) return;
    uint16_t resource = 0;
    const bool known = headless::bitmap_resource(bitmap, &resource);
    if (headless::draw_record* r = headless::next_record(*c)) {
        r->kind = headless::DRAW_BITMAP;
        r->resource = known ? resource : 0;
        r->x = x;
        r->y = y;
        r->width = width;
        r->height = height;
    }
    if (!c->draws_pixels || !known) return;
    headless::blit_bitmap(c->on_screen, bitmap, x + c->origin_x, y + c->origin_y, width, height, c->clip);
}

}  // namespace tomelet
