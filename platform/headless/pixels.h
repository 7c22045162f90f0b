// Row primitives of the headless back end's layers: complementing a run of
// bytes, and copying a row of a 24-bit picture (blue, green, red) into a
// layer's red, green, blue order.  Each touches exactly the bytes it is
// given, on either side, and gives the same bytes as the one-byte loops it
// replaces; they exist because a page turn complements a full-width title
// band and copies its pictures, and those loops were a fifth of a turn.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tomelet {
namespace headless {

// Complements `count` bytes from `p` on: 128 and then 16 at a time where the
// target has SSE2, then 8 at a time in a 64-bit word, then 4, then one by
// one.
inline void complement_bytes(uint8_t* p, size_t count) {
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i ones = _mm_set1_epi8(static_cast<char>(0xFF));
    for (; i + 128 <= count; i += 128) {
        auto* at = reinterpret_cast<__m128i*>(p + i);
        for (int k = 0; k < 8; ++k) _mm_storeu_si128(at + k, _mm_xor_si128(_mm_loadu_si128(at + k), ones));
    }
    for (; i + 16 <= count; i += 16) {
        auto* at = reinterpret_cast<__m128i*>(p + i);
        _mm_storeu_si128(at, _mm_xor_si128(_mm_loadu_si128(at), ones));
    }
#endif
    for (; i + sizeof(uint64_t) <= count; i += sizeof(uint64_t)) {
        uint64_t word;
        std::memcpy(&word, p + i, sizeof word);
        word = ~word;
        std::memcpy(p + i, &word, sizeof word);
    }
    if (i + sizeof(uint32_t) <= count) {
        uint32_t word;
        std::memcpy(&word, p + i, sizeof word);
        word = ~word;
        std::memcpy(p + i, &word, sizeof word);
        i += sizeof word;
    }
    for (; i < count; ++i) p[i] = static_cast<uint8_t>(~p[i]);
}

#if defined(__SSE2__)
// Copying 16 pixels (48 bytes, three 16-byte blocks) at a time: in the
// group's byte k, k % 3 == 0 is a pixel's first byte, which takes the byte
// two places on (its red for its blue), k % 3 == 2 its last, which takes
// the byte two places back, and k % 3 == 1 keeps its own (green).  A block
// is then its own bytes, the block loaded two bytes on and the block loaded
// two bytes back, each under its mask.
struct bgr_group_masks {
    alignas(16) uint8_t own[3][16];
    alignas(16) uint8_t ahead[3][16];
    alignas(16) uint8_t behind[3][16];
};

constexpr bgr_group_masks make_bgr_group_masks() {
    bgr_group_masks m{};
    for (int block = 0; block < 3; ++block) {
        for (int j = 0; j < 16; ++j) {
            const int phase = (16 * block + j) % 3;
            m.own[block][j] = phase == 1 ? 0xFF : 0;
            m.ahead[block][j] = phase == 0 ? 0xFF : 0;
            m.behind[block][j] = phase == 2 ? 0xFF : 0;
        }
    }
    return m;
}

inline constexpr bgr_group_masks BGR_GROUP_MASKS = make_bgr_group_masks();

// The bytes [from, from + 48) of a row, which has a byte before `from` and
// two after the group.
inline void copy_bgr_group(uint8_t* out, const uint8_t* in, size_t from, __m128i flip) {
    const auto load = [](const void* at) { return _mm_loadu_si128(static_cast<const __m128i*>(at)); };
    for (int block = 0; block < 3; ++block) {
        const size_t at = from + 16 * static_cast<size_t>(block);
        const __m128i own = _mm_and_si128(load(in + at), load(BGR_GROUP_MASKS.own[block]));
        const __m128i ahead = _mm_and_si128(load(in + at + 2), load(BGR_GROUP_MASKS.ahead[block]));
        const __m128i behind = _mm_and_si128(load(in + at - 2), load(BGR_GROUP_MASKS.behind[block]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at),
                         _mm_xor_si128(_mm_or_si128(own, _mm_or_si128(ahead, behind)), flip));
    }
}
#endif

// Copies `pixels` pixels of a 24-bit picture's row (blue, green, red) to
// `out` as red, green, blue, every byte XORed with `flip` (0xFF for the
// complemented client layer, 0 for the screen).  Reads 3 x `pixels` bytes
// from `in` and writes as many at `out`.  Where the target has SSE2, the
// pixels after the first are taken 16 at a time while the row holds two
// bytes after them (copy_bgr_group).  On a little-endian target the rest
// are taken two at a time as an 8-byte word, and then one at a time as a
// 4-byte word, while a pixel follows that the word's last bytes reach:
// those bytes are written again with that pixel.
inline void copy_bgr_row(uint8_t* out, const uint8_t* in, int32_t pixels, uint8_t flip) {
    const auto swap_bytes = [&](int32_t k) {
        out[3 * k] = static_cast<uint8_t>(in[3 * k + 2] ^ flip);
        out[3 * k + 1] = static_cast<uint8_t>(in[3 * k + 1] ^ flip);
        out[3 * k + 2] = static_cast<uint8_t>(in[3 * k] ^ flip);
    };
    int32_t px = 0;
#if defined(__SSE2__)
    const size_t bytes = 3 * static_cast<size_t>(pixels > 0 ? pixels : 0);
    if (bytes >= 3 + 48 + 2) {
        swap_bytes(0);
        const __m128i mask = _mm_set1_epi8(static_cast<char>(flip));
        size_t at = 3;
        for (; at + 48 + 2 <= bytes; at += 48) copy_bgr_group(out, in, at, mask);
        px = static_cast<int32_t>(at / 3);
    }
#endif
    if constexpr (std::endian::native == std::endian::little) {
        // Bytes b0 .. b7 reversed are b7 .. b0: b2 b1 b0 stand at 5 .. 7
        // and b5 b4 b3 at 2 .. 4, shifted to 0 .. 2 and 3 .. 5 (the word's
        // last two bytes are left 0).
        const uint64_t mask8 = 0x0101010101010101ull * flip;
        const auto swap_two = [&](int32_t k) {
            uint64_t word;
            std::memcpy(&word, in + 3 * k, 8);
            word = __builtin_bswap64(word);
            word = ((word >> 40) | ((word << 8) & 0x0000FFFFFF000000ull)) ^ mask8;
            std::memcpy(out + 3 * k, &word, 8);
        };
        // Bytes b g r x reversed are x r g b: shifted down a byte, r g b.
        const uint32_t mask4 = 0x01010101u * flip;
        const auto swap_one = [&](int32_t k) {
            uint32_t word;
            std::memcpy(&word, in + 3 * k, 4);
            word = (__builtin_bswap32(word) >> 8) ^ mask4;
            std::memcpy(out + 3 * k, &word, 4);
        };
        for (; px + 2 < pixels; px += 2) swap_two(px);
        for (; px + 1 < pixels; ++px) swap_one(px);
    }
    for (; px < pixels; ++px) swap_bytes(px);
}

}  // namespace headless
}  // namespace tomelet
