// Composing the window for a screenshot: the frame (border, caption, menu
// bar, scroll bar), the client area as painted, and the child controls
// drawn as a desktop draws them.  Owner-drawn buttons are drawn by the
// engine (on_draw_item) into a canvas clipped to the button.
#include <cstring>

#include "platform/headless/backend.h"

namespace tomelet {
namespace headless {

namespace {

struct colour {
    uint8_t r, g, b;
};

constexpr colour FACE{212, 208, 200};
constexpr colour HIGHLIGHT{255, 255, 255};
constexpr colour SHADOW{128, 128, 128};
constexpr colour DARK{64, 64, 64};
constexpr colour BLACK{0, 0, 0};
constexpr colour WHITE{255, 255, 255};
constexpr colour CAPTION_LEFT{10, 36, 106};
constexpr colour CAPTION_RIGHT{166, 202, 240};

// The check mark of a ticked box, 7 x 7.
constexpr uint8_t TICK[7] = {0x02, 0x06, 0x8E, 0xDC, 0xF8, 0x70, 0x20};

void fill(const plat_rect& r, colour c) { fill_rect(true, r, c.r, c.g, c.b); }

void pixel(int32_t x, int32_t y, colour c, const plat_rect& clip) {
    if (x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom) put_pixel(true, x, y, c.r, c.g, c.b);
}

// One ring of an edge: top and left in one colour, bottom and right in
// another, clipped.
void ring(const plat_rect& r, colour top_left, colour bottom_right, const plat_rect& clip) {
    if (r.right <= r.left || r.bottom <= r.top) return;
    fill(intersect(plat_rect{r.left, r.top, r.right, r.top + 1}, clip), top_left);
    fill(intersect(plat_rect{r.left, r.top, r.left + 1, r.bottom}, clip), top_left);
    fill(intersect(plat_rect{r.left, r.bottom - 1, r.right, r.bottom}, clip), bottom_right);
    fill(intersect(plat_rect{r.right - 1, r.top, r.right, r.bottom}, clip), bottom_right);
}

plat_rect shrink(const plat_rect& r, int32_t by) {
    return plat_rect{r.left + by, r.top + by, r.right - by, r.bottom - by};
}

void raised(const plat_rect& r, const plat_rect& clip) {
    ring(r, HIGHLIGHT, DARK, clip);
    ring(shrink(r, 1), FACE, SHADOW, clip);
}

void sunken(const plat_rect& r, const plat_rect& clip) {
    ring(r, SHADOW, HIGHLIGHT, clip);
    ring(shrink(r, 1), DARK, FACE, clip);
}

const face_choice DEFAULT_FACE{DEFAULT_CHAR_WIDTH, DEFAULT_FONT_HEIGHT, 0, false, true};
// The caption's title: the 9x15 bold cut, whose letters keep their counters
// (the narrower bold cuts fill the m).
const face_choice CAPTION_FACE{9, 15, 700, true, false};

int32_t text_width(const char* text, bool prefixes) {
    int32_t count = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (prefixes && *p == '&') {
            if (p[1] != '&') continue;
            ++p;
        }
        ++count;
    }
    return count * DEFAULT_CHAR_WIDTH;
}

void text(int32_t x, int32_t y, const char* s, const face_choice& face, colour c, const plat_rect& clip,
          bool prefixes) {
    draw_glyphs(true, x, y, clip, face, s, static_cast<int32_t>(std::strlen(s)), prefixes, c.r, c.g, c.b);
}

// Text of a disabled control: embossed grey.
void greyed_text(int32_t x, int32_t y, const char* s, const plat_rect& clip, bool prefixes) {
    text(x + 1, y + 1, s, DEFAULT_FACE, HIGHLIGHT, clip, prefixes);
    text(x, y, s, DEFAULT_FACE, SHADOW, clip, prefixes);
}

void centred_text(const plat_rect& r, const char* s, bool enabled, const plat_rect& clip) {
    const int32_t x = r.left + (r.right - r.left - text_width(s, true)) / 2;
    const int32_t y = r.top + (r.bottom - r.top - DEFAULT_FONT_HEIGHT) / 2;
    if (enabled) {
        text(x, y, s, DEFAULT_FACE, BLACK, clip, true);
    } else {
        greyed_text(x, y, s, clip, true);
    }
}

// A small arrow head pointing up or down, centred in r.
void arrow(const plat_rect& r, bool up, colour c, const plat_rect& clip) {
    const int32_t cx = (r.left + r.right) / 2;
    const int32_t top = (r.top + r.bottom) / 2 - 2;
    for (int32_t i = 0; i < 4; ++i) {
        const int32_t y = up ? top + i : top + 3 - i;
        for (int32_t x = cx - i; x <= cx + i; ++x) pixel(x, y, c, clip);
    }
}

plat_rect client_on_screen() {
    return intersect(plat_rect{CLIENT_LEFT, CLIENT_TOP, CLIENT_LEFT + state.window.client_width,
                               CLIENT_TOP + state.window.client_height},
                     plat_rect{0, 0, frame_width(), frame_height()});
}

void draw_caption_button(const plat_rect& r, int32_t kind, const plat_rect& clip) {
    fill(intersect(r, clip), FACE);
    raised(r, clip);
    const int32_t x = r.left + 4;
    const int32_t y = r.top + 3;
    switch (kind) {
    case 0:  // minimize: a bar at the bottom
        fill(intersect(plat_rect{x, y + 6, x + 6, y + 8}, clip), BLACK);
        break;
    case 1:  // maximize, greyed (the window has no maximize box)
        ring(plat_rect{x + 1, y - 1, x + 10, y + 8}, SHADOW, SHADOW, clip);
        fill(intersect(plat_rect{x + 1, y, x + 10, y + 1}, clip), SHADOW);
        break;
    default:  // close: a cross
        for (int32_t i = 0; i < 7; ++i) {
            for (int32_t w = 0; w < 2; ++w) {
                pixel(x + i + w, y + i, BLACK, clip);
                pixel(x + 6 - i + w, y + i, BLACK, clip);
            }
        }
        break;
    }
}

void draw_frame() {
    const int32_t w = frame_width();
    const int32_t h = frame_height();
    const plat_rect all{0, 0, w, h};
    fill(all, FACE);
    ring(all, FACE, DARK, all);
    ring(shrink(all, 1), HIGHLIGHT, SHADOW, all);

    // The caption: a gradient bar with a small book icon, the title and the
    // caption buttons.
    const plat_rect caption{FRAME_BORDER, FRAME_BORDER, w - FRAME_BORDER, FRAME_BORDER + CAPTION_HEIGHT - 1};
    const int32_t span = caption.right - caption.left > 1 ? caption.right - caption.left - 1 : 1;
    for (int32_t x = caption.left; x < caption.right; ++x) {
        const int32_t t = x - caption.left;
        const colour c{static_cast<uint8_t>(CAPTION_LEFT.r + (CAPTION_RIGHT.r - CAPTION_LEFT.r) * t / span),
                       static_cast<uint8_t>(CAPTION_LEFT.g + (CAPTION_RIGHT.g - CAPTION_LEFT.g) * t / span),
                       static_cast<uint8_t>(CAPTION_LEFT.b + (CAPTION_RIGHT.b - CAPTION_LEFT.b) * t / span)};
        fill(intersect(plat_rect{x, caption.top, x + 1, caption.bottom}, all), c);
    }
    const plat_rect icon{caption.left + 3, caption.top + 2, caption.left + 16, caption.top + 16};
    fill(intersect(icon, caption), colour{150, 40, 30});
    fill(intersect(plat_rect{icon.left + 2, icon.top + 2, icon.right - 1, icon.bottom - 2}, caption), WHITE);
    fill(intersect(plat_rect{icon.left + 2, icon.top + 2, icon.left + 4, icon.bottom - 2}, caption),
         colour{150, 40, 30});
    for (int32_t y = icon.top + 4; y < icon.bottom - 3; y += 2) {
        fill(intersect(plat_rect{icon.left + 6, y, icon.right - 3, y + 1}, caption), SHADOW);
    }
    const plat_rect buttons{caption.right - 2 - 16 - 2 - 32, caption.top, caption.right, caption.bottom};
    const plat_rect title_clip{caption.left, caption.top, buttons.left - 2, caption.bottom};
    text(icon.right + 5, caption.top + (caption.bottom - caption.top - CAPTION_FACE.height) / 2, state.window.title,
         CAPTION_FACE, WHITE, intersect(title_clip, all), false);
    const int32_t by = caption.top + 2;
    const int32_t close_x = caption.right - 2 - 16;
    draw_caption_button(plat_rect{close_x - 2 - 16, by, close_x - 2, by + 14}, 1, caption);
    draw_caption_button(plat_rect{close_x - 2 - 32, by, close_x - 2 - 16, by + 14}, 0, caption);
    draw_caption_button(plat_rect{close_x, by, close_x + 16, by + 14}, 2, caption);

    // The menu bar with its one pop-up.
    const int32_t menu_top = FRAME_BORDER + CAPTION_HEIGHT;
    const plat_rect menu{FRAME_BORDER, menu_top, w - FRAME_BORDER, menu_top + MENU_BAR_HEIGHT};
    text(menu.left + 6, menu.top + (MENU_BAR_HEIGHT - DEFAULT_FONT_HEIGHT) / 2, "&Menu", DEFAULT_FACE, BLACK,
         intersect(menu, all), true);
}

void draw_client_area() {
    const plat_rect client = client_on_screen();
    if (client.right > client.left) copy_client_to_screen(client);
}

void draw_scroll_bar() {
    const int32_t left = CLIENT_LEFT + state.window.client_width;
    const int32_t top = CLIENT_TOP;
    const int32_t height = state.window.client_height;
    const plat_rect bar{left, top, left + SCROLL_BAR_WIDTH, top + height};
    const plat_rect clip = intersect(bar, plat_rect{0, 0, frame_width(), frame_height()});
    if (clip.right <= clip.left || clip.bottom <= clip.top) return;
    for (int32_t y = clip.top; y < clip.bottom; ++y) {
        for (int32_t x = clip.left; x < clip.right; ++x) pixel(x, y, ((x + y) & 1) != 0 ? WHITE : FACE, clip);
    }
    const int32_t button = height < 2 * SCROLL_BAR_WIDTH ? height / 2 : SCROLL_BAR_WIDTH;
    const plat_rect up{left, top, left + SCROLL_BAR_WIDTH, top + button};
    const plat_rect down{left, top + height - button, left + SCROLL_BAR_WIDTH, top + height};
    const bool greyed = scroll_bar_greyed();
    for (int32_t i = 0; i < 2; ++i) {
        const plat_rect& r = i == 0 ? up : down;
        fill(intersect(r, clip), FACE);
        raised(r, clip);
        if (greyed) {
            arrow(plat_rect{r.left + 1, r.top + 1, r.right + 1, r.bottom + 1}, i == 0, HIGHLIGHT, clip);
            arrow(r, i == 0, SHADOW, clip);
        } else {
            arrow(r, i == 0, BLACK, clip);
        }
    }
    if (greyed) return;
    // The thumb: as long as the page is against the range, at least 8.
    const plat_scroll_info s = plat_scroll_get();
    const int32_t track = height - 2 * button;
    const int64_t range = static_cast<int64_t>(s.maximum) - s.minimum + 1;
    if (track <= 0 || range <= 0) return;
    int64_t page = s.page < 0 ? 0 : s.page;
    if (page > range) page = range;
    int64_t thumb = page > 0 ? track * page / range : SCROLL_BAR_WIDTH;
    if (thumb < 8) thumb = 8;
    if (thumb > track) thumb = track;
    const int64_t room = static_cast<int64_t>(s.maximum) - (page > 1 ? page - 1 : 0) - s.minimum;
    const int64_t offset = room > 0 ? (track - thumb) * (s.position - s.minimum) / room : 0;
    const plat_rect knob{left, static_cast<int32_t>(top + button + offset), left + SCROLL_BAR_WIDTH,
                         static_cast<int32_t>(top + button + offset + thumb)};
    fill(intersect(knob, clip), FACE);
    raised(knob, clip);
}

void draw_edit_box(const control_record& r, const plat_rect& box, const plat_rect& clip) {
    fill(intersect(box, clip), r.enabled ? WHITE : FACE);
    sunken(box, clip);
    const plat_rect inner = intersect(shrink(box, 2), clip);
    const int32_t x = box.left + 4;
    const int32_t y = box.top + (box.bottom - box.top - DEFAULT_FONT_HEIGHT) / 2;
    if (r.enabled) {
        text(x, y, r.text, DEFAULT_FACE, BLACK, inner, false);
    } else {
        greyed_text(x, y, r.text, inner, false);
    }
    if (r.focused) {
        const auto length = static_cast<int32_t>(std::strlen(r.text));
        const int32_t cx = x + length * DEFAULT_CHAR_WIDTH;
        fill(intersect(plat_rect{cx, y + 1, cx + 1, y + DEFAULT_FONT_HEIGHT - 1}, inner), BLACK);
    }
}

// A push button: a default button's black frame around a raised face.
void draw_push_button(const control_record& r, const plat_rect& box, const plat_rect& clip) {
    fill(intersect(box, clip), FACE);
    ring(box, BLACK, BLACK, clip);
    raised(shrink(box, 1), clip);
    const plat_rect inner = intersect(shrink(box, 3), clip);
    if (r.params.kind == PLAT_BAR_BUTTON && r.image != nullptr) {
        plat_size size{};
        if (plat_bitmap_size(r.image, &size)) {
            const int32_t x = box.left + (box.right - box.left - size.cx) / 2;
            const int32_t y = box.top + (box.bottom - box.top - size.cy) / 2;
            blit_bitmap(true, r.image, x, y, size.cx, size.cy, inner);
            return;
        }
    }
    centred_text(box, r.text, r.enabled, inner);
}

void draw_check_box(const control_record& r, const plat_rect& box, const plat_rect& clip) {
    fill(intersect(box, clip), FACE);
    const int32_t top = box.top + (box.bottom - box.top - 13) / 2;
    const plat_rect square{box.left + 1, top, box.left + 14, top + 13};
    fill(intersect(square, clip), r.enabled ? WHITE : FACE);
    sunken(square, clip);
    if (r.checked) {
        for (int32_t row = 0; row < 7; ++row) {
            for (int32_t col = 0; col < 8; ++col) {
                if ((TICK[row] & (0x80 >> col)) != 0) {
                    pixel(square.left + 2 + col, square.top + 3 + row, r.enabled ? BLACK : SHADOW, clip);
                }
            }
        }
    }
    const int32_t x = square.right + 5;
    const int32_t y = box.top + (box.bottom - box.top - DEFAULT_FONT_HEIGHT) / 2;
    if (r.enabled) {
        text(x, y, r.text, DEFAULT_FACE, BLACK, clip, true);
    } else {
        greyed_text(x, y, r.text, clip, true);
    }
}

void draw_control(int32_t slot) {
    const control_record& r = state.controls[slot];
    const plat_rect box{CLIENT_LEFT + r.x, CLIENT_TOP + r.y, CLIENT_LEFT + r.x + r.width,
                        CLIENT_TOP + r.y + r.height};
    const plat_rect clip = intersect(box, client_on_screen());
    if (clip.right <= clip.left || clip.bottom <= clip.top) return;
    switch (r.params.kind) {
    case PLAT_EDIT_BOX:
        draw_edit_box(r, box, clip);
        break;
    case PLAT_PUSH_BUTTON:
    case PLAT_BAR_BUTTON:
        draw_push_button(r, box, clip);
        break;
    case PLAT_CHECK_BOX:
        draw_check_box(r, box, clip);
        break;
    case PLAT_HOTWORD_BUTTON:
    case PLAT_PICTURE_BUTTON:
        owner_draw(slot, true);
        break;
    }
}

}  // namespace

void owner_draw(int32_t slot, bool on_screen) {
    control_record& r = state.controls[slot];
    // A hotword has a one-pixel border; the engine draws inside it.
    const int32_t inset = r.params.kind == PLAT_HOTWORD_BUTTON ? 1 : 0;
    const plat_rect box{CLIENT_LEFT + r.x, CLIENT_TOP + r.y, CLIENT_LEFT + r.x + r.width,
                        CLIENT_TOP + r.y + r.height};
    const plat_rect inner = shrink(box, inset);
    const plat_rect clip = intersect(inner, client_on_screen());
    canvas_state& c = state.item_canvas;
    c = canvas_state{};
    c.active = true;
    c.control_id = r.params.id;
    c.slot = slot;
    c.draws_pixels = on_screen;
    c.logs = !on_screen;
    c.on_screen = true;
    c.origin_x = inner.left;
    c.origin_y = inner.top;
    c.clip = clip;
    if (on_screen) {
        fill(clip, inset != 0 ? FACE : WHITE);
    } else {
        r.drawn_label[0] = '\0';
    }
    const int32_t id = r.params.id;
    handlers->draw_item(id, reinterpret_cast<plat_canvas>(&c),
                        plat_rect{0, 0, inner.right - inner.left, inner.bottom - inner.top});
    c.active = false;
    if (on_screen && inset != 0) ring(box, BLACK, BLACK, client_on_screen());
}

void owner_draw_round() {
    state.item_draw_total = 0;
    for (int32_t i = 0; i < state.controls_used; ++i) {
        const control_record& r = state.controls[i];
        if (r.alive && r.shown && owner_drawn(r)) owner_draw(i, false);
    }
}

void draw_items() {
    if (state.window.exists) owner_draw_round();
}

void compose() {
    if (!state.window.exists) return;
    draw_frame();
    draw_client_area();
    draw_scroll_bar();
    for (int32_t i = 0; i < state.controls_used; ++i) {
        if (state.controls[i].alive && state.controls[i].shown) draw_control(i);
    }
}

}  // namespace headless
}  // namespace tomelet
