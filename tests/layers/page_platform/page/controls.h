// A page file that makes controls through the platform itself: the layer
// check must refuse it.
#include "page/display_list.h"
#include "platform/platform.h"
