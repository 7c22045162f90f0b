// The web reader's pictures and sounds as files beside the site, fetched
// when a page first needs them, instead of bytes inside the WebAssembly:
// each picture of the catalogue as a PNG made from its BMP, each sound as
// its WAV file.  The PNG encoder is this file's own, over zlib's deflate.
#include <zlib.h>

#include <algorithm>
#include <string>
#include <system_error>
#include <vector>

#include "platform/common/bmp.h"
#include "tools/bookc/bookc.h"

namespace tomelet::bookc {

namespace {

// The BMP's file header and BITMAPINFOHEADER: the bytes the reader keeps
// for a picture that travels as a file, from which it reads the size.
constexpr size_t BMP_HEADERS = 14 + 40;

void put32(std::string& out, uint32_t v) {
    out += static_cast<char>(v >> 24);
    out += static_cast<char>(v >> 16);
    out += static_cast<char>(v >> 8);
    out += static_cast<char>(v);
}

void chunk(std::string& out, const char* type, const std::string& data) {
    put32(out, static_cast<uint32_t>(data.size()));
    const size_t start = out.size();
    out.append(type, 4);
    out += data;
    const uint32_t crc = static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(out.data() + start), static_cast<uInt>(out.size() - start)));
    put32(out, crc);
}

uint8_t paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = p > a ? p - a : a - p;
    const int pb = p > b ? p - b : b - p;
    const int pc = p > c ? p - c : c - p;
    if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
    return static_cast<uint8_t>(pb <= pc ? b : c);
}

// The rows filtered for deflate: each row takes the filter whose output has
// the smallest sum of absolute values, the usual rule of thumb.
std::string filtered_rows(const std::vector<uint8_t>& pixels, uint32_t width, uint32_t height, uint32_t bpp) {
    const size_t stride = static_cast<size_t>(width) * bpp;
    std::string out;
    out.reserve((stride + 1) * height);
    std::vector<uint8_t> zero(stride, 0);
    std::string best;
    std::string trial(stride, '\0');
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = pixels.data() + y * stride;
        const uint8_t* up = y > 0 ? row - stride : zero.data();
        uint64_t best_cost = UINT64_MAX;
        char best_filter = 0;
        for (int filter = 0; filter < 5; ++filter) {
            uint64_t cost = 0;
            for (size_t i = 0; i < stride; ++i) {
                const int a = i >= bpp ? row[i - bpp] : 0;
                const int b = up[i];
                const int c = i >= bpp ? up[i - bpp] : 0;
                int predicted = 0;
                switch (filter) {
                    case 1: predicted = a; break;
                    case 2: predicted = b; break;
                    case 3: predicted = (a + b) / 2; break;
                    case 4: predicted = paeth(a, b, c); break;
                    default: break;
                }
                const auto v = static_cast<uint8_t>(row[i] - predicted);
                trial[i] = static_cast<char>(v);
                cost += v < 128 ? v : 256 - v;
            }
            if (cost < best_cost) {
                best_cost = cost;
                best_filter = static_cast<char>(filter);
                best = trial;
            }
        }
        out += best_filter;
        out += best;
    }
    return out;
}

}  // namespace

std::string bmp_to_png(const std::vector<uint8_t>& bmp, std::string* error) {
    bmp_image image{};
    if (!bmp_read(bmp.data(), static_cast<uint32_t>(bmp.size()), &image)) {
        *error = "not a BMP file the reader can show";
        return {};
    }
    const auto width = static_cast<uint32_t>(image.width);
    const auto height = static_cast<uint32_t>(image.height);
    // A picture of at most 256 colours is written with a palette (a fraction
    // of the bytes), any other as RGB.
    std::vector<uint32_t> colours;
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t c = bmp_pixel(image, static_cast<int32_t>(x), static_cast<int32_t>(y));
            uint8_t* p = rgb.data() + (static_cast<size_t>(y) * width + x) * 3;
            p[0] = static_cast<uint8_t>(c >> 16);
            p[1] = static_cast<uint8_t>(c >> 8);
            p[2] = static_cast<uint8_t>(c);
            if (colours.size() <= 256 && std::find(colours.begin(), colours.end(), c) == colours.end()) {
                colours.push_back(c);
            }
        }
    }
    const bool indexed = colours.size() <= 256;
    std::string header;
    put32(header, width);
    put32(header, height);
    header += static_cast<char>(8);            // bit depth
    header += static_cast<char>(indexed ? 3 : 2);  // palette or RGB
    header += std::string(3, '\0');           // deflate, adaptive filters, no interlace
    std::string raw;
    std::string palette;
    if (indexed) {
        std::vector<uint8_t> indices(static_cast<size_t>(width) * height);
        for (size_t i = 0; i < indices.size(); ++i) {
            const uint32_t c = static_cast<uint32_t>(rgb[i * 3]) << 16 | static_cast<uint32_t>(rgb[i * 3 + 1]) << 8 |
                               rgb[i * 3 + 2];
            indices[i] = static_cast<uint8_t>(std::find(colours.begin(), colours.end(), c) - colours.begin());
        }
        for (uint32_t c : colours) {
            palette += static_cast<char>(c >> 16);
            palette += static_cast<char>(c >> 8);
            palette += static_cast<char>(c);
        }
        // Palette indices are not magnitudes: rows are left unfiltered.
        const size_t stride = width;
        for (uint32_t y = 0; y < height; ++y) {
            raw += '\0';
            raw.append(reinterpret_cast<const char*>(indices.data()) + y * stride, stride);
        }
    } else {
        raw = filtered_rows(rgb, width, height, 3);
    }
    uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(packed_size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packed_size, reinterpret_cast<const Bytef*>(raw.data()),
                  static_cast<uLong>(raw.size()), Z_BEST_COMPRESSION) != Z_OK) {
        *error = "the picture could not be compressed";
        return {};
    }
    packed.resize(packed_size);
    std::string png("\x89PNG\r\n\x1a\n", 8);
    chunk(png, "IHDR", header);
    if (indexed) chunk(png, "PLTE", palette);
    chunk(png, "IDAT", packed);
    chunk(png, "IEND", "");
    return png;
}

std::string web_file_name(const compiled_resource& resource, int32_t sound_index) {
    if (resource.is_sound) return "sound-" + std::to_string(sound_index) + ".wav";
    return "picture-" + std::to_string(resource.number) + ".png";
}

bool write_web_files(compiled_book& book, const std::filesystem::path& folder, std::string* error,
                     std::vector<std::string>* warnings) {
    std::error_code failure;
    // The folder holds this book's files alone: one left from an earlier
    // build (a picture since removed) goes.
    std::filesystem::remove_all(folder, failure);
    std::filesystem::create_directories(folder, failure);
    if (failure) {
        *error = "cannot make the folder " + folder.string() + ": " + failure.message();
        return false;
    }
    std::vector<bool> catalogued(65536, false);
    for (const compiled_picture& p : book.pictures) catalogued[p.resource] = true;
    int32_t sounds = 0;
    for (compiled_resource& r : book.resources) {
        const std::string name = web_file_name(r, sounds);
        if (r.is_sound) {
            ++sounds;
            if (!write_file_atomically(folder / name, std::string(r.bytes.begin(), r.bytes.end()), error)) return false;
            r.bytes.clear();
        } else if (catalogued[r.number]) {
            std::string problem;
            const std::string png = bmp_to_png(r.bytes, &problem);
            if (png.empty()) {
                // A BMP this encoder cannot read (a compressed one, say)
                // stays in the book whole, for the browser to show as it
                // did before.
                if (warnings != nullptr) {
                    warnings->push_back("bitmap " + std::to_string(r.number) + " stays in the book as a BMP: " +
                                        problem);
                }
                continue;
            }
            if (!write_file_atomically(folder / name, png, error)) return false;
            if (r.bytes.size() > BMP_HEADERS) r.bytes.resize(BMP_HEADERS);
        }
    }
    return true;
}

}  // namespace tomelet::bookc
