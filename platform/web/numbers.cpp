// The numbers reader.js shares with the engine and this back end, read by
// reader.js by name when it starts (its `N`): the engine's
// (app_named_numbers) followed by this back end's own.
#include <emscripten.h>

#include "app/entry.h"
#include "platform/web/backend.h"

namespace tomelet::web {

namespace {

#define TOMELET_NUMBER(name) \
    named_number { #name, static_cast<int32_t>(name) }

constexpr named_number OWN_NUMBERS[] = {
    TOMELET_NUMBER(POSTED_CLOSE),
    TOMELET_NUMBER(POSTED_VSCROLL),
    TOMELET_NUMBER(RECORD_HELD_ELSEWHERE),
    TOMELET_NUMBER(RECORD_FOUND),
    TOMELET_NUMBER(RECORD_NEW),
};

#undef TOMELET_NUMBER

constexpr int32_t OWN_COUNT = static_cast<int32_t>(sizeof OWN_NUMBERS / sizeof OWN_NUMBERS[0]);

// Row i of the engine's table and this back end's after it; null past the
// end.
const named_number* number_row(int32_t i) {
    int32_t engine_count = 0;
    const named_number* engine = app_named_numbers(&engine_count);
    if (i >= 0 && i < engine_count) return &engine[i];
    if (i >= engine_count && i < engine_count + OWN_COUNT) return &OWN_NUMBERS[i - engine_count];
    return nullptr;
}

}  // namespace

}  // namespace tomelet::web

using tomelet::web::number_row;

extern "C" {

EMSCRIPTEN_KEEPALIVE int web_number_count() {
    int32_t engine_count = 0;
    tomelet::app_named_numbers(&engine_count);
    return engine_count + tomelet::web::OWN_COUNT;
}

EMSCRIPTEN_KEEPALIVE const char* web_number_name(int32_t i) {
    const tomelet::named_number* row = number_row(i);
    return row != nullptr ? row->name : "";
}

EMSCRIPTEN_KEEPALIVE int web_number_value(int32_t i) {
    const tomelet::named_number* row = number_row(i);
    return row != nullptr ? row->value : 0;
}

}  // extern "C"
