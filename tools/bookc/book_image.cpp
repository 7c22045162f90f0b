#include "tools/bookc/book_image.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <map>

#include "book/image.h"

namespace tomelet::bookc {

namespace {

class image_writer {
public:
    image_writer() : out_(BOOK_IMAGE_HEADER_SIZE, 0) {}

    // A table of `bytes` bytes, zero until filled, aligned to 4.
    uint32_t reserve(size_t bytes) {
        align(4);
        const size_t at = out_.size();
        out_.resize(at + bytes, 0);
        return static_cast<uint32_t>(at);
    }

    uint32_t append(const void* data, size_t size, size_t alignment) {
        align(alignment);
        const size_t at = out_.size();
        const auto* p = static_cast<const uint8_t*>(data);
        out_.insert(out_.end(), p, p + size);
        return static_cast<uint32_t>(at);
    }

    // A NUL-terminated text, each distinct text once; 0 for none.
    uint32_t text(const char* t) {
        if (t == nullptr) return 0;
        const auto known = texts_.find(t);
        if (known != texts_.end()) return known->second;
        const uint32_t at = append(t, std::strlen(t) + 1, 1);
        texts_.emplace(t, at);
        return at;
    }

    void put16(size_t at, uint16_t v) {
        out_[at] = static_cast<uint8_t>(v & 0xFFu);
        out_[at + 1] = static_cast<uint8_t>(v >> 8);
    }
    void put32(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) out_[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
    }

    std::vector<uint8_t>& bytes() { return out_; }

private:
    void align(size_t alignment) {
        while (out_.size() % alignment != 0) out_.push_back(0);
    }

    std::vector<uint8_t> out_;
    std::map<std::string, uint32_t> texts_;
};

bool within(int32_t count, int32_t limit, const char* what, std::string* problem) {
    if (count <= limit) return true;
    *problem = "the book has " + std::to_string(count) + " " + what + "; a book image holds at most " +
               std::to_string(limit);
    return false;
}

}  // namespace

std::vector<uint8_t> write_book_image(const book_tables& book, std::string* problem) {
    const int32_t paragraphs = std::max<int32_t>(0, book.paragraph_count);
    const int32_t chunks = std::max<int32_t>(0, book.chunk_count);
    const int32_t pictures = std::max<int32_t>(0, book.picture_count);
    const int32_t sounds = std::max<int32_t>(0, book.sound_count);
    const int32_t variables = std::max<int32_t>(0, book.variable_count);
    const int32_t restart_points = std::max<int32_t>(0, book.restart_point_count);
    const int32_t resources = std::max<int32_t>(0, book.resource_count);
    int32_t value_names = 0;
    for (int32_t i = 0; i < variables; ++i) value_names += book.variable_catalogue[i].value_count;
    if (!within(chunks, IMAGE_MAX_CHUNKS, "word chunks", problem) ||
        !within(pictures, IMAGE_MAX_PICTURES, "pictures", problem) ||
        !within(sounds, IMAGE_MAX_SOUNDS, "sounds", problem) ||
        !within(variables, MAX_VARIABLES, "variables", problem) ||
        !within(value_names, IMAGE_MAX_VALUE_NAMES, "value names", problem) ||
        !within(restart_points, MAX_RESTART_POINTS, "restart points", problem) ||
        !within(resources, IMAGE_MAX_RESOURCES, "resources", problem)) {
        return {};
    }

    image_writer w;
    const uint32_t index = w.reserve(12u * (static_cast<size_t>(paragraphs) + 1));
    const uint32_t chunk_table = w.reserve(20u * static_cast<size_t>(chunks));
    const uint32_t picture_table = w.reserve(12u * static_cast<size_t>(pictures));
    const uint32_t sound_table = w.reserve(4u * static_cast<size_t>(sounds));
    const uint32_t variable_table = w.reserve(12u * static_cast<size_t>(variables));
    const uint32_t restart_table = w.reserve(8u * static_cast<size_t>(restart_points));
    const uint32_t resource_table = w.reserve(16u * static_cast<size_t>(resources));

    // The paragraph index, and how much of each chunk it uses: its words
    // up to the last paragraph's end, its pool up to the last word read.
    std::vector<int32_t> words(static_cast<size_t>(chunks), 0);
    for (int32_t n = 0; n <= paragraphs; ++n) {
        const paragraph_row& row = book.paragraph_index[n];
        const size_t at = index + 12u * static_cast<size_t>(n);
        w.put16(at, static_cast<uint16_t>(row.chunk));
        w.put32(at + 4, static_cast<uint32_t>(row.first));
        w.put32(at + 8, static_cast<uint32_t>(row.end));
        if (row.chunk >= 0 && row.chunk < chunks) {
            words[static_cast<size_t>(row.chunk)] = std::max(words[static_cast<size_t>(row.chunk)], row.end);
        }
    }
    for (int32_t k = 0; k < chunks; ++k) {
        const chunk_row& chunk = book.chunk_table[k];
        const auto count = static_cast<size_t>(words[static_cast<size_t>(k)]);
        size_t pool_size = 0;
        for (size_t i = 0; i < count; ++i) {
            const uint16_t offset = chunk.sequence[i];
            pool_size = std::max(pool_size, offset + std::strlen(chunk.pool + offset) + 1);
        }
        std::vector<uint8_t> sequence(2 * count);
        for (size_t i = 0; i < count; ++i) {
            sequence[2 * i] = static_cast<uint8_t>(chunk.sequence[i] & 0xFFu);
            sequence[2 * i + 1] = static_cast<uint8_t>(chunk.sequence[i] >> 8);
        }
        const uint32_t sequence_at = w.append(sequence.data(), sequence.size(), 2);
        // The pool as far as its words go (a lone NUL when it has none),
        // then its padding (book/book.h).
        const uint8_t nul = 0;
        const uint32_t pool_at = pool_size > 0 ? w.append(chunk.pool, pool_size, 1) : w.append(&nul, 1, 1);
        pool_size = std::max<size_t>(pool_size, 1);
        const std::vector<uint8_t> padding(static_cast<size_t>(POOL_PADDING), 0);
        w.append(padding.data(), padding.size(), 1);
        pool_size += padding.size();
        std::vector<uint8_t> lengths(count);
        for (size_t i = 0; i < count; ++i) lengths[i] = stored_length(chunk.pool + chunk.sequence[i]);
        const uint32_t lengths_at = w.append(lengths.data(), lengths.size(), 1);
        const size_t row = chunk_table + 20u * static_cast<size_t>(k);
        w.put32(row, sequence_at);
        w.put32(row + 4, static_cast<uint32_t>(count));
        w.put32(row + 8, pool_at);
        w.put32(row + 12, static_cast<uint32_t>(pool_size));
        w.put32(row + 16, lengths_at);
    }

    for (int32_t i = 0; i < pictures; ++i) {
        const picture_row& p = book.picture_catalogue[i];
        const size_t row = picture_table + 12u * static_cast<size_t>(i);
        w.put16(row, p.resource);
        w.put16(row + 2, p.width);
        w.put16(row + 4, p.height);
        w.put32(row + 8, w.text(p.alt));
    }
    for (int32_t i = 0; i < sounds; ++i) w.put32(sound_table + 4u * static_cast<size_t>(i), w.text(book.sound_catalogue[i]));
    for (int32_t i = 0; i < variables; ++i) {
        const variable_row& v = book.variable_catalogue[i];
        std::vector<uint32_t> names;
        for (int32_t k = 0; k < v.value_count; ++k) names.push_back(w.text(v.value_names[k] != nullptr ? v.value_names[k] : ""));
        std::vector<uint8_t> array(4 * names.size());
        for (size_t k = 0; k < names.size(); ++k) {
            for (int b = 0; b < 4; ++b) array[4 * k + static_cast<size_t>(b)] = static_cast<uint8_t>(names[k] >> (8 * b));
        }
        const uint32_t names_at = array.empty() ? 0 : w.append(array.data(), array.size(), 4);
        const size_t row = variable_table + 12u * static_cast<size_t>(i);
        w.put32(row, w.text(v.name != nullptr ? v.name : ""));
        w.bytes()[row + 4] = v.value_count;
        w.put16(row + 6, static_cast<uint16_t>(v.detail_target));
        w.put32(row + 8, names_at);
    }
    for (int32_t k = 0; k < restart_points; ++k) {
        const restart_point& r = book.restart_points[k];
        const size_t row = restart_table + 8u * static_cast<size_t>(k);
        w.put32(row, w.text(r.name != nullptr ? r.name : ""));
        w.put16(row + 4, static_cast<uint16_t>(r.initial_paragraph));
    }
    for (int32_t i = 0; i < resources; ++i) {
        const book_resource& r = book.resources[i];
        const size_t row = resource_table + 16u * static_cast<size_t>(i);
        w.put32(row, w.text(r.name));
        w.put16(row + 4, r.number);
        const uint8_t nothing = 0;
        const uint32_t at = w.append(r.size > 0 ? r.bytes : &nothing, r.size, 4);
        w.put32(row + 8, at);
        w.put32(row + 12, r.size);
    }

    const book_info_record empty{"", "", "", -1, "", -1, "", "", ""};
    const book_info_record& info = book.book_info != nullptr ? *book.book_info : empty;
    const char* texts[] = {info.title,    info.copyright,       info.authors,        info.description,
                           info.web_site, info.contact_address, info.support_address};
    for (size_t i = 0; i < 7; ++i) w.put32(64 + 4 * i, w.text(texts[i] != nullptr ? texts[i] : ""));
    w.put16(92, static_cast<uint16_t>(info.opening_picture));
    w.put16(94, static_cast<uint16_t>(info.title_picture));
    w.put32(96, info.id != nullptr && info.id[0] != '\0' ? w.text(info.id) : 0);
    w.put32(100, info.ifid != nullptr && info.ifid[0] != '\0' ? w.text(info.ifid) : 0);

    std::vector<uint8_t>& out = w.bytes();
    if (out.size() > std::numeric_limits<uint32_t>::max()) {
        *problem = "the book's image would pass 4 GB";
        return {};
    }
    std::memcpy(out.data(), BOOK_IMAGE_MAGIC, sizeof BOOK_IMAGE_MAGIC);
    w.put32(8, BOOK_IMAGE_VERSION);
    w.put32(16, static_cast<uint32_t>(out.size()));
    w.put16(20, static_cast<uint16_t>(paragraphs));
    w.put16(22, static_cast<uint16_t>(chunks));
    w.put16(24, static_cast<uint16_t>(pictures));
    w.put16(26, static_cast<uint16_t>(sounds));
    w.put16(28, static_cast<uint16_t>(variables));
    w.put16(30, static_cast<uint16_t>(restart_points));
    w.put32(32, static_cast<uint32_t>(resources));
    w.put32(36, index);
    w.put32(40, chunk_table);
    w.put32(44, picture_table);
    w.put32(48, sound_table);
    w.put32(52, variable_table);
    w.put32(56, restart_table);
    w.put32(60, resource_table);
    w.put32(12, image_checksum(out.data() + 16, out.size() - 16));
    return std::move(out);
}

}  // namespace tomelet::bookc
