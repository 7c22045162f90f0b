// The child controls of the main window, and the text-entry boxes' own
// window procedure.
#include "app/entry.h"
#include "platform/win32/backend.h"

namespace tomelet {

namespace {

// The styles of the controls, all WS_CHILD | WS_VISIBLE and:
constexpr DWORD EDIT_BOX_STYLE = 0x50800180;        // WS_BORDER | ES_AUTOHSCROLL | ES_NOHIDESEL
constexpr DWORD PUSH_BUTTON_STYLE = 0x50000001;     // BS_DEFPUSHBUTTON
constexpr DWORD HOTWORD_BUTTON_STYLE = 0x5080000B;  // WS_BORDER | BS_OWNERDRAW
constexpr DWORD PICTURE_BUTTON_STYLE = 0x5000000B;  // BS_OWNERDRAW
constexpr DWORD CHECK_BOX_STYLE = 0x50000003;       // BS_AUTOCHECKBOX
constexpr DWORD BAR_BUTTON_STYLE = 0x50000081;      // BS_BITMAP | BS_DEFPUSHBUTTON

// The box's procedure before it was subclassed is kept in its window's
// user data (an edit control does not use it).  A pointer needs all its
// bits: SetWindowLongPtrA, not the 32-bit SetWindowLongA.
WNDPROC previous_procedure(HWND box) {
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(box, GWLP_USERDATA));
}

// Enter and Tab commit the box's answer to the main window; Up and Down
// scroll the page by a line.  None of them reaches the box.  The command
// may rebuild the page and destroy this very box, so nothing touches the
// box after it.
LRESULT CALLBACK edit_box_proc(HWND box, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_KEYDOWN) {
        switch (wparam) {
            case VK_TAB:
            case VK_RETURN: {
                const auto id = static_cast<WORD>(GetWindowLongPtrA(box, GWLP_ID));
                SendMessageA(win32::main_window, WM_COMMAND, MAKEWPARAM(id, win32::EDIT_COMMIT_NOTIFICATION), 0);
                return 0;
            }
            case VK_UP:
                SendMessageA(win32::main_window, WM_VSCROLL, SB_LINEUP, 0);
                return 0;
            case VK_DOWN:
                SendMessageA(win32::main_window, WM_VSCROLL, SB_LINEDOWN, 0);
                return 0;
            default:
                break;
        }
    }
    WNDPROC previous = previous_procedure(box);
    if (previous == nullptr) return DefWindowProcA(box, message, wparam, lparam);
    return CallWindowProcA(previous, box, message, wparam, lparam);
}

struct control_class {
    const char* window_class;
    DWORD style;
    bool has_text;
};

control_class class_of(plat_control_kind kind) {
    switch (kind) {
        case PLAT_EDIT_BOX: return {"EDIT", EDIT_BOX_STYLE, false};
        case PLAT_PUSH_BUTTON: return {"button", PUSH_BUTTON_STYLE, true};
        case PLAT_HOTWORD_BUTTON: return {"button", HOTWORD_BUTTON_STYLE, false};
        case PLAT_PICTURE_BUTTON: return {"button", PICTURE_BUTTON_STYLE, false};
        case PLAT_CHECK_BOX: return {"button", CHECK_BOX_STYLE, true};
        case PLAT_BAR_BUTTON: return {"button", BAR_BUTTON_STYLE, true};
    }
    return {nullptr, 0, false};
}

}  // namespace

plat_control plat_control_create(const plat_control_params& params) {
    const control_class c = class_of(params.kind);
    if (c.window_class == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const char* text = c.has_text && params.text != nullptr ? params.text : "";
    // A bar button whose image the book lacks shows its caption instead of
    // an empty face.
    DWORD style = c.style;
    if (params.kind == PLAT_BAR_BUTTON && params.bitmap == nullptr) style &= ~static_cast<DWORD>(BS_BITMAP);
    if (params.hidden) style &= ~static_cast<DWORD>(WS_VISIBLE);
    HWND control = CreateWindowExA(0, c.window_class, text, style, params.x, params.y, params.width, params.height,
                                   win32::main_window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(params.id)),
                                   win32::app_instance, nullptr);
    if (control == nullptr) return nullptr;
    if (params.kind == PLAT_EDIT_BOX) {
        SendMessageA(control, EM_LIMITTEXT, static_cast<WPARAM>(params.max_length < 0 ? 0 : params.max_length), 0);
        const LONG_PTR previous =
            SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&edit_box_proc));
        SetWindowLongPtrA(control, GWLP_USERDATA, previous);
    } else if (params.kind == PLAT_BAR_BUTTON && params.bitmap != nullptr) {
        SendMessageA(control, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(params.bitmap));
    }
    return win32::control_of(control);
}

void plat_control_show(plat_control control, bool shown) {
    if (control == nullptr) return;
    ShowWindow(win32::window_of(control), shown ? SW_SHOW : SW_HIDE);
    UpdateWindow(win32::window_of(control));
}

void plat_control_destroy(plat_control control) {
    if (control != nullptr) DestroyWindow(win32::window_of(control));
}

void plat_control_move(plat_control control, int32_t x, int32_t y, int32_t width, int32_t height, bool repaint) {
    if (control != nullptr) MoveWindow(win32::window_of(control), x, y, width, height, repaint ? TRUE : FALSE);
}

void plat_control_focus(plat_control control) {
    if (control != nullptr) SetFocus(win32::window_of(control));
}

void plat_control_enable(plat_control control, bool enabled) {
    if (control != nullptr) EnableWindow(win32::window_of(control), enabled ? TRUE : FALSE);
}

void plat_control_set_image(plat_control control, plat_bitmap bitmap) {
    if (control == nullptr) return;
    SendMessageA(win32::window_of(control), BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
}

int32_t plat_control_text(plat_control control, char* buffer, int32_t size) {
    if (buffer == nullptr || size <= 0) return 0;
    buffer[0] = '\0';
    if (control == nullptr) return 0;
    return GetWindowTextA(win32::window_of(control), buffer, size);
}

bool plat_check_box_checked(plat_control control) {
    if (control == nullptr) return false;
    return (SendMessageA(win32::window_of(control), BM_GETCHECK, 0, 0) & 0xFF) == BST_CHECKED;
}

void plat_check_box_set(plat_control control, bool checked) {
    if (control == nullptr) return;
    SendMessageA(win32::window_of(control), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

}  // namespace tomelet
