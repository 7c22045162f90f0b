// The child controls of the main window as real page elements: answer
// fields are text inputs, hotwords and push buttons are buttons, the Sound
// check box a labelled check box, the navigation bar buttons with the bar's
// pictures.  reader.js makes them and sends their clicks, answers and
// ticks back as the window's commands.
#include <emscripten.h>

#include "app/entry.h"
#include "platform/web/backend.h"

EM_JS(void, web_js_control_create, (int handle, int kind, int id, const char* text, int x, int y, int width,
                                    int height, int max_length), {
    tomelet.createControl(handle, kind, id, tomelet.text(text), x, y, width, height, max_length);
});
EM_JS(void, web_js_control_destroy, (int handle), { tomelet.destroyControl(handle); });
EM_JS(void, web_js_control_show, (int handle, int shown), { tomelet.showControl(handle, shown !== 0); });
EM_JS(void, web_js_control_move, (int handle, int x, int y, int width, int height), {
    tomelet.moveControl(handle, x, y, width, height);
});
EM_JS(void, web_js_control_focus, (int handle), { tomelet.focusControl(handle); });
EM_JS(void, web_js_control_enable, (int handle, int enabled), { tomelet.enableControl(handle, enabled !== 0); });
EM_JS(void, web_js_control_image, (int handle, int resource, const uint8_t* bytes, uint32_t size, int face), {
    tomelet.setControlImage(handle, resource, bytes ? () => HEAPU8.slice(bytes, bytes + size) : null, face !== 0);
});
EM_JS(int, web_js_control_text, (int handle, char* buffer, int size), {
    const bytes = tomelet.encode(tomelet.controlText(handle));
    const n = Math.min(bytes.length, size - 1);
    HEAPU8.set(bytes.subarray(0, n), buffer);
    HEAPU8[buffer + n] = 0;
    return n;
});
EM_JS(int, web_js_check_box_checked, (int handle), { return tomelet.checkBoxChecked(handle) ? 1 : 0; });
EM_JS(void, web_js_check_box_set, (int handle, int checked), { tomelet.setCheckBox(handle, checked !== 0); });
EM_JS(void, web_js_forget_controls, (), { tomelet.forgetControls(); });

namespace tomelet {

namespace {

// A page has at most 100 buttons and 100 answer fields; the bar has six and
// the screens a few more.  A handle is its row + 1.
constexpr int32_t CONTROL_ROWS = 256;

struct control_row {
    bool used;
    plat_control_kind kind;
    int32_t id;
};
control_row controls[CONTROL_ROWS];

int32_t row_of(plat_control control) {
    const auto row = static_cast<int32_t>(reinterpret_cast<uintptr_t>(control)) - 1;
    if (row < 0 || row >= CONTROL_ROWS || !controls[row].used) return -1;
    return row;
}

int32_t handle_of(plat_control control) { return row_of(control) + 1; }

void set_bar_image(int32_t handle, plat_bitmap bitmap) {
    plat_size size{};
    web::embedded file{};
    if (bitmap == nullptr || !plat_bitmap_size(bitmap, &size)) {
        web_js_control_image(handle, 0, nullptr, 0, 0);
        return;
    }
    const uint16_t resource = web::bitmap_resource(bitmap);
    if (!web::find_bitmap(resource, &file)) {
        web_js_control_image(handle, 0, nullptr, 0, 0);
        return;
    }
    web_js_control_image(handle, resource, file.bytes, file.size, web::bar_bitmap(bitmap) ? 1 : 0);
}

}  // namespace

namespace web {

void draw_owner_drawn_buttons() {
    for (int32_t i = 0; i < CONTROL_ROWS; ++i) {
        const control_row& c = controls[i];
        // The owner-drawn kinds only.
        if (!c.used || (c.kind != PLAT_HOTWORD_BUTTON && c.kind != PLAT_PICTURE_BUTTON)) continue;
        const plat_control handle = reinterpret_cast<plat_control>(static_cast<uintptr_t>(i + 1));
        on_draw_item(c.id, control_canvas(handle), plat_rect{0, 0, 0, 0});
    }
}

uint32_t controls_made = 0;

void forget_controls() {
    for (control_row& c : controls) c.used = false;
    ++controls_made;
    web_js_forget_controls();
}

}  // namespace web

plat_control plat_control_create(const plat_control_params& params) {
    if (params.kind < PLAT_EDIT_BOX || params.kind > PLAT_BAR_BUTTON || !web::window_exists) return nullptr;
    for (int32_t i = 0; i < CONTROL_ROWS; ++i) {
        if (controls[i].used) continue;
        controls[i] = control_row{true, params.kind, params.id};
        ++web::controls_made;
        const int32_t handle = i + 1;
        web_js_control_create(handle, params.kind, params.id, params.text != nullptr ? params.text : "", params.x,
                              params.y, params.width, params.height, params.max_length);
        plat_control control = reinterpret_cast<plat_control>(static_cast<uintptr_t>(handle));
        if (params.kind == PLAT_BAR_BUTTON) set_bar_image(handle, params.bitmap);
        if (params.hidden) web_js_control_show(handle, 0);
        return control;
    }
    return nullptr;
}

void plat_control_show(plat_control control, bool shown) {
    if (row_of(control) >= 0) web_js_control_show(handle_of(control), shown ? 1 : 0);
}

void plat_control_destroy(plat_control control) {
    const int32_t row = row_of(control);
    if (row < 0) return;
    web_js_control_destroy(row + 1);
    controls[row].used = false;
    ++web::controls_made;
}

void plat_control_move(plat_control control, int32_t x, int32_t y, int32_t width, int32_t height, bool) {
    if (row_of(control) >= 0) web_js_control_move(handle_of(control), x, y, width, height);
}

void plat_control_focus(plat_control control) {
    if (row_of(control) >= 0) web_js_control_focus(handle_of(control));
}

void plat_control_enable(plat_control control, bool enabled) {
    if (row_of(control) >= 0) web_js_control_enable(handle_of(control), enabled ? 1 : 0);
}

void plat_control_set_image(plat_control control, plat_bitmap bitmap) {
    const int32_t row = row_of(control);
    if (row < 0 || controls[row].kind != PLAT_BAR_BUTTON) return;
    set_bar_image(row + 1, bitmap);
}

// The field's text in the reader's 8-bit character set; a character it
// lacks arrives as '?'.
int32_t plat_control_text(plat_control control, char* buffer, int32_t size) {
    if (buffer == nullptr || size <= 0) return 0;
    buffer[0] = '\0';
    if (row_of(control) < 0) return 0;
    return web_js_control_text(handle_of(control), buffer, size);
}

bool plat_check_box_checked(plat_control control) {
    if (row_of(control) < 0) return false;
    return web_js_check_box_checked(handle_of(control)) != 0;
}

void plat_check_box_set(plat_control control, bool checked) {
    if (row_of(control) >= 0) web_js_check_box_set(handle_of(control), checked ? 1 : 0);
}

}  // namespace tomelet
