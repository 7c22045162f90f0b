// The Windows reader, tomelet.exe, run for real under wine (or on Windows)
// and driven from outside through its windows.  What the pages hold is
// learnt from the headless reader playing the same steps with the same
// book (expect.sh), so the tests hold for any book.
//
// Environment: TOMELET_READER, the reader's exe; TOMELET_EXPECT, the file
// expect.sh wrote; TOMELET_WORK, a folder the tests may fill (each test
// starts the reader in a fresh folder inside it).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/win32/reader_driver.h"

namespace tomelet::wintest {
namespace {

constexpr int32_t CMD_BEGINNING = 500;
constexpr int32_t CMD_RESTART = 502;
constexpr int32_t CMD_SOUNDS = 504;
constexpr int32_t CMD_RETURN = 510;
constexpr int32_t CMD_NEXT = 511;
constexpr int32_t CMD_PREVIOUS = 512;
constexpr int32_t CMD_INSTRUCTIONS = 513;
constexpr int32_t SOUND_CHECK_BOX = 518;
constexpr int32_t SOUNDS_OK = 519;

constexpr int32_t MAGIC = 1344;
constexpr int32_t MAGIC_OFFSET = 28;
constexpr int32_t SOUND_SWITCH_OFFSET = 2;

// The opening sequence shows two screens for two seconds each; wine takes
// its time to start a program.
constexpr DWORD OPENING_TIMEOUT_MS = 30000;
constexpr DWORD START_TIMEOUT_MS = 30000;

// A Unix path as wine's drive Z: names it; a Windows path as it is.
std::string windows_path(std::string path) {
    if (path.empty() || path[0] != '/') return path;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return "Z:" + path;
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? windows_path(value) : std::string();
}

// The facts expect.sh wrote: each line's first word and the rest.
std::map<std::string, std::string> read_expectations() {
    std::map<std::string, std::string> facts;
    std::ifstream in(environment("TOMELET_EXPECT"));
    std::string line;
    while (std::getline(in, line)) {
        const size_t space = line.find(' ');
        if (space == std::string::npos) continue;
        facts[line.substr(0, space)] = line.substr(space + 1);
    }
    return facts;
}

const std::map<std::string, std::string>& facts() {
    static const std::map<std::string, std::string> all = read_expectations();
    return all;
}

std::vector<std::string> words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> all;
    std::string w;
    while (in >> w) all.push_back(w);
    return all;
}

int32_t record_size() {
    const auto it = facts().find("record_size");
    return it == facts().end() ? 0 : std::atoi(it->second.c_str());
}

std::vector<uint8_t> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int32_t le16(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<int16_t>(b[at] | b[at + 1] << 8);
}

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24);
}

// "KIND:ID" of each shown page control, as the headless dump names them.
std::string describe(const std::vector<child>& page) {
    std::string out;
    for (const child& c : page) out += (out.empty() ? "" : " ") + c.kind() + ":" + std::to_string(c.id);
    return out;
}

// 1 when the child with this id is enabled, 0 when it is disabled, -1 when
// there is none.
int enabled(const std::vector<child>& all, int32_t id) {
    const child* c = find(all, id);
    return c == nullptr ? -1 : c->enabled ? 1 : 0;
}

// The book-details screen, the last of the opening sequence, is the one
// with the "INSTRUCTIONS" button.
bool details_screen_shown(const std::vector<child>& all) {
    for (const child& c : all) {
        if (c.id == CMD_INSTRUCTIONS && c.text == "INSTRUCTIONS" && c.visible) return true;
    }
    return false;
}

class reader_test : public ::testing::Test {
protected:
    void SetUp() override {
        exe_ = environment("TOMELET_READER");
        ASSERT_FALSE(exe_.empty()) << "TOMELET_READER is not set";
        ASSERT_GT(record_size(), 0) << "no expectations (TOMELET_EXPECT)";
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ = environment("TOMELET_WORK") + "\\" + info->name();
        CreateDirectoryA(environment("TOMELET_WORK").c_str(), nullptr);
        CreateDirectoryA(folder_.c_str(), nullptr);
        const std::string file = state_path();
        // Hidden, as the reader makes it.
        SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(file.c_str());
        RemoveDirectoryA(file.c_str());
        // No copy of the reader may be left from another test.
        ASSERT_EQ(FindWindowA(reader_class(), nullptr), nullptr);
    }

    void TearDown() override {
        for (process* p : {&reader_, &second_}) {
            if (p->handle == nullptr) continue;
            if (HWND main = FindWindowA(reader_class(), nullptr)) close(main);
            if (wait_exit(*p, STEP_TIMEOUT_MS) < 0) kill(*p);
        }
    }

    std::string state_path() const { return folder_ + "\\" + state_file(); }

    // A record with the magic, the sound switch on and the place; the
    // reserved bytes as the caller fills them in afterwards.
    std::vector<uint8_t> record(int32_t place) const {
        std::vector<uint8_t> r(static_cast<size_t>(record_size()), 0);
        r[0] = static_cast<uint8_t>(place);
        r[1] = static_cast<uint8_t>(place >> 8);
        r[SOUND_SWITCH_OFFSET] = 1;
        r[MAGIC_OFFSET] = MAGIC & 0xFF;
        r[MAGIC_OFFSET + 1] = MAGIC >> 8;
        return r;
    }

    void write_state(const std::vector<uint8_t>& bytes) const {
        std::ofstream out(state_path(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    HWND start() {
        reader_ = start_reader(exe_, folder_);
        if (reader_.handle == nullptr) return nullptr;
        return find_reader(START_TIMEOUT_MS);
    }

    // Starts with no state file and waits for the opening sequence to
    // reach the book details.
    HWND start_at_details() {
        HWND main = start();
        if (main == nullptr) return nullptr;
        if (!wait_for(main, OPENING_TIMEOUT_MS, details_screen_shown)) return nullptr;
        return main;
    }

    // Closes the reader the ordinary way and returns the state file.
    std::vector<uint8_t> close_and_read(HWND main) {
        close(main);
        EXPECT_EQ(wait_exit(reader_, START_TIMEOUT_MS), 0);
        return read_file(state_path());
    }

    std::string exe_;
    std::string folder_;
    process reader_;
    process second_;
};

TEST_F(reader_test, opening_sequence_reaches_the_book_details_and_next_opens_paragraph_two) {
    HWND main = start();
    ASSERT_NE(main, nullptr);
    const std::string title = facts().at("title");
    EXPECT_TRUE(wait_until(STEP_TIMEOUT_MS, [&]() { return caption(main) == title; })) << caption(main);
    // A caption, system menu, minimize box and vertical scroll bar; no
    // sizing border, no maximize box.  92% of the screen's height, three
    // quarters as wide, at (20, 0).
    const LONG style = GetWindowLongA(main, GWL_STYLE);
    EXPECT_EQ(style & 0x00EF0000, 0x00EA0000);
    EXPECT_EQ(GetClassLongA(main, GCL_STYLE), static_cast<DWORD>(CS_HREDRAW | CS_VREDRAW));
    RECT outer{};
    GetWindowRect(main, &outer);
    const int32_t height = std::max(GetSystemMetrics(SM_CYSCREEN) * 92 / 100, 320);
    EXPECT_EQ(outer.bottom - outer.top, height);
    EXPECT_EQ(outer.right - outer.left, height * 75 / 100);
    EXPECT_EQ(outer.left, 20);
    EXPECT_EQ(outer.top, 0);
    // The window has the class's menu: the exe's resource "MENUTOMELET",
    // one pop-up with the reader's commands (read from the exe itself, as
    // another process's menu cannot be read under wine).
    EXPECT_NE(GetMenu(main), nullptr);
    HMODULE exe = LoadLibraryExA(exe_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);
    HMENU menu = LoadMenuA(exe, "MENUTOMELET");
    FreeLibrary(exe);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 1);
    char text[64] = {};
    GetMenuStringA(menu, 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "&Menu");
    HMENU popup = GetSubMenu(menu, 0);
    ASSERT_NE(popup, nullptr);
    const std::pair<UINT, const char*> items[] = {
        {500, "Start at the &Beginning"}, {501, "&Information"}, {502, "&Restart"},
        {503, "&Objective"},              {504, "&Sounds"},      {506, "&Hints"},
        {507, "&About ..."},              {508, "&Credits"},     {509, "&Exit"},
    };
    ASSERT_EQ(GetMenuItemCount(popup), 9);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(GetMenuItemID(popup, i), items[i].first);
        GetMenuStringA(popup, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ(text, items[i].second);
    }
    DestroyMenu(menu);
    // The opening sequence's timer moves on from "Presents" to the title
    // and then to the book details.
    ASSERT_TRUE(wait_for(main, OPENING_TIMEOUT_MS, details_screen_shown));

    EXPECT_TRUE(wait_for(main, STEP_TIMEOUT_MS, [](const std::vector<child>& all) {
        return enabled(all, CMD_NEXT) == 1 && enabled(all, CMD_PREVIOUS) == 1 && enabled(all, CMD_RETURN) == 0;
    }));

    ASSERT_TRUE(command(main, CMD_NEXT));
    const std::string page2 = facts().at("page2");
    EXPECT_TRUE(wait_until(STEP_TIMEOUT_MS, [&]() { return describe(page_controls(main)) == page2; }));
    std::vector<child> page = page_controls(main);
    EXPECT_EQ(describe(page), page2);
    EXPECT_TRUE(wait_for(main, STEP_TIMEOUT_MS,
                         [](const std::vector<child>& all) { return enabled(all, CMD_RETURN) == 0; }));
    // A page control is shown only while it stands above the bar; scrolled
    // into view, it moves with the page and is shown.
    RECT client{};
    GetClientRect(main, &client);
    for (const child& c : page) {
        EXPECT_GE(c.place.left, 0) << c.id;
        if (c.visible) {
            EXPECT_LT(c.place.bottom, client.bottom - 25) << c.id;
        } else {
            EXPECT_GE(c.place.bottom, client.bottom - 25) << c.id;
        }
        EXPECT_TRUE(reveal(main, c.id)) << c.id;
        EXPECT_TRUE(wait_for(main, STEP_TIMEOUT_MS, [&](const std::vector<child>& all) {
            const child* shown = find(all, c.id);
            return shown != nullptr && shown->visible && shown->place.bottom < client.bottom - 25;
        })) << c.id;
    }

    const std::vector<uint8_t> state = close_and_read(main);
    ASSERT_EQ(state.size(), static_cast<size_t>(record_size()));
    EXPECT_EQ(le32(state, MAGIC_OFFSET), static_cast<uint32_t>(MAGIC));
    EXPECT_EQ(le16(state, 0), 2);
    EXPECT_EQ(state[SOUND_SWITCH_OFFSET], 1);
    // A new state file is hidden.
    EXPECT_NE(GetFileAttributesA(state_path().c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
}

TEST_F(reader_test, a_hotword_leads_to_its_target_and_start_at_the_beginning_asks_and_restarts) {
    const auto it = facts().find("hotword");
    if (it == facts().end()) GTEST_SKIP() << "paragraph 2 of this book has no hotword";
    const std::vector<std::string> hotword = words(it->second);
    const int32_t id = std::atoi(hotword[0].c_str());
    const int32_t target = std::atoi(hotword[1].c_str());

    HWND main = start_at_details();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(command(main, CMD_NEXT));
    ASSERT_TRUE(reveal(main, id));
    ASSERT_TRUE(click(main, id));
    const std::string after_click = describe(page_controls(main));

    // Answered "No", the question changes nothing.
    post_command(main, CMD_BEGINNING);
    HWND box = find_message_box(main, STEP_TIMEOUT_MS);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(caption(box), "Beginning of Book");
    EXPECT_EQ(message_box_text(box), "Do you really want to start again?");
    ASSERT_TRUE(answer_message_box(box, IDNO));
    ASSERT_TRUE(wait_for(main, STEP_TIMEOUT_MS, [](const std::vector<child>&) {
        return FindWindowA("#32770", "Beginning of Book") == nullptr;
    }));
    EXPECT_EQ(describe(page_controls(main)), after_click);

    // Answered "Yes", the story starts again at paragraph 2.
    post_command(main, CMD_BEGINNING);
    box = find_message_box(main, STEP_TIMEOUT_MS);
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(answer_message_box(box, IDYES));
    const std::string& page2 = facts().at("page2");
    EXPECT_TRUE(wait_for(main, STEP_TIMEOUT_MS,
                         [&](const std::vector<child>&) { return describe(page_controls(main)) == page2; }));
    const std::vector<uint8_t> state = close_and_read(main);
    ASSERT_EQ(state.size(), static_cast<size_t>(record_size()));
    EXPECT_EQ(le16(state, 0), 2);

    // The click alone: the place it leads to is written at the close.
    ASSERT_TRUE(DeleteFileA(state_path().c_str()));
    main = start_at_details();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(command(main, CMD_NEXT));
    ASSERT_TRUE(reveal(main, id));
    ASSERT_TRUE(click(main, id));
    EXPECT_EQ(le16(close_and_read(main), 0), target);
}

// A file expect.sh left beside the expectations.
std::vector<uint8_t> expected_file(const std::string& name) {
    const std::string expect = environment("TOMELET_EXPECT");
    return read_file(expect.substr(0, expect.find_last_of('\\') + 1) + name);
}

// The offsets at which two records differ, the first few of them.
std::string differences(const std::vector<uint8_t>& seen, const std::vector<uint8_t>& wanted) {
    std::string out;
    int32_t count = 0;
    for (size_t i = 0; i < std::min(seen.size(), wanted.size()); ++i) {
        if (seen[i] == wanted[i]) continue;
        if (++count <= 8) {
            out += " offset " + std::to_string(i) + ": " + std::to_string(seen[i]) + " not " +
                   std::to_string(wanted[i]) + ";";
        }
    }
    return std::to_string(count) + " bytes differ:" + out;
}

// The state file the headless reader left after the opening, "Next" and
// the hotword's click (the bytes the web reader saves after those steps):
// the exe resumes on that page and, closed at once, writes back what the
// headless reader writes, so that either reader opens the other's file.
TEST_F(reader_test, a_state_file_from_the_headless_reader_resumes_on_its_page_and_is_written_back_alike) {
    const auto page = facts().find("resume_page");
    if (page == facts().end()) GTEST_SKIP() << "paragraph 2 of this book has no hotword";
    const std::vector<std::string> navbar = words(facts().at("resume_navbar"));
    ASSERT_EQ(navbar.size(), 3u);
    const std::vector<uint8_t> from = expected_file("resume-from.dat");
    const std::vector<uint8_t> to = expected_file("resume-to.dat");
    ASSERT_EQ(from.size(), static_cast<size_t>(record_size()));
    ASSERT_EQ(to.size(), from.size());
    // A place past the opening: a reader that ignored the file would start
    // at paragraph 2 and write 2 back.
    const int32_t place = le16(from, 0);
    ASSERT_NE(place, 2);

    write_state(from);
    HWND main = start();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(wait_until(STEP_TIMEOUT_MS, [&]() { return describe(page_controls(main)) == page->second; }))
        << describe(page_controls(main));
    const auto on = [](const std::string& state) { return state == "on" ? 1 : 0; };
    EXPECT_TRUE(wait_for(main, STEP_TIMEOUT_MS, [&](const std::vector<child>& all) {
        return enabled(all, CMD_RETURN) == on(navbar[0]) && enabled(all, CMD_PREVIOUS) == on(navbar[1]) &&
               enabled(all, CMD_NEXT) == on(navbar[2]);
    }));
    EXPECT_EQ(caption(main), facts().at("title"));
    // No opening sequence: its timer would have reached the book details.
    EXPECT_FALSE(wait_for(main, 5000, details_screen_shown));
    EXPECT_EQ(describe(page_controls(main)), page->second);

    const std::vector<uint8_t> after = close_and_read(main);
    ASSERT_EQ(after.size(), to.size());
    EXPECT_EQ(le16(after, 0), place);
    EXPECT_TRUE(after == to) << differences(after, to);
}

// The "answer" facts: paragraph, box id, place and the typed text (the
// rest of the line).
struct answer_fact {
    int32_t paragraph = 0;
    int32_t box = 0;
    int32_t place = 0;
    std::string text;
};

std::vector<answer_fact> answer_facts() {
    std::vector<answer_fact> all;
    std::ifstream in(environment("TOMELET_EXPECT"));
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string key;
        answer_fact f;
        if (!(fields >> key) || key != "answer" || !(fields >> f.paragraph >> f.box >> f.place)) continue;
        std::getline(fields >> std::ws, f.text);
        all.push_back(f);
    }
    return all;
}

TEST_F(reader_test, a_typed_answer_leads_to_its_target) {
    const std::vector<answer_fact> answers = answer_facts();
    if (answers.empty()) GTEST_SKIP() << "this book has no answer field";
    for (const answer_fact& answer : answers) {
        SCOPED_TRACE("answer \"" + answer.text + "\"");
        write_state(record(answer.paragraph));
        HWND main = start();
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(wait_for(main, STEP_TIMEOUT_MS,
                             [&](const std::vector<child>& all) { return find(all, answer.box) != nullptr; }));
        ASSERT_TRUE(reveal(main, answer.box));
        const std::vector<child> all = children(main);
        const child* edit = find(all, answer.box);
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->kind(), "edit");
        // The box is the one with the keyboard focus after the page is
        // laid out.
        GUITHREADINFO gui{};
        EXPECT_TRUE(wait_until(STEP_TIMEOUT_MS, [&]() {
            gui = GUITHREADINFO{};
            gui.cbSize = sizeof gui;
            return GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &gui) && gui.hwndFocus == edit->window;
        }));

        ASSERT_TRUE(set_text(main, answer.box, answer.text));
        ASSERT_TRUE(press_key(main, answer.box, VK_RETURN));
        EXPECT_EQ(le16(close_and_read(main), 0), answer.place);
        ASSERT_TRUE(DeleteFileA(state_path().c_str()));
    }
}

TEST_F(reader_test, the_sounds_screen_stores_the_switch) {
    HWND main = start_at_details();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(command(main, CMD_NEXT));
    ASSERT_TRUE(command(main, CMD_SOUNDS));
    ASSERT_TRUE(wait_for(main, STEP_TIMEOUT_MS, [](const std::vector<child>& all) {
        const child* box = find(all, SOUND_CHECK_BOX);
        const child* ok = find(all, SOUNDS_OK);
        return box != nullptr && box->visible && ok != nullptr && ok->text == "Ok" && enabled(all, CMD_RETURN) == 1;
    }));
    std::vector<child> all = children(main);
    const child* box = find(all, SOUND_CHECK_BOX);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->kind(), "check");
    EXPECT_EQ(box->text, "Sound");
    // A new state file has sound on.
    EXPECT_TRUE(box->checked);

    ASSERT_TRUE(click(main, SOUND_CHECK_BOX));
    EXPECT_TRUE(wait_for(main, STEP_TIMEOUT_MS, [](const std::vector<child>& all) {
        const child* c = find(all, SOUND_CHECK_BOX);
        return c != nullptr && !c->checked;
    }));
    ASSERT_TRUE(click(main, SOUNDS_OK));
    // "Ok" returns to the story page: the check box is gone.
    EXPECT_TRUE(wait_for(main, STEP_TIMEOUT_MS, [](const std::vector<child>& all) {
        return find(all, SOUND_CHECK_BOX) == nullptr && enabled(all, CMD_RETURN) == 0;
    }));

    const std::vector<uint8_t> state = close_and_read(main);
    ASSERT_EQ(state.size(), static_cast<size_t>(record_size()));
    EXPECT_EQ(state[SOUND_SWITCH_OFFSET], 0);
    EXPECT_EQ(le32(state, MAGIC_OFFSET), static_cast<uint32_t>(MAGIC));
    EXPECT_EQ(le16(state, 0), 2);
}

TEST_F(reader_test, a_second_copy_ends_with_exit_code_one_and_opens_no_window) {
    HWND main = start();
    ASSERT_NE(main, nullptr);
    second_ = start_reader(exe_, folder_);
    ASSERT_NE(second_.handle, nullptr);
    EXPECT_EQ(wait_exit(second_, START_TIMEOUT_MS), 1);
    EXPECT_EQ(reader_windows(), 1);
    // The running copy was brought to the front, to stay on top.
    EXPECT_TRUE(
        wait_until(STEP_TIMEOUT_MS, [&]() { return (GetWindowLongA(main, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }));
    // And it runs on as before.
    EXPECT_TRUE(wait_for(main, OPENING_TIMEOUT_MS, details_screen_shown));
    EXPECT_EQ(close_and_read(main).size(), static_cast<size_t>(record_size()));
}

// Another book's reader (TOMELET_SECOND_READER, its book's id in
// TOMELET_SECOND_ID) in the same folder: each runs beside the other and
// keeps its own state file.
TEST_F(reader_test, another_books_reader_runs_beside_it_and_keeps_its_own_place) {
    const std::string other_exe = environment("TOMELET_SECOND_READER");
    const char* other_id = std::getenv("TOMELET_SECOND_ID");
    if (other_exe.empty() || other_id == nullptr) GTEST_SKIP() << "no second book's reader";
    ASSERT_STRNE(other_id, reader_class());
    HWND main = start_at_details();
    ASSERT_NE(main, nullptr);
    second_ = start_reader(other_exe, folder_);
    ASSERT_NE(second_.handle, nullptr);
    HWND other = find_reader_of(other_id, START_TIMEOUT_MS);
    ASSERT_NE(other, nullptr) << "the second book's reader was refused";
    EXPECT_EQ(reader_windows(), 1);
    close(other);
    EXPECT_EQ(wait_exit(second_, START_TIMEOUT_MS), 0);
    const std::vector<uint8_t> own = close_and_read(main);
    EXPECT_EQ(own.size(), static_cast<size_t>(record_size()));
    const std::vector<uint8_t> others = read_file(folder_ + "\\" + other_id + ".dat");
    EXPECT_GT(others.size(), 0u);
    EXPECT_NE(others, own);
}

TEST_F(reader_test, a_state_file_that_cannot_be_opened_ends_the_run_with_exit_code_one) {
    // A folder of the state file's name cannot be opened as the file (a
    // read-only file would do on Windows, but not under wine run by root);
    // no copy runs to be brought to the front, so the reader says so and
    // ends.
    ASSERT_TRUE(CreateDirectoryA(state_path().c_str(), nullptr));
    reader_ = start_reader(exe_, folder_);
    ASSERT_NE(reader_.handle, nullptr);
    HWND box = find_process_message_box(reader_.id, START_TIMEOUT_MS);
    EXPECT_EQ(FindWindowA(reader_class(), nullptr), nullptr);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(message_box_text(box), "I cannot the book?");
    ASSERT_TRUE(answer_message_box(box, IDOK));
    EXPECT_EQ(wait_exit(reader_, START_TIMEOUT_MS), 1);
    EXPECT_EQ(FindWindowA(reader_class(), nullptr), nullptr);
    // The folder is left as it was.
    const DWORD attributes = GetFileAttributesA(state_path().c_str());
    EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    RemoveDirectoryA(state_path().c_str());
}

TEST_F(reader_test, reserved_bytes_of_the_record_survive_a_run) {
    std::vector<uint8_t> before = record(2);
    for (size_t i = 3; i < MAGIC_OFFSET; ++i) before[i] = static_cast<uint8_t>(0xA0 + i);
    const size_t size = before.size();
    for (size_t i = size - 3; i < size; ++i) before[i] = static_cast<uint8_t>(0x50 + i % 16);
    // The reserved bytes of the first variable slot (all but bytes 4 and
    // 5 of it).
    for (size_t i = 32; i < 48; ++i) {
        if (i != 36 && i != 37) before[i] = static_cast<uint8_t>(0x30 + i);
    }
    write_state(before);
    HWND main = start();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(wait_for(main, OPENING_TIMEOUT_MS, details_screen_shown));
    const std::vector<uint8_t> after = close_and_read(main);
    ASSERT_EQ(after.size(), size);
    for (size_t i = 3; i < MAGIC_OFFSET; ++i) EXPECT_EQ(after[i], before[i]) << "offset " << i;
    for (size_t i = size - 3; i < size; ++i) EXPECT_EQ(after[i], before[i]) << "offset " << i;
    for (size_t i = 32; i < 48; ++i) {
        if (i != 36 && i != 37) {
            EXPECT_EQ(after[i], before[i]) << "offset " << i;
        }
    }
    EXPECT_EQ(le32(after, MAGIC_OFFSET), static_cast<uint32_t>(MAGIC));
}

// A record of an earlier build at the demo book's page 150, whose
// <r %10 1> raises Evidence (variable 10, the value at offset 196): the
// first start applies it once more, and a start closed at once after that
// changes nothing.
TEST_F(reader_test, a_page_is_counted_once_however_often_the_reader_starts_on_it) {
    if (facts().at("title") != "The Perpetua Claim") GTEST_SKIP() << "the compiled book is not the demo book";
    write_state(record(150));
    std::vector<uint8_t> first;
    for (int run = 1; run <= 3; ++run) {
        SCOPED_TRACE(run);
        HWND main = start();
        ASSERT_NE(main, nullptr);
        const std::vector<uint8_t> after = close_and_read(main);
        ASSERT_EQ(after.size(), static_cast<size_t>(record_size()));
        EXPECT_EQ(le16(after, 0), 150);
        EXPECT_EQ(after[196], 1);
        if (run == 1) first = after;
        EXPECT_TRUE(after == first) << differences(after, first);
    }
}

TEST_F(reader_test, a_stored_place_without_text_starts_without_a_message_on_a_page_that_leads_on) {
    const auto it = facts().find("empty_place");
    if (it == facts().end()) GTEST_SKIP() << "every place of this book has text";
    const int32_t place = std::atoi(it->second.c_str());
    write_state(record(place));
    HWND main = start();
    ASSERT_NE(main, nullptr);
    // The bar is there and no box comes, however long the reader takes.
    EXPECT_TRUE(wait_for(main, STEP_TIMEOUT_MS,
                         [](const std::vector<child>& all) { return enabled(all, CMD_RESTART) == 1; }));
    EXPECT_EQ(find_message_box(main, 3000), nullptr);
    EXPECT_EQ(describe(page_controls(main)), "");
    // "Rstrt" shows the Restart page, and "Rtrn" comes back to the place.
    ASSERT_TRUE(command(main, CMD_RESTART));
    EXPECT_TRUE(wait_for(main, STEP_TIMEOUT_MS,
                         [](const std::vector<child>& all) { return enabled(all, CMD_RETURN) == 1; }));
    ASSERT_TRUE(command(main, CMD_RETURN));
    EXPECT_TRUE(wait_for(main, STEP_TIMEOUT_MS,
                         [](const std::vector<child>& all) { return enabled(all, CMD_RETURN) == 0; }));
    EXPECT_EQ(find_message_box(main, 0), nullptr);
    EXPECT_EQ(le16(close_and_read(main), 0), place);
}

// The bar's images are loaded with the 3-D colour mapping: their grey
// (192, 192, 192) shows as the system's button face.  Read off the screen
// inside the "Rstrt" image, near its corner, where it is all background.
TEST_F(reader_test, the_bar_shows_its_images_on_the_systems_button_face) {
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    ASSERT_NE(face, RGB(192, 192, 192)) << "the face is the images' grey: nothing to tell apart";
    HWND main = start_at_details();
    ASSERT_NE(main, nullptr);
    HWND button = GetDlgItem(main, CMD_RESTART);
    ASSERT_NE(button, nullptr);
    RECT r{};
    GetWindowRect(button, &r);
    const int x = (r.left + r.right - 40) / 2 + 3;
    const int y = (r.top + r.bottom - 22) / 2 + 3;
    HDC screen = GetDC(nullptr);
    COLORREF seen = CLR_INVALID;
    EXPECT_TRUE(wait_until(STEP_TIMEOUT_MS, [&]() {
        seen = GetPixel(screen, x, y);
        return seen == face;
    })) << std::hex << "seen 0x" << seen << ", face 0x" << face;
    ReleaseDC(nullptr, screen);
}

}  // namespace
}  // namespace tomelet::wintest
