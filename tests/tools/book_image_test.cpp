// The book image: written from a book's tables, loaded back as the same
// book, and refused, with its reason, when damaged.
#include "tools/bookc/book_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "book/image.h"
#include "tests/support/memory_book.h"

namespace tomelet {
namespace {

using bytes = std::vector<uint8_t>;

uint32_t get32(const bytes& b, size_t at) {
    return static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
           (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

void put32(bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

void put16(bytes& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v & 0xFFu);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

// After a change to the tables, the checksum made right again, so that the
// tables' own checks are what refuses.
void reseal(bytes& b) { put32(b, 12, image_checksum(b.data() + 16, b.size() - 16)); }

testing::memory_book_contents contents() {
    testing::memory_book_contents c;
    c.paragraph_count = 6;
    c.paragraphs = {{2, "<H>Start<J> Go <M \"on\" 2> <l %0> <G>"}, {3, "<H>Three<J> back <M \"back\" 1><G>"}, {5, ""}};
    c.pictures = {{1100, 10, 20, "a lighthouse"}, {1101, 5, 5, nullptr}};
    c.sounds = {"BELL", "WIND"};
    c.variables = {{"Day", {"Monday", "Tuesday"}, 2}, {"Mood", {}, -1}};
    c.restart_points = {{"Start", 1}};
    return c;
}

const uint8_t RESOURCE_BYTES[] = {'B', 'M', 1, 2, 3};

// The memory book with one resource.
struct sample_book {
    testing::memory_book book{contents()};
    book_resource resource{nullptr, 1107, RESOURCE_BYTES, sizeof RESOURCE_BYTES};
    book_tables tables = [this] {
        book_tables t = *book.tables();
        t.resource_count = 1;
        t.resources = &resource;
        return t;
    }();
};

bytes image_of(const book_tables& tables) {
    std::string problem;
    bytes image = bookc::write_book_image(tables, &problem);
    EXPECT_FALSE(image.empty()) << problem;
    return image;
}

TEST(BookImage, LoadsAsTheSameBook) {
    sample_book sample;
    const bytes image = image_of(sample.tables);
    auto loaded = std::make_unique<loaded_book>();
    char reason[IMAGE_REASON_SIZE];
    ASSERT_TRUE(load_book_image(image.data(), image.size(), loaded.get(), reason)) << reason;
    const book_tables& a = sample.tables;
    const book_tables& b = loaded->tables;
    ASSERT_EQ(b.paragraph_count, a.paragraph_count);
    for (int32_t n = 0; n <= a.paragraph_count; ++n) {
        EXPECT_EQ(b.paragraph_index[n].chunk, a.paragraph_index[n].chunk) << n;
        EXPECT_EQ(b.paragraph_index[n].first, a.paragraph_index[n].first) << n;
        EXPECT_EQ(b.paragraph_index[n].end, a.paragraph_index[n].end) << n;
    }
    ASSERT_EQ(b.chunk_count, a.chunk_count);
    const paragraph_row& two = a.paragraph_index[2];
    for (int32_t i = two.first; i < two.end; ++i) {
        EXPECT_STREQ(b.chunk_table[two.chunk].pool + b.chunk_table[two.chunk].sequence[i],
                     a.chunk_table[two.chunk].pool + a.chunk_table[two.chunk].sequence[i]);
    }
    ASSERT_EQ(b.picture_count, 2);
    EXPECT_EQ(b.picture_catalogue[0].resource, 1100);
    EXPECT_EQ(b.picture_catalogue[0].height, 20);
    EXPECT_STREQ(b.picture_catalogue[0].alt, "a lighthouse");
    EXPECT_EQ(b.picture_catalogue[1].alt, nullptr);
    ASSERT_EQ(b.sound_count, 2);
    EXPECT_STREQ(b.sound_catalogue[1], "WIND");
    ASSERT_EQ(b.variable_count, 2);
    EXPECT_STREQ(b.variable_catalogue[0].name, "Day");
    EXPECT_EQ(b.variable_catalogue[0].value_count, 2);
    EXPECT_STREQ(b.variable_catalogue[0].value_names[1], "Tuesday");
    EXPECT_EQ(b.variable_catalogue[0].detail_target, 2);
    EXPECT_EQ(b.variable_catalogue[1].value_count, 0);
    EXPECT_EQ(b.variable_catalogue[1].detail_target, -1);
    ASSERT_EQ(b.restart_point_count, 1);
    EXPECT_STREQ(b.restart_points[0].name, "Start");
    EXPECT_EQ(b.restart_points[0].initial_paragraph, 1);
    EXPECT_STREQ(b.book_info->title, "Test Book");
    EXPECT_STREQ(b.book_info->support_address, "support@example.org");
    EXPECT_EQ(b.book_info->title_picture, 1);
    EXPECT_STREQ(b.book_info->id, "TestBook");
    ASSERT_EQ(b.resource_count, 1);
    EXPECT_EQ(b.resources[0].name, nullptr);
    EXPECT_EQ(b.resources[0].number, 1107);
    ASSERT_EQ(b.resources[0].size, sizeof RESOURCE_BYTES);
    EXPECT_EQ(std::memcmp(b.resources[0].bytes, RESOURCE_BYTES, sizeof RESOURCE_BYTES), 0);
}

struct damage {
    const char* name;
    std::function<void(bytes&)> change;
    const char* reason;  // a part of the reason given
};

TEST(BookImage, ADamagedImageIsRefusedWithItsReason) {
    sample_book sample;
    const bytes good = image_of(sample.tables);
    const auto table = [](const bytes& b, size_t field) { return static_cast<size_t>(get32(b, field)); };
    const std::vector<damage> cases = {
        {"cut short", [](bytes& b) { b.pop_back(); }, "truncated"},
        {"shorter than the header", [](bytes& b) { b.resize(50); }, "truncated"},
        {"a byte too many", [](bytes& b) { b.push_back(0); }, "longer than"},
        {"another magic", [](bytes& b) { b[0] = 'X'; }, "not a book image"},
        {"a later version", [](bytes& b) { put32(b, 8, 3); }, "version 3"},
        {"an earlier version", [](bytes& b) { put32(b, 8, 1); }, "version 1"},
        {"an id outside the image", [](bytes& b) { put32(b, 96, static_cast<uint32_t>(b.size())); reseal(b); },
         "the book's id lies outside"},
        {"a changed byte", [](bytes& b) { b[b.size() / 2] ^= 0x20; }, "checksum"},
        {"a changed header count", [](bytes& b) { b[28] ^= 1; }, "checksum"},
        {"too many variables", [](bytes& b) { put16(b, 28, 2000); reseal(b); }, "at most 1024"},
        {"too many restart points", [](bytes& b) { put16(b, 30, 33); reseal(b); }, "at most 32"},
        {"too many resources", [](bytes& b) { put32(b, 32, 100000); reseal(b); }, "at most 4096"},
        {"a negative count", [](bytes& b) { put16(b, 24, 0xFFFF); reseal(b); }, "negative"},
        {"more pictures than rows",
         [](bytes& b) { put16(b, 24, 4000); reseal(b); }, "outside the image"},
        {"the chunk table past the end",
         [](bytes& b) { put32(b, 40, static_cast<uint32_t>(b.size())); reseal(b); }, "outside the image"},
        {"the index inside the header", [](bytes& b) { put32(b, 36, 8); reseal(b); }, "outside the image"},
        {"a paragraph past its chunk's words",
         [&](bytes& b) { put32(b, table(b, 36) + 12 * 2 + 8, 9999); reseal(b); }, "outside chunk"},
        {"a paragraph in a chunk not there",
         [&](bytes& b) { put16(b, table(b, 36) + 12 * 2, 7); reseal(b); }, "does not have"},
        {"a word past its pool",
         [&](bytes& b) { put16(b, table(b, table(b, 40)), 0xFFFF); reseal(b); }, "outside the chunk's pool"},
        {"a word's length not its word's",
         [&](bytes& b) { b[get32(b, table(b, 40) + 16) + 1] += 1; reseal(b); }, "is not the word's"},
        {"a pool without its last NUL",
         [&](bytes& b) {
             const size_t chunk = table(b, 40);
             b[get32(b, chunk + 8) + get32(b, chunk + 12) - 1] = 'x';
             reseal(b);
         },
         "does not end with a NUL"},
        {"a title outside the image", [](bytes& b) { put32(b, 64, static_cast<uint32_t>(b.size())); reseal(b); },
         "outside the image"},
        {"a title without its end",
         [](bytes& b) { b.back() = 'x'; put32(b, 64, static_cast<uint32_t>(b.size() - 1)); reseal(b); },
         "does not end"},
        {"a variable's value names past the end",
         [&](bytes& b) { put32(b, table(b, 52) + 8, static_cast<uint32_t>(b.size() - 4)); reseal(b); },
         "outside the image"},
        {"a resource's bytes past the end",
         [&](bytes& b) { put32(b, table(b, 60) + 12, 0xFFFFFFF0u); reseal(b); }, "resource 0"},
    };
    auto loaded = std::make_unique<loaded_book>();
    for (const damage& d : cases) {
        bytes image = good;
        d.change(image);
        char reason[IMAGE_REASON_SIZE] = "";
        EXPECT_FALSE(load_book_image(image.data(), image.size(), loaded.get(), reason)) << d.name;
        EXPECT_NE(std::string(reason).find(d.reason), std::string::npos) << d.name << ": " << reason;
        EXPECT_EQ(loaded->tables.paragraph_count, 0) << d.name;  // nothing to use
    }

    // The image must lie at an aligned address: it is read in place.
    std::vector<uint32_t> storage(good.size() / 4 + 2);
    auto* shifted = reinterpret_cast<uint8_t*>(storage.data()) + 1;
    std::memcpy(shifted, good.data(), good.size());
    char reason[IMAGE_REASON_SIZE] = "";
    EXPECT_FALSE(load_book_image(shifted, good.size(), loaded.get(), reason));
    EXPECT_NE(std::string(reason).find("aligned"), std::string::npos) << reason;
    EXPECT_TRUE(load_book_image(good.data(), good.size(), loaded.get(), reason)) << reason;
}

TEST(BookImage, ABookTooLargeForAnImageIsNotWritten) {
    testing::memory_book_contents c = contents();
    c.variables = testing::numbered_variables(40, 255);
    c.variables.resize(80, c.variables[0]);  // 80 × 255 value names
    testing::memory_book book(c);
    std::string problem;
    EXPECT_TRUE(bookc::write_book_image(*book.tables(), &problem).empty());
    EXPECT_EQ(problem, "the book has 20400 value names; a book image holds at most 16384");
}

}  // namespace
}  // namespace tomelet
