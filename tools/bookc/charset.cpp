// UTF-8 to the reader's 8-bit character set, Windows-1252.

#include <cstdio>
#include <cstring>

#include "tools/bookc/charset.h"

namespace tomelet::bookc {

namespace {

// The characters of 0x80 to 0x9F; 0 where the set has none.
constexpr char32_t high_block[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88-8F
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98-9F
};

std::string code_point_name(char32_t c) {
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
    return text;
}

// Decodes one UTF-8 sequence at text[*i]; false for an invalid one
// (overlong forms, surrogates and values above U+10FFFF included).
bool decode(const std::string& text, size_t* i, char32_t* out) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(*i);
    int extra = 0;
    char32_t c = 0;
    char32_t least = 0;
    if (lead < 0x80) {
        *out = lead;
        ++*i;
        return true;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        c = lead & 0x1F;
        least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        c = lead & 0x0F;
        least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        c = lead & 0x07;
        least = 0x10000;
    } else {
        return false;
    }
    if (*i + static_cast<size_t>(extra) >= text.size()) return false;
    for (int k = 1; k <= extra; ++k) {
        const unsigned char next = byte(*i + k);
        if ((next & 0xC0) != 0x80) return false;
        c = (c << 6) | (next & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    *out = c;
    *i += static_cast<size_t>(extra) + 1;
    return true;
}

// The Windows-1252 byte of c, or -1.
int to_cp1252(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
    for (int k = 0; k < 32; ++k) {
        if (high_block[k] != 0 && high_block[k] == c) return 0x80 + k;
    }
    return -1;
}

}  // namespace

bool utf8_to_cp1252(const std::string& text, std::string* out, std::string* error,
                    const char* allowed_controls, size_t* bad_at) {
    out->clear();
    out->reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        char32_t c = 0;
        if (bad_at != nullptr) *bad_at = i;
        if (!decode(text, &i, &c)) {
            *error = "invalid UTF-8";
            return false;
        }
        const bool control = c < 0x20 || (c >= 0x7F && c < 0xA0);
        if (control && !(c < 0x80 && c != 0 && std::strchr(allowed_controls, static_cast<int>(c)))) {
            *error = "control character " + code_point_name(c);
            return false;
        }
        const int byte = to_cp1252(c);
        if (byte < 0) {
            *error = "character " + code_point_name(c) + " cannot be written in the Windows-1252 character set";
            return false;
        }
        out->push_back(static_cast<char>(byte));
    }
    return true;
}

std::string cp1252_to_utf8(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        char32_t u = c;
        if (c >= 0x80 && c < 0xA0) u = high_block[c - 0x80] != 0 ? high_block[c - 0x80] : U'?';
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u < 0x800) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (u >> 12));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out;
}

}  // namespace tomelet::bookc
