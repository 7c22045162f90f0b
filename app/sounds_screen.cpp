// The Sounds screen: a "Sound" check box that shows the sound switch of the
// state record, and an "Ok" button.  The switch is read back only when the
// reader leaves by "Ok" or "Rtrn".
#include "app/sounds_screen.h"

#include "app/navigation.h"
#include "app/shell.h"
#include "engine/engine.h"
#include "page/controls.h"
#include "page/display_list.h"
#include "layout/painter.h"
#include "platform/platform.h"
#include "story/state_file.h"

namespace tomelet {

namespace {

constexpr int32_t ALIGN_LEFT = 0;
constexpr int32_t ALIGN_CENTRE = 1;
// The check box's line is this much higher than the default font's.  The
// painter's line height keeps the increase: the layout that follows the
// build starts its first line this much higher too.
constexpr int32_t EXTRA_LINE_HEIGHT = 4;
// The check box is this many average characters wide.
constexpr int32_t CHECK_BOX_CHARS = 14;

void line_breaks(int32_t n) {
    for (int32_t i = 0; i < n; ++i) page_line_break();
}

}  // namespace

void build_sounds_screen() {
    line_breaks(3);
    page_align(ALIGN_CENTRE);
    the_engine.layout.line_height += EXTRA_LINE_HEIGHT;

    // The screen is built on an empty page, so the button table has room;
    // should it not, the box is not made and the screen stays as it is.
    // The box is made with the page's other controls once the page is
    // built, and shown at once.
    const int32_t index = make_check_box("Sound", CMD_SOUND_CHECKBOX, CHECK_BOX_CHARS * the_engine.page.avg_char_width,
                                         the_engine.layout.line_height, sound_switch() != 0);
    if (index < 0) return;
    the_engine.app.sound_checkbox = index;

    line_breaks(6);
    make_text_button("Ok", CMD_SOUNDS_OK);
    page_line_break();
    page_align(ALIGN_LEFT);
    the_engine.app.sounds_shown = 1;
}

// Only while the screen is shown does sound_checkbox name its box.
void read_sound_switch() {
    if (the_engine.app.sounds_shown != 1) return;
    if (the_engine.app.sound_checkbox < 0 || the_engine.app.sound_checkbox >= the_engine.page.button_count || the_engine.app.sound_checkbox >= CONTROL_TABLE_SIZE) return;
    plat_control box = the_engine.layout.button_windows[the_engine.app.sound_checkbox];
    if (box == nullptr) return;
    set_sound_switch(plat_check_box_checked(box) ? 1 : 0);
}

}  // namespace tomelet
