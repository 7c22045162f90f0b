// The pages the engine builds itself.  Each builder appends items to the
// page display list and controls to the page, exactly as the markup does
// for a story page; the painter lays them out.
#include "app/screens.h"

#include <cstdio>
#include <cstring>

#include "app/navigation.h"
#include "app/shell.h"
#include "app/sounds_screen.h"
#include "book/book.h"
#include "engine/engine.h"
#include "page/controls.h"
#include "page/display_list.h"
#include "platform/platform.h"
#include "story/state_file.h"
#include "story/story_state.h"

namespace tomelet {

namespace {

constexpr int32_t ALIGN_LEFT = 0;
constexpr int32_t ALIGN_CENTRE = 1;

// The navigation bar's own images, shown on the instructions page.
constexpr int32_t IMAGE_HELP = 1112;
constexpr int32_t IMAGE_RESTART = 1107;
constexpr int32_t IMAGE_INFORMATION = 1108;
constexpr int32_t IMAGE_RETURN = 1109;
constexpr int32_t IMAGE_PREVIOUS = 1110;
constexpr int32_t IMAGE_NEXT = 1111;

// The details and About pages end with the book's first page as their next
// link and the title screen as their previous one.
constexpr int16_t FIRST_PAGE_TARGET = 1;

constexpr const char VERSION_TEXT[] = "v1.1";

const book_info_record NO_INFO{"", "", "", -1, "", -1, "", "", ""};

const book_info_record& info() {
    if (the_engine.book.tables == nullptr || the_engine.book.tables->book_info == nullptr) return NO_INFO;
    return *the_engine.book.tables->book_info;
}

// The book's texts may be left out; they are then empty.
void text(const char* t) { page_text_item(t != nullptr ? t : ""); }

void line_breaks(int32_t n) {
    for (int32_t i = 0; i < n; ++i) page_line_break();
}

void start_timer() { plat_timer_start(OPENING_TIMER_MS); }

void build_presents() {
    page_align(ALIGN_CENTRE);
    page_paragraph_break();
    page_picture(info().opening_picture, 0);
    page_paragraph_break();
    page_align(ALIGN_CENTRE);
    text("Presents");
    page_line_break();
    page_align(ALIGN_LEFT);
}

void build_title() {
    page_align(ALIGN_CENTRE);
    page_picture(info().title_picture, 0);
    page_line_break();
    page_bold_on();
    text(info().title);
    page_bold_off();
    page_line_break();
    page_align(ALIGN_LEFT);
}

void build_book_details() {
    const book_info_record& book = info();
    page_align(ALIGN_CENTRE);
    page_bold_on();
    text(book.title);
    page_line_break();
    text(VERSION_TEXT);
    page_bold_off();
    page_line_break();
    page_align(ALIGN_LEFT);
    text(" author: ");
    text(book.authors);
    page_line_break();
    text(" contact: ");
    text(book.contact_address);
    page_line_break();
    text(" support: ");
    text(book.support_address);
    page_line_break();
    text("copyright: ");
    text(book.copyright);
    page_line_break();
    text(book.description);
    page_line_break();
    the_engine.page.next_link = page_link{LINK_PARAGRAPH, FIRST_PAGE_TARGET};
    the_engine.page.prev_link = page_link{LINK_SCREEN, static_cast<int16_t>(SCREEN_TITLE)};
    make_text_button("INSTRUCTIONS", CMD_INSTRUCTIONS);
}

void build_instructions() {
    text("The buttons below the Horizontal line ");
    text("at the bottom of the screen have the ");
    text("following actions. ");
    line_breaks(2);
    page_picture_resource(IMAGE_HELP);
    text("Displays this screen");
    page_line_break();
    page_picture_resource(IMAGE_RESTART);
    text("Goes to the RESTART screen. ");
    line_breaks(2);
    text("The RESTART screen enables the ");
    text("reader to go back to an earlier ");
    text("page in the book. ");
    line_breaks(2);
    page_picture_resource(IMAGE_INFORMATION);
    text("Goes to the Information Screen.");
    line_breaks(2);
    page_picture_resource(IMAGE_PREVIOUS);
    text("  Goes to the previous Screen.");
    page_line_break();
    page_picture_resource(IMAGE_NEXT);
    text("  Goes to the next Screen.");
    page_line_break();
    page_picture_resource(IMAGE_RETURN);
    text("Goes to the current page in ");
    text("the book.");
    line_breaks(2);
    text("The above three buttons only appear if ");
    text("the function is available.");
    line_breaks(2);
    text("Further information can be found on ");
    text("the hints page selected from the menu.");
}

void build_about() {
    const book_info_record& book = info();
    page_align(ALIGN_CENTRE);
    page_picture(book.opening_picture, 0);
    page_line_break();
    page_bold_on();
    text(book.web_site);
    page_line_break();
    text(VERSION_TEXT);
    page_bold_off();
    page_line_break();
    page_align(ALIGN_LEFT);
    page_line_break();

    text("For more information (FAQs) please visit our web site. ");
    text("If you have a query about ");
    text("\"");
    text(book.title);
    text("\" email ");
    text(book.support_address);
    text(" giving the title and the following alphanumerical code");
    line_breaks(3);

    // The code line names the program's parts by version, the state
    // record's mark and the system's version.
    int32_t major = 0;
    int32_t minor = 0;
    plat_os_version(&major, &minor);
    char code[96];
    std::snprintf(code, sizeof code, "A %s; B %d; C %s; O %d.%d; P %s", "2.8.2", static_cast<int>(STATE_MAGIC),
                  "3.48", static_cast<int>(major), static_cast<int>(minor), "1.09");
    text(code);

    the_engine.play.on_current_page = 0;
}

// The product word, its first "e" in bold, followed by a blank.
void product_word(bool plural) {
    text("tom");
    page_bold_on();
    text("e");
    page_bold_off();
    text(plural ? "lets " : "let ");
}

}  // namespace

void build_screen() {
    switch (the_engine.app.pending_screen) {
        case SCREEN_PRESENTS:
            build_presents();
            the_engine.app.pending_screen = SCREEN_TITLE;
            start_timer();
            return;
        case SCREEN_TITLE:
            build_title();
            the_engine.app.pending_screen = SCREEN_BOOK_DETAILS;
            start_timer();
            return;
        case SCREEN_BOOK_DETAILS:
            build_book_details();
            break;
        case SCREEN_INSTRUCTIONS:
            build_instructions();
            break;
        case SCREEN_ABOUT:
            build_about();
            break;
        case SCREEN_SOUNDS:
            build_sounds_screen();
            break;
        default:
            // No such screen: the page stays empty, and the number is not
            // kept, so the next navigation shows what it asks for.
            break;
    }
    the_engine.app.pending_screen = 0;
}

void build_reading_guide() {
    page_align(ALIGN_LEFT);

    text("The idea of an ");
    product_word(false);
    text(" is that you decide how the story ends by the choices you make along the way.  You can run the "
         "story as many times as you like to try out different scenarios.");
    page_paragraph_break();

    text("You interact with the ");
    product_word(false);
    text("by using your stylus to select boxes on the screen containing a word (or words) or by pressing "
         "arrows in the icon bar at the bottom of the screen.  ");
    text("To understand what these arrows mean, tap the help icon '?' in the bottom left hand corner of your "
         "screen.");
    page_paragraph_break();

    text("You may also collect items during the story which you can check any time by selecting inventory "
         "from the menu or the 'i' on the icon bar.  The inventory page lists all your items and tells you "
         "their status where they have one.  If you select an item from the list you will see further "
         "details about the item and you may be able to make changes.  This can be an important way of "
         "finding  clues to help you along, so remember to keep checking the inventory.");
    page_paragraph_break();

    text("Some ");
    product_word(true);
    text("may contain a random element at some points.  This means that even when you make identical "
         "choices the story may not go exactly the same way each time - just to make it more exciting for "
         "you!");
    page_paragraph_break();

    text("If you get totally stuck, you can always e-mail us at  ");
    text(info().support_address);
    page_paragraph_break();
}

// A value that names none of the variable's values (a damaged state file
// may hold any byte) shows as an empty name.
void build_inventory() {
    if (the_engine.book.tables == nullptr) return;
    const int32_t count = story_variable_count();
    int32_t character = -1;
    for (int32_t i = 0; i < count; ++i) {
        const variable_row& v = the_engine.book.tables->variable_catalogue[i];
        if (v.name != nullptr && std::strcmp(v.name, "Character") == 0) {
            text("You are : ");
            const char* value = value_name(&v, the_engine.story.variables[i].value);
            the_engine.story.inventory_ids[i] = static_cast<int16_t>(make_hotword_button(value != nullptr ? value : ""));
            page_line_break();
            character = i;
        } else {
            the_engine.story.inventory_ids[i] = -1;
        }
    }

    text("You have the following items");
    for (int32_t i = 0; i < count; ++i) {
        const variable_row& v = the_engine.book.tables->variable_catalogue[i];
        const variable_state& live = the_engine.story.variables[i];
        if (live.flag != 1 || i == character) continue;
        page_line_break();
        the_engine.story.inventory_ids[i] = static_cast<int16_t>(make_hotword_button(v.name != nullptr ? v.name : ""));
        if (v.value_count > 0) {
            text(" : ");
            text(value_name(&v, live.value));
        }
    }
}

// Only a hotword id can name an item: the -1 that marks a variable without
// a button never matches.  A variable without a detail page (target -1)
// leads nowhere.
void inventory_select(int32_t control_id) {
    if (the_engine.book.tables == nullptr) return;
    const auto id = static_cast<int16_t>(control_id);
    if (page_control_kind_of(id) != PAGE_HOTWORD) return;
    const int32_t count = story_variable_count();
    for (int32_t i = 0; i < count; ++i) {
        if (the_engine.story.inventory_ids[i] != id) continue;
        const int16_t target = the_engine.book.tables->variable_catalogue[i].detail_target;
        if (target < 0) return;
        show_paragraph(static_cast<int16_t>(target + 1));
        return;
    }
}

}  // namespace tomelet
