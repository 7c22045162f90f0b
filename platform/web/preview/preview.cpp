// The preview reader's entry points: the web reader with its book taken
// from a book image that the page fetches at run time (preview.js), started
// again on each new image at the same place with the same story state, and
// the author's tools (go to a paragraph, set a variable).  Only the preview
// build (the tomelet-preview target) has them; the published reader keeps
// its compiled-in book.
#include <emscripten.h>

#include <cstring>
#include <string>

#include "app/entry.h"
#include "platform/web/backend.h"

namespace {

using namespace tomelet;

// The place kept across a restart on a new image: a whole state record
// (a few kilobytes for the largest book the engine takes).
constexpr int32_t RECORD_CAPACITY = 65536;
uint8_t kept_record[RECORD_CAPACITY];
const char* refusal_text = "";
std::string variables_text;

bool start_image(const uint8_t* bytes, int32_t size) {
    const char* refusal = nullptr;
    if (bytes == nullptr || size <= 0) {
        refusal_text = "the book image is empty";
        return false;
    }
    const bool ok = app_start_with_image(bytes, static_cast<size_t>(size), &refusal);
    refusal_text = refusal != nullptr ? refusal : (ok ? "" : "the reader could not start");
    return ok;
}

}  // namespace

extern "C" {

// Starts the reader on the image at bytes (aligned to 4, kept unchanged
// while it is in use).  1 when started; 0 otherwise, with the reason in
// web_preview_refusal.
EMSCRIPTEN_KEEPALIVE int web_preview_start(const uint8_t* bytes, int32_t size) {
    return start_image(bytes, size) ? 1 : 0;
}

// Why the last start was refused ("" when it was not).
EMSCRIPTEN_KEEPALIVE const char* web_preview_refusal() { return refusal_text; }

// Starts the reader again on a new image at the same place with the same
// story state: the state record is kept, the engine put back as a new
// process finds it (controls, the document sent, fonts and bitmaps let go; the place written
// first), started on the new image, and the record opened as the place,
// which rebuilds the page as a revisit.  When the new book's record has
// another size (variables or restart points were added or removed), the
// story state cannot be kept: the reader goes to the same paragraph as an
// arrival instead.  1 when the state was kept, 2 when only the paragraph
// was, 0 when the image was refused (the reader is then stopped).
EMSCRIPTEN_KEEPALIVE int web_preview_reload(const uint8_t* bytes, int32_t size) {
    const page_view before = app_page_view();
    const int16_t paragraph = before.current_paragraph;
    int32_t record_size = 0;
    app_keep_place();
    const uint8_t* record = app_place_record(&record_size);
    if (record == nullptr || record_size <= 0 || record_size > RECORD_CAPACITY) record_size = 0;
    if (record_size > 0) std::memcpy(kept_record, record, static_cast<size_t>(record_size));

    app_reset_engine();
    web::forget_controls();
    web::forget_document();
    web::forget_graphics();
    web::window_exists = false;
    web::window_shown = false;
    web::window_invalid = false;
    if (!start_image(bytes, size)) return 0;
    if (record_size > 0 && app_open_place(kept_record, record_size) == 0) return 1;
    if (paragraph > 0) app_go_to_paragraph(paragraph);
    return 2;
}

// Goes to paragraph n as a choice that leads there would (an arrival),
// past any opening screen.
// 0 when n is no paragraph with text of the book.
EMSCRIPTEN_KEEPALIVE int web_preview_go(int32_t n) {
    if (!web::window_exists || n < 1 || n > 32767) return 0;
    app_go_to_paragraph_past_screens(static_cast<int16_t>(n));
    return 1;
}

// Sets a variable's value and flag and shows the place again; see
// app_set_variable.
EMSCRIPTEN_KEEPALIVE int web_preview_set_variable(int32_t n, int32_t value, int32_t flag) {
    if (!web::window_exists) return 0;
    return app_set_variable(n, value, flag) ? 1 : 0;
}

// The paragraph on show (0 before a book is in use).
EMSCRIPTEN_KEEPALIVE int web_preview_paragraph() { return app_page_view().shown_paragraph; }

// The book's variables, one a line: flag, value, name and the value
// names, separated by tabs (the book's character set; a tab or line break
// inside a name is shown as a blank).
EMSCRIPTEN_KEEPALIVE const char* web_preview_variables() {
    const page_view view = app_page_view();
    std::string& out = variables_text;
    out.clear();
    const auto add = [](const char* text) {
        for (const char* c = text != nullptr ? text : ""; *c != '\0'; ++c) {
            variables_text += (*c == '\t' || *c == '\n' || *c == '\r') ? ' ' : *c;
        }
    };
    for (int32_t i = 0; i < view.variable_count; ++i) {
        const variable_row& row = view.variables[i];
        const variable_state& live = view.variable_states[i];
        out += std::to_string(live.flag) + "\t" + std::to_string(live.value) + "\t";
        add(row.name);
        for (int32_t k = 0; k < row.value_count; ++k) {
            out += '\t';
            add(row.value_names != nullptr ? row.value_names[k] : "");
        }
        out += '\n';
    }
    return out.c_str();
}

// The state record as it stands (written to the preview's storage first),
// for the undo stack; its size goes to *size.
EMSCRIPTEN_KEEPALIVE const uint8_t* web_preview_record(int32_t* size) { return app_place_record(size); }

// A record taken from the undo stack becomes the place again (a revisit);
// see app_open_place.
EMSCRIPTEN_KEEPALIVE int web_preview_open(const uint8_t* bytes, int32_t size) {
    if (!web::window_exists) return 1;
    return app_open_place(bytes, size);
}

}  // extern "C"
