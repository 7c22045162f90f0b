// The state file in a browser: one record kept in the browser's storage
// under the book's class name, and the lock that lets one tab of a browser
// profile read the book at a time (Web Locks), as the exclusive open of the
// file does on a desktop.  reader.js keeps the record's bytes; these calls
// read and write them.  The reader's place is also written whenever the tab
// is hidden or closed, and it can be saved to a file and opened from one.
#include <emscripten.h>

#include "app/entry.h"
#include "book/compiled_book.h"
#include "platform/web/backend.h"

// Returns a record_open_result (backend.h).
// The tab has asked for the book's lock before it started the engine
// (reader.js, lockRecord): the answer is at hand.
EM_JS(int, web_js_file_open, (const char* name), {
    return tomelet.openRecord(UTF8ToString(name));
});
EM_JS(int, web_js_file_read, (char* buffer, int n), {
    const bytes = tomelet.readRecord(n);
    HEAPU8.set(bytes, buffer);
    return bytes.length;
});
EM_JS(int, web_js_file_write, (const uint8_t* buffer, int n), {
    return tomelet.writeRecord(HEAPU8.slice(buffer, buffer + n)) ? 1 : 0;
});
EM_JS(void, web_js_file_close, (), { tomelet.closeRecord(); });

namespace tomelet {

namespace {

// One state file at a time; its handle is this one value.
plat_file const THE_FILE = reinterpret_cast<plat_file>(static_cast<uintptr_t>(1));
bool file_open = false;

}  // namespace

}  // namespace tomelet

// The state file's name, for reader.js to take the book's lock before the
// engine starts.
extern "C" EMSCRIPTEN_KEEPALIVE const char* web_state_file_name() {
    return tomelet::app_state_file_name_of(&tomelet::compiled_book);
}

namespace tomelet {

plat_file plat_file_open_exclusive(const char* name, bool* existed) {
    if (existed != nullptr) *existed = false;
    if (name == nullptr || name[0] == '\0' || file_open) return nullptr;
    const int opened = web_js_file_open(name);
    if (opened == web::RECORD_HELD_ELSEWHERE) return nullptr;
    file_open = true;
    if (existed != nullptr) *existed = opened == web::RECORD_FOUND;
    return THE_FILE;
}

int32_t plat_file_read(plat_file file, void* buffer, int32_t n) {
    if (file != THE_FILE || !file_open || buffer == nullptr || n <= 0) return 0;
    return web_js_file_read(static_cast<char*>(buffer), n);
}

bool plat_file_write_at_start(plat_file file, const void* buffer, int32_t n) {
    if (file != THE_FILE || !file_open || (buffer == nullptr && n > 0) || n < 0) return false;
    return web_js_file_write(static_cast<const uint8_t*>(buffer), n) != 0;
}

void plat_file_close(plat_file file) {
    if (file != THE_FILE || !file_open) return;
    file_open = false;
    web_js_file_close();
}

}  // namespace tomelet

using namespace tomelet;

extern "C" {

// The tab is being hidden or closed: the place is written now.
EMSCRIPTEN_KEEPALIVE int web_save_now() { return app_keep_place() ? 1 : 0; }

// The state record as it stands, for saving to a file; its size goes to
// *size.
EMSCRIPTEN_KEEPALIVE const uint8_t* web_place_record(int32_t* size) { return app_place_record(size); }

// The size of the book's state record, for the page's messages.
EMSCRIPTEN_KEEPALIVE int web_record_size() {
    return state_record_size(compiled_book.variable_count, compiled_book.restart_point_count);
}

// A saved place the reader opened; see app_open_place.
EMSCRIPTEN_KEEPALIVE int web_open_place(const uint8_t* bytes, int32_t size) {
    if (!web::window_exists) return 1;
    return app_open_place(bytes, size);
}

}  // extern "C"
