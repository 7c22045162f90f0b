// The navigation state and the three operations through which every page
// change goes.  Each records the request, sets page_rebuild and repaints the
// window at once.  The reader's place it moves is the story's
// (story/place.h), the links the bar follows are the page's (page/links.h)
// and the scrolling it resets is the layout's (layout/painter.h).
#pragma once

#include <cstdint>

#include "layout/painter.h"
#include "page/links.h"
#include "story/place.h"

namespace tomelet {

// Puts every navigation value back to its value at start-up.
void navigation_reset();

void show_screen(int32_t number);
// An arrival: when the move makes `paragraph` the reader's place, its page
// is built as an arrival (its effects apply), even if it is the page the
// reader is on.
void goto_paragraph(int16_t paragraph, int32_t mode);
void show_paragraph(int16_t paragraph);
// Not an arrival: `paragraph` becomes the reader's place and is shown as the
// reader left it (the way back from a side page, a saved place opened).
void revisit_paragraph(int16_t paragraph);

}  // namespace tomelet
