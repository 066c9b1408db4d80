#pragma once

#include <pugixml.hpp>

#include <string>
#include <string_view>

namespace store::xlsx {

// Small text helpers shared by the readers of the package's parts.

void appendUtf8(std::string& out, unsigned codePoint);

// U+FFFE or U+FFFF at text[i] (three UTF-8 bytes), which XML 1.0 cannot hold although
// they are valid UTF-8: the code point, or 0.
unsigned nonCharacterAt(std::string_view text, size_t i);

// Whether the bytes are UTF-8 as the standard has it: no stray or missing continuation
// bytes, no overlong forms, no surrogates.
bool isValidUtf8(std::string_view text);

// "x:sheetData" -> "sheetData": parts may use any namespace prefix.
std::string_view localName(std::string_view qualified);

// The first child element with this local name, whatever its prefix.
pugi::xml_node childNamed(pugi::xml_node parent, std::string_view local);

}  // namespace store::xlsx
