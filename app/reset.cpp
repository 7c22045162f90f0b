// The whole engine put back as a new process finds it.
#include "app/entry.h"
#include "engine/engine.h"
#include "layout/realise.h"

namespace tomelet {

void app_reset_engine() {
    // The controls first, while their handles still name the back end's.
    destroy_page_controls();
    app_abandon();
    engine_reset();
}

}  // namespace tomelet
