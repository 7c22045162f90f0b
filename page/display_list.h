// The page display list: every page, story paragraph or built-in screen, is
// first built as a flat list of items (text runs, layout markers, pictures,
// controls) and only then laid out and painted.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tomelet {

enum page_item_kind : int32_t {
    ITEM_TEXT = 1,
    ITEM_ALIGN_LEFT = 2,
    ITEM_ALIGN_CENTRE = 3,
    ITEM_ALIGN_RIGHT = 4,
    ITEM_BOLD_ON = 5,
    ITEM_BOLD_OFF = 6,
    ITEM_PARAGRAPH_BREAK = 8,
    ITEM_BREAK = 9,
    ITEM_TAB = 10,
    ITEM_TITLE = 12,
    ITEM_PICTURE = 13,
    ITEM_EDIT_BOX = 14,
    ITEM_BUTTON = 15,
};

struct page_item {
    int32_t kind;
    int16_t value;    // picture: bitmap resource; edit box / button: table index
    uint8_t inline_flag;  // picture: 1 stays in the line, 0 ends it
    const char* text;     // text and title: NUL-terminated, inside page_text
};

// Whether an item's kind, value and flag fill its first 8 bytes in the
// order of a little-endian 8-byte word, with its text after them: so on
// the usual targets, 64-bit (16-byte items) and 32-bit such as WebAssembly
// (12-byte items) alike.
constexpr bool page_item_head_is_one_word = std::endian::native == std::endian::little &&
                                            offsetof(page_item, value) == 4 &&
                                            offsetof(page_item, inline_flag) == 6 && offsetof(page_item, text) == 8;

// Writes `item` at `to` as an 8-byte word, its kind, value and flag (the
// byte of padding after them 0), and its text: a field by field copy takes
// four stores.  Elsewhere the item is copied as it is.  What is read back
// is the item.
inline void store_page_item(page_item* to, const page_item& item) {
    if constexpr (page_item_head_is_one_word) {
        const uint64_t head = static_cast<uint32_t>(item.kind) | uint64_t{static_cast<uint16_t>(item.value)} << 32 |
                              uint64_t{item.inline_flag} << 48;
        std::memcpy(to, &head, sizeof head);
        to->text = item.text;
    } else {
        *to = item;
    }
}

constexpr int32_t PAGE_ITEMS_SIZE = 400;
constexpr int32_t PAGE_TEXT_SIZE = 3717;

// The sounds a page asks for, in the order its text asks: a sound's name
// to play, or null to stop the sound playing.  The application plays them
// once the page is painted.  A page that asks for more keeps its first
// PAGE_SOUNDS_SIZE - 1 and its last: each sound cuts the one before short,
// so the last is the one heard.
constexpr int32_t PAGE_SOUNDS_SIZE = 16;

void page_play_sound(const char* name);
void page_stop_sound();

// Empties the list and the page's sounds (the application does it at the
// start of every rebuild).
void page_clear();

// The page model (the engine object's `page` part) as a new process finds
// it: the display list, the control tables (destroy the controls made from
// them first: layout/realise.h), the links, the window-wide measures and
// the held message boxes.
void page_state_reset();

// Appends a text-bearing item (ITEM_TEXT or ITEM_TITLE), merging it into
// the preceding item when that item has the same kind.  A text that does
// not fit shows "Page buffer Overflow" and is dropped.
void page_add_text(const char* text, int32_t kind);
void page_text_item(const char* text);
void page_title(const char* text);
// page_title for a text whose length is known: text[length] is its NUL.
void page_title_run(const char* text, int32_t length);
// Appends `length` (> 0) characters of `text` as an ITEM_TEXT, as
// page_text_item does with a text of that length; the text need not end
// there.  `readable` is how many characters from `text` on may be read (at
// least `length`): a short run with room to spare is copied as one block.
void page_text_run(const char* text, int32_t length, int32_t readable);
// Emits `buffer` as text, empties it and returns the length it had.
int32_t page_flush_words(char* buffer);
void page_line_break();
void page_paragraph_break();
void page_tab();
void page_bold_on();
void page_bold_off();
void page_align(int32_t code);
// Picture `number` of the picture catalogue (its resource number is stored).
void page_picture(int32_t number, uint8_t inline_flag);
// A bitmap resource by its own number, inline.
void page_picture_resource(int32_t resource);
// Appends an ITEM_EDIT_BOX or ITEM_BUTTON with the control's table index.
void page_control_item(int32_t kind, int16_t index);

// The engine's one way of reporting a problem: the text (cut to 99
// characters) in a message box with no owner, the system's default caption
// and an OK button.  The caller goes on once it is dismissed; during a
// paint it goes on at once, and the box is shown when the paint has ended
// (page/messages.h).
void show_error(const char* text);

}  // namespace tomelet
