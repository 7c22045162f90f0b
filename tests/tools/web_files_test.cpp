// The web reader's files: the book's pictures as PNG (read back with
// libpng, pixel for pixel against the BMP) and sounds beside the site, and
// the book's bytes they leave.
#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/headless/backend.h"
#include "tests/tools/book_folder.h"

namespace tomelet {
namespace {

using testing::book_folder;

void put16(std::string& s, uint32_t v) {
    s += static_cast<char>(v & 0xff);
    s += static_cast<char>(v >> 8 & 0xff);
}
void put32(std::string& s, uint32_t v) {
    put16(s, v & 0xffff);
    put16(s, v >> 16);
}

// A bottom-up 24-bit BMP whose pixel (x, y) is colour(x, y) (0xRRGGBB).
template <typename F>
std::string bmp24(int32_t width, int32_t height, F colour) {
    const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
    std::string s = "BM";
    put32(s, 54 + stride * static_cast<uint32_t>(height));
    put32(s, 0);
    put32(s, 54);
    put32(s, 40);
    put32(s, static_cast<uint32_t>(width));
    put32(s, static_cast<uint32_t>(height));
    put16(s, 1);
    put16(s, 24);
    for (int i = 0; i < 6; ++i) put32(s, 0);
    for (int32_t y = height - 1; y >= 0; --y) {
        std::string row;
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t c = colour(x, y);
            row += static_cast<char>(c & 0xff);
            row += static_cast<char>(c >> 8 & 0xff);
            row += static_cast<char>(c >> 16 & 0xff);
        }
        row.resize(stride, '\0');
        s += row;
    }
    return s;
}

std::vector<uint8_t> bytes_of(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

// The PNG read back as RGB rows, with its size; false when libpng refuses it.
bool read_png(const std::string& png, png_uint_32* width, png_uint_32* height, std::vector<uint8_t>* rgb) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, png.data(), png.size()) == 0) return false;
    image.format = PNG_FORMAT_RGB;
    rgb->resize(PNG_IMAGE_SIZE(image));
    const bool ok = png_image_finish_read(&image, nullptr, rgb->data(), 0, nullptr) != 0;
    *width = image.width;
    *height = image.height;
    png_image_free(&image);
    return ok;
}

// Every pixel of the PNG made from `bmp` is the BMP's.
void expect_same_pixels(const std::vector<uint8_t>& bmp, const std::string& what) {
    std::string problem;
    const std::string png = bookc::bmp_to_png(bmp, &problem);
    ASSERT_FALSE(png.empty()) << what << ": " << problem;
    bmp_image image{};
    ASSERT_TRUE(bmp_read(bmp.data(), static_cast<uint32_t>(bmp.size()), &image)) << what;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    std::vector<uint8_t> rgb;
    ASSERT_TRUE(read_png(png, &width, &height, &rgb)) << what;
    ASSERT_EQ(width, static_cast<png_uint_32>(image.width)) << what;
    ASSERT_EQ(height, static_cast<png_uint_32>(image.height)) << what;
    int32_t wrong = 0;
    for (int32_t y = 0; y < image.height; ++y) {
        for (int32_t x = 0; x < image.width; ++x) {
            const uint32_t c = bmp_pixel(image, x, y);
            const uint8_t* p = rgb.data() + (static_cast<size_t>(y) * width + x) * 3;
            if (p[0] != (c >> 16 & 0xff) || p[1] != (c >> 8 & 0xff) || p[2] != (c & 0xff)) ++wrong;
        }
    }
    EXPECT_EQ(wrong, 0) << what;
}

TEST(BookcWebFiles, EveryPictureBecomesAPngOfTheSamePixels) {
    // The demo book's pictures (palette BMPs and true colour), and two made
    // here: few colours (a palette PNG) and more than 256 (RGB, filtered).
    int32_t pictures = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TOMELET_SOURCE_DIR "/books/demo/pictures")) {
        if (entry.path().extension() != ".bmp") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        expect_same_pixels(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}), entry.path().string());
        ++pictures;
    }
    EXPECT_GT(pictures, 10);
    expect_same_pixels(bytes_of(bmp24(7, 5, [](int32_t x, int32_t y) { return (x + y) % 2 ? 0xff0000u : 0x0000ffu; })),
                       "two colours");
    expect_same_pixels(bytes_of(bmp24(33, 17, [](int32_t x, int32_t y) {
                           return static_cast<uint32_t>(x * 7) << 16 | static_cast<uint32_t>(y * 13) << 8 |
                                  static_cast<uint32_t>((x * y) & 0xff);
                       })),
                       "many colours");
    std::string problem;
    EXPECT_EQ(bookc::bmp_to_png(bytes_of("BM\x01\x02"), &problem), "");
    EXPECT_FALSE(problem.empty());
}

TEST(BookcWebFiles, PicturesAndSoundsLeaveTheBookAsFilesTheBarsBitmapsStay) {
    book_folder folder;
    std::string catalogue = testing::small_catalogue(
        "[[bitmap]]\nresource = 1107\nfile = \"pictures/bar.bmp\"\n\n"
        "[[sound]]\nname = \"WIND\"\nfile = \"sounds/wind.wav\"\n");
    const std::string second = "[[picture]]\nresource = 1101\n";
    catalogue.replace(catalogue.find(second), second.size(), second + "file = \"pictures/title.bmp\"\n");
    folder.write("book.toml", catalogue);
    const std::string title = bmp24(9, 4, [](int32_t x, int32_t) { return 0x102030u * static_cast<uint32_t>(x); });
    const std::string bar = bmp24(3, 3, [](int32_t, int32_t) { return 0xc0c0c0u; });
    const std::string wave("RIFF\x04\0\0\0WAVEdata", 16);
    folder.write("pictures/title.bmp", title);
    folder.write("pictures/bar.bmp", bar);
    folder.write("sounds/wind.wav", wave);
    folder.write("text/a.tml", testing::two_pages());
    bookc::compile_result result = folder.compile();
    ASSERT_TRUE(result.ok());

    const std::filesystem::path out = folder.path() / "site-book";
    folder.write("site-book/picture-9999.png", "a file of an earlier build");
    std::string problem;
    std::vector<std::string> warnings;
    ASSERT_TRUE(bookc::write_web_files(*result.book, out, &problem, &warnings)) << problem;
    EXPECT_TRUE(warnings.empty());
    EXPECT_FALSE(std::filesystem::exists(out / "picture-9999.png"));
    EXPECT_EQ(folder.read("site-book/sound-0.wav"), wave);
    std::string unused;
    EXPECT_EQ(folder.read("site-book/picture-1101.png"), bookc::bmp_to_png(bytes_of(title), &unused));
    EXPECT_FALSE(std::filesystem::exists(out / "picture-1107.png"));

    for (const bookc::compiled_resource& r : result.book->resources) {
        if (r.is_sound) {
            EXPECT_TRUE(r.bytes.empty());
        } else if (r.number == 1101) {
            // The headers alone, which still give the picture's size.
            EXPECT_EQ(r.bytes, bytes_of(title.substr(0, 54)));
        } else {
            EXPECT_EQ(r.bytes, bytes_of(bar));
        }
    }

    // A picture the encoder cannot read (run-length compressed, say) stays
    // in the book whole, with a warning, and has no file.
    std::string rle = title;
    rle[30] = 1;  // BI_RLE8
    folder.write("pictures/title.bmp", rle);
    bookc::compile_result again = folder.compile();
    ASSERT_TRUE(again.ok());
    ASSERT_TRUE(bookc::write_web_files(*again.book, out, &problem, &warnings)) << problem;
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("bitmap 1101"), std::string::npos) << warnings[0];
    EXPECT_FALSE(std::filesystem::exists(out / "picture-1101.png"));
    for (const bookc::compiled_resource& r : again.book->resources) {
        if (!r.is_sound && r.number == 1101) {
            EXPECT_EQ(r.bytes, bytes_of(rle));
        }
    }
}

}  // namespace
}  // namespace tomelet
