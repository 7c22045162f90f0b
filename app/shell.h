// The application shell: start-up values, the navigation bar and the
// commands of the main window.
#pragma once

#include <cstdint>

#include "app/app_state.h"
#include "app/entry.h"

namespace tomelet {

constexpr int32_t NAV_BAR_HEIGHT = 25;

// The paragraphs of the side pages that the Information and Hints commands
// show (the engine builds its own when the book has no text for them).
constexpr int16_t PARAGRAPH_INFORMATION = 6;
constexpr int16_t PARAGRAPH_HINTS = 7;

// The main window's outer height for a screen `screen_height` pixels high
// (92% of it, at least 320), and its width for that height (75% of it).
// Any 32-bit screen height gives a 32-bit result, without overflow.
int32_t window_height_for(int32_t screen_height);
int32_t window_width_for(int32_t window_height);

// The page fonts' creation height at the screen's resolution: minus the
// pixel height of font_points, rounded half up.
int32_t page_font_height();

void nav_create();
void nav_layout(int32_t client_width, int32_t client_height);
void nav_set_states(bool return_enabled, bool next_enabled, bool previous_enabled);

}  // namespace tomelet
