// A recording stand-in for the engine's entry points, so that the headless
// back end is tested alone: each handler appends a line to `events` and
// then runs its hook, if one is set.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/headless/headless.h"

namespace tomelet::testing {

struct fake_engine {
    std::vector<std::string> events;
    std::function<void()> create;
    std::function<void()> destroy;
    std::function<void()> paint;
    std::function<void(int32_t, int32_t)> command;
    std::function<void()> timer;
    std::function<void(int32_t, plat_canvas, const plat_rect&)> draw_item;
    bool command_result = true;
    bool key_result = true;
};

// Resets the back end and installs a fresh fake engine.
fake_engine& install_fake_engine();

// The events joined with " | ".
std::string joined(const std::vector<std::string>& events);

}  // namespace tomelet::testing
