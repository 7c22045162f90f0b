// The layers' row primitives against the byte-by-byte loops they replace,
// over every length up to a few blocks and at every alignment: the bytes
// given change as those loops change them, and no byte beside them.
#include "platform/headless/pixels.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace tomelet::headless {
namespace {

constexpr int32_t GUARD = 16;

std::array<uint8_t, 512> patterned(uint32_t seed) {
    std::array<uint8_t, 512> bytes{};
    for (auto& b : bytes) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<uint8_t>(seed >> 16);
    }
    return bytes;
}

TEST(PixelsTest, ComplementBytesChangesExactlyItsBytes) {
    for (size_t offset = 0; offset < 16; ++offset) {
        for (size_t count = 0; count <= 200; ++count) {
            auto bytes = patterned(static_cast<uint32_t>(offset * 1000 + count));
            auto expected = bytes;
            for (size_t i = 0; i < count; ++i) {
                expected[GUARD + offset + i] = static_cast<uint8_t>(~expected[GUARD + offset + i]);
            }
            complement_bytes(bytes.data() + GUARD + offset, count);
            ASSERT_EQ(bytes, expected) << "offset " << offset << ", " << count << " bytes";
        }
    }
}

TEST(PixelsTest, CopyBgrRowSwapsRedAndBlueAndWritesOnlyTheRow) {
    for (const uint8_t flip : {uint8_t{0x00}, uint8_t{0xFF}}) {
        for (int32_t offset = 0; offset < 8; ++offset) {
            for (int32_t pixels = 0; pixels <= 150; ++pixels) {
                const auto in = patterned(static_cast<uint32_t>(pixels * 7 + offset));
                auto out = patterned(static_cast<uint32_t>(pixels * 13 + offset + 1));
                auto expected = out;
                const uint8_t* from = in.data() + GUARD + offset;
                for (int32_t px = 0; px < pixels; ++px) {
                    uint8_t* to = expected.data() + GUARD + offset + 3 * px;
                    to[0] = static_cast<uint8_t>(from[3 * px + 2] ^ flip);
                    to[1] = static_cast<uint8_t>(from[3 * px + 1] ^ flip);
                    to[2] = static_cast<uint8_t>(from[3 * px] ^ flip);
                }
                copy_bgr_row(out.data() + GUARD + offset, from, pixels, flip);
                ASSERT_EQ(out, expected) << "flip " << int{flip} << ", offset " << offset << ", " << pixels
                                         << " pixels";
            }
        }
    }
}

}  // namespace
}  // namespace tomelet::headless
