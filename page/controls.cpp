#include "page/controls.h"

#include <cstdint>
#include <cstring>

#include "page/display_list.h"
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
// a control that would not fit in its table is not recorded, nothing is
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

// Notes that the next control made is of `table` (0 answer fields, 1
// buttons); the order has room for both tables full.
void note_order(uint8_t table) {
    the_engine.page.control_order[the_engine.page.control_order_count++] = table;
}

// The size of a label in the page's bold or normal font.
page_size text_size(bool bold, const char* text, int32_t n) {
    if (the_engine.page.measures != nullptr) return the_engine.page.measures->text(bold, text, n);
    return page_size{the_engine.page.avg_char_width * n, the_engine.page.base_line_height};
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
    the_engine.page.cursor_y += entry.height + 1;
    note_order(0);
    page_control_item(ITEM_EDIT_BOX, index);
    ++the_engine.page.edit_box_count;
    return EDIT_BOX_ID_BASE + index;
}

void make_text_button(const char* label, int32_t id) { make_text_button(label, label_length_of(label), id); }

namespace {

// make_text_button with the table known to have room at `index` (the
// button count): the label is copied once, measured from the copy, and the
// entry filled in one pass.
void add_text_button(const char* label, int32_t length, int32_t id, int16_t index) {
    button_entry& entry = the_engine.page.buttons[index];
    // The label, cut to the entry's size.
    const int32_t n = length < 0 ? 0 : length < BUTTON_LABEL_SIZE - 1 ? length : BUTTON_LABEL_SIZE - 1;
    copy_label(entry.label, label, static_cast<size_t>(n));
    entry.label[n] = '\0';

    // The provisional place first: the measure's call stands between it and
    // the size, which keeps the compiler from packing the four into one
    // vector register (more instructions than the four stores).
    entry.x = the_engine.page.client_origin.left;
    entry.y = the_engine.page.client_origin.top + the_engine.page.cursor_y;
    const bool hotword = id >= BUTTON_ID_BASE;
    const page_size extent = text_size(the_engine.page.build_bold != 0 || !hotword, entry.label, n);
    const int32_t measured = extent.cx > 3 * n ? extent.cx : 3 * n;
    const int32_t height = extent.cy + 4;
    entry.width = measured + 12;
    entry.height = height;
    entry.label_length = static_cast<int16_t>(n);
    entry.bold = the_engine.page.build_bold;
    entry.type = hotword ? CONTROL_HOTWORD : CONTROL_PUSH_BUTTON;
    entry.has_picture = 0;
    entry.checked = 0;
    entry.picture = 0;
    entry.id = id;
    the_engine.page.cursor_y += height + 1;
    note_order(1);
    page_control_item(ITEM_BUTTON, index);
    the_engine.page.button_count = static_cast<int16_t>(index + 1);
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

// A picture that cannot be loaded or read gets the width of the text line
// (as an unreadable inline picture does) and the height of a line of the
// default font.
void make_picture_button(int32_t number, int32_t id) {
    if (the_engine.page.button_count >= CONTROL_TABLE_SIZE) return;
    const int16_t index = the_engine.page.button_count;
    button_entry& entry = the_engine.page.buttons[index];
    page_size size{0, 0};
    const bool readable = the_engine.page.measures != nullptr && the_engine.page.measures->picture(number, &size);
    if (!readable) size = page_size{the_engine.page.right_edge - the_engine.page.client_origin.left, the_engine.page.base_line_height};
    entry.width = static_cast<int16_t>(size.cx);
    entry.height = static_cast<int16_t>(size.cy);
    entry.x = the_engine.page.client_origin.left;
    entry.y = static_cast<int16_t>(the_engine.page.client_origin.top + the_engine.page.cursor_y);
    entry.label_length = 0;
    entry.label[0] = '\0';
    entry.bold = the_engine.page.build_bold;
    entry.type = CONTROL_PICTURE_BUTTON;
    entry.has_picture = readable ? 1 : 0;
    entry.checked = 0;
    entry.picture = number;
    entry.id = id;
    the_engine.page.cursor_y += entry.height + 1;
    note_order(1);
    page_control_item(ITEM_BUTTON, index);
    ++the_engine.page.button_count;
}

int32_t make_hotword_picture(int32_t number) {
    if (the_engine.page.button_count >= CONTROL_TABLE_SIZE) return 0;
    const int32_t id = BUTTON_ID_BASE + the_engine.page.button_count;
    make_picture_button(number, id);
    return id;
}

int32_t make_check_box(const char* label, int32_t id, int32_t width, int32_t height, bool checked) {
    if (the_engine.page.button_count >= CONTROL_TABLE_SIZE) return -1;
    const int16_t index = the_engine.page.button_count;
    button_entry& entry = the_engine.page.buttons[index];
    const int32_t n = label_length_of(label);
    copy_label(entry.label, label, static_cast<size_t>(n));
    entry.label[n] = '\0';
    entry.width = static_cast<int16_t>(width);
    entry.height = static_cast<int16_t>(height);
    entry.x = the_engine.page.client_origin.left;
    entry.y = static_cast<int16_t>(the_engine.page.client_origin.top + the_engine.page.cursor_y);
    entry.label_length = static_cast<int16_t>(n);
    entry.bold = 0;
    entry.type = CONTROL_CHECK_BOX;
    entry.has_picture = 0;
    entry.checked = checked ? 1 : 0;
    entry.picture = 0;
    entry.id = id;
    the_engine.page.cursor_y += height + 1;
    note_order(1);
    page_control_item(ITEM_BUTTON, index);
    ++the_engine.page.button_count;
    return index;
}

void clear_page_controls() {
    the_engine.page.button_count = 0;
    the_engine.page.edit_box_count = 0;
    the_engine.page.control_order_count = 0;
}

}  // namespace tomelet
