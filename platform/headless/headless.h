// The headless back end: a deterministic platform without a screen, for
// tests, tools and the scripted driver.  It records what the engine asks of
// the platform and answers from the test.  Its records are fixed-size
// tables like the engine's, so it never allocates on an engine path.
//
// Fixed metrics: the default font is 16 pixels high and every character of
// it 7 pixels wide (so its average character width is 7).  Other fonts
// are measured the same way until the page fonts get their own model.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace tomelet::headless {

constexpr int32_t DEFAULT_FONT_HEIGHT = 16;
constexpr int32_t DEFAULT_CHAR_WIDTH = 7;

constexpr int32_t LOG_TEXT_SIZE = 200;
constexpr int32_t MESSAGE_LOG_SIZE = 64;
constexpr int32_t SOUND_LOG_SIZE = 64;
constexpr int32_t CONTROL_LOG_SIZE = 512;

// Puts the back end in its initial state: empty logs, no controls, clock at
// 0, every answer OK, every creation succeeding.
void reset();

// ---- message boxes -----------------------------------------------------
struct message_record {
    bool owned;
    bool default_caption;  // shown with the system's default caption
    int32_t buttons;
    char text[LOG_TEXT_SIZE];
    char caption[LOG_TEXT_SIZE];
};
// Messages shown since the last reset (or clear); only the first
// MESSAGE_LOG_SIZE are kept, but all are counted.
int32_t message_count();
const message_record& message(int32_t i);
void clear_messages();
// The answers of the next message boxes: a queue of up to 16 answers, used
// in order.  When it is empty an OK box answers OK and a Yes/No box gives
// the default Yes/No answer, No unless set otherwise.
void queue_answer(int32_t answer);
void set_default_yes_no_answer(int32_t answer);

// ---- clock -------------------------------------------------------------
void set_tick_count(uint32_t ms);

// ---- sounds ------------------------------------------------------------
// A log of plat_play_sound names and plat_stop_sound calls (name "" for a
// stop).
int32_t sound_count();
const char* sound(int32_t i);
void clear_sounds();

// ---- window ------------------------------------------------------------
int32_t invalidate_count();
int32_t update_count();
int32_t close_posted();
void set_last_error(uint32_t code);

// ---- bitmaps -----------------------------------------------------------
// Bitmap sizes by resource number.  A resource without a size here is
// looked up among the book's embedded resources (BMP headers); failing
// that it cannot be loaded.
void set_bitmap_size(uint16_t resource, int32_t width, int32_t height);
int32_t bitmaps_loaded();  // currently loaded (loads minus frees)

// ---- controls ----------------------------------------------------------
struct control_record {
    plat_control_params params;   // as created; params.text points at `text`
    char text[LOG_TEXT_SIZE];
    bool alive;               // not destroyed
    bool shown;
    int32_t show_calls;
};
// The control slots.  A control takes the first slot that holds no live
// control, so while nothing is destroyed the slots are in order of
// creation; control_count is the number of slots ever used since the reset.
// With every slot live, a creation fails.
int32_t control_count();
const control_record& control(int32_t i);
// The record behind a handle (nullptr for a handle that is not ours).
const control_record* control_of(plat_control handle);
// Makes the next n control creations fail.
void fail_next_controls(int32_t n);

}  // namespace tomelet::headless
