#include "layout/realise.h"

#include <cstdio>

#include "book/book.h"
#include "engine/engine.h"
#include "page/controls.h"
#include "page/messages.h"
#include "platform/platform.h"

namespace tomelet {

namespace {

page_size text_size(bool bold, const char* text, int32_t n) {
    const plat_size size =
        plat_text_extent(bold ? the_engine.layout.bold_font : the_engine.layout.normal_font, text, n);
    return page_size{size.cx, size.cy};
}

plat_bitmap load_picture(int32_t number) {
    const picture_row* picture = picture_at(number);
    return picture != nullptr ? plat_bitmap_load(picture->resource) : nullptr;
}

bool picture_size(int32_t number, page_size* size) {
    const plat_bitmap bitmap = load_picture(number);
    plat_size measured{0, 0};
    const bool readable = bitmap != nullptr && plat_bitmap_size(bitmap, &measured);
    if (bitmap != nullptr) plat_bitmap_free(bitmap);
    if (readable) *size = page_size{measured.cx, measured.cy};
    return readable;
}

constexpr page_measures layout_measures{text_size, picture_size};

void realise_edit_box(int16_t index) {
    const edit_box_entry& entry = the_engine.page.edit_boxes[index];
    const plat_control_params params{
        PLAT_EDIT_BOX, EDIT_BOX_ID_BASE + index, "", entry.x, entry.y, entry.width, entry.height,
        entry.maximum_length, true, nullptr};
    const plat_control box = plat_control_create(params);
    the_engine.layout.edit_box_windows[index] = box;
    if (box == nullptr) report_message("Null Edit Box", "Bad Edit Box", false);
}

// A text button that could not be created: the program closes.  The
// platform's error is read at once, before anything else can change it.
[[gnu::noinline]] void report_failed_button() {
    char caption[32];
    std::snprintf(caption, sizeof caption, " Error %x", static_cast<unsigned>(plat_last_error()));
    report_message("Could not create button", caption, true);
}

void realise_button(int16_t index) {
    const button_entry& entry = the_engine.page.buttons[index];
    // Made hidden, as every control of the page but the picture buttons and
    // the check box: the layout shows it in its line.
    plat_control_params params{PLAT_HOTWORD_BUTTON, entry.id, "", entry.x, entry.y, entry.width, entry.height,
                               0, true, nullptr};
    // The hotword, the page's commonest control, goes past the others' dispatch.
    if (entry.type != CONTROL_HOTWORD) [[unlikely]] {
        switch (entry.type) {
            case CONTROL_PICTURE_BUTTON: {
                // Created and left as it is: the layout shows it in its line.
                params.kind = PLAT_PICTURE_BUTTON;
                params.hidden = false;
                params.bitmap = load_picture(entry.picture);
                the_engine.layout.button_bitmaps[index] = params.bitmap;
                the_engine.layout.button_windows[index] = plat_control_create(params);
                return;
            }
            case CONTROL_CHECK_BOX: {
                params.kind = PLAT_CHECK_BOX;
                params.hidden = false;
                params.text = entry.label;
                const plat_control box = plat_control_create(params);
                the_engine.layout.button_windows[index] = box;
                if (box == nullptr) {
                    report_message("Could not create button", "No Memory", true);
                    return;
                }
                // Unlike the page's other controls, the box is shown at once.
                plat_control_show(box, true);
                plat_check_box_set(box, entry.checked != 0);
                return;
            }
            case CONTROL_PUSH_BUTTON:
                params.kind = PLAT_PUSH_BUTTON;
                params.text = entry.label;
                break;
            default: break;
        }
    }
    const plat_control button = plat_control_create(params);
    the_engine.layout.button_windows[index] = button;
    if (button == nullptr) report_failed_button();
}

}  // namespace

void install_page_measures() { the_engine.page.measures = &layout_measures; }

void realise_page_controls() {
    int32_t at = the_engine.layout.realised_edit_boxes + the_engine.layout.realised_buttons;
    for (; at < the_engine.page.control_order_count; ++at) {
        if (the_engine.page.control_order[at] == 0) {
            const int16_t index = the_engine.layout.realised_edit_boxes;
            if (index >= the_engine.page.edit_box_count) break;
            realise_edit_box(index);
            the_engine.layout.realised_edit_boxes = static_cast<int16_t>(index + 1);
        } else {
            const int16_t index = the_engine.layout.realised_buttons;
            if (index >= the_engine.page.button_count) break;
            realise_button(index);
            the_engine.layout.realised_buttons = static_cast<int16_t>(index + 1);
        }
    }
}

// Only the controls made are visited: every other slot was left null by
// the destruction before.
void destroy_page_controls() {
    for (int32_t i = 0; i < the_engine.layout.realised_buttons; ++i) {
        if (the_engine.layout.button_windows[i] != nullptr) {
            plat_control_destroy(the_engine.layout.button_windows[i]);
            the_engine.layout.button_windows[i] = nullptr;
        }
        if (the_engine.layout.button_bitmaps[i] != nullptr) {
            plat_bitmap_free(the_engine.layout.button_bitmaps[i]);
            the_engine.layout.button_bitmaps[i] = nullptr;
        }
    }
    for (int32_t i = 0; i < the_engine.layout.realised_edit_boxes; ++i) {
        if (the_engine.layout.edit_box_windows[i] != nullptr) {
            plat_control_destroy(the_engine.layout.edit_box_windows[i]);
            the_engine.layout.edit_box_windows[i] = nullptr;
        }
    }
    the_engine.layout.realised_buttons = 0;
    the_engine.layout.realised_edit_boxes = 0;
    clear_page_controls();
}

}  // namespace tomelet
