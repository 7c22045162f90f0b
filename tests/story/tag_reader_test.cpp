#include "engine/engine.h"
#include "story/tag_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

namespace tomelet {
namespace {

tag_arguments parsed(const std::string& text) {
    tag_load(text.c_str());
    tag_arguments t;
    parse_tag(&t);
    return t;
}

TEST(TagReader, ReadNumberTakesSignsAnywhereAndStopsOnOtherCharacters) {
    tag_load("A+5");
    EXPECT_EQ(read_number(), 5);
    tag_load("A-12 x");
    EXPECT_EQ(read_number(), -12);
    EXPECT_EQ(the_engine.play.tag_cursor, 4);  // on the space
    tag_load("A1-2");
    EXPECT_EQ(read_number(), -12);  // a minus anywhere makes it negative
    tag_load("A12\"x");
    EXPECT_EQ(read_number(), 12);
    EXPECT_EQ(the_engine.play.tag_buffer[the_engine.play.tag_cursor], '"');
    tag_load("A");
    EXPECT_EQ(read_number(), 0);
    EXPECT_EQ(the_engine.play.tag_cursor, 1);
    tag_load("Ax");
    EXPECT_EQ(read_number(), 0);
    EXPECT_EQ(the_engine.play.tag_cursor, 1);
    tag_load("A4294967297");  // wraps modulo 2^32
    EXPECT_EQ(read_number(), 1);
}

// Numbers of every length up to the buffer's end, read in one step or a
// character at a time, and what ends them.
TEST(TagReader, NumbersAnywhereInTheBuffer) {
    for (const int32_t start : {2, 100, 380, 388, 390, 391, 392, 393, 396, 398}) {
        for (const std::string digits : {"7", "42", "1234567", "12345678", "123456789"}) {
            for (const std::string after : {"", " 5", "+1", "-", "x"}) {
                std::string text = "l" + std::string(static_cast<size_t>(start - 2), ' ') + "%" + digits + after;
                SCOPED_TRACE(std::to_string(start) + " " + digits + after);
                tag_load(text.c_str());
                const std::string kept = std::string(the_engine.play.tag_buffer).substr(static_cast<size_t>(start));
                // The rules one character at a time, on what the buffer kept.
                uint32_t value = 0;
                bool negative = false;
                size_t end = 0;
                for (; end < kept.size(); ++end) {
                    const char c = kept[end];
                    if (c >= '0' && c <= '9') {
                        value = value * 10u + static_cast<uint32_t>(c - '0');
                    } else if (c == '-') {
                        negative = true;
                    } else if (c != '+') {
                        break;
                    }
                }
                if (negative) value = 0u - value;
                const tag_arguments t = parsed(text);
                EXPECT_EQ(t.number, static_cast<int16_t>(value));
                EXPECT_EQ(the_engine.play.tag_cursor, start + static_cast<int32_t>(end));
            }
        }
    }
}

TEST(TagReader, SkipToAndCopyUntilNeverPassTheEndOfTheTag) {
    tag_load("s no star here");
    skip_to('*');
    EXPECT_EQ(the_engine.play.tag_cursor, 14);
    EXPECT_EQ(the_engine.play.tag_buffer[the_engine.play.tag_cursor], '\0');
    skip_to('*');
    EXPECT_EQ(the_engine.play.tag_cursor, 14);

    tag_load("s a*b");
    skip_to('*');
    EXPECT_EQ(the_engine.play.tag_cursor, 4);

    char dest[5];
    int32_t source = -1;
    tag_load("M\"abcdefgh\" 3");
    the_engine.play.tag_cursor = 2;
    EXPECT_EQ(copy_until('"', dest, sizeof dest, &source), 4);
    EXPECT_STREQ(dest, "abcd");
    EXPECT_EQ(source, 8);
    EXPECT_EQ(the_engine.play.tag_cursor, 11);  // just past the closing quote

    tag_load("M\"open");
    the_engine.play.tag_cursor = 2;
    EXPECT_EQ(copy_until('"', dest, sizeof dest, &source), 4);
    EXPECT_EQ(source, 4);
    EXPECT_EQ(the_engine.play.tag_buffer[the_engine.play.tag_cursor], '\0');
}

TEST(TagReader, TagLoadKeeps399Characters) {
    const std::string long_tag = "M\"" + std::string(500, 'x');
    tag_load(long_tag.c_str());
    EXPECT_EQ(the_engine.play.tag_length, 399);
    EXPECT_EQ(std::string(the_engine.play.tag_buffer).size(), 399u);
}

TEST(TagReader, SingleNumberTagsSkipOneSpaceOnly) {
    for (const char letter : {'A', 'V', 'v', 'W', 'n', 'p'}) {
        SCOPED_TRACE(letter);
        EXPECT_EQ(parsed(std::string(1, letter) + " 3").number, 3);
        EXPECT_EQ(parsed(std::string(1, letter) + "3").number, 3);
        EXPECT_EQ(parsed(std::string(1, letter) + "  3").number, 0);  // the number ends at the second space
        EXPECT_FALSE(parsed(std::string(1, letter) + " 3").makes_hotword);
    }
    EXPECT_EQ(parsed("n -7").number, -7);
    EXPECT_EQ(parsed("A 65539").number, 3);  // the low 16 bits
}

TEST(TagReader, HotwordLinksWithLabelDollarPictureAndBarePicture) {
    tag_arguments t = parsed("M \"story?\" 6");
    EXPECT_TRUE(t.makes_hotword);
    EXPECT_TRUE(t.labelled);
    EXPECT_STREQ(t.label, "story?");
    EXPECT_EQ(t.label_length, 6);
    EXPECT_EQ(t.target1, 6);

    for (const char* text : {"M $12 40", "g 12 40", "m $12 40"}) {
        SCOPED_TRACE(text);
        t = parsed(text);
        EXPECT_TRUE(t.makes_hotword);
        EXPECT_FALSE(t.labelled);
        EXPECT_EQ(t.picture, 12);
        EXPECT_EQ(t.target1, 40);
    }

    t = parsed("M \"\" 9");
    EXPECT_TRUE(t.labelled);
    EXPECT_STREQ(t.label, "");
    EXPECT_EQ(t.target1, 9);

    t = parsed("M \"no closing quote 5");  // reading stops at the end of the tag
    EXPECT_STREQ(t.label, "no closing quote 5");
    EXPECT_EQ(t.target1, 0);
    EXPECT_EQ(the_engine.play.tag_buffer[the_engine.play.tag_cursor], '\0');

    t = parsed("M \"a\" 70000");  // targets keep their low 16 bits
    EXPECT_EQ(t.target1, static_cast<int16_t>(70000 & 0xFFFF));
}

// Hotword tags written as nearly all are (read in one step) and in shapes
// just beside it (read a character at a time) come out alike.
TEST(TagReader, HotwordTagsOfEveryShapeNearThePlainOne) {
    struct example {
        const char* text;
        bool labelled;
        const char* label;
        int32_t target;
        int32_t cursor;
    };
    const std::string label31(31, 'k');
    const std::string label32(32, 'k');
    const std::string long31 = "M \"" + label31 + "\" 12";
    const std::string long32 = "M \"" + label32 + "\" 12";
    const example examples[] = {
        {"M \"Go on\" 762", true, "Go on", 762, 13},
        {"g \"Go on\" 762", true, "Go on", 762, 13},
        {"m \"Go on\" 762", true, "Go on", 762, 13},
        {"M\"x\"5", true, "x", 5, 5},
        {"M \"x\"", true, "x", 0, 5},
        {"M \"x\" ", true, "x", 0, 6},
        {"M \"x\"  5", true, "x", 0, 6},
        {"M \"x\" 5 more", true, "x", 5, 7},
        {"M \"x\" 5>", true, "x", 5, 7},
        {"M \"x\" 1234567", true, "x", static_cast<int16_t>(1234567 & 0xFFFF), 13},
        {"M \"x\" 12345678", true, "x", static_cast<int16_t>(12345678 & 0xFFFF), 14},
        {"M \"x\" 123456789012", true, "x", static_cast<int16_t>(123456789012 & 0xFFFF), 18},
        {"M \"x\" -5", true, "x", -5, 8},
        {"M \"x\" 5-", true, "x", -5, 8},
        {"M \"x\" 5+1", true, "x", 51, 9},
        {"M \"a\"b\" 3", true, "a", 0, 5},
        {"M  \"x\" 5", false, "", 0, 3},
        {long31.c_str(), true, label31.c_str(), 12, static_cast<int32_t>(long31.size())},
        {long32.c_str(), true, label32.c_str(), 12, static_cast<int32_t>(long32.size())},
    };
    for (const example& e : examples) {
        SCOPED_TRACE(e.text);
        const tag_arguments t = parsed(e.text);
        EXPECT_TRUE(t.makes_hotword);
        EXPECT_EQ(t.labelled, e.labelled);
        EXPECT_STREQ(t.label, e.label);
        EXPECT_EQ(t.label_length, static_cast<int32_t>(std::string(e.label).size()));
        EXPECT_EQ(t.label_source_length, t.label_length);
        EXPECT_EQ(t.target1, e.target);
        EXPECT_EQ(the_engine.play.tag_cursor, e.cursor);
        EXPECT_EQ(t.number, 0);
        EXPECT_EQ(t.picture, 0);
    }
}

TEST(TagReader, LabelsLongerThanTheirFieldAreCut) {
    const std::string label(150, 'q');
    tag_arguments t = parsed("M \"" + label + "\" 21");
    EXPECT_EQ(t.label_length, 99);
    EXPECT_EQ(t.label_source_length, 150);
    EXPECT_EQ(std::string(t.label), std::string(99, 'q'));
    EXPECT_EQ(t.target1, 21);
}

// Labels of every length around the blocks they are read in, opening
// anywhere in the buffer up to its end, closed or cut off by the tag's end.
TEST(TagReader, LabelsAnywhereInTheBufferAndOfAnyLength) {
    for (const int32_t length : {0, 1, 15, 16, 17, 30, 31, 32, 33, 48, 98, 99, 100}) {
        for (const int32_t opening : {5, 40, 300, 350, 366, 367, 368, 369, 370, 385, 397}) {
            for (const bool closed : {true, false}) {
                SCOPED_TRACE(std::to_string(length) + " at " + std::to_string(opening) + (closed ? "" : " open"));
                std::string label;
                for (int32_t i = 0; i < length; ++i) label += static_cast<char>('a' + i % 26);
                const std::string text =
                    "u *1" + std::string(static_cast<size_t>(opening - 5), ' ') + "\"" + label + (closed ? "\" 7" : "");
                const tag_arguments t = parsed(text);
                const std::string kept = std::string(the_engine.play.tag_buffer).substr(static_cast<size_t>(opening));
                const size_t quote = kept.find('"');
                const bool ends_in_tag = quote != std::string::npos;
                const std::string source = kept.substr(0, ends_in_tag ? quote : std::string::npos);
                EXPECT_EQ(t.label, source.substr(0, 99));
                EXPECT_EQ(t.label_length, static_cast<int32_t>(std::min<size_t>(source.size(), 99)));
                EXPECT_EQ(t.label_source_length, static_cast<int32_t>(source.size()));
                EXPECT_EQ(t.target1, ends_in_tag && kept.size() > quote + 2 ? 7 : 0);
                EXPECT_EQ(the_engine.play.tag_buffer[the_engine.play.tag_cursor], '\0');
                EXPECT_EQ(the_engine.play.tag_cursor, the_engine.play.tag_length);
            }
        }
    }
}

TEST(TagReader, FlagTagsImmediateOrHotword) {
    tag_arguments t = parsed("N %98");
    EXPECT_EQ(t.number, 98);
    EXPECT_TRUE(t.immediate);
    EXPECT_FALSE(t.makes_hotword);

    t = parsed("Q %98 ");  // a trailing space still ends the tag
    EXPECT_TRUE(t.immediate);

    t = parsed("N %98 \"stethoscope\" 13");
    EXPECT_FALSE(t.immediate);
    EXPECT_TRUE(t.labelled);
    EXPECT_STREQ(t.label, "stethoscope");
    EXPECT_EQ(t.target1, 13);

    t = parsed("Q %4 $7 30");
    EXPECT_FALSE(t.immediate);
    EXPECT_FALSE(t.labelled);
    EXPECT_EQ(t.picture, 7);
    EXPECT_EQ(t.target1, 30);

    t = parsed("N 5");  // no marker: the number is read from the end
    EXPECT_EQ(t.number, 0);
    EXPECT_TRUE(t.immediate);

    EXPECT_EQ(parsed("N %65537").number, 1);  // the low 16 bits
}

TEST(TagReader, AssignmentValueForms) {
    tag_arguments t = parsed("R %24 z");
    EXPECT_EQ(t.number, 24);
    EXPECT_EQ(t.value_form, VALUE_RANDOM);
    EXPECT_TRUE(t.immediate);

    t = parsed("R %8 %104");
    EXPECT_EQ(t.value_form, VALUE_VARIABLE);
    EXPECT_EQ(t.value_number, 104);
    EXPECT_TRUE(t.immediate);

    t = parsed("R %43 3");
    EXPECT_EQ(t.value_form, VALUE_NUMBER);
    EXPECT_EQ(t.value_number, 3);
    EXPECT_TRUE(t.immediate);

    t = parsed("r %5 -1");
    EXPECT_EQ(t.value_form, VALUE_NUMBER);
    EXPECT_EQ(t.value_number, -1);

    t = parsed("R %17 1 \"label\" 22");
    EXPECT_FALSE(t.immediate);
    EXPECT_EQ(t.value_number, 1);
    EXPECT_STREQ(t.label, "label");
    EXPECT_EQ(t.target1, 22);

    t = parsed("R %17 z \"pick\" 22");
    EXPECT_EQ(t.value_form, VALUE_RANDOM);
    EXPECT_FALSE(t.immediate);
    EXPECT_STREQ(t.label, "pick");

    t = parsed("R %17 %3 $2 22");
    EXPECT_EQ(t.value_form, VALUE_VARIABLE);
    EXPECT_EQ(t.value_number, 3);
    EXPECT_FALSE(t.labelled);
    EXPECT_EQ(t.picture, 2);

    // `%m` and `z` belong to R only: r reads a number (here none).
    t = parsed("r %5 z");
    EXPECT_EQ(t.value_form, VALUE_NUMBER);
    EXPECT_EQ(t.value_number, 0);
    EXPECT_FALSE(t.immediate);

    EXPECT_EQ(parsed("R %1 70000").value_number, static_cast<int16_t>(70000 & 0xFFFF));
}

// A buffer filled to its last byte with no NUL (never the case for a tag
// the interpreter or tag_load stores) ends every reading at its end.
TEST(TagReader, ABufferWithNoNulEndsAtItsEnd) {
    struct full_case {
        char letter;
        char marker;  // what the filler leads to, before the tail
        const char* tail;
        int32_t number;
        int32_t value;
        bool immediate;
    };
    const full_case cases[] = {
        {'l', '%', "123", 123, 0, false}, {'s', '*', "-12", -12, 0, false},
        {'N', '%', "7", 7, 0, true},      {'R', '%', "9", 9, 0, true},
        {'A', ' ', "00042", 42, 0, false},
    };
    for (const full_case& c : cases) {
        SCOPED_TRACE(c.letter);
        std::string text = std::string(1, c.letter) + c.marker;
        text += std::string(TAG_BUFFER_SIZE - text.size() - std::string(c.tail).size(), c.letter == 'A' ? '0' : ' ');
        text += c.tail;
        if (c.letter != 'A') std::swap(text[1], text[TAG_BUFFER_SIZE - 1 - std::string(c.tail).size()]);
        ASSERT_EQ(text.size(), static_cast<size_t>(TAG_BUFFER_SIZE));
        std::copy(text.begin(), text.end(), the_engine.play.tag_buffer);
        tag_arguments t;
        parse_tag(&t);
        EXPECT_EQ(t.number, c.number);
        EXPECT_EQ(t.value_number, c.value);
        EXPECT_EQ(t.immediate, c.immediate);
        EXPECT_EQ(the_engine.play.tag_cursor, TAG_BUFFER_SIZE);
    }
    the_engine.play.tag_buffer[TAG_BUFFER_SIZE - 1] = '\0';
}

// The readings for a letter told apart already read as parse_tag does.
TEST(TagReader, KnownLetterReadingsMatchParseTag) {
    const char* const tags[] = {
        "R %24 z", "R %8 %104", "R %43 3", "r %5 -1", "R %17 1 \"label\" 22", "R %17 %3 $2 22", "r %5 z",
        "R %1 70000", "r %9 -2 \"Take a taxi home\" 412", "R", "r 5", "R %3 4 x", "l %19", "l 19", "l", "l %-3+", "l  %7 x",
        "M \"Go on\" 762", "g\"x\"5", "m \"x\" 5-", "M  \"x\" 5", "M $3 12", "M 4", "M", "M \"a\"b\" 3",
        "M \"a label of more than thirty-two characters\" 8", "M \"x\" 123456789",
    };
    for (const char* text : tags) {
        SCOPED_TRACE(text);
        const tag_arguments expected = parsed(text);
        const int16_t cursor = the_engine.play.tag_cursor;
        tag_load(text);
        tag_arguments t;
        if (text[0] == 'l') {
            parse_value_name_tag(&t);
        } else if (text[0] == 'R' || text[0] == 'r') {
            parse_assignment_tag(&t);
        } else {
            parse_hotword_tag(&t);
        }
        EXPECT_EQ(the_engine.play.tag_cursor, cursor);
        EXPECT_EQ(std::memcmp(&t, &expected, offsetof(tag_arguments, label)), 0);
        EXPECT_STREQ(t.label, expected.label);
        for (int32_t band = 0; band < MAX_BANDS; ++band) EXPECT_STREQ(t.answers[band], expected.answers[band]);
    }
}

// The variable or restart point after the letter, in the books' shape (one
// space, then `%` or `*`) and every other.
TEST(TagReader, TheNumberAfterTheLetterInEveryShape) {
    struct example {
        const char* text;
        int32_t number;
        int32_t cursor;  // -1: not checked
    };
    const example examples[] = {
        {"l %19", 19, 5}, {"l%19", 19, 4}, {"l  %19", 19, 6}, {"l x%19", 19, 6}, {"l %", 0, 3}, {"l ", 0, 2},
        {"l  ", 0, 3}, {"l 19", 0, 4}, {"s *3", 3, 4}, {"s*3", 3, 3}, {"s  *3", 3, 5}, {"s %3", 0, 4},
        {"N %7", 7, 4}, {"Q%7", 7, 3}, {"N  %7 \"n\" 5", 7, -1}, {"R %12 3", 12, 7}, {"R%12 3", 12, 6},
        {"R  %12 3", 12, 8}, {"r *%4 1", 4, 7}, {"u *1 \"z\" 3", 1, 10}, {"u*1 \"z\" 3", 1, 9},
    };
    for (const example& e : examples) {
        SCOPED_TRACE(e.text);
        const tag_arguments t = parsed(e.text);
        EXPECT_EQ(t.number, e.number);
        if (e.cursor >= 0) {
            EXPECT_EQ(the_engine.play.tag_cursor, e.cursor);
        }
    }
}

TEST(TagReader, ValueNameAndRestartPointTags) {
    EXPECT_EQ(parsed("l %19").number, 19);
    EXPECT_EQ(parsed("s *3").number, 3);

    tag_arguments t = parsed("u *2 \"Go back to\"");
    EXPECT_EQ(t.number, 2);
    EXPECT_TRUE(t.labelled);
    EXPECT_STREQ(t.label, "Go back to");
    EXPECT_EQ(t.target1, 0);
}

TEST(TagReader, ChanceBandsOneTwoAndThree) {
    tag_arguments t = parsed("L \"underground\" (5) 148 150");
    EXPECT_STREQ(t.label, "underground");
    EXPECT_EQ(t.bands, 1);
    EXPECT_EQ(t.chances[0], 5);
    EXPECT_EQ(t.target1, 148);
    EXPECT_EQ(t.default_target, 150);
    EXPECT_EQ(t.target2, 0);
    EXPECT_EQ(t.target3, 0);

    t = parsed("d \"two\" (50) 429 (30) 12 431");
    EXPECT_EQ(t.bands, 2);
    EXPECT_EQ(t.chances[1], 30);
    EXPECT_EQ(t.target2, 12);
    EXPECT_EQ(t.default_target, 431);

    t = parsed("d \"three\" (50) 1 (30) 2 (20) 3 4");
    EXPECT_EQ(t.bands, 3);
    EXPECT_EQ(t.chances[0], 50);
    EXPECT_EQ(t.chances[1], 30);
    EXPECT_EQ(t.chances[2], 20);
    EXPECT_EQ(t.target1, 1);
    EXPECT_EQ(t.target2, 2);
    EXPECT_EQ(t.target3, 3);
    EXPECT_EQ(t.default_target, 4);

    t = parsed("d \"x\" (200) 1 2");  // a chance is its low 8 bits, signed
    EXPECT_EQ(t.chances[0], static_cast<int8_t>(200 - 256));
}

TEST(TagReader, AnswerBandsOneTwoAndThree) {
    tag_arguments t = parsed("S (50 ) 458 (25 ) 459 (33 ) 459 460");
    EXPECT_EQ(t.bands, 3);
    EXPECT_STREQ(t.answers[0], "50 ");
    EXPECT_STREQ(t.answers[1], "25 ");
    EXPECT_STREQ(t.answers[2], "33 ");
    EXPECT_EQ(t.target1, 458);
    EXPECT_EQ(t.target2, 459);
    EXPECT_EQ(t.target3, 459);
    EXPECT_EQ(t.default_target, 460);
    EXPECT_EQ(t.longest, 3);

    t = parsed("S ( 1 ) 466 467");
    EXPECT_EQ(t.bands, 1);
    EXPECT_STREQ(t.answers[0], " 1 ");
    EXPECT_EQ(t.target1, 466);
    EXPECT_EQ(t.default_target, 467);

    t = parsed("S (BLACKOUT LAMP) 5 (lamp) 6 7");
    EXPECT_EQ(t.bands, 2);
    EXPECT_STREQ(t.answers[0], "BLACKOUT LAMP");
    EXPECT_EQ(t.longest, 13);

    t = parsed("S () 5 6");
    EXPECT_STREQ(t.answers[0], "");
    EXPECT_EQ(t.longest, 0);

    const std::string answer(25, 'k');
    t = parsed("S (" + answer + ") 5 6");
    EXPECT_EQ(std::string(t.answers[0]), std::string(19, 'k'));
    EXPECT_EQ(t.answer_source_lengths[0], 25);
    EXPECT_EQ(t.longest, 19);
    EXPECT_EQ(t.target1, 5);
    EXPECT_EQ(t.default_target, 6);

    t = parsed("S (unclosed 5 6");
    EXPECT_STREQ(t.answers[0], "unclosed 5 6");
    EXPECT_EQ(t.target1, 0);
}

TEST(TagReader, OtherLettersReadNothing) {
    for (const char* text : {"G", "F", "Y", "O (%1 = 0)", "E", ""}) {
        SCOPED_TRACE(text);
        tag_arguments t = parsed(text);
        EXPECT_FALSE(t.makes_hotword);
        EXPECT_EQ(t.number, 0);
    }
}

}  // namespace
}  // namespace tomelet
