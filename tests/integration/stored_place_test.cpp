// A state file whose place has no text (a state file may hold any place of
// the book; in the demo book 1, 8, 9 and 10 have none): the reader starts
// there without a message, shows an empty page with the bar, and moves on
// from it.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "book/book.h"
#include "book/compiled_book.h"
#include "platform/headless/driver/driver.h"
#include "story/state_file.h"
#include "story/story_state.h"
#include "tests/support/temp_directory.h"

namespace tomelet {
namespace {

class StoredPlaceTest : public testing::TempDirectoryTest {
protected:
    // A record with the magic, sound on and `place`.
    static void write_state(int16_t place) {
        std::vector<char> record(static_cast<size_t>(
            state_record_size(compiled_book.variable_count, compiled_book.restart_point_count)));
        record[STATE_PLACE] = static_cast<char>(place & 0xFF);
        record[STATE_PLACE + 1] = static_cast<char>(place >> 8);
        record[STATE_SOUND_SWITCH] = 1;
        for (int i = 0; i < 4; ++i) record[STATE_MAGIC_OFFSET + i] = static_cast<char>(STATE_MAGIC >> (8 * i));
        std::ofstream("VBQ2CorvinAshby.dat", std::ios::binary).write(record.data(), std::streamsize(record.size()));
    }

    static int16_t stored_place() {
        char bytes[2] = {};
        std::ifstream("VBQ2CorvinAshby.dat", std::ios::binary).read(bytes, 2);
        return static_cast<int16_t>(static_cast<uint8_t>(bytes[0]) | static_cast<uint8_t>(bytes[1]) << 8);
    }

    static bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
};

TEST_F(StoredPlaceTest, APlaceWithoutTextStartsSilentlyOnAnEmptyPageThatLeadsOn) {
    int checked = 0;
    for (const int16_t place : {int16_t{1}, int16_t{8}, int16_t{9}, int16_t{10}}) {
        book_use(&compiled_book);
        const paragraph_row* row = paragraph_at(place);
        if (row == nullptr || row->chunk != -1) continue;  // this book has text there
        SCOPED_TRACE(place);
        ++checked;
        write_state(place);
        // Rstrt shows the Restart page, Rtrn comes back, and "Start at the
        // Beginning" (answered Yes) starts the story.
        std::istringstream script(
            "dump\ncommand restart\ndump\ncommand return\ndump\nanswer yes\ncommand beginning\ndump\n");
        std::ostringstream out;
        std::ostringstream err;
        ASSERT_EQ(driver::run_script(&compiled_book, script, out, err), 0) << err.str();
        std::vector<std::string> dumps;
        std::istringstream lines(out.str());
        std::string line;
        while (std::getline(lines, line)) {
            if (line.rfind("dump ", 0) == 0) dumps.emplace_back();
            if (!dumps.empty()) dumps.back() += line + "\n";
        }
        ASSERT_EQ(dumps.size(), 4u);
        const std::string at = "navigation shown " + std::to_string(place) + " current " + std::to_string(place);
        EXPECT_TRUE(has(dumps[0], at + " on_current_page 1 pending_screen 0")) << dumps[0];
        EXPECT_TRUE(has(dumps[0], "\nitems 0\n")) << dumps[0];
        EXPECT_TRUE(has(dumps[0], "bar 502 \"Rstrt\"")) << dumps[0];
        EXPECT_TRUE(has(dumps[0], "\nmessages 0\n")) << dumps[0];
        EXPECT_TRUE(has(dumps[1], "navigation shown 3 ")) << dumps[1];
        EXPECT_FALSE(has(dumps[1], "\nitems 0\n")) << dumps[1];
        EXPECT_TRUE(has(dumps[1], "navbar return on")) << dumps[1];
        EXPECT_TRUE(has(dumps[2], at)) << dumps[2];
        EXPECT_TRUE(has(dumps[2], "\nmessages 0\n")) << dumps[2];
        EXPECT_TRUE(has(dumps[3], "navigation shown 2 current 2")) << dumps[3];
        EXPECT_TRUE(has(dumps[3], "\nmessages 1\n")) << dumps[3];  // the question alone
        EXPECT_EQ(stored_place(), 2);
    }
    if (checked == 0) GTEST_SKIP() << "the compiled book has text at 1, 8, 9 and 10";
}

}  // namespace
}  // namespace tomelet
