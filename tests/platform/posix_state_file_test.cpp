#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/platform.h"
#include "tests/support/temp_directory.h"

namespace tomelet {
namespace {

constexpr char NAME[] = "state.dat";

class PosixStateFile : public testing::TempDirectoryTest {
protected:
    void SetUp() override {
        enter_temp_directory("tomelet-posix");
        old_mask_ = umask(022);
    }

    void TearDown() override {
        plat_file_close(file_);
        umask(old_mask_);
        std::filesystem::permissions(dir_, std::filesystem::perms::owner_all);
        leave_temp_directory();
    }

    static void write(const char* name, const std::string& text) {
        std::ofstream out(name, std::ios::binary | std::ios::trunc);
        out << text;
    }

    static std::string read(const char* name) {
        std::ifstream in(name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // Tries the open in a child process: its exit code is 0 when the open
    // failed, 1 when it succeeded.
    static int open_in_child() {
        const pid_t pid = fork();
        if (pid == 0) {
            bool existed = false;
            const plat_file f = plat_file_open_exclusive(NAME, &existed);
            _exit(f == nullptr ? 0 : 1);
        }
        int status = 0;
        if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
        return WEXITSTATUS(status);
    }

    plat_file file_ = nullptr;
    mode_t old_mask_ = 0;
};

TEST_F(PosixStateFile, CreatesANewFileUnderItsName) {
    bool existed = true;
    file_ = plat_file_open_exclusive(NAME, &existed);
    ASSERT_NE(file_, nullptr);
    EXPECT_FALSE(existed);
    struct stat st {};
    ASSERT_EQ(lstat(NAME, &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    EXPECT_EQ(st.st_size, 0);
    char buffer[4];
    EXPECT_EQ(plat_file_read(file_, buffer, 4), 0);
    EXPECT_TRUE(plat_file_write_at_start(file_, "abc", 3));
    EXPECT_EQ(read(NAME), "abc");
}

TEST_F(PosixStateFile, ReadsFromTheStartAndWritesAtTheStartWithoutTruncating) {
    write(NAME, "0123456789");
    bool existed = false;
    file_ = plat_file_open_exclusive(NAME, &existed);
    ASSERT_NE(file_, nullptr);
    EXPECT_TRUE(existed);
    char buffer[32] = {};
    EXPECT_EQ(plat_file_read(file_, buffer, 4), 4);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    EXPECT_EQ(plat_file_read(file_, buffer, 32), 6);  // what is left
    EXPECT_EQ(std::string(buffer, 6), "456789");
    EXPECT_TRUE(plat_file_write_at_start(file_, "ab", 2));
    EXPECT_EQ(read(NAME), "ab23456789");
    plat_file_close(file_);
    file_ = nullptr;
}

TEST_F(PosixStateFile, HeldFileRefusesEveryOtherOpenUntilClosed) {
    file_ = plat_file_open_exclusive(NAME, nullptr);
    ASSERT_NE(file_, nullptr);
    bool existed = false;
    EXPECT_EQ(plat_file_open_exclusive(NAME, &existed), nullptr);
    EXPECT_EQ(open_in_child(), 0);

    plat_file_close(file_);
    file_ = nullptr;
    EXPECT_EQ(open_in_child(), 1);
    file_ = plat_file_open_exclusive(NAME, &existed);
    EXPECT_NE(file_, nullptr);
    EXPECT_TRUE(existed);
}

TEST_F(PosixStateFile, ReadOnlyFileIsRefused) {
    write(NAME, "keep");
    ASSERT_EQ(chmod(NAME, 0444), 0);
    bool existed = true;
    EXPECT_EQ(plat_file_open_exclusive(NAME, &existed), nullptr);
    EXPECT_FALSE(existed);
    EXPECT_EQ(read(NAME), "keep");
}

// Whatever the umask takes away from the group and the others, the owner
// can always open again a file the reader created.
TEST_F(PosixStateFile, ACreatedFileIsTheOwnersToReadAndWriteWhateverTheUmask) {
    const struct {
        mode_t mask;
        mode_t mode;
    } rows[] = {{022, 0644}, {0222, 0644}, {0277, 0600}, {0777, 0600}, {0, 0644}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.mask);
        umask(row.mask);
        file_ = plat_file_open_exclusive(NAME, nullptr);
        ASSERT_NE(file_, nullptr);
        EXPECT_TRUE(plat_file_write_at_start(file_, "abc", 3));
        plat_file_close(file_);
        file_ = nullptr;
        struct stat st {};
        ASSERT_EQ(lstat(NAME, &st), 0);
        EXPECT_EQ(st.st_mode & 0777, row.mode);
        bool existed = false;
        file_ = plat_file_open_exclusive(NAME, &existed);
        EXPECT_NE(file_, nullptr) << "the next start is refused";
        EXPECT_TRUE(existed);
        plat_file_close(file_);
        file_ = nullptr;
        ASSERT_EQ(unlink(NAME), 0);
    }
}

// A write that cannot be done whole (a file-size limit, as a full disk
// would refuse it) is a failure, in a child process that ignores the
// limit's signal: its exit code is 1 when the write reported success.
TEST_F(PosixStateFile, AWriteCutShortIsAFailure) {
    const std::string record(3056, 'r');
    const struct {
        rlim_t limit;
        bool written;
        long size_after;
    } rows[] = {{0, false, 0}, {100, false, 100}, {3055, false, 3055}, {3056, true, 3056}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.limit);
        const pid_t pid = fork();
        if (pid == 0) {
            signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{row.limit, row.limit};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(2);
            const plat_file f = plat_file_open_exclusive(NAME, nullptr);
            if (f == nullptr) _exit(3);
            const bool written = plat_file_write_at_start(f, record.data(), static_cast<int32_t>(record.size()));
            plat_file_close(f);
            _exit(written ? 1 : 0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), row.written ? 1 : 0);
        EXPECT_EQ(static_cast<long>(read(NAME).size()), row.size_after);
        ASSERT_EQ(unlink(NAME), 0);
    }
}

TEST_F(PosixStateFile, SymbolicLinksAreNeverFollowed) {
    write("target.dat", "keep");
    ASSERT_EQ(symlink("target.dat", NAME), 0);
    EXPECT_EQ(plat_file_open_exclusive(NAME, nullptr), nullptr);
    EXPECT_EQ(read("target.dat"), "keep");

    // A link to nowhere does not create its target either.
    ASSERT_EQ(unlink(NAME), 0);
    ASSERT_EQ(symlink("absent.dat", NAME), 0);
    EXPECT_EQ(plat_file_open_exclusive(NAME, nullptr), nullptr);
    EXPECT_FALSE(std::filesystem::exists("absent.dat"));
}

TEST_F(PosixStateFile, OnlyAPlainFileIsOpened) {
    ASSERT_EQ(mkdir(NAME, 0755), 0);
    EXPECT_EQ(plat_file_open_exclusive(NAME, nullptr), nullptr);
    ASSERT_EQ(rmdir(NAME), 0);
    ASSERT_EQ(mkfifo(NAME, 0644), 0);
    EXPECT_EQ(plat_file_open_exclusive(NAME, nullptr), nullptr);
}

TEST_F(PosixStateFile, ADirectoryThatRefusesTheNewFileFailsTheOpen) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into any directory";
    ASSERT_EQ(chmod(".", 0555), 0);
    EXPECT_EQ(plat_file_open_exclusive(NAME, nullptr), nullptr);
}

TEST_F(PosixStateFile, NullAndClosedHandlesAreIgnored) {
    char buffer[4];
    EXPECT_EQ(plat_file_read(nullptr, buffer, 4), 0);
    EXPECT_FALSE(plat_file_write_at_start(nullptr, "x", 1));
    plat_file_close(nullptr);

    const plat_file f = plat_file_open_exclusive(NAME, nullptr);
    ASSERT_NE(f, nullptr);
    plat_file_close(f);
    // The same handle again: it no longer names a file.
    EXPECT_FALSE(plat_file_write_at_start(f, "x", 1));
    plat_file_close(f);
    EXPECT_EQ(read(NAME), "");
}

}  // namespace
}  // namespace tomelet
