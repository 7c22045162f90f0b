// The main window's paint: where the application decides which page to
// build and hands it to the layout.
#pragma once

namespace tomelet {

// The WM_PAINT work: rebuilds the page when page_rebuild is set (a pending
// screen, a built-in page standing in for paragraph 6 or 7, or the shown
// paragraph of the story), then has the layout lay the whole display list
// out from scroll_origin, draw it, place the controls and keep the scroll
// range in step.  Messages raised meanwhile are shown once it has ended.
void paint_page();

// Hands the story the clock when its generator is not seeded yet: before
// anything that may draw a random number (a page build, a choice).
void note_clock();

}  // namespace tomelet
