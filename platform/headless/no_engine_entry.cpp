// The default handlers of a program that links the back end without the
// engine's application layer (the book compiler, the tests of the layers
// below the application, the back end's own tests): the main window's
// messages go nowhere until a test installs handlers of its own.
#include "platform/headless/backend.h"

namespace tomelet::headless {

namespace {

void no_event() {}
void no_size(int32_t, int32_t) {}
bool no_command(int32_t, int32_t) { return false; }
bool no_key(int32_t) { return false; }
void no_vscroll(int32_t, int32_t) {}
bool no_draw_item(int32_t, plat_canvas, const plat_rect&) { return false; }

}  // namespace

extern const entry_points engine_entry_points;
const entry_points engine_entry_points = {no_event, no_event,   no_size,  no_event,    no_command,
                                          no_key,   no_vscroll, no_event, no_draw_item};

}  // namespace tomelet::headless
