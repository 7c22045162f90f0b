// The messages a page has for the reader, as data.  Building a page (or a
// screen) may find something to report: a paragraph that cannot be read,
// an evaluator stack that overflows, a control that could not be made.
// The report is not shown where it is found: it is appended to the page
// model's list, in order, and the application shows the list through the
// platform once the paint that built the page is over (app/messages.h).
// A message box runs a message loop of its own, which paints the window
// again: opened in the middle of a paint (a page being rebuilt still asks
// for its rebuild), it would rebuild the page again, and so raise the
// message again, without end.
//
// The list is a queue shown from its front: a box shown while the list is
// being shown may paint, and that paint shows what is left (and what it
// adds) in the same order.  A caller that runs a piece of the engine on
// its own (a test, the book compiler's checks) reads the list instead and
// empties it.
#pragma once

#include <cstdint>

namespace tomelet {

// The messages the list keeps at most: those reported past them are
// counted but not kept, and a close of the window that one of them asks
// for is still kept.
constexpr int32_t PAGE_MESSAGES_SIZE = 64;
// The messages the reader shows at most after one paint (app/paint.cpp):
// a page that reports more reports the same few again and again.  Past
// them, only a close one of them asks for is made.
constexpr int32_t HELD_MESSAGES_SIZE = 32;
// A message's text and caption are cut to these sizes (with the NUL).
constexpr int32_t HELD_TEXT_SIZE = 100;
constexpr int32_t HELD_CAPTION_SIZE = 40;

// The buttons a message offers: the page's messages are reports, with an
// OK button only.
enum message_buttons : int32_t {
    MESSAGE_OK = 1,
};

// One message to show: in a box with no owner, `text`, `caption` (or the
// system's default caption), its buttons; with `close_after`, the main
// window is asked to close once it has been shown.
struct held_message {
    char text[HELD_TEXT_SIZE];
    char caption[HELD_CAPTION_SIZE];
    bool default_caption;
    bool close_after;
    int32_t buttons;  // a message_buttons
};

// Appends `text` with `caption` (null: the system's default caption) to
// the page's messages; with `close_after`, the window is to close after it.
void report_message(const char* text, const char* caption, bool close_after);

// The messages the list holds now, and the text of the i-th from the front
// (null past them).
int32_t held_message_count();
const char* held_message_text(int32_t i);
// The messages reported since the list was last emptied
// (drop_held_messages), kept or not, shown or not.
int32_t reported_message_count();
// Takes the front message off the list into *out; false when it is empty.
bool take_held_message(held_message* out);
// Whether a close was asked for by a message that was not kept; cleared.
// A caller that leaves messages unshown may ask for a close this way too
// (note_close_request).
bool take_close_request();
void note_close_request();
// Forgets every message, and a close asked for, without showing them.
void drop_held_messages();

}  // namespace tomelet
