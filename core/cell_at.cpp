#include <cmath>
#include <cstdint>
#include <limits>

#include "core/game_state.hpp"

namespace kelvora {

Cell cell_at(const GameState& state, std::int32_t x, std::int32_t y) {
    std::int64_t dx = std::int64_t(x) - state.field_left;
    std::int64_t dy = std::int64_t(y) - state.field_top;
    std::int64_t column = dx >= 0 ? dx / state.cell_size + 1 : 0;
    std::int64_t row = dy >= 0 ? dy / state.cell_size + 1 : 0;
    if (column > state.field_width || column <= 0 || row > state.field_height || row <= 0) return {};
    return {std::int32_t(column), std::int32_t(row)};
}

std::int32_t round_half_even(double value) {
    // Positions from outside the window can be anything; keep them inside the 32-bit range
    // instead of letting the conversion overflow.
    if (std::isnan(value)) return 0;
    constexpr double lowest = std::numeric_limits<std::int32_t>::min();
    constexpr double highest = std::numeric_limits<std::int32_t>::max();
    double rounded = std::nearbyint(value);
    if (rounded <= lowest) return std::numeric_limits<std::int32_t>::min();
    if (rounded >= highest) return std::numeric_limits<std::int32_t>::max();
    return std::int32_t(rounded);
}

}  // namespace kelvora
