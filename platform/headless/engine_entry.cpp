// The engine's entry points as the back end's default handlers.
#include "app/entry.h"
#include "platform/headless/backend.h"

namespace tomelet::headless {

extern const entry_points engine_entry_points;
const entry_points engine_entry_points = {on_create,  on_destroy, on_size,  on_paint,    on_command,
                                          on_key,     on_vscroll, on_timer, on_draw_item};

}  // namespace tomelet::headless
