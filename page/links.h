// The links a page offers to the navigation bar's Next and Previous
// buttons: set while the page is built, cleared before every build.
#pragma once

#include <cstdint>

namespace tomelet {

enum link_kind : int32_t {
    LINK_NONE = 0,
    LINK_PARAGRAPH = 1,  // target: paragraph number minus one
    LINK_SCREEN = 2,     // target: screen number
};

struct page_link {
    int32_t kind;
    int16_t target;
};

}  // namespace tomelet
