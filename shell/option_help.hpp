#pragma once
// The help texts of the options screen, one per row under the pointer (option_hover).

#include <array>
#include <string>

namespace kelvora {

// Index 1 to 6: the settings of the same index; 7: the start button; 0: no row (empty).
// UTF-8, lines separated by a carriage return alone; two in a row leave an empty line.
std::array<std::string, 8> make_option_help();

}  // namespace kelvora
