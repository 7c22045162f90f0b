// A namespace-scope object of changing state outside the engine object:
// the engine state check must find it.
#include <cstdint>

namespace tomelet {

int32_t stray_page_count;

int32_t* stray_state() { return &stray_page_count; }

}  // namespace tomelet
