// The state file on Windows: opened with no sharing, so that while one copy
// of the reader holds it every other open fails, another copy's included.
#include "platform/win32/backend.h"

namespace tomelet {

namespace {

HANDLE handle_of(plat_file file) { return reinterpret_cast<HANDLE>(file); }

}  // namespace

// FindFirstFileA says whether the file exists; CreateFileA opens it as an
// existing file or creates it new (hidden).  A file held by a running copy,
// a read-only file, a directory of the name and a folder in which the file
// cannot be created all fail here.
plat_file plat_file_open_exclusive(const char* name, bool* existed) {
    if (existed != nullptr) *existed = false;
    if (name == nullptr || name[0] == '\0') return nullptr;
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA(name, &found);
    const bool exists = search != INVALID_HANDLE_VALUE;
    if (exists) FindClose(search);
    HANDLE file = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, exists ? OPEN_EXISTING : CREATE_NEW,
                              FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    if (existed != nullptr) *existed = exists;
    return reinterpret_cast<plat_file>(file);
}

int32_t plat_file_read(plat_file file, void* buffer, int32_t n) {
    if (file == nullptr || buffer == nullptr || n <= 0) return 0;
    auto* bytes = static_cast<unsigned char*>(buffer);
    int32_t got = 0;
    while (got < n) {
        DWORD read = 0;
        // A failed read (a failing disk, a network share gone) is an error,
        // never a short file; a read of nothing is the end of the file.
        if (!ReadFile(handle_of(file), bytes + got, static_cast<DWORD>(n - got), &read, nullptr)) return -1;
        if (read == 0) break;
        got += static_cast<int32_t>(read);
    }
    return got;
}

// From offset 0 (SetFilePointer, FILE_BEGIN); the file is not truncated.
// Every byte must be written (WriteFile's result and count) and flushed
// (FlushFileBuffers) for the save to count.
bool plat_file_write_at_start(plat_file file, const void* buffer, int32_t n) {
    if (file == nullptr || (buffer == nullptr && n > 0) || n < 0) return false;
    if (SetFilePointer(handle_of(file), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return false;
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    int32_t done = 0;
    while (done < n) {
        DWORD written = 0;
        if (!WriteFile(handle_of(file), bytes + done, static_cast<DWORD>(n - done), &written, nullptr) ||
            written == 0) {
            return false;
        }
        done += static_cast<int32_t>(written);
    }
    return FlushFileBuffers(handle_of(file)) != 0;
}

void plat_file_close(plat_file file) {
    if (file != nullptr) CloseHandle(handle_of(file));
}

}  // namespace tomelet
