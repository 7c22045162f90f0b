#include "tests/win32/reader_driver.h"

#include <cstdlib>

#include <algorithm>
#include <cctype>

namespace tomelet::wintest {

namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// A window's text, read with WM_GETTEXT (which crosses processes, unlike
// GetWindowTextA for some controls).
std::string text_of(HWND window) {
    char buffer[512] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL,
                             STEP_TIMEOUT_MS, &copied)) {
        return std::string();
    }
    return std::string(buffer, std::min<size_t>(copied, sizeof buffer - 1));
}

bool send(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, message, wparam, lparam, SMTO_NORMAL, STEP_TIMEOUT_MS, &result) != 0;
}

struct window_search {
    DWORD process_id;
    HWND found;
    int32_t count;
};

BOOL CALLBACK collect_child(HWND window, LPARAM param) {
    auto* all = reinterpret_cast<std::vector<HWND>*>(param);
    all->push_back(window);
    return TRUE;
}

BOOL CALLBACK find_dialog(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<window_search*>(param);
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == search->process_id && std::string(name) == "#32770" && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK count_readers(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<window_search*>(param);
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::string(name) == reader_class()) ++search->count;
    return TRUE;
}

}  // namespace

std::string child::kind() const {
    const DWORD type = style & 0x0F;
    if (window_class == "edit") return "edit";
    if (window_class != "button") return "other";
    if (type == BS_OWNERDRAW) return (style & WS_BORDER) != 0 ? "hotword" : "picture";
    if (type == BS_AUTOCHECKBOX) return "check";
    // The navigation bar's ids; 513 is also the book-details screen's
    // "INSTRUCTIONS" button.
    const bool bar_id = id == 501 || id == 502 || id == 510 || id == 511 || id == 512 || id == 513;
    return bar_id && text != "INSTRUCTIONS" ? "bar" : "push";
}

const char* reader_class() {
    const char* id = std::getenv("TOMELET_BOOK_ID");
    return id != nullptr && id[0] != '\0' ? id : "VBQ2CorvinAshby";
}

std::string state_file() { return std::string(reader_class()) + ".dat"; }

HWND find_reader(DWORD timeout_ms) { return find_reader_of(reader_class(), timeout_ms); }

HWND find_reader_of(const char* id, DWORD timeout_ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        HWND main = FindWindowA(id, nullptr);
        if (main != nullptr) return main;
        if (GetTickCount() - start >= timeout_ms) return nullptr;
        Sleep(50);
    }
}

int32_t reader_windows() {
    window_search search{0, nullptr, 0};
    EnumWindows(count_readers, reinterpret_cast<LPARAM>(&search));
    return search.count;
}

std::string caption(HWND main) { return text_of(main); }

std::vector<child> children(HWND main) {
    std::vector<HWND> windows;
    EnumChildWindows(main, collect_child, reinterpret_cast<LPARAM>(&windows));
    std::vector<child> all;
    for (HWND w : windows) {
        if (GetParent(w) != main) continue;
        child c;
        c.window = w;
        c.id = GetDlgCtrlID(w);
        char name[64] = {};
        GetClassNameA(w, name, sizeof name);
        c.window_class = lower(name);
        c.text = text_of(w);
        c.style = static_cast<DWORD>(GetWindowLongA(w, GWL_STYLE));
        RECT r{};
        GetWindowRect(w, &r);
        MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
        c.place = r;
        c.visible = IsWindowVisible(w) != 0;
        c.enabled = IsWindowEnabled(w) != 0;
        if (c.kind() == "check") {
            DWORD_PTR state = 0;
            SendMessageTimeoutA(w, BM_GETCHECK, 0, 0, SMTO_NORMAL, STEP_TIMEOUT_MS, &state);
            c.checked = state == BST_CHECKED;
        }
        all.push_back(c);
    }
    return all;
}

const child* find(const std::vector<child>& all, int32_t id) {
    for (const child& c : all) {
        if (c.id == id) return &c;
    }
    return nullptr;
}

std::vector<child> page_controls(HWND main) {
    std::vector<child> page;
    for (const child& c : children(main)) {
        if (c.id >= 4000) page.push_back(c);
    }
    return page;
}

bool reveal(HWND main, int32_t id) {
    constexpr int32_t MOST_PAGES = 50;
    for (int32_t i = 0; i <= MOST_PAGES; ++i) {
        const child* c = nullptr;
        const std::vector<child> all = children(main);
        c = find(all, id);
        if (c == nullptr) return false;
        if (c->visible) return true;
        if (!send(main, WM_VSCROLL, SB_PAGEDOWN, 0)) return false;
    }
    return false;
}

bool command(HWND main, int32_t id) { return send(main, WM_COMMAND, static_cast<WPARAM>(id), 0); }

void post_command(HWND main, int32_t id) { PostMessageA(main, WM_COMMAND, static_cast<WPARAM>(id), 0); }

bool click(HWND main, int32_t id) {
    HWND button = GetDlgItem(main, id);
    return button != nullptr && send(button, BM_CLICK, 0, 0);
}

bool set_text(HWND main, int32_t id, const std::string& text) {
    HWND box = GetDlgItem(main, id);
    return box != nullptr && send(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool press_key(HWND main, int32_t id, WPARAM key) {
    HWND target = GetDlgItem(main, id);
    return target != nullptr && send(target, WM_KEYDOWN, key, 1);
}

void close(HWND main) { PostMessageA(main, WM_CLOSE, 0, 0); }

HWND find_message_box(HWND main, DWORD timeout_ms) {
    DWORD process_id = 0;
    GetWindowThreadProcessId(main, &process_id);
    return find_process_message_box(process_id, timeout_ms);
}

HWND find_process_message_box(DWORD process_id, DWORD timeout_ms) {
    window_search search{process_id, nullptr, 0};
    const bool shown = wait_until(timeout_ms, [&]() {
        search.found = nullptr;
        EnumWindows(find_dialog, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr && !message_box_text(search.found).empty();
    });
    return shown ? search.found : nullptr;
}

std::string message_box_text(HWND box) {
    std::vector<HWND> windows;
    EnumChildWindows(box, collect_child, reinterpret_cast<LPARAM>(&windows));
    for (HWND w : windows) {
        char name[64] = {};
        GetClassNameA(w, name, sizeof name);
        // The message is the static control that is not the icon.
        if (lower(name) == "static" && (GetWindowLongA(w, GWL_STYLE) & SS_ICON) != SS_ICON) {
            const std::string t = text_of(w);
            if (!t.empty()) return t;
        }
    }
    return std::string();
}

bool answer_message_box(HWND box, int32_t button) {
    HWND b = GetDlgItem(box, button);
    if (b == nullptr) return false;
    // Posted: the box ends its modal loop, and the reader goes on with the
    // answer, after this returns.
    return PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(b)) != 0;
}

process start_reader(const std::string& exe, const std::string& folder) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::string command_line = "\"" + exe + "\"";
    process p;
    if (!CreateProcessA(exe.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &info)) {
        return p;
    }
    CloseHandle(info.hThread);
    p.handle = info.hProcess;
    p.id = info.dwProcessId;
    return p;
}

int32_t wait_exit(process& p, DWORD timeout_ms) {
    if (p.handle == nullptr) return -1;
    if (WaitForSingleObject(p.handle, timeout_ms) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(p.handle, &code);
    CloseHandle(p.handle);
    p.handle = nullptr;
    return static_cast<int32_t>(code);
}

void kill(process& p) {
    if (p.handle == nullptr) return;
    TerminateProcess(p.handle, 137);
    WaitForSingleObject(p.handle, STEP_TIMEOUT_MS);
    CloseHandle(p.handle);
    p.handle = nullptr;
}

}  // namespace tomelet::wintest
