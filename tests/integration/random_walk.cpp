#include "tests/integration/random_walk.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <sstream>

#include "app/entry.h"
#include "app/navigation.h"
#include "app/shell.h"
#include "platform/headless/driver/driver.h"
#include "platform/headless/headless.h"
#include "story/game_state.h"
#include "story/hotwords.h"

namespace tomelet::testing {

namespace {

// A message the engine reports through its error path: no owner, the
// system's caption, OK.  The restart question is the reader's own box.
bool is_report(const headless::message_record& m) {
    return !m.owned && m.default_caption && m.buttons == PLAT_BOX_OK;
}

constexpr int32_t MENU_COMMANDS[] = {CMD_INFORMATION, CMD_RESTART, CMD_OBJECTIVE, CMD_SOUNDS, CMD_HINTS,
                                     CMD_ABOUT,       CMD_CREDITS, CMD_BEGINNING};
constexpr int32_t MENU_COMMAND_COUNT = sizeof MENU_COMMANDS / sizeof MENU_COMMANDS[0];

constexpr int32_t LUCK_SIDES = 20;
constexpr int32_t PERCENT_SIDES = 100;
constexpr char WRONG_ANSWER[] = "no such answer";

// How the walker leans (in percent).  A walk that only picked at random
// would seldom leave the first day of a book whose plot needs errands in
// the right order, or page through a long chain of Next links, so it takes
// a choice that shows a page no play has reached yet whenever the page
// offers one (setting a chance button's roll or typing the answer that
// leads there), and else mostly heads for a page known to offer one.  The
// rest of its moves are picked at random or go to the least visited page,
// and wrong and empty answers are typed too.
constexpr uint32_t PREFER_NEW = 100;      // take a choice to an unreached page
constexpr uint32_t HEAD_FOR_NEW = 90;     // walk towards a page that offers one
constexpr uint32_t PREFER_RARE = 50;      // else the least visited page
constexpr uint32_t MENU_COMMAND = 3;      // a menu command instead of a choice
constexpr uint32_t FIX_ROLL = 80;         // roll a chance button's wanted band
constexpr uint32_t BLANK_ANSWER = 5;      // commit an empty answer field

// One way a choice can go: the paragraph it shows, and what makes it go
// there (the roll of a chance button, the text of an answer field).
struct outcome {
    int32_t paragraph;
    int32_t roll;        // 0: the button's own roll
    const char* answer;  // answer fields: the text to type
};

struct choice {
    plat_control control;
    int32_t id;
    bool edit;
    bool command;  // a bar button: sends its id as a command
    std::vector<outcome> outcomes;
};

// The paragraph a target leads to (targets are paragraph numbers minus one).
int32_t paragraph_of_target(int32_t target) { return target + 1; }

const hotword* record_of(int32_t control_id) {
    const int32_t count = hotword_count < HOTWORDS_SIZE ? hotword_count : HOTWORDS_SIZE;
    for (int32_t i = 0; i < count; ++i) {
        if (hotwords[i].control_id == control_id) return &hotwords[i];
    }
    return nullptr;
}

// Where each roll of a chance button leads, one outcome per distinct
// paragraph with the first roll that reaches it.  The rules are the
// engine's: a luck button has one band, a percent button up to three
// running sums.
void chance_outcomes(const hotword& h, std::vector<outcome>* out) {
    const bool luck = h.kind == 'L';
    const int32_t sides = luck ? LUCK_SIDES : PERCENT_SIDES;
    const int32_t chance1 = static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(h.value)));
    for (int32_t roll = 1; roll <= sides; ++roll) {
        int32_t target = h.default_target;
        if (roll <= chance1) {
            target = h.target1;
        } else if (!luck && roll <= h.chance2) {
            target = h.target2;
        } else if (!luck && roll <= h.chance3) {
            target = h.target3;
        }
        const int32_t paragraph = paragraph_of_target(target);
        bool known = false;
        for (const outcome& o : *out) known = known || o.paragraph == paragraph;
        if (!known) out->push_back({paragraph, roll, nullptr});
    }
}

void answer_outcomes(const hotword& h, std::vector<outcome>* out) {
    const char* answers[] = {h.answer1, h.answer2, h.answer3};
    const int16_t targets[] = {h.target1, h.target2, h.target3};
    for (int i = 0; i < 3; ++i) {
        if (answers[i][0] != '\0') out->push_back({paragraph_of_target(targets[i]), 0, answers[i]});
    }
    out->push_back({paragraph_of_target(h.default_target), 0, WRONG_ANSWER});
}

// What a control leads to, as far as the walker can tell: the hotword
// record behind it, or the navigation bar's links.  Empty when unknown.
std::vector<outcome> outcomes_of(const headless::control_record& c) {
    std::vector<outcome> out;
    if (c.params.kind == PLAT_BAR_BUTTON) {
        const page_link* link = c.params.id == CMD_NEXT ? &next_link : c.params.id == CMD_PREVIOUS ? &prev_link : nullptr;
        if (link != nullptr && link->kind == LINK_PARAGRAPH) out.push_back({paragraph_of_target(link->target), 0, nullptr});
        if (c.params.id == CMD_RETURN) out.push_back({current_paragraph, 0, nullptr});
        return out;
    }
    const hotword* h = record_of(c.params.id);
    if (h == nullptr) return out;
    switch (h->kind) {
        case 'L':
        case 'd':
            chance_outcomes(*h, &out);
            break;
        case 'S':
            answer_outcomes(*h, &out);
            break;
        case 'u': {
            const restart_point* point = restart_point_at(h->index);
            if (point != nullptr) out.push_back({paragraph_of_target(point->paragraph), 0, nullptr});
            break;
        }
        default:
            out.push_back({paragraph_of_target(h->target1), 0, nullptr});
            break;
    }
    return out;
}

// Makes the story's next random number `value` (0 to 32767): the
// generator's state is set to the one whose successor yields it.
void set_next_random(int32_t value) {
    constexpr uint32_t multiplier = 214013u;
    constexpr uint32_t increment = 2531011u;
    uint32_t inverse = multiplier;  // Newton's iteration for the inverse mod 2^32
    for (int i = 0; i < 5; ++i) inverse *= 2u - multiplier * inverse;
    random_state = ((static_cast<uint32_t>(value) << 16) - increment) * inverse;
    random_seeded = 1;
}

class walker {
public:
    walker(const book_tables* book, uint32_t seed, walk_result* result)
        : book_(book),
          random_(seed),
          result_(result),
          size_(book->paragraph_count + 1),
          seen_(static_cast<size_t>(size_), 0),
          visits_(static_cast<size_t>(size_), 0),
          edges_(static_cast<size_t>(size_)),
          learned_(static_cast<size_t>(size_), 0),
          first_(static_cast<size_t>(size_)) {}

    void play(int32_t steps, const std::string* opening) {
        std::remove("VBQ2CorvinAshby.dat");
        if (opening != nullptr) run_opening(*opening);
        headless::reset();
        // The story's generator seeds itself from this clock at its first
        // use in the play, so that every play is fixed by the walk's seed
        // whatever ran before in the process.
        headless::set_tick_count(static_cast<uint32_t>(random_()));
        random_seeded = 0;
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
    // Runs the opening script up to (and with) one of its clicks, picked at
    // random, with a dump after each action: the pages it shows count as
    // reached by the play, and a message of the engine's error path in any
    // dump is reported.  The reader's ordinary exit at the end writes the
    // state file the play then starts from.  Clicks that lead to a page of
    // few choices (a scene, where the story branches, rather than a map of
    // the ways on) are picked four times as often.
    void run_opening(const std::string& script) {
        std::string prefix;  // with a dump after each action
        std::string probe;   // with a dump after each click
        std::vector<size_t> cuts;
        std::istringstream lines(script);
        for (std::string line; std::getline(lines, line);) {
            prefix += line + "\n";
            probe += line + "\n";
            const bool click = line.compare(0, 6, "click ") == 0;
            if (click || line.compare(0, 5, "enter") == 0 || line.compare(0, 8, "command ") == 0) prefix += "dump\n";
            if (click) {
                probe += "dump\n";
                cuts.push_back(prefix.size());
            }
        }
        if (cuts.empty()) return;
        std::vector<uint32_t>& weights = cut_weights_[script];
        if (weights.size() != cuts.size()) weights = weigh_cuts(probe, cuts.size());
        uint32_t total = 0;
        for (uint32_t w : weights) total += w;
        uint32_t r = pick(total);
        size_t cut = 0;
        while (cut + 1 < cuts.size() && r >= weights[cut]) r -= weights[cut++];
        std::string out;
        if (play_script(prefix.substr(0, cuts[cut]), &out)) note_dumps(out);
    }

    // Runs a script through the driver from a fresh state file; false (and
    // a report) when it fails.
    bool play_script(const std::string& script, std::string* dumps) {
        std::remove("VBQ2CorvinAshby.dat");
        std::istringstream in(script);
        std::ostringstream out;
        std::ostringstream err;
        // As in a process of its own: the story's generator seeds itself
        // from the back end's clock at its first use, so the script's
        // rolls and weather are those it was written with.
        random_seeded = 0;
        const int code = driver::run_script(book_, in, out, err);
        *dumps = out.str();
        if (code == 0) return true;
        result_->reports.push_back("the opening script failed: " + err.str());
        return false;
    }

    // Plays the whole opening once and weighs each click by the hotwords
    // of the page it leads to: 4 for a page of at most 6, else 1.
    std::vector<uint32_t> weigh_cuts(const std::string& probe, size_t count) {
        std::vector<uint32_t> weights(count, 1);
        std::string dumps;
        if (!play_script(probe, &dumps)) return weights;
        std::istringstream lines(dumps);
        int32_t dump = -1;
        int32_t hotwords = 0;
        for (std::string line; std::getline(lines, line);) {
            if (line.compare(0, 5, "dump ") == 0) {
                ++dump;
                hotwords = 0;
            } else if (line.compare(0, 10, "  hotword ") == 0) {
                ++hotwords;
            } else if (line == "end" && dump >= 0 && static_cast<size_t>(dump) < count) {
                weights[static_cast<size_t>(dump)] = hotwords <= 6 ? 4 : 1;
            }
        }
        return weights;
    }

    void note_dumps(const std::string& dumps) {
        std::istringstream lines(dumps);
        for (std::string line; std::getline(lines, line);) {
            int shown = 0;
            int current = 0;
            int on_current = 0;
            int pending = 0;
            int messages = 0;
            if (std::sscanf(line.c_str(), "navigation shown %d current %d on_current_page %d pending_screen %d", &shown,
                            &current, &on_current, &pending) == 4) {
                if (pending == 0) mark_reached(shown);
            } else if (std::sscanf(line.c_str(), "messages %d", &messages) == 1 && messages != 0) {
                result_->reports.push_back("the opening script showed a message box");
            }
        }
    }

    uint32_t pick(uint32_t n) { return static_cast<uint32_t>(random_() % n); }
    bool chance(uint32_t percent) { return pick(100) < percent; }

    // Paragraphs outside the book (a target no book makes) count as reached
    // and never visited, so the walker never heads for them.
    bool in_book(int32_t paragraph) const { return paragraph >= 0 && paragraph < size_; }
    bool reached(int32_t paragraph) const { return !in_book(paragraph) || seen_[paragraph] != 0; }
    int32_t visits(int32_t paragraph) const { return in_book(paragraph) ? visits_[paragraph] : 0; }

    // The live controls of the page: those shown and enabled, which the
    // reader can use, and those laid out beyond the window's view.
    void gather(std::vector<choice>* shown, std::vector<choice>* hidden) const {
        for (int32_t i = 0; i < headless::control_count(); ++i) {
            const headless::control_record& c = headless::control(i);
            if (!c.alive || !c.enabled) continue;
            choice ch{headless::control_by_id(c.params.id), c.params.id, c.params.kind == PLAT_EDIT_BOX,
                      c.params.kind == PLAT_BAR_BUTTON, outcomes_of(c)};
            (c.shown ? shown : hidden)->push_back(ch);
        }
    }

    void act() {
        if (headless::timer_running() && pick(2) == 0) {
            headless::advance_clock(static_cast<uint32_t>(headless::timer_period()));
            return;
        }
        // Now and then a menu command (the restart question answered at
        // random); otherwise one of the controls the page shows.
        if (chance(MENU_COMMAND)) {
            const int32_t command = MENU_COMMANDS[pick(MENU_COMMAND_COUNT)];
            if (command == CMD_BEGINNING) headless::queue_answer(pick(2) == 0 ? PLAT_ANSWER_YES : PLAT_ANSWER_NO);
            headless::send_command(command, 0);
            return;
        }
        std::vector<choice> choices;
        std::vector<choice> hidden;
        gather(&choices, &hidden);
        learn(choices, hidden);

        // A choice to a page no play has reached.
        std::vector<std::pair<const choice*, const outcome*>> fresh;
        for (const choice& ch : choices) {
            for (const outcome& o : ch.outcomes) {
                if (!reached(o.paragraph)) fresh.emplace_back(&ch, &o);
            }
        }
        if (!fresh.empty() && chance(PREFER_NEW)) {
            const auto& [ch, o] = fresh[pick(static_cast<uint32_t>(fresh.size()))];
            take(*ch, o);
            return;
        }
        // One laid out below (or above) the view: scroll towards it.
        for (const choice& ch : hidden) {
            for (const outcome& o : ch.outcomes) {
                if (reached(o.paragraph) || !chance(PREFER_NEW)) continue;
                const headless::control_record* c = headless::control_of(ch.control);
                headless::scroll(c != nullptr && c->y < 0 ? SCROLL_PAGE_UP : SCROLL_PAGE_DOWN, 0);
                return;
            }
        }
        if (choices.empty()) {
            // Nothing shown to act on (a long page scrolled): scroll down.
            headless::scroll(SCROLL_PAGE_DOWN, 0);
            return;
        }
        if (chance(HEAD_FOR_NEW) && head_for_new(choices)) return;
        if (chance(PREFER_RARE)) {
            const choice* best = nullptr;
            const outcome* best_outcome = nullptr;
            for (const choice& ch : choices) {
                for (const outcome& o : ch.outcomes) {
                    if (best == nullptr || visits(o.paragraph) < visits(best_outcome->paragraph)) {
                        best = &ch;
                        best_outcome = &o;
                    }
                }
            }
            if (best != nullptr) {
                take(*best, best_outcome);
                return;
            }
        }
        const choice& ch = choices[pick(static_cast<uint32_t>(choices.size()))];
        take(ch, ch.outcomes.empty() ? nullptr : &ch.outcomes[pick(static_cast<uint32_t>(ch.outcomes.size()))]);
    }

    // Uses a choice, aiming at `wanted` (one of its outcomes, or null): a
    // chance button mostly gets the roll for it, an answer field its text.
    void take(const choice& ch, const outcome* wanted) {
        if (ch.edit) {
            const char* text = wanted != nullptr && wanted->answer != nullptr ? wanted->answer : WRONG_ANSWER;
            if (chance(BLANK_ANSWER)) text = "";
            headless::type_text(ch.control, text);
            headless::edit_key(ch.control, headless::KEY_RETURN);
            return;
        }
        if (wanted != nullptr && wanted->roll > 0 && chance(FIX_ROLL)) set_next_random(wanted->roll - 1);
        headless::click(ch.control);
    }

    // What the walk has seen of the book: the pages each page's choices led
    // to when it was last shown (the choices a page offers depend on the
    // story's state, so the last look replaces the earlier ones).
    void learn(const std::vector<choice>& shown, const std::vector<choice>& hidden) {
        if (pending_screen != 0 || !in_book(shown_paragraph)) return;
        std::vector<int32_t>& edges = edges_[shown_paragraph];
        edges.clear();
        learned_[shown_paragraph] = 1;
        for (const std::vector<choice>* list : {&shown, &hidden}) {
            for (const choice& ch : *list) {
                if (ch.command && ch.id == CMD_RETURN) continue;  // leads wherever the reader's place is
                for (const outcome& o : ch.outcomes) {
                    if (in_book(o.paragraph)) edges.push_back(o.paragraph);
                }
            }
        }
    }

    // Takes the first step on the shortest known way to a page that offered
    // a choice to an unreached page: through the page's choices, Rtrn, or
    // the menu's Information and Restart pages.  The walk keeps heading for
    // the page it picked (the nearest one, or as often one at random, so
    // that far ones get their turn) until it gets there or the page offers
    // nothing new any more.  False when no such page is known.
    bool head_for_new(const std::vector<choice>& choices) {
        if (pending_screen != 0 || !in_book(shown_paragraph)) return false;
        const int32_t here = shown_paragraph;
        ++search_;
        queue_.clear();
        frontier_.clear();
        auto start = [&](int32_t paragraph, const choice* ch, int32_t command) {
            if (!in_book(paragraph) || paragraph == here || first_[paragraph].search == search_) return;
            first_[paragraph] = {search_, ch, command};
            queue_.push_back(paragraph);
        };
        for (const choice& ch : choices) {
            for (const outcome& o : ch.outcomes) start(o.paragraph, &ch, 0);
        }
        if (on_current_page == 0) start(current_paragraph, nullptr, CMD_RETURN);
        start(3, nullptr, CMD_RESTART);
        start(6, nullptr, CMD_INFORMATION);
        for (size_t head = 0; head < queue_.size(); ++head) {
            const int32_t at = queue_[head];
            // A page shown but left before the walk looked at its choices
            // (at the end of a play, or by a menu command) may offer new
            // ones too.
            bool offers_new = learned_[at] == 0;
            for (int32_t next : edges_[at]) {
                if (!reached(next)) offers_new = true;
                if (next != here && first_[next].search != search_) {
                    first_[next] = first_[at];
                    queue_.push_back(next);
                }
            }
            if (offers_new) frontier_.push_back(at);  // in order of distance
        }
        const bool goal_valid = goal_ > 0 && first_[goal_].search == search_ &&
                                std::find(frontier_.begin(), frontier_.end(), goal_) != frontier_.end();
        if (!goal_valid) {
            if (frontier_.empty()) {
                goal_ = 0;
                return false;
            }
            goal_ = pick(2) == 0 ? frontier_[0] : frontier_[pick(static_cast<uint32_t>(frontier_.size()))];
        }
        const step& s = first_[goal_];
        if (s.ch == nullptr) {
            headless::send_command(s.command, 0);
        } else {
            take(*s.ch, nullptr);
        }
        return true;
    }

    void mark_reached(int32_t paragraph) {
        result_->reached.insert(paragraph);
        if (in_book(paragraph)) {
            seen_[paragraph] = 1;
            ++visits_[paragraph];
        }
    }

    void note() {
        if (pending_screen == 0) mark_reached(shown_paragraph);
        for (int32_t i = 0; i < headless::message_count() && i < headless::MESSAGE_LOG_SIZE; ++i) {
            const headless::message_record& m = headless::message(i);
            if (is_report(m)) {
                result_->reports.push_back("paragraph " + std::to_string(shown_paragraph) + ": " + m.text);
            }
        }
        headless::clear_messages();
    }

    // The first step of the way to a paragraph in the search numbered
    // `search`: a choice of the page, or else a command.
    struct step {
        uint32_t search;
        const choice* ch;
        int32_t command;
    };

    const book_tables* book_;
    std::mt19937 random_;
    walk_result* result_;
    int32_t size_;                              // paragraph numbers 0 to paragraph_count
    std::vector<uint8_t> seen_;                 // reached by any play
    std::vector<int32_t> visits_;               // times shown, over all plays
    std::vector<std::vector<int32_t>> edges_;   // where the page's choices led when last shown
    std::vector<uint8_t> learned_;              // whether edges_ holds what the page offered
    std::vector<step> first_;
    std::vector<int32_t> queue_;
    uint32_t search_ = 0;
    std::vector<int32_t> frontier_;  // pages that offered a choice to an unreached page
    int32_t goal_ = 0;               // the one the walk heads for
    std::map<std::string, std::vector<uint32_t>> cut_weights_;  // by opening script
};

}  // namespace

walk_result random_walk(const book_tables* book, uint32_t seed, int32_t plays, int32_t steps,
                        const std::vector<std::string>& openings) {
    walk_result result;
    walker w(book, seed, &result);
    for (int32_t play = 0; play < plays; ++play) {
        // With openings, three plays in four start from one, and the fourth
        // from the book's start walks three times as far: the walk needs
        // long stretches to page through long chains of Next links.
        const bool from_opening = !openings.empty() && play % 4 != 0;
        const int32_t length = !openings.empty() && !from_opening ? 3 * steps : steps;
        w.play(length, from_opening ? &openings[static_cast<size_t>(play) % openings.size()] : nullptr);
    }
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
