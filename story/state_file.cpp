#include "story/state_file.h"

#include <cstring>

#include "engine/engine.h"
#include "story/game_state.h"
#include "story/place.h"
#include "book/book.h"
#include "story/story_state.h"

namespace tomelet {

const char* state_file_name() {
    char* name = the_engine.play.state_file_name_text;
    const char* id = book_id();
    size_t n = std::strlen(id);
    std::memcpy(name, id, n);
    std::memcpy(name + n, ".dat", sizeof ".dat");
    return name;
}

namespace {

// The paragraph a run starts at when the file holds no usable place.
constexpr int16_t FIRST_PAGE = 2;

int32_t record_size() { return state_record_size(story_variable_count(), story_restart_point_count()); }

// Where the snapshots and the set fields lie: after the variable slots.
int32_t snapshots_offset() { return STATE_SLOTS + STATE_SLOT_SIZE * story_variable_count(); }
int32_t snapshots_size() { return 2 * story_variable_count() * story_restart_point_count(); }
int32_t set_fields_offset() { return snapshots_offset() + snapshots_size(); }

// The record is little-endian whatever the machine.
int16_t get_int16(const uint8_t* p) {
    return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
}

uint32_t get_uint32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void put_int16(uint8_t* p, int16_t v) {
    const auto u = static_cast<uint16_t>(v);
    p[0] = static_cast<uint8_t>(u & 0xFFu);
    p[1] = static_cast<uint8_t>(u >> 8);
}

void put_uint32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v & 0xFFu);
    p[1] = static_cast<uint8_t>((v >> 8) & 0xFFu);
    p[2] = static_cast<uint8_t>((v >> 16) & 0xFFu);
    p[3] = static_cast<uint8_t>(v >> 24);
}

// Takes the variables, the snapshots and the set fields from the record,
// as stored (a value beyond its variable's value names is kept; the value
// names are only ever looked up through value_name, which refuses it).
void take_game_state(const uint8_t* record) {
    const int32_t variables = story_variable_count();
    for (int32_t i = 0; i < variables; ++i) {
        const uint8_t* slot = record + STATE_SLOTS + STATE_SLOT_SIZE * i;
        the_engine.story.variables[i].value = slot[STATE_SLOT_VALUE];
        the_engine.story.variables[i].flag = slot[STATE_SLOT_FLAG];
    }
    std::memcpy(the_engine.story.restart_snapshots, record + snapshots_offset(), static_cast<size_t>(snapshots_size()));
    const int32_t points = story_restart_point_count();
    for (int32_t k = 0; k < points; ++k) the_engine.story.restart_points[k].set = record[set_fields_offset() + k];
}

bool arrival_possible() {
    return the_engine.book.tables != nullptr && the_engine.book.tables->restart_point_count <= STATE_ARRIVAL_MAX_RESTART_POINTS;
}

// FNV-1a over the place and the arrival's bytes; never 0, so that a record
// whose check is 0 holds no arrival.
uint32_t arrival_check(const uint8_t* record, int16_t place) {
    uint32_t h = 2166136261u;
    const auto add = [&h](uint8_t byte) { h = (h ^ byte) * 16777619u; };
    add(static_cast<uint8_t>(static_cast<uint16_t>(place) & 0xFFu));
    add(static_cast<uint8_t>(static_cast<uint16_t>(place) >> 8));
    for (int32_t i = STATE_ARRIVAL_RANDOM; i < STATE_ARRIVAL_SET + STATE_ARRIVAL_SET_SIZE; ++i) add(record[i]);
    for (int32_t i = 0; i < story_variable_count(); ++i) {
        const uint8_t* slot = record + STATE_SLOTS + STATE_SLOT_SIZE * i;
        add(slot[STATE_SLOT_ARRIVAL_VALUE]);
        add(slot[STATE_SLOT_ARRIVAL_FLAG]);
    }
    return h != 0 ? h : 1;
}

// After a record was taken whole: does it hold the arrival of its place?
void take_arrival(const uint8_t* record, int16_t place) {
    the_engine.play.arrival_paragraph = 0;
    if (!arrival_possible()) return;
    if (get_uint32(record + STATE_ARRIVAL_CHECK) == arrival_check(record, place)) the_engine.play.arrival_paragraph = place;
}

}  // namespace

int32_t state_record_length() { return the_engine.book.tables != nullptr ? record_size() : 0; }

uint8_t* begin_state_load() {
    if (the_engine.book.tables == nullptr) return nullptr;
    uint8_t* record = the_engine.story.state_record;
    std::memset(record, 0, static_cast<size_t>(record_size()));
    the_engine.play.arrival_paragraph = 0;
    return record;
}

int16_t finish_state_load(int32_t got) {
    if (the_engine.book.tables == nullptr) return FIRST_PAGE;
    uint8_t* record = the_engine.story.state_record;
    const int32_t size = record_size();

    // A new file, or none at all (the file could not be opened): the record
    // starts empty with the sound on, and so does the story.
    if (got == STATE_FILE_NEW) {
        record[STATE_SOUND_SWITCH] = 1;
        return FIRST_PAGE;
    }

    // Whatever arrived stays in the record and is written back at exit, so
    // a short or foreign file keeps its sound switch and reserved bytes.
    if (got < 0) {
        // Nothing that arrived counts, and nothing of it stays.
        std::memset(record, 0, static_cast<size_t>(size));
        return LOAD_FAILED;
    }
    if (got < size) return FIRST_PAGE;
    if (get_uint32(record + STATE_MAGIC_OFFSET) != STATE_MAGIC) return FIRST_PAGE;

    take_game_state(record);
    const int16_t place = get_int16(record + STATE_PLACE);
    if (place < 1 || place > the_engine.book.tables->paragraph_count) return FIRST_PAGE;
    take_arrival(record, place);
    return place;
}

const uint8_t* fill_state_record() {
    if (the_engine.book.tables == nullptr) return nullptr;
    uint8_t* record = the_engine.story.state_record;
    put_int16(record + STATE_PLACE, the_engine.play.current_paragraph);
    put_uint32(record + STATE_MAGIC_OFFSET, STATE_MAGIC);
    // The arrival counts only for the place it was taken at.  Without one
    // the bytes stay as read: a check made for another place, or by no
    // arrival at all, does not match this place's.
    if (the_engine.play.arrival_paragraph != 0 && the_engine.play.arrival_paragraph == the_engine.play.current_paragraph) {
        put_uint32(record + STATE_ARRIVAL_CHECK, arrival_check(record, the_engine.play.current_paragraph));
    }
    const int32_t variables = story_variable_count();
    for (int32_t i = 0; i < variables; ++i) {
        uint8_t* slot = record + STATE_SLOTS + STATE_SLOT_SIZE * i;
        slot[STATE_SLOT_VALUE] = the_engine.story.variables[i].value;
        slot[STATE_SLOT_FLAG] = the_engine.story.variables[i].flag;
    }
    std::memcpy(record + snapshots_offset(), the_engine.story.restart_snapshots, static_cast<size_t>(snapshots_size()));
    const int32_t points = story_restart_point_count();
    for (int32_t k = 0; k < points; ++k) record[set_fields_offset() + k] = the_engine.story.restart_points[k].set;
    return record;
}

take_result take_state_record(const uint8_t* bytes, int32_t size, int16_t* place) {
    if (the_engine.book.tables == nullptr || bytes == nullptr || size != record_size()) return TAKE_WRONG_SIZE;
    if (get_uint32(bytes + STATE_MAGIC_OFFSET) != STATE_MAGIC) return TAKE_WRONG_MAGIC;
    const int16_t at = get_int16(bytes + STATE_PLACE);
    if (at < 1 || at > the_engine.book.tables->paragraph_count) return TAKE_BAD_PLACE;
    std::memcpy(the_engine.story.state_record, bytes, static_cast<size_t>(size));
    take_game_state(the_engine.story.state_record);
    take_arrival(the_engine.story.state_record, at);
    if (place != nullptr) *place = at;
    return TAKE_OK;
}

void begin_arrival() {
    the_engine.play.arrival_paragraph = 0;
    if (!arrival_possible()) return;
    uint8_t* record = the_engine.story.state_record;
    for (int32_t i = 0; i < story_variable_count(); ++i) {
        const variable_state* row = variable_state_at(i);
        uint8_t* slot = record + STATE_SLOTS + STATE_SLOT_SIZE * i;
        slot[STATE_SLOT_ARRIVAL_VALUE] = row->value;
        slot[STATE_SLOT_ARRIVAL_FLAG] = row->flag;
    }
    std::memset(record + STATE_ARRIVAL_SET, 0, STATE_ARRIVAL_SET_SIZE);
    for (int32_t k = 0; k < story_restart_point_count(); ++k) {
        if (restart_state_at(k)->set != 0) record[STATE_ARRIVAL_SET + k / 8] |= static_cast<uint8_t>(1u << (k % 8));
    }
    the_engine.play.random_before = the_engine.play.random_state;
    the_engine.play.seeded_before = the_engine.play.random_seeded;
}

void end_arrival(int16_t paragraph) {
    if (!arrival_possible()) return;
    uint8_t* record = the_engine.story.state_record;
    // The generator moves with every number drawn (its period is 2^32), and
    // one that seeded itself during the build started from its seed.
    const bool drew = the_engine.play.random_seeded != the_engine.play.seeded_before || the_engine.play.random_state != the_engine.play.random_before;
    const uint32_t start = the_engine.play.seeded_before != 0 ? the_engine.play.random_before : the_engine.play.random_seed;
    put_uint32(record + STATE_ARRIVAL_RANDOM, drew ? start : 0);
    record[STATE_ARRIVAL_DREW] = drew ? 1 : 0;
    the_engine.play.arrival_paragraph = paragraph;
}

void forget_arrival() { the_engine.play.arrival_paragraph = 0; }

void set_arrival_variable(int32_t n, uint8_t value, uint8_t flag) {
    if (n < 0 || n >= story_variable_count()) return;
    uint8_t* slot = the_engine.story.state_record + STATE_SLOTS + STATE_SLOT_SIZE * n;
    slot[STATE_SLOT_ARRIVAL_VALUE] = value;
    slot[STATE_SLOT_ARRIVAL_FLAG] = flag;
}

bool holds_arrival(int16_t paragraph) { return paragraph != 0 && the_engine.play.arrival_paragraph == paragraph && arrival_possible(); }

void begin_revisit() {
    // The live state goes into the record's own fields, as a save would put
    // it; the restart points' paragraphs and the generator, which the
    // record does not carry, are set aside beside it.
    (void)fill_state_record();
    uint8_t* record = the_engine.story.state_record;
    for (int32_t k = 0; k < story_restart_point_count(); ++k) the_engine.play.set_aside_paragraphs[k] = restart_state_at(k)->paragraph;
    the_engine.play.set_aside_random = the_engine.play.random_state;
    the_engine.play.set_aside_seeded = the_engine.play.random_seeded;

    for (int32_t i = 0; i < story_variable_count(); ++i) {
        variable_state* row = variable_state_at(i);
        const uint8_t* slot = record + STATE_SLOTS + STATE_SLOT_SIZE * i;
        row->value = slot[STATE_SLOT_ARRIVAL_VALUE];
        row->flag = slot[STATE_SLOT_ARRIVAL_FLAG];
    }
    for (int32_t k = 0; k < story_restart_point_count(); ++k) {
        restart_state_at(k)->set = (record[STATE_ARRIVAL_SET + k / 8] >> (k % 8)) & 1u;
    }
    if (record[STATE_ARRIVAL_DREW] != 0) {
        the_engine.play.random_state = get_uint32(record + STATE_ARRIVAL_RANDOM);
        the_engine.play.random_seeded = 1;
    }
}

void end_revisit() {
    take_game_state(the_engine.story.state_record);
    for (int32_t k = 0; k < story_restart_point_count(); ++k) restart_state_at(k)->paragraph = the_engine.play.set_aside_paragraphs[k];
    the_engine.play.random_state = the_engine.play.set_aside_random;
    the_engine.play.random_seeded = the_engine.play.set_aside_seeded;
}

uint8_t sound_switch() {
    if (the_engine.book.tables == nullptr) return 0;
    return the_engine.story.state_record[STATE_SOUND_SWITCH];
}

void set_sound_switch(uint8_t on) {
    if (the_engine.book.tables == nullptr) return;
    the_engine.story.state_record[STATE_SOUND_SWITCH] = on;
}

}  // namespace tomelet
