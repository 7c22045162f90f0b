// Every book's image, loaded, builds every page as the book compiled in
// does: the same display list, records, controls, links, sounds, messages
// and variables, page after page over two passes; and carries the same
// resources.
#include <gtest/gtest.h>

#include <filesystem>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/entry.h"
#include "app/navigation.h"
#include "book/compiled_book.h"
#include "book/image.h"
#include "engine/engine.h"
#include "layout/realise.h"
#include "page/controls.h"
#include "page/display_list.h"
#include "platform/common/model_dump.h"
#include "platform/headless/headless.h"
#include "story/evaluator.h"
#include "story/game_state.h"
#include "story/hotwords.h"
#include "story/markup.h"
#include "tests/support/temp_directory.h"
#include "tools/bookc/book_image.h"

namespace tomelet {

extern const book_tables book_features;
extern const book_tables book_lighthouse;

namespace {

// What building paragraph n left, as text.
std::string page_text(int32_t n) {
    const page_view view = app_page_view();
    std::string out = "paragraph " + std::to_string(n) + "\n" + model_dump::items(view) + model_dump::links(view) +
                      model_dump::variables(view);
    for (int32_t i = 0; i < the_engine.play.hotword_count && i < HOTWORDS_SIZE; ++i) {
        const hotword& h = the_engine.play.hotwords[i];
        out += "hotword " + std::string(1, h.kind) + " " + std::to_string(h.index) + " " + std::to_string(h.value) +
               " " + std::to_string(h.control_id) + " " + std::to_string(h.target1) + " " +
               std::to_string(h.default_target) + " " + model_dump::quote(h.answer1) + "\n";
    }
    for (int32_t i = 0; i < the_engine.page.button_count; ++i) out += "button " + model_dump::quote(the_engine.page.buttons[i].label) + "\n";
    for (int32_t i = 0; i < headless::sound_count(); ++i) out += "sound " + std::string(headless::sound(i)) + "\n";
    for (int32_t i = 0; i < held_message_count(); ++i) {
        out += "message " + model_dump::quote(held_message_text(i)) + "\n";
    }
    return out;
}

// Every paragraph with text, twice, from the book's initial state and one
// fixed sequence of random numbers.
std::vector<std::string> pages(const book_tables* book) {
    headless::reset();
    engine_reset();
    book_use(book);
    story_set_next_random(1);
    std::vector<std::string> out;
    for (int pass = 0; pass < 2; ++pass) {
        for (int32_t n = 1; n <= the_engine.book.tables->paragraph_count; ++n) {
            const paragraph_row* row = paragraph_at(n);
            if (row == nullptr || row->chunk < 0 || row->first >= row->end) continue;
            the_engine.play.shown_paragraph = static_cast<int16_t>(n);
            destroy_page_controls();
            install_page_measures();
            page_clear();
            the_engine.page.next_link = page_link{};
            the_engine.page.prev_link = page_link{};
            drop_held_messages();
            headless::clear_sounds();
            build_paragraph(n);
            realise_page_controls();
            out.push_back(page_text(n));
        }
    }
    return out;
}

struct named_book {
    const char* name;
    const book_tables* book;
};

void PrintTo(const named_book& b, std::ostream* out) { *out << b.name; }

class BookImageTest : public ::testing::TestWithParam<named_book> {};

TEST_P(BookImageTest, TheLoadedImageBuildsEveryPageAsTheBookCompiledIn) {
    const book_tables* compiled = GetParam().book;
    std::string problem;
    const std::vector<uint8_t> image = bookc::write_book_image(*compiled, &problem);
    ASSERT_FALSE(image.empty()) << problem;
    const auto loaded = std::make_unique<loaded_book>();
    char reason[IMAGE_REASON_SIZE];
    ASSERT_TRUE(load_book_image(image.data(), image.size(), loaded.get(), reason)) << reason;

    const std::vector<std::string> expected = pages(compiled);
    const std::vector<std::string> got = pages(&loaded->tables);
    ASSERT_GT(expected.size(), 4u);
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(got[i], expected[i]) << "page " << i;

    const book_tables& t = loaded->tables;
    ASSERT_EQ(t.resource_count, compiled->resource_count);
    for (int32_t i = 0; i < t.resource_count; ++i) {
        const book_resource& a = compiled->resources[i];
        const book_resource& b = t.resources[i];
        EXPECT_EQ(a.name == nullptr, b.name == nullptr) << i;
        if (a.name != nullptr && b.name != nullptr) {
            EXPECT_STREQ(a.name, b.name);
        }
        EXPECT_EQ(a.number, b.number) << i;
        ASSERT_EQ(a.size, b.size) << i;
        EXPECT_EQ(std::memcmp(a.bytes, b.bytes, a.size), 0) << i;
    }
    ASSERT_EQ(t.picture_count, compiled->picture_count);
    for (int32_t i = 0; i < t.picture_count; ++i) {
        const picture_row& a = compiled->picture_catalogue[i];
        const picture_row& b = t.picture_catalogue[i];
        EXPECT_EQ(a.resource, b.resource) << i;
        EXPECT_EQ(a.width, b.width) << i;
        EXPECT_EQ(a.height, b.height) << i;
        EXPECT_STREQ(a.alt != nullptr ? a.alt : "", b.alt != nullptr ? b.alt : "") << i;
    }
    for (const auto field : {&book_info_record::title, &book_info_record::copyright, &book_info_record::authors,
                             &book_info_record::description, &book_info_record::web_site,
                             &book_info_record::contact_address, &book_info_record::support_address}) {
        EXPECT_STREQ(t.book_info->*field, compiled->book_info->*field);
    }
    EXPECT_EQ(t.book_info->opening_picture, compiled->book_info->opening_picture);
    EXPECT_EQ(t.book_info->title_picture, compiled->book_info->title_picture);
}

INSTANTIATE_TEST_SUITE_P(Books, BookImageTest,
                         ::testing::Values(named_book{"compiled_in", &compiled_book},
                                           named_book{"features", &book_features},
                                           named_book{"lighthouse", &book_lighthouse}),
                         [](const ::testing::TestParamInfo<named_book>& info) { return info.param.name; });

// A reader started from an image reads that image's book; a damaged image
// starts nothing and says why.
class AppStartWithImage : public testing::TempDirectoryTest {};

TEST_F(AppStartWithImage, StartsWithTheImagesBookOrRefusesIt) {
    std::string problem;
    const std::vector<uint8_t> image = bookc::write_book_image(book_lighthouse, &problem);
    ASSERT_FALSE(image.empty()) << problem;
    headless::reset();
    std::vector<uint8_t> damaged = image;
    damaged[damaged.size() / 2] ^= 1;
    const char* refusal = nullptr;
    EXPECT_FALSE(app_start_with_image(damaged.data(), damaged.size(), &refusal));
    ASSERT_NE(refusal, nullptr);
    EXPECT_STREQ(refusal, "the checksum does not match: the image is damaged");
    EXPECT_EQ(headless::window().created, 0);

    ASSERT_TRUE(app_start_with_image(image.data(), image.size(), &refusal));
    EXPECT_EQ(refusal, nullptr);
    EXPECT_STREQ(headless::window().title, book_lighthouse.book_info->title);
    EXPECT_EQ(the_engine.book.tables->paragraph_count, book_lighthouse.paragraph_count);
    EXPECT_NE(the_engine.book.tables, &book_lighthouse);
    plat_window_post_close();
    headless::pump();
    EXPECT_TRUE(app_finish());
    // Its place is the image's book's own.
    EXPECT_TRUE(std::filesystem::exists("DarkLighthouse.dat"));
}

}  // namespace
}  // namespace tomelet
