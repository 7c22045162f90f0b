// The headless child controls and the reader's clicks and typing.
#include <gtest/gtest.h>

#include <cstring>

#include "app/entry.h"
#include "platform/headless/headless.h"
#include "tests/platform/fake_engine.h"

namespace tomelet {
namespace {

using testing::fake_engine;
using testing::joined;

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine = &testing::install_fake_engine();
        ASSERT_TRUE(plat_window_create("Book", 0, 0, 529, 706));
        engine->events.clear();
    }
    void TearDown() override { headless::reset(); }

    static plat_control make(plat_control_kind kind, int32_t id, const char* text, int32_t max_length = 0) {
        return plat_control_create({kind, id, text, 24, 40, 80, 24, max_length, false, nullptr});
    }

    fake_engine* engine = nullptr;
};

TEST_F(ControlsTest, ClicksReachOnlyShownEnabledLiveControls) {
    plat_control button = make(PLAT_PUSH_BUTTON, 513, "INSTRUCTIONS");
    plat_control_show(button, false);
    EXPECT_FALSE(headless::click(button));
    plat_control_show(button, true);
    plat_control_enable(button, false);
    EXPECT_FALSE(headless::click(button));
    EXPECT_FALSE(headless::control_of(button)->enabled);
    plat_control_enable(button, true);
    EXPECT_TRUE(headless::click(button));
    plat_control_destroy(button);
    EXPECT_FALSE(headless::click(button));
    EXPECT_FALSE(headless::click(nullptr));
    EXPECT_EQ(joined(engine->events), "command 513 0");
}

// A control asked for hidden starts hidden, takes no click until it is
// shown, and needed no show call to be hidden.
TEST_F(ControlsTest, AControlAskedForHiddenStartsHidden) {
    for (const bool hidden : {false, true}) {
        SCOPED_TRACE(hidden);
        const plat_control button =
            plat_control_create({PLAT_HOTWORD_BUTTON, 5000, "", 24, 40, 80, 24, 0, hidden, nullptr});
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(headless::control_of(button)->shown, !hidden);
        EXPECT_EQ(headless::control_of(button)->show_calls, 0);
        EXPECT_EQ(headless::click(button), !hidden);
        plat_control_show(button, true);
        EXPECT_TRUE(headless::click(button));
        plat_control_destroy(button);
    }
}

TEST_F(ControlsTest, ACheckBoxTogglesItselfBeforeItsCommand) {
    plat_control box = make(PLAT_CHECK_BOX, 518, "Sound on");
    plat_check_box_set(box, true);
    bool seen = true;
    engine->command = [&](int32_t, int32_t) { seen = plat_check_box_checked(box); };
    EXPECT_TRUE(headless::click(box));
    EXPECT_FALSE(seen);
    EXPECT_TRUE(headless::click_label("Sound on"));
    EXPECT_TRUE(seen);
    EXPECT_EQ(joined(engine->events), "command 518 0 | command 518 0");
    // Other controls have no check state.
    plat_control button = make(PLAT_PUSH_BUTTON, 519, "Ok");
    plat_check_box_set(button, true);
    EXPECT_FALSE(plat_check_box_checked(button));
}

TEST_F(ControlsTest, ClickByIdAndByTheLabelAnOwnerDrawnButtonDrew) {
    plat_control first = make(PLAT_HOTWORD_BUTTON, 5000, "");
    make(PLAT_HOTWORD_BUTTON, 5001, "");
    plat_control hidden = make(PLAT_HOTWORD_BUTTON, 5002, "");
    plat_control_show(hidden, false);
    engine->draw_item = [](int32_t id, plat_canvas canvas, const plat_rect& rect) {
        const char* label = id == 5000 ? "the door" : "the stair";
        plat_draw_text(canvas, nullptr, label, static_cast<int32_t>(std::strlen(label)), rect, PLAT_TEXT_NO_PREFIX | PLAT_TEXT_CENTER);
    };
    EXPECT_FALSE(headless::click_label("the stair"));  // nothing drawn yet
    headless::draw_items();
    EXPECT_EQ(joined(engine->events), "draw 5000 | draw 5001");
    EXPECT_STREQ(headless::control_of(first)->drawn_label, "the door");
    engine->events.clear();
    EXPECT_TRUE(headless::click_label("the stair"));
    EXPECT_TRUE(headless::click_id(5000));
    EXPECT_FALSE(headless::click_id(5002));  // hidden
    EXPECT_FALSE(headless::click_id(4999));
    EXPECT_EQ(joined(engine->events), "command 5001 0 | command 5000 0");
}

TEST_F(ControlsTest, OneFocusAtATime) {
    plat_control a = make(PLAT_EDIT_BOX, 4000, "", 5);
    plat_control b = make(PLAT_EDIT_BOX, 4001, "", 5);
    plat_control_focus(a);
    plat_control_focus(b);
    EXPECT_FALSE(headless::control_of(a)->focused);
    EXPECT_TRUE(headless::control_of(b)->focused);
    EXPECT_EQ(headless::focused_control(), b);
    EXPECT_TRUE(headless::click(a));  // a click in a box focuses it, no command
    EXPECT_EQ(headless::focused_control(), a);
    EXPECT_TRUE(engine->events.empty());
    plat_control_destroy(a);
    EXPECT_EQ(headless::focused_control(), nullptr);
}

TEST_F(ControlsTest, TypingStopsAtTheBoxLimitAndKeysCommitOrScroll) {
    plat_control box = make(PLAT_EDIT_BOX, 4003, "ignored", 5);
    EXPECT_STREQ(headless::control_of(box)->text, "");
    EXPECT_EQ(headless::type_text(box, "ab\ncdefg"), 5);  // control characters are not typed
    char text[16];
    EXPECT_EQ(plat_control_text(box, text, sizeof text), 5);
    EXPECT_STREQ(text, "abcde");
    EXPECT_EQ(headless::focused_control(), box);
    EXPECT_TRUE(headless::edit_key(box, headless::KEY_BACKSPACE));
    EXPECT_EQ(headless::type_text(box, "xyz"), 1);
    EXPECT_EQ(plat_control_text(box, text, 3), 2);  // size - 1 characters
    EXPECT_STREQ(text, "ab");
    EXPECT_TRUE(headless::edit_key(box, headless::KEY_RETURN));
    EXPECT_TRUE(headless::edit_key(box, headless::KEY_TAB));
    EXPECT_TRUE(headless::edit_key(box, KEY_UP));
    EXPECT_TRUE(headless::edit_key(box, KEY_DOWN));
    EXPECT_FALSE(headless::edit_key(box, 'A'));
    EXPECT_EQ(joined(engine->events), "command 4003 1 | command 4003 1 | vscroll 1 0 | vscroll 2 0");
    // With the focus in the box, keys go to it, not to the window.
    engine->events.clear();
    EXPECT_TRUE(headless::press_key(headless::KEY_RETURN));
    EXPECT_FALSE(headless::press_key(KEY_NEXT));
    EXPECT_EQ(joined(engine->events), "command 4003 1");
    plat_control_show(box, false);
    EXPECT_TRUE(headless::press_key(KEY_NEXT));
    EXPECT_EQ(engine->events.back(), "key 2");
}

TEST_F(ControlsTest, TypingNeedsAnEnabledShownBoxAndALimitOfZeroIsNoLimit) {
    plat_control button = make(PLAT_PUSH_BUTTON, 513, "Go");
    EXPECT_EQ(headless::type_text(button, "abc"), 0);
    plat_control box = make(PLAT_EDIT_BOX, 4000, "", 0);
    plat_control_enable(box, false);
    EXPECT_EQ(headless::type_text(box, "abc"), 0);
    plat_control_enable(box, true);
    const std::string long_text(300, 'w');
    EXPECT_EQ(headless::type_text(box, long_text.c_str()), headless::LOG_TEXT_SIZE - 1);
}

TEST_F(ControlsTest, MovesImagesAndTheControlText) {
    plat_control bar = plat_control_create({PLAT_BAR_BUTTON, 511, "Next", 0, 0, 84, 25, 0, false, nullptr});
    plat_control_move(bar, 440, 637, 89, 25, true);
    headless::set_bitmap_size(1112, 40, 22);
    plat_control_set_image(bar, plat_bitmap_load(1112));
    const headless::control_record* r = headless::control_of(bar);
    EXPECT_EQ(r->x, 440);
    EXPECT_EQ(r->y, 637);
    EXPECT_EQ(r->width, 89);
    EXPECT_EQ(r->height, 25);
    EXPECT_EQ(r->params.x, 0);  // as created
    EXPECT_EQ(r->move_calls, 1);
    EXPECT_EQ(headless::resource_of(r->image), 1112);
    EXPECT_EQ(headless::resource_of(nullptr), -1);
    char text[8] = "x";
    EXPECT_EQ(plat_control_text(bar, text, sizeof text), 4);
    EXPECT_STREQ(text, "Next");
    EXPECT_EQ(plat_control_text(nullptr, text, sizeof text), 0);
    EXPECT_STREQ(text, "");
}

TEST_F(ControlsTest, ADestroyedControlsHandleStaysDeadWhenItsSlotIsReused) {
    plat_control old = make(PLAT_HOTWORD_BUTTON, 5000, "");
    plat_control_destroy(old);
    plat_control reused = make(PLAT_PUSH_BUTTON, 513, "Ok");
    EXPECT_NE(reused, old);
    EXPECT_EQ(headless::control_count(), 1);
    EXPECT_EQ(headless::control_of(old), nullptr);
    plat_control_show(old, false);  // must not reach the new control
    plat_control_destroy(old);
    EXPECT_TRUE(headless::control_of(reused)->shown);
    EXPECT_EQ(headless::control_by_id(513), reused);
}

// A list is made as one creation after another would be: the first free
// slots, in order, each control as asked; it ends at the first creation
// that fails.  Its destruction frees them and clears the handles.
TEST_F(ControlsTest, ListsOfControlsAreMadeAndDestroyedAsSingleCallsWould) {
    const plat_control_params list[] = {
        {PLAT_HOTWORD_BUTTON, 5000, "", 1, 2, 3, 4, 0, true, nullptr},
        {PLAT_PUSH_BUTTON, 513, "Go on", 5, 6, 7, 8, 0, true, nullptr},
        {PLAT_EDIT_BOX, 4000, "ignored", 9, 10, 11, 12, 7, false, nullptr},
    };
    make(PLAT_PUSH_BUTTON, 1, "a");
    const plat_control freed = make(PLAT_PUSH_BUTTON, 2, "b");
    make(PLAT_PUSH_BUTTON, 3, "c");
    plat_control_destroy(freed);
    plat_control made[4] = {nullptr, nullptr, nullptr, freed};
    ASSERT_EQ(plat_controls_create(list, 3, made), 3);
    const int32_t slots[] = {1, 3, 4};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const headless::control_record* r = headless::control_of(made[i]);
        ASSERT_EQ(r, &headless::control(slots[i]));
        EXPECT_EQ(r->params.kind, list[i].kind);
        EXPECT_EQ(r->params.id, list[i].id);
        EXPECT_STREQ(r->text, i == 1 ? "Go on" : "");
        EXPECT_EQ(r->params.max_length, list[i].max_length);
        EXPECT_EQ(r->x + r->y + r->width + r->height, 10 + 16 * i);
        EXPECT_EQ(r->shown, !list[i].hidden);
    }
    EXPECT_NE(made[0], freed);
    EXPECT_EQ(made[3], freed);  // past the list: untouched
    made[3] = nullptr;
    plat_controls_destroy(made, 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(made[i], nullptr) << i;
    EXPECT_EQ(headless::control_of(headless::control_by_id(513)), nullptr);
    EXPECT_TRUE(headless::control(2).alive);
    EXPECT_EQ(plat_controls_create(list, 3, made), 3);  // the freed slots again
    EXPECT_EQ(headless::control_of(made[2]), &headless::control(4));

    // Failures: a creation set to fail, and the last slots taken.
    const struct {
        int32_t taken;  // slots made live beforehand
        int32_t fail;   // creations set to fail
        int32_t made;
    } rows[] = {{0, 1, 0}, {0, 0, 3}, {headless::CONTROL_LOG_SIZE - 2, 0, 2}, {headless::CONTROL_LOG_SIZE, 0, 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.taken);
        headless::reset();
        ASSERT_TRUE(plat_window_create("Book", 0, 0, 529, 706));
        for (int32_t i = 0; i < row.taken; ++i) ASSERT_NE(make(PLAT_HOTWORD_BUTTON, 5000, ""), nullptr);
        headless::fail_next_controls(row.fail);
        const auto unset = reinterpret_cast<plat_control>(static_cast<intptr_t>(-1));  // no handle of ours
        plat_control handles[3] = {unset, unset, unset};
        EXPECT_EQ(plat_controls_create(list, 3, handles), row.made);
        for (int32_t i = 0; i < 3; ++i) {
            EXPECT_EQ(handles[i] == nullptr, i == row.made) << i;
            EXPECT_EQ(handles[i] == unset, i > row.made) << i;
        }
        if (row.made < 3) {
            EXPECT_EQ(plat_last_error(), 8u);
        }
        EXPECT_EQ(headless::control_count(), row.taken + row.made);
    }
}

TEST_F(ControlsTest, ClosingTheWindowDestroysItsControls) {
    plat_control box = make(PLAT_EDIT_BOX, 4000, "", 5);
    plat_control_focus(box);
    plat_window_post_close();
    headless::pump();
    EXPECT_EQ(headless::control_of(box), nullptr);
    EXPECT_EQ(headless::focused_control(), nullptr);
    EXPECT_FALSE(headless::control(0).alive);
}

}  // namespace
}  // namespace tomelet
