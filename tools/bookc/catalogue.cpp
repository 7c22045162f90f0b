// Reading the catalogue, book.toml.

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <functional>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <string_view>
#include <system_error>

// The TOML library's internal consistency checks are left out: on some
// malformed input (a table header's '[' with nothing after it on its line)
// a check stops the program where the parser, without it, refuses the file
// with a message.  A catalogue is untrusted input: the message is wanted.
#define TOML_ASSERT(expr) static_cast<void>(0)
#include <toml++/toml.h>

#include "tools/bookc/source.h"

namespace tomelet::bookc {

namespace {

int32_t line_of(const toml::node& node) { return static_cast<int32_t>(node.source().begin.line); }
// The node's line and column, for the messages.
place at(const toml::node& node) {
    return {static_cast<int32_t>(node.source().begin.line), static_cast<int32_t>(node.source().begin.column)};
}

// The edit distance of two short texts (insertions, deletions,
// substitutions and swaps of neighbours each count one).
size_t distance(const std::string& a, const std::string& b) {
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        for (size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[a.size()][b.size()];
}

source_read read_bytes(const std::filesystem::path& path, std::vector<uint8_t>* bytes) {
    std::string text;
    const source_read result = read_source_file(path, &text);
    if (result == source_read::ok) bytes->assign(text.begin(), text.end());
    return result;
}

// Reads the keys of one table: each known key is handed to its handler,
// unknown keys and missing required keys are errors.
class table_reader {
public:
    table_reader(const toml::table& table, std::string where, const std::string& file, diagnostics* out)
        : table_(table), where_(std::move(where)), file_(file), out_(out) {}

    using handler = std::function<void(const toml::node&)>;

    table_reader& key(const std::string& name, bool required, handler read) {
        keys_.push_back({name, required, std::move(read)});
        return *this;
    }

    void run() {
        std::vector<std::pair<std::pair<int32_t, int32_t>, std::string>> order;
        for (auto&& [name, node] : table_) {
            order.push_back({{line_of(node), static_cast<int32_t>(name.source().begin.column)}, std::string(name.str())});
        }
        std::sort(order.begin(), order.end());
        std::set<std::string> seen;
        for (const auto& key : order) {
            const place where{key.first.first, key.first.second};
            const std::string& name = key.second;
            const auto known = std::find_if(keys_.begin(), keys_.end(),
                                            [&name](const entry& e) { return e.name == name; });
            if (known == keys_.end()) {
                out_->error(file_, where, "unknown key '" + name + "' in " + where_ + suggestion(name));
                continue;
            }
            seen.insert(name);
            known->read(*table_.get(name));
        }
        for (const entry& e : keys_) {
            if (e.required && seen.count(e.name) == 0) {
                out_->error(file_, at(table_), where_ + " lacks the key '" + e.name + "'");
            }
        }
    }

private:
    // ": did you mean 'authors'?" for the known key nearest to a misspelt
    // one (at most a third of its letters, and at least one, wrong).
    std::string suggestion(const std::string& name) const {
        const entry* best = nullptr;
        size_t best_distance = 0;
        for (const entry& e : keys_) {
            const size_t d = distance(name, e.name);
            if (best == nullptr || d < best_distance) {
                best = &e;
                best_distance = d;
            }
        }
        if (best == nullptr || best_distance > std::max<size_t>(1, best->name.size() / 3)) return "";
        return ": did you mean '" + best->name + "'?";
    }

    struct entry {
        std::string name;
        bool required;
        handler read;
    };
    const toml::table& table_;
    std::string where_;
    const std::string& file_;
    diagnostics* out_;
    std::vector<entry> keys_;
};

bool is_ascii_alnum(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }

class catalogue_reader {
public:
    catalogue_reader(const std::filesystem::path& folder, catalogue* book, diagnostics* out)
        : folder_(folder), book_(book), out_(out) {}

    void read(const toml::table& root) {
        table_reader(root, "the catalogue", book_->file, out_)
            .key("book", true, [&](const toml::node& n) { if (auto* t = table(n, "book")) read_book(*t); })
            .key("picture", false, [&](const toml::node& n) { each(n, "picture", [&](auto& t) { read_picture(t); }); })
            .key("bitmap", false, [&](const toml::node& n) { each(n, "bitmap", [&](auto& t) { read_bitmap(t); }); })
            .key("sound", false, [&](const toml::node& n) { each(n, "sound", [&](auto& t) { read_sound(t); }); })
            .key("variable", false, [&](const toml::node& n) { each(n, "variable", [&](auto& t) { read_variable(t); }); })
            .key("restart_point", false,
                 [&](const toml::node& n) { each(n, "restart_point", [&](auto& t) { read_restart_point(t); }); })
            .run();
        if (!text_given_) find_text_files();
    }

private:
    // Reads a file the catalogue names (at `line`), or reports why not:
    // against the catalogue's line when it cannot be read, against the file
    // itself when it is over the limit.
    bool read_file(const std::filesystem::path& path, const std::string& name, int32_t line,
                   std::vector<uint8_t>* bytes) {
        const source_read result = read_bytes(path, bytes);
        if (result == source_read::too_large) out_->error(display_name(folder_, name), 0, source_limit_message());
        if (result == source_read::unreadable) out_->error(book_->file, line, "cannot read the file '" + name + "'");
        return result == source_read::ok;
    }

    const toml::table* table(const toml::node& node, const std::string& name) {
        const toml::table* t = node.as_table();
        if (t == nullptr) out_->error(book_->file, at(node), "'" + name + "' must be a table: [" + name + "]");
        return t;
    }

    void each(const toml::node& node, const std::string& name,
              const std::function<void(const toml::table&)>& read) {
        const toml::array* rows = node.as_array();
        if (rows == nullptr || !rows->is_array_of_tables()) {
            out_->error(book_->file, at(node), "'" + name + "' must be written as [[" + name + "]] tables");
            return;
        }
        for (const toml::node& row : *rows) read(*row.as_table());
    }

    // A string in the reader's character set; "" (after an error) when the
    // node is not one.
    std::string text(const toml::node& node, const std::string& name) {
        const auto* value = node.as_string();
        if (value == nullptr) {
            out_->error(book_->file, at(node), "'" + name + "' must be a string");
            return {};
        }
        std::string converted;
        std::string problem;
        if (!utf8_to_cp1252(value->get(), &converted, &problem)) {
            out_->error(book_->file, at(node), "'" + name + "': " + problem);
            return {};
        }
        return converted;
    }

    // A target given as a paragraph name, "#hut-14": noted for row `row`,
    // to be replaced by the paragraph's number minus one once the headers
    // are read.  False when the node is not a string.
    bool named(const toml::node& node, const std::string& name, size_t row, std::vector<catalogue::named_target>* into) {
        const auto* value = node.as_string();
        if (value == nullptr) return false;
        const std::string& text = value->get();
        if (text.size() < 2 || text[0] != '#') {
            out_->error(book_->file, at(node),
                        "'" + name + "' must be a target (a paragraph number minus one) or a paragraph name such as "
                        "\"#hut-14\"");
            return true;
        }
        into->push_back({row, text.substr(1), at(node)});
        return true;
    }

    // An integer within [low, high]; `low` (after an error) otherwise.
    int64_t integer(const toml::node& node, const std::string& name, int64_t low, int64_t high) {
        const auto* value = node.as_integer();
        if (value == nullptr) {
            out_->error(book_->file, at(node), "'" + name + "' must be an integer");
            return low;
        }
        const int64_t n = value->get();
        if (n < low || n > high) {
            out_->error(book_->file, at(node),
                        "'" + name + "' is " + std::to_string(n) + ", outside " + std::to_string(low) +
                            " to " + std::to_string(high));
            return low;
        }
        return n;
    }

    // A file of the folder, read whole; empty after an error.
    // A bitmap must start as a BMP file does, a wave as a RIFF WAVE file.
    std::vector<uint8_t> file(const toml::node& node, const std::string& name, bool wave) {
        const char* kind = wave ? "wave" : "bitmap";
        std::vector<uint8_t> bytes;
        const auto* value = node.as_string();
        if (value == nullptr) {
            out_->error(book_->file, at(node), "'" + name + "' must be a string");
            return bytes;
        }
        const std::filesystem::path path = folder_ / value->get();
        if (!read_file(path, value->get(), line_of(node), &bytes)) return bytes;
        const auto starts = [&](size_t at, const char* word) {
            const size_t length = std::char_traits<char>::length(word);
            return bytes.size() >= at + length && std::equal(word, word + length, bytes.begin() + static_cast<std::ptrdiff_t>(at));
        };
        const bool ok = wave ? starts(0, "RIFF") && starts(8, "WAVE") : starts(0, "BM");
        if (!ok) {
            out_->error(book_->file, at(node), "'" + value->get() + "' is not a " + kind + " file");
            bytes.clear();
        }
        if (bytes.size() > std::numeric_limits<uint32_t>::max()) {
            out_->error(book_->file, at(node), "'" + value->get() + "' is too large");
            bytes.clear();
        }
        return bytes;
    }

    // The program's icon: an icon file (reserved 0, type 1, at least one
    // image); empty after an error.
    std::vector<uint8_t> icon_file(const toml::node& node) {
        std::vector<uint8_t> bytes;
        const auto* value = node.as_string();
        if (value == nullptr) {
            out_->error(book_->file, at(node), "'book.icon' must be a string");
            return bytes;
        }
        if (!read_file(folder_ / value->get(), value->get(), line_of(node), &bytes)) return bytes;
        const bool icon = bytes.size() >= 6 && bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 1 && bytes[3] == 0 &&
                          (bytes[4] != 0 || bytes[5] != 0);
        if (!icon) {
            out_->error(book_->file, at(node), "'" + value->get() + "' is not an icon file");
            bytes.clear();
        }
        return bytes;
    }

    int16_t picture_number(const toml::node& node, const std::string& name, place* line) {
        *line = at(node);
        return static_cast<int16_t>(integer(node, name, -1, std::numeric_limits<int16_t>::max()));
    }

    void read_book(const toml::table& t) {
        compiled_info& info = book_->info;
        table_reader reader(t, "[book]", book_->file, out_);
        const std::pair<const char*, std::string*> strings[] = {
            {"title", &info.title},
            {"authors", &info.authors},
            {"copyright", &info.copyright},
            {"description", &info.description},
            {"web_site", &info.web_site},
            {"contact_address", &info.contact_address},
            {"support_address", &info.support_address},
        };
        for (const auto& [name, field] : strings) {
            reader.key(name, field == &info.title, [this, name = std::string(name), field = field](const toml::node& n) {
                *field = text(n, "book." + name);
            });
        }
        reader
            .key("opening_picture", false,
                 [&](const toml::node& n) {
                     info.opening_picture = picture_number(n, "book.opening_picture", &book_->opening_picture_line);
                 })
            .key("title_picture", false,
                 [&](const toml::node& n) {
                     info.title_picture = picture_number(n, "book.title_picture", &book_->title_picture_line);
                 })
            .key("paragraphs", false,
                 [&](const toml::node& n) {
                     book_->paragraph_count_line = line_of(n);
                     book_->paragraph_count =
                         static_cast<int32_t>(integer(n, "book.paragraphs", 1, std::numeric_limits<int16_t>::max()));
                 })
            .key("text", false, [&](const toml::node& n) { read_text_list(n); })
            .key("icon", false, [&](const toml::node& n) { book_->icon = icon_file(n); })
            .key("id", false, [&](const toml::node& n) { read_id(n); })
            .key("ifid", false, [&](const toml::node& n) { read_ifid(n); })
            .run();
        if (!id_given_) derive_id(t);
        if (!ifid_given_) {
            out_->warning(book_->file, at(t),
                          "the book has no 'ifid', the identifier catalogues and archives know it by; "
                          "write this freshly made one under [book] and keep it for every edition: ifid = \"" +
                              fresh_ifid() + "\"");
        }
    }

    void read_id(const toml::node& n) {
        id_given_ = true;
        const auto* value = n.as_string();
        if (value == nullptr || !valid_book_id(value->get())) {
            out_->error(book_->file, at(n),
                        "'book.id' must be 1 to 32 letters (A-Z, a-z) and digits, such as \"LighthouseTale\"");
            return;
        }
        book_->info.id = value->get();
    }

    void read_ifid(const toml::node& n) {
        ifid_given_ = true;
        const auto* value = n.as_string();
        if (value == nullptr || !valid_ifid(value->get())) {
            std::string hint;
            if (value != nullptr) {
                std::string upper = value->get();
                for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                if (valid_ifid(upper)) hint = " (write it in capitals: \"" + upper + "\")";
            }
            out_->error(book_->file, at(n),
                        "'book.ifid' must be a UUID in uppercase hex with hyphens, such as \"" + fresh_ifid() + "\"" +
                            hint);
            return;
        }
        book_->info.ifid = value->get();
    }

    // Without `id`: one made from the title, said in a warning so that the
    // author writes it (a title changed later would otherwise change the
    // book's id, and with it the reader's place).
    void derive_id(const toml::table& t) {
        const std::string id = id_from_title(book_->info.title);
        if (id.empty()) {
            if (!book_->info.title.empty()) {
                out_->error(book_->file, at(t),
                            "the book has no 'id' and its title has no letters or digits to make one from: write one "
                            "under [book], such as id = \"MyBook\"");
            }
            return;
        }
        book_->info.id = id;
        out_->warning(book_->file, at(t),
                      "the book has no 'id': it is \"" + id + "\", made from its title; write id = \"" + id +
                          "\" under [book] to keep it when the title changes");
    }

    void read_text_list(const toml::node& node) {
        text_given_ = true;
        const toml::array* files = node.as_array();
        if (files == nullptr) {
            out_->error(book_->file, at(node), "'book.text' must be an array of file names");
            return;
        }
        for (const toml::node& entry : *files) {
            const auto* name = entry.as_string();
            if (name == nullptr) {
                out_->error(book_->file, at(entry), "'book.text' must hold file names");
                continue;
            }
            book_->text_files.push_back({folder_ / name->get(), display_name(folder_, name->get()), line_of(entry)});
        }
    }

    // Without `text`: every *.tml file under text/, in path order.
    void find_text_files() {
        const std::filesystem::path root = folder_ / "text";
        std::error_code failure;
        if (!std::filesystem::is_directory(root, failure)) return;
        std::vector<std::filesystem::path> found;
        for (auto it = std::filesystem::recursive_directory_iterator(root, failure);
             !failure && it != std::filesystem::recursive_directory_iterator(); it.increment(failure)) {
            if (it->is_regular_file(failure) && it->path().extension() == ".tml") {
                found.push_back(it->path().lexically_relative(folder_));
            }
        }
        if (failure) out_->error(display_name(folder_, "text"), 0, "cannot list the folder: " + failure.message());
        std::sort(found.begin(), found.end(),
                  [](const auto& a, const auto& b) { return a.generic_string() < b.generic_string(); });
        for (const auto& relative : found) {
            book_->text_files.push_back({folder_ / relative, display_name(folder_, relative), 0});
        }
    }

    uint16_t resource_number(const toml::node& n, const std::string& name) {
        return static_cast<uint16_t>(integer(n, name, 0, 65535));
    }

    void add_bitmap(uint16_t number, std::vector<uint8_t> bytes, int32_t line) {
        if (!bitmap_lines_.emplace(number, line).second) {
            out_->error(book_->file, line,
                        "bitmap " + std::to_string(number) + " already has a file (line " +
                            std::to_string(bitmap_lines_[number]) + ")");
            return;
        }
        compiled_resource r;
        r.number = number;
        r.bytes = std::move(bytes);
        book_->resources.push_back(std::move(r));
    }

    void read_picture(const toml::table& t) {
        compiled_picture row;
        std::vector<uint8_t> bytes;
        int32_t file_line = 0;
        table_reader(t, "[[picture]] " + std::to_string(book_->pictures.size()), book_->file, out_)
            .key("resource", true, [&](const toml::node& n) { row.resource = resource_number(n, "picture.resource"); })
            .key("width", false, [&](const toml::node& n) { row.width = static_cast<uint16_t>(integer(n, "picture.width", 0, 65535)); })
            .key("height", false, [&](const toml::node& n) { row.height = static_cast<uint16_t>(integer(n, "picture.height", 0, 65535)); })
            .key("alt", false, [&](const toml::node& n) { row.alt = text(n, "picture.alt"); })
            .key("file", false,
                 [&](const toml::node& n) {
                     file_line = line_of(n);
                     bytes = file(n, "picture.file", false);
                     if (const auto* name = n.as_string(); name != nullptr && !bytes.empty()) row.file = name->get();
                 })
            .run();
        book_->pictures.push_back(row);
        if (!bytes.empty()) add_bitmap(row.resource, std::move(bytes), file_line);
    }

    void read_bitmap(const toml::table& t) {
        uint16_t number = 0;
        std::vector<uint8_t> bytes;
        int32_t file_line = 0;
        table_reader(t, "[[bitmap]]", book_->file, out_)
            .key("resource", true, [&](const toml::node& n) { number = resource_number(n, "bitmap.resource"); })
            .key("file", true,
                 [&](const toml::node& n) {
                     file_line = line_of(n);
                     bytes = file(n, "bitmap.file", false);
                 })
            .run();
        if (!bytes.empty()) add_bitmap(number, std::move(bytes), file_line);
    }

    void read_sound(const toml::table& t) {
        std::string name;
        std::vector<uint8_t> bytes;
        int32_t name_line = line_of(t);
        int32_t file_line = 0;
        table_reader(t, "[[sound]] " + std::to_string(book_->sounds.size()), book_->file, out_)
            .key("name", true,
                 [&](const toml::node& n) {
                     name_line = line_of(n);
                     name = text(n, "sound.name");
                     if (n.is_string() && name.empty()) out_->error(book_->file, name_line, "'sound.name' is empty");
                 })
            .key("file", false,
                 [&](const toml::node& n) {
                     file_line = line_of(n);
                     bytes = file(n, "sound.file", true);
                 })
            .run();
        book_->sounds.push_back(name);
        if (bytes.empty()) return;
        if (!sound_lines_.emplace(name, file_line).second) {
            out_->error(book_->file, file_line,
                        "the sound " + name + " already has a file (line " + std::to_string(sound_lines_[name]) + ")");
            return;
        }
        compiled_resource r;
        r.is_sound = true;
        r.name = name;
        r.bytes = std::move(bytes);
        book_->resources.push_back(std::move(r));
    }

    void read_variable(const toml::table& t) {
        // Without a detail_target the variable has no detail page (-1).
        compiled_variable row;
        row.detail_target = -1;
        place target_line;
        table_reader(t, "[[variable]] " + std::to_string(book_->variables.size()), book_->file, out_)
            .key("name", true, [&](const toml::node& n) { row.name = text(n, "variable.name"); })
            .key("detail_target", false,
                 [&](const toml::node& n) {
                     target_line = at(n);
                     if (named(n, "variable.detail_target", book_->variables.size(), &book_->detail_target_names)) return;
                     row.detail_target = static_cast<int16_t>(integer(
                         n, "variable.detail_target", std::numeric_limits<int16_t>::min(),
                         std::numeric_limits<int16_t>::max()));
                 })
            .key("values", false,
                 [&](const toml::node& n) {
                     const toml::array* values = n.as_array();
                     if (values == nullptr) {
                         out_->error(book_->file, at(n), "'variable.values' must be an array of strings");
                         return;
                     }
                     if (values->size() > 255) {
                         out_->error(book_->file, at(n),
                                     "a variable has at most 255 values, not " + std::to_string(values->size()));
                     }
                     for (const toml::node& value : *values) {
                         if (row.values.size() == 255) break;
                         row.values.push_back(text(value, "variable.values"));
                     }
                 })
            .run();
        book_->variables.push_back(std::move(row));
        book_->detail_target_lines.push_back(target_line);
    }

    void read_restart_point(const toml::table& t) {
        compiled_restart_point row;
        place target_line = at(t);
        table_reader(t, "[[restart_point]] " + std::to_string(book_->restart_points.size()), book_->file, out_)
            .key("name", true, [&](const toml::node& n) { row.name = text(n, "restart_point.name"); })
            .key("target", true,
                 [&](const toml::node& n) {
                     target_line = at(n);
                     if (named(n, "restart_point.target", book_->restart_points.size(), &book_->restart_target_names)) {
                         return;
                     }
                     row.target = static_cast<int16_t>(integer(n, "restart_point.target",
                                                               std::numeric_limits<int16_t>::min(),
                                                               std::numeric_limits<int16_t>::max()));
                 })
            .run();
        book_->restart_points.push_back(std::move(row));
        book_->restart_target_lines.push_back(target_line);
    }

    std::filesystem::path folder_;
    catalogue* book_;
    diagnostics* out_;
    bool text_given_ = false;
    bool id_given_ = false;
    bool ifid_given_ = false;
    std::map<uint16_t, int32_t> bitmap_lines_;
    std::map<std::string, int32_t> sound_lines_;
};

// Where a syntax error was found.
place at_failure(const toml::parse_error& failure) {
    return {static_cast<int32_t>(failure.source().begin.line), static_cast<int32_t>(failure.source().begin.column)};
}

// A TOML syntax error in words of our own: what is wrong and how such a
// line is written.  `description` is the parser's account, of which only
// the gist is used.
std::string syntax_problem(const std::string& description) {
    const auto has = [&](const char* part) { return description.find(part) != std::string::npos; };
    const std::string lead = "book.toml is not valid TOML here: ";
    if (has("parsing string")) {
        return lead + "a string is not closed: its closing '\"' is missing before the end of the line (a string is "
                      "written \"like this\" on one line)";
    }
    if (has("redefine")) return lead + "a key or table is given twice";
    if (has("expected bare key")) {
        return lead + "a name is missing: a table header is written [name] or [[name]], and a line key = value "
                      "starts with its key";
    }
    if (has("table header")) return lead + "a table header is written [name] or [[name]], on a line of its own";
    if (has("parsing array")) return lead + "an array is not closed: it is written [1, 2, 3] or [\"a\", \"b\"]";
    if (has("expected '='")) return lead + "a key must be followed by '=' and a value (key = value)";
    if (has("could not determine value type") || has("parsing value")) {
        return lead + "the value is not one TOML knows: write a string in double quotes (\"text\"), a number, true "
                      "or false, or an array [ ... ]";
    }
    if (has("expected a comment or whitespace")) {
        return lead + "something follows the value on its line: one key = value a line (a comment starts with #)";
    }
    return lead + "each line is a key = value, a [table] or [[table]] header, a # comment or blank";
}

// Where the first byte lies that TOML allows only inside a string or a
// comment: a byte of a non-ASCII character outside them, or one right after
// a backslash in a string (no escape is one).  npos when there is none.  The
// TOML library in use reaches undefined behaviour on some such characters
// (its tables of Unicode whitespace have gaps) instead of refusing them, so
// they are refused here first; nothing valid is refused: outside strings
// and comments, TOML is ASCII.  A byte-order mark at the start is allowed.
size_t first_stray_byte(std::string_view text) {
    enum class in { nothing, comment, basic, literal, long_basic, long_literal };
    in state = in::nothing;
    size_t i = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    const auto starts = [&](std::string_view what) { return text.substr(i, what.size()) == what; };
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        switch (state) {
            case in::nothing:
                if (c >= 0x80) return i;
                if (starts("\"\"\"")) {
                    state = in::long_basic;
                    i += 3;
                    continue;
                }
                if (starts("'''")) {
                    state = in::long_literal;
                    i += 3;
                    continue;
                }
                if (c == '"') state = in::basic;
                if (c == '\'') state = in::literal;
                if (c == '#') state = in::comment;
                break;
            case in::comment:
                if (c == '\n') state = in::nothing;
                break;
            case in::basic:
            case in::long_basic:
                if (c == '\\') {
                    if (i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80) return i + 1;
                    i += 2;
                    continue;
                }
                if (state == in::basic && (c == '"' || c == '\n')) state = in::nothing;
                if (state == in::long_basic && starts("\"\"\"")) {
                    // A closing mark may follow up to two quotes of the text.
                    i += 3;
                    for (int extra = 0; extra < 2 && i < text.size() && text[i] == '"'; ++extra) ++i;
                    state = in::nothing;
                    continue;
                }
                break;
            case in::literal:
                if (c == '\'' || c == '\n') state = in::nothing;
                break;
            case in::long_literal:
                if (starts("'''")) {
                    i += 3;
                    for (int extra = 0; extra < 2 && i < text.size() && text[i] == '\''; ++extra) ++i;
                    state = in::nothing;
                    continue;
                }
                break;
        }
        ++i;
    }
    return std::string_view::npos;
}

// The line and column (in characters, from 1) of byte `offset` of text.
place place_of(std::string_view text, size_t offset) {
    place where{1, 1};
    for (size_t i = 0; i < offset && i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\n') {
            ++where.line;
            where.column = 1;
        } else if ((c & 0xC0) != 0x80) {
            ++where.column;
        }
    }
    return where;
}

}  // namespace

std::string id_from_title(const std::string& title) {
    std::string id;
    for (const char c : title) {
        if (is_ascii_alnum(c) && id.size() < 32) id += c;
    }
    return id;
}

bool valid_book_id(const std::string& id) {
    return !id.empty() && id.size() <= 32 && std::all_of(id.begin(), id.end(), is_ascii_alnum);
}

bool valid_ifid(const std::string& ifid) {
    if (ifid.size() != 36) return false;
    for (size_t i = 0; i < ifid.size(); ++i) {
        const char c = ifid[i];
        const bool hyphen = i == 8 || i == 13 || i == 18 || i == 23;
        if (hyphen ? c != '-' : !((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
    }
    return true;
}

std::string fresh_ifid() {
    std::random_device source;
    uint8_t bytes[16];
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(source());
    bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
    bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80);  // the standard variant
    char text[37];
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", bytes[0],
                  bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6], bytes[7], bytes[8], bytes[9], bytes[10],
                  bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
    return text;
}


std::string display_name(const std::filesystem::path& folder, const std::filesystem::path& relative) {
    return (folder / relative).lexically_normal().generic_string();
}

catalogue read_catalogue(const std::filesystem::path& folder, diagnostics* out) {
    catalogue book;
    book.file = display_name(folder, "book.toml");
    std::string text;
    const source_read result = read_source_file(folder / "book.toml", &text);
    if (result != source_read::ok) {
        out->error(book.file, 0,
                   result == source_read::too_large ? source_limit_message()
                                                    : "cannot read the catalogue (it must be a plain, readable file)");
        return book;
    }
    const size_t stray = first_stray_byte(text);
    if (stray != std::string_view::npos) {
        const bool escape = stray > 0 && text[stray - 1] == '\\';
        out->error(book.file, place_of(text, stray),
                   escape ? "book.toml is not valid TOML here: a backslash in a string starts an escape such as "
                            "\\n, \\\" or \\\\, never a letter beyond plain ASCII"
                          : "book.toml is not valid TOML here: outside strings and comments only plain ASCII is "
                            "written: text goes in double quotes (title = \"Café\")");
        return book;
    }
    toml::table root;
    try {
        root = toml::parse(std::string_view(text), std::string_view(book.file));
    } catch (const toml::parse_error& failure) {
        out->error(book.file, at_failure(failure), syntax_problem(std::string(failure.description())));
        return book;
    }
    book.readable = true;
    catalogue_reader(folder, &book, out).read(root);
    return book;
}

}  // namespace tomelet::bookc
