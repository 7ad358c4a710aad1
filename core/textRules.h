// How texts become numbers and numbers become texts, everywhere in the program.
// Texts are GBK byte strings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace core {

// Bytes taken by the GBK character that starts at text[i]: 2 for a lead byte (0x81..0xFE)
// followed by another byte, else 1.
std::size_t gbkCharLength(std::string_view text, std::size_t i);

// Position of the first match of needle in text that starts on a character boundary, or npos.
std::size_t gbkFind(std::string_view text, std::string_view needle, std::size_t from = 0);

// Full-width characters of GBK row A3 count as their ASCII forms and the full-width space as a
// space; then leading white space, one optional sign and decimal digits up to the first other
// character. No digits gives 0; the result wraps around on 32-bit overflow.
std::int32_t textToInt(std::string_view text);

// Decimal, "-" for negatives, no plus sign, no leading zeros.
std::string intToText(std::int64_t value);

} // namespace core
