// An application file may use every layer below it.
#include "layout/painter.h"
#include "story/place.h"
