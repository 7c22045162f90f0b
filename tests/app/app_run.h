// A whole run of the reader on the headless back end, in a directory of its
// own (the state file is made in the current directory).
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "app/entry.h"
#include "book/book.h"
#include "platform/headless/headless.h"
#include "story/state_file.h"
#include "tests/support/memory_book.h"
#include "tests/support/temp_directory.h"

namespace tomelet::testing {

class AppRun : public TempDirectoryTest {
protected:
    void SetUp() override {
        enter_temp_directory("tomelet-app");
        fresh_backend();
    }

    void TearDown() override {
        finish();
        leave_temp_directory();
    }

    // The back end as a new process finds it; the bar's nine images and
    // the book's pictures exist.
    static void fresh_backend() {
        headless::reset();
        for (uint16_t resource = 1107; resource <= 1115; ++resource) headless::set_bitmap_size(resource, 40, 22);
        headless::set_bitmap_size(1100, 120, 60);
        headless::set_bitmap_size(1703, 200, 80);
    }

    // Starts the reader with `book`; false as app_start.
    bool start(const memory_book& book) {
        started_ = app_start(book.tables());
        return started_;
    }

    // Closes the window as "&Exit" would, runs the loop dry and writes the
    // state file back.
    void finish() {
        if (!started_) return;
        if (headless::window().exists) {
            plat_window_post_close();
            headless::pump();
        }
        app_finish();
        started_ = false;
    }

    // A new run of the program in the same directory.
    bool restart_program(const memory_book& book) {
        finish();
        fresh_backend();
        return start(book);
    }

    bool started_ = false;
};

}  // namespace tomelet::testing
