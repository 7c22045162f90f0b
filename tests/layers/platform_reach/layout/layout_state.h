// A layout part that takes its handles from the whole platform interface.
#include "platform/platform.h"
