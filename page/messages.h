// The engine's message boxes about a page, and their deferral while a page
// is painted.  A message box runs a message loop of its own, which paints
// the window again: opened in the middle of a paint (a page being rebuilt
// still asks for its rebuild), it would rebuild the page again, and so
// raise the message again, without end.  So while a paint runs, messages
// are held, and they are shown when the outermost paint has ended, in the
// order they were raised, once each.
#pragma once

#include <cstdint>

namespace tomelet {

// The messages held at most during one paint.  Those raised past them are
// not shown (a page that raises so many raises the same few again and
// again); a close of the window that one of them asks for is still made,
// once every held message has been shown.
constexpr int32_t HELD_MESSAGES_SIZE = 32;
// A held message's text and caption are cut to these sizes (with the NUL).
constexpr int32_t HELD_TEXT_SIZE = 100;
constexpr int32_t HELD_CAPTION_SIZE = 40;

// Shows `text` in a message box with no owner and an OK button, with
// `caption` (null: the system's default caption); with `close_after`, the
// main window is then asked to close (posted).  During a paint, held.
void report_message(const char* text, const char* caption, bool close_after);

// A paint begins: messages are held from here.  Paints may nest.
void hold_messages();
// A paint has ended: when it was the outermost, every held message is
// shown now, in order, and a close asked for is posted after them.
void release_messages();

// Messages held now, and the text of the i-th from the front (null past
// them): a caller that holds messages around a piece of the engine reads
// what it reported without showing it.
int32_t held_message_count();
const char* held_message_text(int32_t i);
// Forgets every held message, and a close asked for, without showing them.
void drop_held_messages();

}  // namespace tomelet
