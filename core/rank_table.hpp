#pragma once
// The record shared by the four rankings. Texts are kept as the code page 932 bytes that the
// rank file holds; they are decoded only for drawing.

#include <array>
#include <cstdint>
#include <string>

namespace kelvora {

struct rank_table {
    // Element 0 belongs to no place; places are 1 (best) to 10.
    std::array<std::int32_t, 11> score{};
    std::array<std::string, 11> name{};
    std::array<std::string, 11> note{};
    friend bool operator==(const rank_table&, const rank_table&) = default;
};

}  // namespace kelvora
