// The whole engine put back as a new process finds it.
#include "app/entry.h"
#include "app/navigation.h"
#include "app/shell.h"
#include "book/assemble.h"
#include "layout/painter.h"
#include "page/controls.h"
#include "page/display_list.h"
#include "story/story_state.h"

namespace tomelet {

void app_reset_engine() {
    // The controls first, while their handles still name the back end's.
    destroy_page_controls();
    app_abandon();
    assembly_reset();
    story_reset();
    page_state_reset();
    layout_reset();
    navigation_reset();
    font_points = 16.0f;
    pending_question = QUESTION_NONE;
}

}  // namespace tomelet
