#include "tests/platform/fake_engine.h"

namespace tomelet::testing {

namespace {

fake_engine engine;

void log(const std::string& line) { engine.events.push_back(line); }

void fake_create() {
    log("create");
    if (engine.create) engine.create();
}

void fake_destroy() {
    log("destroy");
    if (engine.destroy) engine.destroy();
}

void fake_size(int32_t w, int32_t h) { log("size " + std::to_string(w) + " " + std::to_string(h)); }

void fake_paint() {
    log("paint");
    if (engine.paint) engine.paint();
}

bool fake_command(int32_t id, int32_t code) {
    log("command " + std::to_string(id) + " " + std::to_string(code));
    if (engine.command) engine.command(id, code);
    return engine.command_result;
}

bool fake_key(int32_t key) {
    log("key " + std::to_string(key));
    return engine.key_result;
}

void fake_vscroll(int32_t request, int32_t track) {
    log("vscroll " + std::to_string(request) + " " + std::to_string(track));
}

void fake_timer() {
    log("timer " + std::to_string(plat_tick_count()));
    if (engine.timer) engine.timer();
}

bool fake_draw_item(int32_t id, plat_canvas canvas, const plat_rect& rect) {
    log("draw " + std::to_string(id));
    if (engine.draw_item) engine.draw_item(id, canvas, rect);
    return true;
}

const headless::entry_points fakes = {fake_create, fake_destroy, fake_size,  fake_paint,    fake_command,
                                      fake_key,    fake_vscroll, fake_timer, fake_draw_item};

}  // namespace

fake_engine& install_fake_engine() {
    headless::reset();
    engine = fake_engine{};
    headless::use_entry_points(&fakes);
    return engine;
}

std::string joined(const std::vector<std::string>& events) {
    std::string all;
    for (const std::string& e : events) {
        if (!all.empty()) all += " | ";
        all += e;
    }
    return all;
}

}  // namespace tomelet::testing
