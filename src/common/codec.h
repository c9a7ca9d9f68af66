#pragma once

#include <string>
#include <string_view>

namespace qor {

// The one place where text changes encoding. Core strings are UTF-8; files written for
// spreadsheets and the archive use Windows-1252.

// Converts UTF-8 to Windows-1252. Characters without a Windows-1252 form become '?', and
// *lossless (if given) is set false. Invalid UTF-8 bytes are taken as Windows-1252 bytes.
std::string Utf8ToCp1252(std::string_view utf8, bool* lossless = nullptr);
std::string Cp1252ToUtf8(std::string_view cp1252);

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

}  // namespace qor
