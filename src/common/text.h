#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

namespace qor {

// A visible text in both languages; the language index picks one (0 German, 1 English).
struct TextPair {
    const char* de;
    const char* en;
    const char* operator[](int lang) const { return lang == 1 ? en : de; }
};

// printf-style formatting into a std::string (the system's texts are printf formats).
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* fmt, std::va_list args);

}  // namespace qor
