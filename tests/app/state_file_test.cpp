#include "app/state_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "story/state_file.h"
#include "page/links.h"
#include "story/place.h"
#include "tests/story/choose.h"
#include "book/book.h"
#include "platform/headless/headless.h"
#include "story/game_state.h"
#include "story/hotwords.h"
#include "tests/support/memory_book.h"
#include "tests/support/temp_directory.h"

namespace tomelet {
namespace {

using bytes = std::vector<uint8_t>;

constexpr int32_t RECORD = 3056;
constexpr int32_t SNAPSHOTS = 1888;
constexpr int32_t SET_FIELDS = 3048;

testing::memory_book_contents book_contents() {
    testing::memory_book_contents shape;
    shape.paragraph_count = 787;
    shape.variables = testing::numbered_variables(116, 6);
    for (const char* day : {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday"}) {
        shape.restart_points.push_back({day, 402});
    }
    return shape;
}

void put16(bytes& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void put32(bytes& b, size_t at, uint32_t v) {
    for (size_t i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t get32(const bytes& b, size_t at) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) v |= static_cast<uint32_t>(b[at + i]) << (8 * i);
    return v;
}

// A full record: every byte patterned (reserved bytes included), then the
// fields that carry data.
bytes valid_record(int16_t place) {
    bytes b(RECORD);
    for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<uint8_t>(i * 7 + 3);
    put16(b, 0, static_cast<uint16_t>(place));
    b[2] = 0;  // sound off
    put32(b, 28, 1344);
    for (size_t i = 0; i < 116; ++i) {
        b[36 + 16 * i] = static_cast<uint8_t>(i % 5);
        b[37 + 16 * i] = static_cast<uint8_t>(i % 2);
    }
    for (size_t k = 0; k < 5; ++k) b[SET_FIELDS + k] = k == 1 || k == 3 ? 1 : 0;
    return b;
}

class StateFile : public testing::TempDirectoryTest {
protected:
    void SetUp() override {
        enter_temp_directory("tomelet-state");
        new_run();
    }

    void TearDown() override {
        plat_file_close(the_engine.app.state_file);
        the_engine.app.state_file = nullptr;
        leave_temp_directory();
    }

    // A new start of the program: the book's initial state.
    void new_run() {
        headless::reset();
        engine_reset();
        book_use(book_.tables());
    }

    void write_file(const bytes& b) {
        std::ofstream out(state_file_name(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    }

    bytes read_file() {
        std::ifstream in(state_file_name(), std::ios::binary);
        return bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // Opens and loads as the start-up does.
    int16_t start() {
        EXPECT_TRUE(open_state_file());
        return load_state();
    }

    variable_state& var(int32_t i) { return the_engine.story.variables[i]; }

    bool state_is_initial() {
        for (int32_t i = 0; i < 116; ++i) {
            if (var(i).value != 0 || var(i).flag != 0) return false;
        }
        for (int32_t k = 0; k < 5; ++k) {
            if (the_engine.story.restart_points[k].set != 0) return false;
        }
        for (int32_t n = 0; n < 1160; ++n) {
            if (the_engine.story.restart_snapshots[n] != 0) return false;
        }
        return true;
    }

    testing::memory_book book_{book_contents()};
};

TEST_F(StateFile, NoFileStartsAfreshAndBecomesAFullRecord) {
    EXPECT_STREQ(state_file_name(), "TestBook.dat");  // the book's id
    EXPECT_EQ(start(), 2);
    EXPECT_EQ(sound_switch(), 1);
    EXPECT_TRUE(state_is_initial());
    EXPECT_TRUE(std::filesystem::exists(state_file_name()));

    the_engine.play.current_paragraph = 120;
    the_engine.play.shown_paragraph = 6;  // a side page: the story page is what is kept
    var(5).value = 3;
    var(5).flag = 1;
    save_state();
    EXPECT_EQ(the_engine.app.state_file, nullptr);
    const bytes b = read_file();
    ASSERT_EQ(b.size(), static_cast<size_t>(RECORD));
    EXPECT_EQ(b[0] | (b[1] << 8), 120);
    EXPECT_EQ(b[2], 1);
    EXPECT_EQ(get32(b, 28), 1344u);
    EXPECT_EQ(b[36 + 16 * 5], 3);
    EXPECT_EQ(b[37 + 16 * 5], 1);
    size_t nonzero = 0;
    for (uint8_t v : b) nonzero += v != 0;
    EXPECT_EQ(nonzero, 6u);  // place 120, sound, magic (2 bytes), value and flag of 5
}

TEST_F(StateFile, ValidRecordIsTakenAndWrittenBackUnchanged) {
    bytes file = valid_record(321);
    write_file(file);
    EXPECT_EQ(start(), 321);
    EXPECT_EQ(sound_switch(), 0);
    for (int32_t i = 0; i < 116; ++i) {
        EXPECT_EQ(var(i).value, i % 5);
        EXPECT_EQ(var(i).flag, i % 2);
    }
    EXPECT_EQ(std::memcmp(the_engine.story.restart_snapshots, file.data() + SNAPSHOTS, 1160), 0);
    for (int32_t k = 0; k < 5; ++k) {
        EXPECT_EQ(the_engine.story.restart_points[k].set, k == 1 || k == 3 ? 1 : 0);
        EXPECT_EQ(the_engine.story.restart_points[k].paragraph, 402);  // not kept in the file
    }

    // Reserved bytes (3 to 27, 14 of every slot, the last 3) survive.
    the_engine.play.current_paragraph = 322;
    var(0).value = 4;
    set_sound_switch(1);
    save_state();
    put16(file, 0, 322);
    file[2] = 1;
    file[36] = 4;
    EXPECT_EQ(read_file(), file);
}

TEST_F(StateFile, ShortFileKeepsItsBytesButNotItsState) {
    bytes file = valid_record(321);
    file.resize(1000);  // slots 0 to 60 arrived, the rest did not
    write_file(file);
    EXPECT_EQ(start(), 2);
    EXPECT_TRUE(state_is_initial());
    EXPECT_EQ(sound_switch(), 0);  // the file's

    the_engine.play.current_paragraph = 2;
    save_state();
    const bytes b = read_file();
    ASSERT_EQ(b.size(), static_cast<size_t>(RECORD));
    EXPECT_EQ(get32(b, 28), 1344u);
    EXPECT_EQ(b[2], 0);
    EXPECT_TRUE(std::equal(file.begin() + 3, file.begin() + 28, b.begin() + 3));
    EXPECT_EQ(b[36 + 16 * 1], 0);  // the initial value was written
    EXPECT_EQ(b[38 + 16 * 1], file[38 + 16 * 1]);  // a reserved byte of a slot stays
    EXPECT_EQ(b[RECORD - 1], 0);   // beyond what arrived
}

TEST_F(StateFile, WrongMagicStartsAfresh) {
    bytes file = valid_record(321);
    put32(file, 28, 1345);
    file[2] = 7;
    write_file(file);
    EXPECT_EQ(start(), 2);
    EXPECT_TRUE(state_is_initial());
    EXPECT_EQ(sound_switch(), 7);
    save_state();
    const bytes b = read_file();
    EXPECT_EQ(get32(b, 28), 1344u);
    EXPECT_EQ(b[36 + 16 * 1], 0);
}

TEST_F(StateFile, PlaceOutsideTheBookStartsAtTwoButKeepsTheState) {
    for (int16_t place : {0, 788, -5}) {
        new_run();
        write_file(valid_record(place));
        EXPECT_EQ(start(), 2) << place;
        EXPECT_EQ(var(3).value, 3) << place;
        EXPECT_EQ(var(3).flag, 1) << place;
        EXPECT_EQ(the_engine.story.restart_points[3].set, 1) << place;
        EXPECT_EQ(sound_switch(), 0) << place;
        save_state();
    }
    for (int16_t place : {1, 787}) {
        new_run();
        write_file(valid_record(place));
        EXPECT_EQ(start(), place);
        save_state();
    }
}

TEST_F(StateFile, LongerFileKeepsItsTail) {
    bytes file = valid_record(100);
    for (int n = 0; n < 500; ++n) file.push_back(static_cast<uint8_t>(n));
    write_file(file);
    EXPECT_EQ(start(), 100);
    the_engine.play.current_paragraph = 100;
    save_state();
    EXPECT_EQ(read_file(), file);
}

TEST_F(StateFile, StoredValuesAreTakenAsTheyAre) {
    bytes file = valid_record(10);
    file[36 + 16 * 8] = 200;  // beyond the variable's 6 value names
    file[37 + 16 * 8] = 9;
    write_file(file);
    EXPECT_EQ(start(), 10);
    EXPECT_EQ(var(8).value, 200);
    EXPECT_EQ(var(8).flag, 9);
    EXPECT_EQ(value_name(variable_at(8), var(8).value), nullptr);
}

TEST_F(StateFile, RestartPointSurvivesIntoTheNextRun) {
    EXPECT_EQ(start(), 2);
    for (int32_t i = 0; i < 116; ++i) var(i).value = static_cast<uint8_t>(i % 6);
    var(40).flag = 1;
    the_engine.play.shown_paragraph = 300;
    the_engine.play.current_paragraph = 300;
    take_restart_snapshot(1);
    var(40).flag = 0;
    var(41).value = 0;
    the_engine.play.current_paragraph = 310;
    save_state();

    new_run();
    EXPECT_EQ(start(), 310);
    EXPECT_EQ(the_engine.story.restart_points[1].set, 1);
    EXPECT_EQ(the_engine.story.restart_points[1].paragraph, 402);  // the book's
    the_engine.play.hotwords[0] = hotword{};
    the_engine.play.hotwords[0].kind = 'u';
    the_engine.play.hotwords[0].index = 1;
    the_engine.play.hotwords[0].control_id = 5000;
    the_engine.play.hotword_count = 1;
    testing::choose(5000, "");
    EXPECT_EQ(var(40).flag, 1);
    EXPECT_EQ(var(41).value, 41 % 6);
    EXPECT_EQ(the_engine.play.current_paragraph, 403);
    save_state();
}

TEST_F(StateFile, HeldFileRefusesASecondOpenAndSavesOnlyOnce) {
    EXPECT_EQ(start(), 2);
    const plat_file first = the_engine.app.state_file;
    EXPECT_FALSE(open_state_file());
    the_engine.app.state_file = first;
    save_state();
    const bytes saved = read_file();
    ASSERT_EQ(saved.size(), static_cast<size_t>(RECORD));
    the_engine.play.current_paragraph = 77;
    save_state();  // nothing is open any more: the file stays
    EXPECT_EQ(read_file(), saved);
    EXPECT_TRUE(open_state_file());
}

TEST_F(StateFile, WriteStateKeepsTheFileHeldAndSaveWritesTheSameRecord) {
    EXPECT_EQ(start(), 2);
    the_engine.play.current_paragraph = 404;
    var(12).value = 3;
    ASSERT_TRUE(write_state());
    const bytes kept = read_file();
    ASSERT_EQ(kept.size(), static_cast<size_t>(RECORD));
    EXPECT_EQ(kept[0] | kept[1] << 8, 404);
    EXPECT_EQ(kept[36 + 16 * 12], 3);
    const plat_file held = the_engine.app.state_file;
    EXPECT_FALSE(open_state_file());  // still held
    the_engine.app.state_file = held;
    save_state();
    EXPECT_EQ(read_file(), kept);
    EXPECT_FALSE(write_state());  // closed: nothing to write to
}

// A record taken from elsewhere is checked as a loaded one and, unlike a
// state file at start-up, refused whole when its place is no paragraph:
// nothing of a refused record reaches the game state or the record.
TEST_F(StateFile, TakenRecordIsCheckedAndRefusedWhole) {
    EXPECT_EQ(start(), 2);
    const bytes before(the_engine.story.state_record, the_engine.story.state_record + RECORD);
    bytes bad_magic = valid_record(404);
    put32(bad_magic, 28, 1345);
    const struct {
        bytes record;
        take_result result;
    } refused[] = {
        {[] { bytes b = valid_record(404); b.pop_back(); return b; }(), TAKE_WRONG_SIZE},
        {[] { bytes b = valid_record(404); b.push_back(0); return b; }(), TAKE_WRONG_SIZE},
        {bytes(), TAKE_WRONG_SIZE},
        {bad_magic, TAKE_WRONG_MAGIC},
        {valid_record(0), TAKE_BAD_PLACE},
        {valid_record(788), TAKE_BAD_PLACE},
        {valid_record(-3), TAKE_BAD_PLACE},
    };
    for (const auto& c : refused) {
        int16_t place = 99;
        EXPECT_EQ(take_state_record(c.record.data(), static_cast<int32_t>(c.record.size()), &place), c.result);
        EXPECT_EQ(place, 99);
        EXPECT_TRUE(state_is_initial());
        EXPECT_EQ(bytes(the_engine.story.state_record, the_engine.story.state_record + RECORD), before);
    }
    EXPECT_EQ(take_state_record(nullptr, RECORD, nullptr), TAKE_WRONG_SIZE);

    const bytes good = valid_record(787);
    int16_t place = 0;
    ASSERT_EQ(take_state_record(good.data(), RECORD, &place), TAKE_OK);
    EXPECT_EQ(place, 787);
    EXPECT_EQ(var(7).value, 7 % 5);
    EXPECT_EQ(var(7).flag, 1);
    EXPECT_EQ(the_engine.story.restart_points[3].set, 1);
    EXPECT_EQ(bytes(the_engine.story.state_record, the_engine.story.state_record + RECORD), good);
}

}  // namespace
}  // namespace tomelet
