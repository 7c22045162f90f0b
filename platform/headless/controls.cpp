// The child controls of the main window: a fixed table of slots.
#include <cstring>

#include "platform/headless/backend.h"

namespace tomelet {
namespace headless {

namespace {

// No slot below this one (nor below controls_used) is free: a creation
// searches from there.  Lowered by every destruction; a reset brings
// controls_used to 0, which the search takes as its bound as well.
int32_t free_from = 0;

}  // namespace

// A handle names one creation: slot + 1 + CONTROL_LOG_SIZE x the slot's
// generation, so a destroyed control's handle never reaches the control
// that reuses its slot.
plat_control control_handle(int32_t slot) {
    const intptr_t value = static_cast<intptr_t>(slot) + 1 +
                           static_cast<intptr_t>(CONTROL_LOG_SIZE) * state.control_generations[slot];
    return reinterpret_cast<plat_control>(value);
}

namespace {

// The slot of a live control's handle; -1 for a handle that is not ours or
// whose control was destroyed.
int32_t slot_of(plat_control handle) {
    const intptr_t value = reinterpret_cast<intptr_t>(handle) - 1;
    if (value < 0) return -1;
    const auto slot = static_cast<int32_t>(value % CONTROL_LOG_SIZE);
    const intptr_t generation = value / CONTROL_LOG_SIZE;
    if (slot >= state.controls_used || generation != static_cast<intptr_t>(state.control_generations[slot]) ||
        !state.controls[slot].alive) {
        return -1;
    }
    return slot;
}

// A destroyed control: no longer live, shown or focused.
void mark_destroyed(control_record& r) {
    r.alive = false;
    r.shown = false;
    r.focused = false;
}

}  // namespace

control_record* record_of(plat_control handle) {
    const int32_t slot = slot_of(handle);
    return slot >= 0 ? &state.controls[slot] : nullptr;
}

void destroy_all_controls() {
    free_from = 0;
    for (int32_t i = 0; i < state.controls_used; ++i) {
        mark_destroyed(state.controls[i]);
    }
}

bool owner_drawn(const control_record& r) {
    return r.params.kind == PLAT_HOTWORD_BUTTON || r.params.kind == PLAT_PICTURE_BUTTON;
}

int32_t control_count() { return state.controls_used; }

const control_record& control(int32_t i) {
    static const control_record none{};
    if (i < 0 || i >= state.controls_used) return none;
    return state.controls[i];
}

const control_record* control_of(plat_control handle) { return record_of(handle); }

plat_control control_by_id(int32_t id) {
    for (int32_t i = 0; i < state.controls_used; ++i) {
        if (state.controls[i].alive && state.controls[i].params.id == id) return control_handle(i);
    }
    return nullptr;
}

plat_control focused_control() {
    for (int32_t i = 0; i < state.controls_used; ++i) {
        if (state.controls[i].alive && state.controls[i].focused) return control_handle(i);
    }
    return nullptr;
}

void fail_next_controls(int32_t n) { state.controls_to_fail = n; }

}  // namespace headless

using headless::state;

namespace headless {
namespace {

// The creation's rare paths, out of line, so that the usual one needs few
// registers: a failure, and a caption or check box text to copy.
[[gnu::noinline]] plat_control refuse_creation() {
    state.last_error = ERROR_NOT_ENOUGH_MEMORY;
    return nullptr;
}

[[gnu::noinline]] plat_control with_text(control_record& r, const char* text, plat_control handle) {
    copy_text(r.text, text);
    return handle;
}

// Fills the record `r` of a new control in `slot` and returns its handle.
// Every field is set here; the two texts only up to their ends, which is
// all that is ever read of them.
[[gnu::always_inline]] inline plat_control fill_record(control_record& r, int32_t slot,
                                                       const plat_control_params& params) {
    // The parameters copied as one block, their text then pointed at the
    // record's own (fewer instructions than field by field; the page's
    // controls come in lists, whose parameters were all stored before the
    // first is made).  The fields used again are loaded first, once (the
    // record might, for all the compiler knows, hold `params`).
    const plat_control_kind kind = params.kind;
    const int32_t x = params.x;
    const int32_t y = params.y;
    const int32_t width = params.width;
    const int32_t height = params.height;
    const plat_bitmap bitmap = params.bitmap;
    const bool hidden = params.hidden;
    // A text-entry box starts empty whatever text it is given; a hotword
    // button has no text of its own.
    const char* text = kind == PLAT_EDIT_BOX ? nullptr : params.text;
    r.params = params;
    r.params.text = r.text;
    r.alive = true;
    r.shown = !hidden;
    r.enabled = true;
    r.focused = false;
    r.checked = false;
    r.x = x;
    r.y = y;
    r.width = width;
    r.height = height;
    r.image = bitmap;
    r.show_calls = 0;
    r.move_calls = 0;
    r.drawn_label[0] = '\0';
    const plat_control handle = control_handle(slot);
    // The text last, a caption's copy out of line and at the very end, so
    // that a button without one needs no registers kept across a call.
    if (text == nullptr || text[0] == '\0') {
        r.text[0] = '\0';
        return handle;
    }
    return with_text(r, text, handle);
}

// Takes a slot for a new control (the first free one), or -1 when every
// slot is live.
int32_t take_slot() {
    int32_t slot = free_from < state.controls_used ? free_from : state.controls_used;
    while (slot < state.controls_used && state.controls[slot].alive) ++slot;
    if (slot >= CONTROL_LOG_SIZE) return -1;
    if (slot == state.controls_used) {
        ++state.controls_used;
    } else {
        ++state.control_generations[slot];
    }
    free_from = slot + 1;
    return slot;
}

[[gnu::always_inline]] inline plat_control create_control(const plat_control_params& params) {
    if (state.controls_to_fail > 0) {
        --state.controls_to_fail;
        return refuse_creation();
    }
    const int32_t slot = take_slot();
    if (slot < 0) return refuse_creation();
    return fill_record(state.controls[slot], slot, params);
}

}  // namespace
}  // namespace headless

plat_control plat_control_create(const plat_control_params& params) { return headless::create_control(params); }

// The same slots as one creation after another would take, with the search
// kept in registers from one control to the next: the slot after the one
// just taken is where the next search starts, and the count of slots used
// is written back once.  While a test has creations set to fail, they are
// made one by one.
int32_t plat_controls_create(const plat_control_params* params, int32_t n, plat_control* controls) {
    if (state.controls_to_fail > 0) {
        for (int32_t i = 0; i < n; ++i) {
            const plat_control made = headless::create_control(params[i]);
            controls[i] = made;
            if (made == nullptr) return i;
        }
        return n < 0 ? 0 : n;
    }
    int32_t used = state.controls_used;
    int32_t slot = headless::free_from < used ? headless::free_from : used;
    // The slot's record walked alongside it.
    headless::control_record* r = &state.controls[slot];
    int32_t i = 0;
    for (; i < n; ++i) {
        while (slot < used && r->alive) {
            ++slot;
            ++r;
        }
        if (slot >= headless::CONTROL_LOG_SIZE) break;
        if (slot == used) {
            ++used;
        } else {
            ++state.control_generations[slot];
        }
        controls[i] = headless::fill_record(*r, slot, params[i]);
        ++slot;
        ++r;
    }
    state.controls_used = used;
    headless::free_from = slot;
    if (i < n) {
        controls[i] = headless::refuse_creation();
        return i;
    }
    return n < 0 ? 0 : n;
}

void plat_control_show(plat_control control, bool shown) {
    if (headless::control_record* r = headless::record_of(control)) {
        r->shown = shown;
        ++r->show_calls;
    }
}

void plat_control_destroy(plat_control control) {
    const int32_t slot = headless::slot_of(control);
    if (slot < 0) return;
    if (slot < headless::free_from) headless::free_from = slot;
    headless::mark_destroyed(state.controls[slot]);
}

// As plat_control_destroy on each, with the lowest free slot kept in a
// register and written back once.
void plat_controls_destroy(plat_control* controls, int32_t n) {
    int32_t lowest = headless::free_from;
    for (int32_t i = 0; i < n; ++i) {
        const int32_t slot = headless::slot_of(controls[i]);
        controls[i] = nullptr;
        if (slot < 0) continue;
        if (slot < lowest) lowest = slot;
        headless::mark_destroyed(state.controls[slot]);
    }
    headless::free_from = lowest;
}

void plat_control_move(plat_control control, int32_t x, int32_t y, int32_t width, int32_t height, bool) {
    if (headless::control_record* r = headless::record_of(control)) {
        r->x = x;
        r->y = y;
        r->width = width;
        r->height = height;
        ++r->move_calls;
    }
}

void plat_control_focus(plat_control control) {
    headless::control_record* r = headless::record_of(control);
    if (r == nullptr) return;
    for (int32_t i = 0; i < state.controls_used; ++i) state.controls[i].focused = false;
    r->focused = true;
}

void plat_control_enable(plat_control control, bool enabled) {
    if (headless::control_record* r = headless::record_of(control)) r->enabled = enabled;
}

void plat_control_set_image(plat_control control, plat_bitmap bitmap) {
    if (headless::control_record* r = headless::record_of(control)) r->image = bitmap;
}

int32_t plat_control_text(plat_control control, char* buffer, int32_t size) {
    if (buffer == nullptr || size <= 0) return 0;
    buffer[0] = '\0';
    const headless::control_record* r = headless::record_of(control);
    if (r == nullptr) return 0;
    auto n = static_cast<int32_t>(std::strlen(r->text));
    if (n > size - 1) n = size - 1;
    std::memcpy(buffer, r->text, static_cast<size_t>(n));
    buffer[n] = '\0';
    return n;
}

bool plat_check_box_checked(plat_control control) {
    const headless::control_record* r = headless::record_of(control);
    return r != nullptr && r->params.kind == PLAT_CHECK_BOX && r->checked;
}

void plat_check_box_set(plat_control control, bool checked) {
    headless::control_record* r = headless::record_of(control);
    if (r != nullptr && r->params.kind == PLAT_CHECK_BOX) r->checked = checked;
}

}  // namespace tomelet
