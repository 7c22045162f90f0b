// The main window and the machine around it: the window class, message
// boxes, the clock, sounds, the screen, the running copy, the message loop's
// requests, the timer and the vertical scroll bar.
#include "app/entry.h"
#include "platform/win32/backend.h"
// After <windows.h>, whose types it uses.
#include <mmsystem.h>

namespace tomelet {

namespace {

constexpr UINT TIMER_ID = 1;
constexpr WORD ICON_GROUP = 420;
constexpr char MENU_NAME[] = "MENUTOMELET";
// WS_CAPTION | WS_VSCROLL | WS_SYSMENU | WS_MINIMIZEBOX: no sizing border
// and no maximize box.
constexpr DWORD MAIN_WINDOW_STYLE = 0x00EA0000;
// SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW.
constexpr UINT RAISE_FLAGS = 0x43;

void register_window_class() {
    WNDCLASSA window_class{};
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = win32::main_window_proc;
    window_class.hInstance = win32::app_instance;
    // A book without an icon leaves the system's default one.
    window_class.hIcon = LoadIconA(win32::app_instance, MAKEINTRESOURCEA(ICON_GROUP));
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    window_class.lpszMenuName = MENU_NAME;
    window_class.lpszClassName = window_class_name();
    // The result is not needed: a failure shows when the window is made.
    RegisterClassA(&window_class);
}

}  // namespace

int32_t plat_message_box(bool owned, const char* text, const char* caption, int32_t buttons) {
    const int answer =
        MessageBoxA(owned ? win32::main_window : nullptr, text, caption, win32::message_box_style_of(buttons));
    return win32::message_box_answer_of(answer);
}

uint32_t plat_tick_count() { return GetTickCount(); }

// SND_RESOURCE | SND_ASYNC: the WAVE resource of that name, in the
// background; the result is not looked at.
void plat_play_sound(const char* name) {
    if (name == nullptr) return;
    PlaySoundA(name, win32::app_instance, SND_RESOURCE | SND_ASYNC);
}

// SND_FILENAME | SND_NODEFAULT | SND_ASYNC with no name stops the sound.
void plat_stop_sound() { PlaySoundA(nullptr, nullptr, SND_FILENAME | SND_NODEFAULT | SND_ASYNC); }

int32_t plat_screen_height() { return GetSystemMetrics(SM_CYSCREEN); }

// Read from a memory context compatible with the screen.
int32_t plat_pixels_per_inch() {
    HDC dc = CreateCompatibleDC(nullptr);
    if (dc == nullptr) return 96;
    const int32_t pixels = GetDeviceCaps(dc, LOGPIXELSY);
    DeleteDC(dc);
    return pixels;
}

bool plat_bring_running_copy_to_front() {
    HWND running = FindWindowA(window_class_name(), nullptr);
    if (running == nullptr) return false;
    SetActiveWindow(running);
    InvalidateRect(running, nullptr, TRUE);
    UpdateWindow(running);
    SetWindowPos(running, HWND_TOPMOST, 0, 0, 0, 0, RAISE_FLAGS);
    return true;
}

bool plat_window_create(const char* title, int32_t x, int32_t y, int32_t width, int32_t height) {
    register_window_class();
    HWND window = CreateWindowExA(0, window_class_name(), title, MAIN_WINDOW_STYLE, x, y, width, height, nullptr,
                                  nullptr, win32::app_instance, nullptr);
    // WM_CREATE has set main_window; a window that failed after it is gone.
    win32::main_window = window;
    return window != nullptr;
}

void plat_window_show() {
    ShowWindow(win32::main_window, win32::show_command);
    UpdateWindow(win32::main_window);
}

plat_rect plat_window_client_rect() {
    RECT r{};
    if (win32::main_window == nullptr || !GetClientRect(win32::main_window, &r)) return plat_rect{0, 0, 0, 0};
    return plat_rect{r.left, r.top, r.right, r.bottom};
}

void plat_window_invalidate() { InvalidateRect(win32::main_window, nullptr, TRUE); }

void plat_window_update() { UpdateWindow(win32::main_window); }

void plat_window_post_close() { PostMessageA(win32::main_window, WM_CLOSE, 0, 0); }

void plat_quit(int32_t code) { PostQuitMessage(code); }

void plat_post_vscroll(int32_t request) {
    PostMessageA(win32::main_window, WM_VSCROLL, win32::scroll_code_of(request), 0);
}

// GetVersionExA with an OSVERSIONINFOA of 148 bytes.
void plat_os_version(int32_t* major, int32_t* minor) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info)) info = OSVERSIONINFOA{};
    if (major != nullptr) *major = static_cast<int32_t>(info.dwMajorVersion);
    if (minor != nullptr) *minor = static_cast<int32_t>(info.dwMinorVersion);
}

void plat_timer_start(int32_t ms) {
    SetTimer(win32::main_window, TIMER_ID, static_cast<UINT>(ms < 1 ? 1 : ms), nullptr);
}

void plat_timer_stop() { KillTimer(win32::main_window, TIMER_ID); }

void plat_scroll_set(uint32_t mask, const plat_scroll_info& info) {
    SCROLLINFO s{};
    s.cbSize = sizeof s;
    s.fMask = win32::scroll_mask_of(mask);
    s.nMin = info.minimum;
    s.nMax = info.maximum;
    s.nPage = info.page < 0 ? 0u : static_cast<UINT>(info.page);
    s.nPos = info.position;
    s.nTrackPos = info.track;
    SetScrollInfo(win32::main_window, SB_VERT, &s, TRUE);
}

plat_scroll_info plat_scroll_get() {
    SCROLLINFO s{};
    s.cbSize = sizeof s;
    s.fMask = SIF_ALL;
    if (!GetScrollInfo(win32::main_window, SB_VERT, &s)) return plat_scroll_info{0, 0, 0, 0, 0};
    return plat_scroll_info{s.nMin, s.nMax, static_cast<int32_t>(s.nPage), s.nPos, s.nTrackPos};
}

// SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE, with the area as both the
// scroll and the clip rectangle.
void plat_scroll_window(int32_t dy, const plat_rect& area) {
    const RECT r = win32::rect_of(area);
    ScrollWindowEx(win32::main_window, 0, dy, &r, &r, nullptr, nullptr, SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
}

uint32_t plat_last_error() { return GetLastError(); }

}  // namespace tomelet
