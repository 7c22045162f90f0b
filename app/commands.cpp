// The main window's messages after start-up: size changes, painting, the
// command table (menu, navigation bar, the page's own controls), keyboard
// and bar scrolling, the opening sequence's timer and the owner-drawn
// hotwords.
#include <cstdint>
#include <cstring>

#include "app/entry.h"
#include "app/navigation.h"
#include "app/paint.h"
#include "app/screens.h"
#include "app/shell.h"
#include "app/sounds_screen.h"
#include "engine/engine.h"
#include "page/controls.h"
#include "layout/painter.h"
#include "platform/platform.h"
#include "story/game_state.h"

namespace tomelet {

namespace {

// The story's fixed pages.
constexpr int16_t PARAGRAPH_FIRST = 2;
constexpr int16_t PARAGRAPH_RESTART = 3;
constexpr int16_t PARAGRAPH_OBJECTIVE = 4;
constexpr int16_t PARAGRAPH_CREDITS = 5;

// The scroll bar's page is the client height less this.
constexpr int32_t PAGE_HEIGHT_MARGIN = 43;
// One line of scrolling, in pixels.
constexpr int32_t SCROLL_LINE = 16;

// The text of a text-entry box is read into a buffer of this size.
constexpr int32_t COMMIT_BUFFER_SIZE = 200;

// Text hotwords are drawn centred on one line, with '&' taken literally.
constexpr uint32_t HOTWORD_FORMAT = PLAT_TEXT_CENTER | PLAT_TEXT_NO_PREFIX;

// A link's target is the paragraph number minus one.  The sum is worked out
// in 32 bits and cut to 16, so the largest target wraps instead of
// overflowing; such a paragraph does not exist and the page build says so.
int16_t paragraph_of(int32_t target) {
    return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(target + 1)));
}

// The side pages only ever show their paragraph: clearing on_current_page
// first makes the follow mode a look-up.
void side_page(int16_t paragraph) {
    the_engine.play.on_current_page = 0;
    goto_paragraph(paragraph, GOTO_FOLLOW);
}

void start_again() {
    the_engine.play.on_current_page = 1;
    clear_story_variables();
    clear_restart_points();
    goto_paragraph(PARAGRAPH_FIRST, GOTO_FOLLOW);
    the_engine.layout.running_bold = 0;
}

// The question is answered now, or later by app_answer.
void restart_story() {
    const int32_t answer =
        plat_message_box(true, "Do you really want to start again?", "Beginning of Book", PLAT_BOX_YES_NO);
    if (answer == PLAT_ANSWER_LATER) {
        the_engine.app.pending_question = QUESTION_START_AGAIN;
        return;
    }
    if (answer == PLAT_ANSWER_YES) start_again();
}

void return_to_story() {
    if (the_engine.play.on_current_page == 1) return;
    if (the_engine.app.sounds_shown == 1) read_sound_switch();
    revisit_paragraph(the_engine.play.current_paragraph);
}

// A link from a story page is an arrival.  A screen's link to the reader's
// own place (the last opening screen's Next, shown at a start on the first
// page or reached from it by Prev) is a way back to it, as Return is.
void follow_link(const page_link& link) {
    if (link.kind == LINK_PARAGRAPH) {
        const int16_t paragraph = paragraph_of(link.target);
        if (the_engine.app.shown_screen != 0 && the_engine.play.on_current_page == 1 && paragraph == the_engine.play.current_paragraph) {
            revisit_paragraph(paragraph);
        } else {
            goto_paragraph(paragraph, GOTO_FOLLOW);
        }
    } else if (link.kind == LINK_SCREEN) {
        show_screen(link.target);
    }
}

void take_choice(const choice_result& where) {
    if (where.leads) goto_paragraph(where.paragraph, where.mode);
}

void hotword_click(int32_t id) {
    if (the_engine.app.choice_taken == 1) return;
    the_engine.app.choice_taken = 1;
    if (the_engine.app.inventory_shown == 1) {
        inventory_select(id);
    } else {
        note_clock();
        take_choice(resolve_choice(static_cast<int16_t>(id), ""));
    }
}

// A commit names its box by id; a box that is not on the page (the table
// holds fewer, or the id lies past the table) is not ours and is ignored.
bool input_commit(int32_t id) {
    if (page_control_kind_of(id) != PAGE_ANSWER_FIELD) return false;
    const int32_t k = page_control_index(id);
    if (k < 0 || k >= the_engine.page.edit_box_count || k >= CONTROL_TABLE_SIZE) return false;

    // Boxes are made for at most 199 characters; a longer limit is taken as
    // 199, so the text always fits the buffer with its NUL.
    int32_t maximum = the_engine.page.edit_boxes[k].maximum_length;
    if (maximum > COMMIT_BUFFER_SIZE - 1) maximum = COMMIT_BUFFER_SIZE - 1;
    char buffer[COMMIT_BUFFER_SIZE];
    std::memset(buffer, 0, sizeof buffer);
    if (the_engine.layout.edit_box_windows[k] != nullptr && maximum >= 0) plat_control_text(the_engine.layout.edit_box_windows[k], buffer, maximum + 1);
    if (maximum >= 1) {
        std::memcpy(the_engine.app.input_text, buffer, static_cast<size_t>(maximum));
        the_engine.app.input_text[maximum] = '\0';
    } else {
        the_engine.app.input_text[0] = '\0';
    }

    if (the_engine.app.choice_taken == 0) {
        the_engine.app.choice_taken = 1;
        note_clock();
        take_choice(resolve_choice(static_cast<int16_t>(id), the_engine.app.input_text));
    }
    return true;
}

int32_t clamp_to_int32(int64_t v) {
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}

}  // namespace

void on_size(int32_t client_width, int32_t client_height) {
    nav_layout(client_width, client_height);
    plat_scroll_info info{0, the_engine.layout.scroll_max, client_height - PAGE_HEIGHT_MARGIN, 0, 0};
    plat_scroll_set(PLAT_SCROLL_RANGE | PLAT_SCROLL_PAGE | PLAT_SCROLL_DISABLE_NO_SCROLL, info);
    the_engine.layout.page_height = client_height - PAGE_HEIGHT_MARGIN;
}

void on_paint() { paint_page(); }

bool app_answer(int32_t answer) {
    const int32_t question = the_engine.app.pending_question;
    the_engine.app.pending_question = QUESTION_NONE;
    if (question == QUESTION_START_AGAIN && answer == PLAT_ANSWER_YES) start_again();
    return question != QUESTION_NONE;
}

bool on_command(int32_t id, int32_t code) {
    switch (id) {
        case CMD_BEGINNING:
            restart_story();
            return true;
        case CMD_INFORMATION:
            side_page(PARAGRAPH_INFORMATION);
            return true;
        case CMD_RESTART:
            side_page(PARAGRAPH_RESTART);
            return true;
        case CMD_OBJECTIVE:
            side_page(PARAGRAPH_OBJECTIVE);
            return true;
        case CMD_SOUNDS:
            the_engine.play.on_current_page = 0;
            show_screen(SCREEN_SOUNDS);
            return true;
        case CMD_HINTS:
            side_page(PARAGRAPH_HINTS);
            return true;
        case CMD_ABOUT:
            show_screen(SCREEN_ABOUT);
            the_engine.play.on_current_page = 0;
            return true;
        case CMD_CREDITS:
            side_page(PARAGRAPH_CREDITS);
            return true;
        case CMD_EXIT:
            plat_window_post_close();
            return true;
        case CMD_RETURN:
            return_to_story();
            return true;
        case CMD_NEXT:
            follow_link(the_engine.page.next_link);
            return true;
        case CMD_PREVIOUS:
            follow_link(the_engine.page.prev_link);
            return true;
        case CMD_INSTRUCTIONS:
            the_engine.play.on_current_page = 0;
            show_screen(SCREEN_INSTRUCTIONS);
            return true;
        case CMD_SOUND_CHECKBOX:
            // The box toggles itself; it is read when the screen is left.
            return true;
        case CMD_SOUNDS_OK:
            read_sound_switch();
            revisit_paragraph(the_engine.play.current_paragraph);
            return true;
        default:
            break;
    }
    switch (page_control_kind_of(id)) {
        case PAGE_ANSWER_FIELD:
            // An answer field reports nothing but its commit.
            if (code != EDIT_COMMIT) return false;
            return input_commit(id);
        case PAGE_HOTWORD:
            hotword_click(id);
            return true;
        case PAGE_CONTROL_NONE:
            break;
    }
    return false;
}

bool on_key(int32_t key) {
    int32_t request = 0;
    switch (key) {
        case KEY_PRIOR:
            request = SCROLL_PAGE_UP;
            break;
        case KEY_NEXT:
            request = SCROLL_PAGE_DOWN;
            break;
        case KEY_END:
            request = SCROLL_BOTTOM;
            break;
        case KEY_HOME:
            request = SCROLL_TOP;
            break;
        case KEY_UP:
            request = SCROLL_LINE_UP;
            break;
        case KEY_DOWN:
            request = SCROLL_LINE_DOWN;
            break;
        default:
            return false;
    }
    plat_post_vscroll(request);
    return true;
}

// The thumb's track position is the one the request carries.
void on_vscroll(int32_t request, int32_t track_position) {
    plat_scroll_info info = plat_scroll_get();
    const int32_t old_position = info.position;
    int64_t position = old_position;
    switch (request) {
        case SCROLL_LINE_UP:
            position -= SCROLL_LINE;
            break;
        case SCROLL_LINE_DOWN:
            position += SCROLL_LINE;
            break;
        case SCROLL_PAGE_UP:
            position -= info.page;
            break;
        case SCROLL_PAGE_DOWN:
            position += info.page;
            break;
        case SCROLL_THUMB_TRACK:
            position = track_position;
            break;
        case SCROLL_TOP:
            position = info.minimum;
            break;
        case SCROLL_BOTTOM:
            position = info.maximum;
            break;
        default:
            break;
    }
    info.position = clamp_to_int32(position);
    plat_scroll_set(PLAT_SCROLL_POS | PLAT_SCROLL_DISABLE_NO_SCROLL, info);
    const int32_t new_position = plat_scroll_get().position;
    if (new_position == old_position) return;
    const int32_t dy = clamp_to_int32(static_cast<int64_t>(old_position) - new_position);
    plat_scroll_window(dy, the_engine.layout.text_area);
    the_engine.layout.scroll_origin = clamp_to_int32(static_cast<int64_t>(the_engine.layout.scroll_origin) + dy);
    plat_window_update();
}

// The opening sequence set pending_screen to its next screen before it
// started the timer, so this rebuild shows that screen.
void on_timer() {
    plat_timer_stop();
    the_engine.app.page_rebuild = 1;
    plat_window_invalidate();
    plat_window_update();
}

// Only buttons of the page's table are drawn here; an id past the table's
// entries (no such button on this page) is left to the default drawing.
bool on_draw_item(int32_t id, plat_canvas canvas, const plat_rect& rect) {
    if (page_control_kind_of(id) != PAGE_HOTWORD) return false;
    const int32_t index = page_control_index(id);
    if (index >= the_engine.page.button_count || index >= CONTROL_TABLE_SIZE) return false;
    const button_entry& entry = the_engine.page.buttons[index];
    const plat_bitmap bitmap = the_engine.layout.button_bitmaps[index];
    if (bitmap != nullptr) {
        plat_bitmap_draw(canvas, bitmap, 0, 0, entry.width, entry.height);
        return true;
    }
    int32_t length = entry.label_length;
    if (length < 0) length = 0;
    if (length > BUTTON_LABEL_SIZE - 1) length = BUTTON_LABEL_SIZE - 1;
    plat_draw_text(canvas, entry.bold != 0 ? the_engine.layout.bold_font : the_engine.layout.normal_font, entry.label, length, rect, HOTWORD_FORMAT);
    return true;
}

}  // namespace tomelet
