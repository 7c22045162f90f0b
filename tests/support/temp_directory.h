// A test that runs in a directory of its own, made empty for it and removed
// after it: the reader keeps its state file in the current directory.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace tomelet::testing {

class TempDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tomelet-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        old_dir_ = std::filesystem::current_path();
        ASSERT_EQ(chdir(dir_.c_str()), 0);
    }

    void TearDown() override {
        if (dir_.empty()) return;
        EXPECT_EQ(chdir(old_dir_.c_str()), 0);
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    std::string dir_;
    std::filesystem::path old_dir_;
};

}  // namespace tomelet::testing
