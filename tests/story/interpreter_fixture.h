// A book and a clean engine for the interpreter's tests: the markup, the
// hotword builders, the condition evaluator and the tag reader.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/support/memory_book.h"

namespace tomelet::testing {

// The interpreter book: 116 variables of two values (v0, v1) except
//   3  Empty   no values
//   5  Count   six values c0..c5
//   8  Place   six values p0..p5
//  19  Day     Monday..Saturday
//  40  Long    two value names of 200 characters
// 104  Time    early, morning, lunch time, afternoon, evening, night
// 110  Level   three values l0..l2
// 115  Yes_No  no, yes
// 40 pictures (resource 1700 + row, each 20 x 10 pixels), four sounds
// (CLOCK, DOOR, RAIN, BELL) and five restart points (First..Fifth, leading
// back to target 402).
memory_book_contents interpreter_book_shape();

class InterpreterTest : public ::testing::Test {
protected:
    void SetUp() override;

    // run_paragraph over `text`, given its length.
    static void run(const std::string& text);
    // tag_load + parse through the interpreter's run_tag.
    static bool tag(const std::string& text);

    static int32_t item_count();
    static int32_t item_kind(int32_t i);
    static std::string item_text(int32_t i);
    static int32_t message_count();
    static std::string message(int32_t i);
    static std::string last_message();
    static void clear_messages();
    static void set_value(int32_t v, int32_t value);
    static void set_flag(int32_t v, int32_t flag);
    static int32_t value(int32_t v);
    static int32_t flag(int32_t v);

    std::unique_ptr<memory_book> book;
};

}  // namespace tomelet::testing
