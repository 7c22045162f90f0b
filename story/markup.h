// The markup interpreter: runs one paragraph's marked-up text into the page
// display list, its controls and hotword records, and the story's state.
#pragma once

#include <cstdint>

namespace tomelet {

enum scan_states : int32_t {
    SCAN_TEXT = 0,
    SCAN_TAG = 1,
    SCAN_SKIP = 2,
    SCAN_GAP = 3,
};

constexpr int32_t PENDING_WORDS_SIZE = 300;
// A run at a space longer than this is emitted early.
constexpr int32_t PENDING_FLUSH_LENGTH = 150;

// Interprets one NUL-terminated marked-up text.
void run_paragraph(const char* text);
// The same for a text whose length is known (the assembly reports it):
// text[length] is its NUL, and no NUL stands before it.  The text is not
// measured again (and, as above, read up to index 32767 at most).
void run_paragraph(const char* text, int32_t length);

// Builds story paragraph n into the page: assembles its words into
// paragraph_text, shows what the assembly reports (a number outside the
// index, too many words), and runs the text when the paragraph has words
// to assemble.  A number outside the index leaves the page empty.
void build_paragraph(int32_t n);

// Runs the tag in tag_buffer; false means: skip what follows, up to the
// next `}`.
bool run_tag();

// Plays sound n of the sound catalogue if the sound switch is on.
void play_sound(int32_t n);
// Stops whatever sound is playing.
void stop_sound();

}  // namespace tomelet
