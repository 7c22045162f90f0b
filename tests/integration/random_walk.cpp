#include "tests/integration/random_walk.h"

#include <cstdio>
#include <random>

#include "app/entry.h"
#include "app/navigation.h"
#include "app/shell.h"
#include "platform/headless/headless.h"
#include "story/hotwords.h"

namespace tomelet::testing {

namespace {

// A message the engine reports through its error path: no owner, the
// system's caption, OK.  The restart question is the reader's own box.
bool is_report(const headless::message_record& m) {
    return !m.owned && m.default_caption && m.buttons == PLAT_BOX_OK;
}

// The answers a typed-answer field accepts, read from its hotword record.
std::vector<std::string> accepted_answers(int32_t control_id) {
    std::vector<std::string> out;
    for (int32_t i = 0; i < hotword_count; ++i) {
        const hotword& h = hotwords[i];
        if (h.kind != 'S' || h.control_id != control_id) continue;
        for (const char* a : {h.answer1, h.answer2, h.answer3}) {
            if (a[0] != '\0') out.emplace_back(a);
        }
    }
    return out;
}

constexpr int32_t MENU_COMMANDS[] = {CMD_INFORMATION, CMD_RESTART, CMD_OBJECTIVE, CMD_SOUNDS, CMD_HINTS,
                                     CMD_ABOUT,       CMD_CREDITS, CMD_BEGINNING};

class walker {
public:
    walker(const book_tables* book, uint32_t seed, walk_result* result)
        : book_(book), random_(seed), result_(result) {}

    void play(int32_t steps) {
        std::remove("VBQ2CorvinAshby.dat");
        headless::reset();
        headless::set_tick_count(static_cast<uint32_t>(random_()));
        if (!app_start(book_)) {
            result_->reports.push_back("the reader did not start");
            return;
        }
        headless::pump();
        for (int32_t step = 0; step < steps && headless::running() && headless::window().exists; ++step) {
            act();
            ++result_->steps;
            note();
        }
        if (headless::window().exists) {
            plat_window_post_close();
            headless::pump();
        }
        app_finish();
    }

private:
    uint32_t pick(uint32_t n) { return static_cast<uint32_t>(random_() % n); }

    void act() {
        if (headless::timer_running() && pick(2) == 0) {
            headless::advance_clock(static_cast<uint32_t>(headless::timer_period()));
            return;
        }
        // One time in ten, a menu command (the restart question answered at
        // random); otherwise one of the controls the page shows.
        if (pick(10) == 0) {
            const int32_t command = MENU_COMMANDS[pick(sizeof MENU_COMMANDS / sizeof MENU_COMMANDS[0])];
            if (command == CMD_BEGINNING) headless::queue_answer(pick(2) == 0 ? PLAT_ANSWER_YES : PLAT_ANSWER_NO);
            headless::send_command(command, 0);
            return;
        }
        std::vector<plat_control> choices;
        for (int32_t i = 0; i < headless::control_count(); ++i) {
            const headless::control_record& c = headless::control(i);
            if (!c.alive || !c.shown || !c.enabled) continue;
            choices.push_back(headless::control_by_id(c.params.id));
        }
        if (choices.empty()) {
            // Nothing shown to act on (a long page scrolled): scroll down.
            headless::scroll(3, 0);
            return;
        }
        plat_control chosen = choices[pick(static_cast<uint32_t>(choices.size()))];
        const headless::control_record* c = headless::control_of(chosen);
        if (c == nullptr) return;
        if (c->params.kind == PLAT_EDIT_BOX) {
            std::vector<std::string> answers = accepted_answers(c->params.id);
            std::string text = "no such answer";
            if (!answers.empty() && pick(3) != 0) text = answers[pick(static_cast<uint32_t>(answers.size()))];
            if (pick(8) == 0) text = "";
            headless::type_text(chosen, text.c_str());
            headless::edit_key(chosen, headless::KEY_RETURN);
            return;
        }
        headless::click(chosen);
    }

    void note() {
        if (pending_screen == 0) result_->reached.insert(shown_paragraph);
        for (int32_t i = 0; i < headless::message_count() && i < headless::MESSAGE_LOG_SIZE; ++i) {
            const headless::message_record& m = headless::message(i);
            if (is_report(m)) {
                result_->reports.push_back("paragraph " + std::to_string(shown_paragraph) + ": " + m.text);
            }
        }
        headless::clear_messages();
    }

    const book_tables* book_;
    std::mt19937 random_;
    walk_result* result_;
};

}  // namespace

walk_result random_walk(const book_tables* book, uint32_t seed, int32_t plays, int32_t steps) {
    walk_result result;
    walker w(book, seed, &result);
    for (int32_t play = 0; play < plays; ++play) w.play(steps);
    return result;
}

std::vector<int32_t> unreached(const book_tables* book, const std::set<int32_t>& reached) {
    std::vector<int32_t> out;
    for (int32_t n = 1; n <= book->paragraph_count; ++n) {
        const paragraph_row& row = book->paragraph_index[n];
        if (row.chunk < 0 || row.first == row.end) continue;
        if (reached.count(n) == 0) out.push_back(n);
    }
    return out;
}

}  // namespace tomelet::testing
