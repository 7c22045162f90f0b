// The navigation bar: six picture buttons along the bottom of the main
// window, made once with the window and moved on every size change.
#include "app/shell.h"
#include "engine/engine.h"
#include "platform/platform.h"

namespace tomelet {

namespace {

struct nav_button {
    const char* caption;
    int32_t id;
    uint16_t enabled_bitmap;
    uint16_t disabled_bitmap;  // 0: the button is never disabled
};

// Left to right.
constexpr nav_button NAV_TABLE[NAV_BUTTONS] = {
    {"?", CMD_INSTRUCTIONS, 1112, 0},
    {"Rstrt", CMD_RESTART, 1107, 0},
    {"Info", CMD_INFORMATION, 1108, 0},
    {"Rtrn", CMD_RETURN, 1109, 1113},
    {"Prev", CMD_PREVIOUS, 1110, 1114},
    {"Next", CMD_NEXT, 1111, 1115},
};

constexpr int32_t POS_RETURN = 3;
constexpr int32_t POS_PREVIOUS = 4;
constexpr int32_t POS_NEXT = 5;

void load_bitmaps(int32_t position) {
    const nav_button& b = NAV_TABLE[position];
    the_engine.app.enabled_bitmaps[position] = plat_bar_bitmap_load(b.enabled_bitmap);
    the_engine.app.disabled_bitmaps[position] = b.disabled_bitmap != 0 ? plat_bar_bitmap_load(b.disabled_bitmap) : nullptr;
}

void set_state(int32_t position, bool enabled) {
    plat_control button = the_engine.app.nav_windows[position];
    if (button == nullptr) return;
    plat_control_set_image(button, enabled ? the_engine.app.enabled_bitmaps[position] : the_engine.app.disabled_bitmaps[position]);
    plat_control_enable(button, enabled);
}

}  // namespace

// Failures are ignored: a button that could not be made is simply missing.
void nav_create() {
    const plat_rect client = plat_window_client_rect();
    const int32_t width = (client.right - client.left) / NAV_BUTTONS;
    const int32_t top = client.bottom - NAV_BAR_HEIGHT;
    for (int32_t position = 0; position < NAV_BUTTONS; ++position) {
        load_bitmaps(position);
        // The position and width travel as 16-bit values.
        const auto x = static_cast<int16_t>(client.left + position * width);
        plat_control_params params{PLAT_BAR_BUTTON,
                                   NAV_TABLE[position].id,
                                   NAV_TABLE[position].caption,
                                   x,
                                   top,
                                   static_cast<int16_t>(width),
                                   NAV_BAR_HEIGHT,
                                   0,
                                   false,
                                   the_engine.app.enabled_bitmaps[position]};
        plat_control button = plat_control_create(params);
        the_engine.app.nav_windows[position] = button;
        if (button != nullptr) plat_control_set_image(button, the_engine.app.enabled_bitmaps[position]);
    }
}

void nav_layout(int32_t client_width, int32_t client_height) {
    the_engine.layout.text_area.right = client_width;
    the_engine.layout.text_area.bottom = client_height - NAV_BAR_HEIGHT;
    const int32_t width = client_width / NAV_BUTTONS;
    const int32_t y = client_height - NAV_BAR_HEIGHT;
    for (int32_t position = 0; position < NAV_BUTTONS; ++position) {
        if (the_engine.app.nav_windows[position] == nullptr) continue;
        // "Next" takes the pixels the division leaves over.
        const int32_t w = position == POS_NEXT ? client_width - POS_NEXT * width : width;
        plat_control_move(the_engine.app.nav_windows[position], position * width, y, w, NAV_BAR_HEIGHT, true);
    }
}

void nav_set_states(bool return_enabled, bool next_enabled, bool previous_enabled) {
    set_state(POS_RETURN, return_enabled);
    set_state(POS_NEXT, next_enabled);
    set_state(POS_PREVIOUS, previous_enabled);
}

}  // namespace tomelet
