#include "engine/engine.h"

namespace tomelet {

engine::engine() {}

engine the_engine;

}  // namespace tomelet
