// The Sounds screen: one check box for the sound switch and an "Ok" button.
#pragma once

namespace tomelet {

// Builds the screen into the page (called by build_screen).
void build_sounds_screen();
// Stores the check box's state as the sound switch (leaving the screen by
// "Ok" or "Rtrn").  Does nothing unless the screen is shown.
void read_sound_switch();

}  // namespace tomelet
