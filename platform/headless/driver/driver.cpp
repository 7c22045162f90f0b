#include "platform/headless/driver/driver.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <istream>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/entry.h"
#include "platform/common/model_dump.h"
#include "platform/headless/headless.h"
#include "tools/bookc/charset.h"

namespace tomelet::driver {

namespace {

using model_dump::link_text;
using model_dump::quote;

// A script's text as the book writes it: a script is UTF-8, and the book's
// labels and answers are in the reader's character set (Windows-1252), so
// "“Yes”" is converted as the compiler converts the book.  Text that is
// not valid UTF-8, or holds a character the set lacks, is taken byte for
// byte as it stands (a script written in the set itself).
std::string book_text(const std::string& script_text) {
    std::string converted;
    std::string problem;
    return bookc::utf8_to_cp1252(script_text, &converted, &problem) ? converted : script_text;
}

// A script line split into words; a word in double quotes may hold blanks,
// and \" and \\ stand for a quote and a backslash inside it.
struct script_line {
    std::vector<std::string> words;
    std::vector<bool> quoted;
};

bool split_line(const std::string& line, script_line* out, std::string* error) {
    size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
            ++i;
            continue;
        }
        if (line[i] == '#' && out->words.empty()) return true;
        std::string word;
        if (line[i] == '"') {
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char c = line[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\' && i < line.size()) c = line[i++];
                word += c;
            }
            if (!closed) {
                *error = "a quoted text is not closed";
                return false;
            }
            out->words.push_back(word);
            out->quoted.push_back(true);
            continue;
        }
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') word += line[i++];
        out->words.push_back(word);
        out->quoted.push_back(false);
    }
    return true;
}

bool parse_int(const std::string& text, int32_t* value) {
    if (text.empty()) return false;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || v < INT32_MIN || v > INT32_MAX) return false;
    *value = static_cast<int32_t>(v);
    return true;
}

// The settings' ranges (docs/headless-driver.md).  A screen or window side
// is at most 32767 pixels, as the size a window is told of carries 16 bits;
// a version part at most 999.
constexpr int32_t MAX_SCREEN_HEIGHT = 32767;
constexpr int32_t MAX_PIXELS_PER_INCH = 1200;
constexpr int32_t MAX_CLIENT_SIDE = 32767;
constexpr int32_t MAX_VERSION_PART = 999;

bool parse_int_in(const std::string& text, int32_t low, int32_t high, int32_t* value) {
    return parse_int(text, value) && *value >= low && *value <= high;
}

// "MAJOR.MINOR", each 0 to MAX_VERSION_PART.
bool parse_version(const std::string& text, int32_t* major, int32_t* minor) {
    const size_t dot = text.find('.');
    if (dot == std::string::npos) return false;
    return parse_int_in(text.substr(0, dot), 0, MAX_VERSION_PART, major) &&
           parse_int_in(text.substr(dot + 1), 0, MAX_VERSION_PART, minor);
}

struct named_value {
    const char* name;
    int32_t value;
};

constexpr named_value COMMANDS[] = {
    {"beginning", CMD_BEGINNING}, {"information", CMD_INFORMATION}, {"restart", CMD_RESTART},
    {"objective", CMD_OBJECTIVE}, {"sounds", CMD_SOUNDS},            {"hints", CMD_HINTS},
    {"about", CMD_ABOUT},         {"credits", CMD_CREDITS},          {"exit", CMD_EXIT},
    {"return", CMD_RETURN},       {"next", CMD_NEXT},                {"prev", CMD_PREVIOUS},
    {"instructions", CMD_INSTRUCTIONS}, {"checkbox", CMD_SOUND_CHECKBOX}, {"ok", CMD_SOUNDS_OK},
};

constexpr named_value KEYS[] = {
    {"prior", KEY_PRIOR}, {"next", KEY_NEXT}, {"end", KEY_END},         {"home", KEY_HOME},
    {"up", KEY_UP},       {"down", KEY_DOWN}, {"enter", headless::KEY_RETURN},
    {"tab", headless::KEY_TAB}, {"backspace", headless::KEY_BACKSPACE},
};

constexpr named_value SCROLLS[] = {
    {"lineup", SCROLL_LINE_UP},   {"linedown", SCROLL_LINE_DOWN},           {"pageup", SCROLL_PAGE_UP},
    {"pagedown", SCROLL_PAGE_DOWN}, {"thumbposition", SCROLL_THUMB_POSITION}, {"thumbtrack", SCROLL_THUMB_TRACK},
    {"top", SCROLL_TOP},          {"bottom", SCROLL_BOTTOM},                {"endscroll", SCROLL_END},
};

constexpr named_value ANSWERS[] = {{"ok", PLAT_ANSWER_OK}, {"yes", PLAT_ANSWER_YES}, {"no", PLAT_ANSWER_NO}};

template <size_t N>
bool look_up(const named_value (&table)[N], const std::string& name, int32_t* value) {
    for (const named_value& entry : table) {
        if (name == entry.name) {
            *value = entry.value;
            return true;
        }
    }
    return false;
}

const char* control_kind_name(int32_t kind) {
    switch (kind) {
        case PLAT_EDIT_BOX: return "edit";
        case PLAT_PUSH_BUTTON: return "push";
        case PLAT_HOTWORD_BUTTON: return "hotword";
        case PLAT_PICTURE_BUTTON: return "picture";
        case PLAT_CHECK_BOX: return "check";
        case PLAT_BAR_BUTTON: return "bar";
        default: return "unknown";
    }
}

const char* font_name(const headless::draw_record& d) {
    if (d.font == nullptr) return "default";
    return d.weight >= headless::BOLD_WEIGHT ? "bold" : "normal";
}

std::string rect_text(const plat_rect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

class session {
public:
    session(const book_tables* book, std::ostream& out, std::ostream& err) : book_(book), out_(out), err_(err) {}

    int run(std::istream& script) {
        begin();
        std::string line;
        while (std::getline(script, line)) {
            const int status = feed(line);
            if (status >= 0) return status;
        }
        return end();
    }

    // Every run starts as a new process does: the engine put back (its
    // controls destroyed while the back end still knows them), then a
    // fresh back end.
    static void begin() {
        app_reset_engine();
        headless::reset();
    }

    // Runs one line of the script: -1 while the run goes on, else its
    // exit code.
    int feed(const std::string& line) {
        ++line_number_;
        script_line words;
        std::string error;
        if (!split_line(line, &words, &error)) return fail(error);
        if (words.words.empty()) return -1;
        return execute(words);
    }

    int end() {
        if (!started_ && !start()) return 1;
        // The end of the script closes the reader the ordinary way.
        if (headless::running() && headless::window().exists) {
            plat_window_post_close();
            headless::pump();
        }
        return finish();
    }

private:
    // -1: go on; otherwise the exit code of the run.
    int execute(const script_line& line) {
        const std::string& verb = line.words[0];
        const size_t args = line.words.size() - 1;
        auto arg = [&](size_t i) -> const std::string& { return line.words[i]; };

        // Settings of the machine, before the reader starts.
        if (verb == "screen" || verb == "ppi" || verb == "os" || verb == "running-copy") {
            if (started_) return fail("'" + verb + "' must come before the reader starts");
            int32_t value = 0;
            if (verb == "running-copy") {
                if (args != 0) return usage(verb);
                headless::set_running_copy(true);
            } else if (verb == "os") {
                int32_t major = 0;
                int32_t minor = 0;
                if (args != 1 || !parse_version(arg(1), &major, &minor)) {
                    return fail("'os' takes MAJOR.MINOR, each 0 to " + std::to_string(MAX_VERSION_PART));
                }
                headless::set_os_version(major, minor);
            } else {
                const int32_t high = verb == "screen" ? MAX_SCREEN_HEIGHT : MAX_PIXELS_PER_INCH;
                if (args != 1 || !parse_int_in(arg(1), 1, high, &value)) {
                    return fail("'" + verb + "' takes one number from 1 to " + std::to_string(high));
                }
                if (verb == "screen") headless::set_screen_height(value);
                if (verb == "ppi") headless::set_pixels_per_inch(value);
            }
            return -1;
        }
        if (verb == "start") {
            if (started_ || args != 0) return usage(verb);
            return start() ? -1 : 1;
        }
        if (!started_ && !start()) return 1;
        if (!headless::running()) return fail("the reader has ended; '" + verb + "' cannot run");

        int32_t value = 0;
        if (verb == "command") {
            if (args != 1 || !(parse_int(arg(1), &value) || look_up(COMMANDS, arg(1), &value))) return usage(verb);
            headless::send_command(value, 0);
        } else if (verb == "click") {
            int32_t occurrence = 1;
            if (args < 1 || args > 2) return usage(verb);
            if (args == 2 && (!parse_int(arg(2), &occurrence) || occurrence < 1)) return usage(verb);
            bool clicked = false;
            if (line.quoted[1]) {
                plat_control c = find_by_label(book_text(arg(1)), occurrence);
                clicked = c != nullptr && headless::click(c);
            } else if (args == 1 && parse_int(arg(1), &value)) {
                clicked = headless::click_id(value);
            } else {
                return usage(verb);
            }
            if (!clicked) return fail("no shown, enabled control " + quote(arg(1).c_str()) + " to click");
        } else if (verb == "random") {
            if (args != 1 || !parse_int(arg(1), &value) || value < 0 || value > 32767) return usage(verb);
            app_set_next_random(value);
        } else if (verb == "type") {
            plat_control box = nullptr;
            if (args == 1 && line.quoted[1]) {
                box = find_box(nullptr);
            } else if (args == 2 && parse_int(arg(1), &value) && line.quoted[2]) {
                box = find_box(&value);
            } else {
                return usage(verb);
            }
            if (box == nullptr) return fail("no text-entry box to type into");
            headless::type_text(box, book_text(arg(args)).c_str());
            headless::pump();
        } else if (verb == "enter" || verb == "tab") {
            plat_control box = nullptr;
            if (args == 0) {
                box = find_box(nullptr);
            } else if (args == 1 && parse_int(arg(1), &value)) {
                box = find_box(&value);
            } else {
                return usage(verb);
            }
            if (box == nullptr) return fail("no text-entry box to commit");
            if (!headless::edit_key(box, verb == "enter" ? headless::KEY_RETURN : headless::KEY_TAB)) {
                return fail("the text-entry box cannot take keys");
            }
        } else if (verb == "key") {
            if (args != 1 || !look_up(KEYS, arg(1), &value)) return usage(verb);
            headless::press_key(value);
        } else if (verb == "scroll") {
            int32_t track = 0;
            if (args < 1 || args > 2 || !look_up(SCROLLS, arg(1), &value)) return usage(verb);
            if (args == 2 && !parse_int(arg(2), &track)) return usage(verb);
            headless::scroll(value, track);
        } else if (verb == "timer") {
            if (args != 0) return usage(verb);
            if (!headless::timer_running()) return fail("the timer is not running");
            headless::advance_clock(static_cast<uint32_t>(headless::timer_period()));
        } else if (verb == "wait") {
            if (args != 1 || !parse_int(arg(1), &value) || value < 0) return usage(verb);
            headless::advance_clock(static_cast<uint32_t>(value));
        } else if (verb == "answer") {
            if (args != 1 || !look_up(ANSWERS, arg(1), &value)) return usage(verb);
            headless::queue_answer(value);
        } else if (verb == "size") {
            int32_t height = 0;
            if (args != 2 || !parse_int_in(arg(1), 0, MAX_CLIENT_SIDE, &value) ||
                !parse_int_in(arg(2), 0, MAX_CLIENT_SIDE, &height)) {
                return fail("'size' takes a width and a height, each 0 to " + std::to_string(MAX_CLIENT_SIDE));
            }
            headless::set_client_size(value, height);
        } else if (verb == "close") {
            if (args != 0) return usage(verb);
            plat_window_post_close();
            headless::pump();
            return finish();
        } else if (verb == "kill") {
            if (args != 0) return usage(verb);
            abandon();
            return KILLED;
        } else if (verb == "dump") {
            if (args != 0) return usage(verb);
            dump();
        } else if (verb == "screenshot") {
            if (args != 1) return usage(verb);
            if (!headless::screenshot(arg(1).c_str())) return fail("cannot write " + quote(arg(1).c_str()));
        } else {
            return fail("unknown command '" + verb + "'");
        }
        if (!headless::running()) return finish();
        return -1;
    }

    bool start() {
        started_ = true;
        if (!app_start(book_)) {
            explain_refusal();
            return false;
        }
        headless::pump();
        return true;
    }

    // A refused start says why on the error stream, as the Windows reader
    // does with its window or message box: the messages shown, and whether
    // another copy was brought to the front.
    void explain_refusal() {
        if (headless::running_copy_raised() > 0) {
            err_ << "tomelet-headless: another copy of the reader holds the book (" << app_state_file_name()
                 << "); it was brought to the front\n";
        }
        const int32_t shown = std::min(headless::message_count(), headless::MESSAGE_LOG_SIZE);
        for (int32_t i = 0; i < shown; ++i) {
            const char* text = headless::message(i).text;
            err_ << "tomelet-headless: " << text;
            if (std::strcmp(text, state_file_refused_text) == 0) {
                err_ << " (the state file " << app_state_file_name()
                     << " is held by another copy of the reader, or cannot be opened or created here)";
            }
            err_ << "\n";
        }
    }

    int finish() {
        // The reader's loop has ended (or the window is gone): write the
        // state file back, as the program does after its loop.  A place
        // that could not be saved ends the run with 1 and says so.
        if (!finished_) {
            finished_ = true;
            if (!app_finish()) {
                err_ << "tomelet-headless: the reader's place could not be saved: " << app_state_file_name()
                     << " could not be written\n";
                return 1;
            }
        }
        return headless::running() ? 0 : headless::exit_code();
    }

    // The label a control shows: a hotword's from its button-table entry,
    // any other control's window text.
    static const char* shown_label(const headless::control_record& c) {
        return c.params.kind == PLAT_HOTWORD_BUTTON ? label_of(c.params.id) : c.text;
    }

    // The occurrence-th shown, enabled control whose label is `label`, or
    // starts with it when it ends in `*`.
    static plat_control find_by_label(const std::string& label, int32_t occurrence) {
        const bool prefix = !label.empty() && label.back() == '*';
        const std::string wanted = prefix ? label.substr(0, label.size() - 1) : label;
        for (int32_t i = 0; i < headless::control_count(); ++i) {
            const headless::control_record& c = headless::control(i);
            if (!c.alive || !c.shown || !c.enabled) continue;
            const std::string shown = shown_label(c);
            const bool match = prefix ? shown.compare(0, wanted.size(), wanted) == 0 : shown == wanted;
            if (match && --occurrence == 0) return headless::control_by_id(c.params.id);
        }
        return nullptr;
    }

    // The text-entry box named by id, or else the one with the focus, or
    // else the only one shown.
    static plat_control find_box(const int32_t* id) {
        if (id != nullptr) {
            plat_control c = headless::control_by_id(*id);
            const headless::control_record* r = headless::control_of(c);
            return r != nullptr && r->params.kind == PLAT_EDIT_BOX ? c : nullptr;
        }
        plat_control focused = headless::focused_control();
        const headless::control_record* f = headless::control_of(focused);
        if (f != nullptr && f->params.kind == PLAT_EDIT_BOX) return focused;
        plat_control only = nullptr;
        for (int32_t i = 0; i < headless::control_count(); ++i) {
            const headless::control_record& r = headless::control(i);
            if (!r.alive || !r.shown || r.params.kind != PLAT_EDIT_BOX) continue;
            if (only != nullptr) return nullptr;
            only = headless::control_by_id(r.params.id);
        }
        return only;
    }

    void dump() {
        ++dumps_;
        out_ << "dump " << dumps_ << "\n";
        const page_view view = app_page_view();
        out_ << model_dump::navigation(view) << " scroll_origin " << view.scroll_origin << "\n";
        out_ << model_dump::links(view);
        const headless::window_record& w = headless::window();
        out_ << "window " << quote(w.title) << " client " << w.client_width << "x" << w.client_height << " timer "
             << (headless::timer_running() ? std::to_string(headless::timer_period()) : std::string("off")) << "\n";
        const plat_scroll_info s = plat_scroll_get();
        out_ << "scroll min " << s.minimum << " max " << s.maximum << " page " << s.page << " pos " << s.position
             << "\n";

        out_ << model_dump::items(view);

        const int32_t draws = std::min(headless::draw_count(), headless::DRAW_LOG_SIZE);
        out_ << "lines " << draws << "\n";
        for (int32_t i = 0; i < draws; ++i) {
            const headless::draw_record& d = headless::draw(i);
            if (d.kind == headless::DRAW_TEXT) {
                char format[16];
                std::snprintf(format, sizeof format, "0x%03X", d.format);
                out_ << "  text " << rect_text(d.rect) << " " << font_name(d) << " " << format << " " << quote(d.text)
                     << "\n";
            } else if (d.kind == headless::DRAW_INVERT) {
                out_ << "  invert " << rect_text(d.rect) << "\n";
            } else {
                out_ << "  picture " << d.resource << " " << d.x << "," << d.y << " " << d.width << "x" << d.height
                     << "\n";
            }
        }

        int32_t live = 0;
        for (int32_t i = 0; i < headless::control_count(); ++i) live += headless::control(i).alive ? 1 : 0;
        out_ << "controls " << live << "\n";
        for (int32_t i = 0; i < headless::control_count(); ++i) {
            const headless::control_record& c = headless::control(i);
            if (!c.alive) continue;
            const char* label = shown_label(c);
            out_ << "  " << control_kind_name(c.params.kind) << " " << c.params.id << " " << quote(label) << " "
                 << c.x << "," << c.y << " " << c.width << "x" << c.height << (c.shown ? " shown" : " hidden")
                 << (c.enabled ? "" : " disabled") << (c.focused ? " focused" : "");
            if (c.params.kind == PLAT_CHECK_BOX) out_ << (c.checked ? " checked" : " unchecked");
            if (c.params.kind == PLAT_EDIT_BOX) out_ << " max " << c.params.max_length;
            out_ << "\n";
        }

        out_ << "navbar return " << bar_state(CMD_RETURN) << " prev " << bar_state(CMD_PREVIOUS) << " next "
             << bar_state(CMD_NEXT) << "\n";

        out_ << "sounds";
        if (headless::sound_count() == 0) out_ << " none";
        for (int32_t i = 0; i < headless::sound_count() && i < headless::SOUND_LOG_SIZE; ++i) {
            const char* name = headless::sound(i);
            out_ << " " << (name[0] == '\0' ? "-" : name);
        }
        out_ << "\n";
        headless::clear_sounds();

        out_ << "messages " << headless::message_count() << "\n";
        for (int32_t i = 0; i < headless::message_count() && i < headless::MESSAGE_LOG_SIZE; ++i) {
            const headless::message_record& m = headless::message(i);
            out_ << "  " << quote(m.text) << " caption "
                 << (m.default_caption ? std::string("default") : quote(m.caption)) << "\n";
        }
        headless::clear_messages();

        out_ << model_dump::variables(view);
        out_ << "end\n";
        out_.flush();
    }

    // A hotword's label: the text of its button-table entry.
    static const char* label_of(int32_t id) {
        const page_view view = app_page_view();
        const int32_t index = page_control_kind_of(id) == PAGE_HOTWORD ? page_control_index(id) : -1;
        if (index < 0 || index >= view.button_count) return "";
        return view.buttons[index].label;
    }

    static const char* bar_state(int32_t id) {
        const headless::control_record* r = headless::control_of(headless::control_by_id(id));
        if (r == nullptr) return "none";
        return r->enabled ? "on" : "off";
    }

    int usage(const std::string& verb) { return fail("wrong arguments for '" + verb + "' (see docs/headless-driver.md)"); }

    int fail(const std::string& message) {
        err_ << "script:" << line_number_ << ": error: " << message << "\n";
        abandon();
        return SCRIPT_ERROR;
    }

    // Ends the run as a killed process ends: nothing is written, and the
    // state file is let go (as the system does when a process dies).
    static void abandon() { app_abandon(); }

    const book_tables* book_;
    std::ostream& out_;
    std::ostream& err_;
    int line_number_ = 0;
    int dumps_ = 0;
    bool started_ = false;
    bool finished_ = false;
};

}  // namespace

int run_script(const book_tables* book, std::istream& script, std::ostream& out, std::ostream& err) {
    session s(book, out, err);
    return s.run(script);
}

struct script_run::impl {
    impl(const book_tables* book, std::ostream& out, std::ostream& err) : s(book, out, err) {}
    session s;
    int status = -1;
};

script_run::script_run(const book_tables* book, std::ostream& out, std::ostream& err)
    : impl_(std::make_unique<impl>(book, out, err)) {
    session::begin();
}

script_run::~script_run() { end(); }

int script_run::line(const std::string& text) {
    if (impl_->status < 0) impl_->status = impl_->s.feed(text);
    return impl_->status;
}

int script_run::end() {
    if (impl_->status < 0) impl_->status = impl_->s.end();
    return impl_->status;
}

}  // namespace tomelet::driver
