#pragma once
// The number a text begins with, read as the score cells of the net ranking page are read.

#include <cstdint>
#include <optional>
#include <string_view>

namespace kelvora {

// Blanks, tabs and line feeds are skipped wherever they stand. Then either an optional sign,
// digits with at most one decimal point and an optional exponent (E or D), or "&H"/"&O" and
// hexadecimal/octal digits; the first other character ends the number. A text without a number
// gives 0; a number beyond the range of a double gives an infinity of its sign.
double leading_number(std::string_view text);

// The leading number rounded to the nearest 32-bit integer, halves to even; nothing when the
// rounded value does not fit.
std::optional<std::int32_t> leading_int32(std::string_view text);

}  // namespace kelvora
