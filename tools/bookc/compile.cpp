// The compiler's driver: catalogue, text, chunks and checks, and the
// compiled book in memory.

#include <algorithm>
#include <cstring>

#include "tools/bookc/source.h"

namespace tomelet::bookc {

std::string diagnostic::text() const {
    if (file.empty()) return "tomelet-bookc: " + message;
    std::string where = file;
    if (line > 0) {
        where += ':';
        where += std::to_string(line);
        if (column > 0) {
            where += ':';
            where += std::to_string(column);
        }
    }
    where += is_error ? ": error: " : ": warning: ";
    where += message;
    return where;
}

void diagnostics::error(const std::string& file, place at, const std::string& message) {
    if (stopped_) return;
    if (errors == MAX_ERRORS) {
        // A source that makes an error every few bytes would otherwise fill
        // the memory and the terminal.
        stopped_ = true;
        list.push_back({"", 0, 0, true, "too many errors, stopping"});
        return;
    }
    list.push_back({file, at.line, at.column, true, message});
    ++errors;
}

void diagnostics::warning(const std::string& file, place at, const std::string& message) {
    if (stopped_) return;
    ++warnings;
    if (kept_warnings_ == MAX_WARNINGS) return;
    ++kept_warnings_;
    list.push_back({file, at.line, at.column, false, message});
}

void diagnostics::finish() {
    if (warnings > kept_warnings_) {
        list.push_back({"", 0, 0, false,
                        std::to_string(warnings - kept_warnings_) + " more warnings not shown (the first " +
                            std::to_string(MAX_WARNINGS) + " are)"});
    }
}

int32_t compiled_book::assembled_length(int32_t n) const {
    if (n < 1 || n > paragraph_count) return 0;
    const paragraph_row& row = index[static_cast<size_t>(n)];
    if (row.chunk < 0) return 0;
    const compiled_chunk& chunk = chunks[static_cast<size_t>(row.chunk)];
    int32_t length = 0;
    for (int32_t i = row.first; i < row.end; ++i) {
        length += static_cast<int32_t>(std::strlen(chunk.pool.c_str() + chunk.sequence[static_cast<size_t>(i)])) + 1;
    }
    return length;
}

// The engine's view of the book: pointer tables into the compiled data.
// Every array has at least one element, so that no pointer handed to the
// engine is null.
struct compiled_book::live_storage {
    std::vector<std::string> pools;  // each chunk's pool with its padding
    std::vector<std::vector<uint8_t>> lengths;
    std::vector<chunk_row> chunks;
    std::vector<picture_row> pictures;
    std::vector<const char*> sounds;
    std::vector<std::vector<const char*>> value_names;
    std::vector<variable_row> variables;
    std::vector<restart_point> restart_points;
    book_info_record info{};
    std::vector<book_resource> resources;
    book_tables tables{};
};

const book_tables* compiled_book::tables() {
    if (live_) return &live_->tables;
    auto live = std::make_shared<live_storage>();
    for (const compiled_chunk& c : chunks) {
        std::vector<uint8_t> lengths;
        for (const uint16_t offset : c.sequence) lengths.push_back(stored_length(c.pool.c_str() + offset));
        live->lengths.push_back(std::move(lengths));
        live->pools.push_back(c.pool + std::string(static_cast<size_t>(POOL_PADDING), '\0'));
    }
    for (size_t k = 0; k < chunks.size(); ++k) {
        live->chunks.push_back({chunks[k].sequence.data(), live->pools[k].c_str(), live->lengths[k].data()});
    }
    for (const compiled_picture& p : pictures) live->pictures.push_back({p.resource, p.width, p.height, p.alt.c_str()});
    for (const std::string& s : sounds) live->sounds.push_back(s.c_str());
    for (const compiled_variable& v : variables) {
        std::vector<const char*> names;
        for (const std::string& name : v.values) names.push_back(name.c_str());
        names.push_back(nullptr);
        live->value_names.push_back(std::move(names));
    }
    for (size_t i = 0; i < variables.size(); ++i) {
        const compiled_variable& v = variables[i];
        live->variables.push_back(variable_row{v.name.c_str(), static_cast<uint8_t>(v.values.size()),
                                               v.detail_target, live->value_names[i].data()});
    }
    for (const compiled_restart_point& r : restart_points) {
        live->restart_points.push_back(restart_point{r.name.c_str(), r.target});
    }
    const auto v = static_cast<int32_t>(variables.size());
    const auto r = static_cast<int32_t>(restart_points.size());
    live->info = book_info_record{info.title.c_str(),       info.copyright.c_str(),       info.authors.c_str(),
                                  info.opening_picture,     info.description.c_str(),     info.title_picture,
                                  info.web_site.c_str(),    info.contact_address.c_str(), info.support_address.c_str(),
                                  info.id.c_str(),          info.ifid.empty() ? nullptr : info.ifid.c_str()};
    for (const compiled_resource& res : resources) {
        live->resources.push_back(book_resource{res.is_sound ? res.name.c_str() : nullptr, res.is_sound ? uint16_t{0} : res.number,
                                                res.bytes.data(), static_cast<uint32_t>(res.bytes.size())});
    }
    // Placeholders, not counted: no table handed over is ever null.
    live->chunks.push_back({nullptr, nullptr, nullptr});
    live->pictures.push_back({0, 0, 0, nullptr});
    live->sounds.push_back(nullptr);
    live->variables.push_back(variable_row{});
    live->restart_points.push_back(restart_point{});
    live->resources.push_back(book_resource{});

    book_tables& t = live->tables;
    t.paragraph_count = paragraph_count;
    t.paragraph_index = index.data();
    t.chunk_count = static_cast<int16_t>(chunks.size());
    t.chunk_table = live->chunks.data();
    t.picture_count = static_cast<int16_t>(pictures.size());
    t.picture_catalogue = live->pictures.data();
    t.sound_count = static_cast<int16_t>(sounds.size());
    t.sound_catalogue = live->sounds.data();
    t.variable_count = static_cast<int16_t>(v);
    t.variable_catalogue = live->variables.data();
    t.restart_point_count = static_cast<int16_t>(r);
    t.restart_points = live->restart_points.data();
    t.book_info = &live->info;
    t.resource_count = static_cast<int32_t>(resources.size());
    t.resources = live->resources.data();
    live_ = std::move(live);
    return &live_->tables;
}

namespace {

// The catalogue's own references: the book info pictures, the variables'
// detail pages and the restart points' paragraphs.
void check_catalogue(const catalogue& c, const std::vector<bool>& has_text, diagnostics* out) {
    const auto picture = [&](int16_t n, place line, const char* what) {
        if (line.line == 0 || n == -1) return;  // not given, or no picture
        if (n < 0 || static_cast<size_t>(n) >= c.pictures.size()) {
            out->error(c.file, line,
                       std::string(what) + " " + std::to_string(n) + " is outside the picture catalogue (" +
                           (c.pictures.empty() ? std::string("it is empty")
                                               : "0 to " + std::to_string(c.pictures.size() - 1)) +
                           ")");
        }
    };
    picture(c.info.opening_picture, c.opening_picture_line, "the opening picture");
    picture(c.info.title_picture, c.title_picture_line, "the title picture");
    const auto target = [&](int32_t t, place line, const std::string& what) {
        const int32_t n = t + 1;
        if (n >= 1 && static_cast<size_t>(n) < has_text.size() && has_text[static_cast<size_t>(n)]) return;
        out->error(c.file, line,
                   what + " target " + std::to_string(t) + " leads to paragraph " + std::to_string(n) +
                       ", which has no text");
    };
    for (size_t i = 0; i < c.variables.size(); ++i) {
        if (c.detail_target_lines[i].line == 0) continue;  // no detail page
        target(c.variables[i].detail_target, c.detail_target_lines[i], "variable " + std::to_string(i) + "'s detail");
    }
    for (size_t k = 0; k < c.restart_points.size(); ++k) {
        if (c.restart_target_lines[k].line == 0) continue;  // a name no header gives (reported)
        target(c.restart_points[k].target, c.restart_target_lines[k], "restart point " + std::to_string(k) + "'s");
    }
    // The reader keeps the live state of a book's variables and restart
    // points in tables of a fixed size.
    if (c.variables.size() > static_cast<size_t>(MAX_VARIABLES)) {
        out->error(c.file, 0,
                   "the book has " + std::to_string(c.variables.size()) + " variables; a book has at most " +
                       std::to_string(MAX_VARIABLES));
    }
    if (c.restart_points.size() > static_cast<size_t>(MAX_RESTART_POINTS)) {
        out->error(c.file, 0,
                   "the book has " + std::to_string(c.restart_points.size()) + " restart points; a book has at most " +
                       std::to_string(MAX_RESTART_POINTS));
    }
}

}  // namespace

compile_result compile_book(const std::filesystem::path& folder) {
    diagnostics out;
    compile_result result;
    catalogue c = read_catalogue(folder, &out);
    if (c.readable && !out.stopped()) {
        std::vector<source_paragraph> paragraphs = read_paragraphs(c, &out);
        resolve_names(&paragraphs, &c, &out);
        auto book = std::make_unique<compiled_book>();
        int32_t count = c.paragraph_count;
        if (count < 0) {
            count = 0;
            for (const source_paragraph& p : paragraphs) count = std::max(count, p.number);
        }
        if (c.text_files.empty()) {
            out.error(c.file, 0, "the book has no text files (list them in book.text, or put *.tml files under text/)");
        } else if (paragraphs.empty()) {
            out.error(c.file, 0, "the book has no paragraphs");
        }
        book->paragraph_count = static_cast<int16_t>(count);
        book->pictures = c.pictures;
        book->sounds = c.sounds;
        book->variables = c.variables;
        book->restart_points = c.restart_points;
        book->info = c.info;
        book->resources = c.resources;
        book->icon = c.icon;

        std::vector<bool> has_text(static_cast<size_t>(count) + 1, false);
        for (const source_paragraph& p : paragraphs) {
            if (p.number >= 1 && p.number <= count && !p.words.empty()) has_text[static_cast<size_t>(p.number)] = true;
        }
        check_catalogue(c, has_text, &out);
        if (!out.stopped()) build_chunks(paragraphs, book.get(), &out);
        if (!out.stopped()) check_paragraphs(paragraphs, has_text, book.get(), &out, &result.story);
        finish_story_graph(c, paragraphs, count, &result.story);
        if (out.errors == 0) result.book = std::move(book);
    }
    out.finish();
    result.stopped = out.stopped();
    result.diagnostics = std::move(out.list);
    result.errors = out.errors;
    result.warnings = out.warnings;
    return result;
}

}  // namespace tomelet::bookc
