// Start-up and the frame of the program: the single-instance rule, the
// saved place, the main window's size, its two page fonts, and the way out.
#include "app/entry.h"

#include <cstdio>

#include "app/navigation.h"
#include "app/shell.h"
#include "app/state_file.h"
#include "book/book.h"
#include "book/image.h"
#include "engine/engine.h"
#include "layout/painter.h"
#include "platform/platform.h"
#include "story/state_file.h"
#include "story/story_state.h"

namespace tomelet {

const char* window_class_name() { return book_id(); }
const char state_file_refused_text[] = "I cannot the book?";
const char* state_file_unreadable_text() {
    char* text = the_engine.app.unreadable_text;
    std::snprintf(text, sizeof the_engine.app.unreadable_text,
                  "Your place in the book could not be read: %s could not be read from the disk. "
                  "The book was not opened, and the file was left as it was.",
                  state_file_name());
    return text;
}

namespace {

// The first page of the story: starting there runs the opening sequence.
constexpr int16_t FIRST_PAGE = 2;

// Below this screen height the page fonts are made smaller.
constexpr int32_t SMALL_SCREEN = 600;
constexpr float LARGE_POINTS = 16.0f;
constexpr float SMALL_POINTS = 10.0f;

// The window takes 92% of the screen's height, at least 320 pixels, and is
// three quarters as wide as it is high.
constexpr int32_t HEIGHT_PERCENT = 92;
constexpr int32_t MIN_WINDOW_HEIGHT = 320;
constexpr int32_t WIDTH_PERCENT = 75;
constexpr int32_t WINDOW_X = 20;
constexpr int32_t WINDOW_Y = 0;

constexpr int32_t BOLD_WEIGHT = 700;
constexpr int32_t NORMAL_WEIGHT = 300;

const char* book_title() {
    if (the_engine.book.tables == nullptr || the_engine.book.tables->book_info == nullptr || the_engine.book.tables->book_info->title == nullptr) return "";
    return the_engine.book.tables->book_info->title;
}

}  // namespace

// The products are taken in 64 bits, so that any screen height a platform
// reports (up to the largest 32-bit value) sizes a window without overflow;
// the results are never larger than their inputs, so they fit in 32 bits.
int32_t window_height_for(int32_t screen_height) {
    const int64_t height = static_cast<int64_t>(screen_height) * HEIGHT_PERCENT / 100;
    return height < MIN_WINDOW_HEIGHT ? MIN_WINDOW_HEIGHT : static_cast<int32_t>(height);
}

int32_t window_width_for(int32_t window_height) {
    return static_cast<int32_t>(static_cast<int64_t>(window_height) * WIDTH_PERCENT / 100);
}

// The sum is truncated toward zero, so the pixel height is rounded half up.
int32_t page_font_height() {
    const float pixels = static_cast<float>(plat_pixels_per_inch()) * the_engine.app.font_points / 72;
    return static_cast<int32_t>(-(static_cast<double>(pixels) + 0.5));
}

bool app_start_with_image(const uint8_t* bytes, size_t size, const char** refusal) {
    if (refusal != nullptr) *refusal = nullptr;
    if (!load_book_image(bytes, size, &the_engine.book.image.book, the_engine.app.image_refusal)) {
        if (refusal != nullptr) *refusal = the_engine.app.image_refusal;
        return false;
    }
    return app_start(&the_engine.book.image.book.tables);
}

bool app_start(const book_tables* book) {
    // Every value of the run starts from its initial value, so that a
    // process (a test, a tool) may start the reader more than once.
    book_use(book);
    navigation_reset();
    the_engine.app.font_points = LARGE_POINTS;

    // The exclusive open of the state file is also the single-instance
    // check: when it fails, another copy is running (or the file cannot be
    // had at all).
    if (!open_state_file()) {
        if (!plat_bring_running_copy_to_front()) {
            plat_message_box(false, state_file_refused_text, nullptr, PLAT_BOX_OK);
        }
        return false;
    }

    // A file that cannot be read (a failing disk) may still hold the
    // reader's place: the start is refused, and the file let go unwritten.
    const int16_t place = load_state();
    if (place == LOAD_FAILED) {
        plat_file_close(the_engine.app.state_file);
        the_engine.app.state_file = nullptr;
        plat_message_box(false, state_file_unreadable_text(), nullptr, PLAT_BOX_OK);
        return false;
    }
    the_engine.play.shown_paragraph = place;
    the_engine.play.current_paragraph = place;
    // Only a reader at the first page sees the opening sequence.
    if (place != FIRST_PAGE) the_engine.app.pending_screen = 0;

    const int32_t screen_height = plat_screen_height();
    if (screen_height < SMALL_SCREEN) the_engine.app.font_points = SMALL_POINTS;
    const int32_t height = window_height_for(screen_height);
    const int32_t width = window_width_for(height);

    // Without a main window there is nothing to run: the reader is told,
    // the state file is let go unwritten (nothing has changed in it), and
    // the program ends with exit code 1.
    if (!plat_window_create(book_title(), WINDOW_X, WINDOW_Y, width, height)) {
        plat_file_close(the_engine.app.state_file);
        the_engine.app.state_file = nullptr;
        plat_message_box(false, "Could not create the main window", nullptr, PLAT_BOX_OK);
        return false;
    }
    const plat_rect client = plat_window_client_rect();
    the_engine.page.client_origin = page_rect{client.left, client.top, client.right, client.bottom};
    plat_window_show();
    return true;
}

bool app_finish_quietly() { return save_state(); }

bool app_finish() {
    if (app_finish_quietly()) return true;
    char text[160];
    std::snprintf(text, sizeof text, "Your place in the book could not be saved: %s could not be written.",
                  state_file_name());
    plat_message_box(false, text, nullptr, PLAT_BOX_OK);
    return false;
}

void on_create() {
    the_engine.layout.text_area = plat_window_client_rect();
    nav_create();
    const int32_t height = page_font_height();
    the_engine.layout.bold_font = plat_font_create(height, BOLD_WEIGHT);
    the_engine.layout.normal_font = plat_font_create(height, NORMAL_WEIGHT);
    the_engine.layout.running_bold = 0;
}

void on_destroy() {
    // A font whose creation failed is not there to delete.
    if (the_engine.layout.normal_font != nullptr) plat_font_delete(the_engine.layout.normal_font);
    the_engine.layout.normal_font = nullptr;
    if (the_engine.layout.bold_font != nullptr) plat_font_delete(the_engine.layout.bold_font);
    the_engine.layout.bold_font = nullptr;
    plat_quit(0);
}

}  // namespace tomelet
