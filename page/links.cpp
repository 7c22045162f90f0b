#include "page/links.h"

namespace tomelet {

page_link next_link = {LINK_NONE, 0};
page_link prev_link = {LINK_NONE, 0};

}  // namespace tomelet
