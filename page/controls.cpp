#include "page/controls.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "book/book.h"
#include "page/display_list.h"
#include "page/messages.h"
#include "book/short_copy.h"
#include "engine/engine.h"

namespace tomelet {

page_control_kind page_control_kind_of(int32_t id) {
    if (id >= BUTTON_ID_BASE) return PAGE_HOTWORD;
    if (id >= EDIT_BOX_ID_BASE) return PAGE_ANSWER_FIELD;
    return PAGE_CONTROL_NONE;
}

int32_t page_control_index(int32_t id) {
    switch (page_control_kind_of(id)) {
        case PAGE_HOTWORD: return id - BUTTON_ID_BASE;
        case PAGE_ANSWER_FIELD: return id - EDIT_BOX_ID_BASE;
        case PAGE_CONTROL_NONE: break;
    }
    return -1;
}

// Both tables hold 100 entries.  The markup makes at most 99 hotwords a
// page, but the screens add their own buttons, so every creation checks:
// a control that would not fit in its table is not created, nothing is
// appended to the page, and the creator gets 0, an id that no command
// carries.

namespace {

int32_t client_width() { return the_engine.page.client_origin.right - the_engine.page.client_origin.left; }

// The label's length, cut to the entry's size: its end is found by the
// library, which reads no further than the NUL.
int32_t label_length_of(const char* label) {
    const void* nul = std::memchr(label, '\0', BUTTON_LABEL_SIZE - 1);
    return nul != nullptr ? static_cast<int32_t>(static_cast<const char*>(nul) - label) : BUTTON_LABEL_SIZE - 1;
}

// Copies a label of n characters (at most 199) into an entry: most labels
// have from 8 to 31, copied in two blocks that overlap (a loop of short
// blocks, or a library copy, costs more than the copy itself).
void copy_label(char* to, const char* from, size_t n) {
    const auto blocks = [&](auto block) {
        constexpr size_t size = sizeof block;
        std::memcpy(&block, from, size);
        std::memcpy(to, &block, size);
        std::memcpy(&block, from + n - size, size);
        std::memcpy(to + n - size, &block, size);
    };
    struct sixteen {
        uint64_t low, high;
    };
    if (n > 32) {
        std::memcpy(to, from, n);
    } else if (n >= 16) {
        blocks(sixteen{});
    } else if (n >= 8) {
        blocks(uint64_t{});
    } else if (n > 0) {
        copy_short(to, from, n);
    }
}

// The slot after the last entry is cleared so that a stale handle is never
// taken for a live one; there is no slot after the hundredth.
void clear_next(plat_control* windows, int16_t count) {
    if (count < CONTROL_TABLE_SIZE) windows[count] = nullptr;
}

}  // namespace

int32_t make_edit_box(int32_t n) {
    if (the_engine.page.edit_box_count >= CONTROL_TABLE_SIZE) return 0;
    // The commit buffer takes 199 characters; a longer limit would be cut
    // there anyway.
    if (n > EDIT_BOX_MAX_LENGTH) n = EDIT_BOX_MAX_LENGTH;
    if (n < 0) n = 0;
    const int16_t index = the_engine.page.edit_box_count;
    edit_box_entry& entry = the_engine.page.edit_boxes[index];
    int32_t width = 2 * n * the_engine.page.avg_char_width + 2;
    if (width > client_width()) width = client_width();
    entry.width = static_cast<int16_t>(width);
    entry.height = static_cast<int16_t>(the_engine.page.base_line_height * 3 / 2);
    entry.x = the_engine.page.client_origin.left;
    entry.y = static_cast<int16_t>(the_engine.page.client_origin.top + the_engine.page.cursor_y);
    entry.maximum_length = static_cast<int16_t>(n);

    const int32_t id = EDIT_BOX_ID_BASE + index;
    plat_control_params params{PLAT_EDIT_BOX, id, "", entry.x, entry.y, entry.width, entry.height, n, nullptr};
    plat_control box = plat_control_create(params);
    the_engine.page.edit_box_windows[index] = box;
    the_engine.page.cursor_y += entry.height + 1;
    if (box != nullptr) {
        plat_control_show(box, false);
    } else {
        report_message("Null Edit Box", "Bad Edit Box", false);
    }
    page_control_item(ITEM_EDIT_BOX, index);
    ++the_engine.page.edit_box_count;
    clear_next(the_engine.page.edit_box_windows, the_engine.page.edit_box_count);
    return id;
}

void make_text_button(const char* label, int32_t id) { make_text_button(label, label_length_of(label), id); }

namespace {

// A text button that could not be created: the program closes.
[[gnu::noinline]] void report_failed_button() {
    char caption[32];
    std::snprintf(caption, sizeof caption, " Error %x", static_cast<unsigned>(plat_last_error()));
    report_message("Could not create button", caption, true);
}

// make_text_button with the table known to have room at `index` (the
// button count).  The entry's numbers are kept in locals as they are
// stored, so the control is created from them without reading them back.
void add_text_button(const char* label, int32_t length, int32_t id, int16_t index) {
    button_entry& entry = the_engine.page.buttons[index];
    // The label, cut to the entry's size.
    const int32_t n = length < 0 ? 0 : length < BUTTON_LABEL_SIZE - 1 ? length : BUTTON_LABEL_SIZE - 1;
    copy_label(entry.label, label, static_cast<size_t>(n));
    entry.label[n] = '\0';

    const bool hotword = id >= BUTTON_ID_BASE;
    const plat_font font = (the_engine.page.build_bold != 0 || !hotword) ? the_engine.page.bold_font : the_engine.page.normal_font;
    const plat_size extent = plat_text_extent(font, entry.label, n);
    const int32_t measured = extent.cx > 3 * n ? extent.cx : 3 * n;
    const int16_t width = static_cast<int16_t>(measured + 12);
    const int16_t height = static_cast<int16_t>(extent.cy + 4);
    const int32_t x = the_engine.page.client_origin.left;
    const int16_t y = static_cast<int16_t>(the_engine.page.client_origin.top + the_engine.page.cursor_y);
    entry.bitmap = nullptr;
    entry.width = width;
    entry.height = height;
    entry.x = x;
    entry.label_length = static_cast<int16_t>(n);
    entry.y = y;
    entry.bold = the_engine.page.build_bold;

    const plat_control_params params{
        hotword ? PLAT_HOTWORD_BUTTON : PLAT_PUSH_BUTTON, id, hotword ? "" : entry.label, x, y, width, height, 0,
        nullptr};
    const plat_control button = plat_control_create(params);
    the_engine.page.button_windows[index] = button;
    the_engine.page.cursor_y += height + 1;
    if (button != nullptr) {
        plat_control_show(button, false);
    } else {
        report_failed_button();
    }
    page_control_item(ITEM_BUTTON, index);
    the_engine.page.button_count = static_cast<int16_t>(index + 1);
    clear_next(the_engine.page.button_windows, the_engine.page.button_count);
}

}  // namespace

void make_text_button(const char* label, int32_t length, int32_t id) {
    if (the_engine.page.button_count >= CONTROL_TABLE_SIZE) return;
    add_text_button(label, length, id, the_engine.page.button_count);
}

int32_t make_hotword_button(const char* label) { return make_hotword_button(label, label_length_of(label)); }

int32_t make_hotword_button(const char* label, int32_t length) {
    const int16_t index = the_engine.page.button_count;
    if (index >= CONTROL_TABLE_SIZE) return 0;
    add_text_button(label, length, BUTTON_ID_BASE + index, index);
    return BUTTON_ID_BASE + index;
}

// A picture whose bitmap cannot be loaded or read gets the width of the
// text line (as an unreadable inline picture does) and the height of a line
// of the default font.
void make_picture_button(int32_t number, int32_t id) {
    if (the_engine.page.button_count >= CONTROL_TABLE_SIZE) return;
    const int16_t index = the_engine.page.button_count;
    button_entry& entry = the_engine.page.buttons[index];
    const picture_row* picture = picture_at(number);
    plat_bitmap bitmap = picture != nullptr ? plat_bitmap_load(picture->resource) : nullptr;
    plat_size size{the_engine.page.right_edge - the_engine.page.client_origin.left, the_engine.page.base_line_height};
    if (bitmap == nullptr || !plat_bitmap_size(bitmap, &size)) {
        size = plat_size{the_engine.page.right_edge - the_engine.page.client_origin.left, the_engine.page.base_line_height};
    }
    entry.bitmap = bitmap;
    entry.width = static_cast<int16_t>(size.cx);
    entry.height = static_cast<int16_t>(size.cy);
    entry.x = the_engine.page.client_origin.left;
    entry.label_length = 0;
    entry.label[0] = '\0';
    entry.y = static_cast<int16_t>(the_engine.page.client_origin.top + the_engine.page.cursor_y);
    entry.bold = the_engine.page.build_bold;

    plat_control_params params{PLAT_PICTURE_BUTTON, id, "", entry.x, entry.y, entry.width, entry.height, 0, bitmap};
    the_engine.page.button_windows[index] = plat_control_create(params);
    the_engine.page.cursor_y += entry.height + 1;
    page_control_item(ITEM_BUTTON, index);
    ++the_engine.page.button_count;
    clear_next(the_engine.page.button_windows, the_engine.page.button_count);
}

int32_t make_hotword_picture(int32_t number) {
    if (the_engine.page.button_count >= CONTROL_TABLE_SIZE) return 0;
    const int32_t id = BUTTON_ID_BASE + the_engine.page.button_count;
    make_picture_button(number, id);
    return id;
}

// Every creation sets the handle of its own slot and clears the one after
// it, and this clears every used slot, so no slot at or past the count ever
// holds a handle: only the used slots are visited.
void destroy_page_controls() {
    for (int32_t i = 0; i < the_engine.page.button_count; ++i) {
        if (the_engine.page.button_windows[i] != nullptr) {
            plat_control_destroy(the_engine.page.button_windows[i]);
            the_engine.page.button_windows[i] = nullptr;
        }
        if (the_engine.page.buttons[i].bitmap != nullptr) {
            plat_bitmap_free(the_engine.page.buttons[i].bitmap);
            the_engine.page.buttons[i].bitmap = nullptr;
        }
    }
    for (int32_t i = 0; i < the_engine.page.edit_box_count; ++i) {
        if (the_engine.page.edit_box_windows[i] != nullptr) {
            plat_control_destroy(the_engine.page.edit_box_windows[i]);
            the_engine.page.edit_box_windows[i] = nullptr;
        }
    }
    the_engine.page.button_count = 0;
    the_engine.page.edit_box_count = 0;
}

}  // namespace tomelet
