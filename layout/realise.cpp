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

// Frees the bitmap kept from the last picture measured, if any (out of
// line: the page's rebuild calls it only when one is kept).
[[gnu::noinline]] void drop_measured_picture() {
    if (the_engine.layout.measured_picture != nullptr) plat_bitmap_free(the_engine.layout.measured_picture);
    the_engine.layout.measured_picture = nullptr;
    the_engine.layout.measured_picture_number = -1;
}

// A picture is measured for a picture button, which the realise step makes
// with the same picture: a readable bitmap is kept for it (the last one
// measured only), so that it is not loaded twice.
bool picture_size(int32_t number, page_size* size) {
    const plat_bitmap bitmap = load_picture(number);
    plat_size measured{0, 0};
    const bool readable = bitmap != nullptr && plat_bitmap_size(bitmap, &measured);
    drop_measured_picture();
    if (readable) {
        the_engine.layout.measured_picture = bitmap;
        the_engine.layout.measured_picture_number = number;
        *size = page_size{measured.cx, measured.cy};
    } else if (bitmap != nullptr) {
        plat_bitmap_free(bitmap);
    }
    return readable;
}

// Picture `number`'s bitmap for a picture button: the one kept from its
// measure, or loaded.
plat_bitmap take_picture(int32_t number) {
    if (the_engine.layout.measured_picture == nullptr || the_engine.layout.measured_picture_number != number) {
        return load_picture(number);
    }
    const plat_bitmap bitmap = the_engine.layout.measured_picture;
    the_engine.layout.measured_picture = nullptr;
    the_engine.layout.measured_picture_number = -1;
    return bitmap;
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

// A picture button or the check box (hotwords and push buttons are made in
// runs below).
void realise_button(int16_t index) {
    const button_entry& entry = the_engine.page.buttons[index];
    plat_control_params params{PLAT_PICTURE_BUTTON, entry.id, "", entry.x, entry.y, entry.width, entry.height,
                               0, false, nullptr};
    if (entry.type == CONTROL_PICTURE_BUTTON) {
        // Created and left as it is: the layout shows it in its line.
        params.bitmap = take_picture(entry.picture);
        the_engine.layout.button_bitmaps[index] = params.bitmap;
        if (params.bitmap != nullptr) the_engine.layout.pictures_held = static_cast<int16_t>(index + 1);
        the_engine.layout.button_windows[index] = plat_control_create(params);
        return;
    }
    params.kind = PLAT_CHECK_BOX;
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
}

}  // namespace

void install_page_measures() { the_engine.page.measures = &layout_measures; }

namespace {

// The platform's kind of each of the page's control types, by the type
// (looked up, a text button's kind costs fewer instructions than a choice
// in the loop below).  There is no type 0.
constexpr plat_control_kind PLATFORM_KINDS[] = {PLAT_HOTWORD_BUTTON, PLAT_EDIT_BOX,    PLAT_HOTWORD_BUTTON,
                                                PLAT_PICTURE_BUTTON, PLAT_PUSH_BUTTON, PLAT_CHECK_BOX};
static_assert(CONTROL_ANSWER_FIELD == 1 && CONTROL_HOTWORD == 2 && CONTROL_PICTURE_BUTTON == 3 &&
              CONTROL_PUSH_BUTTON == 4 && CONTROL_CHECK_BOX == 5);

bool text_button(const button_entry& entry) {
    return entry.type == CONTROL_HOTWORD || entry.type == CONTROL_PUSH_BUTTON;
}

// Makes the run of hotwords and push buttons that follows in the page's
// order from button `first` on, in one call of the platform: they are most
// of a page's controls.  Returns how many it took, the one that could not
// be made (reported) included.
int32_t realise_text_buttons(int32_t at, int16_t first) {
    plat_control_params run[CONTROL_TABLE_SIZE];
    // The run ends at the page's last button, at an answer field or at a
    // button of another kind.
    const int32_t in_order = the_engine.page.control_order_count - at;
    const int32_t in_table = the_engine.page.button_count - first;
    const int32_t most = in_order < in_table ? in_order : in_table;
    const uint8_t* order = &the_engine.page.control_order[at];
    const button_entry* entries = &the_engine.page.buttons[first];
    int32_t n = 0;
    for (; n < most && order[n] != 0; ++n) {
        const button_entry& entry = entries[n];
        if (!text_button(entry)) break;
        // Made hidden, as every control of the page but the picture buttons
        // and the check box: the layout shows it in its line.
        run[n] = plat_control_params{PLATFORM_KINDS[entry.type],
                                     entry.id,
                                     entry.type == CONTROL_HOTWORD ? "" : entry.label,
                                     entry.x,
                                     entry.y,
                                     entry.width,
                                     entry.height,
                                     0,
                                     true,
                                     nullptr};
    }
    const int32_t made = plat_controls_create(run, n, &the_engine.layout.button_windows[first]);
    if (made == n) {
        the_engine.layout.realised_buttons = static_cast<int16_t>(first + n);
        return n;
    }
    the_engine.layout.realised_buttons = static_cast<int16_t>(first + made + 1);
    report_failed_button();
    return made + 1;
}

}  // namespace

void realise_page_controls() {
    int32_t at = the_engine.layout.realised_edit_boxes + the_engine.layout.realised_buttons;
    while (at < the_engine.page.control_order_count) {
        if (the_engine.page.control_order[at] == 0) {
            const int16_t index = the_engine.layout.realised_edit_boxes;
            if (index >= the_engine.page.edit_box_count) break;
            realise_edit_box(index);
            the_engine.layout.realised_edit_boxes = static_cast<int16_t>(index + 1);
            ++at;
            continue;
        }
        const int16_t index = the_engine.layout.realised_buttons;
        if (index >= the_engine.page.button_count) break;
        if (text_button(the_engine.page.buttons[index])) {
            at += realise_text_buttons(at, index);
            continue;
        }
        realise_button(index);
        the_engine.layout.realised_buttons = static_cast<int16_t>(index + 1);
        ++at;
    }
}

// Only the controls made are visited: every other slot was left null by
// the destruction before.  The windows go first, then the pictures they
// showed.
void destroy_page_controls() {
    plat_controls_destroy(the_engine.layout.button_windows, the_engine.layout.realised_buttons);
    for (int32_t i = 0; i < the_engine.layout.pictures_held; ++i) {
        if (the_engine.layout.button_bitmaps[i] != nullptr) {
            plat_bitmap_free(the_engine.layout.button_bitmaps[i]);
            the_engine.layout.button_bitmaps[i] = nullptr;
        }
    }
    plat_controls_destroy(the_engine.layout.edit_box_windows, the_engine.layout.realised_edit_boxes);
    if (the_engine.layout.measured_picture != nullptr) drop_measured_picture();
    the_engine.layout.realised_buttons = 0;
    the_engine.layout.realised_edit_boxes = 0;
    the_engine.layout.pictures_held = 0;
    clear_page_controls();
}

}  // namespace tomelet
