// The platform's lists of controls for a back end that makes its controls
// one at a time (the Windows and web back ends): each creation and
// destruction reaches the system as a single call would, in the order
// given.  The headless back end has lists of its own.
#include "platform/platform.h"

namespace tomelet {

int32_t plat_controls_create(const plat_control_params* params, int32_t n, plat_control* controls) {
    for (int32_t i = 0; i < n; ++i) {
        controls[i] = plat_control_create(params[i]);
        if (controls[i] == nullptr) return i;
    }
    return n < 0 ? 0 : n;
}

void plat_controls_destroy(plat_control* controls, int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
        plat_control_destroy(controls[i]);
        controls[i] = nullptr;
    }
}

}  // namespace tomelet
