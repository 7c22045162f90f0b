// The headless back end's state, message boxes, clock, sounds and screen.
#include <cstddef>
#include <cstring>

#include "platform/headless/backend.h"

namespace tomelet {
namespace headless {

// The engine's entry points (engine_entry.cpp).
extern const entry_points engine_entry_points;

backend_state state;
const entry_points* handlers = &engine_entry_points;

void copy_text(char* dest, const char* text) {
    if (text == nullptr) text = "";
    size_t n = std::strlen(text);
    if (n > LOG_TEXT_SIZE - 1) n = LOG_TEXT_SIZE - 1;
    std::memcpy(dest, text, n);
    dest[n] = '\0';
}

namespace {

void log_sound(const char* name) {
    if (state.sound_total < SOUND_LOG_SIZE) copy_text(state.sounds[state.sound_total], name);
    ++state.sound_total;
}

}  // namespace

// The logs (messages, sounds, controls, drawing) are most of the state.  A
// record is written whole when it is taken, and only records below the
// counts are ever read, so a reset leaves them as they are: a process
// touches only the log records it uses.  Everything else is zeroed.
void reset() {
    struct kept_span {
        size_t from, size;
    };
    const kept_span logs[] = {
        {offsetof(backend_state, messages), sizeof state.messages},
        {offsetof(backend_state, sounds), sizeof state.sounds},
        {offsetof(backend_state, controls), sizeof state.controls},
        {offsetof(backend_state, draws), sizeof state.draws},
        {offsetof(backend_state, item_draws), sizeof state.item_draws},
    };
    auto* bytes = reinterpret_cast<unsigned char*>(&state);
    size_t at = 0;
    while (at < sizeof state) {
        // The next kept span at or after `at`; none: zero to the end.
        size_t next = sizeof state;
        size_t skip = 0;
        for (const kept_span& k : logs) {
            if (k.from >= at && k.from < next) {
                next = k.from;
                skip = k.size;
            }
        }
        std::memset(bytes + at, 0, next - at);
        at = next + skip;
    }
    state.default_yes_no = PLAT_ANSWER_NO;
    state.screen_height = DEFAULT_SCREEN_HEIGHT;
    state.pixels_per_inch = DEFAULT_PIXELS_PER_INCH;
    state.os_major = 5;
    state.os_minor = 1;
    handlers = &engine_entry_points;
}

void use_entry_points(const entry_points* installed) {
    handlers = installed != nullptr ? installed : &engine_entry_points;
}

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

void set_screen_height(int32_t pixels) { state.screen_height = pixels; }
void set_pixels_per_inch(int32_t pixels) { state.pixels_per_inch = pixels; }

void set_os_version(int32_t major, int32_t minor) {
    state.os_major = major;
    state.os_minor = minor;
}

void set_running_copy(bool exists) { state.running_copy = exists; }
int32_t running_copy_raised() { return state.running_copy_raised; }

void set_last_error(uint32_t code) { state.last_error = code; }

}  // namespace headless

using headless::state;

int32_t plat_message_box(bool owned, const char* text, const char* caption, int32_t buttons) {
    if (state.message_total < headless::MESSAGE_LOG_SIZE) {
        headless::message_record& m = state.messages[state.message_total];
        m.owned = owned;
        m.default_caption = caption == nullptr;
        m.in_paint = state.paint_open;
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

int32_t plat_screen_height() { return state.screen_height; }

int32_t plat_pixels_per_inch() { return state.pixels_per_inch; }

bool plat_bring_running_copy_to_front() {
    if (!state.running_copy) return false;
    ++state.running_copy_raised;
    return true;
}

void plat_os_version(int32_t* major, int32_t* minor) {
    if (major != nullptr) *major = state.os_major;
    if (minor != nullptr) *minor = state.os_minor;
}

uint32_t plat_last_error() { return state.last_error; }

}  // namespace tomelet
