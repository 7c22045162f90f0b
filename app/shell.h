// The application shell: start-up values, the navigation bar and the
// commands of the main window.
#pragma once

#include <cstdint>

namespace tomelet {

constexpr int32_t NAV_BAR_HEIGHT = 25;

// The command ids of the menu, the navigation bar and the screens' buttons.
enum command_id : int32_t {
    CMD_BEGINNING = 500,
    CMD_INFORMATION = 501,
    CMD_RESTART = 502,
    CMD_OBJECTIVE = 503,
    CMD_SOUNDS = 504,
    CMD_HINTS = 506,
    CMD_ABOUT = 507,
    CMD_CREDITS = 508,
    CMD_EXIT = 509,
    CMD_RETURN = 510,
    CMD_NEXT = 511,
    CMD_PREVIOUS = 512,
    CMD_INSTRUCTIONS = 513,
    CMD_SOUND_CHECKBOX = 518,
    CMD_SOUNDS_OK = 519,
};

// Point size of both page fonts: 16, or 10 on a screen under 600 pixels.
extern float font_points;

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
