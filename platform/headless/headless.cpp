#include "platform/headless/headless.h"

#include <cstring>

#include "book/book.h"

namespace tomelet {
namespace headless {

namespace {

constexpr int32_t ANSWER_QUEUE_SIZE = 16;
constexpr int32_t BITMAP_SIZES = 64;
constexpr uint32_t ERROR_NOT_ENOUGH_MEMORY = 8;

struct bitmap_size_entry {
    uint16_t resource;
    int32_t width;
    int32_t height;
};

struct backend_state {
    message_record messages[MESSAGE_LOG_SIZE];
    int32_t message_total;
    int32_t answers[ANSWER_QUEUE_SIZE];
    int32_t answer_first;
    int32_t answer_count;
    int32_t default_yes_no;
    uint32_t ticks;
    char sounds[SOUND_LOG_SIZE][LOG_TEXT_SIZE];
    int32_t sound_total;
    int32_t invalidates;
    int32_t updates;
    int32_t closes;
    uint32_t last_error;
    bitmap_size_entry bitmap_sizes[BITMAP_SIZES];
    int32_t bitmap_size_count;
    int32_t bitmaps_live;
    control_record controls[CONTROL_LOG_SIZE];
    int32_t controls_used;
    int32_t controls_to_fail;
};

backend_state state;

void copy_text(char* dest, const char* text) {
    if (text == nullptr) text = "";
    size_t n = std::strlen(text);
    if (n > LOG_TEXT_SIZE - 1) n = LOG_TEXT_SIZE - 1;
    std::memcpy(dest, text, n);
    dest[n] = '\0';
}

void log_sound(const char* name) {
    if (state.sound_total < SOUND_LOG_SIZE) copy_text(state.sounds[state.sound_total], name);
    ++state.sound_total;
}

// Handles: a control is its slot + 1, a bitmap its resource number + 1.
plat_control control_handle(int32_t slot) {
    return reinterpret_cast<plat_control>(static_cast<intptr_t>(slot + 1));
}

control_record* record_of(plat_control handle) {
    const intptr_t slot = reinterpret_cast<intptr_t>(handle) - 1;
    if (slot < 0 || slot >= state.controls_used) return nullptr;
    return &state.controls[slot];
}

uint32_t read_le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// The size of a bitmap resource: set by the test, or read from the header
// of the book's embedded BMP file.
bool resource_size(uint16_t resource, plat_size* size) {
    for (int32_t i = 0; i < state.bitmap_size_count; ++i) {
        if (state.bitmap_sizes[i].resource == resource) {
            *size = plat_size{state.bitmap_sizes[i].width, state.bitmap_sizes[i].height};
            return true;
        }
    }
    if (the_book == nullptr) return false;
    for (int32_t i = 0; i < the_book->resource_count; ++i) {
        const book_resource& r = the_book->resources[i];
        if (r.name != nullptr || r.number != resource) continue;
        if (r.size < 26 || r.bytes[0] != 'B' || r.bytes[1] != 'M') return false;
        const auto width = static_cast<int32_t>(read_le32(r.bytes + 18));
        const auto height = static_cast<int32_t>(read_le32(r.bytes + 22));
        *size = plat_size{width, height < 0 ? -height : height};
        return true;
    }
    return false;
}

}  // namespace

void reset() { std::memset(&state, 0, sizeof state); state.default_yes_no = PLAT_ANSWER_NO; }

int32_t message_count() { return state.message_total; }

const message_record& message(int32_t i) {
    static const message_record none{};
    if (i < 0 || i >= state.message_total || i >= MESSAGE_LOG_SIZE) return none;
    return state.messages[i];
}

void clear_messages() { state.message_total = 0; }

void queue_answer(int32_t answer) {
    if (state.answer_count >= ANSWER_QUEUE_SIZE) return;
    state.answers[(state.answer_first + state.answer_count) % ANSWER_QUEUE_SIZE] = answer;
    ++state.answer_count;
}

void set_default_yes_no_answer(int32_t answer) { state.default_yes_no = answer; }

void set_tick_count(uint32_t ms) { state.ticks = ms; }

int32_t sound_count() { return state.sound_total; }

const char* sound(int32_t i) {
    if (i < 0 || i >= state.sound_total || i >= SOUND_LOG_SIZE) return "";
    return state.sounds[i];
}

void clear_sounds() { state.sound_total = 0; }

int32_t invalidate_count() { return state.invalidates; }
int32_t update_count() { return state.updates; }
int32_t close_posted() { return state.closes; }
void set_last_error(uint32_t code) { state.last_error = code; }

void set_bitmap_size(uint16_t resource, int32_t width, int32_t height) {
    for (int32_t i = 0; i < state.bitmap_size_count; ++i) {
        if (state.bitmap_sizes[i].resource == resource) {
            state.bitmap_sizes[i].width = width;
            state.bitmap_sizes[i].height = height;
            return;
        }
    }
    if (state.bitmap_size_count < BITMAP_SIZES) {
        state.bitmap_sizes[state.bitmap_size_count++] = bitmap_size_entry{resource, width, height};
    }
}

int32_t bitmaps_loaded() { return state.bitmaps_live; }

int32_t control_count() { return state.controls_used; }

const control_record& control(int32_t i) {
    static const control_record none{};
    if (i < 0 || i >= state.controls_used) return none;
    return state.controls[i];
}

const control_record* control_of(plat_control handle) { return record_of(handle); }

void fail_next_controls(int32_t n) { state.controls_to_fail = n; }

}  // namespace headless

using headless::state;

int32_t plat_message_box(bool owned, const char* text, const char* caption, int32_t buttons) {
    if (state.message_total < headless::MESSAGE_LOG_SIZE) {
        headless::message_record& m = state.messages[state.message_total];
        m.owned = owned;
        m.default_caption = caption == nullptr;
        m.buttons = buttons;
        headless::copy_text(m.text, text);
        headless::copy_text(m.caption, caption);
    }
    ++state.message_total;
    if (state.answer_count > 0) {
        const int32_t answer = state.answers[state.answer_first];
        state.answer_first = (state.answer_first + 1) % headless::ANSWER_QUEUE_SIZE;
        --state.answer_count;
        return answer;
    }
    return buttons == PLAT_BOX_YES_NO ? state.default_yes_no : PLAT_ANSWER_OK;
}

uint32_t plat_tick_count() { return state.ticks; }

void plat_play_sound(const char* name) { headless::log_sound(name); }

void plat_stop_sound() { headless::log_sound(""); }

void plat_window_invalidate() { ++state.invalidates; }

void plat_window_update() { ++state.updates; }

void plat_window_post_close() { ++state.closes; }

uint32_t plat_last_error() { return state.last_error; }

plat_size plat_text_extent(plat_font, const char*, int32_t n) {
    if (n < 0) n = 0;
    return plat_size{headless::DEFAULT_CHAR_WIDTH * n, headless::DEFAULT_FONT_HEIGHT};
}

plat_bitmap plat_bitmap_load(uint16_t resource) {
    plat_size size{};
    if (!headless::resource_size(resource, &size)) return nullptr;
    ++state.bitmaps_live;
    return reinterpret_cast<plat_bitmap>(static_cast<intptr_t>(resource) + 1);
}

bool plat_bitmap_size(plat_bitmap bitmap, plat_size* size) {
    if (bitmap == nullptr) return false;
    const auto resource = static_cast<uint16_t>(reinterpret_cast<intptr_t>(bitmap) - 1);
    return headless::resource_size(resource, size);
}

void plat_bitmap_free(plat_bitmap bitmap) {
    if (bitmap != nullptr) --state.bitmaps_live;
}

plat_control plat_control_create(const plat_control_params& params) {
    if (state.controls_to_fail > 0) {
        --state.controls_to_fail;
        state.last_error = headless::ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
    int32_t slot = 0;
    while (slot < state.controls_used && state.controls[slot].alive) ++slot;
    if (slot >= headless::CONTROL_LOG_SIZE) {
        state.last_error = headless::ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
    if (slot == state.controls_used) ++state.controls_used;
    headless::control_record& r = state.controls[slot];
    r.params = params;
    headless::copy_text(r.text, params.text);
    r.params.text = r.text;
    r.alive = true;
    r.shown = true;
    r.show_calls = 0;
    return headless::control_handle(slot);
}

void plat_control_show(plat_control control, bool shown) {
    if (headless::control_record* r = headless::record_of(control)) {
        r->shown = shown;
        ++r->show_calls;
    }
}

void plat_control_destroy(plat_control control) {
    if (headless::control_record* r = headless::record_of(control)) {
        r->alive = false;
        r->shown = false;
    }
}

}  // namespace tomelet
