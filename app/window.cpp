#include "app/window.h"

namespace tomelet {

plat_font bold_font = nullptr;
plat_font normal_font = nullptr;
plat_rect client_origin = {0, 0, 0, 0};
plat_rect text_area = {0, 0, 0, 0};

}  // namespace tomelet
