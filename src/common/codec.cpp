#include "common/codec.h"

#include <array>
#include <cstdint>

namespace qor {
namespace {

// Code points of bytes 0x80..0x9F; 0 marks the five unassigned bytes.
constexpr std::array<char32_t, 32> kHigh = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                            0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t ByteToCodePoint(unsigned char b)
{
    if (b >= 0x80 && b < 0xA0) {
        char32_t c = kHigh[b - 0x80];
        return c ? c : b;  // unassigned bytes map to the C1 control of the same value
    }
    return b;
}

// -1 when the code point has no Windows-1252 byte.
int CodePointToByte(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<int>(c);
    for (int i = 0; i < 32; ++i)
        if (kHigh[static_cast<std::size_t>(i)] == c)
            return 0x80 + i;
    if (c >= 0x80 && c < 0xA0 && kHigh[c - 0x80] == 0)
        return static_cast<int>(c);
    return -1;
}

// Decodes one UTF-8 sequence at s[i]; returns false (and leaves i) on invalid input.
bool DecodeUtf8(std::string_view s, std::size_t& i, char32_t& out)
{
    auto b = static_cast<unsigned char>(s[i]);
    int extra = 0;
    char32_t c = 0;
    if (b < 0x80) {
        out = b;
        ++i;
        return true;
    } else if ((b & 0xE0) == 0xC0) {
        extra = 1;
        c = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
        extra = 2;
        c = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
        extra = 3;
        c = b & 0x07;
    } else {
        return false;
    }
    if (s.size() - i <= static_cast<std::size_t>(extra))
        return false;
    for (int k = 1; k <= extra; ++k) {
        auto cb = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
        if ((cb & 0xC0) != 0x80)
            return false;
        c = (c << 6) | (cb & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (c < kMin[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return false;
    out = c;
    i += static_cast<std::size_t>(extra) + 1;
    return true;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::string Utf8ToCp1252(std::string_view utf8, bool* lossless)
{
    std::string out;
    out.reserve(utf8.size());
    bool ok = true;
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t c;
        if (!DecodeUtf8(utf8, i, c)) {
            out += utf8[i++];  // already a single byte: keep it
            continue;
        }
        int b = CodePointToByte(c);
        if (b < 0) {
            ok = false;
            out += '?';
        } else {
            out += static_cast<char>(b);
        }
    }
    if (lossless)
        *lossless = ok;
    return out;
}

std::string Cp1252ToUtf8(std::string_view cp1252)
{
    std::string out;
    out.reserve(cp1252.size() + cp1252.size() / 8);
    for (char ch : cp1252)
        AppendUtf8(out, ByteToCodePoint(static_cast<unsigned char>(ch)));
    return out;
}

std::u16string Utf8ToUtf16(std::string_view utf8)
{
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t c;
        if (!DecodeUtf8(utf8, i, c))
            c = ByteToCodePoint(static_cast<unsigned char>(utf8[i++]));
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16)
{
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t c = utf16[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;  // lone surrogate
        }
        AppendUtf8(out, c);
    }
    return out;
}

}  // namespace qor
