// A story file that reaches up into the application: the layer check
// must refuse it.
#include "app/navigation.h"
#include "story/place.h"
