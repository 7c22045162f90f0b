#include "tools/walk/walker.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <sstream>

#include "app/entry.h"
#include "tools/bookc/charset.h"
#include "platform/headless/driver/driver.h"
#include "platform/headless/headless.h"

namespace tomelet::walk {

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
// leads there); else, now and then, it takes a hotword, band or answer of
// the page that no play has taken, and else mostly heads for a page known
// to offer a way to an unreached page.  The rest of its moves are picked
// at random or go to the least visited page, and wrong and empty answers
// are typed too.
constexpr uint32_t PREFER_NEW = 100;      // take a choice to an unreached page
constexpr uint32_t PREFER_UNTAKEN = 20;   // else a hotword, band or answer no play took
constexpr uint32_t HEAD_FOR_NEW = 90;     // else walk towards a page that offers a new one
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
    const page_view view = app_page_view();
    for (int32_t i = 0; i < view.hotword_count; ++i) {
        if (view.hotwords[i].control_id == control_id) return &view.hotwords[i];
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
    const page_view view = app_page_view();
    if (c.params.kind == PLAT_BAR_BUTTON) {
        const page_link* link = c.params.id == CMD_NEXT ? &view.next_link : c.params.id == CMD_PREVIOUS ? &view.prev_link : nullptr;
        if (link != nullptr && link->kind == LINK_PARAGRAPH) out.push_back({paragraph_of_target(link->target), 0, nullptr});
        if (c.params.id == CMD_RETURN) out.push_back({view.current_paragraph, 0, nullptr});
        return out;
    }
    // The inventory page's buttons have no records (those left are the
    // last paragraph's).
    const hotword* h = view.pending_screen == 0 && view.inventory_shown == 0 ? record_of(c.params.id) : nullptr;
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
            if (h->index >= 0 && h->index < view.restart_point_count) {
                out.push_back({paragraph_of_target(view.restart_points[h->index].paragraph), 0, nullptr});
            }
            break;
        }
        default:
            out.push_back({paragraph_of_target(h->target1), 0, nullptr});
            break;
    }
    return out;
}

// A text as a quoted word of a driver script.
std::string script_text(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

// The outcome (band) a roll of a chance button takes: 0 to bands - 1, or
// the default, `bands`.
int32_t band_of_roll(const hotword& h, int32_t roll, int32_t bands) {
    const int32_t chance1 = static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(h.value)));
    if (roll <= chance1) return 0;
    if (h.kind == 'd' && bands > 1 && roll <= h.chance2) return 1;
    if (h.kind == 'd' && bands > 2 && roll <= h.chance3) return 2;
    return bands;
}

// The state file the reader keeps for `book`: its id followed by ".dat".
std::string state_file_of(const book_tables* book) {
    const bool own = book != nullptr && book->book_info != nullptr && book_id_valid(book->book_info->id);
    return std::string(own ? book->book_info->id : FALLBACK_BOOK_ID) + ".dat";
}

class walker {
public:
    walker(const book_tables* book, const bookc::story_graph* graph, uint32_t seed, walk_result* result)
        : book_(book),
          graph_(graph),
          random_(seed),
          result_(result),
          size_(book->paragraph_count + 1),
          seen_(static_cast<size_t>(size_), 0),
          visits_(static_cast<size_t>(size_), 0),
          edges_(static_cast<size_t>(size_)),
          learned_(static_cast<size_t>(size_), 0),
          first_(static_cast<size_t>(size_)) {
        if (graph_ == nullptr) return;
        edges_of_.resize(graph_->hotwords.size());
        for (const bookc::story_edge& e : graph_->edges) {
            if (e.from > 0) out_[e.from].push_back(e.to);
            if (e.hotword >= 0 && static_cast<size_t>(e.hotword) < edges_of_.size()) {
                edges_of_[static_cast<size_t>(e.hotword)].push_back(&e);
            }
        }
        for (size_t h = 0; h < graph_->hotwords.size(); ++h) {
            by_page_[graph_->hotwords[h].paragraph].push_back(static_cast<int32_t>(h));
            result_->taken.emplace_back(static_cast<size_t>(std::max(graph_->hotwords[h].outcomes, 1)), 0);
        }
    }

    void play(int32_t steps, const std::string* opening) {
        // The cut of the opening is chosen first: weighing the cuts plays
        // the opening through a driver run of its own.
        std::vector<std::string> prefix;
        if (opening != nullptr) prefix = opening_prefix(*opening);
        std::remove(state_file_of(book_).c_str());
        lines_.clear();
        play_endings_.clear();
        std::ostringstream ignored;
        errors_.str("");
        run_ = std::make_unique<driver::script_run>(book_, ignored, errors_);
        bool alive = true;
        for (const std::string& line : prefix) {
            if (!(alive = feed(line))) {
                result_->failures.push_back("the opening script failed: " + errors_.str());
                break;
            }
        }
        // From here on the walk's own seed decides the story's random numbers.
        if (alive) alive = feed("random " + std::to_string(pick(32768)));
        for (int32_t step = 0; alive && step < steps && headless::running() && headless::window().exists; ++step) {
            alive = act();
            ++result_->steps;
        }
        if (alive && headless::running() && headless::window().exists) feed("close");
        run_.reset();
        ++result_->plays;
        for (int32_t p : play_endings_) ++result_->endings[p];
    }

private:
    // Runs one line of the play's script and notes what it showed; false
    // once the run has ended.
    bool feed(const std::string& line) {
        lines_.push_back(line);
        const int status = run_->line(line);
        note();
        return status < 0;
    }

    // The lines of the opening script up to (and with) one of its clicks
    // or committed answers, picked at random, without its dumps and
    // screenshots.  One that leads to a page offering a way to a page no
    // play has reached yet is picked eight times as often, and one that
    // leads to a page of few choices (a scene, where the story branches,
    // rather than a map of the ways on) four times as often.
    std::vector<std::string> opening_prefix(const std::string& script) {
        std::vector<std::string> lines;
        std::vector<size_t> cuts;
        std::string probe;  // with a dump after each click
        std::istringstream in(script);
        for (std::string line; std::getline(in, line);) {
            if (line.compare(0, 4, "dump") == 0 || line.compare(0, 10, "screenshot") == 0) continue;
            lines.push_back(line);
            probe += line + "\n";
            // A click, or an answer committed, moves the story on.
            if (line.compare(0, 6, "click ") == 0 || line.compare(0, 5, "enter") == 0 ||
                line.compare(0, 3, "tab") == 0) {
                probe += "dump\n";
                cuts.push_back(lines.size());
            }
        }
        if (cuts.empty()) return {};
        std::vector<cut_page>& pages = cut_pages_[script];
        if (pages.size() != cuts.size()) pages = probe_cuts(probe, cuts.size());
        std::vector<uint32_t> weights;
        uint32_t total = 0;
        for (const cut_page& c : pages) {
            weights.push_back((c.hotwords <= 6 ? 4u : 1u) * (offers_unreached(c.paragraph) ? 8u : 1u));
            total += weights.back();
        }
        uint32_t r = pick(total);
        size_t cut = 0;
        while (cut + 1 < cuts.size() && r >= weights[cut]) r -= weights[cut++];
        lines.resize(cuts[cut]);
        return lines;
    }

    // Whether a page offers a way to a page no play has reached: by the
    // story graph when there is one, else by what the walk has seen.
    bool offers_unreached(int32_t paragraph) const {
        if (!in_book(paragraph)) return false;
        if (graph_ != nullptr) {
            const auto at = out_.find(paragraph);
            if (at == out_.end()) return false;
            return std::any_of(at->second.begin(), at->second.end(), [&](int32_t to) { return !reached(to); });
        }
        if (learned_[paragraph] == 0) return true;
        const std::vector<int32_t>& edges = edges_[paragraph];
        return std::any_of(edges.begin(), edges.end(), [&](int32_t to) { return !reached(to); });
    }

    // The page each click (or answer) of an opening leads to, and its
    // hotwords: the opening played once with a dump after each.
    struct cut_page {
        int32_t paragraph = 0;
        int32_t hotwords = 0;
    };
    std::vector<cut_page> probe_cuts(const std::string& probe, size_t count) {
        std::vector<cut_page> pages(count);
        std::remove(state_file_of(book_).c_str());
        std::istringstream in(probe);
        std::ostringstream out;
        std::ostringstream err;
        if (driver::run_script(book_, in, out, err) != 0) {
            result_->failures.push_back("the opening script failed: " + err.str());
            return pages;
        }
        std::istringstream lines(out.str());
        int32_t dump = -1;
        cut_page page;
        for (std::string line; std::getline(lines, line);) {
            int shown = 0;
            if (line.compare(0, 5, "dump ") == 0) {
                ++dump;
                page = {};
            } else if (std::sscanf(line.c_str(), "navigation shown %d", &shown) == 1) {
                page.paragraph = shown;
            } else if (line.compare(0, 10, "  hotword ") == 0) {
                ++page.hotwords;
            } else if (line == "end" && dump >= 0 && static_cast<size_t>(dump) < count) {
                pages[static_cast<size_t>(dump)] = page;
            }
        }
        return pages;
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

    bool command(int32_t id) {
        // The restart question, answered at random.
        if (id == CMD_BEGINNING && !feed(pick(2) == 0 ? "answer yes" : "answer no")) return false;
        return feed("command " + std::to_string(id));
    }

    bool act() {
        if (headless::timer_running() && pick(2) == 0) return feed("timer");
        // Now and then a menu command; otherwise one of the controls the
        // page shows.
        if (chance(MENU_COMMAND)) return command(MENU_COMMANDS[pick(MENU_COMMAND_COUNT)]);
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
            return take(*ch, o);
        }
        // One laid out below (or above) the view: scroll towards it.
        for (const choice& ch : hidden) {
            for (const outcome& o : ch.outcomes) {
                if (reached(o.paragraph) || !chance(PREFER_NEW)) continue;
                const headless::control_record* c = headless::control_of(ch.control);
                return feed(c != nullptr && c->y < 0 ? "scroll pageup" : "scroll pagedown");
            }
        }
        // Nothing shown to act on (a long page scrolled): scroll down.
        if (choices.empty()) return feed("scroll pagedown");
        // A hotword, band or answer of this page that no play has taken.
        if (graph_ != nullptr && chance(PREFER_UNTAKEN)) {
            std::vector<std::pair<const choice*, const outcome*>> untaken;
            for (const choice& ch : choices) {
                const hotword* record = ch.command ? nullptr : story_record(ch.id);
                const int32_t source = record != nullptr ? source_of(*record, ch.id) : -1;
                if (source < 0) continue;
                const std::vector<int32_t>& counts = result_->taken[static_cast<size_t>(source)];
                for (const bookc::story_edge* e : edges_of_[source]) {
                    if (static_cast<size_t>(e->outcome) >= counts.size() || counts[static_cast<size_t>(e->outcome)] != 0) {
                        continue;
                    }
                    for (const outcome& o : ch.outcomes) {
                        if (o.paragraph == e->to) untaken.emplace_back(&ch, &o);
                    }
                    if (ch.outcomes.empty()) untaken.emplace_back(&ch, nullptr);
                }
            }
            if (!untaken.empty()) {
                const auto& [ch, o] = untaken[pick(static_cast<uint32_t>(untaken.size()))];
                return take(*ch, o);
            }
        }
        if (chance(HEAD_FOR_NEW)) {
            int32_t status = 0;
            if (head_for_new(choices, &status)) return status != 0;
        }
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
            if (best != nullptr) return take(*best, best_outcome);
        }
        const choice& ch = choices[pick(static_cast<uint32_t>(choices.size()))];
        return take(ch, ch.outcomes.empty() ? nullptr : &ch.outcomes[pick(static_cast<uint32_t>(ch.outcomes.size()))]);
    }

    // Uses a choice, aiming at `wanted` (one of its outcomes, or null): a
    // chance button mostly gets the roll for it (always a roll of the
    // walk's choosing, so that the script says which band was taken), an
    // answer field its text.
    bool take(const choice& ch, const outcome* wanted) {
        const hotword* record = ch.command ? nullptr : story_record(ch.id);
        const int32_t source = record != nullptr ? source_of(*record, ch.id) : -1;
        const int32_t outcomes = source >= 0 ? graph_->hotwords[static_cast<size_t>(source)].outcomes : 1;
        int32_t outcome_taken = 0;
        if (ch.edit) {
            std::string text = wanted != nullptr && wanted->answer != nullptr ? wanted->answer : WRONG_ANSWER;
            if (chance(BLANK_ANSWER)) text.clear();
            outcome_taken = outcomes - 1;
            if (record != nullptr && !text.empty()) {
                const char* answers[] = {record->answer1, record->answer2, record->answer3};
                for (int32_t i = outcomes - 2; i >= 0; --i) {
                    if (i < 3 && text == answers[i]) outcome_taken = i;
                }
            }
            const std::string id = std::to_string(ch.id);
            if (!feed("type " + id + " " + script_text(text))) return false;
            count_taken(source, outcome_taken);
            return feed("enter " + id);
        }
        if (record != nullptr && (record->kind == 'L' || record->kind == 'd')) {
            const int32_t sides = record->kind == 'L' ? LUCK_SIDES : PERCENT_SIDES;
            int32_t value = static_cast<int32_t>(pick(32768));
            if (wanted != nullptr && wanted->roll > 0 && chance(FIX_ROLL)) value = wanted->roll - 1;
            outcome_taken = band_of_roll(*record, value % sides + 1, outcomes - 1);
            if (!feed("random " + std::to_string(value))) return false;
        }
        count_taken(source, outcome_taken);
        return feed("click " + std::to_string(ch.id));
    }

    // The page's hotword record behind a control, while a story page is
    // shown (the inventory page's buttons have no records).
    static const hotword* story_record(int32_t control_id) {
        const page_view view = app_page_view();
        if (view.pending_screen != 0 || view.inventory_shown != 0) return nullptr;
        return record_of(control_id);
    }

    // The hotword tag of the shown paragraph that made `record`, or -1.
    int32_t source_of(const hotword& record, int32_t control_id) const {
        if (graph_ == nullptr) return -1;
        const page_view view = app_page_view();
        const auto at = by_page_.find(view.shown_paragraph);
        if (at == by_page_.end()) return -1;
        const int32_t index = page_control_kind_of(control_id) == PAGE_HOTWORD ? page_control_index(control_id) : -1;
        const bool button = record.kind != 'S' && index >= 0 && index < view.button_count;
        const std::string label = button ? view.buttons[index].label : "";
        const bool picture = button && view.buttons[index].has_picture != 0;
        for (int32_t h : at->second) {
            const bookc::story_hotword& s = graph_->hotwords[static_cast<size_t>(h)];
            if (s.kind != record.kind) continue;
            if (record.kind == 'u') {
                if (s.index == record.index && s.label == label) return h;
                continue;
            }
            if (s.target1 != record.target1) continue;
            if ((s.kind == 'L' || s.kind == 'd' || s.kind == 'S') && s.default_target != record.default_target) continue;
            if (s.kind != 'S' && (s.picture != picture || (!picture && s.label != label))) continue;
            return h;
        }
        return -1;
    }

    void count_taken(int32_t source, int32_t outcome) {
        if (source < 0) return;
        std::vector<int32_t>& counts = result_->taken[static_cast<size_t>(source)];
        if (outcome >= 0 && static_cast<size_t>(outcome) < counts.size()) ++counts[static_cast<size_t>(outcome)];
    }

    // What the walk has seen of the book: the pages each page's choices led
    // to when it was last shown (the choices a page offers depend on the
    // story's state, so the last look replaces the earlier ones).
    void learn(const std::vector<choice>& shown, const std::vector<choice>& hidden) {
        const page_view view = app_page_view();
        if (view.pending_screen != 0 || !in_book(view.shown_paragraph)) return;
        std::vector<int32_t>& edges = edges_[view.shown_paragraph];
        edges.clear();
        learned_[view.shown_paragraph] = 1;
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
    // nothing new any more.  False when no such page is known; else
    // *alive tells whether the run goes on.
    bool head_for_new(const std::vector<choice>& choices, int32_t* alive) {
        const page_view view = app_page_view();
        if (view.pending_screen != 0 || !in_book(view.shown_paragraph)) return false;
        const int32_t here = view.shown_paragraph;
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
        if (view.on_current_page == 0) start(view.current_paragraph, nullptr, CMD_RETURN);
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
            *alive = command(s.command) ? 1 : 0;
        } else {
            *alive = take(*s.ch, nullptr) ? 1 : 0;
        }
        return true;
    }

    void mark_reached(int32_t paragraph) {
        result_->reached.insert(paragraph);
        if (in_book(paragraph)) {
            seen_[paragraph] = 1;
            ++visits_[paragraph];
        }
        if (graph_ != nullptr) {
            const bookc::story_page* page = graph_->page(paragraph);
            if (page != nullptr && page->ending) play_endings_.insert(paragraph);
        }
    }

    // After each line: the page shown, and the engine's messages.
    void note() {
        const page_view view = app_page_view();
        if (view.pending_screen == 0 && headless::window().exists) mark_reached(view.shown_paragraph);
        for (int32_t i = 0; i < headless::message_count() && i < headless::MESSAGE_LOG_SIZE; ++i) {
            const headless::message_record& m = headless::message(i);
            if (!is_report(m)) continue;
            auto known = std::find_if(result_->messages.begin(), result_->messages.end(), [&](const walk_message& w) {
                return w.paragraph == view.shown_paragraph && w.text == m.text;
            });
            if (known != result_->messages.end()) {
                ++known->count;
                continue;
            }
            std::string script;
            for (const std::string& line : lines_) script += line + "\n";
            result_->messages.push_back({view.shown_paragraph, m.text, 1, script});
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
    const bookc::story_graph* graph_;
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
    std::map<std::string, std::vector<cut_page>> cut_pages_;  // by opening script
    std::map<int32_t, std::vector<int32_t>> out_;     // the graph's ways on, by paragraph
    std::vector<std::vector<const bookc::story_edge*>> edges_of_;  // the graph's ways, by hotword
    std::map<int32_t, std::vector<int32_t>> by_page_;  // the graph's hotwords by paragraph
    std::unique_ptr<driver::script_run> run_;
    std::ostringstream errors_;
    std::vector<std::string> lines_;  // the play's script so far
    std::set<int32_t> play_endings_;  // marked endings this play reached
};

}  // namespace

walk_result walk_book(const book_tables* book, const bookc::story_graph* graph, const walk_options& options) {
    walk_result result;
    walker w(book, graph, options.seed, &result);
    for (int32_t play = 0; play < options.plays; ++play) {
        // With openings, three plays in four start from one, and the fourth
        // from the book's start walks three times as far: the walk needs
        // long stretches to page through long chains of Next links.
        const bool from_opening = !options.openings.empty() && play % 4 != 0;
        const int32_t length = !options.openings.empty() && !from_opening ? 3 * options.steps : options.steps;
        w.play(length, from_opening ? &options.openings[static_cast<size_t>(play) % options.openings.size()] : nullptr);
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

namespace {

std::string where(const bookc::story_graph* graph, int32_t paragraph) {
    const bookc::story_page* page = graph != nullptr ? graph->page(paragraph) : nullptr;
    if (page == nullptr) return "paragraph " + std::to_string(paragraph);
    return page->file + ":" + std::to_string(page->line) + ": paragraph " + std::to_string(paragraph) + " \"" +
           bookc::cp1252_to_utf8(page->title) + "\"";
}

}  // namespace

std::string walk_report(const book_tables* book, const bookc::story_graph* graph, const walk_result& result) {
    std::ostringstream out;
    const std::vector<int32_t> with_text = unreached(book, {});
    const std::vector<int32_t> missed = unreached(book, result.reached);
    const size_t reached = with_text.size() - missed.size();
    char percent[32];
    std::snprintf(percent, sizeof percent, "%.1f", with_text.empty() ? 100.0 : 100.0 * reached / with_text.size());
    out << "plays " << result.plays << ", steps " << result.steps << "\n";
    out << "pages reached: " << reached << " of " << with_text.size() << " with text (" << percent << "%)\n";
    for (const std::string& failure : result.failures) out << "failure: " << failure << "\n";

    out << "\npages never reached: " << missed.size() << "\n";
    for (int32_t n : missed) out << "  " << where(graph, n) << "\n";

    if (graph != nullptr) {
        // Hotwords of the pages reached whose tag no play took, or some of
        // whose bands or answers no play took.  (Those of pages never
        // reached are never taken either.)
        std::vector<std::string> lines;
        for (size_t h = 0; h < graph->hotwords.size() && h < result.taken.size(); ++h) {
            const bookc::story_hotword& hw = graph->hotwords[h];
            if (result.reached.count(hw.paragraph) == 0) continue;
            const std::vector<int32_t>& counts = result.taken[h];
            const bool none = std::all_of(counts.begin(), counts.end(), [](int32_t c) { return c == 0; });
            const std::string name = hw.kind == 'S' ? std::string("answer field") :
                                     hw.picture     ? "picture hotword" : "\"" + bookc::cp1252_to_utf8(hw.label) + "\"";
            const std::string at = hw.file + ":" + std::to_string(hw.line) + ": paragraph " +
                                   std::to_string(hw.paragraph) + " " + name;
            if (none) {
                lines.push_back(at + " never taken");
                continue;
            }
            if (counts.size() < 2) continue;
            for (size_t o = 0; o < counts.size(); ++o) {
                if (counts[o] != 0) continue;
                for (const bookc::story_edge& e : graph->edges) {
                    if (e.hotword == static_cast<int32_t>(h) && e.outcome == static_cast<int32_t>(o)) {
                         lines.push_back(at + ": " + bookc::cp1252_to_utf8(e.label) + " (to paragraph " + std::to_string(e.to) + ") never taken");
                        break;
                    }
                }
            }
        }
        out << "\nhotwords never taken on pages reached: " << lines.size() << "\n";
        for (const std::string& line : lines) out << "  " << line << "\n";

        out << "\nendings reached:\n";
        size_t marked = 0;
        for (const bookc::story_page& p : graph->pages) {
            if (!p.ending) continue;
            ++marked;
            const auto at = result.endings.find(p.number);
            const int32_t plays = at == result.endings.end() ? 0 : at->second;
            out << "  " << where(graph, p.number) << ": " << plays << (plays == 1 ? " play" : " plays") << "\n";
        }
        if (marked == 0) out << "  (no page is marked '@@ ending')\n";
    }

    out << "\nengine messages: " << result.messages.size() << "\n";
    for (const walk_message& m : result.messages) {
        out << "  " << where(graph, m.paragraph) << ": \"" << bookc::cp1252_to_utf8(m.text) << "\", met " << m.count
            << (m.count == 1 ? " time" : " times") << "; this driver script (tomelet-headless --book with the book folder, in an empty folder) "
            << "plays up to it:\n";
        std::istringstream lines(m.script);
        for (std::string line; std::getline(lines, line);) out << "    " << line << "\n";
    }
    return out.str();
}

}  // namespace tomelet::walk
