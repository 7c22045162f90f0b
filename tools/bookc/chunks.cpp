// Grouping the paragraphs into word chunks.
//
// The paragraphs are taken in source order (the text files in order, the
// paragraphs of each file in the order written) and added to the current
// chunk.  A new chunk is opened before a paragraph when the current chunk's
// pool already holds CHUNK_TARGET bytes or more, or when the paragraph's
// words that the pool does not hold yet would bring it to POOL_LIMIT bytes.
// So a large book is split into chunks of a little over CHUNK_TARGET bytes,
// and no pool ever needs offsets above 16 bits.  Within a chunk every word
// is stored once, in order of first occurrence.

#include <unordered_map>
#include <unordered_set>

#include "tools/bookc/source.h"

namespace tomelet::bookc {

namespace {

// Pool bytes (with terminators) of the distinct words in `words` that are
// not in `known`.
int64_t new_pool_bytes(const std::vector<source_word>& words,
                       const std::unordered_map<std::string, uint16_t>& known) {
    std::unordered_set<std::string> counted;
    int64_t bytes = 0;
    for (const source_word& word : words) {
        if (known.count(word.text) != 0 || !counted.insert(word.text).second) continue;
        bytes += static_cast<int64_t>(word.text.size()) + 1;
    }
    return bytes;
}

}  // namespace

bool build_chunks(const std::vector<source_paragraph>& paragraphs, compiled_book* book, diagnostics* out) {
    book->index.assign(static_cast<size_t>(book->paragraph_count) + 1, paragraph_row{-1, 0, 0});
    book->chunks.clear();
    const std::unordered_map<std::string, uint16_t> nothing;
    std::unordered_map<std::string, uint16_t> known;  // the current chunk's words
    bool ok = true;
    for (const source_paragraph& p : paragraphs) {
        if (p.number < 1 || p.number > book->paragraph_count) continue;  // reported when read
        const int64_t own = new_pool_bytes(p.words, nothing);
        if (own >= POOL_LIMIT) {
            out->error(p.file, p.line,
                       "paragraph " + std::to_string(p.number) + " needs " + std::to_string(own) +
                           " pool bytes on its own; a chunk holds fewer than " + std::to_string(POOL_LIMIT));
            ok = false;
            continue;
        }
        bool open = book->chunks.empty();
        if (!open) {
            const auto pool = static_cast<int64_t>(book->chunks.back().pool.size());
            open = pool >= CHUNK_TARGET || pool + new_pool_bytes(p.words, known) >= POOL_LIMIT;
        }
        if (open) {
            book->chunks.emplace_back();
            known.clear();
        }
        compiled_chunk& chunk = book->chunks.back();
        const auto first = static_cast<int32_t>(chunk.sequence.size());
        for (const source_word& word : p.words) {
            auto found = known.find(word.text);
            if (found == known.end()) {
                found = known.emplace(word.text, static_cast<uint16_t>(chunk.pool.size())).first;
                chunk.pool += word.text;
                chunk.pool += '\0';
            }
            chunk.sequence.push_back(found->second);
        }
        chunk.distinct_words = static_cast<int32_t>(known.size());
        ++chunk.paragraphs;
        book->index[static_cast<size_t>(p.number)] = paragraph_row{
            static_cast<int16_t>(book->chunks.size() - 1), first, static_cast<int32_t>(chunk.sequence.size())};
    }
    return ok;
}

}  // namespace tomelet::bookc
