#include "book/image.h"

#include <bit>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace tomelet {

const uint8_t BOOK_IMAGE_MAGIC[8] = {'T', 'M', 'L', 'T', 'B', 'O', 'O', 'K'};

// The paragraph index and the word sequences are read in place: their rows
// in the image are the engine's own, little-endian.
static_assert(std::endian::native == std::endian::little, "a book image is read in place on little-endian machines");
static_assert(sizeof(paragraph_row) == 12 && offsetof(paragraph_row, chunk) == 0 &&
                  offsetof(paragraph_row, first) == 4 && offsetof(paragraph_row, end) == 8,
              "a paragraph row of the image is the engine's row");

namespace {

// The header's fields (docs/book-image.md).
constexpr size_t AT_VERSION = 8;
constexpr size_t AT_CHECKSUM = 12;
constexpr size_t AT_SIZE = 16;
constexpr size_t AT_PARAGRAPH_COUNT = 20;
constexpr size_t AT_CHUNK_COUNT = 22;
constexpr size_t AT_PICTURE_COUNT = 24;
constexpr size_t AT_SOUND_COUNT = 26;
constexpr size_t AT_VARIABLE_COUNT = 28;
constexpr size_t AT_RESTART_POINT_COUNT = 30;
constexpr size_t AT_RESOURCE_COUNT = 32;
constexpr size_t AT_PARAGRAPHS = 36;
constexpr size_t AT_CHUNKS = 40;
constexpr size_t AT_PICTURES = 44;
constexpr size_t AT_SOUNDS = 48;
constexpr size_t AT_VARIABLES = 52;
constexpr size_t AT_RESTART_POINTS = 56;
constexpr size_t AT_RESOURCES = 60;
constexpr size_t AT_INFO_TEXTS = 64;  // seven text offsets
constexpr size_t AT_OPENING_PICTURE = 92;
constexpr size_t AT_TITLE_PICTURE = 94;
constexpr size_t AT_ID = 96;    // the book's id (0: none)
constexpr size_t AT_IFID = 100;  // its IFID (0: none)

// Bytes of one row of each table.
constexpr uint32_t PARAGRAPH_ROW = 12;
constexpr uint32_t CHUNK_ROW = 20;
constexpr uint32_t PICTURE_ROW = 12;
constexpr uint32_t SOUND_ROW = 4;
constexpr uint32_t VARIABLE_ROW = 12;
constexpr uint32_t RESTART_ROW = 8;
constexpr uint32_t RESOURCE_ROW = 16;

uint16_t get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
int16_t get_i16(const uint8_t* p) { return static_cast<int16_t>(get16(p)); }
uint32_t get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

struct crc_table {
    uint32_t entries[256];
    constexpr crc_table() : entries() {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entries[n] = c;
        }
    }
};
constexpr crc_table CRC;

// One check of an image: its bytes, and where a refusal's reason goes.
class image_check {
public:
    image_check(const uint8_t* bytes, size_t size, char* reason) : bytes_(bytes), size_(size), reason_(reason) {}

    // Records the reason (the first one only) and gives false.
    __attribute__((format(printf, 2, 3))) bool refuse(const char* format, ...) {
        if (reason_ != nullptr && !refused_) {
            va_list args;
            va_start(args, format);
            std::vsnprintf(reason_, IMAGE_REASON_SIZE, format, args);
            va_end(args);
        }
        refused_ = true;
        return false;
    }

    // A table of `count` rows of `row` bytes at `offset`, aligned to
    // `align`, wholly inside the image and past its header.
    bool table(uint32_t offset, uint64_t count, uint32_t row, uint32_t align, const char* what) {
        if (offset < BOOK_IMAGE_HEADER_SIZE || offset % align != 0 ||
            static_cast<uint64_t>(offset) + count * row > size_) {
            return refuse("the %s lie outside the image (at %u)", what, offset);
        }
        return true;
    }

    // A NUL-terminated text at `offset`, past the header, ending inside the
    // image.  An offset of 0 is no text (nullptr) where `optional`.
    bool text(uint32_t offset, bool optional, const char** out, const char* what) {
        if (offset == 0 && optional) {
            *out = nullptr;
            return true;
        }
        if (offset < BOOK_IMAGE_HEADER_SIZE || offset >= size_ ||
            std::memchr(bytes_ + offset, '\0', size_ - offset) == nullptr) {
            return refuse("%s lies outside the image or does not end in it (at %u)", what, offset);
        }
        *out = reinterpret_cast<const char*>(bytes_ + offset);
        return true;
    }

    // A count of the header: not negative, and at most `limit`.
    bool count(int32_t n, int32_t limit, const char* what) {
        if (n < 0) return refuse("the image's count of %s is negative (%d)", what, static_cast<int>(n));
        if (n > limit) {
            return refuse("the image has %d %s; a book has at most %d", static_cast<int>(n), what,
                          static_cast<int>(limit));
        }
        return true;
    }

    const uint8_t* at(uint32_t offset) const { return bytes_ + offset; }

private:
    const uint8_t* bytes_;
    size_t size_;
    char* reason_;
    bool refused_ = false;
};

bool load_chunks(image_check& c, const uint8_t* bytes, int32_t count, loaded_book* into) {
    const uint32_t table = get32(bytes + AT_CHUNKS);
    if (!c.table(table, static_cast<uint64_t>(count), CHUNK_ROW, 4, "chunk table's rows")) return false;
    for (int32_t k = 0; k < count; ++k) {
        const uint8_t* row = c.at(table + CHUNK_ROW * static_cast<uint32_t>(k));
        const uint32_t sequence = get32(row);
        const uint32_t words = get32(row + 4);
        const uint32_t pool = get32(row + 8);
        const uint32_t pool_size = get32(row + 12);
        const uint32_t lengths = get32(row + 16);
        if (!c.table(sequence, words, 2, 2, "words of a chunk's sequence")) return false;
        if (!c.table(pool, pool_size, 1, 1, "words of a chunk's pool")) return false;
        if (!c.table(lengths, words, 1, 1, "lengths of a chunk's words")) return false;
        if (pool_size == 0 || *c.at(pool + pool_size - 1) != '\0') {
            return c.refuse("the word pool of chunk %d does not end with a NUL", static_cast<int>(k));
        }
        // Every offset names a character of the pool at least 8 bytes
        // before its end (the assembly reads a short word as one 8-byte
        // block), so every word read from it ends at the pool's last NUL
        // at the latest; and every length is its word's, so that the
        // assembly copies no more.
        const uint8_t* offsets = c.at(sequence);
        const char* words_pool = reinterpret_cast<const char*>(c.at(pool));
        for (uint32_t i = 0; i < words; ++i) {
            const uint16_t offset = get16(offsets + 2 * i);
            if (static_cast<uint64_t>(offset) + 1 + POOL_PADDING > pool_size) {
                return c.refuse("word %u of chunk %d lies outside the chunk's pool", i, static_cast<int>(k));
            }
            if (*c.at(lengths + i) != stored_length(words_pool + offset)) {
                return c.refuse("the length of word %u of chunk %d is not the word's", i, static_cast<int>(k));
            }
        }
        into->chunks[k] = chunk_row{reinterpret_cast<const uint16_t*>(offsets), words_pool, c.at(lengths)};
    }
    return true;
}

bool load_index(image_check& c, const uint8_t* bytes, int32_t paragraphs, int32_t chunks) {
    const uint32_t table = get32(bytes + AT_PARAGRAPHS);
    if (!c.table(table, static_cast<uint64_t>(paragraphs) + 1, PARAGRAPH_ROW, 4, "paragraph index's rows")) {
        return false;
    }
    const uint32_t chunk_table = get32(bytes + AT_CHUNKS);
    for (int32_t n = 0; n <= paragraphs; ++n) {
        const uint8_t* row = c.at(table + PARAGRAPH_ROW * static_cast<uint32_t>(n));
        const int16_t chunk = get_i16(row);
        const auto first = static_cast<int32_t>(get32(row + 4));
        const auto end = static_cast<int32_t>(get32(row + 8));
        if (chunk < -1 || chunk >= chunks) {
            return c.refuse("paragraph %d names chunk %d, which the image does not have", static_cast<int>(n),
                            static_cast<int>(chunk));
        }
        if (first < 0 || end < first) {
            return c.refuse("paragraph %d has words %d to %d", static_cast<int>(n), static_cast<int>(first),
                            static_cast<int>(end));
        }
        if (chunk >= 0) {
            const uint32_t words = get32(c.at(chunk_table + CHUNK_ROW * static_cast<uint32_t>(chunk)) + 4);
            if (static_cast<uint32_t>(end) > words) {
                return c.refuse("the words of paragraph %d lie outside chunk %d", static_cast<int>(n),
                                static_cast<int>(chunk));
            }
        }
    }
    return true;
}

bool load_catalogues(image_check& c, const uint8_t* bytes, const int32_t counts[4], loaded_book* into) {
    const int32_t pictures = counts[0];
    const int32_t sounds = counts[1];
    const int32_t variables = counts[2];
    const int32_t restart_points = counts[3];

    uint32_t table = get32(bytes + AT_PICTURES);
    if (!c.table(table, static_cast<uint64_t>(pictures), PICTURE_ROW, 4, "picture catalogue's rows")) return false;
    for (int32_t i = 0; i < pictures; ++i) {
        const uint8_t* row = c.at(table + PICTURE_ROW * static_cast<uint32_t>(i));
        picture_row& p = into->pictures[i];
        p.resource = get16(row);
        p.width = get16(row + 2);
        p.height = get16(row + 4);
        if (!c.text(get32(row + 8), true, &p.alt, "a picture's alternative text")) return false;
    }

    table = get32(bytes + AT_SOUNDS);
    if (!c.table(table, static_cast<uint64_t>(sounds), SOUND_ROW, 4, "sound catalogue's rows")) return false;
    for (int32_t i = 0; i < sounds; ++i) {
        if (!c.text(get32(c.at(table + SOUND_ROW * static_cast<uint32_t>(i))), false, &into->sounds[i],
                    "a sound's name")) {
            return false;
        }
    }

    table = get32(bytes + AT_VARIABLES);
    if (!c.table(table, static_cast<uint64_t>(variables), VARIABLE_ROW, 4, "variable catalogue's rows")) return false;
    int32_t names_used = 0;
    for (int32_t i = 0; i < variables; ++i) {
        const uint8_t* row = c.at(table + VARIABLE_ROW * static_cast<uint32_t>(i));
        variable_row& v = into->variables[i];
        if (!c.text(get32(row), false, &v.name, "a variable's name")) return false;
        v.value_count = row[4];
        v.detail_target = get_i16(row + 6);
        const uint32_t names = get32(row + 8);
        if (names_used + v.value_count > IMAGE_MAX_VALUE_NAMES) {
            return c.refuse("the image's variables have more than %d value names", static_cast<int>(IMAGE_MAX_VALUE_NAMES));
        }
        if (v.value_count > 0 && !c.table(names, v.value_count, 4, 4, "value names of a variable")) return false;
        const char** own = &into->value_names[names_used + i];
        for (int32_t k = 0; k < v.value_count; ++k) {
            if (!c.text(get32(c.at(names + 4 * static_cast<uint32_t>(k))), false, &own[k], "a value's name")) {
                return false;
            }
        }
        own[v.value_count] = nullptr;
        v.value_names = own;
        names_used += v.value_count;
    }

    table = get32(bytes + AT_RESTART_POINTS);
    if (!c.table(table, static_cast<uint64_t>(restart_points), RESTART_ROW, 4, "restart points' rows")) return false;
    for (int32_t k = 0; k < restart_points; ++k) {
        const uint8_t* row = c.at(table + RESTART_ROW * static_cast<uint32_t>(k));
        restart_point& r = into->restart_points[k];
        if (!c.text(get32(row), false, &r.name, "a restart point's name")) return false;
        r.initial_paragraph = get_i16(row + 4);
    }
    return true;
}

bool load_info(image_check& c, const uint8_t* bytes, loaded_book* into) {
    book_info_record& info = into->info;
    const char** texts[] = {&info.title,       &info.copyright,       &info.authors,        &info.description,
                            &info.web_site,    &info.contact_address, &info.support_address};
    for (size_t i = 0; i < sizeof texts / sizeof texts[0]; ++i) {
        if (!c.text(get32(bytes + AT_INFO_TEXTS + 4 * i), false, texts[i], "a text of the book's details")) {
            return false;
        }
    }
    info.opening_picture = get_i16(bytes + AT_OPENING_PICTURE);
    info.title_picture = get_i16(bytes + AT_TITLE_PICTURE);
    if (!c.text(get32(bytes + AT_ID), true, &info.id, "the book's id") ||
        !c.text(get32(bytes + AT_IFID), true, &info.ifid, "the book's IFID")) {
        return false;
    }
    return true;
}

bool load_resources(image_check& c, const uint8_t* bytes, int32_t count, size_t size, loaded_book* into) {
    const uint32_t table = get32(bytes + AT_RESOURCES);
    if (!c.table(table, static_cast<uint64_t>(count), RESOURCE_ROW, 4, "resource table's rows")) return false;
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t* row = c.at(table + RESOURCE_ROW * static_cast<uint32_t>(i));
        book_resource& r = into->resources[i];
        if (!c.text(get32(row), true, &r.name, "a sound resource's name")) return false;
        r.number = get16(row + 4);
        const uint32_t at = get32(row + 8);
        r.size = get32(row + 12);
        if (at < BOOK_IMAGE_HEADER_SIZE || at > size || r.size > size - at) {
            return c.refuse("the bytes of resource %d lie outside the image", static_cast<int>(i));
        }
        r.bytes = c.at(at);
    }
    return true;
}

}  // namespace

uint32_t image_checksum(const uint8_t* bytes, size_t size) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) c = CRC.entries[(c ^ bytes[i]) & 0xFFu] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

bool load_book_image(const uint8_t* bytes, size_t size, loaded_book* into, char* reason) {
    image_check c(bytes, size, reason);
    if (reason != nullptr) reason[0] = '\0';
    if (into == nullptr) return c.refuse("there is nowhere to load the image");
    into->tables = book_tables{};
    if (bytes == nullptr) return c.refuse("there is no image");
    if (size < BOOK_IMAGE_HEADER_SIZE) {
        return c.refuse("the image is truncated: %u bytes, shorter than its header", static_cast<unsigned>(size));
    }
    if (std::memcmp(bytes, BOOK_IMAGE_MAGIC, sizeof BOOK_IMAGE_MAGIC) != 0) return c.refuse("this is not a book image");
    const uint32_t version = get32(bytes + AT_VERSION);
    if (version != BOOK_IMAGE_VERSION) {
        return c.refuse("the image has version %u; this reader reads version %u", version, BOOK_IMAGE_VERSION);
    }
    const uint32_t stated = get32(bytes + AT_SIZE);
    if (stated > size) return c.refuse("the image is truncated: %u bytes of %u", static_cast<unsigned>(size), stated);
    if (stated < size) return c.refuse("the image is longer than the %u bytes its header gives: not one image", stated);
    if (reinterpret_cast<uintptr_t>(bytes) % 4 != 0) return c.refuse("the image does not lie at an address aligned to 4");
    if (image_checksum(bytes + AT_SIZE, size - AT_SIZE) != get32(bytes + AT_CHECKSUM)) {
        return c.refuse("the checksum does not match: the image is damaged");
    }

    const int32_t paragraphs = get_i16(bytes + AT_PARAGRAPH_COUNT);
    const int32_t chunks = get_i16(bytes + AT_CHUNK_COUNT);
    const int32_t counts[4] = {get_i16(bytes + AT_PICTURE_COUNT), get_i16(bytes + AT_SOUND_COUNT),
                               get_i16(bytes + AT_VARIABLE_COUNT), get_i16(bytes + AT_RESTART_POINT_COUNT)};
    const auto resources = static_cast<int32_t>(get32(bytes + AT_RESOURCE_COUNT));
    if (!c.count(paragraphs, INT16_MAX, "paragraphs") || !c.count(chunks, IMAGE_MAX_CHUNKS, "word chunks") ||
        !c.count(counts[0], IMAGE_MAX_PICTURES, "pictures") || !c.count(counts[1], IMAGE_MAX_SOUNDS, "sounds") ||
        !c.count(counts[2], MAX_VARIABLES, "variables") ||
        !c.count(counts[3], MAX_RESTART_POINTS, "restart points") ||
        !c.count(resources, IMAGE_MAX_RESOURCES, "resources")) {
        return false;
    }

    if (!load_chunks(c, bytes, chunks, into) || !load_index(c, bytes, paragraphs, chunks) ||
        !load_catalogues(c, bytes, counts, into) || !load_info(c, bytes, into) ||
        !load_resources(c, bytes, resources, size, into)) {
        return false;
    }

    book_tables& t = into->tables;
    t.paragraph_count = static_cast<int16_t>(paragraphs);
    t.paragraph_index = reinterpret_cast<const paragraph_row*>(bytes + get32(bytes + AT_PARAGRAPHS));
    t.chunk_count = static_cast<int16_t>(chunks);
    t.chunk_table = into->chunks;
    t.picture_count = static_cast<int16_t>(counts[0]);
    t.picture_catalogue = into->pictures;
    t.sound_count = static_cast<int16_t>(counts[1]);
    t.sound_catalogue = into->sounds;
    t.variable_count = static_cast<int16_t>(counts[2]);
    t.variable_catalogue = into->variables;
    t.restart_point_count = static_cast<int16_t>(counts[3]);
    t.restart_points = into->restart_points;
    t.book_info = &into->info;
    t.resource_count = resources;
    t.resources = into->resources;
    return true;
}

}  // namespace tomelet
