// The state file on POSIX systems: one plain file in the current directory,
// held under an exclusive advisory lock (flock) for as long as it is open.
//
// flock locks belong to an open file description, so every other open of
// the file fails while one is held: another process's, and a second open in
// this process too.  Symbolic links are never followed, and only a plain,
// writable file is accepted.
//
// A file created here is readable and writable by its owner whatever the
// umask (the umask still takes group and other bits away), so that the
// reader can always open again a file it made itself.  A save counts only
// when every byte was written and the flush has taken it to the disk.
//
// A file with more than one name (a hard link) is refused as a symbolic
// link is: writing it would write the other name's file too, which may be
// anybody's.  A read that fails (an input/output error) is reported as a
// failure, never taken for a short file.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "platform/platform.h"
#include "platform/posix/state_file_seam.h"

namespace tomelet {

namespace {

// The open files: a handle is its slot number plus one, so a null handle is
// never a file and a stale or foreign handle is recognised and ignored.
constexpr int32_t OPEN_FILES_SIZE = 8;
int open_fds[OPEN_FILES_SIZE] = {-1, -1, -1, -1, -1, -1, -1, -1};

plat_file handle_of(int32_t slot) {
    return reinterpret_cast<plat_file>(static_cast<uintptr_t>(slot) + 1);
}

// The descriptor behind a handle, or -1.
int fd_of(plat_file file) {
    const uintptr_t n = reinterpret_cast<uintptr_t>(file);
    if (n < 1 || n > static_cast<uintptr_t>(OPEN_FILES_SIZE)) return -1;
    return open_fds[n - 1];
}

int32_t free_slot() {
    for (int32_t i = 0; i < OPEN_FILES_SIZE; ++i) {
        if (open_fds[i] < 0) return i;
    }
    return -1;
}

posix_read_function read_function = ::read;

constexpr mode_t NEW_FILE_MODE = 0644;
constexpr mode_t WRITE_BITS = S_IWUSR | S_IWGRP | S_IWOTH;

void close_quietly(int fd) {
    // The descriptor is released even when close reports an error.
    (void)::close(fd);
}

}  // namespace

plat_file plat_file_open_exclusive(const char* name, bool* existed) {
    if (existed != nullptr) *existed = false;
    if (name == nullptr || name[0] == '\0') return nullptr;
    const int32_t slot = free_slot();
    if (slot < 0) return nullptr;

    // Does the name exist?  lstat looks at a link itself, never its target.
    struct stat seen {};
    bool exists = false;
    if (::lstat(name, &seen) == 0) {
        exists = true;
        // Only a plain file is ever opened: a link, a directory, a pipe or
        // a device is refused before it is touched.  A file without any
        // write permission counts as read-only, even for a user (root) whom
        // the system would let write it.
        if (!S_ISREG(seen.st_mode) || seen.st_nlink > 1 || (seen.st_mode & WRITE_BITS) == 0) return nullptr;
    } else if (errno != ENOENT) {
        return nullptr;
    }

    // O_NOFOLLOW: a link put in the file's place after the look fails the
    // open.  O_NONBLOCK: a pipe put there cannot stall the open; it does
    // nothing to a plain file.  O_EXCL: a file created after the look
    // fails the creation rather than being taken over.
    const int flags = O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | (exists ? 0 : O_CREAT | O_EXCL);
    int fd = -1;
    do {
        fd = ::open(name, flags, NEW_FILE_MODE);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return nullptr;

    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_nlink > 1 ||
        (exists && (opened.st_dev != seen.st_dev || opened.st_ino != seen.st_ino ||
                    (opened.st_mode & WRITE_BITS) == 0))) {
        close_quietly(fd);
        return nullptr;
    }

    int locked = -1;
    do {
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        close_quietly(fd);
        return nullptr;
    }

    // The umask applies to the creation: put back the owner's read and
    // write bits it may have taken, or the next start would find a file
    // without write permission and refuse it.  Should that fail, the file
    // is still open for writing now; the next start says it is read-only.
    if (!exists && (opened.st_mode & (S_IRUSR | S_IWUSR)) != (S_IRUSR | S_IWUSR)) {
        (void)::fchmod(fd, (opened.st_mode & 07777) | S_IRUSR | S_IWUSR);
    }

    open_fds[slot] = fd;
    if (existed != nullptr) *existed = exists;
    return handle_of(slot);
}

int32_t plat_file_read(plat_file file, void* buffer, int32_t n) {
    const int fd = fd_of(file);
    if (fd < 0 || buffer == nullptr || n <= 0) return 0;
    auto* bytes = static_cast<unsigned char*>(buffer);
    int32_t got = 0;
    while (got < n) {
        const ssize_t r = read_function(fd, bytes + got, static_cast<size_t>(n - got));
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return -1;  // a failing disk: nothing read counts
        if (r == 0) break;     // the end of the file
        got += static_cast<int32_t>(r);
    }
    return got;
}

bool plat_file_write_at_start(plat_file file, const void* buffer, int32_t n) {
    const int fd = fd_of(file);
    if (fd < 0 || (buffer == nullptr && n > 0) || n < 0) return false;
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    int32_t done = 0;
    while (done < n) {
        const ssize_t w = ::pwrite(fd, bytes + done, static_cast<size_t>(n - done), done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;  // an error (a full disk, a size limit): not saved
        done += static_cast<int32_t>(w);
    }
    // Written is not yet stored: a disk that fails to take the bytes
    // reports it here, and that too is a save that failed.
    // The size stays 3056 bytes after the first write, so the data's flush
    // (fdatasync, where the system has it) is enough: the times a file was
    // written need not reach the disk.
    int synced = -1;
    do {
#if defined(__linux__)
        synced = ::fdatasync(fd);
#else
        synced = ::fsync(fd);
#endif
    } while (synced != 0 && errno == EINTR);
    return synced == 0;
}

void posix_state_file_set_read(posix_read_function read) { read_function = read != nullptr ? read : ::read; }

void plat_file_close(plat_file file) {
    const int fd = fd_of(file);
    if (fd < 0) return;
    open_fds[reinterpret_cast<uintptr_t>(file) - 1] = -1;
    // Closing the last descriptor of the description releases the lock.
    close_quietly(fd);
}

}  // namespace tomelet
