// A story file that names no platform header itself, but reaches the
// platform interface through the engine object.
#include "engine/engine.h"
