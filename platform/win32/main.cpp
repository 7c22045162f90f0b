// The program's entry, its message loop and the main window procedure.
#include "app/entry.h"
#include "book/compiled_book.h"
#include "platform/win32/backend.h"

namespace tomelet::win32 {

HINSTANCE app_instance = nullptr;
int show_command = SW_SHOWNORMAL;
HWND main_window = nullptr;

namespace {

// The page's hotwords and picture buttons are the only owner-drawn buttons
// (PLAT_HOTWORD_BUTTON, PLAT_PICTURE_BUTTON); the navigation bar and the
// screens' buttons are drawn by the system.
void draw_page_button(const DRAWITEMSTRUCT& item) {
    if (item.CtlType != ODT_BUTTON) return;
    // An owner-drawn button paints no background of its own: it is given
    // the face of a button (the colour its context draws text on) before
    // its label or picture is drawn.
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    const plat_rect rect{item.rcItem.left, item.rcItem.top, item.rcItem.right, item.rcItem.bottom};
    on_draw_item(static_cast<int32_t>(item.CtlID), canvas_of(item.hDC), rect);
}

// A menu item, an accelerator and a button's click report 0 or 1 (the
// system's BN_CLICKED is 0); a text-entry box's commit its own
// notification; anything else is some other notice of a control.
int32_t command_code_of(WORD notification) {
    if (notification == EDIT_COMMIT_NOTIFICATION) return EDIT_COMMIT;
    if (notification == 0 || notification == 1) return COMMAND_CHOSEN;
    return COMMAND_OTHER;
}

// The thumb's position while it is dragged, as the scroll bar reports it
// (all 32 bits of it, not the 16 of the message).
int32_t track_position() {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_TRACKPOS;
    if (!GetScrollInfo(main_window, SB_VERT, &info)) return 0;
    return info.nTrackPos;
}

}  // namespace

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CREATE:
            // The engine calls back into the platform for this window while
            // it creates its fonts and navigation bar.
            main_window = window;
            on_create();
            return 0;
        case WM_DESTROY:
            on_destroy();
            main_window = nullptr;
            return 0;
        case WM_SIZE:
            on_size(LOWORD(lparam), HIWORD(lparam));
            return 0;
        case WM_PAINT:
            on_paint();
            return 0;
        case WM_DRAWITEM:
            draw_page_button(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
            break;
        case WM_KEYDOWN: {
            const int32_t key = key_of(wparam);
            if (key != KEY_NONE && on_key(key)) return 0;
            break;
        }
        case WM_COMMAND:
            on_command(LOWORD(wparam), command_code_of(HIWORD(wparam)));
            break;
        case WM_TIMER:
            on_timer();
            break;
        case WM_VSCROLL: {
            const int32_t request = scroll_request_of(LOWORD(wparam));
            on_vscroll(request, request == SCROLL_THUMB_TRACK ? track_position() : 0);
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace tomelet::win32

// The command line and the previous-instance argument are not read.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    tomelet::win32::app_instance = instance;
    tomelet::win32::show_command = show;
    if (!tomelet::app_start(&tomelet::compiled_book)) return 1;
    MSG message{};
    // GetMessageA returns -1 when it fails: that ends the loop as WM_QUIT
    // does, rather than spinning on the failure.
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    // A place that could not be saved has been reported; the exit code
    // says so too.
    if (!tomelet::app_finish()) return 1;
    return static_cast<int>(message.wParam);
}
