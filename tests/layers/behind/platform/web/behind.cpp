// A back end that reads the hotword records behind the entry points: the
// layer check must refuse it.
#include "app/entry.h"
#include "story/hotwords.h"
