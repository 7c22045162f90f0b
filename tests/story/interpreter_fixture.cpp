#include "tests/story/interpreter_fixture.h"

#include <cstring>

#include "engine/engine.h"
#include "page/links.h"
#include "story/place.h"
#include "book/book.h"
#include "page/controls.h"
#include "page/display_list.h"
#include "story/game_state.h"
#include "story/hotwords.h"
#include "story/markup.h"
#include "story/tag_reader.h"

namespace tomelet::testing {

namespace {

void name_values(memory_variable& v, std::vector<std::string> values) { v.values = std::move(values); }

std::vector<std::string> prefixed(const std::string& prefix, int n) {
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i) out.push_back(prefix + std::to_string(i));
    return out;
}

}  // namespace

memory_book_contents interpreter_book_shape() {
    memory_book_contents shape;
    shape.paragraph_count = 500;
    shape.variables = numbered_variables(116, 2);
    name_values(shape.variables[3], {});
    name_values(shape.variables[5], prefixed("c", 6));
    name_values(shape.variables[8], prefixed("p", 6));
    name_values(shape.variables[19], {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"});
    name_values(shape.variables[40], {std::string(200, 'a'), std::string(200, 'b')});
    name_values(shape.variables[104], {"early", "morning", "lunch time", "afternoon", "evening", "night"});
    name_values(shape.variables[110], prefixed("l", 3));
    name_values(shape.variables[115], {"no", "yes"});
    for (uint16_t i = 0; i < 40; ++i) shape.pictures.push_back(picture_row{static_cast<uint16_t>(1700 + i), 20, 10, nullptr});
    shape.sounds = {"CLOCK", "DOOR", "RAIN", "BELL"};
    for (const char* name : {"First", "Second", "Third", "Fourth", "Fifth"}) {
        shape.restart_points.push_back(memory_restart_point{name, 402});
    }
    return shape;
}

namespace {

// The page's measures without a window: a character 7 pixels wide and 16
// high, as the default font's, and each picture of the book the size its
// catalogue row gives.
page_size text_size(bool, const char*, int32_t n) { return page_size{7 * n, 16}; }
bool picture_size(int32_t number, page_size* size) {
    const picture_row* row = picture_at(number);
    if (row == nullptr) return false;
    *size = page_size{row->width, row->height};
    return true;
}
constexpr page_measures measures{text_size, picture_size};

}  // namespace

void InterpreterTest::SetUp() {
    engine_reset();
    book = std::make_unique<memory_book>(interpreter_book_shape());
    book_use(book->tables());
    the_engine.page.measures = &measures;
    // A generator that never seeds itself from the clock.
    the_engine.play.random_seeded = 1;
}

// Given its length, as the paragraph path gives it (up to a NUL the text
// may hold); the plain form is run by the page digests' random texts.
void InterpreterTest::run(const std::string& text) {
    run_paragraph(text.c_str(), static_cast<int32_t>(std::strlen(text.c_str())));
}

bool InterpreterTest::tag(const std::string& text) {
    tag_load(text.c_str());
    return run_tag();
}

int32_t InterpreterTest::item_count() { return the_engine.page.page_item_count; }

int32_t InterpreterTest::item_kind(int32_t i) {
    return i >= 0 && i < the_engine.page.page_item_count ? the_engine.page.page_items[i].kind : -1;
}

std::string InterpreterTest::item_text(int32_t i) {
    if (i < 0 || i >= the_engine.page.page_item_count || the_engine.page.page_items[i].text == nullptr) return "<no text>";
    return the_engine.page.page_items[i].text;
}

int32_t InterpreterTest::message_count() { return reported_message_count(); }

std::string InterpreterTest::message(int32_t i) {
    const char* text = held_message_text(i);
    return text != nullptr ? text : "";
}

std::string InterpreterTest::last_message() {
    const int32_t n = held_message_count();
    return n == 0 ? std::string() : message(n - 1);
}

void InterpreterTest::clear_messages() { drop_held_messages(); }

void InterpreterTest::set_value(int32_t v, int32_t value) {
    variable_state_at(v)->value = static_cast<uint8_t>(value);
}

void InterpreterTest::set_flag(int32_t v, int32_t flag) { variable_state_at(v)->flag = static_cast<uint8_t>(flag); }

int32_t InterpreterTest::value(int32_t v) { return variable_state_at(v)->value; }

int32_t InterpreterTest::flag(int32_t v) { return variable_state_at(v)->flag; }

}  // namespace tomelet::testing
