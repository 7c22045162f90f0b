#include "tests/support/memory_book.h"

#include <sstream>
#include <unordered_map>

namespace tomelet::testing {

namespace {

std::vector<std::string> split_words(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    std::string word;
    while (in >> word) words.push_back(word);
    return words;
}

}  // namespace

memory_book::memory_book(memory_book_contents contents) : contents_(std::move(contents)) {
    index_.assign(static_cast<size_t>(contents_.paragraph_count) + 1, paragraph_row{-1, 0, 0});
    std::vector<std::unordered_map<std::string, uint16_t>> offsets;
    for (const auto& [number, text] : contents_.paragraphs) {
        if (number < 1 || number > contents_.paragraph_count) continue;
        if (sequences_.empty() || contents_.chunk_per_paragraph) {
            sequences_.emplace_back();
            pools_.emplace_back();
            offsets.emplace_back();
        }
        const auto chunk = static_cast<int16_t>(sequences_.size() - 1);
        auto& sequence = sequences_.back();
        auto& pool = pools_.back();
        auto& known = offsets.back();
        const auto first = static_cast<int32_t>(sequence.size());
        for (const std::string& word : split_words(text)) {
            auto found = known.find(word);
            if (found == known.end()) {
                found = known.emplace(word, static_cast<uint16_t>(pool.size())).first;
                pool += word;
                pool += '\0';
            }
            sequence.push_back(found->second);
        }
        index_[static_cast<size_t>(number)] =
            paragraph_row{chunk, first, static_cast<int32_t>(sequence.size())};
    }
    for (size_t i = 0; i < sequences_.size(); ++i) {
        std::vector<uint8_t> lengths;
        for (const uint16_t offset : sequences_[i]) lengths.push_back(stored_length(pools_[i].c_str() + offset));
        lengths_.push_back(std::move(lengths));
    }
    for (size_t i = 0; i < sequences_.size(); ++i) {
        pools_[i].append(static_cast<size_t>(POOL_PADDING), '\0');  // book/book.h
        chunks_.push_back(chunk_row{sequences_[i].data(), pools_[i].c_str(), lengths_[i].data()});
    }
    for (const std::string& name : contents_.sounds) sound_names_.push_back(name.c_str());
    for (const memory_variable& v : contents_.variables) {
        std::vector<const char*> names;
        for (const std::string& value : v.values) names.push_back(value.c_str());
        value_names_.push_back(std::move(names));
    }
    for (size_t i = 0; i < contents_.variables.size(); ++i) {
        const memory_variable& v = contents_.variables[i];
        variables_.push_back(variable_row{v.name.c_str(), static_cast<uint8_t>(v.values.size()), v.detail_target,
                                          value_names_[i].data()});
    }
    for (const memory_restart_point& r : contents_.restart_points) {
        restarts_.push_back(restart_point{r.name.c_str(), r.paragraph});
    }
    const auto variable_count = static_cast<int32_t>(variables_.size());
    const auto restart_count = static_cast<int32_t>(restarts_.size());

    tables_.paragraph_count = contents_.paragraph_count;
    tables_.paragraph_index = index_.data();
    tables_.chunk_count = static_cast<int16_t>(chunks_.size());
    tables_.chunk_table = chunks_.data();
    tables_.picture_count = static_cast<int16_t>(contents_.pictures.size());
    tables_.picture_catalogue = contents_.pictures.data();
    tables_.sound_count = static_cast<int16_t>(sound_names_.size());
    tables_.sound_catalogue = sound_names_.data();
    tables_.variable_count = static_cast<int16_t>(variable_count);
    tables_.variable_catalogue = variables_.data();
    tables_.restart_point_count = static_cast<int16_t>(restart_count);
    tables_.restart_points = restarts_.data();
    tables_.book_info = &contents_.info;
    tables_.resource_count = 0;
    tables_.resources = nullptr;
}

void memory_book::select() const { book_select(&tables_); }

std::vector<memory_variable> numbered_variables(int n, int values) {
    std::vector<memory_variable> out;
    for (int i = 0; i < n; ++i) {
        memory_variable v;
        v.name = "V" + std::to_string(i);
        for (int k = 0; k < values; ++k) v.values.push_back("v" + std::to_string(k));
        v.detail_target = static_cast<int16_t>(10 + i);
        out.push_back(std::move(v));
    }
    return out;
}

}  // namespace tomelet::testing
