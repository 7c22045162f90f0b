// The headless main window: creation, painting, the message queue, the
// timer and the scroll bar.
#include <gtest/gtest.h>

#include <cstdint>

#include "app/entry.h"
#include "platform/headless/headless.h"
#include "tests/platform/fake_engine.h"

namespace tomelet {
namespace {

using testing::fake_engine;
using testing::joined;

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { engine = &testing::install_fake_engine(); }
    void TearDown() override { headless::reset(); }

    bool create() { return plat_window_create("The Book", 20, 0, 529, 706); }

    fake_engine* engine = nullptr;
};

TEST_F(WindowTest, CreationRunsOnCreateThenOnSizeWithTheClientOfTheFrameModel) {
    plat_rect during_create{-1, -1, -1, -1};
    engine->create = [&] { during_create = plat_window_client_rect(); };
    ASSERT_TRUE(create());
    EXPECT_EQ(joined(engine->events), "create | size 506 662");
    EXPECT_EQ(during_create.right, 506);
    EXPECT_EQ(during_create.bottom, 662);
    const plat_rect client = plat_window_client_rect();
    EXPECT_EQ(client.left, 0);
    EXPECT_EQ(client.top, 0);
    EXPECT_EQ(client.right, 529 - headless::NON_CLIENT_WIDTH);
    EXPECT_EQ(client.bottom, 706 - headless::NON_CLIENT_HEIGHT);
    const headless::window_record& w = headless::window();
    EXPECT_STREQ(w.title, "The Book");
    EXPECT_EQ(w.x, 20);
    EXPECT_EQ(w.y, 0);
    EXPECT_EQ(w.width, 529);
    EXPECT_EQ(w.height, 706);
    EXPECT_FALSE(w.shown);
    EXPECT_TRUE(w.invalid);
}

TEST_F(WindowTest, OnlyOneWindowAndAFailureOnRequest) {
    headless::fail_next_window();
    EXPECT_FALSE(create());
    EXPECT_TRUE(engine->events.empty());
    EXPECT_TRUE(create());
    EXPECT_FALSE(create());
    EXPECT_EQ(headless::window().created, 1);
    // A window smaller than its frame has an empty client area.
    headless::reset();
    EXPECT_TRUE(plat_window_create("", 0, 0, 10, 10));
    EXPECT_EQ(plat_window_client_rect().right, 0);
    EXPECT_EQ(plat_window_client_rect().bottom, 0);
}

TEST_F(WindowTest, ShowPaintsAndUpdatePaintsOnlyAnInvalidWindow) {
    plat_window_update();  // no window: counted, nothing painted
    EXPECT_EQ(headless::update_count(), 1);
    ASSERT_TRUE(create());
    engine->events.clear();
    plat_window_show();
    EXPECT_TRUE(headless::window().shown);
    EXPECT_EQ(joined(engine->events), "paint");
    plat_window_update();
    EXPECT_EQ(headless::paint_count(), 1);
    plat_window_invalidate();
    EXPECT_TRUE(headless::window().invalid);
    plat_window_update();
    EXPECT_EQ(headless::paint_count(), 2);
    EXPECT_FALSE(headless::window().invalid);
    EXPECT_EQ(headless::invalidate_count(), 1);
}

TEST_F(WindowTest, APaintThatRepaintsAtItsEndPaintsOnceMoreInsideIt) {
    ASSERT_TRUE(create());
    int depth = 0;
    int deepest = 0;
    engine->paint = [&] {
        ++depth;
        deepest = std::max(deepest, depth);
        // The window is valid while it is painted.
        EXPECT_FALSE(headless::window().invalid);
        if (headless::paint_count() == 1) {
            plat_canvas canvas = plat_paint_begin();
            plat_paint_end(canvas);
            plat_window_invalidate();
            plat_window_update();
        }
        --depth;
    };
    plat_window_show();
    EXPECT_EQ(headless::paint_count(), 2);
    EXPECT_EQ(deepest, 2);
    EXPECT_FALSE(headless::window().invalid);
}

TEST_F(WindowTest, ARunawayRepaintIsCutOff) {
    ASSERT_TRUE(create());
    engine->paint = [] {
        plat_window_invalidate();
        plat_window_update();
    };
    plat_window_show();
    EXPECT_EQ(headless::paint_count(), headless::MAX_PAINT_DEPTH);
    EXPECT_EQ(headless::paint_refusals(), 1);
}

TEST_F(WindowTest, PumpDeliversPostsInOrderThenPaints) {
    ASSERT_TRUE(create());
    plat_window_show();
    engine->events.clear();
    plat_post_vscroll(SCROLL_LINE_DOWN);
    plat_post_vscroll(SCROLL_PAGE_DOWN);
    plat_window_invalidate();
    EXPECT_TRUE(engine->events.empty());
    EXPECT_EQ(headless::queued_messages(), 2);
    EXPECT_EQ(headless::pump(), 2);
    EXPECT_EQ(joined(engine->events), "vscroll 2 0 | vscroll 4 0 | paint");
    EXPECT_EQ(headless::pump(), 0);
}

TEST_F(WindowTest, CloseDestroysTheWindowAndQuitEndsTheRunWithItsCode) {
    ASSERT_TRUE(create());
    plat_control button = plat_control_create({PLAT_PUSH_BUTTON, 513, "Ok", 0, 0, 40, 20, 0, false, nullptr});
    plat_timer_start(2000);
    engine->destroy = [&] {
        // The children still exist while the window hears of its end.
        EXPECT_NE(headless::control_of(button), nullptr);
        plat_quit(0);
    };
    engine->events.clear();
    plat_window_post_close();
    plat_post_vscroll(SCROLL_LINE_DOWN);  // for a window that will be gone
    EXPECT_TRUE(headless::running());
    headless::pump();
    EXPECT_EQ(joined(engine->events), "destroy");
    EXPECT_FALSE(headless::window().exists);
    EXPECT_EQ(headless::window().destroyed, 1);
    EXPECT_EQ(headless::control_of(button), nullptr);
    EXPECT_FALSE(headless::timer_running());
    EXPECT_FALSE(headless::running());
    EXPECT_EQ(headless::exit_code(), 0);
    EXPECT_EQ(headless::close_posted(), 1);
}

TEST_F(WindowTest, NothingIsDeliveredAfterTheQuit) {
    ASSERT_TRUE(create());
    plat_quit(3);
    plat_post_vscroll(SCROLL_LINE_UP);
    plat_window_invalidate();
    engine->events.clear();
    EXPECT_EQ(headless::pump(), 1);
    EXPECT_TRUE(engine->events.empty());
    EXPECT_FALSE(headless::running());
    EXPECT_EQ(headless::exit_code(), 3);
    plat_post_vscroll(SCROLL_LINE_UP);
    EXPECT_EQ(headless::pump(), 0);
    EXPECT_TRUE(engine->events.empty());
}

TEST_F(WindowTest, AFullQueueDropsAndCounts) {
    for (int i = 0; i < headless::MESSAGE_QUEUE_SIZE + 6; ++i) plat_post_vscroll(i);
    EXPECT_EQ(headless::queued_messages(), headless::MESSAGE_QUEUE_SIZE);
    EXPECT_EQ(headless::dropped_messages(), 6);
}

TEST_F(WindowTest, ActionsDeliverTheirMessageThenPump) {
    EXPECT_FALSE(headless::send_command(501, 0));  // no window yet
    ASSERT_TRUE(create());
    plat_window_show();
    engine->events.clear();
    engine->command = [](int32_t, int32_t) { plat_post_vscroll(SCROLL_TOP); };
    engine->command_result = false;
    EXPECT_FALSE(headless::send_command(501, 7));
    engine->key_result = true;
    EXPECT_TRUE(headless::press_key(KEY_NEXT));
    headless::scroll(SCROLL_THUMB_TRACK, 120);
    EXPECT_EQ(joined(engine->events), "command 501 7 | vscroll 7 0 | key 2 | vscroll 6 120");
    engine->events.clear();
    headless::set_client_size(400, 300);
    EXPECT_EQ(joined(engine->events), "size 400 300 | paint");
    EXPECT_EQ(headless::window().width, 400 + headless::NON_CLIENT_WIDTH);
    EXPECT_EQ(headless::window().height, 300 + headless::NON_CLIENT_HEIGHT);
}

// Any client size asked for gives an outer size within 32 bits.
TEST_F(WindowTest, ClientSizesAreKeptWithinWhatTheFrameLeaves) {
    ASSERT_TRUE(create());
    const int32_t wide = INT32_MAX - headless::NON_CLIENT_WIDTH;
    const int32_t high = INT32_MAX - headless::NON_CLIENT_HEIGHT;
    const struct {
        int32_t width, height, client_width, client_height;
    } rows[] = {{INT32_MAX, INT32_MAX, wide, high}, {wide, high, wide, high}, {-1, INT32_MIN, 0, 0}, {7, 9, 7, 9}};
    for (const auto& row : rows) {
        headless::set_client_size(row.width, row.height);
        EXPECT_EQ(headless::window().client_width, row.client_width);
        EXPECT_EQ(headless::window().client_height, row.client_height);
        EXPECT_EQ(headless::window().width, row.client_width + headless::NON_CLIENT_WIDTH);
    }
}

TEST_F(WindowTest, TheScreenModel) {
    EXPECT_EQ(plat_screen_height(), 768);
    EXPECT_EQ(plat_pixels_per_inch(), 96);
    int32_t major = 0;
    int32_t minor = 0;
    plat_os_version(&major, &minor);
    EXPECT_EQ(major, 5);
    EXPECT_EQ(minor, 1);
    headless::set_screen_height(599);
    headless::set_pixels_per_inch(120);
    headless::set_os_version(6, 2);
    plat_os_version(&major, &minor);
    EXPECT_EQ(plat_screen_height(), 599);
    EXPECT_EQ(plat_pixels_per_inch(), 120);
    EXPECT_EQ(major * 10 + minor, 62);
    EXPECT_FALSE(plat_bring_running_copy_to_front());
    headless::set_running_copy(true);
    EXPECT_TRUE(plat_bring_running_copy_to_front());
    EXPECT_EQ(headless::running_copy_raised(), 1);
}

// ---- the timer -------------------------------------------------------------

TEST_F(WindowTest, TheTimerFiresAtEachBoundaryOfItsPeriod) {
    headless::set_tick_count(100);
    plat_timer_start(2000);
    EXPECT_TRUE(headless::timer_running());
    EXPECT_EQ(headless::timer_period(), 2000);
    headless::advance_clock(1999);
    EXPECT_TRUE(engine->events.empty());
    headless::advance_clock(1);
    EXPECT_EQ(joined(engine->events), "timer 2100");
    headless::advance_clock(4500);
    EXPECT_EQ(joined(engine->events), "timer 2100 | timer 4100 | timer 6100");
    EXPECT_EQ(plat_tick_count(), 6600u);
    plat_timer_stop();
    headless::advance_clock(10000);
    EXPECT_EQ(engine->events.size(), 3u);
    EXPECT_EQ(headless::timer_period(), 0);
}

TEST_F(WindowTest, RestartingTheTimerRestartsItsPeriod) {
    plat_timer_start(1000);
    headless::advance_clock(700);
    plat_timer_start(1000);
    headless::advance_clock(999);
    EXPECT_TRUE(engine->events.empty());
    headless::advance_clock(1);
    EXPECT_EQ(joined(engine->events), "timer 1700");
}

TEST_F(WindowTest, ATimerHandlerThatStopsItFiresOnceAndItsPostsArePumped) {
    ASSERT_TRUE(create());
    plat_window_show();
    engine->events.clear();
    engine->timer = [] {
        plat_timer_stop();
        plat_window_invalidate();
        plat_post_vscroll(SCROLL_TOP);
    };
    plat_timer_start(2000);
    headless::advance_clock(9000);
    EXPECT_EQ(joined(engine->events), "timer 2000 | vscroll 7 0 | paint");
    EXPECT_EQ(plat_tick_count(), 9000u);
}

// ---- the scroll bar ----------------------------------------------------------

plat_scroll_info info(int32_t minimum, int32_t maximum, int32_t page, int32_t position) {
    return plat_scroll_info{minimum, maximum, page, position, 0};
}

TEST_F(WindowTest, TheScrollPositionIsClampedToTheRangeLessThePage) {
    const uint32_t all = PLAT_SCROLL_RANGE | PLAT_SCROLL_PAGE | PLAT_SCROLL_POS;
    plat_scroll_set(all, info(0, 1199, 400, 1000));
    EXPECT_EQ(plat_scroll_get().position, 800);  // 1199 - (400 - 1)
    EXPECT_FALSE(headless::scroll_bar_greyed());
    plat_scroll_set(PLAT_SCROLL_POS, info(0, 0, 0, -5));
    EXPECT_EQ(plat_scroll_get().position, 0);
    EXPECT_EQ(plat_scroll_get().maximum, 1199);  // fields outside the mask stay
    plat_scroll_set(PLAT_SCROLL_POS, info(0, 0, 0, 500));
    // A new range clamps the position though the mask does not name it.
    plat_scroll_set(PLAT_SCROLL_RANGE, info(0, 599, 0, 0));
    EXPECT_EQ(plat_scroll_get().position, 200);
    // Page 0 lets the position reach the maximum.
    plat_scroll_set(PLAT_SCROLL_PAGE | PLAT_SCROLL_POS, info(0, 0, 0, 900));
    EXPECT_EQ(plat_scroll_get().position, 599);
    // A page that fits shows a bar without room to move.
    plat_scroll_set(all | PLAT_SCROLL_DISABLE_NO_SCROLL, info(0, 399, 400, 50));
    EXPECT_EQ(plat_scroll_get().position, 0);
    EXPECT_TRUE(headless::scroll_bar_greyed());
    plat_scroll_set(PLAT_SCROLL_TRACK, plat_scroll_info{0, 0, 0, 0, 77});
    EXPECT_EQ(plat_scroll_get().track, 77);
}

TEST_F(WindowTest, ScrollingTheWindowMovesTheControlsInTheAreaAndInvalidates) {
    ASSERT_TRUE(create());
    plat_window_show();
    plat_control inside = plat_control_create({PLAT_HOTWORD_BUTTON, 5000, "", 24, 100, 50, 20, 0, false, nullptr});
    plat_control hidden = plat_control_create({PLAT_HOTWORD_BUTTON, 5001, "", 24, 300, 50, 20, 0, false, nullptr});
    plat_control_show(hidden, false);
    plat_control edge = plat_control_create({PLAT_EDIT_BOX, 4000, "", 24, 630, 50, 20, 5, false, nullptr});
    plat_control bar = plat_control_create({PLAT_BAR_BUTTON, 511, "Next", 0, 637, 84, 25, 0, false, nullptr});
    plat_scroll_window(-16, plat_rect{0, 0, 506, 637});
    EXPECT_EQ(headless::control_of(inside)->y, 84);
    EXPECT_EQ(headless::control_of(hidden)->y, 284);
    EXPECT_EQ(headless::control_of(edge)->y, 614);  // reaches into the area
    EXPECT_EQ(headless::control_of(bar)->y, 637);   // below it
    EXPECT_EQ(headless::control_of(inside)->move_calls, 0);
    EXPECT_TRUE(headless::window().invalid);
}

}  // namespace
}  // namespace tomelet
