// The main window: creation and its frame model, painting, the message
// queue, the timer, the scroll bar and the reader's actions.
#include <cstdint>
#include <cstring>

#include "app/entry.h"
#include "platform/headless/backend.h"

namespace tomelet {
namespace headless {

namespace {

int32_t at_least_zero(int32_t v) { return v < 0 ? 0 : v; }

// A client size as the outer size takes it: 0 at least, and at most what
// leaves room for the frame in 32 bits.
int32_t client_extent(int32_t v, int32_t frame) { return v < 0 ? 0 : v > INT32_MAX - frame ? INT32_MAX - frame : v; }

void set_outer_size(int32_t width, int32_t height) {
    state.window.width = width;
    state.window.height = height;
    state.window.client_width = at_least_zero(width - NON_CLIENT_WIDTH);
    state.window.client_height = at_least_zero(height - NON_CLIENT_HEIGHT);
}

void post(message_kind kind, int32_t value) {
    if (state.queue_count >= MESSAGE_QUEUE_SIZE) {
        ++state.queue_dropped;
        return;
    }
    state.queue[(state.queue_first + state.queue_count) % MESSAGE_QUEUE_SIZE] = queued_message{kind, value};
    ++state.queue_count;
}

// The default handling of a close: the window is destroyed.  The engine
// hears of it (on_destroy) while its children still exist, as on a desktop.
void destroy_window() {
    handlers->destroy();
    destroy_all_controls();
    state.window.exists = false;
    state.window.shown = false;
    state.window.invalid = false;
    ++state.window.destroyed;
    state.timer_on = false;
}

void deliver(const queued_message& m) {
    switch (m.kind) {
    case MESSAGE_CLOSE:
        if (state.window.exists) destroy_window();
        break;
    case MESSAGE_VSCROLL:
        if (state.window.exists) handlers->vscroll(m.value, 0);
        break;
    case MESSAGE_QUIT:
        state.ended = true;
        state.exit_code = m.value;
        state.queue_count = 0;
        break;
    }
}

// The position's upper limit: maximum - max(page - 1, 0), never below the
// minimum.
int32_t scroll_limit() {
    const plat_scroll_info& s = state.scroll;
    const int64_t page = s.page > 1 ? s.page - 1 : 0;
    int64_t hi = static_cast<int64_t>(s.maximum) - page;
    if (hi < s.minimum) hi = s.minimum;
    return static_cast<int32_t>(hi);
}

bool rects_meet(const plat_rect& a, const plat_rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

void set_focus(control_record* r) {
    for (int32_t i = 0; i < state.controls_used; ++i) state.controls[i].focused = false;
    if (r != nullptr) r->focused = true;
}

// A text-entry box that can take the reader's keys.
control_record* live_box(plat_control box) {
    control_record* r = record_of(box);
    if (r == nullptr || !r->shown || !r->enabled || r->params.kind != PLAT_EDIT_BOX) return nullptr;
    return r;
}

}  // namespace

// A hidden window is not painted: it stays invalid until it is shown.
void paint_window() {
    if (!state.window.exists || !state.window.shown || !state.window.invalid) return;
    if (state.paint_depth >= MAX_PAINT_DEPTH) {
        ++state.paint_refusals;
        return;
    }
    state.window.invalid = false;
    ++state.paint_depth;
    ++state.paints;
    const bool was_open = state.paint_open;
    state.paint_open = true;
    handlers->paint();
    state.paint_open = was_open;
    --state.paint_depth;
    // The children are drawn after their parent's paint, once the outermost
    // paint is over.
    if (state.paint_depth == 0 && state.window.exists) owner_draw_round();
}

const window_record& window() { return state.window; }
void fail_next_window() { state.fail_window = true; }
int32_t invalidate_count() { return state.invalidates; }
int32_t update_count() { return state.updates; }
int32_t paint_count() { return state.paints; }
int32_t paint_refusals() { return state.paint_refusals; }
int32_t close_posted() { return state.closes; }

int32_t pump() {
    int32_t delivered = 0;
    while (!state.ended && state.queue_count > 0 && delivered < PUMP_LIMIT) {
        const queued_message m = state.queue[state.queue_first];
        state.queue_first = (state.queue_first + 1) % MESSAGE_QUEUE_SIZE;
        --state.queue_count;
        deliver(m);
        ++delivered;
    }
    if (!state.ended) paint_window();
    return delivered;
}

int32_t queued_messages() { return state.queue_count; }
int32_t dropped_messages() { return state.queue_dropped; }
bool running() { return !state.ended; }
int32_t exit_code() { return state.exit_code; }

void advance_clock(uint32_t ms) {
    uint32_t remaining = ms;
    while (state.timer_on) {
        const uint32_t until_due = state.timer_due - state.ticks;
        if (until_due > remaining) break;
        remaining -= until_due;
        state.ticks = state.timer_due;
        state.timer_due = state.ticks + static_cast<uint32_t>(state.timer_period);
        handlers->timer();
        pump();
    }
    state.ticks += remaining;
}

bool timer_running() { return state.timer_on; }
int32_t timer_period() { return state.timer_on ? state.timer_period : 0; }

void set_client_size(int32_t width, int32_t height) {
    if (!state.window.exists) return;
    set_outer_size(client_extent(width, NON_CLIENT_WIDTH) + NON_CLIENT_WIDTH,
                   client_extent(height, NON_CLIENT_HEIGHT) + NON_CLIENT_HEIGHT);
    // The window class redraws the whole window on every size change.
    state.window.invalid = true;
    handlers->size(state.window.client_width, state.window.client_height);
    pump();
}

bool send_command(int32_t id, int32_t code) {
    if (!state.window.exists) return false;
    const bool handled = handlers->command(id, code);
    pump();
    return handled;
}

bool press_key(int32_t key) {
    if (!state.window.exists) return false;
    if (plat_control focus = focused_control(); focus != nullptr && live_box(focus) != nullptr) {
        return edit_key(focus, key);
    }
    const bool handled = handlers->key(key);
    pump();
    return handled;
}

void scroll(int32_t request, int32_t track_position) {
    if (!state.window.exists) return;
    handlers->vscroll(request, track_position);
    pump();
}

bool click(plat_control control) {
    control_record* r = record_of(control);
    if (r == nullptr || !r->shown || !r->enabled) return false;
    if (r->params.kind == PLAT_EDIT_BOX) {
        set_focus(r);
    } else {
        if (r->params.kind == PLAT_CHECK_BOX) r->checked = !r->checked;
        handlers->command(r->params.id, 0);
    }
    pump();
    return true;
}

bool click_id(int32_t id) { return click(control_by_id(id)); }

bool click_label(const char* label) {
    if (label == nullptr) return false;
    for (int32_t i = 0; i < state.controls_used; ++i) {
        const control_record& r = state.controls[i];
        if (!r.alive || !r.shown || !r.enabled) continue;
        const bool named = std::strcmp(r.text, label) == 0 ||
                           (owner_drawn(r) && r.drawn_label[0] != '\0' && std::strcmp(r.drawn_label, label) == 0);
        if (named) return click(control_handle(i));
    }
    return false;
}

int32_t type_text(plat_control box, const char* text) {
    control_record* r = live_box(box);
    if (r == nullptr || text == nullptr) return 0;
    set_focus(r);
    // A limit of 0 is no limit, as the desktop's edit boxes take it; the
    // record holds LOG_TEXT_SIZE - 1 characters in any case.
    int32_t limit = r->params.max_length;
    if (limit <= 0 || limit > LOG_TEXT_SIZE - 1) limit = LOG_TEXT_SIZE - 1;
    auto length = static_cast<int32_t>(std::strlen(r->text));
    int32_t accepted = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (static_cast<unsigned char>(*p) < 0x20) continue;
        if (length >= limit) break;
        r->text[length++] = *p;
        ++accepted;
    }
    r->text[length] = '\0';
    return accepted;
}

bool edit_key(plat_control box, int32_t key) {
    control_record* r = live_box(box);
    if (r == nullptr) return false;
    set_focus(r);
    switch (key) {
    case KEY_RETURN:
    case KEY_TAB:
        handlers->command(r->params.id, EDIT_COMMIT);
        break;
    case KEY_UP:
        handlers->vscroll(SCROLL_LINE_UP, 0);
        break;
    case KEY_DOWN:
        handlers->vscroll(SCROLL_LINE_DOWN, 0);
        break;
    case KEY_BACKSPACE: {
        const size_t length = std::strlen(r->text);
        if (length > 0) r->text[length - 1] = '\0';
        break;
    }
    default:
        return false;
    }
    pump();
    return true;
}

bool scroll_bar_greyed() { return scroll_limit() <= state.scroll.minimum; }

}  // namespace headless

using headless::state;

bool plat_window_create(const char* title, int32_t x, int32_t y, int32_t width, int32_t height) {
    if (state.window.exists) {
        // The reader has one main window.
        state.last_error = headless::ERROR_NOT_ENOUGH_MEMORY;
        return false;
    }
    if (state.fail_window) {
        state.fail_window = false;
        state.last_error = headless::ERROR_NOT_ENOUGH_MEMORY;
        return false;
    }
    headless::window_record& w = state.window;
    w.exists = true;
    w.shown = false;
    w.invalid = true;
    headless::copy_text(w.title, title);
    w.x = x;
    w.y = y;
    headless::set_outer_size(headless::at_least_zero(width), headless::at_least_zero(height));
    ++w.created;
    // A new window's scroll bar: range 0 to 100, no page, at the top.
    state.scroll = plat_scroll_info{0, 100, 0, 0, 0};
    headless::clear_client_layer();
    headless::handlers->create();
    if (w.exists) headless::handlers->size(w.client_width, w.client_height);
    return true;
}

void plat_window_show() {
    if (!state.window.exists) return;
    state.window.shown = true;
    headless::paint_window();
}

plat_rect plat_window_client_rect() {
    if (!state.window.exists) return plat_rect{0, 0, 0, 0};
    return plat_rect{0, 0, state.window.client_width, state.window.client_height};
}

void plat_window_invalidate() {
    ++state.invalidates;
    if (state.window.exists) state.window.invalid = true;
}

void plat_window_update() {
    ++state.updates;
    headless::paint_window();
}

void plat_window_post_close() {
    ++state.closes;
    headless::post(headless::MESSAGE_CLOSE, 0);
}

void plat_quit(int32_t code) { headless::post(headless::MESSAGE_QUIT, code); }

void plat_post_vscroll(int32_t request) { headless::post(headless::MESSAGE_VSCROLL, request); }

// Periods below 1 ms are taken as 1 ms.  The timer runs whether or not the
// window exists (destroying the window stops it).
void plat_timer_start(int32_t ms) {
    state.timer_on = true;
    state.timer_period = ms < 1 ? 1 : ms;
    state.timer_due = state.ticks + static_cast<uint32_t>(state.timer_period);
}

void plat_timer_stop() { state.timer_on = false; }

// Every set clamps the position again, as the range or page may have moved
// its limit.  The track position is stored as given.
void plat_scroll_set(uint32_t mask, const plat_scroll_info& info) {
    plat_scroll_info& s = state.scroll;
    if ((mask & PLAT_SCROLL_RANGE) != 0) {
        s.minimum = info.minimum;
        s.maximum = info.maximum;
    }
    if ((mask & PLAT_SCROLL_PAGE) != 0) s.page = info.page;
    if ((mask & PLAT_SCROLL_POS) != 0) s.position = info.position;
    if ((mask & PLAT_SCROLL_TRACK) != 0) s.track = info.track;
    const int32_t hi = headless::scroll_limit();
    if (s.position > hi) s.position = hi;
    if (s.position < s.minimum) s.position = s.minimum;
}

plat_scroll_info plat_scroll_get() { return state.scroll; }

void plat_scroll_window(int32_t dy, const plat_rect& area) {
    for (int32_t i = 0; i < state.controls_used; ++i) {
        headless::control_record& r = state.controls[i];
        if (!r.alive) continue;
        const plat_rect place{r.x, r.y, r.x + r.width, r.y + r.height};
        if (headless::rects_meet(place, area)) r.y += dy;
    }
    if (state.window.exists) state.window.invalid = true;
}

}  // namespace tomelet
