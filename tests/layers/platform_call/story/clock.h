// A story file that calls the platform itself: the layer check must
// refuse it.
#include "platform/platform.h"
#include "story/place.h"
