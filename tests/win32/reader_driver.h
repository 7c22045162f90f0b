// Drives the Windows reader from outside, as the reader's user would: finds
// its main window by the window class, sends it commands, clicks its
// buttons, types into its text-entry boxes, reads its child controls and
// caption, answers its message boxes and closes it.  Used by the tests
// under wine and by the small program tomelet-windriver.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tomelet::wintest {

// The reader's window class and state file: the book's id
// (TOMELET_BOOK_ID; the demo book's, VBQ2CorvinAshby, when it is not set)
// and that id followed by ".dat".
const char* reader_class();
std::string state_file();

// How long a single step may take before the driver gives up.
constexpr DWORD STEP_TIMEOUT_MS = 10000;

// One child control of the main window, as read from outside.
struct child {
    HWND window = nullptr;
    int32_t id = 0;
    std::string window_class;  // lower case: "button", "edit"
    std::string text;
    DWORD style = 0;
    RECT place{};  // in the main window's client coordinates
    bool visible = false;
    bool enabled = false;
    bool checked = false;  // check boxes

    // "hotword", "picture", "edit", "push", "check", "bar" (the kinds the
    // headless driver's dump names) or "other".
    std::string kind() const;
};

// The reader's main window, waiting up to timeout_ms for it; nullptr when
// there is none.
HWND find_reader(DWORD timeout_ms);
// The main window of the reader of the book `id`, likewise.
HWND find_reader_of(const char* id, DWORD timeout_ms);
// Top-level windows of the reader's class.
int32_t reader_windows();

std::string caption(HWND main);
// The main window's children in z-order (creation order).
std::vector<child> children(HWND main);
// The child with this id, or nullptr.
const child* find(const std::vector<child>& all, int32_t id);
// The page controls (ids of 4000 and above), shown or not, in creation
// order.
std::vector<child> page_controls(HWND main);
// Scrolls the page down a page at a time until the control with this id
// is shown; false when it never is.
bool reveal(HWND main, int32_t id);

// Sends a command (WM_COMMAND with the id) and waits until the reader has
// handled it, page rebuild included.  False on a timeout.
bool command(HWND main, int32_t id);
// Posts a command and returns at once: for commands that open a modal
// message box.
void post_command(HWND main, int32_t id);
// Clicks the child with this id (BM_CLICK), waiting until it is handled.
bool click(HWND main, int32_t id);
// Replaces the text of the text-entry box with this id.
bool set_text(HWND main, int32_t id, const std::string& text);
// Presses a key in the child with this id (WM_KEYDOWN), waiting.
bool press_key(HWND main, int32_t id, WPARAM key);
// Closes the main window the ordinary way (WM_CLOSE).
void close(HWND main);

// A message box (dialog class "#32770") shown by the reader's process,
// waiting up to timeout_ms for it to be shown with its text; nullptr when
// none is.  A box is made before its text is set, so a box found without
// its text is waited for too.
HWND find_message_box(HWND main, DWORD timeout_ms);
// The same for the process with this id (a reader that has no window).
HWND find_process_message_box(DWORD process_id, DWORD timeout_ms);
// The message box's text (its static control) and caption.
std::string message_box_text(HWND box);
// Presses a button of the message box (IDOK, IDYES, IDNO).
bool answer_message_box(HWND box, int32_t button);

// Waits until `done()` holds, up to timeout_ms: every test reads what
// another process sets, so it waits for it rather than reading it once.
template <typename Predicate>
bool wait_until(DWORD timeout_ms, Predicate done) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (done()) return true;
        if (GetTickCount() - start >= timeout_ms) return false;
        Sleep(50);
    }
}

// Waits until `done` holds for the reader's children, up to timeout_ms.
template <typename Predicate>
bool wait_for(HWND main, DWORD timeout_ms, Predicate done) {
    return wait_until(timeout_ms, [&]() { return done(children(main)); });
}

// A started copy of the reader.
struct process {
    HANDLE handle = nullptr;
    DWORD id = 0;
};
// Starts the reader `exe` in the folder `folder`; handle null on failure.
process start_reader(const std::string& exe, const std::string& folder);
// Waits up to timeout_ms for the process to end: its exit code, or -1 when
// it still runs (it is then left running).
int32_t wait_exit(process& p, DWORD timeout_ms);
// Ends the process at once (a test that failed half-way).
void kill(process& p);

}  // namespace tomelet::wintest
