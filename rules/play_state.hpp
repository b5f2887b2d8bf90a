#pragma once
// The part of the game state that the rules read and write: the grids, the settings, the
// game's quantities and counters. The rest of the game state builds on it.

#include <array>
#include <cstdint>

namespace kelvora {

inline constexpr int grid_columns = 26;  // columns 0 to 25
inline constexpr int grid_rows = 51;     // rows 0 to 50
inline constexpr std::int16_t floor_cell = 10;

// The play timer's interval on the title, the options, a game's start and official level 1; the
// option game's speed divides it.
inline constexpr std::int16_t standard_tick_interval = 200;

// A grid addressed as (column, row); row 1 is the top of the well.
using Grid = std::array<std::array<std::int16_t, grid_rows>, grid_columns>;

struct Cell {
    std::int32_t column = 0;
    std::int32_t row = 0;
    friend bool operator==(Cell, Cell) = default;
};

struct PlayState {
    // Grids
    Grid drop_grid{};
    Grid fall_grid{};
    Grid burst_frames{};
    Grid burst_colour{};
    Grid search_front{};
    Grid search_found{};
    Grid chain_cells{};

    // Option settings, index 1 to 6 (element 0 unused)
    std::array<std::int16_t, 7> settings{0, 4, 3, 1, 3, 2, 2};

    // Game quantities (official values)
    std::int16_t field_width = 8;
    std::int16_t field_height = 16;
    std::int16_t cell_size = 25;
    std::int16_t field_left = 150;
    std::int16_t field_top = 70;
    std::int16_t tick_interval = standard_tick_interval;
    std::int16_t colour_count = 4;
    std::int16_t erase_count = 2;
    std::int16_t rain_period = 3;
    std::int16_t chain_time = 30;
    std::int16_t speed_level = 1;
    std::int16_t level_ticks = 1000;

    // Counters
    std::int32_t total_score = 0;
    std::int16_t chain_count = 0;
    std::int32_t max_chain = 0;
    std::int16_t chain_timer = 0;
    std::int16_t speed_ticks = 0;
    std::int16_t rain_counter = 0;
    std::int32_t ticks_played = 0;  // rule ticks since the game was prepared; a replay's clock

    // Flags
    bool rain_running = false;
    bool field_live = true;
};

}  // namespace kelvora
