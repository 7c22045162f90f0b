// The main window in a browser: its events (each one a call from the
// page's queue in reader.js), message boxes as modal dialogs, the clock, the
// timer, sounds, the running copy and the vertical scroll range, which the
// page's own scrolling follows both ways.
#include <emscripten.h>

#include <cstring>

#include "app/entry.h"
#include "book/compiled_book.h"
#include "platform/web/backend.h"

// The calls into the page (reader.js owns everything there is to see).
EM_JS(void, web_js_message_box, (const char* text, const char* caption, int buttons), {
    tomelet.messageBoxLater(tomelet.text(text), caption ? tomelet.text(caption) : "", buttons);
});
EM_JS(double, web_js_ticks, (), { return tomelet.ticks(); });
EM_JS(void, web_js_play_sound, (const char* name, const uint8_t* bytes, uint32_t size, int index), {
    tomelet.playSound(UTF8ToString(name), size > 0 ? HEAPU8.slice(bytes, bytes + size) : null, index);
});
EM_JS(void, web_js_stop_sound, (), { tomelet.stopSound(); });
EM_JS(int, web_js_screen_height, (), { return tomelet.screenHeight(); });
EM_JS(int, web_js_bring_running_copy_to_front, (), { return tomelet.askRunningCopy() ? 1 : 0; });
EM_JS(void, web_js_window_create, (const char* title), { tomelet.createWindow(tomelet.text(title)); });
EM_JS(void, web_js_post, (int kind, int value), { tomelet.postMessage(kind, value); });
EM_JS(void, web_js_quit, (int code), { tomelet.quit(code); });
EM_JS(void, web_js_timer, (int ms), { tomelet.setTimer(ms); });
EM_JS(void, web_js_scroll, (int maximum, int page, int position), {
    tomelet.setScroll(maximum, page, position);
});
EM_JS(void, web_js_scrolled, (), { tomelet.scrolled(); });
EM_JS(void, web_js_invalidated, (), { tomelet.invalidated(); });

namespace tomelet {

namespace web {

int32_t client_width = 0;
int32_t client_height = 0;
bool window_exists = false;
bool window_shown = false;
bool window_invalid = false;
plat_scroll_info scroll = {0, 100, 0, 0, 0};

namespace {

int32_t paint_depth = 0;
// Paints inside paints stop here (the engine repaints at most once more).
constexpr int32_t MAX_PAINT_DEPTH = 4;

int32_t scroll_limit() {
    const int64_t page = scroll.page > 1 ? scroll.page - 1 : 0;
    int64_t hi = static_cast<int64_t>(scroll.maximum) - page;
    if (hi < scroll.minimum) hi = scroll.minimum;
    return static_cast<int32_t>(hi);
}

}  // namespace

void paint_if_invalid() {
    if (!window_exists || !window_shown || !window_invalid || paint_depth >= MAX_PAINT_DEPTH) return;
    window_invalid = false;
    ++paint_depth;
    on_paint();
    --paint_depth;
    if (paint_depth == 0 && window_exists) {
        draw_owner_drawn_buttons();
        send_document();
    }
}

}  // namespace web

using namespace web;

// ---------------------------------------------------------------------------
// The platform

// A call into the engine cannot wait in a browser: the page shows the box
// once the call has returned and hands the reader's answer to web_answer.
int32_t plat_message_box(bool, const char* text, const char* caption, int32_t buttons) {
    web_js_message_box(text != nullptr ? text : "", caption, buttons);
    return PLAT_ANSWER_LATER;
}

uint32_t plat_tick_count() { return static_cast<uint32_t>(static_cast<uint64_t>(web_js_ticks())); }

// The book's waves are handed to the page, which plays them with Web Audio
// (or skips them silently while the browser allows no sound); a wave that
// travels as a file the page fetches the first time it plays.
void plat_play_sound(const char* name) {
    embedded sound{};
    int32_t index = 0;
    if (name == nullptr || !find_sound(name, &sound, &index)) return;
    web_js_play_sound(name, sound.bytes, sound.size, index);
}

void plat_stop_sound() { web_js_stop_sound(); }

// The viewport's height stands for the screen's: it chooses the font size.
int32_t plat_screen_height() { return web_js_screen_height(); }

// CSS pixels: 96 to the inch at any zoom or device pixel ratio.
int32_t plat_pixels_per_inch() { return 96; }

// The tab holding the book is asked (over a broadcast channel) to come
// forward; true when the browser can carry the request.
bool plat_bring_running_copy_to_front() { return web_js_bring_running_copy_to_front() != 0; }

// The window is the page: the caption becomes the document's title and the
// size asked for is not used (the viewport is the client area).
bool plat_window_create(const char* title, int32_t, int32_t, int32_t, int32_t) {
    if (window_exists) return false;
    web_js_window_create(title != nullptr ? title : "");
    window_exists = true;
    window_shown = false;
    window_invalid = true;
    scroll = plat_scroll_info{0, 100, 0, 0, 0};
    on_create();
    if (window_exists) on_size(client_width, client_height);
    return true;
}

void plat_window_show() {
    if (!window_exists) return;
    window_shown = true;
    paint_if_invalid();
}

plat_rect plat_window_client_rect() {
    if (!window_exists) return plat_rect{0, 0, 0, 0};
    return plat_rect{0, 0, client_width, client_height};
}

void plat_window_invalidate() {
    if (!window_exists) return;
    window_invalid = true;
    web_js_invalidated();
}

void plat_window_update() { paint_if_invalid(); }

void plat_window_post_close() { web_js_post(POSTED_CLOSE, 0); }

void plat_quit(int32_t code) { web_js_quit(code); }

void plat_post_vscroll(int32_t request) { web_js_post(POSTED_VSCROLL, request); }

// The browser does not say; the About screen shows 0.0.
void plat_os_version(int32_t* major, int32_t* minor) {
    if (major != nullptr) *major = 0;
    if (minor != nullptr) *minor = 0;
}

void plat_timer_start(int32_t ms) { web_js_timer(ms < 1 ? 1 : ms); }

void plat_timer_stop() { web_js_timer(0); }

// The position is clamped as a desktop scroll bar clamps it; the page's
// scrolling is set to follow.
void plat_scroll_set(uint32_t mask, const plat_scroll_info& info) {
    if ((mask & PLAT_SCROLL_RANGE) != 0) {
        scroll.minimum = info.minimum;
        scroll.maximum = info.maximum;
    }
    if ((mask & PLAT_SCROLL_PAGE) != 0) scroll.page = info.page;
    if ((mask & PLAT_SCROLL_POS) != 0) scroll.position = info.position;
    if ((mask & PLAT_SCROLL_TRACK) != 0) scroll.track = info.track;
    const int32_t hi = scroll_limit();
    if (scroll.position > hi) scroll.position = hi;
    if (scroll.position < scroll.minimum) scroll.position = scroll.minimum;
    if (window_exists) web_js_scroll(scroll.maximum, scroll.page, scroll.position);
}

plat_scroll_info plat_scroll_get() { return scroll; }

// The page's elements sit in document coordinates, so what the desktop
// moves by dy is already in place; the area is painted again, keeping what
// the last paint inverted (as moved pixels keep their colours).
void plat_scroll_window(int32_t, const plat_rect&) {
    if (!window_exists) return;
    window_invalid = true;
    web_js_scrolled();
}

uint32_t plat_last_error() { return 0; }

}  // namespace tomelet

// ---------------------------------------------------------------------------
// The events: reader.js calls these one at a time, each after the last has
// finished; while a message box is up, only its answer (web_answer).

using namespace tomelet;

extern "C" {

EMSCRIPTEN_KEEPALIVE void web_set_client(int32_t width, int32_t height) {
    client_width = width < 0 ? 0 : width;
    client_height = height < 0 ? 0 : height;
}

EMSCRIPTEN_KEEPALIVE int web_start() { return app_start(&compiled_book) ? 1 : 0; }

// A new viewport size: the client area is laid out again and repainted
// whole, as a window class that redraws on every size change.
EMSCRIPTEN_KEEPALIVE void web_size(int32_t width, int32_t height) {
    web_set_client(width, height);
    if (!window_exists) return;
    on_size(client_width, client_height);
    window_invalid = true;
}

EMSCRIPTEN_KEEPALIVE int web_command(int32_t id, int32_t code) {
    if (!window_exists) return 0;
    return on_command(id, code) ? 1 : 0;
}

// The reader's answer to the message box shown last; 1 when it answered a
// question the engine was waiting on.
EMSCRIPTEN_KEEPALIVE int web_answer(int32_t answer) { return app_answer(answer) ? 1 : 0; }

EMSCRIPTEN_KEEPALIVE int web_key(int32_t key) {
    if (!window_exists) return 0;
    return on_key(key) ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE void web_vscroll(int32_t request, int32_t track) {
    if (window_exists) on_vscroll(request, track);
}

EMSCRIPTEN_KEEPALIVE void web_timer() {
    if (window_exists) on_timer();
}

// The ordinary close: the engine hears of it while its controls exist, then
// they go with the window.
EMSCRIPTEN_KEEPALIVE void web_close() {
    if (!window_exists) return;
    on_destroy();
    forget_controls();
    forget_document();
    window_exists = false;
    window_shown = false;
    window_invalid = false;
    web_js_timer(0);
}

// 1 when the place was kept; 0 when the browser's storage refused it, which
// the page says in its own terms, offering the place as a file.
EMSCRIPTEN_KEEPALIVE int web_finish() { return app_finish_quietly() ? 1 : 0; }

// After every event: what is invalid is painted, as a message loop does.
EMSCRIPTEN_KEEPALIVE void web_idle() { paint_if_invalid(); }

}  // extern "C"
