// A copy of a few dozen characters through registers, for the page build's
// short pieces (labels, answers, tags, stretches of text): a library copy of
// so few characters costs more than the copy itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tomelet {

// Copies `count` (> 0) characters: blocks of 8, the last overlapping the one
// before, shorter pieces in 4, 2 and 1 bytes.  Only the `count` characters
// of either side are touched.
inline void copy_short(char* to, const char* from, size_t count) {
    if (count >= 8) {
        uint64_t block;
        for (size_t i = 0; i + 8 < count; i += 8) {
            std::memcpy(&block, from + i, 8);
            std::memcpy(to + i, &block, 8);
        }
        std::memcpy(&block, from + count - 8, 8);
        std::memcpy(to + count - 8, &block, 8);
        return;
    }
    if (count >= 4) {
        uint32_t head;
        uint32_t tail;
        std::memcpy(&head, from, 4);
        std::memcpy(&tail, from + count - 4, 4);
        std::memcpy(to, &head, 4);
        std::memcpy(to + count - 4, &tail, 4);
        return;
    }
    to[0] = from[0];
    if (count >= 2) {
        to[count - 2] = from[count - 2];
        to[count - 1] = from[count - 1];
    }
}

}  // namespace tomelet
