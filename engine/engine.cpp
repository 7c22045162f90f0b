#include "engine/engine.h"

#include <cstring>
#include <new>

namespace tomelet {

engine::engine() {}

engine the_engine;

// Each part is value-initialised in place: zero-filled, then its fields'
// initial values set; nothing is copied from elsewhere.
void engine_reset() {
    std::memset(the_engine.book.paragraph_text, 0, sizeof the_engine.book.paragraph_text);
    new (&the_engine.page) page_state();
    new (&the_engine.play) play_state();
    new (&the_engine.layout) layout_state();
    new (&the_engine.app) app_state();
}

}  // namespace tomelet
