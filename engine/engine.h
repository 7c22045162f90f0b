// The engine object: the whole of the engine's changing state, one part
// per layer, in one object, `the_engine`.  Nothing else in the engine
// changes (the book's tables and the other tables are constant), so that
// putting this object back as a new process finds it puts the engine back
// (app_reset_engine), and the state can be read in one place.
//
// Each layer's code uses its own part and the parts of the layers below
// it, never a part above it (scripts/check-layers checks it).  Each part's
// type is its layer's (X/X_state.h): its fields' initial values are
// written there, and its tables start zero.
#pragma once

#include "app/app_state.h"
#include "book/book_state.h"
#include "layout/layout_state.h"
#include "page/page_state.h"
#include "story/play_state.h"
#include "story/story_record.h"

namespace tomelet {

struct engine {
    book_state book;      // book/: the book in use, its image, the paragraph text
    page_state page;      // page/: the page model
    story_state story;    // story/: the story's state record
    play_state play;      // story/: the story's working state
    layout_state layout;  // layout/: the layout and its notes for the paint
    app_state app;        // app/: navigation, start-up values, the bar

    // Leaves the tables zero, as static storage is, and sets the other
    // fields to their initial values, without touching the tables: the
    // object stays in zero-filled storage, and no page of its large tables
    // is touched before it is used.
    engine();
};

extern engine the_engine;

// Puts the engine's working state back as a new process finds it: the
// page, play, layout and app parts to their initial values (their tables
// zero) and the paragraph text emptied.  The book in use, the image it may
// have been taken from, and the story's record stay as they are (book_use
// resets the record from a book).  The platform's objects the parts name
// (controls, fonts, bitmaps, the state file) are forgotten, not destroyed:
// app_reset_engine destroys the page's controls and lets the state file go
// first; a test resets the back end beside it.
void engine_reset();

}  // namespace tomelet
