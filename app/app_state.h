// The application's state: the navigation, the start-up values, the
// navigation bar's controls and bitmaps.
// A part of the engine object (engine/engine.h); the initial values below
// are those of a new process, and the tables start zero.
#pragma once

#include <cstdint>

#include "book/book.h"
#include "book/image.h"
#include "platform/handles.h"

namespace tomelet {

// input_text's size.
constexpr int32_t INPUT_TEXT_SIZE = 200;

// The question a message box asked whose answer the back end gives later
// (app_answer), if any.
enum pending_question_kind : int32_t {
    QUESTION_NONE = 0,
    QUESTION_START_AGAIN = 1,  // "Do you really want to start again?"
};

// The navigation bar's buttons.
constexpr int32_t NAV_BUTTONS = 6;

struct app_state {
    // The navigation (app/navigation.h).
    int32_t pending_screen = 3;
    // The built-in screen the page on show was built as (the opening
    // sequence's, Instructions, About, Sounds ...); 0: a paragraph.
    int32_t shown_screen = 0;
    int32_t page_rebuild = 1;
    int32_t choice_taken = 0;
    int32_t inventory_shown = 0;
    int32_t sounds_shown = 0;
    int32_t sound_checkbox = 0;
    char input_text[INPUT_TEXT_SIZE];
    // Set when the reader's place or the story's state may have changed
    // since the place was last kept: the paint that builds the next page
    // writes it.
    int32_t place_owed = 0;

    // The question a message box asked whose answer the back end gives
    // later (app_answer), if any: a pending_question_kind.
    int32_t pending_question = QUESTION_NONE;
    // The state file (app/state_file.h), held open from start-up, and
    // whether open_state_file found it or created it new.
    plat_file state_file = nullptr;
    bool state_file_existed = false;

    // Paints under way (paints may nest): the page's messages are shown
    // when the outermost has ended (app/paint.cpp).
    int32_t message_hold_depth = 0;
    // The page's messages shown since the outermost paint began.
    int32_t messages_shown = 0;

    // Point size of both page fonts: 16, or 10 on a screen under 600
    // pixels.
    float font_points = 16.0f;

    // The navigation bar's controls, and its bitmaps: loaded with the bar,
    // which is made once a run with the main window, and kept for the run
    // (they are never freed).  Their grey takes the system's button face
    // colour, which is lighter than the grey on current systems.
    plat_control nav_windows[NAV_BUTTONS];
    plat_bitmap enabled_bitmaps[NAV_BUTTONS];
    plat_bitmap disabled_bitmaps[NAV_BUTTONS];

    // Why the last image was refused.
    char image_refusal[IMAGE_REASON_SIZE];
    // The texts of state_file_unreadable_text and app_state_file_name_of.
    char unreadable_text[160 + BOOK_ID_MAX];
    char state_file_name_of_text[BOOK_ID_MAX + sizeof ".dat"];
};

}  // namespace tomelet
