// The engine's own numbers (keys, scroll requests, text formats, scroll-bar
// fields, message-box buttons and answers) and the system's, both ways.
#include "app/entry.h"
#include "platform/win32/backend.h"

namespace tomelet::win32 {

int32_t key_of(WPARAM virtual_key) {
    switch (virtual_key) {
        case VK_PRIOR: return KEY_PRIOR;
        case VK_NEXT: return KEY_NEXT;
        case VK_END: return KEY_END;
        case VK_HOME: return KEY_HOME;
        case VK_UP: return KEY_UP;
        case VK_DOWN: return KEY_DOWN;
        default: return KEY_NONE;
    }
}

namespace {

struct scroll_pair {
    int32_t request;
    WORD code;
};
constexpr scroll_pair SCROLL_PAIRS[] = {
    {SCROLL_LINE_UP, SB_LINEUP},
    {SCROLL_LINE_DOWN, SB_LINEDOWN},
    {SCROLL_PAGE_UP, SB_PAGEUP},
    {SCROLL_PAGE_DOWN, SB_PAGEDOWN},
    {SCROLL_THUMB_POSITION, SB_THUMBPOSITION},
    {SCROLL_THUMB_TRACK, SB_THUMBTRACK},
    {SCROLL_TOP, SB_TOP},
    {SCROLL_BOTTOM, SB_BOTTOM},
    {SCROLL_END, SB_ENDSCROLL},
};

}  // namespace

int32_t scroll_request_of(WORD scroll_code) {
    for (const scroll_pair& p : SCROLL_PAIRS) {
        if (p.code == scroll_code) return p.request;
    }
    return SCROLL_NONE;
}

// A request the engine does not know is posted as the end of a scroll,
// which moves nothing.
WORD scroll_code_of(int32_t request) {
    for (const scroll_pair& p : SCROLL_PAIRS) {
        if (p.request == request) return p.code;
    }
    return SB_ENDSCROLL;
}

UINT draw_text_format_of(uint32_t format) {
    UINT f = DT_LEFT;
    if ((format & PLAT_TEXT_CENTER) != 0) f |= DT_CENTER;
    if ((format & PLAT_TEXT_RIGHT) != 0) f |= DT_RIGHT;
    if ((format & PLAT_TEXT_VCENTER) != 0) f |= DT_VCENTER;
    if ((format & PLAT_TEXT_SINGLE_LINE) != 0) f |= DT_SINGLELINE;
    if ((format & PLAT_TEXT_NO_PREFIX) != 0) f |= DT_NOPREFIX;
    return f;
}

UINT scroll_mask_of(uint32_t mask) {
    UINT f = 0;
    if ((mask & PLAT_SCROLL_RANGE) != 0) f |= SIF_RANGE;
    if ((mask & PLAT_SCROLL_PAGE) != 0) f |= SIF_PAGE;
    if ((mask & PLAT_SCROLL_POS) != 0) f |= SIF_POS;
    if ((mask & PLAT_SCROLL_DISABLE_NO_SCROLL) != 0) f |= SIF_DISABLENOSCROLL;
    if ((mask & PLAT_SCROLL_TRACK) != 0) f |= SIF_TRACKPOS;
    return f;
}

UINT message_box_style_of(int32_t buttons) { return buttons == PLAT_BOX_YES_NO ? MB_YESNO : MB_OK; }

// A box that could not be shown (0) answers No, as a question the reader
// declined: the engine reads nothing but Yes as consent.
int32_t message_box_answer_of(int answer) {
    switch (answer) {
        case IDYES: return PLAT_ANSWER_YES;
        case IDNO: return PLAT_ANSWER_NO;
        case IDOK: return PLAT_ANSWER_OK;
        default: return PLAT_ANSWER_NO;
    }
}

}  // namespace tomelet::win32
