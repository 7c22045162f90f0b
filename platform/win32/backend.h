// The Windows back end's own state, shared by its files.  Only files of
// platform/win32/ include <windows.h>; nothing above this folder sees a
// Windows type.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/platform.h"

namespace tomelet::win32 {

// The program's module: the resources (bitmaps, sounds, icon, menu) live
// in it.
extern HINSTANCE app_instance;
// The show command the program was started with.
extern int show_command;
// The main window, from the start of its WM_CREATE to its WM_DESTROY.
extern HWND main_window;

// The main window procedure (main.cpp).
LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Handles and canvases cross the platform interface as opaque pointers.
inline HWND window_of(plat_control control) { return reinterpret_cast<HWND>(control); }
inline plat_control control_of(HWND window) { return reinterpret_cast<plat_control>(window); }
inline HFONT font_of(plat_font font) { return reinterpret_cast<HFONT>(font); }
inline HBITMAP bitmap_of(plat_bitmap bitmap) { return reinterpret_cast<HBITMAP>(bitmap); }
inline HDC dc_of(plat_canvas canvas) { return reinterpret_cast<HDC>(canvas); }
inline plat_canvas canvas_of(HDC dc) { return reinterpret_cast<plat_canvas>(dc); }

inline RECT rect_of(const plat_rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

// The engine's numbers and the system's (translate.cpp).  A system value the
// engine has no name for becomes the engine's "none" (KEY_NONE,
// SCROLL_NONE).
int32_t key_of(WPARAM virtual_key);
int32_t scroll_request_of(WORD scroll_code);
WORD scroll_code_of(int32_t request);
UINT draw_text_format_of(uint32_t format);
UINT scroll_mask_of(uint32_t mask);
UINT message_box_style_of(int32_t buttons);
int32_t message_box_answer_of(int answer);

// The notification a text-entry box sends the main window when its answer
// is committed: this back end's own, outside the system's edit and button
// notifications; the main window reports it as EDIT_COMMIT.
constexpr WORD EDIT_COMMIT_NOTIFICATION = 0x501;

}  // namespace tomelet::win32
